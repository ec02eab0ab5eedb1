#include "cli/output_naming.h"

#include <gtest/gtest.h>

namespace vexalith {
namespace {

TEST(OutputNaming, StemAndFolderPath)
{
    EXPECT_EQ(output_stem("db/x.cif"), "x");
    EXPECT_EQ(output_stem("x.tar.cif"), "x.tar");
    EXPECT_EQ(output_stem("db.v2/noextension"), "noextension") << "a dot in a folder is no extension";
    EXPECT_EQ(output_stem(".cif"), ".cif") << "a hidden file keeps its name";
    EXPECT_EQ(path_in_folder("out/", "x", "wrl"), "out/x.wrl");
    EXPECT_EQ(path_in_folder("out", "x", "stl"), "out/x.stl");
    EXPECT_EQ(path_in_folder("/", "x", "stl"), "/x.stl");
    EXPECT_TRUE(spelled_as_folder("out/"));
    EXPECT_FALSE(spelled_as_folder("out"));
}

TEST(OutputNaming, NumberGoesBeforeTheExtension)
{
    EXPECT_EQ(numbered_path("out/x.wrl", 3), "out/x-3.wrl");
    EXPECT_EQ(numbered_path("OUT.tar.stl", 12), "OUT.tar-12.stl");
    EXPECT_EQ(numbered_path("OUT", 1), "OUT-1");
    EXPECT_EQ(numbered_path("v1.2/OUT", 1), "v1.2/OUT-1");
    EXPECT_EQ(numbered_path("dir/.wrl", 2), "dir/.wrl-2");
}

TEST(OutputNaming, FirstClash)
{
    EXPECT_FALSE(first_clash({}));
    EXPECT_FALSE(first_clash({"o/a.wrl", "o/b.wrl", "o/A.wrl"}));
    const auto clash = first_clash({"o/a.wrl", "o/b.wrl", "o/c.wrl", "o/b.wrl", "o/a.wrl"});
    ASSERT_TRUE(clash);
    EXPECT_EQ(clash->first, 1u);
    EXPECT_EQ(clash->second, 3u);
}

}  // namespace
}  // namespace vexalith
