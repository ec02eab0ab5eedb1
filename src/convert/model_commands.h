// What the model commands of the program do to the model state before the
// scene is drawn again: the three model modes and Expand.
#pragma once

#include "options/model_options.h"
#include "structure/structure_model.h"

namespace vexalith {

// Ball-and-stick, covalent radius or van der Waals.  The command always
// leaves protein style; the next conversion only redraws.
void select_model_mode(StructureModel& model, ModelOptions& options, int32_t mode);

// Expand: the next conversion joins the fragment (CompressAtoms) on the
// table as it stands, without reading the file.
void request_expand(StructureModel& model);

}  // namespace vexalith
