#include "common/file_names.h"

namespace vexalith {

std::string file_name_part(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string base_name_without_extension(std::string_view path)
{
    std::string name = file_name_part(path);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

bool has_extension(std::string_view path, std::string_view extension)
{
    const std::string name = file_name_part(path);
    if (name.size() < extension.size() + 1 || name[name.size() - extension.size() - 1] != '.')
        return false;
    for (std::size_t k = 0; k < extension.size(); ++k) {
        const char a = name[name.size() - extension.size() + k];
        const char b = extension[k];
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a) != lower(b))
            return false;
    }
    return true;
}

}  // namespace vexalith
