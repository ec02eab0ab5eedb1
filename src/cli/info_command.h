// "vexalith-convert info": what the reader makes of a CIF file.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace vexalith {

struct InfoRequest {
    std::string file;
    int32_t structure = 0;  // 0: from the top of the file
    bool atoms = false;     // also list the atom table
};

// Reads the file and writes the report.  Throws the core's errors.
void run_info(const InfoRequest& request, std::ostream& out);

}  // namespace vexalith
