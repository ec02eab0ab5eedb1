// Rounding of model numbers to whole numbers: round half to even.
#pragma once

namespace vexalith {

// Nearest whole number, ties to the even neighbour (2.5 -> 2, 3.5 -> 4).
long double round_half_even(long double value);

}  // namespace vexalith
