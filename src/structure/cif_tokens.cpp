#include "structure/cif_tokens.h"

#include <algorithm>
#include <array>

namespace vexalith {
namespace {

constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The characters that end a token of the quick split: a blank, or a tab or
// parenthesis, which send the row to the general split.
constexpr std::array<bool, 256> kEndsPlainToken = [] {
    std::array<bool, 256> table{};
    table[static_cast<unsigned char>(' ')] = true;
    table[static_cast<unsigned char>('\t')] = true;
    table[static_cast<unsigned char>('(')] = true;
    return table;
}();

bool ends_plain_token(char c) { return kEndsPlainToken[static_cast<unsigned char>(c)]; }

// Index just past the closing quote of a quoted value that opens at `open`,
// or the line's size when it is never closed.
std::size_t quoted_end(std::string_view line, std::size_t open)
{
    const char quote = line[open];
    for (std::size_t i = open + 1; i < line.size(); ++i)
        if (line[i] == quote && (i + 1 == line.size() || is_blank(line[i + 1])))
            return i + 1;
    return line.size();
}

}  // namespace

std::string_view trim_left(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && is_blank(line[i]))
        ++i;
    return line.substr(i);
}

std::string_view first_word(std::string_view line)
{
    line = trim_left(line);
    std::size_t i = 0;
    while (i < line.size() && !is_blank(line[i]))
        ++i;
    return line.substr(0, i);
}

const std::vector<std::string_view>& RowSplitter::split(std::string_view line)
{
    return split_first(line, static_cast<std::size_t>(-1));
}

const std::vector<std::string_view>& RowSplitter::split_first(std::string_view line, std::size_t wanted)
{
    // Most rows hold no tab and no parenthesis outside quotes: their tokens,
    // quoted ones included, are views into the line itself.  Anything else
    // takes the general path.  A tab or group after the last wanted token
    // cannot change the tokens before it.
    tokens_.clear();
    const std::size_t size = line.size();
    std::size_t i = 0;
    for (;;) {
        if (tokens_.size() == wanted)
            return tokens_;
        while (i < size && line[i] == ' ')
            ++i;
        if (i == size)
            return tokens_;
        const char first = line[i];
        if (first == '\'' || first == '"') {
            std::size_t close = i + 1;
            for (; close < size; ++close) {
                const char c = line[close];
                if (c == '\t')
                    return first_of_general(line, wanted);
                if (c == first && (close + 1 == size || is_blank(line[close + 1])))
                    break;
            }
            tokens_.push_back(line.substr(i + 1, std::min(close, size) - i - 1));
            i = std::min(close + 1, size);
            continue;
        }
        const std::size_t start = i;
        while (i < size && !ends_plain_token(line[i]))
            ++i;
        if (i < size && line[i] != ' ')
            return first_of_general(line, wanted);  // a tab or a parenthesis
        tokens_.push_back(line.substr(start, i - start));
    }
}

const std::vector<std::string_view>& RowSplitter::first_of_general(std::string_view line, std::size_t wanted)
{
    split_general(line, wanted);
    if (tokens_.size() > wanted)
        tokens_.resize(wanted);
    return tokens_;
}

const std::vector<std::string_view>& RowSplitter::split_general(std::string_view line, std::size_t most)
{
    // Pass 1: blanks for tabs, parenthesised groups dropped outside quotes.
    scratch_.clear();
    bool token_start = true;
    for (std::size_t i = 0; i < line.size();) {
        const char c = line[i];
        if (token_start && (c == '\'' || c == '"')) {
            const std::size_t end = quoted_end(line, i);
            for (std::size_t j = i; j < end; ++j)
                scratch_.push_back(line[j] == '\t' ? ' ' : line[j]);
            i = end;
            token_start = false;
            continue;
        }
        if (c == '(') {
            const std::size_t close = line.find(')', i);
            i = close == std::string_view::npos ? line.size() : close + 1;
            continue;
        }
        const bool blank = is_blank(c);
        scratch_.push_back(blank ? ' ' : c);
        token_start = blank;
        ++i;
    }

    // Pass 2: tokens.
    tokens_.clear();
    const std::string_view text(scratch_);
    std::size_t i = 0;
    while (i < text.size() && tokens_.size() < most) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (text[i] == '\'' || text[i] == '"') {
            const std::size_t end = quoted_end(text, i);
            const bool closed = end > i + 1 && text[end - 1] == text[i] && (end == text.size() || text[end] == ' ');
            tokens_.push_back(text.substr(i + 1, end - i - 1 - (closed ? 1 : 0)));
            i = end;
            continue;
        }
        std::size_t end = text.find(' ', i);
        if (end == std::string_view::npos)
            end = text.size();
        tokens_.push_back(text.substr(i, end - i));
        i = end;
    }
    return tokens_;
}

}  // namespace vexalith
