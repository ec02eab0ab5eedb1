#include "common/fixed_number.h"

#include <cmath>

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
    long double fraction = 0;
    int64_t whole = rounding_detail::whole_part(product, fraction);
    if (fraction > 0.5L)
        ++whole;
    else if (fraction < -0.5L)
        --whole;
    if (!(std::fabs(product - static_cast<long double>(whole)) < 0.4999L))
        return false;
    scaled = whole;
    return true;
}

std::size_t write_scaled(char* out, int64_t m, bool negative, int decimals, bool trim)
{
    // Digits are made from the right, one division by ten each (a multiply
    // for the compiler), and copied a character at a time: these texts are
    // a few characters long, too short for a library copy to pay.
    uint64_t magnitude = m < 0 ? static_cast<uint64_t>(-(m + 1)) + 1 : static_cast<uint64_t>(m);
    char fraction[8];
    for (int k = decimals; k-- > 0;) {
        fraction[k] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
    int shown = decimals;
    if (trim)
        while (shown > 0 && fraction[shown - 1] == '0')
            --shown;
    char whole[24];
    int w = 0;
    do {
        whole[w++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);

    char* p = out;
    if (negative)
        *p++ = '-';
    while (w > 0)
        *p++ = whole[--w];
    if (shown > 0) {
        *p++ = '.';
        for (int k = 0; k < shown; ++k)
            *p++ = fraction[k];
    }
    return static_cast<std::size_t>(p - out);
}

std::size_t write_fixed(char* out, long double value, int decimals, std::size_t width, bool plain_zero)
{
    int64_t scaled = 0;
    if (!nearest_scaled(value, decimals, scaled))
        return 0;
    char text[24];
    const bool negative = plain_zero ? scaled < 0 : std::signbit(value);
    const std::size_t length = write_scaled(text, scaled, negative, decimals, false);
    const std::size_t pad = length < width ? width - length : 0;
    for (std::size_t k = 0; k < pad; ++k)
        out[k] = ' ';
    for (std::size_t k = 0; k < length; ++k)
        out[pad + k] = text[k];
    return pad + length;
}

}  // namespace vexalith
