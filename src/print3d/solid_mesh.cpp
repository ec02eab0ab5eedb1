#include "print3d/solid_mesh.h"

#include <openvdb/openvdb.h>
#include <openvdb/tools/SignedFloodFill.h>
#include <openvdb/tools/VolumeToMesh.h>
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <mutex>
#include <numeric>
#include <unordered_map>

#include "common/error.h"

namespace vexalith {
namespace {

// Voxels either side of a surface whose distances are kept: the mesher
// reads the corners of the cells that the surface crosses, which lie within
// a cell's diagonal (1.73 voxels) of it, a distance changing no faster than
// the way moved.
constexpr double kBandVoxels = 2;
// The colour bodies' faces between colours lie where two distances are
// equal, each known only within the band: a wider band keeps more of those
// faces where the true distances put them.
constexpr double kColourBandVoxels = 3;

// The voxel edge in tolerances, and how far the mesher may merge flat
// regions (0: not at all, 1: as far as it can): measured against the
// analytic union (tests/print3d/solid_print_test.cpp).
constexpr double kVoxelsPerTolerance = 4;
constexpr double kAdaptivity = 0;
// Rounds of edge splitting, and the distance of an edge's middle from the
// surface that splits it, in tolerances.
constexpr int kSplitRounds = 4;
// The furthest a vertex is moved onto the surface, in voxels.
constexpr double kLongestMove = 2;
// The most voxels a grid may take: some 8 GB at the band's density.
constexpr double kMostVoxels = 1.2e9;
constexpr double kSplitFraction = 0.5;

void initialise_openvdb()
{
    static std::once_flag once;
    std::call_once(once, [] { openvdb::initialize(); });
}

// The voxels of a grid of edge h that lie within the distance `reach` of a
// shape, column by column: for every (i, j) the range of k.
struct ColumnRange {
    int64_t first = 0;
    int64_t last = -1;  // inclusive
};

ColumnRange column_of(double low, double high, double voxel)
{
    return {static_cast<int64_t>(std::ceil(low / voxel)), static_cast<int64_t>(std::floor(high / voxel))};
}

// Where the line (x, y, z) for all z comes within `reach` of the segment
// a-b: one interval, the capsule being convex.  Empty when it does not.
bool capsule_interval(const Point3& a, const Point3& b, double reach, double x, double y, double& low, double& high)
{
    low = std::numeric_limits<double>::infinity();
    high = -low;
    const double reach2 = reach * reach;
    for (const Point3* end : {&a, &b}) {
        const double rho2 = (x - (*end)[0]) * (x - (*end)[0]) + (y - (*end)[1]) * (y - (*end)[1]);
        if (rho2 < reach2) {
            const double half = std::sqrt(reach2 - rho2);
            low = std::min(low, (*end)[2] - half);
            high = std::max(high, (*end)[2] + half);
        }
    }
    const Point3 axis{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (length > 0) {
        const Point3 u{axis[0] / length, axis[1] / length, axis[2] / length};
        const Point3 w0{x - a[0], y - a[1], -a[2]};
        const double w0u = w0[0] * u[0] + w0[1] * u[1] + w0[2] * u[2];
        // Distance to the axis line squared, less reach squared, as
        // q z^2 + 2 p z + c.
        const double q = 1 - u[2] * u[2];
        const double p = w0[2] - w0u * u[2];
        const double c = w0[0] * w0[0] + w0[1] * w0[1] + w0[2] * w0[2] - w0u * w0u - reach2;
        double z0 = 0;
        double z1 = 0;
        bool found = false;
        if (q > 1e-12) {
            const double discriminant = p * p - q * c;
            if (discriminant > 0) {
                const double root = std::sqrt(discriminant);
                z0 = (-p - root) / q;
                z1 = (-p + root) / q;
                found = true;
            }
        } else if (c < 0) {
            // Along z: the whole line, clipped to the segment below.
            z0 = -std::numeric_limits<double>::max();
            z1 = std::numeric_limits<double>::max();
            found = true;
        }
        if (found && std::abs(u[2]) > 1e-12) {
            // The foot of the point on the axis lies between a and b:
            // 0 <= w0.u + z u_z <= length.
            double t0 = (0 - w0u) / u[2];
            double t1 = (length - w0u) / u[2];
            if (t0 > t1)
                std::swap(t0, t1);
            z0 = std::max(z0, t0);
            z1 = std::min(z1, t1);
        } else if (found && !(w0u >= 0 && w0u <= length)) {
            found = false;
        }
        if (found && z0 <= z1) {
            low = std::min(low, z0);
            high = std::max(high, z1);
        }
    }
    return low <= high;
}

// Where the line (x, y, z) for all z runs deeper than `depth` inside the
// sphere (a == b) or the capped cylinder a-b of this radius: the points of
// the shape shrunk by `depth`, a sphere or a shorter and thinner cylinder.
bool deep_interval(const Point3& a, const Point3& b, double radius, double depth, double x, double y, double& low,
                   double& high)
{
    const double inner = radius - depth;
    if (!(inner > 0))
        return false;
    const Point3 axis{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (length == 0) {
        const double rho2 = (x - a[0]) * (x - a[0]) + (y - a[1]) * (y - a[1]);
        if (rho2 >= inner * inner)
            return false;
        const double half = std::sqrt(inner * inner - rho2);
        low = a[2] - half;
        high = a[2] + half;
        return true;
    }
    if (length <= 2 * depth)
        return false;
    const Point3 u{axis[0] / length, axis[1] / length, axis[2] / length};
    const Point3 start{a[0] + depth * u[0], a[1] + depth * u[1], a[2] + depth * u[2]};
    const double inner_length = length - 2 * depth;
    const Point3 w0{x - start[0], y - start[1], -start[2]};
    const double w0u = w0[0] * u[0] + w0[1] * u[1] + w0[2] * u[2];
    const double q = 1 - u[2] * u[2];
    const double p = w0[2] - w0u * u[2];
    const double c = w0[0] * w0[0] + w0[1] * w0[1] + w0[2] * w0[2] - w0u * w0u - inner * inner;
    if (q > 1e-12) {
        const double discriminant = p * p - q * c;
        if (!(discriminant > 0))
            return false;
        const double root = std::sqrt(discriminant);
        low = (-p - root) / q;
        high = (-p + root) / q;
    } else if (c < 0) {
        low = -std::numeric_limits<double>::max();
        high = std::numeric_limits<double>::max();
    } else {
        return false;
    }
    if (std::abs(u[2]) > 1e-12) {
        double t0 = -w0u / u[2];
        double t1 = (inner_length - w0u) / u[2];
        if (t0 > t1)
            std::swap(t0, t1);
        low = std::max(low, t0);
        high = std::min(high, t1);
    } else if (!(w0u > 0 && w0u < inner_length)) {
        return false;
    }
    return low < high;
}

// The distances of the voxels near and inside one shape, handed to
// `keep(ijk, distance)`.  With `deep`, the voxels deeper inside than
// `margin` are not visited but handed over column by column as
// `deep(i, j, first k, last k)`.
template <typename Shape, typename Keep, typename Deep>
void visit_shape(const Shape& shape, const Point3& a, const Point3& b, double radius, double voxel, double margin,
                 Keep&& keep, Deep* deep)
{
    const double reach = radius + margin;
    const ColumnRange xs = column_of(std::min(a[0], b[0]) - reach, std::max(a[0], b[0]) + reach, voxel);
    const ColumnRange ys = column_of(std::min(a[1], b[1]) - reach, std::max(a[1], b[1]) + reach, voxel);
    for (int64_t i = xs.first; i <= xs.last; ++i) {
        const double x = static_cast<double>(i) * voxel;
        for (int64_t j = ys.first; j <= ys.last; ++j) {
            const double y = static_cast<double>(j) * voxel;
            double low = 0;
            double high = 0;
            if (!capsule_interval(a, b, reach, x, y, low, high))
                continue;
            const ColumnRange zs = column_of(low, high, voxel);
            ColumnRange inside{0, -1};
            double deep_low = 0;
            double deep_high = 0;
            if (deep != nullptr && deep_interval(a, b, radius, margin, x, y, deep_low, deep_high)) {
                inside = column_of(deep_low, deep_high, voxel);
                // The first and last voxel of the range may lie on its ends.
                inside.first += 1;
                inside.last -= 1;
                if (inside.first <= inside.last)
                    (*deep)(i, j, inside.first, inside.last);
            }
            for (int64_t k = zs.first; k <= zs.last; ++k) {
                if (k == inside.first && inside.first <= inside.last) {
                    k = inside.last;
                    continue;
                }
                const Point3 p{x, y, static_cast<double>(k) * voxel};
                const double d = signed_distance(shape, p);
                if (d < margin)
                    keep(openvdb::Coord(static_cast<int32_t>(i), static_cast<int32_t>(j), static_cast<int32_t>(k)), d);
            }
        }
    }
}

using DeepColumn = std::function<void(int64_t, int64_t, int64_t, int64_t)>;

template <typename Keep>
void visit_all(const PrintShapes& shapes, double voxel, double margin, Keep&& keep, DeepColumn* deep = nullptr)
{
    for (const PrintSphere& sphere : shapes.spheres)
        visit_shape(
            sphere, sphere.centre, sphere.centre, sphere.radius, voxel, margin,
            [&](const openvdb::Coord& ijk, double d) { keep(ijk, d, sphere.colour); }, deep);
    for (const PrintCylinder& cylinder : shapes.cylinders)
        visit_shape(
            cylinder, cylinder.start, cylinder.end, cylinder.radius, voxel, margin,
            [&](const openvdb::Coord& ijk, double d) { keep(ijk, d, cylinder.colour); }, deep);
}

uint64_t column_key(int64_t i, int64_t j) { return (static_cast<uint64_t>(i & 0xffffffff) << 32) | (j & 0xffffffff); }

// Refuses shapes that are not finite and grids past what memory holds: the
// voxels near every surface (all of every shape's voxels with `whole`).
void check_grid_size(const PrintShapes& shapes, double voxel, double margin, bool whole)
{
    double voxels = 0;
    const auto finite = [](const Point3& p) {
        return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
    };
    const auto add = [&](double area, double volume) {
        voxels += (whole ? volume + area * margin : area * 2 * margin) / (voxel * voxel * voxel);
    };
    for (const PrintSphere& s : shapes.spheres) {
        if (!finite(s.centre) || !std::isfinite(s.radius))
            throw ConversionError("", 0, "an atom's position or radius is not a finite number");
        add(4 * M_PI * s.radius * s.radius, 4 / 3.0 * M_PI * s.radius * s.radius * s.radius);
    }
    for (const PrintCylinder& c : shapes.cylinders) {
        if (!finite(c.start) || !finite(c.end) || !std::isfinite(c.radius))
            throw ConversionError("", 0, "a bond's position or radius is not a finite number");
        const double length = std::hypot(c.end[0] - c.start[0], c.end[1] - c.start[1], c.end[2] - c.start[2]);
        add(2 * M_PI * c.radius * (length + c.radius), M_PI * c.radius * c.radius * length);
    }
    if (voxels > kMostVoxels)
        throw RangeError("", 0,
                         "the solid needs some " + std::to_string(static_cast<uint64_t>(voxels / 1e6)) +
                             " million voxels, more than memory holds: choose a larger solid tolerance or a smaller "
                             "model size");
}

// The shapes near a point, found through a grid of cells: every shape is
// listed in each cell its box (widened by `reach`) touches.
class ShapeIndex {
public:
    ShapeIndex(const PrintShapes& shapes, double reach) : shapes_(shapes)
    {
        double largest = 0;
        for (const PrintSphere& s : shapes.spheres)
            largest = std::max(largest, 2 * s.radius);
        for (const PrintCylinder& c : shapes.cylinders)
            largest = std::max(largest, 2 * c.radius);
        cell_ = std::max(largest + 2 * reach, 1e-3);
        for (std::size_t n = 0; n < shapes.spheres.size(); ++n) {
            const PrintSphere& s = shapes.spheres[n];
            add(s.centre, s.centre, s.radius + reach, static_cast<int64_t>(n));
        }
        for (std::size_t n = 0; n < shapes.cylinders.size(); ++n) {
            const PrintCylinder& c = shapes.cylinders[n];
            add(c.start, c.end, c.radius + reach, -1 - static_cast<int64_t>(n));
        }
    }

    // The union's signed distance at p, as far as the shapes listed at p
    // tell (the true value where it is below `reach`), and the shape that
    // gives it.
    double distance(const Point3& p, int64_t& nearest) const
    {
        double best = std::numeric_limits<double>::infinity();
        nearest = 0;
        const auto found = cells_.find(key(cell_of(p[0]), cell_of(p[1]), cell_of(p[2])));
        if (found == cells_.end())
            return best;
        for (const int64_t id : found->second) {
            const double d = id >= 0 ? signed_distance(shapes_.spheres[static_cast<std::size_t>(id)], p)
                                     : signed_distance(shapes_.cylinders[static_cast<std::size_t>(-1 - id)], p);
            if (d < best) {
                best = d;
                nearest = id;
            }
        }
        return best;
    }

    // Whether the union's own surface, not a face between two colours, is
    // what a colour body's surface follows at p: the distance to the union
    // is the larger term of the body's field there.
    bool on_union_surface(const Point3& p, int32_t colour) const
    {
        double best = std::numeric_limits<double>::infinity();
        double own = best;
        double others = best;
        const auto found = cells_.find(key(cell_of(p[0]), cell_of(p[1]), cell_of(p[2])));
        if (found == cells_.end())
            return true;
        for (const int64_t id : found->second) {
            const double d = shape_distance(id, p);
            const int32_t c = id >= 0 ? shapes_.spheres[static_cast<std::size_t>(id)].colour
                                      : shapes_.cylinders[static_cast<std::size_t>(-1 - id)].colour;
            best = std::min(best, d);
            if (c == colour)
                own = std::min(own, d);
            else
                others = std::min(others, d);
        }
        return !std::isfinite(others) || best >= (own - others) / 2;
    }

    double shape_distance(int64_t id, const Point3& p) const
    {
        return id >= 0 ? signed_distance(shapes_.spheres[static_cast<std::size_t>(id)], p)
                       : signed_distance(shapes_.cylinders[static_cast<std::size_t>(-1 - id)], p);
    }

private:
    int64_t cell_of(double x) const { return static_cast<int64_t>(std::floor(x / cell_)); }

    static uint64_t key(int64_t x, int64_t y, int64_t z)
    {
        return (static_cast<uint64_t>(x & 0x1fffff) << 42) | (static_cast<uint64_t>(y & 0x1fffff) << 21) |
               static_cast<uint64_t>(z & 0x1fffff);
    }

    void add(const Point3& a, const Point3& b, double reach, int64_t id)
    {
        const int64_t x0 = cell_of(std::min(a[0], b[0]) - reach);
        const int64_t x1 = cell_of(std::max(a[0], b[0]) + reach);
        const int64_t y0 = cell_of(std::min(a[1], b[1]) - reach);
        const int64_t y1 = cell_of(std::max(a[1], b[1]) + reach);
        const int64_t z0 = cell_of(std::min(a[2], b[2]) - reach);
        const int64_t z1 = cell_of(std::max(a[2], b[2]) + reach);
        for (int64_t x = x0; x <= x1; ++x)
            for (int64_t y = y0; y <= y1; ++y)
                for (int64_t z = z0; z <= z1; ++z)
                    cells_[key(x, y, z)].push_back(id);
    }

    const PrintShapes& shapes_;
    double cell_ = 1;
    std::unordered_map<uint64_t, std::vector<int64_t>> cells_;
};

// Moves a vertex of the mesh onto the surface of the union: Newton steps
// along the gradient of the nearest shape's distance.  The mesher places a
// vertex within a voxel of the surface; on it, the mesh follows the true
// spheres and cylinders, and only the facets across a crease cut it.
std::array<float, 3> onto_surface(const ShapeIndex& index, const std::array<float, 3>& vertex, double voxel)
{
    Point3 p{vertex[0], vertex[1], vertex[2]};
    const Point3 start = p;
    for (int step = 0; step < 4; ++step) {
        int64_t nearest = 0;
        const double d = index.distance(p, nearest);
        if (!std::isfinite(d) || std::abs(d) < 1e-6)
            break;
        // The gradient by central differences, exact enough for a smooth
        // surface within a voxel.
        const double e = 1e-4;
        Point3 gradient{};
        for (std::size_t k = 0; k < 3; ++k) {
            Point3 plus = p;
            Point3 minus = p;
            plus[k] += e;
            minus[k] -= e;
            gradient[k] = (index.shape_distance(nearest, plus) - index.shape_distance(nearest, minus)) / (2 * e);
        }
        const double g2 = gradient[0] * gradient[0] + gradient[1] * gradient[1] + gradient[2] * gradient[2];
        if (!(g2 > 0))
            break;
        for (std::size_t k = 0; k < 3; ++k)
            p[k] -= d * gradient[k] / g2;
    }
    // A vertex never moves further than a voxel: where a step would take it
    // further (a point between shapes), it stays.
    const double moved2 = (p[0] - start[0]) * (p[0] - start[0]) + (p[1] - start[1]) * (p[1] - start[1]) +
                          (p[2] - start[2]) * (p[2] - start[2]);
    if (!(moved2 <= kLongestMove * kLongestMove * voxel * voxel))
        return vertex;
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

openvdb::FloatGrid::Ptr distance_grid(double voxel, double margin)
{
    openvdb::FloatGrid::Ptr grid = openvdb::FloatGrid::create(static_cast<float>(margin));
    grid->setTransform(openvdb::math::Transform::createLinearTransform(voxel));
    grid->setGridClass(openvdb::GRID_LEVEL_SET);
    return grid;
}

SolidMesh mesh_of(const openvdb::FloatGrid& grid, double adaptivity)
{
    std::vector<openvdb::Vec3s> points;
    std::vector<openvdb::Vec3I> triangles;
    std::vector<openvdb::Vec4I> quads;
    openvdb::tools::volumeToMesh(grid, points, triangles, quads, 0.0, adaptivity);
    SolidMesh mesh;
    mesh.vertices.reserve(points.size());
    for (const openvdb::Vec3s& p : points)
        mesh.vertices.push_back({p[0], p[1], p[2]});
    mesh.triangles.reserve(triangles.size() + 2 * quads.size());
    // OpenVDB turns its polygons to face the negative side, the inside of a
    // distance field: taken in reverse order they face out.  A polygon
    // whose corners repeat a vertex gives a facet without area, which is
    // left out: its edges pair up among themselves.
    const auto add = [&](uint32_t a, uint32_t b, uint32_t c) {
        if (a != b && b != c && a != c)
            mesh.triangles.push_back({a, b, c});
    };
    for (const openvdb::Vec3I& t : triangles)
        add(t[0], t[2], t[1]);
    for (const openvdb::Vec4I& q : quads) {
        add(q[0], q[2], q[1]);
        add(q[0], q[3], q[2]);
    }
    return mesh;
}

std::array<float, 3> middle_of(const std::array<float, 3>& a, const std::array<float, 3>& b)
{
    return {(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2};
}

// Runs `work(n)` for n = 0..count-1 on the threads TBB has; each n on its own.
template <typename Work>
void for_each_index(std::size_t count, Work&& work)
{
    tbb::parallel_for(tbb::blocked_range<std::size_t>(0, count, 1024),
                      [&](const tbb::blocked_range<std::size_t>& range) {
                          for (std::size_t n = range.begin(); n != range.end(); ++n)
                              work(n);
                      });
}

// A table of 64-bit keys to numbers, open addressing with linear probing:
// no allocation for each key, no pointers to follow.
class KeyTable {
public:
    explicit KeyTable(std::size_t count)
    {
        std::size_t size = 16;
        while (size < 2 * count)
            size *= 2;
        slots_.assign(size, {kEmpty, 0});
    }

    // The number of `key`, given `value` when new.
    uint32_t emplace(uint64_t key, uint32_t value)
    {
        for (std::size_t at = start(key);; at = (at + 1) & (slots_.size() - 1)) {
            if (slots_[at].first == key)
                return slots_[at].second;
            if (slots_[at].first == kEmpty) {
                slots_[at] = {key, value};
                return value;
            }
        }
    }

    // The number of `key`, or -1.
    int64_t find(uint64_t key) const
    {
        for (std::size_t at = start(key);; at = (at + 1) & (slots_.size() - 1)) {
            if (slots_[at].first == key)
                return slots_[at].second;
            if (slots_[at].first == kEmpty)
                return -1;
        }
    }

private:
    static constexpr uint64_t kEmpty = ~uint64_t{0};  // no edge or point has it

    std::size_t start(uint64_t key) const
    {
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdULL;
        key ^= key >> 33;
        return static_cast<std::size_t>(key) & (slots_.size() - 1);
    }

    std::vector<std::pair<uint64_t, uint32_t>> slots_;
};

// Splits every edge whose middle lies further than `tolerance` from the
// surface, at that middle moved onto the surface, and each facet into two,
// three or four accordingly.  Both facets of an edge split it at the same
// new vertex, so the mesh stays closed; the corners keep their order, so it
// stays oriented.  Returns whether any edge was split.  The edges between
// vertices below `measured` were measured in an earlier round and found
// near (vertices do not move, and a far edge is gone): they are left.
using VertexFilter = std::function<bool(const std::array<float, 3>&)>;

bool split_far_edges(SolidMesh& mesh, const ShapeIndex& index, double tolerance, double voxel,
                     const VertexFilter& movable, uint32_t measured)
{
    const auto edge_key = [](uint32_t a, uint32_t b) {
        return (static_cast<uint64_t>(std::min(a, b)) << 32) | std::max(a, b);
    };
    // Each edge once, from the facet that runs it upward.
    const std::size_t facets = mesh.triangles.size();
    std::vector<uint8_t> far(3 * facets, 0);
    for_each_index(facets, [&](std::size_t f) {
        const auto& t = mesh.triangles[f];
        for (std::size_t e = 0; e < 3; ++e) {
            const uint32_t a = t[e];
            const uint32_t b = t[(e + 1) % 3];
            if (a > b || b < measured)
                continue;
            if (movable && (!movable(mesh.vertices[a]) || !movable(mesh.vertices[b])))
                continue;
            int64_t nearest = 0;
            const std::array<float, 3> middle = middle_of(mesh.vertices[a], mesh.vertices[b]);
            far[3 * f + e] = std::abs(index.distance({middle[0], middle[1], middle[2]}, nearest)) > tolerance;
        }
    });
    std::size_t count = 0;
    for (const uint8_t split : far)
        count += split;
    if (count == 0)
        return false;
    // The new vertices numbered in the order of the facets.
    KeyTable middles(count);
    std::vector<std::array<uint32_t, 2>> ends;
    const auto old = static_cast<uint32_t>(mesh.vertices.size());
    std::vector<uint8_t> on_split(old, 0);  // whether a vertex ends a split edge
    for (std::size_t f = 0; f < facets; ++f)
        for (std::size_t e = 0; e < 3; ++e)
            if (far[3 * f + e] != 0) {
                const uint32_t a = mesh.triangles[f][e];
                const uint32_t b = mesh.triangles[f][(e + 1) % 3];
                const auto next = static_cast<uint32_t>(old + ends.size());
                if (middles.emplace(edge_key(a, b), next) == next)
                    ends.push_back({a, b});
                on_split[a] = 1;
                on_split[b] = 1;
            }
    mesh.vertices.resize(old + ends.size());
    for_each_index(ends.size(), [&](std::size_t n) {
        mesh.vertices[old + n] =
            onto_surface(index, middle_of(mesh.vertices[ends[n][0]], mesh.vertices[ends[n][1]]), voxel);
    });
    std::vector<std::array<uint32_t, 3>> split;
    split.reserve(mesh.triangles.size() + 3 * ends.size());
    for (const auto& t : mesh.triangles) {
        std::array<int64_t, 3> m{-1, -1, -1};  // the middle of edge t[e]-t[e+1]
        int count = 0;
        for (std::size_t e = 0; e < 3; ++e) {
            const uint32_t a = t[e];
            const uint32_t b = t[(e + 1) % 3];
            if (on_split[a] != 0 && on_split[b] != 0)
                m[e] = middles.find(edge_key(a, b));
            count += m[e] >= 0 ? 1 : 0;
        }
        if (count == 0) {
            split.push_back(t);
            continue;
        }
        if (count == 3) {
            const auto m0 = static_cast<uint32_t>(m[0]);
            const auto m1 = static_cast<uint32_t>(m[1]);
            const auto m2 = static_cast<uint32_t>(m[2]);
            split.push_back({t[0], m0, m2});
            split.push_back({m0, t[1], m1});
            split.push_back({m2, m1, t[2]});
            split.push_back({m0, m1, m2});
            continue;
        }
        // Turn the corners so that edge 0 (t0-t1) is split.
        std::size_t r = 0;
        while (m[r] < 0)
            ++r;
        if (count == 2 && m[(r + 2) % 3] >= 0)
            r = (r + 2) % 3;  // the two split edges are r and r+1
        const uint32_t a = t[r];
        const uint32_t b = t[(r + 1) % 3];
        const uint32_t c = t[(r + 2) % 3];
        const auto ab = static_cast<uint32_t>(m[r]);
        if (count == 1) {
            split.push_back({a, ab, c});
            split.push_back({ab, b, c});
        } else {
            const auto bc = static_cast<uint32_t>(m[(r + 1) % 3]);
            split.push_back({a, ab, c});
            split.push_back({ab, b, bc});
            split.push_back({ab, bc, c});
        }
    }
    mesh.triangles = std::move(split);
    return true;
}

// Two vertices that the fitting put at one point become one, and the facets
// that then repeat a corner (no area) go: their edges pair up among their
// neighbours, so the mesh stays closed.
void drop_collapsed_facets(SolidMesh& mesh)
{
    // A point's key: its three numbers' bits (0 and -0 alike), mixed.
    const auto point_key = [](const std::array<float, 3>& p) {
        uint64_t key = 0;
        for (const float c : p)
            key = (key ^ std::bit_cast<uint32_t>(c + 0.0F)) * 0x9e3779b97f4a7c15ULL;
        return key == ~uint64_t{0} ? 0 : key;
    };
    // Points of one key are told apart by their numbers: the table numbers
    // keys, and each key's points are searched from its first one on.
    KeyTable first(mesh.vertices.size());
    std::vector<uint32_t> next(mesh.vertices.size(), ~uint32_t{0});  // the next vertex of the same key
    std::vector<uint32_t> same(mesh.vertices.size());
    for (uint32_t n = 0; n < mesh.vertices.size(); ++n) {
        auto m = first.emplace(point_key(mesh.vertices[n]), n);
        same[n] = n;
        if (m == n)
            continue;
        for (;; m = next[m]) {
            if (mesh.vertices[m] == mesh.vertices[n]) {
                same[n] = m;
                break;
            }
            if (next[m] == ~uint32_t{0}) {
                next[m] = n;
                break;
            }
        }
    }
    std::erase_if(mesh.triangles, [&](std::array<uint32_t, 3>& t) {
        for (uint32_t& v : t)
            v = same[v];
        return t[0] == t[1] || t[1] == t[2] || t[0] == t[2];
    });
}

// Puts the mesh's vertices on the true surface, then splits the facets that
// cut a crease (where a cylinder meets a sphere) until their edges follow
// the surface within the tolerance.  Only the vertices that `movable`
// accepts move (all when it is empty).  Each vertex and edge is worked on
// by itself, on the threads TBB has: the mesh is the same on any number.
void fit_to_shapes(SolidMesh& mesh, const ShapeIndex& index, double voxel, double tolerance,
                   const VertexFilter& movable = {})
{
    for_each_index(mesh.vertices.size(), [&](std::size_t n) {
        auto& vertex = mesh.vertices[n];
        if (!movable || movable(vertex))
            vertex = onto_surface(index, vertex, voxel);
    });
    uint32_t measured = 0;
    for (int round = 0; round < kSplitRounds; ++round) {
        const auto before = static_cast<uint32_t>(mesh.vertices.size());
        if (!split_far_edges(mesh, index, tolerance * kSplitFraction, voxel, movable, measured))
            break;
        measured = before;
    }
    drop_collapsed_facets(mesh);
}

void require_shapes(const PrintShapes& shapes)
{
    if (shapes.spheres.empty() && shapes.cylinders.empty())
        throw ConversionError("", 0, "the model has no sphere or cylinder to make a solid of");
}

}  // namespace

double solid_voxel_size(double tolerance) { return kVoxelsPerTolerance * tolerance; }

SolidMesh solid_mesh(const PrintShapes& shapes, const SolidSettings& settings)
{
    require_shapes(shapes);
    initialise_openvdb();
    const double voxel = solid_voxel_size(settings.tolerance);
    const double margin = kBandVoxels * voxel;
    check_grid_size(shapes, voxel, margin, false);
    openvdb::FloatGrid::Ptr grid = distance_grid(voxel, margin);
    auto accessor = grid->getAccessor();
    // Only a band of voxels either side of each surface is written; the
    // voxels deeper inside a shape are noted column by column.
    std::unordered_map<uint64_t, std::vector<std::pair<int64_t, int64_t>>> deep_columns;
    DeepColumn deep = [&](int64_t i, int64_t j, int64_t first, int64_t last) {
        deep_columns[column_key(i, j)].emplace_back(first, last);
    };
    visit_all(
        shapes, voxel, margin,
        [&](const openvdb::Coord& ijk, double d, int32_t) {
            const auto value = static_cast<float>(std::max(d, -margin));
            if (value < accessor.getValue(ijk))
                accessor.setValue(ijk, value);
        },
        &deep);
    // A voxel of one shape's band deep inside another is inside the union.
    for (auto on = grid->beginValueOn(); on; ++on) {
        const openvdb::Coord ijk = on.getCoord();
        const auto found = deep_columns.find(column_key(ijk.x(), ijk.y()));
        if (found == deep_columns.end())
            continue;
        for (const auto& [first, last] : found->second)
            if (ijk.z() >= first && ijk.z() <= last) {
                on.setValue(static_cast<float>(-margin));
                break;
            }
    }
    // The voxels left out inside take the inside's sign.
    openvdb::tools::signedFloodFill(grid->tree());
    SolidMesh mesh = mesh_of(*grid, kAdaptivity);
    fit_to_shapes(mesh, ShapeIndex(shapes, 2 * voxel), voxel, settings.tolerance);
    return mesh;
}

std::vector<SolidMesh> colour_solid_meshes(const PrintShapes& shapes, const SolidSettings& settings)
{
    require_shapes(shapes);
    initialise_openvdb();
    const double voxel = solid_voxel_size(settings.tolerance);
    const double margin = kColourBandVoxels * voxel;
    check_grid_size(shapes, voxel, margin, true);
    // For every voxel: the smallest distance and its colour, and the
    // smallest distance to a shape of another colour.  (With that rule a
    // new nearest colour makes the old nearest the second.)
    openvdb::FloatGrid::Ptr nearest = distance_grid(voxel, margin);
    openvdb::FloatGrid::Ptr second = distance_grid(voxel, margin);
    openvdb::Int32Grid::Ptr nearest_colour = openvdb::Int32Grid::create(-1);
    openvdb::Int32Grid::Ptr second_colour = openvdb::Int32Grid::create(-1);
    auto d1 = nearest->getAccessor();
    auto d2 = second->getAccessor();
    auto c1 = nearest_colour->getAccessor();
    auto c2 = second_colour->getAccessor();
    visit_all(shapes, voxel, margin, [&](const openvdb::Coord& ijk, double distance, int32_t colour) {
        const auto d = static_cast<float>(distance);
        const float best = d1.getValue(ijk);
        const int32_t best_colour = c1.getValue(ijk);
        if (colour == best_colour) {
            if (d < best)
                d1.setValue(ijk, d);
        } else if (d < best) {
            d2.setValue(ijk, best);
            c2.setValue(ijk, best_colour);
            d1.setValue(ijk, d);
            c1.setValue(ijk, colour);
        } else if (d < d2.getValue(ijk)) {
            d2.setValue(ijk, d);
            c2.setValue(ijk, colour);
        }
    });

    std::vector<SolidMesh> meshes(shapes.colours.size());
    const ShapeIndex index(shapes, 2 * voxel);
    for (std::size_t c = 0; c < shapes.colours.size(); ++c) {
        const auto colour = static_cast<int32_t>(c);
        // f = max(d_union, (d_colour - d_others) / 2): negative where the
        // colour's surface is the nearest inside the solid.  Two colours
        // that meet have f and -f there, so their meshes share the face.
        openvdb::FloatGrid::Ptr field = distance_grid(voxel, margin);
        auto f = field->getAccessor();
        bool any = false;
        for (auto on = nearest->cbeginValueOn(); on; ++on) {
            const openvdb::Coord ijk = on.getCoord();
            const double best = *on;
            const int32_t best_colour = c1.getValue(ijk);
            double own = 0;
            double others = 0;
            if (best_colour == colour) {
                own = best;
                others = d2.getValue(ijk);
            } else {
                others = best;
                own = c2.getValue(ijk) == colour ? static_cast<double>(d2.getValue(ijk)) : margin;
            }
            const double value = std::max(best, (own - others) / 2);
            if (value < margin) {
                f.setValue(ijk, static_cast<float>(value));
                any = any || value < 0;
            }
        }
        if (any) {
            meshes[c] = mesh_of(*field, kAdaptivity);
            // The union's surface is fitted as in the solid; the faces
            // between colours stay where the mesher put them.
            fit_to_shapes(meshes[c], index, voxel, settings.tolerance, [&](const std::array<float, 3>& v) {
                return index.on_union_surface({v[0], v[1], v[2]}, colour);
            });
        }
    }
    return meshes;
}

double mesh_volume(const SolidMesh& mesh)
{
    double six_volume = 0;
    for (const auto& t : mesh.triangles) {
        const auto& a = mesh.vertices[t[0]];
        const auto& b = mesh.vertices[t[1]];
        const auto& c = mesh.vertices[t[2]];
        const double ax = a[0];
        const double ay = a[1];
        const double az = a[2];
        six_volume += ax * (static_cast<double>(b[1]) * c[2] - static_cast<double>(b[2]) * c[1]) -
                      ay * (static_cast<double>(b[0]) * c[2] - static_cast<double>(b[2]) * c[0]) +
                      az * (static_cast<double>(b[0]) * c[1] - static_cast<double>(b[1]) * c[0]);
    }
    return six_volume / 6;
}

int32_t mesh_shells(const SolidMesh& mesh)
{
    std::vector<uint32_t> parent(mesh.vertices.size());
    std::iota(parent.begin(), parent.end(), 0U);
    const auto root = [&](uint32_t n) {
        while (parent[n] != n) {
            parent[n] = parent[parent[n]];
            n = parent[n];
        }
        return n;
    };
    for (const auto& t : mesh.triangles) {
        parent[root(t[0])] = root(t[1]);
        parent[root(t[1])] = root(t[2]);
    }
    std::vector<bool> used(mesh.vertices.size(), false);
    for (const auto& t : mesh.triangles)
        for (const uint32_t v : t)
            used[v] = true;
    int32_t shells = 0;
    for (uint32_t n = 0; n < parent.size(); ++n)
        if (used[n] && root(n) == n)
            ++shells;
    return shells;
}

}  // namespace vexalith
