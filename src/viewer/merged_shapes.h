// Large molecular scenes are tens of thousands of small spheres and
// cylinders, each a Shape in its own Transform.  Drawn one by one, every
// frame costs the traversal of all of them and millions of triangles in
// immediate mode.  Here the spheres and cylinders that nothing animates
// are taken out of the scene and drawn instead as a few large triangle
// meshes per material (vertex buffers), at two levels of detail chosen
// from triangle budgets: a finer one for a still view and a coarser one
// while the view moves.  The coarsest levels, for moving views of very
// large scenes only, draw cylinders as lines along their axes, or leave
// them out.
#pragma once

#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>

#include <cstddef>

#include "viewer/coin_ref.h"

namespace vexalith::viewer {

struct TriangleBudget {
    std::size_t still = 3'000'000;  // most triangles for a still view
    std::size_t moving = 800'000;   // most triangles while the view moves
};

struct MergedShapes {
    CoinRef<SoSeparator> meshes;  // null when nothing was merged
    // Child 0 the still detail, child 1 the moving detail; null when both
    // are the same.
    SoSwitch* detail = nullptr;
    std::size_t shapes = 0;           // shape instances merged
    std::size_t still_triangles = 0;  // (a line counts as one)
    std::size_t moving_triangles = 0;
};

// Merges the spheres and cylinders of `root` that can be merged without
// changing the picture, and removes them (and groups left empty) from
// `root`.  A shape is merged when it is a Sphere or Cylinder with a plain
// opaque Material and no texture, and every group above it is a plain
// grouping node (Group, Transform, Collision, Anchor, Separator) without
// routed fields and without lights of its own (Coin scopes a light to its
// group).  Anything else stays as it was.
MergedShapes merge_simple_shapes(SoSeparator* root, const TriangleBudget& budget = {});

// The triangles of one sphere and one cylinder (sides and both caps, where
// the level draws caps) at each detail level, coarsest first; a cylinder
// drawn as a line counts one.  Levels below first_still_level() are used
// only while the view moves.
std::size_t detail_levels();
std::size_t first_still_level();
std::size_t sphere_triangles(std::size_t level);
std::size_t cylinder_triangles(std::size_t level);

}  // namespace vexalith::viewer
