#include "structure/decimal_symbol.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace vexalith {
namespace {

constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim_blanks(std::string_view text)
{
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Powers of ten that long double holds exactly (5^27 < 2^64).
constexpr std::array<long double, 28> kPowersOfTen = [] {
    std::array<long double, 28> powers{};
    long double p = 1;
    for (long double& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}();

// The common case, digits with at most one separator and no exponent,
// converted exactly: with at most 19 significant digits and 27 decimals the
// digits and the power of ten are both exact in long double, so one
// division rounds the value correctly, as from_chars does.
std::optional<long double> plain_decimal(std::string_view text)
{
    uint64_t mantissa = 0;
    int significant = 0;
    int decimals = 0;
    bool separator = false;
    bool digit_seen = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit_seen = true;
            if (mantissa != 0 || c != '0')
                ++significant;
            if (significant > 19)
                return std::nullopt;
            mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
            if (separator && ++decimals > 27)
                return std::nullopt;
        } else if ((c == '.' || c == ',') && !separator) {
            separator = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digit_seen)
        return std::nullopt;
    return static_cast<long double>(mantissa) / kPowersOfTen[static_cast<std::size_t>(decimals)];
}

}  // namespace

void replacedecimalsymbol(std::string& text, bool to_comma)
{
    const char from = to_comma ? '.' : ',';
    const char to = to_comma ? ',' : '.';
    for (char& c : text)
        if (c == from)
            c = to;
}

std::optional<long double> text_to_float(std::string_view text)
{
    text = trim_blanks(text);
    if (text.empty() || text.size() > 400)
        return std::nullopt;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars takes no sign of its own here and must not read "inf"/"nan".
    if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.'))
        return std::nullopt;
    if (const auto fast = plain_decimal(text))
        return negative ? -*fast : *fast;
    // Either separator becomes the full stop that from_chars reads.
    char buffer[402] = {};
    std::size_t n = 0;
    for (char c : text)
        buffer[n++] = (c == ',' || c == '.') ? '.' : c;
    const char* first = buffer;
    const char* last = buffer + n;
    long double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<int32_t> text_to_int(std::string_view text)
{
    text = trim_blanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.front() == '+')
        return std::nullopt;
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace vexalith
