#include "vrml/scene_header.h"

#include "vrml/scene_numbers.h"

namespace vexalith {
namespace {

// The sky colour divides by 264, not 255: a full byte gives 0.966.
std::string sky_component(uint8_t byte) { return general_number(static_cast<long double>(byte) / 264); }

}  // namespace

BackgroundColour GetColorValues(uint32_t colour)
{
    return {static_cast<uint8_t>(colour & 0xFF), static_cast<uint8_t>((colour >> 8) & 0xFF),
            static_cast<uint8_t>((colour >> 16) & 0xFF)};
}

void write_scene_header(TextOutput& out, const Structure& structure, const ModelOptions& options,
                        const BackgroundColour& background)
{
    const std::string distance =
        general_number(ToModelUnits(structure.ModelExtent, model_scale(options, structure)) * 25);
    out.line("NavigationInfo {headlight FALSE type \"EXAMINE\"}");
    out << "Background {skyColor [" << sky_component(background.red) << ' ' << sky_component(background.green) << ' '
        << sky_component(background.blue) << "]}";
    out.line();
    out.line("DEF ps ProximitySensor { center 0 0 0 size 9000 9000 9000}");
    out.line("DEF tr2 Transform {children[");
    out.line("PointLight {on TRUE intensity 1 ambientIntensity 0.5 color 1 1 1");
    if (options.VrmlUnit == 1000)
        out.line("location  50 50 100  radius 5000}]}");
    else
        out.line("location  50 50 " + distance + "  radius 5000}]}");
    out.line("Viewpoint   {fieldOfView 0.1 position 0 0 " + distance + " }");
}

void write_scene_routes(TextOutput& out)
{
    out.line("ROUTE ps.orientation_changed TO tr2.set_rotation");
    out.line("ROUTE ps.position_changed TO tr2.set_translation ");
}

}  // namespace vexalith
