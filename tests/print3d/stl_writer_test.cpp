#include "print3d/stl_writer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <map>
#include <numbers>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>

#include "common/error.h"
#include "common/output_limit.h"
#include "model/crystal.h"
#include "model/element_radii.h"
#include "model/vector3.h"
#include "print3d/stl_test_support.h"
#include "structure/cif_reader.h"
#include "structure/present_elements.h"
#include "support/admesh_check.h"
#include "support/corpus.h"
#include "support/loading.h"
#include "support/model_builder.h"

namespace vexalith {
namespace {

using stltest::Facet;
using stltest::parse_solid;
using stltest::Solid;
using testsupport::make_model;
using testsupport::TestAtom;

const StlTemplates& real_templates()
{
    static const StlTemplates templates = load_stl_templates(stltest::data_dir());
    return templates;
}

// Octahedron (ball), tetrahedron (ball1), cube (ball2), hexagonal prism
// (cylinder): small meshes that keep expected files small.
const StlTemplates& small_templates()
{
    static const StlTemplates templates = load_stl_templates(stltest::golden_dir() + "/templates");
    return templates;
}

std::string stl_text(const Structure& model, ModelOptions options, const StlTemplates& templates,
                     std::string_view name = "test.stl")
{
    StringSink sink;
    Reporter quiet;
    write_stl(sink, name, build_model(model, options), templates, quiet);
    return sink.text();
}

Structure read_corpus(const std::string& name, ModelOptions& options)
{
    Structure model;
    Reporter quiet;
    testsupport::load_text(testsupport::corpus_text(name), model, options, quiet, name);
    replace_unknown_symbols(model);
    return model;
}

// The spheres come first, in atom order; everything after them is cylinders.
std::size_t sphere_facets(const Structure& model, const ModelOptions& options, const StlTemplates& t)
{
    std::size_t n = 0;
    for (int32_t i = 1; i <= model.AtomCount; ++i)
        if (atom_ok(model, options, i))
            n += sphere_template(t, model.AtomSymbol[static_cast<std::size_t>(i)])->facets.size();
    return n;
}

struct Cylinders {
    std::vector<std::vector<Facet>> meshes;
};

Cylinders cylinders_of(const Solid& solid, std::size_t spheres, const StlTemplates& t)
{
    Cylinders c;
    const std::size_t per = t.cylinder.facets.size();
    EXPECT_GE(solid.facets.size(), spheres);
    EXPECT_EQ((solid.facets.size() - spheres) % per, 0u) << "cylinders are whole meshes";
    for (std::size_t at = spheres; at + per <= solid.facets.size(); at += per)
        c.meshes.emplace_back(solid.facets.begin() + static_cast<std::ptrdiff_t>(at),
                              solid.facets.begin() + static_cast<std::ptrdiff_t>(at + per));
    return c;
}

// ---- Numbers and the frame of the file ----

TEST(StlNumbers, VertexAndNormalFormats)
{
    EXPECT_EQ(stl_vertex_number(1.5L), " 1.50");
    EXPECT_EQ(stl_vertex_number(-0.25L), "-0.25");
    EXPECT_EQ(stl_vertex_number(123.456L), "123.46");
    EXPECT_EQ(stl_vertex_number(-123.456L), "-123.46");
    EXPECT_EQ(stl_vertex_number(0), " 0.00");
    EXPECT_EQ(stl_vertex_number(44.25L), "44.25");
    EXPECT_EQ(stl_normal_number(0.5L), " 0.500");
    EXPECT_EQ(stl_normal_number(-0.5L), "-0.500");
    EXPECT_EQ(stl_normal_number(1), " 1.000");
    EXPECT_EQ(stl_normal_number(0.0004L), " 0.000");
    EXPECT_EQ(stl_normal_number(0.9995001L), " 1.000");
}

// The exact conversion of the binary value, right-aligned: the definition
// of both formats.
std::string exact_fixed(long double value, int decimals, std::size_t width)
{
    char buffer[128];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals).ptr;
    std::string text(buffer, end);
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

TEST(StlNumbers, ShortcutGivesTheExactConversion)
{
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> any(-1, 1);
    std::uniform_int_distribution<int> exponent(-12, 45);
    std::uniform_int_distribution<int64_t> hundredths(-10000000, 10000000);
    for (int n = 0; n < 300000; ++n) {
        const long double value = std::ldexp(static_cast<long double>(any(random)), exponent(random));
        // Ties and near-ties of the last decimal, and values that round to
        // zero from below ("-0.00").
        const long double tie = (static_cast<long double>(hundredths(random)) + 0.5L) / 100;
        for (const long double v : {value, tie, std::nextafter(tie, 0.0L), -std::fabs(value) / 1e6L}) {
            ASSERT_EQ(stl_vertex_number(v), exact_fixed(v, 2, 5)) << static_cast<double>(v);
            ASSERT_EQ(stl_normal_number(v), exact_fixed(v, 3, 6)) << static_cast<double>(v);
        }
    }
    EXPECT_EQ(stl_vertex_number(-0.0L), exact_fixed(-0.0L, 2, 5));
    EXPECT_EQ(stl_vertex_number(-0.001L), "-0.00");
    EXPECT_EQ(stl_vertex_number(1e40L), exact_fixed(1e40L, 2, 5));
}

TEST(StlFile, WorkedExampleCarbonAtOneOfTwo)
{
    // Carbon at scene (1, 0, 0), ModelExtent 2, ModelSize 100, covalent
    // radius 0.77: the template vertex (1, 0, 0) lands at 100 * 1.77 / 2 / 2.
    Structure model = make_model({{"C", 1, 0, 0}});
    model.ModelExtent = 2;
    ModelOptions options;
    options.ModelMode = CovalentRadius;
    options.ModelSize = 100;
    const StlTemplate one = parse_stl_template("normal as written\n1 0 0\n0 1 0\n-1 0 0\n", "one.txt");
    const StlTemplates templates{one, one, one, one};
    EXPECT_EQ(stl_text(model, options, templates, "/some/folder/test.stl"),
              "solid test STL\r\n"
              "facet normal normal as written\r\n"
              "    outer loop \r\n"
              "      vertex 44.25  0.00  0.00\r\n"
              "      vertex 25.00 19.25  0.00\r\n"
              "      vertex  5.75  0.00  0.00\r\n"
              "    endloop \r\n"
              "endfacet\r\n"
              "endsolid test STL\r\n");
}

TEST(StlFile, SolidIsNamedAfterTheFile)
{
    const Structure one = make_model({{"C", 0, 0, 0}});
    for (const char* name : {"quartz.stl", "a.b.stl"}) {
        const std::string text = stl_text(one, ModelOptions{}, real_templates(), name);
        const std::string solid = std::string(name).substr(0, std::string(name).size() - 4);
        EXPECT_EQ(text.rfind("solid " + solid + " STL\r\nfacet normal ", 0), 0u) << name;
        EXPECT_TRUE(text.ends_with("endfacet\r\nendsolid " + solid + " STL\r\n")) << name;
    }
}

// A model without a shown atom would give a solid of two lines that prints
// nothing: the export refuses it and leaves the folder as it was.
TEST(StlFile, AModelWithoutShownAtomsIsRefused)
{
    const std::string dir = testsupport::temp_dir();
    Reporter quiet;
    ModelOptions options;
    Structure empty = make_model({});
    empty.FileName = "/data/empty.cif";
    try {
        write_stl(dir + "/quartz.stl", build_model(empty, options), real_templates(), quiet);
        ADD_FAILURE() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_EQ(std::string(e.what()), "/data/empty.cif: no atoms found, sorry");
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/quartz.stl"));

    // Atoms that all fail the display filter: an existing file stays.
    testsupport::write_file(dir + "/w.stl", "earlier");
    Structure water = make_model({{"O", 0, 0, 0, 0, "HOH"}, {"H", 0.96L, 0, 0, 0, "HOH"}});
    water.FileName = "w.cif";
    try {
        write_stl(dir + "/w.stl", build_model(water, options), real_templates(), quiet);
        ADD_FAILURE() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_NE(std::string(e.what()).find("w.cif: nothing to export: the model options hide every atom"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(testsupport::read_file(dir + "/w.stl"), "earlier");
    StringSink sink;
    EXPECT_THROW(write_stl(sink, "w.stl", build_model(water, options), real_templates(), quiet), ConversionError);
    EXPECT_EQ(sink.text(), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator{}), 1)
        << "w.stl alone, no temporary file";
}

TEST(StlFile, SuppressWaterHidesWaterAtEveryExport)
{
    const Structure water = make_model({{"O", 0, 0, 0, 0, "HOH"}, {"C", 5, 0, 0, 0, "GLY"}});
    ModelOptions options;
    SetSuppressWaterBox(options, true);
    StringSink sink;
    Reporter quiet;
    write_stl(sink, "w.stl", build_model(water, options), real_templates(), quiet);
    EXPECT_EQ(parse_solid(sink.text()).facets.size(), real_templates().ball.facets.size());

    SetSuppressWaterBox(options, false);
    EXPECT_EQ(parse_solid(stl_text(water, options, real_templates())).facets.size(),
              real_templates().ball2.facets.size() + real_templates().ball.facets.size());
}

TEST(StlFile, TemplateByElement)
{
    // Atoms far apart: spheres only, in atom order.
    const std::vector<std::string> symbols{"N", "O", "B", "C", "H", "LI", "I", "FE"};
    std::vector<TestAtom> atoms;
    for (std::size_t k = 0; k < symbols.size(); ++k)
        atoms.push_back({symbols[k], 10.0L * static_cast<long double>(k), 0, 0});
    const StlTemplates& t = small_templates();
    const std::vector<const StlTemplate*> expected{&t.ball1, &t.ball2, &t.ball2, &t.ball,
                                                   &t.ball,  &t.ball,  &t.ball,  &t.ball};
    const Solid solid = parse_solid(stl_text(make_model(atoms), ModelOptions{}, t));
    std::vector<std::string> normals;
    for (const StlTemplate* mesh : expected)
        for (const TemplateFacet& f : mesh->facets)
            normals.push_back(f.normal);
    ASSERT_EQ(solid.facets.size(), normals.size());
    for (std::size_t k = 0; k < normals.size(); ++k)
        EXPECT_EQ(solid.facets[k].normal, normals[k]) << "facet " << k;

    EXPECT_EQ(sphere_template(t, "N"), &t.ball1);
    EXPECT_EQ(sphere_template(t, "NA"), &t.ball);
    EXPECT_EQ(sphere_template(t, "O"), &t.ball2);
    EXPECT_EQ(sphere_template(t, "OS"), &t.ball);
    EXPECT_EQ(sphere_template(t, "BR"), &t.ball);
}

TEST(StlFile, SphereRadiusByMode)
{
    EXPECT_EQ(sphere_radius("C", BallAndStick), 0.385L);
    EXPECT_EQ(sphere_radius("C", CovalentRadius), 0.77L);
    EXPECT_EQ(sphere_radius("C", VanDerWaals), GetVanDerWaalsRadius("C"));
    EXPECT_EQ(sphere_radius("C", 4), 1.0L);
    EXPECT_EQ(sphere_radius("HX", CovalentRadius), 1.0L) << "no element row: radius 1";
    EXPECT_EQ(sphere_radius("Q", CovalentRadius), 1.0L) << "the row after the known elements does not count";
}

// ---- Which pairs get a cylinder ----

std::size_t cylinder_count(const Structure& model, const ModelOptions& options, const StlTemplates& t)
{
    const Solid solid = parse_solid(stl_text(model, options, t));
    return cylinders_of(solid, sphere_facets(model, options, t), t).meshes.size();
}

TEST(StlCylinders, DisorderPartsAndPartZero)
{
    // Atoms 1 and 2 in different parts 1.5 A apart; atom 3 of part 0 1.5 A from atom 1.
    Structure model = make_model({{"C", 0, 0, 0, 1}, {"C", 1.5L, 0, 0, 2}, {"C", 0, 1.5L, 0, 0}});
    ModelOptions options;
    const StlTemplates& t = small_templates();
    const Solid solid = parse_solid(stl_text(model, options, t));
    const Cylinders c = cylinders_of(solid, sphere_facets(model, options, t), t);
    ASSERT_EQ(c.meshes.size(), 1u);
    // It joins atoms 1 and 3: its centre is their midpoint (0, 0.75, 0) scaled by 100 / 1.5 / 2.
    Vec3 sum{};
    for (const Facet& f : c.meshes[0])
        sum = sum + stltest::centroid(f);
    const Vec3 middle = sum * (1.0L / static_cast<long double>(c.meshes[0].size()));
    EXPECT_NEAR(static_cast<double>(middle[0]), 0, 0.3);
    EXPECT_NEAR(static_cast<double>(middle[1]), 25, 0.3);

    model.AtomCoord[2].part = 1;
    EXPECT_EQ(cylinder_count(model, options, t), 2u) << "within one part the pair bonds";
}

TEST(StlCylinders, VanDerWaalsWithoutHydrogenBondsOrHelicesHoldsSpheresOnly)
{
    ModelOptions options;
    Structure model = read_corpus("pyobjcryst_caffeine.cif", options);
    ASSERT_EQ(model.AtomCount, 24);
    options.Helices = false;
    options.HydrogenBondsOnly = false;
    options.HydrogenBondsAndVanDerWaals = false;
    const StlTemplates& t = small_templates();
    options.ModelMode = VanDerWaals;
    const Solid solid = parse_solid(stl_text(model, options, t));
    EXPECT_EQ(solid.facets.size(), sphere_facets(model, options, t));
    // The same molecule in ball-and-stick mode: caffeine has 25 bonds.
    options.ModelMode = BallAndStick;
    EXPECT_EQ(cylinder_count(model, options, t), 25u);
}

// Bounding box of a mesh lying along the x axis: half-length along x,
// radius across.
struct AlongX {
    long double half_length = 0;
    long double radius = 0;
};

AlongX measure_along_x(const std::vector<Facet>& mesh)
{
    AlongX m;
    for (const Facet& f : mesh)
        for (const Vec3& v : f.vertices) {
            m.half_length = std::max(m.half_length, std::fabs(v[0]));
            m.radius = std::max(m.radius, std::hypot(v[1], v[2]));
        }
    return m;
}

TEST(StlCylinders, SizesByKindAndMode)
{
    const StlTemplates& t = real_templates();
    // Every pair lies along x, centred on the origin, ModelExtent 1 and
    // ModelSize 100: one angstrom is 50 mm.
    struct Case {
        std::string what;
        std::vector<TestAtom> atoms;
        int32_t mode;
        bool protein;
        bool hydrogen_bonds;
        long double radius;       // angstrom
        long double half_length;  // angstrom
    };
    const long double d = 1.54L;
    const std::vector<Case> cases{
        {"covalent, ball and stick",
         {{"C", -d / 2, 0, 0}, {"C", d / 2, 0, 0}},
         BallAndStick,
         false,
         false,
         10 * 0.013L,
         d / 2.001L},
        {"covalent, covalent radius",
         {{"C", -d / 2, 0, 0}, {"C", d / 2, 0, 0}},
         CovalentRadius,
         false,
         false,
         10 * 0.027L,
         d / 2.001L},
        {"hydrogen bond, ball and stick",
         {{"O", -0.95L - 0.9L, 0, 0}, {"H", -0.9L, 0, 0}, {"O", 0.9L, 0, 0}},
         BallAndStick,
         false,
         true,
         10 * 0.01L,
         0.9L},
        {"hydrogen bond, covalent radius",
         {{"O", -0.95L - 0.9L, 0, 0}, {"H", -0.9L, 0, 0}, {"O", 0.9L, 0, 0}},
         CovalentRadius,
         false,
         true,
         10 * 0.025L,
         0.9L},
        {"trace segment, ball and stick",
         {{"HX", -1.9L, 0, 0, 0, "HEL"}, {"HX", 1.9L, 0, 0, 0, "HEL"}},
         BallAndStick,
         true,
         false,
         0.097L,
         1.9L},
        {"trace segment, covalent radius",
         {{"HX", -1.9L, 0, 0, 0, "HEL"}, {"HX", 1.9L, 0, 0, 0, "HEL"}},
         CovalentRadius,
         true,
         false,
         0.97L,
         1.9L},
        {"bridge of a protein",
         {{"HX", -1.5L, 0, 0, 0, "HEL"}, {"O", 1.5L, 0, 0, 0, "ASP"}},
         VanDerWaals,
         true,
         false,
         10 * 0.05L,
         1.5L},
    };
    for (const Case& c : cases) {
        Structure model = make_model(c.atoms);
        model.ModelExtent = 1;
        model.ProteinFile = c.protein;
        ModelOptions options;
        options.ModelMode = c.mode;
        options.Helices = true;
        options.HideBridges = true;  // the STL file has its bridges all the same
        options.HydrogenBondsOnly = c.hydrogen_bonds;
        const Solid solid = parse_solid(stl_text(model, options, t));
        const Cylinders cyl = cylinders_of(solid, sphere_facets(model, options, t), t);
        ASSERT_FALSE(cyl.meshes.empty()) << c.what;
        // The cylinder of the pair about the origin is the last one.
        const AlongX m = measure_along_x(cyl.meshes.back());
        const AlongX mm{c.half_length * 50, c.radius * 50};
        // The extreme template vertex is exact on x; across, the 24-gon
        // reaches the full radius at its corners.
        EXPECT_NEAR(static_cast<double>(m.half_length), static_cast<double>(mm.half_length), 0.0051) << c.what;
        EXPECT_NEAR(static_cast<double>(m.radius), static_cast<double>(mm.radius), 0.0075) << c.what;
    }
}

// ---- Placement ----

TEST(StlRotation, TurnsZOntoTheBondDirection)
{
    const std::vector<Vec3> directions{{1, 0, 0},     {0, -2, 0},     {0.3L, -0.4L, 0.5L}, {-1, -1, -1},
                                       {1e-9L, 0, 1}, {1e-9L, 0, -1}, {0, 0, 3},           {0, 0, -3}};
    for (const Vec3& d : directions) {
        const Mat3 r = cylinder_rotation(d);
        const Vec3 unit = d * (1 / length(d));
        // The angle comes from its cosine: within a bond's hair of z it is
        // known only to about 2^-32.
        for (std::size_t row = 0; row < 3; ++row)
            EXPECT_NEAR(static_cast<double>(r[row][2]), static_cast<double>(unit[row]), 1e-9);
        // A proper rotation: orthonormal rows, determinant +1 (no mirror
        // that would turn the mesh inside out).
        for (std::size_t a = 0; a < 3; ++a)
            for (std::size_t b = 0; b < 3; ++b)
                EXPECT_NEAR(static_cast<double>(dot(r[a], r[b])), a == b ? 1.0 : 0.0, 1e-15);
        const Vec3 c0{r[0][0], r[1][0], r[2][0]};
        const Vec3 c1{r[0][1], r[1][1], r[2][1]};
        const Vec3 c2{r[0][2], r[1][2], r[2][2]};
        EXPECT_NEAR(static_cast<double>(dot(cross_product(c0, c1), c2)), 1.0, 1e-15);
    }
    // Along +z nothing turns; along -z half a turn about x.
    EXPECT_EQ(cylinder_rotation({0, 0, 2}), (Mat3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}));
    EXPECT_EQ(cylinder_rotation({0, 0, -2}), (Mat3{{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}));
    // Right-handed: a quarter turn about z takes x to y.
    const Mat3 q = rotation_about_axis({0, 0, 1}, std::numbers::pi_v<long double> / 2);
    EXPECT_NEAR(static_cast<double>(q[1][0]), 1.0, 1e-18);
    EXPECT_NEAR(static_cast<double>(q[0][0]), 0.0, 1e-18);
}

// Every facet of a cylinder about `middle` faces away from it, by its
// written normal and by its winding, and the mesh encloses a positive volume.
void expect_outward(const std::vector<Facet>& mesh, const Vec3& middle, const std::string& what)
{
    for (const Facet& f : mesh) {
        const Vec3 out = stltest::centroid(f) - middle;
        const Vec3 written = stltest::formatted_triple(f.normal, 3, 6);
        EXPECT_GT(dot(written, out), 0) << what << ": normal " << f.normal;
        EXPECT_NEAR(static_cast<double>(length(written)), 1.0, 0.003) << what << ": normal " << f.normal;
        EXPECT_GT(dot(stltest::winding_normal(f), out), 0) << what;
    }
    EXPECT_GT(stltest::signed_volume(mesh), 0) << what;
}

TEST(StlRotation, BondsAlongTheZAxisKeepTheirOutsideOut)
{
    const StlTemplates& t = real_templates();
    // Atom 1 above atom 2: the pair (1, 2) points down z.  Then the reverse.
    for (const bool downwards : {true, false}) {
        const long double top = 1.0L;
        const long double bottom = -0.54L;
        Structure model = downwards ? make_model({{"C", 0, 0, top}, {"C", 0, 0, bottom}})
                                    : make_model({{"C", 0, 0, bottom}, {"C", 0, 0, top}});
        ModelOptions options;
        options.ModelMode = CovalentRadius;
        const Solid solid = parse_solid(stl_text(model, options, t));
        const Cylinders c = cylinders_of(solid, sphere_facets(model, options, t), t);
        ASSERT_EQ(c.meshes.size(), 1u);
        const long double k = 100 / model.ModelExtent * 0.5L;
        const Vec3 middle{0, 0, k * (top + bottom) / 2};
        expect_outward(c.meshes[0], middle, downwards ? "down z" : "up z");
        // The cylinder lies on the bond: from just above the lower centre to
        // just below the upper one.
        long double low = 1e9;
        long double high = -1e9;
        for (const Facet& f : c.meshes[0])
            for (const Vec3& v : f.vertices) {
                low = std::min(low, v[2]);
                high = std::max(high, v[2]);
            }
        const long double half = (top - bottom) / 2.001L * k;
        EXPECT_NEAR(static_cast<double>(low), static_cast<double>(middle[2] - half), 0.0051);
        EXPECT_NEAR(static_cast<double>(high), static_cast<double>(middle[2] + half), 0.0051);
    }
}

TEST(StlRotation, EveryCylinderOfARealMoleculeFacesOutwards)
{
    ModelOptions options;
    Structure model = read_corpus("pyobjcryst_paracetamol.cif", options);
    options.ModelMode = CovalentRadius;
    const StlTemplates& t = real_templates();
    const Solid solid = parse_solid(stl_text(model, options, t));
    const Cylinders c = cylinders_of(solid, sphere_facets(model, options, t), t);
    ASSERT_GT(c.meshes.size(), 15u);
    for (const auto& mesh : c.meshes) {
        Vec3 sum{};
        for (const Facet& f : mesh)
            sum = sum + stltest::centroid(f);
        // The template is symmetric about its centre, so the mean of the
        // facet centroids is the middle of the bond.
        expect_outward(mesh, sum * (1.0L / static_cast<long double>(mesh.size())), "paracetamol");
    }
}

// ---- The export as a whole ----

class RecordingReporter : public Reporter {
public:
    std::vector<std::string> events;
    void progress_visible(bool visible) override { events.push_back(visible ? "show" : "hide"); }
    void progress_position(long long position) override
    {
        events.push_back(std::to_string(position));
        if (position == fail_at)
            throw InputOutputError("disk", 0, "full");
    }
    long long fail_at = -1;
};

TEST(StlExport, ProgressRunsOverBothPasses)
{
    // Atom 2 is water and hidden: the first pass counts it, the second does not.
    const Structure model = make_model({{"C", 0, 0, 0}, {"O", 5, 0, 0, 0, "HOH"}, {"C", 1.5L, 0, 0}});
    ModelOptions options;
    StringSink sink;
    RecordingReporter reporter;
    write_stl(sink, "p.stl", build_model(model, options), small_templates(), reporter);
    EXPECT_EQ(reporter.events, (std::vector<std::string>{"show", "4", "5", "6", "7", "9", "hide"}));
}

TEST(StlExport, AnExistingFileSurvivesAFailedExport)
{
    const std::string dir = testsupport::temp_dir();
    const std::string path = dir + "/keep.stl";
    testsupport::write_file(path, "the previous file");
    ModelOptions options;
    const Structure model = read_corpus("pyobjcryst_caffeine.cif", options);
    RecordingReporter failing;
    failing.fail_at = model.AtomCount + 5;
    EXPECT_THROW(write_stl(path, build_model(model, options), small_templates(), failing), InputOutputError);
    EXPECT_EQ(failing.events.back(), "hide");
    EXPECT_EQ(testsupport::read_file(path), "the previous file");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 1u) << "no temporary file is left behind";

    Reporter quiet;
    write_stl(path, build_model(model, options), small_templates(), quiet);
    EXPECT_EQ(testsupport::read_file(path), stl_text(model, options, small_templates(), path));
}

TEST(StlExport, SizeBoundHoldsAndTheLimitRefusesUpFront)
{
    // The bound never exceeds the file and stays close to it, in every mode
    // and with hydrogen bonds and the backbone trace.
    for (const char* name : {"pyobjcryst_caffeine.cif", "libcifpp_1cbs.cif", "cctbx_cu3182sup1.cif",
                             "avogadro_zeolites_ZSM-5.cif", "pymatgen_P24Ru4H252C296S24N16.cif"}) {
        for (const int32_t mode : {BallAndStick, CovalentRadius, VanDerWaals}) {
            ModelOptions options;
            SetShowVanDerWaalsBox(options, true);
            Structure model = read_corpus(name, options);
            options.ModelMode = mode;
            const uint64_t bound = stl_size_at_least("test.stl", build_model(model, options), real_templates());
            const std::string text = stl_text(model, options, real_templates());
            EXPECT_LE(bound, text.size()) << name << " mode " << mode;
            EXPECT_GE(bound, text.size() * 9 / 10) << name << " mode " << mode;
        }
    }

    const std::string dir = testsupport::temp_dir();
    const std::string path = dir + "/big.stl";
    testsupport::write_file(path, "the previous file");
    ModelOptions options;
    const Structure model = read_corpus("pyobjcryst_caffeine.cif", options);
    options.MaxOutputSize = stl_size_at_least(path, build_model(model, options), real_templates()) - 1;
    RecordingReporter reporter;
    try {
        write_stl(path, build_model(model, options), real_templates(), reporter);
        FAIL() << "no error";
    } catch (const OutputTooLarge& e) {
        EXPECT_EQ(e.file(), path);
        EXPECT_NE(e.text().find("the STL file would be at least"), std::string::npos) << e.text();
    }
    EXPECT_EQ(reporter.events, (std::vector<std::string>{"show", "hide"})) << "refused before any sphere";
    EXPECT_EQ(testsupport::read_file(path), "the previous file");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 1u);
    // At the exact size the file is written.
    ModelOptions roomy = options;
    roomy.MaxOutputSize = kDefaultOutputLimit;
    options.MaxOutputSize = stl_text(model, roomy, real_templates(), path).size();
    Reporter quiet;
    write_stl(path, build_model(model, options), real_templates(), quiet);
    EXPECT_EQ(std::filesystem::file_size(path), options.MaxOutputSize);
}

TEST(StlExport, SameBytesUnderAGermanLocale)
{
    ModelOptions options;
    Structure model = read_corpus("pyobjcryst_caffeine.cif", options);
    options.ModelMode = CovalentRadius;
    const std::string plain = stl_text(model, options, real_templates());
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no de_DE.UTF-8 locale";
    const std::locale previous = std::locale::global(std::locale("de_DE.UTF-8"));
    const bool comma = std::localeconv()->decimal_point[0] == ',';
    const std::string german = stl_text(model, options, real_templates());
    std::setlocale(LC_ALL, "C");
    std::locale::global(previous);
    EXPECT_TRUE(comma);
    EXPECT_TRUE(german == plain) << "the output depends on the locale";
}

// ---- Expected files ----

// Compares with tests/golden/stl/<name>; VEXALITH_UPDATE_GOLDEN=1 rewrites it.
void expect_golden(const std::string& name, const std::string& text)
{
    const std::string path = stltest::golden_dir() + "/" + name;
    if (const char* update = std::getenv("VEXALITH_UPDATE_GOLDEN"); update && std::string(update) == "1") {
        testsupport::write_file(path, text);
        GTEST_SKIP() << "rewrote " << path;
    }
    const std::string expected = testsupport::read_file(path);
    if (text == expected)
        return;
    const std::vector<std::string> a = stltest::crlf_lines(text);
    const std::vector<std::string> b = stltest::crlf_lines(expected);
    std::size_t k = 0;
    while (k < a.size() && k < b.size() && a[k] == b[k])
        ++k;
    ADD_FAILURE() << name << " differs first at line " << k + 1 << ": \"" << (k < a.size() ? a[k] : "(end)")
                  << "\", expected \"" << (k < b.size() ? b[k] : "(end)") << "\"";
}

TEST(StlGolden, CaffeineBallAndStick)
{
    ModelOptions options;
    Structure model = read_corpus("pyobjcryst_caffeine.cif", options);
    options.ModelMode = BallAndStick;
    expect_golden("caffeine_ball_and_stick.stl",
                  stl_text(model, options, small_templates(), "caffeine_ball_and_stick.stl"));
}

TEST(StlGolden, TinyMoleculeCovalentRadiusWithTheInstalledTemplates)
{
    // C above N (a bond straight down z), O beside N.
    Structure model = make_model({{"C", 0, 0, 1.4L}, {"N", 0, 0, 0}, {"O", 1.36L, 0, -0.5L}});
    ModelOptions options;
    options.ModelMode = CovalentRadius;
    options.ModelSize = 60;
    expect_golden("tiny_covalent.stl", stl_text(model, options, real_templates(), "tiny_covalent.stl"));
}

// ---- An independent check of the meshes: admesh ----

TEST(StlAdmesh, EverySphereAndCylinderIsAClosedValidShell)
{
    if (!testsupport::admesh_available())
        GTEST_SKIP() << "admesh is not installed";
    struct Input {
        std::string file;
        int32_t mode;  // 0: as read
        bool hydrogen_bonds;
    };
    const std::vector<Input> inputs{{"pyobjcryst_caffeine.cif", BallAndStick, false},
                                    {"pyobjcryst_caffeine.cif", VanDerWaals, false},
                                    {"pyobjcryst_paracetamol.cif", CovalentRadius, true},
                                    {"biopython_3JQH.cif", 0, false}};
    const StlTemplates& t = real_templates();
    for (const Input& in : inputs) {
        ModelOptions options;
        Structure model = read_corpus(in.file, options);
        if (in.mode != 0)
            options.ModelMode = in.mode;
        options.HydrogenBondsOnly = in.hydrogen_bonds;
        const std::string what = in.file + " mode " + std::to_string(options.ModelMode);

        // What should be there: a sphere per shown atom, a cylinder per pair.
        const ModelOptions& filter = options;
        std::size_t spheres = 0;
        std::set<Vec3> places;
        for (int32_t i = 1; i <= model.AtomCount; ++i)
            if (atom_ok(model, filter, i)) {
                ++spheres;
                places.insert(position(model.AtomCoord[static_cast<std::size_t>(i)]));
            }
        ASSERT_EQ(places.size(), spheres) << what << ": two atoms at one place would share a shell";
        const PairClassifier classifier(model, stl_pair_rules(model, filter));
        std::size_t cylinders = 0;
        for_each_connected_pair(
            model, filter, classifier, [](int32_t) {},
            [&cylinders](int32_t, int32_t, const PairKind&) { ++cylinders; });

        const std::string path = testsupport::temp_dir() + "/check.stl";
        Reporter quiet;
        write_stl(path, build_model(model, options), t, quiet);
        const Solid solid = parse_solid(testsupport::read_file(path));
        EXPECT_EQ(solid.facets.size(), sphere_facets(model, options, t) + cylinders * t.cylinder.facets.size()) << what;

        const std::string report = testsupport::run_admesh(path);
        EXPECT_EQ(testsupport::value_after(report, "Number of facets"), static_cast<double>(solid.facets.size()))
            << what;
        EXPECT_EQ(testsupport::admesh_problems(path, spheres + cylinders), "") << what;
        if (in.file == "biopython_3JQH.cif") {
            EXPECT_GT(cylinders, 0u) << "the protein's trace is joined";
        }
    }
}

// A unit cell with its edges: the atoms, the bonds and twelve rods, each
// a closed shell of its own, and the size estimate still a lower bound.
TEST(StlAdmesh, CellEdgesAreTwelveMoreClosedShells)
{
    ModelOptions options;
    Structure model = read_corpus("pyobjcryst_paracetamol.cif", options);
    grow_crystal(model, crystal_symmetry(model), CrystalMode::Cell, {1, 1, 1});
    options.ModelMode = CovalentRadius;
    options.CellEdges = true;
    ASSERT_EQ(model.CellEdges.size(), 12u);
    const std::string path = testsupport::temp_dir() + "/edges.stl";
    Reporter quiet;
    const Model built = build_model(model, options);
    write_stl(path, built, real_templates(), quiet);
    const Solid solid = parse_solid(testsupport::read_file(path));
    options.CellEdges = false;
    const std::string without = stl_text(model, options, real_templates(), "edges.stl");
    const Solid bare = parse_solid(without);
    ASSERT_EQ(solid.facets.size(), bare.facets.size() + 12 * real_templates().cylinder.facets.size());
    EXPECT_LE(stl_size_at_least(path, built, real_templates()), std::filesystem::file_size(path));

    // The rods run along the cell's edges: every corner of the cell is the
    // end of three of them.
    std::map<std::array<long double, 3>, int> ends;
    for (const auto& edge : model.CellEdges)
        for (const Vec3& end : edge)
            ++ends[{std::round(end[0] * 1000), std::round(end[1] * 1000), std::round(end[2] * 1000)}];
    EXPECT_EQ(ends.size(), 8u);
    for (const auto& [corner, count] : ends)
        EXPECT_EQ(count, 3);

    if (!testsupport::admesh_available())
        GTEST_SKIP() << "admesh is not installed";
    std::size_t shells = 0;
    for (int32_t i = 1; i <= model.AtomCount; ++i)
        shells += atom_ok(model, options, i) ? 1 : 0;
    const PairClassifier classifier(model, stl_pair_rules(model, options));
    for_each_connected_pair(
        model, options, classifier, [](int32_t) {}, [&shells](int32_t, int32_t, const PairKind&) { ++shells; });
    EXPECT_EQ(testsupport::admesh_problems(path, shells + 12), "");
}

}  // namespace
}  // namespace vexalith
