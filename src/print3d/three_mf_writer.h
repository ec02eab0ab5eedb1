// The colour 3MF export: a 3MF package (a zip of the 3D model, its content
// types and relationships) with one object per colour of the scene, all in
// one build, in millimetres.  A base material per colour carries the
// scene's colour as display colour, so a multi-material slicer can give
// each element its filament.  Without SolidPrint each object holds the
// template meshes of its spheres and cylinders; with it, the objects are
// the colour bodies of the solid (solid_mesh.h), which do not overlap and
// together make it.
#pragma once

#include <string>
#include <vector>

#include "common/reporter.h"
#include "common/text_output.h"
#include "model/model.h"
#include "print3d/print_shapes.h"
#include "print3d/stl_templates.h"

namespace vexalith {

// Writes the package through a temporary file that replaces `file_name`
// only when complete.  Throws ConversionError when no atom is shown,
// OutputTooLarge past the options' MaxOutputSize, InputOutputError when the
// file cannot be written.
void write_three_mf(const std::string& file_name, const Model& model, const StlTemplates& templates,
                    Reporter& reporter);

// The same bytes written to `sink`.
void write_three_mf(ByteSink& sink, const Model& model, const StlTemplates& templates, Reporter& reporter);

// One object of the model part: a name, a colour and an indexed mesh.
struct ThreeMfObject {
    std::string name;
    std::string rgb;  // "r g b", components 0..1
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<uint32_t, 3>> triangles;
};

// The text of 3D/3dmodel.model for these objects.
std::string three_mf_model_text(const std::vector<ThreeMfObject>& objects);

// The zip package holding the model text, its content types and
// relationships.  Throws InputOutputError when the zip library fails.
std::string three_mf_package(const std::string& model_text);

// "#RRGGBB" of an "r g b" colour.
std::string display_colour(const std::string& rgb);

}  // namespace vexalith
