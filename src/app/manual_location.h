// Where the HTML manual is: installed beside the program, or in the source
// tree for a program run from its build folder.
#pragma once

#include <QString>

namespace vexalith {

QString manual_path();

}  // namespace vexalith
