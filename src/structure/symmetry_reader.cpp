#include "structure/symmetry_reader.h"

#include <array>
#include <string>
#include <vector>

#include "structure/cif_line_cursor.h"
#include "structure/cif_tokens.h"

namespace vexalith {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_tag(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

bool starts_with_word(std::string_view line, std::string_view word)
{
    if (line.size() < word.size())
        return false;
    return same_tag(line.substr(0, word.size()), word);
}

constexpr std::array<std::string_view, 4> kOperationTags = {"_space_group_symop_operation_xyz",
                                                            "_space_group_symop.operation_xyz",
                                                            "_symmetry_equiv_pos_as_xyz", "_symmetry_equiv.pos_as_xyz"};
constexpr std::array<std::string_view, 4> kHermannMauguinTags = {
    "_symmetry_space_group_name_H-M", "_space_group_name_H-M_alt", "_space_group.name_H-M_alt",
    "_symmetry.space_group_name_H-M"};
constexpr std::array<std::string_view, 4> kHallTags = {"_symmetry_space_group_name_Hall", "_space_group_name_Hall",
                                                       "_space_group.name_Hall", "_symmetry.space_group_name_Hall"};
constexpr std::array<std::string_view, 4> kNumberTags = {"_space_group_IT_number", "_symmetry_Int_Tables_number",
                                                         "_space_group.IT_number", "_symmetry.Int_Tables_number"};

template <std::size_t N>
bool is_one_of(std::string_view tag, const std::array<std::string_view, N>& tags)
{
    for (const std::string_view t : tags)
        if (same_tag(tag, t))
            return true;
    return false;
}

bool given(std::string_view value) { return !value.empty() && value != "?" && value != "."; }

bool ends_loop(std::string_view line)
{
    const std::string_view word = trim_left(line);
    return !word.empty() && (word[0] == '_' || starts_with_word(word, "loop_") || starts_with_word(word, "data_"));
}

}  // namespace

void read_symmetry(std::string_view text, long long line_in_block, Structure& structure)
{
    structure.SymmetryOperations.clear();
    structure.SpaceGroupHermannMauguin.clear();
    structure.SpaceGroupHall.clear();
    structure.SpaceGroupNumber.clear();

    // The block's first line: the last "data_" line at or before the line.
    long long first = 1;
    {
        LineCursor cursor(text);
        std::string_view line;
        while (cursor.next(line) && cursor.line_number() <= line_in_block)
            if (starts_with_word(trim_left(line), "data_"))
                first = cursor.line_number();
    }

    LineCursor cursor(text);
    cursor.skip(first - 1);
    RowSplitter splitter;
    std::string_view line;
    bool have_line = cursor.next(line);
    bool first_line = true;
    while (have_line) {
        const std::string_view trimmed = trim_left(line);
        if (!first_line && starts_with_word(trimmed, "data_"))
            break;
        first_line = false;
        if (starts_with_word(trimmed, "loop_")) {
            std::vector<std::string_view> tags;
            std::string_view rest = trim_left(trimmed.substr(5));
            have_line = cursor.next(line);
            while (have_line && !trim_left(line).empty() && trim_left(line)[0] == '_') {
                tags.push_back(first_word(trim_left(line)));
                have_line = cursor.next(line);
            }
            (void)rest;
            std::size_t column = tags.size();
            for (std::size_t c = 0; c < tags.size(); ++c)
                if (is_one_of(tags[c], kOperationTags))
                    column = c;
            if (column == tags.size())
                continue;
            // The rows: values in order, a row possibly spread over lines.
            std::size_t value = 0;
            long long row_line = 0;
            while (have_line && !ends_loop(line)) {
                for (const std::string_view token : splitter.split(line)) {
                    if (value == 0)
                        row_line = cursor.line_number();
                    if (value == column)
                        structure.SymmetryOperations.push_back({std::string(token), row_line});
                    value = (value + 1) % tags.size();
                }
                have_line = cursor.next(line);
            }
            continue;
        }
        if (!trimmed.empty() && trimmed[0] == '_') {
            const std::string_view tag = first_word(trimmed);
            const auto& tokens = splitter.split(trimmed);
            const std::string_view value = tokens.size() >= 2 ? tokens[1] : std::string_view();
            if (is_one_of(tag, kOperationTags) && given(value))
                structure.SymmetryOperations.push_back({std::string(value), cursor.line_number()});
            else if (is_one_of(tag, kHermannMauguinTags) && given(value) && structure.SpaceGroupHermannMauguin.empty())
                structure.SpaceGroupHermannMauguin = std::string(value);
            else if (is_one_of(tag, kHallTags) && given(value) && structure.SpaceGroupHall.empty())
                structure.SpaceGroupHall = std::string(value);
            else if (is_one_of(tag, kNumberTags) && given(value) && structure.SpaceGroupNumber.empty())
                structure.SpaceGroupNumber = std::string(value);
        }
        have_line = cursor.next(line);
    }
}

}  // namespace vexalith
