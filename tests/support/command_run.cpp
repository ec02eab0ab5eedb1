#include "support/command_run.h"

#include <sys/wait.h>

#include <cstdlib>

#include "support/corpus.h"

namespace testsupport {

CommandRun run_command(const std::string& command_line)
{
    const std::string dir = temp_dir();
    const std::string command = command_line + " >" + dir + "/out 2>" + dir + "/err";
    CommandRun r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = read_file(dir + "/out");
    r.err = read_file(dir + "/err");
    return r;
}

std::string shell_quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

}  // namespace testsupport
