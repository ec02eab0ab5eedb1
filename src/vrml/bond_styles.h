// The named appearances of bonds, hydrogen bonds and, for a protein drawn
// with helices, the backbone trace.
#pragma once

#include "common/text_output.h"
#include "options/model_options.h"
#include "structure/structure.h"

namespace vexalith {

void write_bond_styles(TextOutput& out, const Structure& structure, const ModelOptions& options);

}  // namespace vexalith
