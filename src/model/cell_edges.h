// The rods drawn along the cells' edges: thick enough to print.
#pragma once

#include "model/model.h"

namespace vexalith {

inline constexpr long double kCellEdgeDiameter = 1.2L;          // millimetres at the model's print size
inline constexpr const char* kCellEdgeColour = "0.95 0.6 0.1";  // the rods' diffuse colour, R G B

// The rods' radius in angstrom: kCellEdgeDiameter / 2 at the scale that
// makes the largest coordinate ModelSize / 2 millimetres.
inline long double cell_edge_radius(const Model& model)
{
    return kCellEdgeDiameter / 2 * 2 * model.structure.ModelExtent / model.options.ModelSize;
}

}  // namespace vexalith
