// Running a program as a user does, with its output captured.
#pragma once

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
