// The conversion of the current input file into the scene that the viewer
// shows or a printer file: choose what to do with the file, read it, join
// the fragment on request, and write the VRML scene.  The window side (the
// open and save dialogs, the viewer) stays with the caller; every other
// effect on the windows goes through the Reporter.
#pragma once

#include <string>

#include "common/reporter.h"
#include "common/text_output.h"
#include "options/model_options.h"
#include "structure/structure_model.h"
#include "vrml/scene_header.h"

namespace vexalith {

enum class DrawOutcome {
    NoFile,        // FileName is empty: nothing to convert
    VrmlInput,     // a .wrl or .wrz file: shown as it is (copied to the scene file)
    NoAtoms,       // the structure has no atoms: the caller shows the empty scene
    SceneWritten,  // the scene file holds the new scene
};

// Where and how the scene is written.
struct SceneTarget {
    std::string scene_path;         // the scene file written (or the VRML input copied to)
    bool PrinterExport = false;     // printer file: no header, no routes
    BackgroundColour background = StartupBackground;
};

// Whether the file is shown as a VRML scene instead of being converted:
// its extension is ".wrl" or ".wrz", in any case.
bool is_vrml_file(const std::string& file_name);

// Everything before the scene is written: structure count, read (unless only
// redrawing), no-atom check, command enabling, compression on request,
// unknown symbols drawn as carbon, the elements present.  Clears
// RereadRequested and CompressRequested when it reaches them.
DrawOutcome prepare_model(StructureModel& model, ModelOptions& options, Reporter& reporter);

// The whole scene file: "#VRML V2.0 utf8", the header (not for printers),
// the element styles, atoms, bond styles, bonds, and the routes (not for
// printers).  Protein style may set ModelMode.
void write_scene(TextOutput& out, StructureModel& model, const ModelOptions& options, const SceneTarget& target,
                 Reporter& reporter);

// prepare_model, then the scene written to target.scene_path in full or not
// at all (a VRML input is copied there instead), then the status effects of
// the end of a conversion.
DrawOutcome DrawModel(StructureModel& model, ModelOptions& options, const SceneTarget& target, Reporter& reporter);

}  // namespace vexalith
