#include "convert/presentation_defaults.h"

#include "convert/model_commands.h"

namespace vexalith {

PresentationDefaults presentation_defaults(FileKind kind, bool reread_requested, const ProteinBoxes& current)
{
    PresentationDefaults result;
    result.boxes = current;
    result.boxes.hide_bridges = true;
    const bool protein = kind == FileKind::Macromolecular;
    if (protein && !reread_requested) {
        result.boxes = ProteinBoxes{true, true, true, true};
        result.model_mode = VanDerWaals;
        result.shown_mode = VanDerWaals;
    } else if (protein && current.protein_style && !current.helices) {
        result.shown_mode = CovalentRadius;
    } else if (protein && current.helices) {
        result.model_mode = VanDerWaals;
        result.shown_mode = VanDerWaals;
    } else {
        result.boxes.helices = false;
        result.model_mode = BallAndStick;
        result.shown_mode = BallAndStick;
    }
    return result;
}

ProteinBoxes protein_boxes(const ModelOptions& options)
{
    return ProteinBoxes{options.SuppressWater, options.ProteinStyle, options.Helices, options.HideBridges};
}

void apply_presentation_defaults(const PresentationDefaults& defaults, FileKind kind, ModelOptions& options,
                                 ConversionState& state)
{
    SetSuppressWaterBox(options, defaults.boxes.suppress_water);
    SetProteinStyleBox(options, state, kind == FileKind::Macromolecular, defaults.boxes.protein_style);
    SetHelicesBox(options, state, defaults.boxes.helices);
    SetHideBridgesBox(options, defaults.boxes.hide_bridges);
    if (defaults.model_mode)
        options.ModelMode = *defaults.model_mode;
}

}  // namespace vexalith
