// Reading a whole input file into memory in one go.
#pragma once

#include <string>

namespace vexalith {

// The bytes of the file.  Throws InputOutputError naming the file when it
// cannot be opened or read (missing, a folder, no permission, read error).
std::string read_text_file(const std::string& path);

// Whether reading the file again gives its bytes again: a regular file
// does; a pipe (/dev/stdin, a shell's <(...)) or another device gives
// them once.
bool can_read_again(const std::string& path);

}  // namespace vexalith
