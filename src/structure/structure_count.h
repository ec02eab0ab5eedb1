// Structures of a multi-structure CIF file: each begins at a
// "_chemical_formula_sum" tag line.
#pragma once

#include <cstdint>
#include <string_view>

namespace vexalith {

// Number of "_chemical_formula_sum" tag lines in the text.
int32_t count_structures(std::string_view text);

// Number of lines up to and including the n-th "_chemical_formula_sum" tag
// line (all lines when the text has fewer); 0 for n = 0.  The searches of a
// read start after these lines.
long long block_start_lines(std::string_view text, int32_t n);

}  // namespace vexalith
