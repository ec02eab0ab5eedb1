// The binary STL and the colour 3MF files: the binary STL carries the ASCII
// writer's facets, byte layout as the format has it; the 3MF package holds
// its parts, one coloured object per scene colour and a build of them all.
#include <gtest/gtest.h>
#include <zip.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <regex>
#include <set>

#include "common/output_limit.h"
#include "common/reporter.h"
#include "model/model.h"
#include "print3d/binary_stl_writer.h"
#include "print3d/print_shapes.h"
#include "print3d/stl_test_support.h"
#include "print3d/stl_writer.h"
#include "print3d/template_facets.h"
#include "print3d/three_mf_writer.h"
#include "structure/present_elements.h"
#include "support/corpus.h"
#include "support/loading.h"

namespace vexalith {
namespace {

struct Loaded {
    Structure structure;
    ModelOptions options;
};

Loaded load(const std::string& name, CrystalMode crystal = CrystalMode::Asymmetric)
{
    Loaded loaded;
    loaded.options.Crystal = crystal;
    Reporter quiet;
    testsupport::load_text(testsupport::corpus_text(name), loaded.structure, loaded.options, quiet, name);
    replace_unknown_symbols(loaded.structure);
    return loaded;
}

const StlTemplates& templates()
{
    static const StlTemplates loaded = load_stl_templates(stltest::data_dir());
    return loaded;
}

uint32_t word_at(const std::string& bytes, std::size_t at)
{
    uint32_t value = 0;
    for (int k = 3; k >= 0; --k)
        value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<std::size_t>(k)]);
    return value;
}

float float_at(const std::string& bytes, std::size_t at) { return std::bit_cast<float>(word_at(bytes, at)); }

// The vertex numbers of an ASCII STL text, in order.
std::vector<double> ascii_vertices(const std::string& text)
{
    std::vector<double> numbers;
    for (std::size_t at = text.find("vertex "); at != std::string::npos; at = text.find("vertex ", at + 1)) {
        const char* p = text.data() + at + 7;
        for (int k = 0; k < 3; ++k) {
            while (*p == ' ')
                ++p;
            double value = 0;
            p = std::from_chars(p, text.data() + text.size(), value).ptr;
            numbers.push_back(value);
        }
    }
    return numbers;
}

// The members of a zip package, read back with libzip.
std::map<std::string, std::string> unzip(const std::string& bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    std::map<std::string, std::string> members;
    if (archive == nullptr) {
        zip_source_free(source);
        ADD_FAILURE() << "not a zip archive";
        return members;
    }
    for (zip_int64_t n = 0; n < zip_get_num_entries(archive, 0); ++n) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(n), 0, &stat);
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(n), 0);
        std::string text(stat.size, '\0');
        EXPECT_EQ(zip_fread(file, text.data(), stat.size), static_cast<zip_int64_t>(stat.size));
        zip_fclose(file);
        members[stat.name] = text;
    }
    zip_close(archive);
    zip_error_fini(&error);
    return members;
}

