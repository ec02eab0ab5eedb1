#include "print3d/template_facets.h"

#include "model/vector3.h"
#include "print3d/print_shapes.h"
#include "print3d/stl_writer.h"

namespace vexalith {

TemplateFacets::TemplateFacets(const Model& model, const StlTemplates& templates, bool colours) : templates_(templates)
{
    const Structure& structure = model.structure;
    const ModelOptions& options = model.options;
    size_ = static_cast<long double>(options.ModelSize);
    extent_ = structure.ModelExtent;
    // The colours in the numbering of print_shapes, which lists the same
    // spheres and cylinders in the same order.
    PrintShapes shapes;
    if (colours)
        shapes = print_shapes(model);
    std::size_t sphere = 0;
    for (const int32_t i : model.shown) {
        const auto n = static_cast<std::size_t>(i);
        const std::string& symbol = structure.AtomSymbol[n];
        const StlTemplate* mesh = sphere_template(templates, symbol);
        if (mesh == nullptr)
            continue;
        const int32_t colour = colours ? shapes.spheres[sphere++].colour : 0;
        spheres_.push_back({mesh, sphere_radius(symbol, options.ModelMode), position(structure.AtomCoord[n]), colour});
    }
    const PairClassifier classifier(structure, model.print_rules);
    std::size_t cylinder = 0;
    for_each_connected_pair(
        structure, options, classifier, [](int32_t) {},
        [&](int32_t i, int32_t j, const PairKind& kind) {
            if (!(kind.distance > 0))
                return;
            const int32_t colour = colours ? shapes.cylinders[cylinder++].colour : 0;
            const CylinderSize size =
                cylinder_size(kind, options.ModelMode, options.BondDiameter, structure.ProteinFile);
            cylinders_.push_back({cylinder_rotation(kind.direction),
                                  {size.radius, size.radius, size.half_length},
                                  (classifier.atom(i).position + classifier.atom(j).position) * 0.5L,
                                  colour});
        });
}

uint64_t TemplateFacets::count() const
{
    uint64_t count = 0;
    for (const Sphere& s : spheres_)
        count += s.mesh->facets.size();
    return count + cylinders_.size() * templates_.cylinder.facets.size();
}

uint64_t template_facet_count(const Model& model, const StlTemplates& templates)
{
    return TemplateFacets(model, templates, false).count();
}

}  // namespace vexalith
