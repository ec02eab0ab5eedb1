// Spheres and cylinders drawn from their parameters: each atom and bond is
// one instance in a vertex buffer, one instanced draw per kind.  The
// vertex shader spans a quad over the instance's outline; the fragment
// shader casts the view ray at the exact sphere or capped cylinder,
// discards misses, and lights the hit point as OpenGL's fixed-function
// lighting would (the lights Coin has switched on: the headlight and the
// scene's eye-space point light), writing its depth.  So the shapes mix
// with anything Coin draws, and a frame costs pixels, not triangles.
//
// The node is a Coin callback node: it draws under SoGLRenderAction and
// gives its box to SoGetBoundingBoxAction (fit, clipping planes).  Its GL
// objects are made per OpenGL context (Coin's cache context id) on first
// use and released with the context or the node.
#pragma once

#include <Inventor/nodes/SoNode.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "viewer/coin_ref.h"
#include "viewer/own_scene_reader.h"

namespace vexalith::viewer {

// A node drawing the scene's spheres and cylinders; it keeps `scene`.
CoinRef<SoNode> make_impostor_node(std::shared_ptr<const OwnScene> scene);

// How many frames the process has drawn impostors in, by form: with
// points (one vertex an instance, for a kind whose every instance covers
// few pixels), or with quads only (four vertices an instance).  For
// measurements and tests.
// By way: with every instance cast, with culling (the instances lit in
// the last frame cast first, the others tested against them and only
// those that may show cast), or splatted by compute shaders (while every
// instance covers few pixels, where the context has OpenGL 4.3).
struct ImpostorFrames {
    std::size_t points = 0;
    std::size_t quads = 0;
    std::size_t cast_all = 0;
    std::size_t culled = 0;
    std::size_t splatted = 0;
};
ImpostorFrames impostor_frames();

// When frames cull, where the context can: never (every instance cast),
// when it pays (the default: judged from the last frame's lists), always.
// For measurements and tests.
enum class ImpostorCulling { Off, WhenItPays, Always };
void set_impostor_culling(ImpostorCulling mode);

// Whether frames splat where they can (the default), or always rasterise.
// For measurements and tests.
void set_impostor_splatting(bool on);

// Whether the OpenGL context current now (Coin cache context `context`)
// can draw impostors: a compatibility profile of OpenGL 3.3 or later whose
// driver compiles and links the shaders.  The reason when it cannot.
// Needs the context current; the programs it makes are kept for drawing.
bool impostors_supported(uint32_t context, std::string* reason = nullptr);

}  // namespace vexalith::viewer
