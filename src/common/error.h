// The one family of exceptions the core throws.  Each carries the file it
// concerns and, where it is known, the 1-based line; what() gives the full
// message "file:line: text" ready to show to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace vexalith {

class Error : public std::runtime_error {
public:
    Error(std::string file, long long line, std::string text);

    const std::string& file() const noexcept { return file_; }
    long long line() const noexcept { return line_; }  // 0: no particular line
    const std::string& text() const noexcept { return text_; }

private:
    std::string file_;
    long long line_;
    std::string text_;
};

// A file that cannot be opened, read or written.
class InputOutputError : public Error {
public:
    using Error::Error;
};

// A text where a number was expected ("?", a letter, NaN, an empty value, ...).
class ConversionError : public Error {
public:
    using Error::Error;
};

// A value too large for what it is used for (a model scale, a file size).
class RangeError : public Error {
public:
    using Error::Error;
};

// The six cell values do not describe a cell (no valid matrix).
class InvalidCellError : public Error {
public:
    using Error::Error;
};

// A model of an ensemble that the file does not hold was chosen.
class SelectionError : public Error {
public:
    using Error::Error;
};

std::string format_error_message(const std::string& file, long long line, const std::string& text);

}  // namespace vexalith
