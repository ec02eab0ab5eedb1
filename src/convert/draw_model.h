// The driver of a conversion: the one place that runs the stages in order.
// The chosen file is read into a Structure (with the file kind's
// presentation defaults applied to the options and, for a protein shown with
// helices, its backbone trace), the fragment joined on request, protein
// style's mode put in force, and the VRML scene written.  The window side
// (the open and save dialogs, the viewer) stays with the caller; every other
// effect on the windows goes through the Reporter.
#pragma once

#include <string>
#include <string_view>

#include "common/reporter.h"
#include "common/text_output.h"
#include "convert/conversion_state.h"
#include "model/model.h"
#include "options/model_options.h"
#include "structure/structure.h"
#include "vrml/scene_header.h"

namespace vexalith {

enum class DrawOutcome {
    NoFile,        // no file chosen: nothing to convert
    VrmlInput,     // a .wrl or .wrz file: shown as it is (copied to the scene file)
    NoAtoms,       // the structure has no atoms: the caller shows the empty scene
    SceneWritten,  // the scene file holds the new scene
};

// Where and how the scene is written.
struct SceneTarget {
    std::string scene_path;      // the scene file written (or the VRML input copied to)
    bool PrinterExport = false;  // printer file: no header, no routes
    BackgroundColour background = kStartupBackground;
};

// Whether the file is shown as a VRML scene instead of being converted:
// its extension is ".wrl" or ".wrz", in any case.
bool is_vrml_file(const std::string& file_name);

// The read of the chosen structure from the file's text: the file kind's
// presentation defaults set on the options (before the read, as the boxes'
// rules run), the read itself, the part boxes made again for the parts
// found, and for a protein shown with helices the backbone trace.
void read_chosen_structure(std::string_view text, ConversionState& state, Structure& structure, ModelOptions& options,
                           Reporter& reporter);

// The crystal stage: a small-molecule structure grown into the options'
// crystal mode (the cell, whole molecules or a block of cells), with a
// warning when the file gives no symmetry (P 1) or is not a small-molecule
// file (drawn as it is).
void grow_chosen_crystal(Structure& structure, const ModelOptions& options, Reporter& reporter);

// Everything before the scene is written: structure count, read (unless only
// redrawing), no-atom check, command enabling, compression on request,
// unknown symbols drawn as carbon, the elements present.  Clears
// RereadRequested and CompressRequested when it reaches them.
DrawOutcome prepare_model(ConversionState& state, Structure& structure, ModelOptions& options, Reporter& reporter);

// The whole scene file: "#VRML V2.0 utf8", the header (not for printers),
// the element styles, atoms, bond styles, bonds, and the routes (not for
// printers).
void write_scene(TextOutput& out, const Model& model, const SceneTarget& target, Reporter& reporter);

// prepare_model, protein style's mode put in force, the model built, then
// the scene written to target.scene_path in full or not at all (a VRML input is copied there
// instead), then the status effects of the end of a conversion.
DrawOutcome DrawModel(ConversionState& state, Structure& structure, ModelOptions& options, const SceneTarget& target,
                      Reporter& reporter);

}  // namespace vexalith
