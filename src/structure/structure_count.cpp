#include "structure/structure_count.h"

#include "structure/cif_header.h"
#include "structure/cif_line_cursor.h"

namespace vexalith {

int32_t count_structures(std::string_view text)
{
    // The tag is searched for in the whole text; only the lines that hold it
    // are looked at.  Lines end at LF or CR, as the line cursor has them.
    constexpr std::string_view kTag = "_chemical_formula_sum";
    const std::size_t first_line = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    int32_t count = 0;
    for (std::size_t at = text.find(kTag, first_line); at != std::string_view::npos;) {
        const std::size_t before = text.find_last_of("\r\n", at);
        const std::size_t start = before == std::string_view::npos || before < first_line ? first_line : before + 1;
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos)
            end = text.size();
        if (is_formula_sum_line(text.substr(start, end - start)))
            ++count;
        at = text.find(kTag, end);
    }
    return count;
}

long long block_start_lines(std::string_view text, int32_t n)
{
    if (n <= 0)
        return 0;
    LineCursor cursor(text);
    std::string_view line;
    int32_t seen = 0;
    while (cursor.next(line))
        if (is_formula_sum_line(line) && ++seen == n)
            break;
    return cursor.line_number();
}

}  // namespace vexalith
