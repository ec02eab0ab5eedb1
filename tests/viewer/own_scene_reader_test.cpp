// The fast route's reader: every scene the converter writes is read whole
// (all modes, scene and printer files, millimetres and metres), and what
// it reads agrees with Coin's own reading of the same file; anything else,
// even one edited line, is refused with its line number.
#include "viewer/own_scene_reader.h"

#include <gtest/gtest.h>

#include <Inventor/SbViewportRegion.h>
#include <Inventor/VRMLnodes/SoVRMLCylinder.h>
#include <Inventor/VRMLnodes/SoVRMLSphere.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/command_run.h"
#include "support/corpus.h"
#include "viewer/scene_loader.h"
#include "viewer_support.h"

using namespace vexalith::viewer;

namespace {

std::string golden_text(const std::string& name)
{
    return testsupport::read_file(viewertest::golden_scene(name).toStdString());
}

OwnScene read_or_fail(const std::string& text)
{
    OwnSceneRead read = read_own_scene(text);
    EXPECT_TRUE(read.scene) << read.reason;
    return read.scene ? std::move(*read.scene) : OwnScene{};
}

float distance(const float* a, const float* b)
{
    const float dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Coin's reading of the text: its box and its sphere and cylinder nodes.
struct CoinView {
    SbBox3f box;
    int spheres = 0;
    int cylinders = 0;
};

CoinView coin_view(const std::string& text)
{
    ParsedScene parsed = parse_scene(text);
    EXPECT_TRUE(parsed.root) << parsed.error;
    CoinView view;
    if (!parsed.root)
        return view;
    SoGetBoundingBoxAction bounds{SbViewportRegion(640, 480)};
    bounds.apply(parsed.root.get());
    view.box = bounds.getBoundingBox();
    view.spheres = viewertest::count_of(parsed.root.get(), SoVRMLSphere::getClassTypeId());
    view.cylinders = viewertest::count_of(parsed.root.get(), SoVRMLCylinder::getClassTypeId());
    return view;
}

// The boxes agree to a small part of their size: Coin boxes a cylinder by
// the corners of its turned local box, a little wider than the cylinder.
void expect_same_box(const SbBox3f& own, const SbBox3f& coin, const std::string& where)
{
    ASSERT_FALSE(own.isEmpty()) << where;
    ASSERT_FALSE(coin.isEmpty()) << where;
    float dx, dy, dz;
    coin.getSize(dx, dy, dz);
    const float tolerance = 0.02f * std::max({dx, dy, dz});
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(own.getMin()[i], coin.getMin()[i], tolerance) << where << ", axis " << i;
        EXPECT_NEAR(own.getMax()[i], coin.getMax()[i], tolerance) << where << ", axis " << i;
    }
}

}  // namespace

TEST(OwnSceneReader, ReadsTheHeaderAtomsAndBondsOfAConverterScene)
{
    const std::string text = golden_text("caffeine-ball-and-stick.wrl");
    const OwnScene scene = read_or_fail(text);
    EXPECT_FALSE(scene.headlight);
    ASSERT_TRUE(scene.sky);
    EXPECT_FLOAT_EQ((*scene.sky)[1], 0.492424242424242f);
    ASSERT_TRUE(scene.viewpoint);
    EXPECT_FLOAT_EQ((*scene.viewpoint)[2], 1250.0f);
    EXPECT_FLOAT_EQ(scene.field_of_view, 0.1f);
    ASSERT_TRUE(scene.light);
    EXPECT_FLOAT_EQ(scene.light->ambient_intensity, 0.5f);
    EXPECT_FLOAT_EQ(scene.light->location[2], 1250.0f);

    // As many shapes as Coin finds, in the same box.
    const CoinView coin = coin_view(text);
    EXPECT_EQ(static_cast<int>(scene.spheres.size()), coin.spheres);
    EXPECT_EQ(static_cast<int>(scene.cylinders.size()), coin.cylinders);
    EXPECT_GT(scene.cylinders.size(), 20u);
    expect_same_box(scene.bounds, coin.box, "caffeine");

    // Oxygen atoms have oxygen's red, bonds the bond style's grey.
    std::size_t red = 0;
    for (const SphereInstance& s : scene.spheres) {
        const OwnMaterial& m = scene.materials.at(s.material);
        if (m.diffuse == SbColor(1, 0, 0))
            ++red;
    }
    EXPECT_EQ(red, 2u) << "caffeine has two oxygen atoms";
    for (const CylinderInstance& c : scene.cylinders)
        EXPECT_EQ(scene.materials.at(c.material).diffuse, SbColor(0.7f, 0.7f, 0.7f));
    for (const OwnMaterial& m : scene.materials) {
        EXPECT_FLOAT_EQ(m.ambient_intensity, 0.2f);
        EXPECT_FLOAT_EQ(m.shininess, 0.1f);
    }
}

