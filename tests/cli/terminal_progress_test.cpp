#include "cli/terminal_progress.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/corpus.h"

namespace vexalith {
namespace {

TEST(TerminalProgress, DrawsOnATerminalOnly)
{
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    std::FILE* terminal = ::fdopen(slave, "w");
    ASSERT_NE(terminal, nullptr);
    {
        TerminalProgress progress(terminal);
        progress.progress_maximum(200);
        progress.progress_visible(true);
        for (long long k = 0; k <= 300; ++k)  // writers run past the reader's maximum
            progress.progress_position(k);
        progress.progress_visible(false);
    }
    std::fclose(terminal);
    std::string shown;
    char buffer[65536];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, static_cast<std::size_t>(n));
    ::close(master);
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

}  // namespace
}  // namespace vexalith
