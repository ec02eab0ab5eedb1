// A reader of exactly the scenes this program writes (src/vrml, and
// write_scene in src/convert/draw_model.cpp): the header with its
// NavigationInfo, Background, ProximitySensor, PointLight and Viewpoint,
// the DEF appearances of the elements and bond styles, one Transform with
// a Sphere per atom, one Transform with rotation, scale and a Cylinder per
// bond, and the two ROUTEs.  The printer variant (no header, no routes) is
// read too, in millimetres or metres.
//
// It reads line by line into plain arrays, one pass, no scene graph.  The
// first line that is not of those shapes ends the read with a reason: the
// file then goes the generic way through Coin's parser, which knows all of
// VRML.
#pragma once

#include <Inventor/SbBox3f.h>
#include <Inventor/SbColor.h>
#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexalith::viewer {

// A VRML Material's values.
struct OwnMaterial {
    SbColor diffuse{0.8f, 0.8f, 0.8f};
    float ambient_intensity = 0.2f;
    SbColor specular{0, 0, 0};
    float shininess = 0.2f;
};

// One atom, in scene units.
struct SphereInstance {
    float centre[3];
    float radius;
    uint32_t material;  // index into OwnScene::materials
};

// One bond: a capped cylinder between two end points.
struct CylinderInstance {
    float end_a[3];
    float end_b[3];
    float radius;
    uint32_t material;
};

// The scene's PointLight (inside the Transform the ProximitySensor keeps
// at the viewer: an eye-space light).
struct OwnPointLight {
    float intensity = 1;
    float ambient_intensity = 0;
    SbColor colour{1, 1, 1};
    SbVec3f location{0, 0, 0};
    float radius = 100;
};

struct OwnScene {
    bool headlight = true;       // NavigationInfo's (TRUE without a header)
    std::optional<SbColor> sky;  // Background's colour
    std::optional<OwnPointLight> light;
    std::optional<SbVec3f> viewpoint;  // the Viewpoint's position (orientation is the default)
    float field_of_view = 0.785398f;
    std::vector<OwnMaterial> materials;
    std::vector<SphereInstance> spheres;
    std::vector<CylinderInstance> cylinders;
    SbBox3f bounds;  // of every sphere and cylinder
};

// At most this many appearances: the shaders hold the materials in a
// uniform array.  A scene with more goes the generic way.
constexpr std::size_t kMaxOwnMaterials = 64;

struct OwnSceneRead {
    std::optional<OwnScene> scene;  // empty when the text is not such a scene
    std::string reason;             // then why, with the line number
};

OwnSceneRead read_own_scene(std::string_view text);

}  // namespace vexalith::viewer
