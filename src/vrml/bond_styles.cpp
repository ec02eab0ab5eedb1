#include "vrml/bond_styles.h"

namespace vexalith {

void write_bond_styles(TextOutput& out, const Structure& structure, const ModelOptions& options)
{
    out.line("# bond style");
    out.line("Transform {children [Shape {appearance DEF bondstyle Appearance {");
    if (options.ModelMode == BallAndStick || options.ModelMode == CovalentRadius || options.ModelMode == VanDerWaals)
        out.line("material Material {diffuseColor 0.7 0.7 0.7 ");
    out.line(" ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}");
    out.line("# h-bond style");
    out.line("Transform {children [Shape {appearance DEF hbondstyle Appearance {");
    out.line("material Material {diffuseColor 0.2 0.2 0.2 ");
    out.line(" ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}");
    if (options.Helices && structure.ProteinFile) {
        out.line("# helix-bond style");
        out.line("Transform {children [Shape {appearance DEF helixbondstyle Appearance {");
        out.line("material Material {diffuseColor 0.2 0.4 0.6 ");
        out.line("  ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}");
    }
}

}  // namespace vexalith
