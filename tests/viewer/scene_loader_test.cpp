// Reading scene files: gzip inflated by the viewer itself, Coin's read
// errors reported as failures.
#include "viewer/scene_loader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/corpus.h"
#include "viewer_support.h"

using namespace vexalith::viewer;

namespace {

const std::string kTinyScene =
    "#VRML V2.0 utf8\n"
    "Shape { appearance Appearance { material Material { diffuseColor 1 0 0 } } geometry Box { size 2 2 2 } }\n";

}  // namespace

TEST(SceneBytes, GzipIsInflatedWhateverTheFileIsCalled)
{
    const std::string dir = testsupport::temp_dir();
    testsupport::write_file(dir + "/scene.wrz", viewertest::gzip(kTinyScene));
    testsupport::write_file(dir + "/packed.wrl", viewertest::gzip(kTinyScene));
    testsupport::write_file(dir + "/plain.wrz", kTinyScene);
    EXPECT_EQ(read_scene_bytes(dir + "/scene.wrz"), kTinyScene);
    EXPECT_EQ(read_scene_bytes(dir + "/packed.wrl"), kTinyScene);
    EXPECT_EQ(read_scene_bytes(dir + "/plain.wrz"), kTinyScene);
}

TEST(SceneBytes, JoinedGzipMembersAreOneText)
{
    const std::string first = kTinyScene.substr(0, 20);
    const std::string second = kTinyScene.substr(20);
    EXPECT_EQ(inflate_bytes(viewertest::gzip(first) + viewertest::gzip(second)), kTinyScene);
}

TEST(SceneBytes, DamagedOrShortGzipFails)
{
    std::string packed = viewertest::gzip(kTinyScene + kTinyScene + kTinyScene);
    EXPECT_THROW(inflate_bytes(packed.substr(0, packed.size() / 2)), std::runtime_error);
    packed[packed.size() / 2] = static_cast<char>(packed[packed.size() / 2] ^ 0x5A);
    packed[packed.size() / 2 + 1] = static_cast<char>(packed[packed.size() / 2 + 1] ^ 0x5A);
    EXPECT_THROW(inflate_bytes(packed), std::runtime_error);
}

TEST(SceneBytes, MissingFileNamesThePath)
{
    const std::string path = testsupport::temp_dir() + "/no-such-scene.wrl";
    try {
        read_scene_bytes(path);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

TEST(SceneParse, GoodSceneHasNodesAndNoError)
{
    const ParsedScene parsed = parse_scene(kTinyScene);
    ASSERT_TRUE(parsed.root) << parsed.error;
    EXPECT_TRUE(parsed.error.empty());
    EXPECT_GT(parsed.root->getNumChildren(), 0);
}

TEST(SceneParse, SyntaxErrorsFailWithCoinsMessage)
{
    const ParsedScene missing_brace = parse_scene("#VRML V2.0 utf8\nShape { geometry Box { size 1 1 1 }\n");
    EXPECT_FALSE(missing_brace.root);
    EXPECT_FALSE(missing_brace.error.empty());

    const ParsedScene unknown_node = parse_scene("#VRML V2.0 utf8\nShape { geometry Blob { } }\n");
    EXPECT_FALSE(unknown_node.root);
    EXPECT_NE(unknown_node.error.find("Blob"), std::string::npos) << unknown_node.error;

    const ParsedScene not_vrml = parse_scene("this is not a scene at all\n");
    EXPECT_FALSE(not_vrml.root);
    EXPECT_FALSE(not_vrml.error.empty());
}

TEST(SceneParse, ErrorHandlerIsPutBackAfterwards)
{
    parse_scene("#VRML V2.0 utf8\nShape { geometry Blob { } }\n");
    // A later good parse does not carry over the earlier messages.
    const ParsedScene good = parse_scene(kTinyScene);
    EXPECT_TRUE(good.root);
    EXPECT_TRUE(good.error.empty()) << good.error;
}

TEST(SceneParse, EveryGoldenSceneReads)
{
    for (const char* name :
         {"caffeine-ball-and-stick.wrl", "1cbs-helices.wrl", "zsm5-zeolite-expanded.wrl", "nacl-printer-metres.wrl"}) {
        const std::string bytes = read_scene_bytes(viewertest::golden_scene(name).toStdString());
        const ParsedScene parsed = parse_scene(bytes);
        EXPECT_TRUE(parsed.root) << name << ": " << parsed.error;
    }
}
