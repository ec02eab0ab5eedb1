#include "print3d/stl_templates.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "common/error.h"
#include "structure/text_file.h"

namespace vexalith {
namespace {

constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_blank_line(std::string_view line)
{
    for (const char c : line)
        if (!is_blank(c))
            return false;
    return true;
}

// The lines of the text without their line ends (LF or CR LF).  A last line
// without a line end counts; the empty piece after a final line end does not.
std::vector<std::string_view> split_lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

// A number: optional sign, digits with an optional full stop, optional
// exponent.  Nothing else (no comma, no "inf", no "nan", no hexadecimal).
std::optional<long double> read_number(std::string_view token)
{
    std::string_view digits = token;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() || !((digits.front() >= '0' && digits.front() <= '9') || digits.front() == '.'))
        return std::nullopt;
    long double value = 0;
    const char* last = digits.data() + digits.size();
    const auto [end, ec] = std::from_chars(digits.data(), last, value, std::chars_format::general);
    if (ec != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

// The three numbers at the start of a vertex line; the rest of the line,
// after a blank, is ignored.
std::optional<Vec3> read_vertex(std::string_view line)
{
    Vec3 v{};
    for (long double& component : v) {
        while (!line.empty() && is_blank(line.front()))
            line.remove_prefix(1);
        std::size_t n = 0;
        while (n < line.size() && !is_blank(line[n]))
            ++n;
        const auto value = read_number(line.substr(0, n));
        if (!value)
            return std::nullopt;
        component = *value;
        line.remove_prefix(n);
    }
    return v;
}

}  // namespace

StlTemplate parse_stl_template(std::string_view text, std::string name)
{
    StlTemplate mesh;
    mesh.name = std::move(name);
    const std::vector<std::string_view> lines = split_lines(text);

    // Blank lines at the end close the text.
    std::size_t count = lines.size();
    while (count > 0 && is_blank_line(lines[count - 1]))
        --count;

    std::size_t at = 0;
    while (at < count) {
        TemplateFacet facet;
        facet.normal.assign(lines[at]);
        for (std::size_t k = 1; k <= 3; ++k) {
            const std::size_t n = at + k;
            const auto line_number = static_cast<long long>(n) + 1;
            if (n >= count)
                throw ConversionError(mesh.name, line_number, "facet block cut short: a vertex line is missing");
            const auto vertex = read_vertex(lines[n]);
            if (!vertex)
                throw ConversionError(mesh.name, line_number,
                                      "a vertex line needs three numbers: \"" + std::string(lines[n]) + "\"");
            facet.vertices[k - 1] = *vertex;
        }
        mesh.facets.push_back(std::move(facet));
        at += 4;
    }
    if (mesh.facets.empty())
        throw ConversionError(mesh.name, 1, "the template holds no facet");
    return mesh;
}

StlTemplate read_stl_template(const std::string& path) { return parse_stl_template(read_text_file(path), path); }

StlTemplates load_stl_templates(const std::string& folder)
{
    std::string prefix = folder.empty() ? std::string("./") : folder;
    if (prefix.back() != '/')
        prefix.push_back('/');
    const auto path = [&prefix](std::string_view name) { return prefix + std::string(name); };
    StlTemplates templates;
    templates.ball = read_stl_template(path(kBallTemplateFile));
    templates.ball1 = read_stl_template(path(kNitrogenTemplateFile));
    templates.ball2 = read_stl_template(path(kOxygenTemplateFile));
    templates.cylinder = read_stl_template(path(kCylinderTemplateFile));
    return templates;
}

}  // namespace vexalith
