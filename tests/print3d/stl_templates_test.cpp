#include "print3d/stl_templates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "common/error.h"
#include "model/vector3.h"
#include "print3d/stl_test_support.h"
#include "support/corpus.h"

namespace vexalith {
namespace {

using stltest::data_dir;

TEST(TemplateText, BlocksOfANormalLineAndThreeVertexLines)
{
    const StlTemplate mesh = parse_stl_template(
        "  free text, kept as it stands \r\n"
        "1 2 3\r\n"
        "-1.5 +2.25e1 -3E-1 and a comment\r\n"
        "\t.5\t0.0   7\r\n"
        "\n"
        "0 0 1 1 1\n"
        "0 0 0\n"
        "1e0 1 1",
        "t.txt");
    ASSERT_EQ(mesh.facets.size(), 2u);
    EXPECT_EQ(mesh.name, "t.txt");
    EXPECT_EQ(mesh.facets[0].normal, "  free text, kept as it stands ");
    EXPECT_EQ(mesh.facets[0].vertices[0], (Vec3{1, 2, 3}));
    EXPECT_EQ(mesh.facets[0].vertices[1], (Vec3{-1.5L, 22.5L, -0.3L}));
    EXPECT_EQ(mesh.facets[0].vertices[2], (Vec3{0.5L, 0, 7}));
    EXPECT_EQ(mesh.facets[1].normal, "") << "an empty normal line is a normal line";
    EXPECT_EQ(mesh.facets[1].vertices[0], (Vec3{0, 0, 1}));
    EXPECT_EQ(mesh.facets[1].vertices[2], (Vec3{1, 1, 1}));
}

TEST(TemplateText, BlankLinesAtTheEndCloseTheText)
{
    const StlTemplate mesh = parse_stl_template("n\n0 0 0\n1 0 0\n0 1 0\n\n  \r\n\n", "t.txt");
    EXPECT_EQ(mesh.facets.size(), 1u);
}

// The error must name the template and the line that is wrong.
void expect_conversion_error(const std::string& text, long long line)
{
    try {
        parse_stl_template(text, "ball2.txt");
        ADD_FAILURE() << "accepted: " << text;
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.file(), "ball2.txt");
        EXPECT_EQ(e.line(), line) << e.what();
    }
}

TEST(TemplateText, BadNumbersAndCutBlocksNameFileAndLine)
{
    const std::string good = "n\n0 0 0\n1 0 0\n0 1 0\n";
    expect_conversion_error(good + "n\n0 0 0\n1,5 0 0\n0 1 0\n", 7);
    expect_conversion_error(good + "n\n0 0 0\n1 0\n0 1 0\n", 7);
    expect_conversion_error(good + "n\n0 0 0\n1 0 0\ninf 1 0\n", 8);
    expect_conversion_error(good + "n\n0 0 0\n1 0 0\n0 nan 0\n", 8);
    expect_conversion_error(good + "n\n0 0 0\n1 0 x0\n0 1 0\n", 7);
    expect_conversion_error("n\n0 0 0\n0x1 0 0\n0 1 0\n", 3);
    // A block cut short: the missing line is the one reported.
    expect_conversion_error(good + "n\n0 0 0\n1 0 0\n", 8);
    expect_conversion_error(good + "n\n", 6);
    // A blank line inside a block is no vertex.
    expect_conversion_error("n\n0 0 0\n\n0 1 0\n", 3);
    // Nothing at all is no template.
    expect_conversion_error("", 1);
    expect_conversion_error("\r\n\r\n", 1);
}

TEST(TemplateFiles, AMissingTemplateIsNamed)
{
    const std::string dir = testsupport::temp_dir();
    for (const std::string_view name : {"ball.txt", "ball1.txt", "cylinder.txt"})
        testsupport::write_file(dir + "/" + std::string(name), "n\n0 0 0\n1 0 0\n0 1 0\n");
    try {
        load_stl_templates(dir);
        ADD_FAILURE() << "loaded without ball2.txt";
    } catch (const InputOutputError& e) {
        EXPECT_EQ(e.file(), dir + "/ball2.txt");
    }
    testsupport::write_file(dir + "/ball2.txt", "n\n0 0 0\n1 0 0\n");
    try {
        load_stl_templates(dir + "/");
        ADD_FAILURE() << "loaded a cut ball2.txt";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.file(), dir + "/ball2.txt");
        EXPECT_EQ(e.line(), 4);
    }
}

// ---- The generated templates ----

class GeneratedTemplates : public ::testing::Test {
protected:
    static void SetUpTestSuite() { templates_ = new StlTemplates(load_stl_templates(data_dir())); }
    static void TearDownTestSuite()
    {
        delete templates_;
        templates_ = nullptr;
    }
    static const StlTemplates& templates() { return *templates_; }
    static std::vector<const StlTemplate*> spheres()
    {
        return {&templates_->ball, &templates_->ball1, &templates_->ball2};
    }

private:
    static inline StlTemplates* templates_ = nullptr;
};

Vec3 winding_normal(const TemplateFacet& f)
{
    return cross_product(f.vertices[1] - f.vertices[0], f.vertices[2] - f.vertices[0]);
}

Vec3 centroid(const TemplateFacet& f) { return (f.vertices[0] + f.vertices[1] + f.vertices[2]) * (1.0L / 3); }

