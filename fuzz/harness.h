// One run of each fuzz target on one input, shared by the libFuzzer targets
// and the test that replays the inputs they found.  Each function returns
// an empty text for a clean outcome (a sound model, or an exception of the
// core's family that names the file and says what is wrong) and otherwise
// what went wrong.  Crashes, leaks and undefined behaviour are left to the
// sanitizers.
#pragma once

#include <string>
#include <string_view>

#include "options/model_options.h"
#include "print3d/stl_templates.h"
#include "structure/structure.h"

namespace fuzzharness {

// The file name the inputs are read under; errors must name it.
inline constexpr std::string_view kInputName = "fuzz.cif";

// The whole input read as a CIF file from the top, fresh model and options.
std::string read_anything(std::string_view bytes);

// The first two bytes give the structure index (the first byte and the low
// half of the second, 0..4095) and the model of an ensemble (the high half
// of the second, 0 for every model); the rest is the file; the structures
// are counted as the driver does.
std::string read_selected_structure(std::string_view bytes);

// Read, join the fragment, write the scene and the STL file to memory.  The
// last two bytes also choose the options (model mode, Expand, hydrogen
// bonds, unit, size, printer export, the protein boxes), so one text meets
// several of them.  Structures of more than 1000 atoms are only read, the
// STL file is written for up to 100 atoms, and each output stops at 1 MB.
std::string convert_anything(std::string_view bytes, const vexalith::StlTemplates& templates);

// The first byte chooses a crystal mode and a block size; the rest is read
// as a file, and a structure of up to 200 atoms is grown into the mode with
// the symmetry it gives (a malformed operation must be an error naming the
// file).  Every line of the text is also parsed as a symmetry operation.
std::string grow_crystal_anything(std::string_view bytes);

// The rules every model keeps: column sizes, finite centroid, extent and
// positions, parts within 0..MaxPart and part boxes for them, and right
// after a read (`after_read`) a residue table of MaxSeqId + 1 rows holding
// every sequence number.  Empty when all hold, else the first one broken.
std::string model_problem(const vexalith::Structure& model, const vexalith::ModelOptions& options, bool after_read);

}  // namespace fuzzharness
