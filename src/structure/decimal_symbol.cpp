#include "structure/decimal_symbol.h"

#include <charconv>
#include <cctype>
#include <cmath>

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
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.'))
        return std::nullopt;
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