// Closed and consistently wound: each edge between two (textually equal)
// vertices is used by exactly two facets, once in each direction.
void expect_closed(const StlTemplate& mesh)
{
    std::map<Vec3, int> ids;
    const auto id = [&ids](const Vec3& v) { return ids.emplace(v, static_cast<int>(ids.size())).first->second; };
    std::map<std::pair<int, int>, int> edges;
    for (const TemplateFacet& f : mesh.facets)
        for (std::size_t k = 0; k < 3; ++k) {
            const int a = id(f.vertices[k]);
            const int b = id(f.vertices[(k + 1) % 3]);
            EXPECT_NE(a, b) << mesh.name << ": a facet repeats a vertex";
            ++edges[{a, b}];
        }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1) << mesh.name << ": an edge is used twice in one direction";
        const auto back = edges.find({edge.second, edge.first});
        EXPECT_TRUE(back != edges.end() && back->second == 1) << mesh.name << ": an edge without its partner";
    }
    // Euler characteristic of a sphere: V - E + F = 2.
    const auto v = static_cast<long long>(ids.size());
    const auto e = static_cast<long long>(edges.size()) / 2;
    const auto f = static_cast<long long>(mesh.facets.size());
    EXPECT_EQ(v - e + f, 2) << mesh.name;
}

TEST_F(GeneratedTemplates, EveryMeshIsClosed)
{
    for (const StlTemplate* mesh : spheres())
        expect_closed(*mesh);
    expect_closed(templates().cylinder);
}

TEST_F(GeneratedTemplates, SphereVerticesLieOnTheUnitSphereAndNormalsPointOut)
{
    for (const StlTemplate* mesh : spheres()) {
        for (const TemplateFacet& f : mesh->facets) {
            for (const Vec3& v : f.vertices)
                EXPECT_NEAR(static_cast<double>(length(v)), 1.0, 2e-6) << mesh->name;
            const Vec3 n = winding_normal(f);
            // Counter-clockwise seen from outside; the mesh is convex about the origin.
            EXPECT_GT(dot(n, centroid(f)), 0) << mesh->name;
            // The normal line is copied into the STL file: it must be the outward unit normal.
            const Vec3 written = stltest::formatted_triple(f.normal, 6, 0);
            EXPECT_NEAR(static_cast<double>(length(written)), 1.0, 1e-5) << mesh->name << ": " << f.normal;
            EXPECT_NEAR(static_cast<double>(dot(written, n) / length(n)), 1.0, 1e-5) << mesh->name << ": " << f.normal;
        }
    }
}

TEST_F(GeneratedTemplates, SpheresHaveTheirIntendedSizeAndShape)
{
    // The smallest distance of a facet's plane from the centre and the
    // highest vertex tell the three shapes apart.
    const auto inner_radius = [](const StlTemplate& mesh) {
        long double r = 2;
        for (const TemplateFacet& f : mesh.facets) {
            const Vec3 n = winding_normal(f);
            r = std::min(r, dot(f.vertices[0], n) / length(n));
        }
        return static_cast<double>(r);
    };
    const auto top = [](const StlTemplate& mesh) {
        long double z = -2;
        for (const TemplateFacet& f : mesh.facets)
            for (const Vec3& v : f.vertices)
                z = std::max(z, v[2]);
        return static_cast<double>(z);
    };
    const StlTemplates& t = templates();
    EXPECT_GE(t.ball.facets.size(), 200u);
    EXPECT_LE(t.ball.facets.size(), 400u);
    EXPECT_GE(t.ball2.facets.size(), 200u);
    EXPECT_LE(t.ball2.facets.size(), 400u);
    EXPECT_GT(inner_radius(t.ball), 0.97) << "the plain sphere is smooth";
    EXPECT_NEAR(top(t.ball), 1.0, 1e-6);
    EXPECT_LT(inner_radius(t.ball1), 0.85) << "the nitrogen sphere is visibly faceted";
    EXPECT_LT(top(t.ball2), 0.75) << "the oxygen sphere has flat poles";
    EXPECT_GT(top(t.ball2), 0.65);
}

TEST_F(GeneratedTemplates, CylinderHasRadiusOneFromMinusOneToOne)
{
    const StlTemplate& c = templates().cylinder;
    EXPECT_GE(c.facets.size(), 4u * 20);
    int on_top = 0;
    int on_bottom = 0;
    for (const TemplateFacet& f : c.facets) {
        for (const Vec3& v : f.vertices) {
            const long double r = std::hypot(v[0], v[1]);
            EXPECT_TRUE(std::fabs(v[2]) == 1) << "z = " << static_cast<double>(v[2]);
            EXPECT_TRUE(r < 1e-9 || std::fabs(r - 1) < 2e-6) << "radius " << static_cast<double>(r);
        }
        const Vec3 n = winding_normal(f);
        EXPECT_GT(dot(n, centroid(f)), 0) << "facet wound clockwise";
        on_top += f.vertices[0][2] == 1 && f.vertices[1][2] == 1 && f.vertices[2][2] == 1;
        on_bottom += f.vertices[0][2] == -1 && f.vertices[1][2] == -1 && f.vertices[2][2] == -1;
    }
    EXPECT_GE(on_top, 20) << "the top end is closed";
    EXPECT_EQ(on_top, on_bottom);
}

TEST(EmptyScene, IsAVrmlFileWithoutNodes)
{
    const std::string text = testsupport::read_file(data_dir() + "/Vexalithempty.wrl");
    EXPECT_TRUE(text.starts_with("#VRML V2.0 utf8\r\n"));
    EXPECT_EQ(text.find_first_not_of(" \r\n", 15), std::string::npos) << "an empty scene holds no node";
}

}  // namespace
}  // namespace vexalith