// A bond's cylinder runs from one atom's centre to the other's: the ends
// the reader works out from translation, rotation and scale meet atoms, up
// to the file's rounding (0.01 mm places, thousandths in the rotation).
TEST(OwnSceneReader, BondEndsMeetAtomCentres)
{
    struct Case {
        const char* name;
        float place;  // the rounding of a place: 0.01 mm, in the file's unit
    };
    for (const auto& [name, place] :
         {Case{"caffeine-ball-and-stick.wrl", 0.01f}, Case{"cu3182-hydrogen-bonds-covalent-radius.wrl", 0.01f},
          Case{"nacl-printer-metres.wrl", 0.00001f}, Case{"zsm5-zeolite-expanded.wrl", 0.01f}}) {
        const OwnScene scene = read_or_fail(golden_text(name));
        ASSERT_FALSE(scene.cylinders.empty()) << name;
        for (const CylinderInstance& c : scene.cylinders) {
            const float length = distance(c.end_a, c.end_b);
            float nearest_a = 1e30f, nearest_b = 1e30f;
            for (const SphereInstance& s : scene.spheres) {
                nearest_a = std::min(nearest_a, distance(c.end_a, s.centre));
                nearest_b = std::min(nearest_b, distance(c.end_b, s.centre));
            }
            const float slack = 0.004f * length + 2 * place;
            EXPECT_LT(nearest_a, slack) << name;
            EXPECT_LT(nearest_b, slack) << name;
        }
    }
}

TEST(OwnSceneReader, LineEndsAndUnitsDoNotMatter)
{
    const std::string crlf = golden_text("caffeine-ball-and-stick.wrl");
    ASSERT_NE(crlf.find("\r\n"), std::string::npos);
    std::string lf;
    for (char c : crlf)
        if (c != '\r')
            lf += c;
    const OwnScene a = read_or_fail(crlf);
    const OwnScene b = read_or_fail(lf);
    ASSERT_EQ(a.spheres.size(), b.spheres.size());
    ASSERT_EQ(a.cylinders.size(), b.cylinders.size());
    EXPECT_EQ(a.bounds.getMin(), b.bounds.getMin());
    EXPECT_EQ(a.bounds.getMax(), b.bounds.getMax());

    // A printer file in metres: no header, so the headlight and a fitted
    // view; sizes a thousandth of those in millimetres.
    const OwnScene metres = read_or_fail(golden_text("1cbs-printer-metres.wrl"));
    EXPECT_TRUE(metres.headlight);
    EXPECT_FALSE(metres.sky);
    EXPECT_FALSE(metres.viewpoint);
    EXPECT_FALSE(metres.light);
    // No coordinate beyond half the 100 mm model size (the trace drawn
    // here stays inside the whole structure's extent); spheres reach a
    // little further.
    float reach = 0;
    for (int i = 0; i < 3; ++i)
        reach = std::max({reach, -metres.bounds.getMin()[i], metres.bounds.getMax()[i]});
    EXPECT_GT(reach, 0.03f);
    EXPECT_LT(reach, 0.056f) << "a 100 mm model in metres";
}

