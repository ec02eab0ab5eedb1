#include "common/output_limit.h"

#include <charconv>
#include <cmath>

namespace vexalith {

std::optional<uint64_t> parse_size(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && (text.back() == 'B' || text.back() == 'b'))
        text.remove_suffix(1);
    long double unit = 1;
    if (!text.empty()) {
        switch (text.back()) {
        case 'k':
        case 'K':
            unit = 1e3L;
            break;
        case 'M':
            unit = 1e6L;
            break;
        case 'G':
            unit = 1e9L;
            break;
        case 'T':
            unit = 1e12L;
            break;
        default:
            break;
        }
        if (unit != 1)
            text.remove_suffix(1);
    }
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty() || !(text.front() >= '0' && text.front() <= '9'))
        return std::nullopt;
    double number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    const long double bytes = std::floor(static_cast<long double>(number) * unit);
    if (!(bytes < 18446744073709551616.0L))
        return std::nullopt;
    return static_cast<uint64_t>(bytes);
}

std::string size_text(uint64_t bytes)
{
    if (bytes < 1000)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    const char* units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    long double value = static_cast<long double>(bytes) / 1000;
    std::size_t u = 0;
    while (value >= 999.5L && u + 1 < std::size(units)) {
        value /= 1000;
        ++u;
    }
    const int decimals = value < 9.995L ? 2 : (value < 99.95L ? 1 : 0);
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::fixed, decimals)
            .ptr;
    return std::string(buffer, end) + ' ' + units[u];
}

std::string output_too_large(std::string_view what, uint64_t size, bool at_least, uint64_t limit)
{
    return std::string(what) + " would be " + (at_least ? "at least " : "more than ") + size_text(size) +
           ", above the output size limit of " + size_text(limit) +
           ": raise the limit with --max-output-size (converter) or the environment variable " + kOutputLimitVariable +
           ", or hide atoms (hydrogen, water, parts) to make it smaller";
}

void LimitedSink::write(std::string_view bytes)
{
    if (bytes.size() > limit_ - written_)
        throw OutputTooLarge(file_, 0, output_too_large(what_, limit_, false, limit_));
    next_.write(bytes);
    written_ += bytes.size();
}

}  // namespace vexalith
