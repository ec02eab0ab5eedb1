// What every export demands of the model before it writes a byte: at least
// one atom that the model options show.  An empty STL solid or printer file
// would print nothing and look like success.
#pragma once

#include "model/model.h"

namespace vexalith {

// Throws ConversionError naming the model's file when no atom is shown:
// "no atoms found, sorry" for a model without atoms, otherwise that the
// options hide every atom.
void require_shown_atoms(const Model& model);

}  // namespace vexalith
