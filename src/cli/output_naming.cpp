#include "cli/output_naming.h"

#include <unordered_map>

#include "common/file_names.h"

namespace vexalith {
namespace {

// Where the extension's dot is in `path`, or npos: the last dot of the file
// name, not its first character.
std::size_t extension_dot(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || dot <= name_start)
        return std::string_view::npos;
    return dot;
}

}  // namespace

bool spelled_as_folder(std::string_view output) { return output.ends_with('/'); }

std::string output_stem(std::string_view input)
{
    const std::string name = file_name_part(input);
    const std::size_t dot = extension_dot(name);
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string path_in_folder(std::string_view folder, std::string_view stem, std::string_view extension)
{
    std::string path(folder);
    if (!path.empty() && !path.ends_with('/'))
        path += '/';
    path += stem;
    path += '.';
    path += extension;
    return path;
}

std::string numbered_path(std::string_view path, int number)
{
    const std::size_t dot = extension_dot(path);
    const std::size_t at = dot == std::string_view::npos ? path.size() : dot;
    std::string numbered(path.substr(0, at));
    numbered += '-';
    numbered += std::to_string(number);
    numbered += path.substr(at);
    return numbered;
}

std::optional<std::pair<std::size_t, std::size_t>> first_clash(const std::vector<std::string>& paths)
{
    std::unordered_map<std::string_view, std::size_t> seen;
    for (std::size_t k = 0; k < paths.size(); ++k) {
        const auto [at, added] = seen.emplace(paths[k], k);
        if (!added)
            return std::pair{at->second, k};
    }
    return std::nullopt;
}

}  // namespace vexalith
