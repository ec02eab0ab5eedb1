// Numbers as text for the command line's reports: locale-independent,
// shortest text that reads back to the same value.
#pragma once

#include <string>

namespace vexalith {

std::string full_precision(long double value);

}  // namespace vexalith
