// The symmetry a small-molecule CIF file gives for its structure: the list
// of operations (looped, quoted or bare, with or without an id column) and
// the space group's names.  Read as text; the crystal stage parses it.
#pragma once

#include <string_view>

#include "structure/structure.h"

namespace vexalith {

// Reads the symmetry of the data block (from a "data_" line to the next)
// that holds line `line_in_block` of the text into the structure's
// SymmetryOperations and SpaceGroup fields.  Values "?" and "." count as
// not given.
void read_symmetry(std::string_view text, long long line_in_block, Structure& structure);

}  // namespace vexalith
