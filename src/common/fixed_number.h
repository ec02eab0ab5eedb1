// Fixed-point number texts written straight from integers: the common case
// of every number format of the program's files, without the general
// (and slow) correctly rounded conversion of long double.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vexalith {

// The whole number nearest to value * 10^decimals (0 <= decimals <= 5) when
// that is certain: the product is below 1e12 in size and more than 0.0001
// away from a tie.  Otherwise false: the caller converts the exact binary
// value instead.
bool nearest_scaled(long double value, int decimals, int64_t& scaled);

// |m| / 10^decimals in fixed notation at `out` (room for 32 characters),
// after a minus sign when `negative` is set: with all its decimals, or with
// trailing zeros and a bare point dropped when `trim` is set.  (A negative
// value that rounds to zero keeps its sign, as the exact conversion does;
// callers that want "0.00" pass negative = false.)  Returns the length.
std::size_t write_scaled(char* out, int64_t m, bool negative, int decimals, bool trim);

// `value` with `decimals` decimals, right-aligned in at least `width`
// characters (at most 16), at `out` (room for 40 characters), when
// nearest_scaled() can make it; returns the length, or 0 when the caller
// must convert the exact value instead.  A negative value that rounds to
// zero keeps its minus sign, unless `plain_zero` is set.
std::size_t write_fixed(char* out, long double value, int decimals, std::size_t width, bool plain_zero);

}  // namespace vexalith
