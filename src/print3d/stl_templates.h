// The meshes that every sphere and every bond cylinder of an STL export is
// copied from.  The four template files live beside the program; each is a
// sequence of facet blocks of four lines: a normal line (free text, copied
// unchanged into the STL file by the sphere templates) and three vertex
// lines of three numbers each (anything after the third number is ignored).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "structure/structure.h"

namespace vexalith {

struct TemplateFacet {
    std::string normal;            // the normal line as it stands, without line end
    std::array<Vec3, 3> vertices;  // in the order of the file
};

struct StlTemplate {
    std::string name;  // file name, for messages
    std::vector<TemplateFacet> facets;
};

// The template file names, in the order they are opened.
inline constexpr std::string_view kBallTemplateFile = "ball.txt";       // most elements
inline constexpr std::string_view kNitrogenTemplateFile = "ball1.txt";  // N
inline constexpr std::string_view kOxygenTemplateFile = "ball2.txt";    // O and B
inline constexpr std::string_view kCylinderTemplateFile = "cylinder.txt";

// The four meshes, read once.
struct StlTemplates {
    StlTemplate ball;
    StlTemplate ball1;
    StlTemplate ball2;
    StlTemplate cylinder;
};

// Reads a template text.  `name` names it in messages.  Blank lines after
// the last block end the text.  Throws ConversionError (with the 1-based
// line) for a vertex line without three readable numbers, a block cut
// short, or a text without any block.
StlTemplate parse_stl_template(std::string_view text, std::string name);

// Reads one template file; throws InputOutputError when it cannot be read.
StlTemplate read_stl_template(const std::string& path);

// Reads the four templates of `folder` (with or without a closing '/').
// Call it before touching the output file, so that a missing template is
// reported while everything is still as it was.
StlTemplates load_stl_templates(const std::string& folder);

}  // namespace vexalith
