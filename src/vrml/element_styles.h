// The style section of a scene: one named appearance per element present,
// which the atom spheres then use by name.
#pragma once

#include "common/text_output.h"
#include "structure/structure.h"

namespace vexalith {

// "# ball group", "# styles", then three lines per symbol of PresentElements.
void write_element_styles(TextOutput& out, const Structure& structure);

}  // namespace vexalith
