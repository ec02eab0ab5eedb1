// Parts of file names, as the program shows and compares them.
#pragma once

#include <string>
#include <string_view>

namespace vexalith {

// The file name without folder and without its last extension
// ("/x/a.b.stl" gives "a.b").
std::string base_name_without_extension(std::string_view path);

// The file name without folder.
std::string file_name_part(std::string_view path);

// Whether the name ends in `extension` ("wrl" matches ".WRL"), any case.
bool has_extension(std::string_view path, std::string_view extension);

}  // namespace vexalith
