#include "model/model.h"

namespace vexalith {

Model build_model(const Structure& structure, const ModelOptions& options)
{
    Model model{structure, options, {}, scene_pair_rules(structure, options), stl_pair_rules(structure, options)};
    for (int32_t i = 1; i <= structure.AtomCount; ++i)
        if (atom_ok(structure, options, i))
            model.shown.push_back(i);
    return model;
}

}  // namespace vexalith
