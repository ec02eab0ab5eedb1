// Radii of elements by symbol, for the model builders and writers.
#pragma once

#include <string_view>

namespace vexalith {

// The covalent / van der Waals radius (angstrom) of the first element table
// row with this symbol.  A symbol no row holds gets the carbon radius, the
// element such atoms are drawn as.
long double GetCovalentRadius(std::string_view symbol);
long double GetVanDerWaalsRadius(std::string_view symbol);

// Whether `symbol` occurs inside the blank-separated list `text`
// (a plain substring test: "C" occurs in "C N O", "K" in "CS LI NA K RB CS",
// "AL" in "VAL LEU").  An empty symbol never occurs.
bool occurs_in(std::string_view symbol, std::string_view text);

}  // namespace vexalith
