#include "convert/model_commands.h"

namespace vexalith {

void select_model_mode(ConversionState& state, ModelOptions& options, bool protein_file, int32_t mode)
{
    options.ModelMode = mode;
    if (options.ProteinStyle) {
        SetProteinStyleBox(options, state, protein_file, false);
        options.ModelMode = mode;
    }
    state.RedrawOnly = true;
}

void request_expand(ConversionState& state)
{
    state.CompressRequested = true;
    state.RedrawOnly = true;
}

void SetProteinStyleBox(ModelOptions& options, ConversionState& state, bool protein_file, bool checked)
{
    if (options.ProteinStyle == checked)
        return;
    options.ProteinStyle = checked;
    if (protein_file) {
        state.RedrawOnly = false;
        if (!options.Helices)
            options.ModelMode = CovalentRadius;
    }
}

void SetHelicesBox(ModelOptions& options, ConversionState& state, bool checked)
{
    if (options.Helices == checked)
        return;
    options.Helices = checked;
    state.RereadRequested = true;
}

}  // namespace vexalith
