#include "cli/number_text.h"

#include <charconv>

namespace vexalith {

std::string full_precision(long double value)
{
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace vexalith
