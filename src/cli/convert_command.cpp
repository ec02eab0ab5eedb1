#include "cli/convert_command.h"

#include <sys/stat.h>

#include <cmath>

#include "common/error.h"
#include "common/file_names.h"
#include "convert/draw_model.h"
#include "convert/model_commands.h"
#include "model/protein_style.h"
#include "options/crystal_choice.h"
#include "options/model_options.h"
#include "options/option_table.h"
#include "print3d/binary_stl_writer.h"
#include "print3d/stl_templates.h"
#include "print3d/stl_writer.h"
#include "print3d/three_mf_writer.h"
#include "structure/cif_reader.h"

namespace vexalith {
namespace {

bool same_file(const std::string& a, const std::string& b)
{
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Settings that do not depend on the file, made before it is loaded.
void apply_general_options(const ConvertRequest& request, ModelOptions& options)
{
    options.MaxOutputSize = request.max_output_size;
    options.SingleThreadWriters = request.single_thread_writers;
    if (request.size)
        options.ModelSize = *request.size;
    if (request.unit)
        options.VrmlUnit = *request.unit;
    if (request.bond_diameter)
        options.BondDiameter = *request.bond_diameter;
    options.SolidPrint = request.solid;
    if (request.solid_tolerance)
        options.SolidTolerance = *request.solid_tolerance;
    if (request.helix_bridge_distance) {
        // As the dialog's slider sets it: in steps of the table's step
        // (hundredths of an angstrom).
        const int per_unit = positions_per_unit(user_option(OptionId::HelixBridgeDistance));
        const long double position = std::round(*request.helix_bridge_distance * per_unit);
        options.HelixBridgeDistance = position / per_unit;
    }
    if (request.crystal) {
        std::string problem;
        const auto choice = parse_crystal_choice(*request.crystal, problem);
        if (!choice)
            throw RequestError("--crystal: " + problem);
        options.Crystal = choice->mode;
        options.BlockSize = choice->block;
    }
    options.CellEdges = request.cell_edges;
    if (request.show_hydrogen)
        SetShowHydrogenBox(options, *request.show_hydrogen);
    if (request.hbonds) {
        if (*request.hbonds == "only") {
            SetShowHydrogenBondsBox(options, true);
        } else if (*request.hbonds == "with-vdw") {
            SetShowVanDerWaalsBox(options, true);
        } else {
            SetShowHydrogenBondsBox(options, false);
            SetShowVanDerWaalsBox(options, false);
        }
    }
}

void hide_parts(const ConvertRequest& request, const Structure& structure, ModelOptions& options)
{
    if (request.hide_parts.empty())
        return;
    if (structure.MaxPart < 1)
        throw RequestError("--hide-parts: the structure has no disorder parts");
    for (const int32_t part : request.hide_parts) {
        if (part < 0 || part > structure.MaxPart)
            throw RequestError("--hide-parts: the structure has parts 0 to " + std::to_string(structure.MaxPart) +
                               ", not " + std::to_string(part));
        options.ShownParts[static_cast<std::size_t>(part)] = false;
    }
}

// Loads the file as the program does, then selects the structure.
DrawOutcome load(const ConvertRequest& request, ConversionState& state, Structure& structure, ModelOptions& options,
                 Reporter& reporter)
{
    state.FileName = request.input;
    state.ModelIndex = request.model;
    state.FileChosen = true;
    state.RedrawOnly = false;
    DrawOutcome outcome = prepare_model(state, structure, options, reporter);
    if (outcome == DrawOutcome::VrmlInput || !request.structure)
        return outcome;
    const int32_t last = std::max<int32_t>(state.StructureCount, 1);
    if (*request.structure < 1 || *request.structure > last)
        throw RequestError("--structure " + std::to_string(*request.structure) + ": the file has " +
                           std::to_string(last) + (last == 1 ? " structure" : " structures"));
    state.StructureIndex = *request.structure;
    state.RedrawOnly = false;
    return prepare_model(state, structure, options, reporter);
}

void check_outcome(DrawOutcome outcome, const ConversionState& state)
{
    if (outcome == DrawOutcome::NoAtoms)
        throw NoAtomsFound(state.FileName, 0, std::string(kNoAtomsFound));
}

void export_mesh(OutputFormat format, const ConvertRequest& request, const Structure& structure, ModelOptions& options,
                 const StlTemplates& templates, Reporter& reporter)
{
    // In the program the scene drawn last has put protein style's mode in
    // force before the STL command.
    apply_protein_style_mode(structure, options);
    const Model model = build_model(structure, options);
    switch (format) {
    case OutputFormat::StlBinary:
        write_binary_stl(request.output, model, templates, reporter);
        break;
    case OutputFormat::ThreeMf:
        write_three_mf(request.output, model, templates, reporter);
        break;
    default:
        write_stl(request.output, model, templates, reporter);
        break;
    }
}

}  // namespace

OutputFormat output_format(const ConvertRequest& request)
{
    if (request.format)
        return *request.format;
    if (has_extension(request.output, "stl"))
        return OutputFormat::Stl;
    if (has_extension(request.output, "3mf"))
        return OutputFormat::ThreeMf;
    if (has_extension(request.output, "wrl"))
        return OutputFormat::Scene;
    throw RequestError("cannot tell the output kind from the name " + file_name_part(request.output) +
                       ": use --format scene, printer, stl, stl-binary or 3mf, or the extension .wrl, .stl or .3mf");
}

bool is_mesh_format(OutputFormat format)
{
    return format == OutputFormat::Stl || format == OutputFormat::StlBinary || format == OutputFormat::ThreeMf;
}

void run_convert(const ConvertRequest& request, Reporter& reporter) { run_convert(request, nullptr, reporter); }

void run_convert(const ConvertRequest& request, const StlTemplates* templates, Reporter& reporter)
{
    const OutputFormat format = output_format(request);
    if (same_file(request.input, request.output))
        throw RequestError("the output file is the input file: choose another name");

    // Templates first: a missing one is reported before anything is done.
    std::optional<StlTemplates> loaded;
    if (is_mesh_format(format) && templates == nullptr) {
        loaded = load_stl_templates(request.data_folder);
        templates = &*loaded;
    }

    ConversionState state;
    Structure structure;
    ModelOptions options;
    if (prepare_conversion(request, state, structure, options, reporter) == DrawOutcome::VrmlInput) {
        if (is_mesh_format(format))
            throw RequestError("a VRML file holds no structure to export as STL or 3MF");
        SceneTarget target{request.output, false, request.background};
        DrawModel(state, structure, options, target, reporter);
        return;
    }

    if (is_mesh_format(format)) {
        export_mesh(format, request, structure, options, *templates, reporter);
        return;
    }
    SceneTarget target{request.output, format == OutputFormat::Printer, request.background};
    if (target.PrinterExport)
        SetHideBridgesBox(options, false);  // the printer file carries the bridges
    DrawModel(state, structure, options, target, reporter);
}

DrawOutcome prepare_conversion(const ConvertRequest& request, ConversionState& state, Structure& structure,
                               ModelOptions& options, Reporter& reporter)
{
    apply_general_options(request, options);
    DrawOutcome outcome = load(request, state, structure, options, reporter);
    if (outcome == DrawOutcome::VrmlInput)
        return outcome;
    check_outcome(outcome, state);

    // The options dialog, then "Accept": a change of "Helices" reads the
    // file again.
    if (request.show_water)
        SetSuppressWaterBox(options, false);
    if (request.protein_style)
        SetProteinStyleBox(options, state, structure.ProteinFile, *request.protein_style);
    if (request.helices)
        SetHelicesBox(options, state, *request.helices);
    if (request.bridges)
        SetHideBridgesBox(options, !*request.bridges);
    state.RedrawOnly = true;
    check_outcome(prepare_model(state, structure, options, reporter), state);
    hide_parts(request, structure, options);

    if (request.mode)
        select_model_mode(state, options, structure.ProteinFile, *request.mode);
    if (request.expand > 0 && structure.ProteinFile)
        throw RequestError("--expand: a macromolecular structure cannot be expanded");
    for (int32_t k = 0; k < request.expand; ++k) {
        request_expand(state);
        check_outcome(prepare_model(state, structure, options, reporter), state);
    }
    return outcome;
}

}  // namespace vexalith
