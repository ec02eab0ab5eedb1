#include "print3d/export_check.h"

#include <string>

#include "common/error.h"
#include "structure/cif_reader.h"

namespace vexalith {

void require_shown_atoms(const Structure& model, const ModelOptions& options)
{
    if (model.AtomCount <= 0)
        throw ConversionError(model.FileName, 0, std::string(kNoAtomsFound));
    for (int32_t i = 1; i <= model.AtomCount; ++i)
        if (atom_ok(model, options, i))
            return;
    throw ConversionError(model.FileName, 0,
                          "nothing to export: the model options hide every atom (hydrogen, water or "
                          "disorder parts)");
}

}  // namespace vexalith
