// One watertight solid made of a print's spheres and cylinders: the
// boundary of their union, found on a voxel grid of signed distances
// (OpenVDB) and meshed there, a closed, consistently oriented shell for
// each piece.  The colour variant cuts the solid into one closed body per
// colour: each point belongs to the colour of the nearest sphere or
// cylinder surface, so the bodies do not overlap and together make the
// solid.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "print3d/print_shapes.h"

namespace vexalith {

// The default largest distance of the solid's surface from the true union,
// in millimetres.
inline constexpr double kDefaultSolidTolerance = 0.05;

struct SolidMesh {
    std::vector<std::array<float, 3>> vertices;      // millimetres
    std::vector<std::array<uint32_t, 3>> triangles;  // counter-clockwise seen from outside
};

struct SolidSettings {
    double tolerance = kDefaultSolidTolerance;  // mm
};

// The voxel edge used for a tolerance, in millimetres.
double solid_voxel_size(double tolerance);

// The union of all shapes as one mesh.  Throws ConversionError when there is
// no shape.
SolidMesh solid_mesh(const PrintShapes& shapes, const SolidSettings& settings);

// One mesh per colour of `shapes.colours` (empty where no shape has that
// colour), together the solid.
std::vector<SolidMesh> colour_solid_meshes(const PrintShapes& shapes, const SolidSettings& settings);

// The volume enclosed by a closed mesh, in cubic millimetres (negative when
// it is turned inside out).
double mesh_volume(const SolidMesh& mesh);

// How many separate shells the mesh holds (triangles that share a vertex
// belong to one shell).
int32_t mesh_shells(const SolidMesh& mesh);

}  // namespace vexalith
