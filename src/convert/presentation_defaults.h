// How a read presents a file of each kind: the protein check boxes and the
// model mode it starts in.  A fresh protein load switches on water
// suppression, protein style, helices and hidden bridges in van der Waals
// mode; a re-read of a protein keeps the user's protein style and helices;
// every other file starts in ball-and-stick without helices.
#pragma once

#include <cstdint>
#include <optional>

#include "convert/conversion_state.h"
#include "options/model_options.h"

namespace vexalith {

struct ProteinBoxes {
    bool suppress_water = true;
    bool protein_style = true;
    bool helices = true;
    bool hide_bridges = true;

    friend bool operator==(const ProteinBoxes&, const ProteinBoxes&) = default;
};

struct PresentationDefaults {
    ProteinBoxes boxes;
    std::optional<int32_t> model_mode;  // nothing: ModelMode stays as it is
    int32_t shown_mode = BallAndStick;  // the mode the buttons and menu show

    friend bool operator==(const PresentationDefaults&, const PresentationDefaults&) = default;
};

PresentationDefaults presentation_defaults(FileKind kind, bool reread_requested, const ProteinBoxes& current);

ProteinBoxes protein_boxes(const ModelOptions& options);

// Sets the boxes (each as a click would: Suppress Water, Protein Style,
// Helices, hide bridges, in that order) and then the model mode, for a file
// of the kind the defaults were made for.
void apply_presentation_defaults(const PresentationDefaults& defaults, FileKind kind, ModelOptions& options,
                                 ConversionState& state);

}  // namespace vexalith