std::size_t count_of(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The binary STL of `model` holds the ASCII writer's facets, normals of
// unit length turning with the corners.
void expect_binary_as_ascii(const Model& model)
{
    Reporter quiet;
    StringSink ascii;
    write_stl(ascii, "caffeine.stl", model, templates(), quiet);
    StringSink binary;
    write_binary_stl(binary, model, templates(), quiet);

    const std::string& bytes = binary.text();
    const std::vector<double> vertices = ascii_vertices(ascii.text());
    const uint64_t facets = vertices.size() / 9;
    ASSERT_GT(facets, 0u);
    EXPECT_EQ(bytes.substr(0, 5) == "solid", false) << "a binary header must not look like ASCII";
    EXPECT_EQ(word_at(bytes, 80), facets);
    EXPECT_EQ(bytes.size(), binary_stl_size(facets));
    EXPECT_EQ(template_facet_count(model, templates()), facets);
    double worst = 0;
    for (uint64_t f = 0; f < facets; ++f) {
        const std::size_t at = 84 + 50 * f;
        // Normal of unit length pointing the way the corners turn.
        const float nx = float_at(bytes, at);
        const float ny = float_at(bytes, at + 4);
        const float nz = float_at(bytes, at + 8);
        EXPECT_NEAR(nx * nx + ny * ny + nz * nz, 1.0, 1e-3) << "facet " << f;
        double corner[3][3];
        for (std::size_t v = 0; v < 3; ++v)
            for (std::size_t c = 0; c < 3; ++c)
                corner[v][c] = float_at(bytes, at + 12 + 12 * v + 4 * c);
        double u[3];
        double w[3];
        for (std::size_t c = 0; c < 3; ++c) {
            u[c] = corner[1][c] - corner[0][c];
            w[c] = corner[2][c] - corner[0][c];
        }
        const double turn[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        const double turn_length = std::sqrt(turn[0] * turn[0] + turn[1] * turn[1] + turn[2] * turn[2]);
        ASSERT_GT(turn_length, 0) << "facet " << f;
        EXPECT_NEAR((nx * turn[0] + ny * turn[1] + nz * turn[2]) / turn_length, 1.0, 1e-3) << "facet " << f;
        for (std::size_t v = 0; v < 9; ++v)
            worst = std::max(worst, std::abs(float_at(bytes, at + 12 + 4 * v) - vertices[9 * f + v]));
        EXPECT_EQ(bytes[at + 48], 0);
        EXPECT_EQ(bytes[at + 49], 0);
    }
    // The ASCII numbers are rounded to hundredths.
    EXPECT_LE(worst, 0.00501);
}

TEST(BinaryStl, CarriesTheAsciiWritersFacetsInTheBinaryLayout)
{
    Loaded caffeine = load("pyobjcryst_caffeine.cif");
    expect_binary_as_ascii(build_model(caffeine.structure, caffeine.options));
    // A unit cell with its edges: the rods come after the bonds, as in the
    // ASCII file.
    Loaded cell = load("pyobjcryst_paracetamol.cif", CrystalMode::Cell);
    cell.options.CellEdges = true;
    ASSERT_EQ(cell.structure.CellEdges.size(), 12u);
    expect_binary_as_ascii(build_model(cell.structure, cell.options));
}

TEST(BinaryStl, ALimitBelowItsSizeIsRefusedBeforeWriting)
{
    Loaded caffeine = load("pyobjcryst_caffeine.cif");
    caffeine.options.MaxOutputSize = 1000;
    Reporter quiet;
    StringSink sink;
    EXPECT_THROW(write_binary_stl(sink, build_model(caffeine.structure, caffeine.options), templates(), quiet),
                 OutputTooLarge);
    EXPECT_TRUE(sink.text().empty());
}

TEST(ThreeMf, OneColouredObjectPerSceneColourInOneBuild)
{
    Loaded caffeine = load("pyobjcryst_caffeine.cif");
    Reporter quiet;
    const Model model = build_model(caffeine.structure, caffeine.options);
    StringSink sink;
    write_three_mf(sink, model, templates(), quiet);
    const auto members = unzip(sink.text());
    ASSERT_EQ(members.count("[Content_Types].xml"), 1u);
    ASSERT_EQ(members.count("_rels/.rels"), 1u);
    ASSERT_EQ(members.count("3D/3dmodel.model"), 1u);
    EXPECT_NE(members.at("_rels/.rels").find("Target=\"/3D/3dmodel.model\""), std::string::npos);
    const std::string& xml = members.at("3D/3dmodel.model");
    EXPECT_NE(xml.find("unit=\"millimeter\""), std::string::npos);

    const PrintShapes shapes = print_shapes(model);
    // Caffeine: C, H, N, O and the bonds.
    ASSERT_EQ(shapes.colours.size(), 5u);
    EXPECT_EQ(count_of(xml, "<base "), shapes.colours.size());
    EXPECT_EQ(count_of(xml, "<object "), shapes.colours.size());
    EXPECT_EQ(count_of(xml, "<item "), shapes.colours.size());
    for (std::size_t c = 0; c < shapes.colours.size(); ++c) {
        const std::string base = "<base name=\"" + shapes.colours[c].name + "\" displaycolor=\"" +
                                 display_colour(shapes.colours[c].rgb) + "\"/>";
        EXPECT_NE(xml.find(base), std::string::npos) << base;
        const std::string object =
            "name=\"" + shapes.colours[c].name + "\" type=\"model\" pid=\"1\" pindex=\"" + std::to_string(c) + "\"";
        EXPECT_NE(xml.find(object), std::string::npos) << object;
    }
    EXPECT_EQ(display_colour("1 0.5 0"), "#FF8000");
    // Every facet of the template meshes, in one object or another.
    EXPECT_EQ(count_of(xml, "<triangle "), template_facet_count(model, templates()));
    // Corners shared: a closed sphere of F facets has F / 2 + 2 corners.
    EXPECT_LT(count_of(xml, "<vertex "), count_of(xml, "<triangle "));
}

// The cell's edges are an object of their own colour, with every facet of
// their rods.
TEST(ThreeMf, CellEdgesAreAnObjectOfTheirOwn)
{
    Loaded cell = load("pyobjcryst_NaCl.cif", CrystalMode::Cell);
    cell.options.CellEdges = true;
    Reporter quiet;
    const Model model = build_model(cell.structure, cell.options);
    StringSink sink;
    write_three_mf(sink, model, templates(), quiet);
    const std::string xml = unzip(sink.text()).at("3D/3dmodel.model");
    EXPECT_NE(xml.find("<base name=\"cell edge\" displaycolor=\"" + display_colour("0.95 0.6 0.1") + "\"/>"),
              std::string::npos);
    EXPECT_NE(xml.find("name=\"cell edge\" type=\"model\""), std::string::npos);
    const uint64_t with_edges = template_facet_count(model, templates());
    EXPECT_EQ(count_of(xml, "<triangle "), with_edges);
    cell.options.CellEdges = false;  // the model reads the options it was built with
    EXPECT_EQ(with_edges, template_facet_count(build_model(cell.structure, cell.options), templates()) +
                              12 * templates().cylinder.facets.size());
}

TEST(ThreeMf, TheModelTextIsWellFormedAndEscapesNames)
{
    ThreeMfObject object;
    object.name = "A&B<\"";
    object.rgb = "0 0 1";
    object.vertices = {{0, 0, 0}, {1.5F, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    object.triangles = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}};
    const std::string text = three_mf_model_text({object});
    EXPECT_NE(text.find("name=\"A&amp;B&lt;&quot;\""), std::string::npos);
    EXPECT_NE(text.find("<vertex x=\"1.5\" y=\"0\" z=\"0\"/>"), std::string::npos);
    EXPECT_NE(text.find("<triangle v1=\"0\" v2=\"2\" v3=\"1\"/>"), std::string::npos);
    EXPECT_NE(text.find("displaycolor=\"#0000FF\""), std::string::npos);
    EXPECT_NE(text.find("<item objectid=\"2\"/>"), std::string::npos);
    const auto members = unzip(three_mf_package(text));
    EXPECT_EQ(members.at("3D/3dmodel.model"), text);
}

}  // namespace
}  // namespace vexalith
