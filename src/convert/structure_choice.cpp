#include "convert/structure_choice.h"

#include <algorithm>

namespace vexalith {

StructureChoice structure_choice(const StructureModel& model)
{
    StructureChoice choice;
    if (model.ModelCount > 1) {
        choice.kind = StructureChoice::Kind::Models;
        choice.first = kAllModels;
        choice.last = model.ModelCount;
        choice.current = model.ModelIndex;
    } else if (model.StructureCount > 1) {
        choice.kind = StructureChoice::Kind::Structures;
        choice.last = model.StructureCount;
        choice.current = std::max(1, model.StructureIndex);
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

void choose(StructureModel& model, const StructureChoice& choice, int32_t value)
{
    if (choice.kind == StructureChoice::Kind::Models)
        model.ModelIndex = value;
    else
        model.StructureIndex = value;
}

}  // namespace vexalith
