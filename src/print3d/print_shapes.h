// The true shapes of a print: a sphere for every shown atom that has a
// sphere in the STL export, and a capped cylinder for every bond, hydrogen
// bond, trace segment and bridge between shown atoms, at the radii and
// lengths the STL writer uses, in millimetres.  Each shape carries the
// colour the scene gives it: the element's colour for an atom, the bond,
// hydrogen-bond or helix style's colour for a cylinder.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

namespace vexalith {

using Point3 = std::array<double, 3>;

struct PrintSphere {
    Point3 centre{};
    double radius = 0;
    int32_t colour = 0;  // index into PrintShapes::colours
    int32_t atom = 0;    // the atom's slot
};

struct PrintCylinder {
    Point3 start{};  // centre of one flat cap
    Point3 end{};    // centre of the other
    double radius = 0;
    int32_t colour = 0;
};

struct PrintColour {
    std::string name;  // the element symbol, "bond", "hydrogen bond" or "helix"
    std::string rgb;   // "r g b" as the scene writes it, components 0..1
};

struct PrintShapes {
    std::vector<PrintSphere> spheres;
    std::vector<PrintCylinder> cylinders;
    std::vector<PrintColour> colours;  // those that some shape uses, in order of first use
    long double millimetres_per_angstrom = 1;
};

// The shapes of the model in millimetres, as the STL writer scales them.
PrintShapes print_shapes(const Model& model);

// The signed distance from `p` to a sphere or a capped cylinder: negative
// inside.
double signed_distance(const PrintSphere& sphere, const Point3& p);
double signed_distance(const PrintCylinder& cylinder, const Point3& p);

// The smallest box holding every shape: low corner, high corner.
std::array<Point3, 2> shapes_bounds(const PrintShapes& shapes);

// Which pieces the shapes fall into: shapes that overlap or touch belong to
// one piece.  The piece of each sphere, then of each cylinder, numbered from
// 0 in order of first appearance; the count is one more than the largest.
std::vector<int32_t> shape_pieces(const PrintShapes& shapes);

// The "r g b" text of a colour as three bytes, each component rounded.
std::array<uint8_t, 3> colour_bytes(const std::string& rgb);

}  // namespace vexalith
