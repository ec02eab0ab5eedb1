// Inner settings and figures of the viewer that the program leaves alone:
// for measurements and tests.
#pragma once

#include <cstddef>

#include "viewer/scene_adapter.h"
#include "viewer/vrml_viewer.h"

namespace vexalith::viewer {

struct LoadReport {
    double read_seconds = 0;
    double parse_seconds = 0;
    double prepare_seconds = 0;
    double install_seconds = 0;  // on the GUI thread, when the scene is handed over
    std::size_t merged_shapes = 0;
    std::size_t still_triangles = 0;  // of the merged meshes
    std::size_t moving_triangles = 0;
    bool fast_route = false;
    std::size_t spheres = 0;  // drawn by shaders on the fast route
    std::size_t cylinders = 0;
};

class ViewerTuning {
public:
    // How the following loads prepare their scenes.
    static void set_load_options(VrmlViewer& viewer, const LoadOptions& options);
    // Figures of the last successful load.
    static LoadReport last_load(const VrmlViewer& viewer);
    // Whether the view is drawn as while moving (coarser detail).
    static bool moving(const VrmlViewer& viewer);
    // Acts as if the OpenGL context could not run the fast route's
    // shaders: the scene shown, and the following ones, take the generic
    // route.
    static void refuse_impostors(VrmlViewer& viewer);
};

}  // namespace vexalith::viewer
