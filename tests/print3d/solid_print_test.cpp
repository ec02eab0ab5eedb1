// The watertight solid, its colour bodies and the printability report,
// held to the model's true spheres and cylinders: closed and oriented
// shells (by the edges and by admesh), the surface within the tolerance,
// the volume against a Monte Carlo estimate of the analytic union, pieces
// as the report counts them, colour bodies that split the solid, and the
// same mesh whatever the number of threads.
#include <gtest/gtest.h>
#include <tbb/global_control.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>

#include "common/reporter.h"
#include "model/model.h"
#include "print3d/binary_stl_writer.h"
#include "print3d/print_report.h"
#include "print3d/print_shapes.h"
#include "print3d/solid_mesh.h"
#include "print3d/stl_test_support.h"
#include "print3d/stl_writer.h"
#include "structure/present_elements.h"
#include "support/admesh_check.h"
#include "support/corpus.h"
#include "support/loading.h"
#include "support/model_builder.h"

namespace vexalith {
namespace {

// A corpus structure with the options a print of it would use.
struct Loaded {
    Structure structure;
    ModelOptions options;
    Model model() const { return build_model(structure, options); }
};

std::unique_ptr<Loaded> load(const std::string& name, int32_t mode, int32_t size,
                             CrystalMode crystal = CrystalMode::Asymmetric)
{
    auto loaded = std::make_unique<Loaded>();
    loaded->options.Crystal = crystal;
    Reporter quiet;
    testsupport::load_text(testsupport::corpus_text(name), loaded->structure, loaded->options, quiet, name);
    replace_unknown_symbols(loaded->structure);
    loaded->options.ModelMode = mode;
    loaded->options.ModelSize = size;
    return loaded;
}

// --- An independent account of the union: inside tests of its own ------

bool inside_sphere(const PrintSphere& s, const Point3& p)
{
    const double dx = p[0] - s.centre[0];
    const double dy = p[1] - s.centre[1];
    const double dz = p[2] - s.centre[2];
    return dx * dx + dy * dy + dz * dz < s.radius * s.radius;
}

bool inside_cylinder(const PrintCylinder& c, const Point3& p)
{
    double axis[3];
    double from[3];
    double length2 = 0;
    for (int k = 0; k < 3; ++k) {
        axis[k] = c.end[k] - c.start[k];
        from[k] = p[k] - c.start[k];
        length2 += axis[k] * axis[k];
    }
    const double t = (from[0] * axis[0] + from[1] * axis[1] + from[2] * axis[2]) / length2;
    if (t < 0 || t > 1)
        return false;
    double radial2 = 0;
    for (int k = 0; k < 3; ++k)
        radial2 += (from[k] - t * axis[k]) * (from[k] - t * axis[k]);
    return radial2 < c.radius * c.radius;
}

bool inside_union(const PrintShapes& shapes, const Point3& p)
{
    return std::any_of(shapes.spheres.begin(), shapes.spheres.end(),
                       [&](const PrintSphere& s) { return inside_sphere(s, p); }) ||
           std::any_of(shapes.cylinders.begin(), shapes.cylinders.end(),
                       [&](const PrintCylinder& c) { return inside_cylinder(c, p); });
}

double union_distance(const PrintShapes& shapes, const Point3& p)
{
    double best = 1e30;
    for (const PrintSphere& s : shapes.spheres)
        best = std::min(best, signed_distance(s, p));
    for (const PrintCylinder& c : shapes.cylinders)
        best = std::min(best, signed_distance(c, p));
    return best;
}

// The union's volume by sampling `samples` points of its box.
double monte_carlo_volume(const PrintShapes& shapes, int samples)
{
    const auto box = shapes_bounds(shapes);
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(0, 1);
    int inside = 0;
    for (int n = 0; n < samples; ++n) {
        Point3 p{};
        for (std::size_t k = 0; k < 3; ++k)
            p[k] = box[0][k] + unit(random) * (box[1][k] - box[0][k]);
        inside += inside_union(shapes, p) ? 1 : 0;
    }
    const double box_volume = (box[1][0] - box[0][0]) * (box[1][1] - box[0][1]) * (box[1][2] - box[0][2]);
    return box_volume * inside / samples;
}

// Every directed edge once, and its reverse once: closed and consistently
// oriented.  Returns the first fault found.
std::string edge_faults(const SolidMesh& mesh)
{
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (const auto& t : mesh.triangles) {
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2])
            return "a facet repeats a corner";
        for (std::size_t e = 0; e < 3; ++e)
            ++edges[{t[e], t[(e + 1) % 3]}];
    }
    for (const auto& [edge, count] : edges) {
        if (count != 1)
            return "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) + " runs the same way " +
                   std::to_string(count) + " times";
        if (edges.count({edge.second, edge.first}) == 0)
            return "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) + " is open";
    }
    return "";
}

