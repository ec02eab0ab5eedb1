// Where the installed data files (the STL template meshes, the empty scene)
// are, for the converter and the program alike: $VEXALITH_DATA_DIR when set, else the executable's folder when it
// holds them (a build tree), else <prefix>/share/vexalith beside the
// executable's bin folder.
#pragma once

#include <string>

namespace vexalith {

std::string data_folder();

// The folder of the running executable.
std::string executable_folder();

}  // namespace vexalith
