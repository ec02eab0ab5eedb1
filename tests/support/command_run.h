// Running a program as a user does, with its output captured.
#pragma once

#include <functional>
#include <string>

namespace testsupport {

struct CommandRun {
    int status = -1;  // exit code; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs the shell command line with standard output and error captured.
CommandRun run_command(const std::string& command_line);

// The text quoted for the shell.
std::string shell_quote(const std::string& text);

}  // namespace testsupport

namespace testsupport {

// Runs `body` in a child process and returns its result (0..125), or -1
// when the child did not exit normally.  When this process is root the
// child first gives up root's rights (user and group nobody), so that
// permission bits stop it as they stop a user: 126 when it cannot.
int run_without_root(const std::function<int()>& body);

}  // namespace testsupport
