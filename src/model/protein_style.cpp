#include "model/protein_style.h"

namespace vexalith {

std::optional<int32_t> protein_style_mode(const Structure& structure, const ModelOptions& options)
{
    if (!options.ProteinStyle || !structure.ProteinFile)
        return std::nullopt;
    return options.Helices ? VanDerWaals : BallAndStick;
}

void apply_protein_style_mode(const Structure& structure, ModelOptions& options)
{
    const auto mode = protein_style_mode(structure, options);
    if (!mode)
        return;
    for (int32_t i = 1; i <= structure.AtomCount; ++i)
        if (atom_ok(structure, options, i)) {
            options.ModelMode = *mode;
            return;
        }
}

}  // namespace vexalith
