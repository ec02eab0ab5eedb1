#include "structure/present_elements.h"

#include <algorithm>

#include "structure/element_table.h"

namespace vexalith {

int replace_unknown_symbols(Structure& model)
{
    int changed = 0;
    for (int32_t i = 1; i <= model.AtomCount; ++i) {
        std::string& symbol = model.AtomSymbol[static_cast<std::size_t>(i)];
        if (!is_known_symbol(symbol)) {
            symbol.assign(1, 'C');
            ++changed;
        }
    }
    return changed;
}

void list_present_elements(Structure& model)
{
    model.PresentElements.clear();
    for (int32_t i = 1; i <= model.AtomCount; ++i) {
        const std::string& symbol = model.AtomSymbol[static_cast<std::size_t>(i)];
        if (!is_known_symbol(symbol))
            continue;
        if (std::find(model.PresentElements.begin(), model.PresentElements.end(), symbol) ==
            model.PresentElements.end())
            model.PresentElements.push_back(symbol);
    }
}

}  // namespace vexalith
