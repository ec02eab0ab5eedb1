// Rounding of model numbers to whole numbers: round half to even.
#pragma once

#include <cfenv>
#include <cmath>
#include <cstdint>

namespace vexalith {

namespace rounding_detail {

// Rounds through the FPU in the to-nearest mode; for the rare values whose
// whole part does not fit the quick path.
inline long double round_to_nearest_mode(long double value)
{
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const long double result = std::nearbyint(value);
    if (saved != FE_TONEAREST)
        std::fesetround(saved);
    return result;
}

// The whole part of a value below 2^62 in size, found through double
// conversions, which truncate in every rounding mode and leave the x87
// control word alone.  `fraction` receives value - whole, exactly, which
// lies within (-1, 1) up to a few units of 2^-40, so the nearest whole
// number is whole, whole + 1 or whole - 1.
inline int64_t whole_part(long double value, long double& fraction)
{
    const auto first = static_cast<int64_t>(static_cast<double>(value));
    const long double rest = value - static_cast<long double>(first);  // below 2^10 in size, exact
    const auto second = static_cast<int64_t>(static_cast<double>(rest));
    fraction = rest - static_cast<long double>(second);
    return first + second;
}

}  // namespace rounding_detail

// Nearest whole number, ties to the even neighbour (2.5 -> 2, 3.5 -> 4),
// whatever rounding mode the caller has set; -0.4 gives -0.
inline long double round_half_even(long double value)
{
    if (!(std::fabs(value) < 4611686018427387904.0L))  // 2^62, infinite or NaN
        return rounding_detail::round_to_nearest_mode(value);
    long double fraction = 0;
    const int64_t whole = rounding_detail::whole_part(value, fraction);
    const bool odd = (whole & 1) != 0;
    int64_t result = whole;
    if (fraction > 0.5L || (fraction == 0.5L && odd))
        ++result;
    else if (fraction < -0.5L || (fraction == -0.5L && odd))
        --result;
    return std::copysign(static_cast<long double>(result), value);
}

}  // namespace vexalith
