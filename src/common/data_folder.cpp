#include "common/data_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace vexalith {

std::string executable_folder()
{
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return ".";
    std::string path(buffer.data(), static_cast<std::size_t>(n));
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

namespace {

bool holds_templates(const std::string& folder) { return ::access((folder + "/ball.txt").c_str(), R_OK) == 0; }

}  // namespace

std::string data_folder()
{
    if (const char* env = std::getenv("VEXALITH_DATA_DIR"); env && *env)
        return env;
    const std::string exe = executable_folder();
    if (holds_templates(exe))
        return exe;
    return exe + "/../share/vexalith";
}

}  // namespace vexalith
