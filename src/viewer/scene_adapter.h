// What the viewer does with a parsed VRML scene before showing it, so that
// the scene's header means what VRML says it means (Coin alone does not):
//
// - NavigationInfo `headlight`: reported, the viewer switches its own
//   headlight (Coin has none);
// - Background: its first sky colour becomes the clear colour.  A
//   one-colour sky is then taken out of the scene (drawn by Coin it
//   invalidates every render cache on each camera move); a gradient or an
//   image background stays for Coin to draw;
// - the first Viewpoint: reported with its place in the world, for the
//   camera;
// - a Transform that a ProximitySensor keeps at the viewer (position and
//   orientation routed to it): its lights are in the viewer's frame, so
//   they are moved out to be placed before the camera, where they light
//   the whole scene from the viewer's position (Coin would scope them to
//   their group and light nothing).  The sensor is switched off when it
//   feeds nothing else;
// - simple spheres and cylinders are merged into meshes (merged_shapes.h).
#pragma once

#include <Inventor/SbBox3f.h>
#include <Inventor/SbColor.h>
#include <Inventor/SbRotation.h>
#include <Inventor/SbVec3f.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "viewer/coin_ref.h"
#include "viewer/merged_shapes.h"

namespace vexalith::viewer {

struct ViewpointSetup {
    SbVec3f position;
    SbRotation orientation;
    float field_of_view = 0.785398f;
};

struct PreparedScene {
    CoinRef<SoSeparator> content;   // goes after the camera
    CoinRef<SoGroup> eye_lights;    // goes before the camera
    bool headlight = true;          // NavigationInfo's headlight (TRUE without one)
    std::optional<SbColor> sky;     // the bound Background's first sky colour
    bool background_drawn = false;  // the Background stays in the scene
    std::optional<ViewpointSetup> viewpoint;
    SbBox3f bounds;              // of `content`; empty without geometry
    SoSwitch* detail = nullptr;  // still (0) / moving (1) meshes, in `content`
    std::size_t merged_shapes = 0;
    std::size_t still_triangles = 0;
    std::size_t moving_triangles = 0;
    // Nodes taken out of the scene, kept so that they end on the GUI
    // thread (Coin may still have sensors of theirs queued there).
    std::vector<CoinRef<SoNode>> retired;
};

struct LoadOptions {
    bool merge_shapes = true;
    TriangleBudget budget;
};

// Adapts `root` (changing it) and builds what the viewer shows.  Runs on
// the loading thread: the scene is nobody else's yet.
PreparedScene prepare_scene(const CoinRef<SoSeparator>& root, const LoadOptions& options = {});

// A file read, parsed and prepared: the work of the loading thread.
struct LoadedScene {
    PreparedScene scene;
    std::string error;  // empty on success
    double read_seconds = 0;
    double parse_seconds = 0;
    double prepare_seconds = 0;
};

LoadedScene load_scene(const std::string& path, const LoadOptions& options = {});

}  // namespace vexalith::viewer
