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
//
// That is the generic route, for any VRML file.  The program's own scenes
// take the fast route instead: read by own_scene_reader.h straight into
// instance arrays, drawn by impostor_shapes.h, with the header's meaning
// given in the same way.  A scene the reader does not know in every line
// goes the generic route.
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

// How a scene is drawn.
enum class SceneRoute {
    Generic,  // Coin's VRML import, spheres and cylinders merged into meshes
    Fast,     // the program's own scene, spheres and cylinders drawn by shaders
};

struct PreparedScene {
    SceneRoute route = SceneRoute::Generic;
    std::string route_note;         // on the generic route: why not the fast one
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
    std::size_t spheres = 0;  // drawn by shaders (fast route)
    std::size_t cylinders = 0;
    // Nodes taken out of the scene, kept so that they end on the GUI
    // thread (Coin may still have sensors of theirs queued there).
    std::vector<CoinRef<SoNode>> retired;
};

struct LoadOptions {
    bool fast_route = true;                                         // the program's own scenes the fast way
    std::string fast_route_off = "the fast route is switched off";  // the note when not
    bool merge_shapes = true;
    // The fast route casts only the parts of the bonds the atoms do not
    // hide (off: whole bonds, for comparison).
    bool cut_hidden_bond_ends = true;
    TriangleBudget budget;
};

// Adapts `root` (changing it) and builds what the viewer shows.  Runs on
// the loading thread: the scene is nobody else's yet.
PreparedScene prepare_scene(const CoinRef<SoSeparator>& root, const LoadOptions& options = {});

struct OwnScene;
// The fast route's scene: the header's meaning as prepare_scene gives it,
// and a node that draws the spheres and cylinders.  Holds the caller's
// lock on scene_building_mutex() when not on the GUI thread.
PreparedScene prepare_own_scene(OwnScene scene, const LoadOptions& options = {});

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
