#include "common/error.h"

namespace vexalith {

std::string format_error_message(const std::string& file, long long line, const std::string& text)
{
    std::string message = file;
    if (line > 0) {
        message += ':';
        message += std::to_string(line);
    }
    if (!message.empty())
        message += ": ";
    message += text;
    return message;
}

Error::Error(std::string file, long long line, std::string text)
    : std::runtime_error(format_error_message(file, line, text)),
      file_(std::move(file)),
      line_(line),
      text_(std::move(text))
{
}

}  // namespace vexalith
