// The binary STL export: an 80-byte header, the facet count and 50 bytes
// per facet (normal, three corners, an attribute word of 0), little-endian
// 32-bit floats in millimetres.  It carries the ASCII writer's facets, or
// with SolidPrint the facets of the one watertight solid.
#pragma once

#include <cstdint>
#include <string>

#include "common/reporter.h"
#include "common/text_output.h"
#include "model/model.h"
#include "print3d/stl_templates.h"

namespace vexalith {

// Writes the file through a temporary file that replaces `file_name` only
// when complete.  Throws as write_stl does: ConversionError when no atom is
// shown, OutputTooLarge past the options' MaxOutputSize (before anything is
// written), InputOutputError when the file cannot be written.
void write_binary_stl(const std::string& file_name, const Model& model, const StlTemplates& templates,
                      Reporter& reporter);

// The same bytes written to `sink`.
void write_binary_stl(ByteSink& sink, const Model& model, const StlTemplates& templates, Reporter& reporter);

// The size of the file of `facets` facets: 84 + 50 per facet.
constexpr uint64_t binary_stl_size(uint64_t facets) { return 84 + 50 * facets; }

}  // namespace vexalith
