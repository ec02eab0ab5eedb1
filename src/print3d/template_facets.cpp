#include "print3d/template_facets.h"

#include "model/vector3.h"
#include "print3d/print_shapes.h"
#include "print3d/stl_writer.h"

namespace vexalith {
namespace {

std::array<float, 3> to_float(const Vec3& p)
{
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

}  // namespace

uint64_t template_facet_count(const Model& model, const StlTemplates& templates)
{
    const Structure& structure = model.structure;
    uint64_t count = 0;
    for (const int32_t i : model.shown)
        if (const StlTemplate* mesh = sphere_template(templates, structure.AtomSymbol[static_cast<std::size_t>(i)]))
            count += mesh->facets.size();
    const PairClassifier classifier(structure, model.print_rules);
    for_each_connected_pair(
        structure, model.options, classifier, [](int32_t) {},
        [&](int32_t, int32_t, const PairKind& kind) {
            if (kind.distance > 0)
                count += templates.cylinder.facets.size();
        });
    return count;
}

void template_facets(const Model& model, const StlTemplates& templates,
                     const std::function<void(const FacetCorners&, int32_t colour)>& facet)
{
    const Structure& structure = model.structure;
    const ModelOptions& options = model.options;
    // The colours and cylinders in the numbering of print_shapes.
    const PrintShapes shapes = print_shapes(model);
    const long double k = static_cast<long double>(options.ModelSize) / structure.ModelExtent / 2;
    std::size_t sphere = 0;
    for (const int32_t i : model.shown) {
        const auto n = static_cast<std::size_t>(i);
        const std::string& symbol = structure.AtomSymbol[n];
        const StlTemplate* mesh = sphere_template(templates, symbol);
        if (mesh == nullptr)
            continue;
        const int32_t colour = shapes.spheres[sphere++].colour;
        const long double radius = sphere_radius(symbol, options.ModelMode);
        const Vec3 centre = position(structure.AtomCoord[n]);
        for (const TemplateFacet& t : mesh->facets) {
            FacetCorners corners{};
            for (std::size_t v = 0; v < 3; ++v) {
                Vec3 p{};
                for (std::size_t c = 0; c < 3; ++c)
                    p[c] = static_cast<long double>(options.ModelSize) * (radius * t.vertices[v][c] + centre[c]) /
                           structure.ModelExtent / 2;
                corners[v] = to_float(p);
            }
            facet(corners, colour);
        }
    }

    const PairClassifier classifier(structure, model.print_rules);
    std::size_t cylinder = 0;
    for_each_connected_pair(
        structure, options, classifier, [](int32_t) {},
        [&](int32_t i, int32_t j, const PairKind& kind) {
            if (!(kind.distance > 0))
                return;
            const int32_t colour = shapes.cylinders[cylinder++].colour;
            const Vec3 middle = (classifier.atom(i).position + classifier.atom(j).position) * 0.5L;
            const Mat3 rotation = cylinder_rotation(kind.direction);
            const CylinderSize size =
                cylinder_size(kind, options.ModelMode, options.BondDiameter, structure.ProteinFile);
            const Vec3 s{size.radius, size.radius, size.half_length};
            for (const TemplateFacet& t : templates.cylinder.facets) {
                FacetCorners corners{};
                for (std::size_t v = 0; v < 3; ++v) {
                    const Vec3 sv{s[0] * t.vertices[v][0], s[1] * t.vertices[v][1], s[2] * t.vertices[v][2]};
                    Vec3 p{};
                    for (std::size_t row = 0; row < 3; ++row) {
                        const auto& r = rotation[row];
                        p[row] = k * (r[0] * sv[0] + r[1] * sv[1] + r[2] * sv[2] + middle[row]);
                    }
                    corners[v] = to_float(p);
                }
                facet(corners, colour);
            }
        });
}

}  // namespace vexalith
