#include "model/model.h"

namespace vexalith {

Model build_model(const Structure& structure, const ModelOptions& options)
{
    return Model{structure, options, shown_atoms(structure, options), scene_pair_rules(structure, options),
                 stl_pair_rules(structure, options)};
}

}  // namespace vexalith