// One line changed anywhere sends the file the generic way, and says which.
TEST(OwnSceneReader, RefusesEditedScenesNamingTheLine)
{
    const std::string text = golden_text("caffeine-ball-and-stick.wrl");
    struct Edit {
        const char* what;
        std::string from;
        std::string to;
    };
    const std::vector<Edit> edits{
        {"an extra node", "# Atoms\r\n", "# Atoms\r\nShape { geometry Box { size 1 1 1 } }\r\n"},
        {"a changed appearance", "ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}",
         "ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1 transparency 0.5}}}]}"},
        {"an emissive colour", "material Material {diffuseColor 1 0  0",
         "material Material {emissiveColor 1 0 0 diffuseColor 1 0  0"},
        {"a box for an atom", "geometry Sphere {", "geometry Box {"},
        {"another navigation type", "type \"EXAMINE\"", "type \"WALK\""},
        {"a second viewpoint", "# ball group", "Viewpoint {position 0 0 10}\r\n# ball group"},
        {"an unknown appearance", "appearance USE O ", "appearance USE Q "},
        {"a damaged number", "rotation ", "rotation x"},
        {"an unevenly scaled bond", " scale  13.43 18.12 13.43 ", " scale  13.43 18.12 13.44 "},
        {"lines after the routes", "tr2.set_translation \r\n", "tr2.set_translation \r\nShape {}\r\n"},
        {"no routes", "ROUTE ps.orientation_changed TO tr2.set_rotation\r\n", ""},
    };
    for (const Edit& edit : edits) {
        std::string edited = text;
        const std::size_t at = edited.find(edit.from);
        ASSERT_NE(at, std::string::npos) << edit.what;
        edited.replace(at, edit.from.size(), edit.to);
        const OwnSceneRead read = read_own_scene(edited);
        EXPECT_FALSE(read.scene) << edit.what;
        EXPECT_TRUE(read.reason.starts_with("line ")) << edit.what << ": " << read.reason;
    }
    // Nor does anything else pass for such a scene.
    for (const std::string& other : {std::string(), std::string("#VRML V1.0 ascii\n"), std::string("#VRML V2.0 utf8\n"),
                                     std::string("#VRML V2.0 utf8\nShape { geometry Sphere {} }\n")})
        EXPECT_FALSE(read_own_scene(other).scene) << other;
}

// Every scene and printer file the converter writes from the corpus, in
// every mode and both units, is the fast route's; where Coin reads it in
// reasonable time, both agree on the shapes and the box.
TEST(OwnSceneReader, ReadsEveryCorpusSceneTheConverterWrites)
{
    std::vector<std::string> inputs;
    for (const std::string& name : testsupport::corpus_files())
        inputs.push_back(testsupport::shell_quote(testsupport::corpus_plain_path(name)));
    std::string files;
    for (const std::string& input : inputs)
        files += input + " ";
    const std::vector<std::string> settings{
        "",  // the file kind's defaults (protein style for proteins)
        "--mode ball-stick --format scene",
        "--mode covalent --format scene",
        "--mode vdw --format scene",
        "--mode ball-stick --format printer",
        "--mode vdw --format printer --unit m",
        "--mode covalent --format printer --unit m",
        "--mode ball-stick --format scene --unit m",
        "--mode ball-stick --hbonds with-vdw --format scene",
    };
    std::size_t scenes = 0, cross_checked = 0;
    for (const std::string& setting : settings) {
        const std::string folder = testsupport::temp_dir() + "/out/";
        const testsupport::CommandRun run = testsupport::run_command(
            std::string(VEXALITH_CONVERT) + " " + files + setting + " -o " + testsupport::shell_quote(folder));
        std::size_t written = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string path = entry.path().string();
            const std::string where = path + " (" + setting + ")";
            const std::string text = testsupport::read_file(path);
            const OwnSceneRead read = read_own_scene(text);
            ++written;
            ASSERT_TRUE(read.scene) << where << ": " << read.reason;
            EXPECT_FALSE(read.scene->spheres.empty()) << where;
            EXPECT_EQ(read.scene->viewpoint.has_value(), setting.find("printer") == std::string::npos) << where;
            if (text.size() > 600'000)
                continue;
            const CoinView coin = coin_view(text);
            EXPECT_EQ(static_cast<int>(read.scene->spheres.size()), coin.spheres) << where;
            EXPECT_EQ(static_cast<int>(read.scene->cylinders.size()), coin.cylinders) << where;
            expect_same_box(read.scene->bounds, coin.box, where);
            ++cross_checked;
        }
        EXPECT_GE(written, 25u) << setting << ": " << run.err;
        scenes += written;
    }
    EXPECT_GT(cross_checked, scenes / 2);
}
