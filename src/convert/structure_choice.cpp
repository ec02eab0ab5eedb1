#include "convert/structure_choice.h"

#include <algorithm>

namespace vexalith {

StructureChoice structure_choice(const ConversionState& state, const Structure& structure)
{
    StructureChoice choice;
    if (structure.ModelCount > 1) {
        choice.kind = StructureChoice::Kind::Models;
        choice.first = kAllModels;
        choice.last = structure.ModelCount;
        choice.current = state.ModelIndex;
    } else if (state.StructureCount > 1) {
        choice.kind = StructureChoice::Kind::Structures;
        choice.last = state.StructureCount;
        choice.current = std::max(1, state.StructureIndex);
    }
    return choice;
}

std::string choice_status(const StructureChoice& choice, int32_t value)
{
    switch (choice.kind) {
    case StructureChoice::Kind::None:
        return "";
    case StructureChoice::Kind::Structures:
        return " Structure " + std::to_string(value) + " of " + std::to_string(choice.last);
    case StructureChoice::Kind::Models:
        if (value == kAllModels)
            return " All " + std::to_string(choice.last) + " models";
        return " Model " + std::to_string(value) + " of " + std::to_string(choice.last);
    }
    return "";
}

void choose(ConversionState& state, const StructureChoice& choice, int32_t value)
{
    if (choice.kind == StructureChoice::Kind::Models)
        state.ModelIndex = value;
    else
        state.StructureIndex = value;
}

}  // namespace vexalith
