#include "structure/structure_count.h"

#include "structure/cif_header.h"
#include "structure/cif_line_cursor.h"

namespace vexalith {

int32_t count_structures(std::string_view text)
{
    LineCursor cursor(text);
    std::string_view line;
    int32_t count = 0;
    while (cursor.next(line))
        if (is_formula_sum_line(line))
            ++count;
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
