// The atom section of a scene: one sphere per shown atom, in the element's
// appearance, with the radius of the model mode.
#pragma once

#include "common/reporter.h"
#include "common/text_output.h"
#include "model/model.h"
#include "options/model_options.h"
#include "structure/structure.h"

namespace vexalith {

// The sphere radius of atom i in model units.  `cov` and `vdw` are the
// element's radii already in model units.
long double atom_radius(const Structure& structure, const ModelOptions& options, int32_t i, long double cov,
                        long double vdw, long double bead);

// "# Atoms" and the spheres, in the mode the options hold (protein style's
// mode is put in force before: apply_protein_style_mode).  Progress:
// position i per atom.
void write_atoms(TextOutput& out, const Model& structure, Reporter& reporter);

}  // namespace vexalith
