// "vexalith-convert info": what the reader makes of a CIF file.
#pragma once

#include <array>
#include <cstdint>

#include <ostream>
#include <string>
#include "options/model_options.h"

namespace vexalith {

struct InfoRequest {
    std::string file;
    int32_t structure = 0;  // 0: from the top of the file
    int32_t model = 1;      // model of an ensemble, kAllModels for all
    bool helices = true;    // a protein as its backbone trace, as the program draws it
    bool atoms = false;     // also list the atom table
    CrystalMode crystal = CrystalMode::Asymmetric;
    std::array<int32_t, 3> block{1, 1, 1};
};

// Reads the file and writes the report; warnings about the input go to
// `warnings`, one line each.  Throws the core's errors.
void run_info(const InfoRequest& request, std::ostream& out, std::ostream& warnings);

}  // namespace vexalith
