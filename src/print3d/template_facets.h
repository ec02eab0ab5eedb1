// The facets of the STL export's template meshes, as numbers: a scaled,
// turned and moved copy of a sphere template for every shown atom, then of
// the cylinder template for every connected pair, in the order and at the
// places the ASCII writer puts them.  The binary STL and the 3MF file take
// their facets from here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/model.h"
#include "print3d/stl_templates.h"

namespace vexalith {

using FacetCorners = std::array<std::array<float, 3>, 3>;  // millimetres

// The spheres and cylinders of a model, placed once (one search of the
// pairs), then counted and handed over facet by facet.
class TemplateFacets {
public:
    // With `colours`, each facet carries the colour of its sphere or
    // cylinder as print_shapes numbers the colours; without, colour 0.
    TemplateFacets(const Model& model, const StlTemplates& templates, bool colours);

    uint64_t count() const;

    // Hands every facet to `facet(corners, colour)`.
    template <typename Facet>
    void for_each(Facet&& facet) const;

private:
    struct Sphere {
        const StlTemplate* mesh;
        long double radius;
        Vec3 centre;
        int32_t colour;
    };
    struct Cylinder {
        Mat3 rotation;
        Vec3 size;
        Vec3 middle;
        int32_t colour;
    };
    const StlTemplates& templates_;
    long double size_ = 100;  // ModelSize
    long double extent_ = 1;  // ModelExtent
    std::vector<Sphere> spheres_;
    std::vector<Cylinder> cylinders_;
};

// How many facets the model's template meshes have.
uint64_t template_facet_count(const Model& model, const StlTemplates& templates);

template <typename Facet>
void TemplateFacets::for_each(Facet&& facet) const
{
    const auto to_float = [](long double x) { return static_cast<float>(x); };
    for (const Sphere& s : spheres_) {
        for (const TemplateFacet& t : s.mesh->facets) {
            FacetCorners corners{};
            for (std::size_t v = 0; v < 3; ++v)
                for (std::size_t c = 0; c < 3; ++c)
                    corners[v][c] = to_float(size_ * (s.radius * t.vertices[v][c] + s.centre[c]) / extent_ / 2);
            facet(corners, s.colour);
        }
    }
    const long double k = size_ / extent_ * 0.5L;
    for (const Cylinder& cylinder : cylinders_) {
        for (const TemplateFacet& t : templates_.cylinder.facets) {
            FacetCorners corners{};
            for (std::size_t v = 0; v < 3; ++v) {
                const Vec3 sv{cylinder.size[0] * t.vertices[v][0], cylinder.size[1] * t.vertices[v][1],
                              cylinder.size[2] * t.vertices[v][2]};
                for (std::size_t row = 0; row < 3; ++row) {
                    const auto& r = cylinder.rotation[row];
                    corners[v][row] = to_float(k * (r[0] * sv[0] + r[1] * sv[1] + r[2] * sv[2] + cylinder.middle[row]));
                }
            }
            facet(corners, cylinder.colour);
        }
    }
}

}  // namespace vexalith
