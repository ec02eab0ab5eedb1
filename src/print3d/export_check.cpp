#include "print3d/export_check.h"

#include <string>

#include "common/error.h"
#include "structure/cif_reader.h"

namespace vexalith {

void require_shown_atoms(const Model& model)
{
    if (model.structure.AtomCount <= 0)
        throw ConversionError(model.structure.FileName, 0, std::string(kNoAtomsFound));
    if (!model.shown.empty())
        return;
    throw ConversionError(model.structure.FileName, 0,
                          "nothing to export: the model options hide every atom (hydrogen, water or "
                          "disorder parts)");
}

}  // namespace vexalith
