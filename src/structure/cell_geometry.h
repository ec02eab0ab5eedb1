// The unit cell: its matrices and the conversion of fractional coordinates.
// Cartesian frame: c along z, a in the x-z plane with positive x, y completing
// a right-handed frame.
#pragma once

#include <optional>
#include <string>

#include "structure/structure.h"

namespace vexalith {

// Recomputes FracMatrix and OrthoMatrix from the six cell values.  The cell
// must be valid (see cell_problem).
void SetupCellMatrices(Structure& structure);

// OrthoMatrix times f: fractional coordinates to Cartesian angstrom.
Vec3 FracToCart(const Structure& structure, const Vec3& f);

// Why the six cell values give no valid matrix, or nothing when they do:
// a length that is not a positive finite number, an angle that is not finite,
// sin(beta) = 0, or a volume term under the square root that is not positive.
std::optional<std::string> cell_problem(const Structure& structure);

}  // namespace vexalith
