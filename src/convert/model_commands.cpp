#include "convert/model_commands.h"

namespace vexalith {

void select_model_mode(StructureModel& model, ModelOptions& options, int32_t mode)
{
    model.ModelMode = mode;
    if (options.ProteinStyle) {
        SetProteinStyleBox(options, model, false);
        model.ModelMode = mode;
    }
    model.RedrawOnly = true;
}

void request_expand(StructureModel& model)
{
    model.CompressRequested = true;
    model.RedrawOnly = true;
}

}  // namespace vexalith
