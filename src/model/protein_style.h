// Protein style: a protein file is drawn with its amino-acid atoms as small
// beads, in a model mode of its own that stays in force for later drawings.
#pragma once

#include <cstdint>
#include <optional>

#include "options/model_options.h"
#include "structure/structure.h"

namespace vexalith {

// The model mode that protein style imposes on a protein file: van der Waals
// with helices, ball-and-stick without; nothing when protein style is off or
// the file is not a protein.
std::optional<int32_t> protein_style_mode(const Structure& structure, const ModelOptions& options);

// The step before the writers run: protein style's mode becomes ModelMode
// when the model shows at least one atom, and stays so for later drawings.
void apply_protein_style_mode(const Structure& structure, ModelOptions& options);

}  // namespace vexalith
