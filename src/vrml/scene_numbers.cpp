#include "vrml/scene_numbers.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "common/error.h"
#include "common/fixed_number.h"
#include "common/rounding.h"

namespace vexalith {

ModelScale model_scale(const ModelOptions& options, const Structure& structure)
{
    return ModelScale{options.ModelSize, options.VrmlUnit, structure.ModelExtent};
}

namespace {

// The whole number of steps (0.01 mm, in the unit) of ToModelUnits.
long double model_unit_steps(long double x, const ModelScale& scale)
{
    const long double unit = scale.VrmlUnit;
    const long double q = static_cast<long double>(scale.ModelSize) / scale.ModelExtent;
    const long double t = x * q * (100 * unit) / 2 / unit;
    const long double n = round_half_even(t);
    // The rounded value must be a 64-bit integer.  As such, -0 is 0.
    if (!std::isfinite(n) || std::fabs(n) >= 9223372036854775807.0L)
        throw RangeError("", 0, "a coordinate of " + general_number(x) + " angstrom is too large for the model scale");
    return n == 0 ? 0.0L : n;
}

}  // namespace

long double ToModelUnits(long double x, const ModelScale& scale)
{
    return model_unit_steps(x, scale) / (100 * static_cast<long double>(scale.VrmlUnit));
}

NumberText model_units_text(long double x, const ModelScale& scale)
{
    const long double steps = model_unit_steps(x, scale);
    switch (scale.VrmlUnit) {
    case 1:
        return decimal_steps_text(steps, 2);
    case 1000:
        return decimal_steps_text(steps, 5);
    default:
        return general_text(steps / (100 * static_cast<long double>(scale.VrmlUnit)));
    }
}

namespace {

constexpr long double kHundredThousand = 100000.0L;

NumberText from_string(const std::string& text)
{
    NumberText number;
    if (text.size() > NumberText::kCapacity)
        throw RangeError("", 0, "the number " + text.substr(0, 24) + "... is too long to write");
    std::memcpy(number.data(), text.data(), text.size());
    number.resize(text.size());
    return number;
}

}  // namespace

NumberText general_text(long double value)
{
    // A whole multiple of 0.00001 of at most 14 digits is written from its
    // integer: the value is the long double nearest to that decimal, and 15
    // significant digits give the decimal back exactly.  From 0.0001 on it
    // is in fixed notation.
    const long double scaled = value * kHundredThousand;
    if (std::fabs(scaled) < 1e14L && std::fabs(scaled) >= 10) {
        long double fraction = 0;
        int64_t m = rounding_detail::whole_part(scaled, fraction);
        m += fraction > 0.5L ? 1 : (fraction < -0.5L ? -1 : 0);
        if (static_cast<long double>(m) / kHundredThousand == value) {
            NumberText number;
            number.resize(write_scaled(number.data(), m, m < 0, 5, true));
            return number;
        }
    }
    return from_string(general_number_from_digits(value));
}

std::string general_number(long double value) { return general_text(value).str(); }

NumberText decimal_steps_text(long double steps, int decimals)
{
    // The decimal itself is the text from 0.0001 on and below 15 digits.
    constexpr long double kPowers[] = {1.0L, 10.0L, 100.0L, 1000.0L, 10000.0L, 100000.0L};
    const long double smallest = decimals > 4 ? kPowers[decimals - 4] : 1;
    if (steps == 0 || (std::fabs(steps) >= smallest && std::fabs(steps) < 1e14L)) {
        // Whole and below 2^53: exact in double, whose conversion is quick.
        NumberText number;
        const auto m = static_cast<int64_t>(static_cast<double>(steps));
        number.resize(write_scaled(number.data(), m, m < 0, decimals, true));
        return number;
    }
    return general_text(steps / kPowers[decimals]);
}

std::string general_number_from_digits(long double value)
{
    if (value == 0 || !std::isfinite(value))
        return value == 0 ? "0" : (std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF"));
    // 15 significant digits, correctly rounded: d.dddddddddddddde+XX
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    std::string digits;
    digits += text[0];
    digits.append(text.substr(2, e - 2));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), exponent);

    std::string out = value < 0 ? "-" : "";
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        } else if (static_cast<int>(digits.size()) <= exponent + 1) {
            out += digits;
            out.append(static_cast<std::size_t>(exponent + 1) - digits.size(), '0');
        } else {
            out.append(digits, 0, static_cast<std::size_t>(exponent) + 1);
            out += '.';
            out.append(digits, static_cast<std::size_t>(exponent) + 1);
        }
        return out;
    }
    out += digits[0];
    if (digits.size() > 1) {
        out += '.';
        out.append(digits, 1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
}

NumberText radius_text(long double value)
{
    // "-0.00000" is written as 0.
    NumberText number;
    if (const std::size_t quick = write_fixed(number.data(), value, 5, 7, true)) {
        number.resize(quick);
        return number;
    }
    if (!(std::fabs(value) < 1e30L))
        throw RangeError("", 0, "a radius of " + general_number(value) + " is too large to write");
    return from_string(radius_number(value));
}

std::string radius_number(long double value)
{
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 5);
    if (result.ec != std::errc())
        throw RangeError("", 0, "a radius of " + general_number(value) + " is too large to write");
    std::string out(buffer, result.ptr);
    if (out == "-0.00000")
        out = "0.00000";
    if (out.size() < 7)
        out.insert(0, 7 - out.size(), ' ');
    return out;
}

}  // namespace vexalith
