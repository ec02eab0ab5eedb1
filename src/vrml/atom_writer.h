// The atom section of a scene: one sphere per shown atom, in the element's
// appearance, with the radius of the model mode.
#pragma once

#include <optional>

#include "common/reporter.h"
#include "common/text_output.h"
#include "options/model_options.h"
#include "structure/structure_model.h"

namespace vexalith {

// The model mode that protein style imposes on a protein file: van der Waals
// with helices, ball-and-stick without; nothing when protein style is off or
// the file is not a protein.
std::optional<int32_t> protein_style_mode(const StructureModel& model, const ModelOptions& options);

// The sphere radius of atom i in model units.  `cov` and `vdw` are the
// element's radii already in model units.
long double atom_radius(const StructureModel& model, const ModelOptions& options, int32_t i, long double cov,
                        long double vdw, long double bead);

// "# Atoms" and the spheres.  Protein style sets ModelMode (it stays set for
// the bond writer and later conversions).  Progress: position i per atom.
void write_atoms(TextOutput& out, StructureModel& model, const ModelOptions& options, Reporter& reporter);

}  // namespace vexalith
