#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "common/error.h"
#include "support/corpus.h"

namespace vexalith {
namespace {

namespace fs = std::filesystem;
using testsupport::read_file;
using testsupport::temp_dir;
using testsupport::write_file;

std::size_t entries(const std::string& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}));
}

TEST(AtomicFile, ReplacesTheFileOnlyWhenCommitted)
{
    const std::string dir = temp_dir();
    const std::string path = dir + "/model.wrl";
    write_file(path, "old");
    ::chmod(path.c_str(), 0640);
    {
        AtomicFile file(path);
        file.write("new ");
        file.write("content");
        EXPECT_EQ(read_file(path), "old") << "nothing changes before the commit";
        file.commit();
    }
    EXPECT_EQ(read_file(path), "new content");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
        << "the replaced file's permissions are kept";
    EXPECT_EQ(entries(dir), 1u);

    {
        AtomicFile abandoned(path);
        abandoned.write("half a file");
    }
    EXPECT_EQ(read_file(path), "new content");
    EXPECT_EQ(entries(dir), 1u) << "the temporary file is removed";
}

TEST(AtomicFile, FollowsALinkAndWritesDevicesDirectly)
{
    const std::string dir = temp_dir();
    const std::string target = dir + "/real.stl";
    const std::string link = dir + "/link.stl";
    write_file(target, "old");
    fs::create_symlink(target, link);
    {
        AtomicFile file(link);
        file.write("through the link");
        file.commit();
    }
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
    EXPECT_EQ(read_file(target), "through the link");

    {
        AtomicFile null("/dev/null");
        null.write("discarded");
        null.commit();
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(AtomicFile, RefusesFoldersAndMissingFolders)
{
    const std::string dir = temp_dir();
    EXPECT_THROW(AtomicFile{dir}, InputOutputError);
    try {
        AtomicFile file(dir + "/missing/out.wrl");
        FAIL() << "created a file in a missing folder";
    } catch (const InputOutputError& e) {
        EXPECT_EQ(e.file(), dir + "/missing/out.wrl");
    }
}

// A converter writes several files at once: new files get the mode the
// umask gives, and the umask is never changed, not even for the moment in
// which another thread creates its file.
TEST(AtomicFile, WritersOnSeveralThreadsKeepTheUmask)
{
    const std::string dir = temp_dir();
    const mode_t before = ::umask(027);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&dir, t] {
            for (int k = 0; k < 3000; ++k) {
                AtomicFile file(dir + "/" + std::to_string(t) + "-" + std::to_string(k % 100) + ".wrl");
                file.write("x");
                if (k < 100)  // one of each name is kept; the others are dropped
                    file.commit();
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(::umask(before), 027u);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        ++files;
        EXPECT_EQ(entry.status().permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
            << entry.path();
    }
    EXPECT_EQ(files, 4u * 100u);
}

}  // namespace
}  // namespace vexalith