// Whether p is inside the closed mesh: a ray along +x crosses it an odd
// number of times.
bool inside_mesh(const SolidMesh& mesh, const Point3& p)
{
    int crossings = 0;
    for (const auto& t : mesh.triangles) {
        const auto& a = mesh.vertices[t[0]];
        const auto& b = mesh.vertices[t[1]];
        const auto& c = mesh.vertices[t[2]];
        if ((a[1] > p[1]) == (b[1] > p[1]) && (b[1] > p[1]) == (c[1] > p[1]))
            continue;
        if ((a[2] > p[2]) == (b[2] > p[2]) && (b[2] > p[2]) == (c[2] > p[2]))
            continue;
        // Barycentric coordinates of (p_y, p_z) in the facet's shadow on
        // the y-z plane.
        const double d = (b[1] - a[1]) * (c[2] - a[2]) - (c[1] - a[1]) * (b[2] - a[2]);
        if (d == 0)
            continue;
        const double u = ((p[1] - a[1]) * (c[2] - a[2]) - (c[1] - a[1]) * (p[2] - a[2])) / d;
        const double v = ((b[1] - a[1]) * (p[2] - a[2]) - (p[1] - a[1]) * (b[2] - a[2])) / d;
        if (u < 0 || v < 0 || u + v > 1)
            continue;
        const double x = a[0] + u * (b[0] - a[0]) + v * (c[0] - a[0]);
        crossings += x > p[0] ? 1 : 0;
    }
    return crossings % 2 == 1;
}

// --- The shapes ---------------------------------------------------------

TEST(PrintShapes, DistancesOfASphereAndACappedCylinder)
{
    const PrintSphere sphere{{1, 2, 3}, 2, 0, 1};
    EXPECT_NEAR(signed_distance(sphere, {1, 2, 3}), -2, 1e-12);
    EXPECT_NEAR(signed_distance(sphere, {4, 2, 3}), 1, 1e-12);
    const PrintCylinder cylinder{{0, 0, 0}, {0, 0, 10}, 1, 0};
    EXPECT_NEAR(signed_distance(cylinder, {0, 0, 5}), -1, 1e-12);      // on the axis: the side is nearest
    EXPECT_NEAR(signed_distance(cylinder, {0, 0, 0.5}), -0.5, 1e-12);  // near a cap
    EXPECT_NEAR(signed_distance(cylinder, {3, 0, 5}), 2, 1e-12);
    EXPECT_NEAR(signed_distance(cylinder, {0, 0, -2}), 2, 1e-12);
    EXPECT_NEAR(signed_distance(cylinder, {4, 0, 14}), 5, 1e-12);  // from the rim: 3-4-5
}

