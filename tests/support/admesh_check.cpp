#include "support/admesh_check.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <stdexcept>

namespace testsupport {

bool admesh_available() { return ::access("/usr/bin/admesh", X_OK) == 0; }

std::string run_admesh(const std::string& path)
{
    const std::string command = "admesh '" + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run admesh");
    std::string output;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    if (::pclose(pipe) != 0)
        throw std::runtime_error("admesh failed:\n" + output);
    return output;
}

std::optional<double> value_after(const std::string& report, const std::string& label)
{
    const auto at = report.find(label);
    if (at == std::string::npos)
        return std::nullopt;
    const auto colon = report.find(':', at + label.size());
    if (colon == std::string::npos)
        return std::nullopt;
    const auto start = report.find_first_not_of(' ', colon + 1);
    if (start == std::string::npos)
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(report.data() + start, report.data() + report.size(), value);
    if (ec != std::errc())
        return std::nullopt;
    return value;
}

std::string admesh_problems(const std::string& path, std::size_t shells)
{
    const std::string report = run_admesh(path);
    std::string problems;
    const auto parts = value_after(report, "Number of parts");
    const auto volume = value_after(report, "Volume");
    if (!parts || !volume)
        return "unexpected admesh output:\n" + report;
    if (*parts != static_cast<double>(shells))
        problems += "parts " + std::to_string(*parts) + ", expected " + std::to_string(shells) + "\n";
    if (*volume <= 0)
        problems += "volume not positive\n";
    for (const char* label : {"Degenerate facets", "Total disconnected facets", "Edges fixed", "Facets removed",
                              "Facets added", "Facets reversed", "Backwards edges"}) {
        const auto value = value_after(report, label);
        if (!value)
            problems += std::string("no \"") + label + "\" in the report\n";
        else if (*value != 0)
            problems += std::string(label) + ": " + std::to_string(*value) + "\n";
    }
    return problems;
}

}  // namespace testsupport
