// Reading back what the STL writer wrote, for the tests of the writer.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "model/vector3.h"
#include "print3d/stl_templates.h"

namespace vexalith::stltest {

inline std::string data_dir() { return VEXALITH_DATA_DIR; }
inline std::string golden_dir() { return std::string(VEXALITH_GOLDEN_DIR) + "/stl"; }

struct Facet {
    std::string normal;  // the text after "facet normal "
    std::array<Vec3, 3> vertices{};
};

struct Solid {
    std::string header;
    std::string trailer;
    std::vector<Facet> facets;
};

// The lines of a text whose every line ends in CR LF.
inline std::vector<std::string> crlf_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto end = text.find("\r\n", at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text after the last CR LF: " << text.substr(at, 40);
            break;
        }
        std::string line = text.substr(at, end - at);
        EXPECT_EQ(line.find('\n'), std::string::npos) << "a bare line feed in \"" << line << "\"";
        EXPECT_EQ(line.find('\r'), std::string::npos) << "a bare carriage return in \"" << line << "\"";
        lines.push_back(std::move(line));
        at = end + 2;
    }
    return lines;
}

inline long double number(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    long double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(ec == std::errc() && end == text.data() + text.size()) << "not a number: \"" << text << "\"";
    return value;
}

// Three numbers, each in the given format: `decimals` decimals, right-aligned
// in at least `width` characters, one blank between them.
inline Vec3 formatted_triple(std::string_view text, int decimals, std::size_t width)
{
    Vec3 v{};
    for (std::size_t c = 0; c < 3; ++c) {
        // A field is blanks then a number; the next field starts after one blank.
        std::size_t n = 0;
        while (n < text.size() && text[n] == ' ')
            ++n;
        while (n < text.size() && text[n] != ' ')
            ++n;
        const std::string_view field = text.substr(0, n);
        EXPECT_GE(field.size(), width) << "field \"" << field << "\" is narrower than " << width;
        const auto dot = field.find('.');
        EXPECT_TRUE(dot != std::string_view::npos && field.size() - dot - 1 == static_cast<std::size_t>(decimals))
            << "field \"" << field << "\" has not " << decimals << " decimals";
        v[c] = number(field);
        text.remove_prefix(n);
        if (c < 2) {
            EXPECT_TRUE(!text.empty() && text.front() == ' ') << "no blank between numbers";
            text.remove_prefix(text.empty() ? 0 : 1);
        }
    }
    EXPECT_TRUE(text.empty()) << "text after the third number: \"" << text << "\"";
    return v;
}

// Reads the whole solid, checking every line of every facet.
inline Solid parse_solid(const std::string& text)
{
    Solid solid;
    const std::vector<std::string> lines = crlf_lines(text);
    if (lines.size() < 2) {
        ADD_FAILURE() << "fewer than two lines";
        return solid;
    }
    solid.header = lines.front();
    solid.trailer = lines.back();
    EXPECT_EQ((lines.size() - 2) % 7, 0u) << "facets are seven lines each";
    for (std::size_t at = 1; at + 7 <= lines.size() - 1; at += 7) {
        Facet facet;
        const std::string_view first = lines[at];
        EXPECT_TRUE(first.starts_with("facet normal ")) << "line " << at + 1 << ": " << first;
        facet.normal = first.substr(std::min<std::size_t>(13, first.size()));
        EXPECT_EQ(lines[at + 1], "    outer loop ") << "line " << at + 2;
        for (std::size_t k = 0; k < 3; ++k) {
            const std::string_view vertex = lines[at + 2 + k];
            EXPECT_TRUE(vertex.starts_with("      vertex ")) << "line " << at + 3 + k << ": " << vertex;
            facet.vertices[k] = formatted_triple(vertex.substr(std::min<std::size_t>(13, vertex.size())), 2, 5);
        }
        EXPECT_EQ(lines[at + 5], "    endloop ") << "line " << at + 6;
        EXPECT_EQ(lines[at + 6], "endfacet") << "line " << at + 7;
        solid.facets.push_back(std::move(facet));
    }
    return solid;
}

// The normal that the order of the vertices gives (not normalised).
inline Vec3 winding_normal(const Facet& f)
{
    return cross_product(f.vertices[1] - f.vertices[0], f.vertices[2] - f.vertices[0]);
}

inline Vec3 centroid(const Facet& f) { return (f.vertices[0] + f.vertices[1] + f.vertices[2]) * (1.0L / 3); }

// The volume that a closed set of facets encloses, positive when the facets
// wind counter-clockwise seen from outside.
inline long double signed_volume(const std::vector<Facet>& facets)
{
    long double volume = 0;
    for (const Facet& f : facets)
        volume += dot(f.vertices[0], cross_product(f.vertices[1], f.vertices[2])) / 6;
    return volume;
}

}  // namespace vexalith::stltest