TEST(PrintShapes, FollowTheStlWritersScaleRadiiAndCylinders)
{
    const auto caffeine = load("pyobjcryst_caffeine.cif", BallAndStick, 100);
    const Model model = caffeine->model();
    const PrintShapes shapes = print_shapes(model);
    EXPECT_EQ(shapes.spheres.size(), model.shown.size());
    EXPECT_EQ(shapes.cylinders.size(), 25u);
    const double k = 100.0 / static_cast<double>(caffeine->structure.ModelExtent) / 2;
    EXPECT_NEAR(static_cast<double>(shapes.millimetres_per_angstrom), k, 1e-9);
    // The largest coordinate becomes half the model size.
    double largest = 0;
    for (const PrintSphere& s : shapes.spheres)
        for (const double c : s.centre)
            largest = std::max(largest, std::abs(c));
    EXPECT_NEAR(largest, 50, 1e-6);
    // Carbon in ball-and-stick: half its covalent radius, scaled.
    for (const PrintSphere& s : shapes.spheres)
        if (shapes.colours[static_cast<std::size_t>(s.colour)].name == "C") {
            EXPECT_NEAR(s.radius, static_cast<double>(sphere_radius("C", BallAndStick)) * k, 1e-9);
        }
    // Colours: the elements present, then the bond colour.
    std::vector<std::string> names;
    for (const PrintColour& colour : shapes.colours)
        names.push_back(colour.name);
    EXPECT_NE(std::find(names.begin(), names.end(), "bond"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "O"), names.end());
    EXPECT_EQ(colour_bytes("1 0.5 0"), (std::array<uint8_t, 3>{255, 128, 0}));
}

// A cell's edges are rods of 1.2 mm from corner to corner, in a colour of
// their own, and make one frame.
TEST(PrintShapes, CellEdgesAreRodsFromCornerToCorner)
{
    auto cell = load("pyobjcryst_paracetamol.cif", CovalentRadius, 100, CrystalMode::Cell);
    cell->options.CellEdges = true;
    const Model model = cell->model();
    const PrintShapes shapes = print_shapes(model);
    PrintShapes rods;
    for (const PrintCylinder& c : shapes.cylinders)
        if (shapes.colours[static_cast<std::size_t>(c.colour)].name == "cell edge")
            rods.cylinders.push_back(c);
    ASSERT_EQ(rods.cylinders.size(), 12u);
    const double k = static_cast<double>(shapes.millimetres_per_angstrom);
    const std::array<long double, 3> cell_lengths{cell->structure.CellA, cell->structure.CellB, cell->structure.CellC};
    std::multiset<long> lengths;  // in hundredths of an angstrom
    for (const PrintCylinder& rod : rods.cylinders) {
        EXPECT_NEAR(rod.radius, 0.6, 1e-9);
        const double dx = rod.end[0] - rod.start[0];
        const double dy = rod.end[1] - rod.start[1];
        const double dz = rod.end[2] - rod.start[2];
        lengths.insert(std::lround(std::sqrt(dx * dx + dy * dy + dz * dz) / k * 100));
    }
    for (const long double edge : cell_lengths)
        EXPECT_EQ(lengths.count(std::lround(static_cast<double>(edge) * 100)), 4u) << static_cast<double>(edge);
    EXPECT_EQ(shape_pieces(rods).size(), 12u);
    const std::vector<int32_t> pieces = shape_pieces(rods);
    EXPECT_EQ(*std::max_element(pieces.begin(), pieces.end()), 0) << "the twelve rods are one frame";
}

// --- The solid ----------------------------------------------------------

