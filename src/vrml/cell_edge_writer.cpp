#include "vrml/cell_edge_writer.h"

#include <cmath>
#include <string>

#include "model/vector3.h"
#include "vrml/bond_writer.h"
#include "vrml/scene_numbers.h"

namespace vexalith {

void write_cell_edges(TextOutput& out, const Model& model)
{
    const Structure& structure = model.structure;
    if (!model.options.CellEdges || structure.CellEdges.empty())
        return;
    const ModelScale scale = model_scale(model.options, structure);
    const std::string unit = general_number(ToModelUnits(1.0L, scale));
    const std::string radius = general_number(cell_edge_radius(model));
    out.line("# cell edges");
    out.line("Transform {children [Shape {appearance DEF celledgestyle Appearance {");
    out.line(std::string("material Material {diffuseColor ") + kCellEdgeColour + " ");
    out.line(" ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}");
    for (const auto& edge : structure.CellEdges) {
        const Vec3 middle = (edge[0] + edge[1]) * 0.5L;
        const Vec3 direction = edge[1] - edge[0];
        const long double d = length(direction);
        out << "Transform {translation " << model_units_text(middle[0], scale) << ' '
            << model_units_text(middle[1], scale) << ' ' << model_units_text(middle[2], scale) << ' ';
        out.line();
        out << " rotation " << cylinder_rotation(direction, d);
        out.line();
        out << " scale  " << unit << ' ' << model_units_text(d, scale) << ' ' << unit << ' ';
        out.line();
        out << "children [Shape {appearance USE celledgestyle";
        out.line();
        out << " geometry Cylinder { height 1 radius " << radius << " }}]}";
        out.line();
    }
}

}  // namespace vexalith
