// The facets of the STL export's template meshes, as numbers: a scaled,
// turned and moved copy of a sphere template for every shown atom, then of
// the cylinder template for every connected pair, in the order and at the
// places the ASCII writer puts them.  The binary STL and the 3MF file take
// their facets from here.
//
// Each sphere and cylinder is placed once as an affine map (a matrix and an
// offset, the model's scale folded in) in double precision; the ASCII
// writer's long double numbers agree with these to far below the float
// corners written.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "model/model.h"
#include "print3d/stl_templates.h"

namespace vexalith {

using FacetCorners = std::array<std::array<float, 3>, 3>;  // millimetres

// One facet as numbers: its unit normal (zero for a facet without area)
// and its corners, in the layout of a binary STL record.
struct FacetNumbers {
    std::array<float, 3> normal;
    FacetCorners corners;
};

// The unit normal of a facet's corners, pointing the way they turn; zero
// for a facet without area.
inline std::array<float, 3> facet_normal(const FacetCorners& corners)
{
    const auto edge = [&](std::size_t to, std::size_t c) {
        return static_cast<double>(corners[to][c]) - static_cast<double>(corners[0][c]);
    };
    const double ux = edge(1, 0);
    const double uy = edge(1, 1);
    const double uz = edge(1, 2);
    const double vx = edge(2, 0);
    const double vy = edge(2, 1);
    const double vz = edge(2, 2);
    double nx = uy * vz - uz * vy;
    double ny = uz * vx - ux * vz;
    double nz = ux * vy - uy * vx;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length > 0) {
        const double k = 1 / length;
        nx *= k;
        ny *= k;
        nz *= k;
    }
    return {static_cast<float>(nx), static_cast<float>(ny), static_cast<float>(nz)};
}

// The spheres and cylinders of a model, placed once (one search of the
// pairs), then counted and handed over facet by facet.  Shapes are numbered
// spheres first, then cylinders, in file order.
class TemplateFacets {
public:
    // With `colours`, each facet carries the colour of its sphere or
    // cylinder as print_shapes numbers the colours; without, colour 0.
    TemplateFacets(const Model& model, const StlTemplates& templates, bool colours);
    TemplateFacets(const TemplateFacets&) = delete;  // the shapes point into the meshes
    TemplateFacets& operator=(const TemplateFacets&) = delete;

    uint64_t count() const;
    std::size_t shape_count() const { return spheres_.size() + cylinders_.size(); }

    // Hands every facet of shapes first..last-1 to `facet(numbers, colour)`.
    template <typename Facet>
    void for_each(std::size_t first, std::size_t last, Facet&& facet) const;

    // Hands every facet to `facet(numbers, colour)`.
    template <typename Facet>
    void for_each(Facet&& facet) const
    {
        for_each(0, shape_count(), facet);
    }

private:
    // A template's facets: their corners, nine numbers a facet, and their
    // unit normals.
    struct Mesh {
        std::vector<std::array<double, 9>> corners;
        std::vector<std::array<float, 3>> normals;
    };
    // Corners scale v + offset; a sphere's facets keep the template's
    // normals.
    struct Sphere {
        const Mesh* mesh;
        double scale;
        std::array<double, 3> offset;
        int32_t colour;
    };
    // Corners matrix v + offset.
    struct Cylinder {
        std::array<std::array<double, 3>, 3> matrix;  // [row][column]
        std::array<double, 3> offset;
        int32_t colour;
    };
    static Mesh mesh_of(const StlTemplate& mesh);

    Mesh ball_, ball1_, ball2_, cylinder_;
    std::vector<Sphere> spheres_;
    std::vector<Cylinder> cylinders_;
};

// How many facets the model's template meshes have.
uint64_t template_facet_count(const Model& model, const StlTemplates& templates);

template <typename Facet>
void TemplateFacets::for_each(std::size_t first, std::size_t last, Facet&& facet) const
{
    FacetNumbers numbers;
    for (std::size_t n = first; n < last && n < spheres_.size(); ++n) {
        const Sphere& sphere = spheres_[n];
        const Mesh& mesh = *sphere.mesh;
        for (std::size_t f = 0; f < mesh.corners.size(); ++f) {
            const std::array<double, 9>& t = mesh.corners[f];
            for (std::size_t v = 0; v < 3; ++v)
                for (std::size_t c = 0; c < 3; ++c)
                    numbers.corners[v][c] = static_cast<float>(sphere.scale * t[3 * v + c] + sphere.offset[c]);
            numbers.normal = mesh.normals[f];
            facet(static_cast<const FacetNumbers&>(numbers), sphere.colour);
        }
    }
    for (std::size_t n = std::max(first, spheres_.size()); n < last && n < shape_count(); ++n) {
        const Cylinder& cylinder = cylinders_[n - spheres_.size()];
        const auto& m = cylinder.matrix;
        for (const std::array<double, 9>& t : cylinder_.corners) {
            for (std::size_t v = 0; v < 3; ++v)
                for (std::size_t row = 0; row < 3; ++row)
                    numbers.corners[v][row] = static_cast<float>(m[row][0] * t[3 * v] + m[row][1] * t[3 * v + 1] +
                                                                 m[row][2] * t[3 * v + 2] + cylinder.offset[row]);
            numbers.normal = facet_normal(numbers.corners);
            facet(static_cast<const FacetNumbers&>(numbers), cylinder.colour);
        }
    }
}

}  // namespace vexalith
