// The bond section of a scene: a cylinder for every pair of shown atoms that
// the pair rules join, turned and stretched onto the pair.
#pragma once

#include <string>

#include "common/reporter.h"
#include "common/text_output.h"
#include "model/model.h"
#include "model/pair_classification.h"
#include "options/model_options.h"
#include "structure/structure.h"
#include "vrml/scene_numbers.h"

namespace vexalith {

// The rotation text of a cylinder along `v` (length d): axis Y x v,
// normalised, and the angle from the y axis, each rounded to three
// decimals: "0 0 -1 1.571".
std::string cylinder_rotation(const Vec3& v, long double d);

// All cylinders.  Progress: AtomCount + i per shown atom i.
void write_bonds(TextOutput& out, const Model& model, Reporter& reporter);

}  // namespace vexalith
