// Writes the mesh templates of the STL export and the empty VRML scene into
// the folder given as the only argument:
//
//   ball.txt      every element but N, O and B: a smooth sphere, the
//                 icosahedron subdivided four times along each edge and
//                 pushed out onto the sphere (320 facets, 162 vertices).
//   ball1.txt     nitrogen: the plain icosahedron (20 facets, 12 vertices).
//                 Its flat faces reach in to 0.79 of the radius, so a
//                 nitrogen atom prints as a visibly faceted solid.
//   ball2.txt     oxygen and boron: a sphere with flat poles, cut off at 45
//                 degrees latitude: seven rings of 24 vertices from -45 to
//                 +45 degrees and a flat 24-gon at each end (332 facets).
//                 It prints as a round barrel 1.41 radii high and 2 wide,
//                 its flat ends facing the model's z axis.
//   cylinder.txt  radius 1 about the z axis from z = -1 to +1, 24 sides,
//                 each end closed by a fan about its centre (96 facets).
//   Vexalithempty.wrl  a VRML 2.0 scene without any node.
//
// All sphere vertices lie on the unit sphere, so no template reaches past
// radius 1.  Each mesh is closed: every edge is used by exactly two facets,
// once in each direction.  Facets list their vertices counter-clockwise
// seen from outside.  A facet block is a normal line (the outward unit
// normal, six decimals) and three vertex lines (six decimals); a vertex is
// formatted once and reused, so vertices shared by facets are textually
// identical.  Lines end in CR LF.
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <numbers>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using Point = std::array<double, 3>;
using Triangle = std::array<int, 3>;

