// The constant element table: symbol, colour text, covalent and van der
// Waals radius of every element symbol the program knows.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace vexalith {

struct ElementRow {
    std::string_view symbol;           // upper case
    std::string_view colour;           // "r g b", written verbatim after diffuseColor
    std::string_view covalent_radius;  // angstrom, decimal text
    std::string_view vdw_radius;       // angstrom, decimal text
};

// Rows 1..109 in table order (index 0 is row 1).
extern const std::array<ElementRow, 109> ElementTable;

// Rows 1..ElementCount hold the known symbols; row 109 (Q) lies outside.
inline constexpr int ElementCount = 108;

// A known symbol equals the symbol of one of rows 1..108, case-sensitively.
bool is_known_symbol(std::string_view symbol);

// The 1-based row of the symbol among rows 1..109, or 0 when it has none.
int GetElementIndex(std::string_view symbol);

// The radii of a 1-based row (1..109), converted from the table's text.
long double ReadCovalentRadius(int row);
long double ReadVanDerWaalsRadius(int row);

// The row of a 1-based row number.
const ElementRow& element_row(int row);

}  // namespace vexalith
