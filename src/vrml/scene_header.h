// The frame of the on-screen scene: navigation, background, the light that
// moves with the viewer, the camera, and the routes that tie the light to
// the viewing position.  Printer files have none of it.
#pragma once

#include <cstdint>

#include "common/text_output.h"
#include "options/model_options.h"
#include "structure/structure.h"

namespace vexalith {

struct BackgroundColour {
    uint8_t red = 66;
    uint8_t green = 130;
    uint8_t blue = 132;

    friend bool operator==(const BackgroundColour&, const BackgroundColour&) = default;
};

// The viewer's start-up background colour.
inline constexpr BackgroundColour kStartupBackground{66, 130, 132};

// Splits a colour value 0x00BBGGRR into its bytes.
BackgroundColour GetColorValues(uint32_t colour);

// The lines between "#VRML V2.0 utf8" and the body.
void write_scene_header(TextOutput& out, const Structure& structure, const ModelOptions& options,
                        const BackgroundColour& background);

// The two lines after the body.
void write_scene_routes(TextOutput& out);

}  // namespace vexalith
