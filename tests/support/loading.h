// Structures read from CIF text as the program reads a chosen file: the file
// kind's presentation defaults on the options, the read, the part boxes and
// the backbone trace.
#pragma once

#include <string_view>

#include "common/reporter.h"
#include "convert/conversion_state.h"
#include "convert/draw_model.h"
#include "options/model_options.h"
#include "structure/structure.h"

namespace testsupport {

// Reads `text` as a freshly chosen file named `file_name` (structure 0,
// model 1); `state` says what else is asked when given.
inline void load_text(std::string_view text, vexalith::Structure& structure, vexalith::ModelOptions& options,
                      vexalith::Reporter& reporter, std::string_view file_name = "test.cif")
{
    vexalith::ConversionState state;
    state.FileName = std::string(file_name);
    vexalith::read_chosen_structure(text, state, structure, options, reporter);
}

}  // namespace testsupport
