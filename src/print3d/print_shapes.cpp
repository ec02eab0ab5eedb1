#include "print3d/print_shapes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>
#include <unordered_map>

#include "model/cell_edges.h"
#include "model/vector3.h"
#include "print3d/stl_templates.h"
#include "print3d/stl_writer.h"
#include "structure/element_table.h"

namespace vexalith {
namespace {

// The cylinder styles' colours, as the scene's bond styles give them.
constexpr const char* kBondColour = "0.7 0.7 0.7";
constexpr const char* kHydrogenBondColour = "0.2 0.2 0.2";
constexpr const char* kHelixColour = "0.2 0.4 0.6";

std::string element_colour(const std::string& symbol)
{
    for (int row = 1; row <= ElementCount; ++row) {
        const ElementRow& element = element_row(row);
        if (element.symbol == symbol)
            return std::string(element.colour);
    }
    return std::string(element_row(GetElementIndex("C")).colour);
}

class ColourList {
public:
    explicit ColourList(std::vector<PrintColour>& colours) : colours_(colours) {}

    int32_t index(const std::string& name, const std::string& rgb)
    {
        const auto found = by_rgb_.find(rgb);
        if (found != by_rgb_.end())
            return found->second;
        const auto n = static_cast<int32_t>(colours_.size());
        colours_.push_back({name, rgb});
        by_rgb_.emplace(rgb, n);
        return n;
    }

private:
    std::vector<PrintColour>& colours_;
    std::unordered_map<std::string, int32_t> by_rgb_;
};

Point3 to_millimetres(const Vec3& p, long double scale)
{
    return {static_cast<double>(p[0] * scale), static_cast<double>(p[1] * scale), static_cast<double>(p[2] * scale)};
}

double point_dot(const Point3& a, const Point3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Point3 point_minus(const Point3& a, const Point3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

// The smallest distance between the segments p0-p1 and q0-q1.
double segment_distance(const Point3& p0, const Point3& p1, const Point3& q0, const Point3& q1)
{
    const Point3 d1 = point_minus(p1, p0);
    const Point3 d2 = point_minus(q1, q0);
    const Point3 r = point_minus(p0, q0);
    const double a = point_dot(d1, d1);
    const double e = point_dot(d2, d2);
    const double f = point_dot(d2, r);
    double s = 0;
    double t = 0;
    if (a <= 0 && e <= 0) {
        s = t = 0;
    } else if (a <= 0) {
        t = std::clamp(f / e, 0.0, 1.0);
    } else {
        const double c = point_dot(d1, r);
        if (e <= 0) {
            s = std::clamp(-c / a, 0.0, 1.0);
        } else {
            const double b = point_dot(d1, d2);
            const double denominator = a * e - b * b;
            s = denominator > 0 ? std::clamp((b * f - c * e) / denominator, 0.0, 1.0) : 0.0;
            t = (b * s + f) / e;
            if (t < 0) {
                t = 0;
                s = std::clamp(-c / a, 0.0, 1.0);
            } else if (t > 1) {
                t = 1;
                s = std::clamp((b - c) / a, 0.0, 1.0);
            }
        }
    }
    Point3 gap{};
    for (std::size_t k = 0; k < 3; ++k)
        gap[k] = p0[k] + d1[k] * s - (q0[k] + d2[k] * t);
    return std::sqrt(point_dot(gap, gap));
}

class Pieces {
public:
    explicit Pieces(std::size_t count) : parent_(count) { std::iota(parent_.begin(), parent_.end(), 0); }

    std::size_t root(std::size_t n)
    {
        while (parent_[n] != n) {
            parent_[n] = parent_[parent_[n]];
            n = parent_[n];
        }
        return n;
    }

    void join(std::size_t a, std::size_t b) { parent_[root(a)] = root(b); }

private:
    std::vector<std::size_t> parent_;
};

}  // namespace

PrintShapes print_shapes(const Model& model)
{
    const Structure& structure = model.structure;
    const ModelOptions& options = model.options;
    PrintShapes shapes;
    ColourList colours(shapes.colours);
    const long double scale = static_cast<long double>(options.ModelSize) / structure.ModelExtent / 2;
    shapes.millimetres_per_angstrom = scale;

    // Only which template a symbol gets matters here, not its facets.
    const StlTemplates no_meshes;
    for (const int32_t i : model.shown) {
        const auto n = static_cast<std::size_t>(i);
        const std::string& symbol = structure.AtomSymbol[n];
        if (sphere_template(no_meshes, symbol) == nullptr)
            continue;
        PrintSphere sphere;
        sphere.centre = to_millimetres(position(structure.AtomCoord[n]), scale);
        sphere.radius = static_cast<double>(sphere_radius(symbol, options.ModelMode) * scale);
        sphere.colour = colours.index(symbol, element_colour(symbol));
        sphere.atom = i;
        shapes.spheres.push_back(sphere);
    }

    const PairClassifier classifier(structure, model.print_rules);
    for_each_connected_pair(
        structure, options, classifier, [](int32_t) {},
        [&](int32_t i, int32_t j, const PairKind& kind) {
            if (!(kind.distance > 0))
                return;
            const Vec3 middle = (classifier.atom(i).position + classifier.atom(j).position) * 0.5L;
            const CylinderSize size =
                cylinder_size(kind, options.ModelMode, options.BondDiameter, structure.ProteinFile);
            const Vec3 half = kind.direction * (size.half_length / kind.distance);
            PrintCylinder cylinder;
            cylinder.start = to_millimetres(middle - half, scale);
            cylinder.end = to_millimetres(middle + half, scale);
            cylinder.radius = static_cast<double>(size.radius * scale);
            if (kind.helix)
                cylinder.colour = colours.index("helix", kHelixColour);
            else if (kind.hbond)
                cylinder.colour = colours.index("hydrogen bond", kHydrogenBondColour);
            else
                cylinder.colour = colours.index("bond", kBondColour);
            shapes.cylinders.push_back(cylinder);
        });

    // The cell's edges, after the pairs, as the STL writer puts them.
    if (options.CellEdges) {
        const long double radius = cell_edge_radius(model) * scale;
        for (const auto& edge : structure.CellEdges) {
            if (!(length(edge[1] - edge[0]) > 0))
                continue;
            PrintCylinder cylinder;
            cylinder.start = to_millimetres(edge[0], scale);
            cylinder.end = to_millimetres(edge[1], scale);
            cylinder.radius = static_cast<double>(radius);
            cylinder.colour = colours.index("cell edge", kCellEdgeColour);
            shapes.cylinders.push_back(cylinder);
        }
    }
    return shapes;
}

double signed_distance(const PrintSphere& sphere, const Point3& p)
{
    const Point3 d = point_minus(p, sphere.centre);
    return std::sqrt(point_dot(d, d)) - sphere.radius;
}

double signed_distance(const PrintCylinder& cylinder, const Point3& p)
{
    const Point3 axis = point_minus(cylinder.end, cylinder.start);
    const Point3 from_start = point_minus(p, cylinder.start);
    const double axis_squared = point_dot(axis, axis);
    const double length = std::sqrt(axis_squared);
    if (!(length > 0))
        return std::numeric_limits<double>::infinity();
    const double along = point_dot(from_start, axis) / length;
    const double squared = point_dot(from_start, from_start) - along * along;
    const double radial = std::sqrt(std::max(squared, 0.0)) - cylinder.radius;
    const double axial = std::abs(along - length / 2) - length / 2;
    if (radial < 0 && axial < 0)
        return std::max(radial, axial);
    const double outside_radial = std::max(radial, 0.0);
    const double outside_axial = std::max(axial, 0.0);
    return std::sqrt(outside_radial * outside_radial + outside_axial * outside_axial);
}

std::array<Point3, 2> shapes_bounds(const PrintShapes& shapes)
{
    constexpr double kHuge = std::numeric_limits<double>::max();
    std::array<Point3, 2> box{Point3{kHuge, kHuge, kHuge}, Point3{-kHuge, -kHuge, -kHuge}};
    const auto take = [&](const Point3& centre, double reach) {
        for (std::size_t k = 0; k < 3; ++k) {
            box[0][k] = std::min(box[0][k], centre[k] - reach);
            box[1][k] = std::max(box[1][k], centre[k] + reach);
        }
    };
    for (const PrintSphere& sphere : shapes.spheres)
        take(sphere.centre, sphere.radius);
    for (const PrintCylinder& cylinder : shapes.cylinders) {
        // Exact for the rim of each cap: the cap's extent along axis k is
        // r sqrt(1 - u_k^2), u the unit axis.
        const Point3 axis = point_minus(cylinder.end, cylinder.start);
        const double length = std::sqrt(point_dot(axis, axis));
        for (const Point3& cap : {cylinder.start, cylinder.end}) {
            for (std::size_t k = 0; k < 3; ++k) {
                const double u = length > 0 ? axis[k] / length : 0;
                const double reach = cylinder.radius * std::sqrt(std::max(0.0, 1 - u * u));
                box[0][k] = std::min(box[0][k], cap[k] - reach);
                box[1][k] = std::max(box[1][k], cap[k] + reach);
            }
        }
    }
    return box;
}

std::vector<int32_t> shape_pieces(const PrintShapes& shapes)
{
    const std::size_t spheres = shapes.spheres.size();
    const std::size_t total = spheres + shapes.cylinders.size();
    // Every shape as a capsule's core segment and a reach; the tests below
    // are exact for two spheres and for a sphere against a cylinder's side
    // and caps up to the rim, and treat two cylinders as capsules.
    struct Core {
        Point3 a;
        Point3 b;
        double reach;
    };
    std::vector<Core> cores(total);
    double largest = 0;
    for (std::size_t n = 0; n < spheres; ++n) {
        const PrintSphere& s = shapes.spheres[n];
        cores[n] = {s.centre, s.centre, s.radius};
    }
    for (std::size_t n = 0; n < shapes.cylinders.size(); ++n) {
        const PrintCylinder& c = shapes.cylinders[n];
        cores[spheres + n] = {c.start, c.end, c.radius};
    }
    for (const Core& core : cores) {
        const Point3 d = point_minus(core.b, core.a);
        largest = std::max(largest, std::sqrt(point_dot(d, d)) + 2 * core.reach);
    }
    Pieces pieces(total);
    if (total > 0 && largest > 0) {
        // Two shapes that meet have their first points no further apart
        // than the sum of their sizes: in the same or neighbouring cells of
        // twice the largest size.
        const double cell = 2 * largest;
        std::unordered_map<uint64_t, std::vector<std::size_t>> grid;
        const auto key = [](int64_t x, int64_t y, int64_t z) {
            return (static_cast<uint64_t>(x & 0x1fffff) << 42) | (static_cast<uint64_t>(y & 0x1fffff) << 21) |
                   static_cast<uint64_t>(z & 0x1fffff);
        };
        const auto cell_of = [&](const Point3& p) {
            return std::array<int64_t, 3>{static_cast<int64_t>(std::floor(p[0] / cell)),
                                          static_cast<int64_t>(std::floor(p[1] / cell)),
                                          static_cast<int64_t>(std::floor(p[2] / cell))};
        };
        for (std::size_t n = 0; n < total; ++n) {
            const auto c = cell_of(cores[n].a);
            grid[key(c[0], c[1], c[2])].push_back(n);
        }
        for (std::size_t n = 0; n < total; ++n) {
            const auto c = cell_of(cores[n].a);
            for (int64_t dx = -1; dx <= 1; ++dx)
                for (int64_t dy = -1; dy <= 1; ++dy)
                    for (int64_t dz = -1; dz <= 1; ++dz) {
                        const auto found = grid.find(key(c[0] + dx, c[1] + dy, c[2] + dz));
                        if (found == grid.end())
                            continue;
                        for (const std::size_t m : found->second) {
                            if (m <= n)
                                continue;
                            bool meet = false;
                            if (n < spheres && m >= spheres)
                                meet = signed_distance(shapes.cylinders[m - spheres], cores[n].a) <= cores[n].reach;
                            else
                                meet = segment_distance(cores[n].a, cores[n].b, cores[m].a, cores[m].b) <=
                                       cores[n].reach + cores[m].reach;
                            if (meet)
                                pieces.join(n, m);
                        }
                    }
        }
    }
    std::vector<int32_t> piece(total);
    std::unordered_map<std::size_t, int32_t> numbers;
    for (std::size_t n = 0; n < total; ++n) {
        const auto [at, added] = numbers.emplace(pieces.root(n), static_cast<int32_t>(numbers.size()));
        piece[n] = at->second;
    }
    return piece;
}

std::array<uint8_t, 3> colour_bytes(const std::string& rgb)
{
    std::array<uint8_t, 3> bytes{};
    const char* at = rgb.data();
    const char* end = rgb.data() + rgb.size();
    for (std::size_t k = 0; k < 3; ++k) {
        while (at < end && *at == ' ')
            ++at;
        double value = 0;
        const auto result = std::from_chars(at, end, value);
        at = result.ptr;
        bytes[k] = static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255));
    }
    return bytes;
}

}  // namespace vexalith
