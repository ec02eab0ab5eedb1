#include "structure/present_elements.h"

#include <algorithm>

#include "structure/element_table.h"

namespace vexalith {

int replace_unknown_symbols(Structure& structure)
{
    int changed = 0;
    for (int32_t i = 1; i <= structure.AtomCount; ++i) {
        std::string& symbol = structure.AtomSymbol[static_cast<std::size_t>(i)];
        if (!is_known_symbol(symbol)) {
            symbol.assign(1, 'C');
            ++changed;
        }
    }
    return changed;
}

void list_present_elements(Structure& structure)
{
    structure.PresentElements.clear();
    for (int32_t i = 1; i <= structure.AtomCount; ++i) {
        const std::string& symbol = structure.AtomSymbol[static_cast<std::size_t>(i)];
        if (!is_known_symbol(symbol))
            continue;
        if (std::find(structure.PresentElements.begin(), structure.PresentElements.end(), symbol) ==
            structure.PresentElements.end())
            structure.PresentElements.push_back(symbol);
    }
}

}  // namespace vexalith
