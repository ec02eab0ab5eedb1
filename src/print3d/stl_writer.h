// The monochrome STL export: one ASCII solid holding a closed sphere for
// every shown atom and a cylinder for every bond, hydrogen bond and helix
// bridge between shown atoms.  Numbers are millimetres; the model is scaled
// so that the atom centres fill a cube of edge ModelSize about the origin.
//
// Every sphere and cylinder is a copy of a template mesh (stl_templates.h),
// scaled, turned and moved.  Lines end in CR LF and numbers carry a full
// stop whatever the locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/reporter.h"
#include "common/text_output.h"
#include "model/model.h"
#include "model/pair_classification.h"
#include "options/model_options.h"
#include "print3d/stl_templates.h"
#include "structure/structure.h"

namespace vexalith {

// Writes the STL file `file_name` through a temporary file that replaces
// it only when everything is written: an existing file of that name
// survives any failure.  Throws
// InputOutputError when the file cannot be written, and, before anything is
// written, ConversionError when no atom is shown and OutputTooLarge when the
// file would pass the options' MaxOutputSize.
void write_stl(const std::string& file_name, const Model& model, const StlTemplates& templates, Reporter& reporter);

// The same text written to `sink`; `file_name` only gives the solid its
// name (the file name without folder and extension).
void write_stl(ByteSink& sink, std::string_view file_name, const Model& model, const StlTemplates& templates,
               Reporter& reporter);

// A lower bound of the size of the file in bytes (every number at its
// narrowest), found by counting the spheres and cylinders.
uint64_t stl_size_at_least(std::string_view file_name, const Model& model, const StlTemplates& templates);

// The scale of the model: atom centres in angstrom to millimetres.
struct StlScale {
    long double ModelSize = 100;
    long double ModelExtent = 1;
};

// The sphere radius of an element in a model mode: half the covalent radius
// (ball-and-stick), the covalent radius, or the van der Waals radius; 1.0
// for a symbol of no element row or another mode.
long double sphere_radius(std::string_view symbol, int32_t model_mode);

// The sphere template of an element: "ball1.txt" for N, "ball2.txt" for
// O and B, "ball.txt" for all others.
const StlTemplate* sphere_template(const StlTemplates& templates, std::string_view symbol);

// One sphere facet: every vertex v becomes r v + centre, scaled to the model.
void write_sphere_facet(TextOutput& out, const TemplateFacet& facet, long double radius, const Vec3& centre,
                        const StlScale& scale);

// The rotation by `angle` (radians) about the unit axis `axis`, right-handed.
Mat3 rotation_about_axis(const Vec3& axis, long double angle);

// The rotation that turns the cylinder's axis (z) onto the bond direction.
// A bond along -z is turned by half a turn about x, so that the mesh keeps
// its outward side out.
Mat3 cylinder_rotation(const Vec3& direction);

// Radius (x and y) and half-length (z) of a cylinder, in angstrom.
struct CylinderSize {
    long double radius = 0;
    long double half_length = 0;
};
CylinderSize cylinder_size(const PairKind& kind, int32_t model_mode, int32_t bond_diameter, bool protein_file);

// One cylinder facet: every vertex v becomes k (R (S v) + middle), k the
// model scale; the normal follows from the order of the vertices.
void write_cylinder_facet(TextOutput& out, const TemplateFacet& facet, const Mat3& rotation, const Vec3& size,
                          const Vec3& middle, const StlScale& scale);

// The cylinders of all connected pairs of shown atoms.
void write_bond_cylinders(TextOutput& out, const Model& model, const StlTemplates& templates, Reporter& reporter);

// A rod along one of the cells' edges: the cylinder template turned,
// scaled (radius, radius, half length) and moved to the edge's middle.
struct CellEdgeRod {
    Mat3 rotation{};
    Vec3 size{};
    Vec3 middle{};
};

// The rods of the cells' edges when "Cell edges" is on (none otherwise),
// in the structure's order; an edge without length has none.
std::vector<CellEdgeRod> cell_edge_rods(const Model& model);

// The cylinders along the cells' edges, when "Cell edges" is on.
void write_cell_edge_cylinders(TextOutput& out, const Model& model, const StlTemplates& templates);

// Number formats of the file: vertex components with two decimals in at
// least five characters, cylinder normal components with three decimals in
// at least six.
std::string stl_vertex_number(long double value);
std::string stl_normal_number(long double value);

}  // namespace vexalith
