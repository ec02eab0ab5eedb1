// The converter run as a user runs it, for the command-line tests.
#pragma once

#include <string>

#include "support/command_run.h"

namespace testsupport {

// vexalith-convert with these arguments (quoted for the shell by the
// caller), with `environment` ("NAME=value ...") set for it.
inline CommandRun run_converter(const std::string& arguments, const std::string& environment = "")
{
    return run_command(environment + " " + std::string(VEXALITH_CONVERT) + " " + arguments);
}

}  // namespace testsupport
