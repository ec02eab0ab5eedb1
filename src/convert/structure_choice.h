// What the structure selector of a loaded file chooses among: the
// structures of a multi-structure file, or the models of an ensemble.
#pragma once

#include <cstdint>
#include <string>

#include "convert/conversion_state.h"
#include "structure/structure.h"

namespace vexalith {

struct StructureChoice {
    enum class Kind { None, Structures, Models };
    Kind kind = Kind::None;
    int32_t first = 1;    // lowest selector value (kAllModels for models: "all")
    int32_t last = 1;     // highest selector value
    int32_t current = 1;  // the value of what is loaded now
};

// The models of an ensemble when the file holds more than one, else its
// structures when it holds more than one, else nothing to choose.
StructureChoice structure_choice(const ConversionState& state, const Structure& structure);

// The status text of a selector value: " Structure 3 of 20",
// " Model 3 of 26", " All 26 models".
std::string choice_status(const StructureChoice& choice, int32_t value);

// Puts a selector value into the state for the next read.
void choose(ConversionState& state, const StructureChoice& choice, int32_t value);

}  // namespace vexalith
