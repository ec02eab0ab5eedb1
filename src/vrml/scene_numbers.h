// Numbers in scene files: the scale from angstrom to model units and the two
// number formats.  Every number written to a scene file goes through these;
// none depends on the process locale.
#pragma once

#include <cstdint>
#include <string>

#include "options/model_options.h"
#include "structure/structure_model.h"

namespace vexalith {

// What the scale depends on: the print size, the length unit and the
// structure's largest coordinate.
struct ModelScale {
    int32_t ModelSize = 100;      // millimetres
    int32_t VrmlUnit = 1;         // 1 millimetre, 1000 metre
    long double ModelExtent = 1;  // angstrom, at least 1
};

ModelScale model_scale(const ModelOptions& options, const StructureModel& model);

// Angstrom to model units: the largest coordinate becomes ModelSize / 2
// millimetres, rounded (half to even) to 0.01 mm, expressed in the unit.
// Throws RangeError when the value does not fit the rounding.
long double ToModelUnits(long double x, const ModelScale& scale);

// The general number format: at most 15 significant digits, no trailing
// zeros; fixed notation from 0.0001 up to below 1e15, otherwise d.dddE-n.
std::string general_number(long double value);

// The radius format: 5 decimals, right-aligned in 7 characters.
std::string radius_number(long double value);

}  // namespace vexalith
