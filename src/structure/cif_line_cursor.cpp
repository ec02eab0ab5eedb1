#include "structure/cif_line_cursor.h"

#include <cstring>

namespace vexalith {

LineCursor::LineCursor(std::string_view text) : text_(text)
{
    if (text_.starts_with("\xEF\xBB\xBF"))
        start_ = 3;
    pos_ = start_;
}

void LineCursor::seek(std::size_t position, long long lines_before)
{
    pos_ = position;
    line_ = lines_before;
    next_lf_ = kUnknown;
}

bool LineCursor::next(std::string_view& line)
{
    if (pos_ >= text_.size())
        return false;
    const char* begin = text_.data() + pos_;
    const std::size_t left = text_.size() - pos_;
    // The next LF is cached, so that a text with lone CR line ends is not
    // searched to its end for every line.
    if (next_lf_ < pos_ || next_lf_ == kUnknown) {
        const void* lf = std::memchr(begin, '\n', left);
        next_lf_ = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text_.data()) : text_.size();
    }
    std::size_t length = next_lf_ - pos_;
    if (const void* cr = std::memchr(begin, '\r', length))
        length = static_cast<std::size_t>(static_cast<const char*>(cr) - begin);
    line = std::string_view(begin, length);
    pos_ += length;
    if (pos_ < text_.size()) {
        if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')
            pos_ += 2;
        else
            pos_ += 1;
    }
    ++line_;
    return true;
}

bool is_skippable_line(std::string_view line) { return line.size() < 5 || line.find('#') != std::string_view::npos; }

bool LineCursor::next_skipping_comment(std::string_view& line)
{
    if (!next(line))
        return false;
    if (is_skippable_line(line))
        return next(line);
    return true;
}

bool LineCursor::skip(long long count)
{
    std::string_view line;
    for (long long i = 0; i < count; ++i)
        if (!next(line))
            return false;
    return true;
}

}  // namespace vexalith
