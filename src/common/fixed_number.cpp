#include "common/fixed_number.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "common/rounding.h"

namespace vexalith {
namespace {

constexpr long double kPowersOfTen[] = {1.0L, 10.0L, 100.0L, 1000.0L, 10000.0L, 100000.0L};

}  // namespace

bool nearest_scaled(long double value, int decimals, int64_t& scaled)
{
    // Below 1e12 the product is off the exact one by less than 1e-7, so a
    // fraction short of 0.4999 cannot hide a tie or the other side of one.
    const long double product = value * kPowersOfTen[decimals];
    if (!(std::fabs(product) < 1e12L))
        return false;
    const long double whole = round_half_even(product);
    if (!(std::fabs(product - whole) < 0.4999L))
        return false;
    scaled = static_cast<int64_t>(whole);
    return true;
}

std::size_t write_scaled(char* out, int64_t m, bool negative, int decimals, bool trim)
{
    char* p = out;
    if (negative)
        *p++ = '-';
    const uint64_t magnitude = m < 0 ? static_cast<uint64_t>(-(m + 1)) + 1 : static_cast<uint64_t>(m);
    char digits[24];
    const auto n = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    const auto d = static_cast<std::size_t>(decimals);
    if (n > d) {
        std::memcpy(p, digits, n - d);
        p += n - d;
    } else {
        *p++ = '0';
    }
    char fraction[8] = {'0', '0', '0', '0', '0', '0', '0', '0'};
    const std::size_t kept = n < d ? n : d;
    std::memcpy(fraction + (d - kept), digits + (n - kept), kept);
    std::size_t shown = d;
    if (trim)
        while (shown > 0 && fraction[shown - 1] == '0')
            --shown;
    if (shown > 0) {
        *p++ = '.';
        std::memcpy(p, fraction, shown);
        p += shown;
    }
    return static_cast<std::size_t>(p - out);
}

}  // namespace vexalith
