// Walking the lines of a CIF text held in memory.  A line ends at CR LF, LF
// or a lone CR; the line returned never holds its line end.  A UTF-8
// byte-order mark at the very start is not part of the first line.
#pragma once

#include <cstddef>
#include <string_view>

namespace vexalith {

class LineCursor {
public:
    explicit LineCursor(std::string_view text);

    // The next line; false at the end of the text.  line_number() is then
    // the 1-based number of the line just returned.
    bool next(std::string_view& line);

    // The line-reading rule of the searches: a line shorter than 5
    // characters or holding "#" is replaced by the line after it (one such
    // line is skipped at a time; the replacement is used as it is).
    bool next_skipping_comment(std::string_view& line);

    // A position to come back to with seek().
    std::size_t position() const { return pos_; }
    void seek(std::size_t position, long long lines_before);

    // Reads and drops up to count lines; false when the text ended first.
    bool skip(long long count);

    long long line_number() const { return line_; }
    bool at_end() const { return pos_ >= text_.size(); }

private:
    std::string_view text_;
    std::size_t start_ = 0;
    std::size_t pos_ = 0;
    long long line_ = 0;
    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
    std::size_t next_lf_ = kUnknown;
};

// Whether a line is a comment or too short to carry anything: the lines the
// reading rule skips.
bool is_skippable_line(std::string_view line);

}  // namespace vexalith
