// "vexalith-convert check FILE [model options]": how the model that the
// same options would export will print (print3d/print_report.h), as
// "Key: value" lines.
#pragma once

#include <ostream>

#include "cli/convert_command.h"
#include "common/reporter.h"

namespace vexalith {

// Loads the file as run_convert does and writes the report: "File: NAME",
// then the report's lines.  Throws RequestError for a VRML input and the
// core's errors.
void run_check(const ConvertRequest& request, std::ostream& out, Reporter& reporter);

}  // namespace vexalith
