#include "print3d/template_facets.h"

#include "model/vector3.h"
#include "print3d/print_shapes.h"
#include "print3d/stl_writer.h"

namespace vexalith {

TemplateFacets::Mesh TemplateFacets::mesh_of(const StlTemplate& mesh)
{
    Mesh numbers;
    numbers.corners.reserve(mesh.facets.size());
    numbers.normals.reserve(mesh.facets.size());
    for (const TemplateFacet& facet : mesh.facets) {
        std::array<double, 9> corners{};
        for (std::size_t v = 0; v < 3; ++v)
            for (std::size_t c = 0; c < 3; ++c)
                corners[3 * v + c] = static_cast<double>(facet.vertices[v][c]);
        numbers.corners.push_back(corners);
        // The normal in the template's own numbers: a sphere's facets are
        // scaled evenly and moved, which leaves it as it is.
        const Vec3 normal = cross_product(facet.vertices[1] - facet.vertices[0], facet.vertices[2] - facet.vertices[0]);
        const long double size = length(normal);
        const long double k = size > 0 ? 1 / size : 0;
        numbers.normals.push_back(
            {static_cast<float>(normal[0] * k), static_cast<float>(normal[1] * k), static_cast<float>(normal[2] * k)});
    }
    return numbers;
}

TemplateFacets::TemplateFacets(const Model& model, const StlTemplates& templates, bool colours)
    : ball_(mesh_of(templates.ball)),
      ball1_(mesh_of(templates.ball1)),
      ball2_(mesh_of(templates.ball2)),
      cylinder_(mesh_of(templates.cylinder))
{
    const Structure& structure = model.structure;
    const ModelOptions& options = model.options;
    const auto size = static_cast<long double>(options.ModelSize);
    const long double extent = structure.ModelExtent;
    // The ASCII writer's corners: size (r v + centre) / extent / 2 for a
    // sphere, k (R S v + middle) for a cylinder.
    const long double k = size / extent * 0.5L;
    // The colours in the numbering of print_shapes, which lists the same
    // spheres and cylinders in the same order.
    PrintShapes shapes;
    if (colours)
        shapes = print_shapes(model);
    std::size_t sphere = 0;
    spheres_.reserve(model.shown.size());
    for (const int32_t i : model.shown) {
        const auto n = static_cast<std::size_t>(i);
        const std::string& symbol = structure.AtomSymbol[n];
        const StlTemplate* mesh = sphere_template(templates, symbol);
        if (mesh == nullptr)
            continue;
        const int32_t colour = colours ? shapes.spheres[sphere++].colour : 0;
        const Mesh* numbers = mesh == &templates.ball ? &ball_ : (mesh == &templates.ball1 ? &ball1_ : &ball2_);
        const long double radius = sphere_radius(symbol, options.ModelMode);
        const Vec3 centre = position(structure.AtomCoord[n]);
        std::array<double, 3> offset{};
        for (std::size_t c = 0; c < 3; ++c)
            offset[c] = static_cast<double>(size * centre[c] / extent / 2);
        spheres_.push_back({numbers, static_cast<double>(size * radius / extent / 2), offset, colour});
    }
    const PairClassifier classifier(structure, model.print_rules);
    std::size_t cylinder = 0;
    for_each_connected_pair(
        structure, options, classifier, [](int32_t) {},
        [&](int32_t i, int32_t j, const PairKind& kind) {
            if (!(kind.distance > 0))
                return;
            const int32_t colour = colours ? shapes.cylinders[cylinder++].colour : 0;
            const CylinderSize s = cylinder_size(kind, options.ModelMode, options.BondDiameter, structure.ProteinFile);
            const Mat3 rotation = cylinder_rotation(kind.direction);
            const Vec3 scale{s.radius, s.radius, s.half_length};
            const Vec3 middle = (classifier.atom(i).position + classifier.atom(j).position) * 0.5L;
            Cylinder placed{};
            for (std::size_t row = 0; row < 3; ++row) {
                for (std::size_t c = 0; c < 3; ++c)
                    placed.matrix[row][c] = static_cast<double>(k * rotation[row][c] * scale[c]);
                placed.offset[row] = static_cast<double>(k * middle[row]);
            }
            placed.colour = colour;
            cylinders_.push_back(placed);
        });
    for (const CellEdgeRod& rod : cell_edge_rods(model)) {
        Cylinder placed{};
        for (std::size_t row = 0; row < 3; ++row) {
            for (std::size_t c = 0; c < 3; ++c)
                placed.matrix[row][c] = static_cast<double>(k * rod.rotation[row][c] * rod.size[c]);
            placed.offset[row] = static_cast<double>(k * rod.middle[row]);
        }
        placed.colour = colours ? shapes.cylinders[cylinder++].colour : 0;
        cylinders_.push_back(placed);
    }
}

uint64_t TemplateFacets::count() const
{
    uint64_t count = 0;
    for (const Sphere& s : spheres_)
        count += s.mesh->corners.size();
    return count + cylinders_.size() * cylinder_.corners.size();
}

uint64_t template_facet_count(const Model& model, const StlTemplates& templates)
{
    return TemplateFacets(model, templates, false).count();
}

}  // namespace vexalith