TEST(SolidMesh, CaffeineIsOneClosedOrientedShellOnTheTrueSurfaceWithTheUnionsVolume)
{
    const auto caffeine = load("pyobjcryst_caffeine.cif", BallAndStick, 40);
    const Model model = caffeine->model();
    const PrintShapes shapes = print_shapes(model);
    const SolidSettings settings{0.05};
    const SolidMesh mesh = solid_mesh(shapes, settings);
    ASSERT_GT(mesh.triangles.size(), 1000u);
    EXPECT_EQ(edge_faults(mesh), "");
    EXPECT_EQ(mesh_shells(mesh), 1);

    // Corners, edge middles and facet centres within the tolerance of the
    // analytic union.
    double worst = 0;
    for (const auto& t : mesh.triangles) {
        Point3 centre{};
        for (std::size_t e = 0; e < 3; ++e) {
            const auto& a = mesh.vertices[t[e]];
            const auto& b = mesh.vertices[t[(e + 1) % 3]];
            worst = std::max(worst, std::abs(union_distance(shapes, {a[0], a[1], a[2]})));
            worst = std::max(worst, std::abs(union_distance(
                                        shapes, {(a[0] + b[0]) / 2.0, (a[1] + b[1]) / 2.0, (a[2] + b[2]) / 2.0})));
            for (std::size_t k = 0; k < 3; ++k)
                centre[k] += a[k] / 3.0;
        }
        worst = std::max(worst, std::abs(union_distance(shapes, centre)));
    }
    EXPECT_LE(worst, settings.tolerance);

    const double estimate = monte_carlo_volume(shapes, 400000);
    EXPECT_NEAR(mesh_volume(mesh), estimate, 0.02 * estimate);
    // Less than the parts added up: overlaps count once.
    double parts = 0;
    for (const PrintSphere& s : shapes.spheres)
        parts += 4.0 / 3.0 * M_PI * s.radius * s.radius * s.radius;
    for (const PrintCylinder& c : shapes.cylinders) {
        const double dx = c.end[0] - c.start[0];
        const double dy = c.end[1] - c.start[1];
        const double dz = c.end[2] - c.start[2];
        parts += M_PI * c.radius * c.radius * std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    EXPECT_LT(mesh_volume(mesh), 0.9 * parts);
}

TEST(SolidMesh, ACoarserToleranceMakesFewerFacetsAndStaysWithinIt)
{
    const auto caffeine = load("pyobjcryst_caffeine.cif", CovalentRadius, 30);
    const PrintShapes shapes = print_shapes(caffeine->model());
    const SolidMesh fine = solid_mesh(shapes, SolidSettings{0.05});
    const SolidMesh coarse = solid_mesh(shapes, SolidSettings{0.2});
    EXPECT_LT(coarse.triangles.size() * 4, fine.triangles.size());
    EXPECT_EQ(edge_faults(coarse), "");
    double worst = 0;
    for (const auto& v : coarse.vertices)
        worst = std::max(worst, std::abs(union_distance(shapes, {v[0], v[1], v[2]})));
    EXPECT_LE(worst, 0.2);
    // Each surface within its tolerance of the true one: the volumes differ
    // by less than the area times the two tolerances.
    double area = 0;
    for (const auto& t : fine.triangles) {
        const auto& a = fine.vertices[t[0]];
        const auto& b = fine.vertices[t[1]];
        const auto& c = fine.vertices[t[2]];
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        area += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2;
    }
    EXPECT_NEAR(mesh_volume(coarse), mesh_volume(fine), area * (0.2 + 0.05));
    EXPECT_GT(std::abs(mesh_volume(coarse) - mesh_volume(fine)), 0) << "two different meshes";
}

TEST(SolidMesh, IonsThatNothingHoldsArePiecesOfTheirOwnAsTheReportCounts)
{
    // Two bonded carbons and a sodium ion far from them.
    const Structure structure = testsupport::make_model({{"C", -3.0L, 0, 0}, {"C", -1.5L, 0, 0}, {"Na", 3.0L, 0, 0}});
    ModelOptions options;
    options.ModelSize = 30;
    const Model model = build_model(structure, options);
    const PrintShapes shapes = print_shapes(model);
    ASSERT_EQ(shapes.cylinders.size(), 1u);
    const SolidMesh mesh = solid_mesh(shapes, SolidSettings{0.05});
    const PrintReport report = print_report(shapes, mesh_volume(mesh));
    EXPECT_EQ(report.pieces, 2);
    EXPECT_EQ(mesh_shells(mesh), report.pieces);
    EXPECT_EQ(edge_faults(mesh), "");
    ASSERT_FALSE(report.warnings.empty());
    EXPECT_NE(report.warnings.back().find("2 pieces"), std::string::npos) << report.warnings.back();
}

TEST(SolidMesh, ACorpusProteinsPiecesAreTheReportsAndAdmeshs)
{
    if (!testsupport::admesh_available())
        GTEST_SKIP() << "admesh is not installed";
    // 1CBS as the program draws a protein: its ligand and the ions that
    // nothing holds print as pieces of their own.
    auto protein = load("libcifpp_1cbs.cif", VanDerWaals, 60);
    const PrintReport report = print_report(protein->model());
    EXPECT_GT(report.pieces, 1);
    EXPECT_NE(report.warnings.back().find(std::to_string(report.pieces) + " pieces"), std::string::npos);

    protein->options.SolidPrint = true;
    const std::string file = testsupport::temp_dir() + "/1cbs.stl";
    Reporter quiet;
    write_binary_stl(file, protein->model(), load_stl_templates(stltest::data_dir()), quiet);
    EXPECT_EQ(testsupport::admesh_problems(file, static_cast<std::size_t>(report.pieces)), "");
    const auto volume = testsupport::value_after(testsupport::run_admesh(file), "Volume");
    ASSERT_TRUE(volume.has_value());
    EXPECT_NEAR(*volume, report.volume, 1e-3 * report.volume);
}

TEST(SolidMesh, OneThreadMakesTheSameMeshAsMany)
{
    const auto caffeine = load("pyobjcryst_caffeine.cif", CovalentRadius, 30);
    const PrintShapes shapes = print_shapes(caffeine->model());
    const SolidMesh many = solid_mesh(shapes, SolidSettings{0.05});
    SolidMesh one;
    {
        const tbb::global_control single(tbb::global_control::max_allowed_parallelism, 1);
        one = solid_mesh(shapes, SolidSettings{0.05});
    }
    EXPECT_GT(many.triangles.size(), 1000u);
    EXPECT_TRUE(one.vertices == many.vertices);
    EXPECT_TRUE(one.triangles == many.triangles);
}

TEST(SolidMesh, NoShapesIsRefused) { EXPECT_THROW(solid_mesh(PrintShapes{}, SolidSettings{}), ConversionError); }

// --- The colour bodies --------------------------------------------------

TEST(ColourSolid, BodiesAreClosedDisjointAndMakeTheSolid)
{
    const auto caffeine = load("pyobjcryst_caffeine.cif", BallAndStick, 30);
    const PrintShapes shapes = print_shapes(caffeine->model());
    const SolidSettings settings{0.05};
    const SolidMesh solid = solid_mesh(shapes, settings);
    const std::vector<SolidMesh> bodies = colour_solid_meshes(shapes, settings);
    ASSERT_EQ(bodies.size(), shapes.colours.size());
    double sum = 0;
    for (std::size_t c = 0; c < bodies.size(); ++c) {
        SCOPED_TRACE(shapes.colours[c].name);
        ASSERT_FALSE(bodies[c].triangles.empty());
        EXPECT_EQ(edge_faults(bodies[c]), "");
        EXPECT_GT(mesh_volume(bodies[c]), 0);
        sum += mesh_volume(bodies[c]);
    }
    // The faces between colours stay where the mesher puts them, within a
    // voxel of the true ones: a little material goes missing along them.
    EXPECT_NEAR(sum, mesh_volume(solid), 0.015 * mesh_volume(solid));

    // Points of the union lie in exactly one body, points outside in none;
    // points within a voxel of a surface or a colour face are left out.
    const auto box = shapes_bounds(shapes);
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    const double voxel = solid_voxel_size(settings.tolerance);
    int checked = 0;
    int wrong = 0;
    for (int n = 0; n < 600; ++n) {
        Point3 p{};
        for (std::size_t k = 0; k < 3; ++k)
            p[k] = box[0][k] + unit(random) * (box[1][k] - box[0][k]);
        if (std::abs(union_distance(shapes, p)) < voxel)
            continue;
        int in = 0;
        for (const SolidMesh& body : bodies)
            in += inside_mesh(body, p) ? 1 : 0;
        ++checked;
        wrong += in != (inside_union(shapes, p) ? 1 : 0) ? 1 : 0;
    }
    EXPECT_GT(checked, 400);
    // A sample may fall within a voxel of a face between two colours.
    EXPECT_LE(wrong, 2) << "of " << checked;
}

// --- The report ---------------------------------------------------------

TEST(PrintReport, SizesScaleAndWarningsForThinParts)
{
    const auto caffeine = load("pyobjcryst_caffeine.cif", BallAndStick, 40);
    caffeine->options.SolidTolerance = 0.1;
    const Model model = caffeine->model();
    const PrintShapes shapes = print_shapes(model);
    const PrintReport report = print_report(model);
    EXPECT_NEAR(report.millimetres_per_angstrom, 40.0 / static_cast<double>(caffeine->structure.ModelExtent) / 2, 1e-9);
    // The largest extent: the atom centres fill 40 mm, the spheres reach out.
    const double largest = *std::max_element(report.size.begin(), report.size.end());
    EXPECT_GT(largest, 40);
    EXPECT_LT(largest, 40 + 2 * 0.8 * report.millimetres_per_angstrom);
    double thinnest = 1e9;
    for (const PrintCylinder& c : shapes.cylinders)
        thinnest = std::min(thinnest, 2 * c.radius);
    ASSERT_TRUE(report.thinnest_bond.has_value());
    EXPECT_DOUBLE_EQ(*report.thinnest_bond, thinnest);
    EXPECT_EQ(report.pieces, 1);
    EXPECT_NEAR(report.mass_pla, report.volume * 1.24e-3, 1e-9);

    const std::string text = print_report_text(report);
    std::vector<std::string> keys;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        keys.push_back(text.substr(at, text.find(':', at) - at));
        at = end + 1;
    }
    const std::vector<std::string> expected{
        "PrintSize", "MillimetresPerAngstrom", "ThinnestBond", "SmallestAtom", "Pieces", "Volume", "MassPLA"};
    ASSERT_GE(keys.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(keys.begin(), keys.begin() + 7), expected);
    for (std::size_t n = 7; n < keys.size(); ++n)
        EXPECT_EQ(keys[n], "Warning");

    // Bond diameter 5 at 40 mm: bonds some 0.8 mm, too thin for filament
    // but not for powder; at 250 mm nothing is too thin.
    const auto thin = [](const PrintReport& r, std::string_view what) {
        return std::count_if(r.warnings.begin(), r.warnings.end(),
                             [&](const std::string& w) { return w.rfind(what, 0) == 0; });
    };
    const PrintReport big_report = [&] {
        caffeine->options.ModelSize = 250;
        return print_report(print_shapes(caffeine->model()), 1);
    }();
    EXPECT_EQ(thin(big_report, "bonds"), 0);
    EXPECT_EQ(thin(big_report, "atoms"), 0);
    caffeine->options.ModelSize = 25;
    caffeine->options.BondDiameter = 5;
    const PrintReport tiny = print_report(print_shapes(caffeine->model()), 1);
    ASSERT_TRUE(tiny.thinnest_bond.has_value());
    EXPECT_LT(*tiny.thinnest_bond, kPowderThinnest);
    EXPECT_EQ(thin(tiny, "bonds"), 1);
    EXPECT_NE(tiny.warnings.front().find("powder"), std::string::npos);
}

}  // namespace
}  // namespace vexalith
