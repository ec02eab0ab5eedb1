// The cell's edges in a scene: thin rods of their own colour along the
// edges the crystal stage found, when "Cell edges" is on.  A rod is
// kCellEdgeDiameter thick at the print size, so that it prints.
#pragma once

#include "common/text_output.h"
#include "model/cell_edges.h"
#include "model/model.h"

namespace vexalith {

// "# cell edges", the rods' appearance and a cylinder per edge; nothing
// when the option is off or the structure has no cell edges.
void write_cell_edges(TextOutput& out, const Model& model);

}  // namespace vexalith
