// The names a batch conversion writes: one output per input file (and per
// structure with --structure all), derived from the input's name alone, so
// that every clash is known before anything is converted.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexalith {

// Whether the output names a folder by its spelling: it ends in '/'.
bool spelled_as_folder(std::string_view output);

// The input's file name without folder and last extension ("a/x.cif" gives
// "x"); a name that is all extension (".cif") is kept whole.
std::string output_stem(std::string_view input);

// `folder`/`stem`.`extension`, with one '/' between folder and name.
std::string path_in_folder(std::string_view folder, std::string_view stem, std::string_view extension);

// The path with "-n" before its extension: "out/x.wrl", 3 gives
// "out/x-3.wrl"; "out/x" gives "out/x-3"; a dot in a folder name is not an
// extension.
std::string numbered_path(std::string_view path, int number);

// The first two positions holding the same path, if any.
std::optional<std::pair<std::size_t, std::size_t>> first_clash(const std::vector<std::string>& paths);

}  // namespace vexalith
