// The element symbols of a loaded structure: unknown symbols become carbon,
// and the distinct symbols are listed in order of first appearance.
#pragma once

#include "structure/structure.h"

namespace vexalith {

// Replaces every symbol of atoms 1..AtomCount that is not a known element
// symbol (rows 1..108 of the element table) by "C".  Returns how many atoms
// changed.
int replace_unknown_symbols(Structure& structure);

// Rebuilds PresentElements: each known symbol of atoms 1..AtomCount once, in
// the order of its first atom (all atoms, shown or not).
void list_present_elements(Structure& structure);

}  // namespace vexalith
