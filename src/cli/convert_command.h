// "vexalith-convert FILE -o OUT": one structure converted to the on-screen
// scene, the printer colour VRML or the STL file, with the options a user
// sets in the program.  Unset options keep the program's state after the
// file is loaded (including what a protein file switches on).
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/output_limit.h"
#include "common/reporter.h"
#include "convert/conversion_state.h"
#include "convert/draw_model.h"
#include "options/model_options.h"
#include "print3d/stl_templates.h"
#include "structure/structure.h"
#include "vrml/scene_header.h"

namespace vexalith {

enum class OutputFormat { Scene, Printer, Stl, StlBinary, ThreeMf };

struct ConvertRequest {
    std::string input;
    std::string output;
    std::optional<OutputFormat> format;    // default: from the output's extension
    std::optional<int32_t> structure;      // 1..StructureCount
    int32_t model = 1;                     // model of an ensemble, kAllModels for all
    std::optional<int32_t> mode;           // BallAndStick, CovalentRadius, VanDerWaals
    int32_t expand = 0;                    // how many times Expand is applied
    std::optional<int32_t> size;           // ModelSize, 25..250 mm
    std::optional<int32_t> unit;           // VrmlUnit: 1 or 1000
    std::optional<int32_t> bond_diameter;  // 5..30
    std::optional<std::string> hbonds;     // "none", "only", "with-vdw"
    std::optional<std::string> crystal;    // "asymmetric", "cell", "molecules", "block=NxMxK"
    bool cell_edges = false;
    std::optional<bool> show_hydrogen;
    bool show_water = false;
    std::vector<int32_t> hide_parts;
    std::optional<bool> protein_style;
    std::optional<bool> helices;
    std::optional<bool> bridges;
    std::optional<long double> helix_bridge_distance;  // 4..6 angstrom, in steps of 0.01
    bool solid = false;                                // one watertight solid in STL and 3MF files
    std::optional<double> solid_tolerance;             // mm
    BackgroundColour background = kStartupBackground;
    std::string data_folder;                         // where the STL templates are
    uint64_t max_output_size = kDefaultOutputLimit;  // bytes
    bool single_thread_writers = false;              // when several conversions share the cores
};

// A request that cannot be carried out as asked (a part that does not exist,
// a structure beyond the last, an unknown output kind).
class RequestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The structure read has no atoms ("no atoms found, sorry").
class NoAtomsFound : public ConversionError {
public:
    using ConversionError::ConversionError;
};

// The output kind: the --format value, or by the output's extension
// (".stl" STL, ".3mf" 3MF, ".wrl" scene).  Throws RequestError otherwise.
OutputFormat output_format(const ConvertRequest& request);

// Whether the kind is a print file made of meshes: STL, binary STL, 3MF.
bool is_mesh_format(OutputFormat format);

// Runs the conversion.  Throws RequestError and the core's errors; an
// existing output file is replaced only by a complete new one.
void run_convert(const ConvertRequest& request, Reporter& reporter);

// The same with the STL templates already loaded, which are only read
// (null: loaded here when the output is STL).
void run_convert(const ConvertRequest& request, const StlTemplates* templates, Reporter& reporter);

// Loads the request's input and applies its options as run_convert does
// before it writes: the structure and options the export would use.
// Returns VrmlInput for a VRML input (nothing else done).  Throws as
// run_convert.
DrawOutcome prepare_conversion(const ConvertRequest& request, ConversionState& state, Structure& structure,
                               ModelOptions& options, Reporter& reporter);

}  // namespace vexalith
