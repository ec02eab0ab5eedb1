#include "common/rounding.h"

#include <cfenv>
#include <cmath>

namespace vexalith {

long double round_half_even(long double value)
{
    // nearbyint rounds in the current mode; make sure it is to-nearest
    // (ties to even) whatever a caller may have set.
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const long double result = std::nearbyint(value);
    if (saved != FE_TONEAREST)
        std::fesetround(saved);
    return result;
}

}  // namespace vexalith
