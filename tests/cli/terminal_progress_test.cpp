#include "cli/terminal_progress.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/corpus.h"

namespace vexalith {
namespace {

// What `show` draws on a pseudo-terminal.
template <typename Show>
std::string drawn_on_a_terminal(Show show)
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return "no pseudo-terminal";
    std::FILE* terminal = ::fdopen(slave, "w");
    {
        TerminalProgress progress(terminal);
        show(progress);
    }
    std::fclose(terminal);
    std::string shown;
    char buffer[65536];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, static_cast<std::size_t>(n));
    ::close(master);
    return shown;
}

TEST(TerminalProgress, DrawsOnATerminalOnly)
{
    const std::string shown = drawn_on_a_terminal([](TerminalProgress& progress) {
        progress.progress_maximum(200);
        progress.progress_visible(true);
        for (long long k = 0; k <= 300; ++k)  // writers run past the reader's maximum
            progress.progress_position(k);
        progress.progress_visible(false);
    });
    EXPECT_NE(shown.find("] 0%"), std::string::npos);
    EXPECT_NE(shown.find("] 50%"), std::string::npos);
    EXPECT_NE(shown.find("] 100%"), std::string::npos);
    EXPECT_EQ(shown.find("101%"), std::string::npos);
    EXPECT_TRUE(shown.ends_with("\r\033[K")) << "the bar is wiped at the end";

    const std::string path = testsupport::temp_dir() + "/log";
    std::FILE* file = std::fopen(path.c_str(), "w");
    {
        TerminalProgress progress(file);
        progress.progress_maximum(10);
        progress.progress_position(5);
    }
    std::fclose(file);
    EXPECT_EQ(testsupport::read_file(path), "") << "no bar in a redirected stream";
}

TEST(TerminalProgress, CountsFilesAtEveryStep)
{
    const std::string shown = drawn_on_a_terminal([](TerminalProgress& progress) {
        progress.show_counts("files");
        progress.progress_maximum(120);
        progress.progress_visible(true);
        for (long long k = 0; k <= 120; ++k)
            progress.progress_position(k);
        progress.progress_position(120);
    });
    EXPECT_NE(shown.find("] 0% 0/120 files"), std::string::npos);
    EXPECT_NE(shown.find("] 0% 1/120 files"), std::string::npos) << "a new count within the same percent";
    EXPECT_NE(shown.find("] 100% 120/120 files"), std::string::npos);
    std::size_t bars = 0;
    for (auto at = shown.find("\r["); at != std::string::npos; at = shown.find("\r[", at + 1))
        ++bars;
    EXPECT_EQ(bars, 121u) << "drawn once per position";
    EXPECT_TRUE(shown.ends_with("\r\033[K"));
}

}  // namespace
}  // namespace vexalith
