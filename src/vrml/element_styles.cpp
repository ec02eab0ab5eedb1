#include "vrml/element_styles.h"

#include "structure/element_table.h"

namespace vexalith {

void write_element_styles(TextOutput& out, const Structure& structure)
{
    out.line("# ball group");
    out.line("# styles");
    for (const std::string& symbol : structure.PresentElements) {
        for (int row = 1; row <= ElementCount; ++row) {
            const ElementRow& element = element_row(row);
            if (element.symbol != symbol)
                continue;
            out << "Transform {children [Shape {appearance DEF " << symbol << " Appearance {";
            out.line();
            out << "material Material {diffuseColor " << element.colour;
            out.line();
            out.line("ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}");
        }
    }
}

}  // namespace vexalith
