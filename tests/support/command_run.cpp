#include "support/command_run.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

namespace testsupport {

int run_without_root(const std::function<int()>& body)
{
    std::fflush(nullptr);  // nothing buffered is written twice
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        int result = 126;
        if (::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0)) {
            try {
                result = body();
            } catch (...) {
                result = 125;
            }
        }
        ::_exit(result);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

}  // namespace testsupport
