#include "common/rounding.h"

#include <cfenv>
#include <cmath>

namespace vexalith {
namespace {

// 2^63: from here on every long double is a whole number, and below it
// adding this constant leaves no fraction bits, so the addition itself
// rounds to a whole number in the current rounding mode.
constexpr long double kNoFractionBits = 9223372036854775808.0L;

long double round_in_current_mode(long double value)
{
    if (!(std::fabs(value) < kNoFractionBits))
        return std::nearbyint(value);  // whole already, infinite or NaN
    // volatile keeps the compiler from folding the sum and the difference.
    volatile long double shifted = value >= 0 ? value + kNoFractionBits : value - kNoFractionBits;
    const long double result = value >= 0 ? shifted - kNoFractionBits : shifted + kNoFractionBits;
    // -0.4 gives -0, as nearbyint does.
    return std::copysign(result, value);
}

}  // namespace

long double round_half_even(long double value)
{
    // Rounding must be to nearest (ties to even) whatever a caller may have
    // set.
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const long double result = round_in_current_mode(value);
    if (saved != FE_TONEAREST)
        std::fesetround(saved);
    return result;
}

}  // namespace vexalith