Point sub(const Point& a, const Point& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const Point& a, const Point& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Point cross(const Point& a, const Point& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Point unit(const Point& a)
{
    const double n = std::sqrt(dot(a, a));
    return {a[0] / n, a[1] / n, a[2] / n};
}

struct Mesh {
    std::vector<Point> vertices;
    std::vector<Triangle> triangles;

    // The index of a vertex at `p`, added when no vertex lies there yet.
    int vertex(const Point& p)
    {
        for (std::size_t k = 0; k < vertices.size(); ++k) {
            const Point d = sub(vertices[k], p);
            if (dot(d, d) < 1e-18)
                return static_cast<int>(k);
        }
        vertices.push_back(p);
        return static_cast<int>(vertices.size()) - 1;
    }

    // Adds a triangle, turned so that it is counter-clockwise seen from
    // outside.  Every mesh here is convex about the origin, so outside is
    // where the facet's centroid points.
    void triangle(int a, int b, int c)
    {
        const Point& pa = vertices[static_cast<std::size_t>(a)];
        const Point& pb = vertices[static_cast<std::size_t>(b)];
        const Point& pc = vertices[static_cast<std::size_t>(c)];
        const Point n = cross(sub(pb, pa), sub(pc, pa));
        const Point centroid{pa[0] + pb[0] + pc[0], pa[1] + pb[1] + pc[1], pa[2] + pb[2] + pc[2]};
        if (dot(n, n) < 1e-20)
            throw std::logic_error("degenerate facet");
        if (dot(n, centroid) < 0)
            std::swap(b, c);
        triangles.push_back({a, b, c});
    }
};

Mesh icosahedron()
{
    const double t = std::numbers::phi;
    Mesh m;
    const std::array<Point, 12> corners{{{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                                         {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                                         {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}}};
    for (const Point& p : corners)
        m.vertices.push_back(unit(p));
    const std::array<Triangle, 20> faces{{{0, 11, 5}, {0, 5, 1}, {0, 1, 7}, {0, 7, 10}, {0, 10, 11},
                                          {1, 5, 9}, {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                          {3, 9, 4}, {3, 4, 2}, {3, 2, 6}, {3, 6, 8}, {3, 8, 9},
                                          {4, 9, 5}, {2, 4, 11}, {6, 2, 10}, {8, 6, 7}, {9, 8, 1}}};
    for (const Triangle& f : faces)
        m.triangle(f[0], f[1], f[2]);
    return m;
}

// Each icosahedron face cut into frequency^2 triangles, the new vertices
// pushed out onto the unit sphere.
Mesh geodesic_sphere(int frequency)
{
    const Mesh base = icosahedron();
    Mesh m;
    for (const Triangle& f : base.triangles) {
        const Point& a = base.vertices[static_cast<std::size_t>(f[0])];
        const Point& b = base.vertices[static_cast<std::size_t>(f[1])];
        const Point& c = base.vertices[static_cast<std::size_t>(f[2])];
        std::map<std::pair<int, int>, int> grid;
        for (int i = 0; i <= frequency; ++i)
            for (int j = 0; i + j <= frequency; ++j) {
                const double u = static_cast<double>(i) / frequency;
                const double v = static_cast<double>(j) / frequency;
                Point p{};
                for (std::size_t k = 0; k < 3; ++k)
                    p[k] = a[k] + (b[k] - a[k]) * u + (c[k] - a[k]) * v;
                grid[{i, j}] = m.vertex(unit(p));
            }
        for (int i = 0; i < frequency; ++i)
            for (int j = 0; i + j < frequency; ++j) {
                m.triangle(grid[{i, j}], grid[{i + 1, j}], grid[{i, j + 1}]);
                if (i + j + 1 < frequency)
                    m.triangle(grid[{i + 1, j}], grid[{i + 1, j + 1}], grid[{i, j + 1}]);
            }
    }
    return m;
}

// A convex polygon of vertex indices closed by a zig-zag of triangles
// between its two sides (no vertex added, no sliver fan).
void close_polygon(Mesh& m, const std::vector<int>& ring)
{
    std::size_t lo = 0;
    std::size_t hi = ring.size() - 1;
    bool from_low = true;
    while (hi - lo >= 2) {
        if (from_low) {
            m.triangle(ring[lo], ring[lo + 1], ring[hi]);
            ++lo;
        } else {
            m.triangle(ring[lo], ring[hi - 1], ring[hi]);
            --hi;
        }
        from_low = !from_low;
    }
}

// Rings of `segments` vertices on the unit sphere at the latitudes given
// (degrees, increasing), joined by bands; the first and last ring closed
// by flat polygons.
Mesh flattened_sphere(const std::vector<double>& latitudes, int segments)
{
    Mesh m;
    std::vector<std::vector<int>> rings;
    for (const double latitude : latitudes) {
        const double phi = latitude * std::numbers::pi / 180;
        std::vector<int> ring;
        for (int s = 0; s < segments; ++s) {
            const double lambda = 2 * std::numbers::pi * s / segments;
            ring.push_back(m.vertex({std::cos(phi) * std::cos(lambda), std::cos(phi) * std::sin(lambda),
                                     std::sin(phi)}));
        }
        rings.push_back(std::move(ring));
    }
    for (std::size_t k = 0; k + 1 < rings.size(); ++k)
        for (std::size_t s = 0; s < static_cast<std::size_t>(segments); ++s) {
            const std::size_t t = (s + 1) % static_cast<std::size_t>(segments);
            m.triangle(rings[k][s], rings[k][t], rings[k + 1][t]);
            m.triangle(rings[k][s], rings[k + 1][t], rings[k + 1][s]);
        }
    close_polygon(m, rings.front());
    close_polygon(m, rings.back());
    return m;
}

Mesh cylinder(int segments)
{
    Mesh m;
    std::array<std::vector<int>, 2> rings;
    for (std::size_t end = 0; end < 2; ++end) {
        const double z = end == 0 ? -1.0 : 1.0;
        for (int s = 0; s < segments; ++s) {
            const double lambda = 2 * std::numbers::pi * s / segments;
            rings[end].push_back(m.vertex({std::cos(lambda), std::sin(lambda), z}));
        }
    }
    const int bottom = m.vertex({0, 0, -1});
    const int top = m.vertex({0, 0, 1});
    for (std::size_t s = 0; s < static_cast<std::size_t>(segments); ++s) {
        const std::size_t t = (s + 1) % static_cast<std::size_t>(segments);
        m.triangle(rings[0][s], rings[0][t], rings[1][t]);
        m.triangle(rings[0][s], rings[1][t], rings[1][s]);
        m.triangle(bottom, rings[0][t], rings[0][s]);
        m.triangle(top, rings[1][s], rings[1][t]);
    }
    return m;
}

// Every edge used once in each direction, and by no other facet.
void check_closed(const Mesh& m, const std::string& name)
{
    std::map<std::pair<int, int>, int> edges;
    for (const Triangle& t : m.triangles)
        for (std::size_t k = 0; k < 3; ++k)
            ++edges[{t[k], t[(k + 1) % 3]}];
    for (const auto& [edge, count] : edges)
        if (count != 1 || edges.count({edge.second, edge.first}) == 0)
            throw std::logic_error(name + ": the mesh is not closed");
}

std::string number(double value)
{
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6).ptr;
    std::string text(buffer, end);
    if (text == "-0.000000")
        text = "0.000000";
    return text;
}

std::string triple(const Point& p) { return number(p[0]) + " " + number(p[1]) + " " + number(p[2]); }

std::string template_text(const Mesh& m)
{
    std::vector<std::string> vertex_text;
    for (const Point& p : m.vertices)
        vertex_text.push_back(triple(p));
    std::string text;
    for (const Triangle& t : m.triangles) {
        const Point& a = m.vertices[static_cast<std::size_t>(t[0])];
        const Point& b = m.vertices[static_cast<std::size_t>(t[1])];
        const Point& c = m.vertices[static_cast<std::size_t>(t[2])];
        text += triple(unit(cross(sub(b, a), sub(c, a)))) + "\r\n";
        for (const int v : t)
            text += vertex_text[static_cast<std::size_t>(v)] + "\r\n";
    }
    return text;
}

void write(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: vexalith-make-templates OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    try {
        const std::vector<std::pair<std::string, Mesh>> meshes{
            {"ball.txt", geodesic_sphere(4)},
            {"ball1.txt", icosahedron()},
            {"ball2.txt", flattened_sphere({-45, -30, -15, 0, 15, 30, 45}, 24)},
            {"cylinder.txt", cylinder(24)},
        };
        for (const auto& [name, mesh] : meshes) {
            check_closed(mesh, name);
            write(folder + name, template_text(mesh));
        }
        write(folder + "Vexalithempty.wrl", "#VRML V2.0 utf8\r\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexalith-make-templates: %s\n", e.what());
        return 1;
    }
    return 0;
}
