#include "convert/draw_model.h"

#include <memory>
#include <string>

#include "common/atomic_file.h"
#include "common/error.h"
#include "common/file_names.h"
#include "common/output_limit.h"
#include "convert/presentation_defaults.h"
#include "convert/structure_choice.h"
#include "model/backbone_trace.h"
#include "model/compress_atoms.h"
#include "model/crystal.h"
#include "model/protein_style.h"
#include "print3d/export_check.h"
#include "structure/cif_reader.h"
#include "structure/present_elements.h"
#include "structure/structure_count.h"
#include "structure/text_file.h"
#include "vrml/atom_writer.h"
#include "vrml/bond_styles.h"
#include "vrml/bond_writer.h"
#include "vrml/cell_edge_writer.h"
#include "vrml/element_styles.h"

namespace vexalith {
namespace {

void count_structures_once(ConversionState& state, const std::string& text, Reporter& reporter)
{
    if (state.StructureCount != 0)
        return;
    state.StructureCount = count_structures(text);
    if (state.StructureCount >= 2)
        reporter.selection_text("Structure 1 of " + std::to_string(state.StructureCount));
    else
        reporter.selection_text("");
}

void end_of_conversion(const ConversionState& state, const Structure& structure, Reporter& reporter)
{
    if (structure_choice(state, structure).kind != StructureChoice::Kind::None)
        reporter.structure_selector_enabled(true);
    reporter.progress_visible(false);
}

// A structure without atoms, or a read that failed: no model command, the
// caption says so.  The selector stays, so that another structure or model
// of the file can be chosen.
void show_no_model(const ConversionState& state, const Structure& structure, Reporter& reporter)
{
    reporter.model_commands_enabled(false, false);
    reporter.caption_text(kNoAtomsFound);
    end_of_conversion(state, structure, reporter);
}

// After a read that failed nothing of the previous model stays drawn or
// exportable.
void forget_structure(const ConversionState& state, Structure& structure, Reporter& reporter)
{
    structure.AtomCount = 0;
    structure.AtomsRead = 0;
    structure.PresentElements.clear();
    show_no_model(state, structure, reporter);
}

}  // namespace

void grow_chosen_crystal(Structure& structure, const ModelOptions& options, Reporter& reporter)
{
    if (options.Crystal == CrystalMode::Asymmetric || structure.AtomCount == 0)
        return;
    if (structure.ProteinFile || structure.ChemCompFile) {
        reporter.warning(format_error_message(structure.FileName, 0,
                                              "the crystal modes apply to small-molecule files with a cell; this "
                                              "file is drawn as it is"));
        return;
    }
    const CrystalSymmetry symmetry = crystal_symmetry(structure);
    if (symmetry.source == CrystalSymmetry::Source::AssumedP1)
        reporter.warning(format_error_message(structure.FileName, 0,
                                              "no symmetry operations or space group in the file: drawn as P 1"));
    grow_crystal(structure, symmetry, options.Crystal, options.BlockSize);
}

void read_chosen_structure(std::string_view text, ConversionState& state, Structure& structure, ModelOptions& options,
                           Reporter& reporter)
{
    reporter.structure_selector_enabled(false);
    reporter.stage(Reporter::Stage::Reading);

    const auto kind = detect_file_kind(text);
    if (kind) {
        const PresentationDefaults defaults =
            presentation_defaults(*kind, state.RereadRequested, protein_boxes(options));
        apply_presentation_defaults(defaults, *kind, options, state);
        reporter.model_mode_shown(defaults.shown_mode);
    } else {
        reporter.caption_text(kNoAtomsFound);
    }
    const bool trace = kind == FileKind::Macromolecular && options.Helices;
    const ReadRequest request{state.FileName, state.StructureIndex, state.ModelIndex, trace};
    read_structure(text, request, structure, reporter);

    if (structure.MaxPart >= 1)
        MakePartCheckBoxes(options, structure.MaxPart);
    // A protein shown with helices is drawn as its backbone trace.
    if (trace && structure.AtomCount > 0)
        build_backbone_trace(structure);
    grow_chosen_crystal(structure, options, reporter);

    const StructureChoice choice = structure_choice(state, structure);
    if (choice.kind == StructureChoice::Kind::Models)
        reporter.selection_text(choice_status(choice, state.ModelIndex));
}

namespace {

// The text of the chosen file: read afresh, or the text a pipe gave once.
std::shared_ptr<const std::string> input_text(ConversionState& state)
{
    if (state.OnceReadText && state.OnceReadFile == state.FileName)
        return state.OnceReadText;
    auto text = std::make_shared<const std::string>(read_text_file(state.FileName));
    state.OnceReadText.reset();
    if (!can_read_again(state.FileName)) {
        state.OnceReadText = text;
        state.OnceReadFile = state.FileName;
    }
    return text;
}

}  // namespace

bool is_vrml_file(const std::string& file_name)
{
    return has_extension(file_name, "wrl") || has_extension(file_name, "wrz");
}

DrawOutcome prepare_model(ConversionState& state, Structure& structure, ModelOptions& options, Reporter& reporter)
{
    reporter.caption_text(file_name_part(state.FileName));
    if (state.FileName.empty())
        return DrawOutcome::NoFile;
    if (is_vrml_file(state.FileName)) {
        reporter.model_commands_enabled(false, false);
        return DrawOutcome::VrmlInput;
    }

    const bool read = !state.RedrawOnly || state.RereadRequested;
    // A new crystal mode reads the structure again, as it was read, and
    // grows it: no presentation defaults, the parts and the mode stay.
    const bool regrow = !read && state.CrystalRequested;
    if (state.StructureCount == 0 || read || regrow) {
        try {
            const std::shared_ptr<const std::string> input = input_text(state);
            const std::string& text = *input;
            count_structures_once(state, text, reporter);
            reporter.progress_visible(true);
            if (read) {
                read_chosen_structure(text, state, structure, options, reporter);
            } else if (regrow) {
                reporter.stage(Reporter::Stage::Reading);
                read_structure(text, ReadRequest{state.FileName, state.StructureIndex, state.ModelIndex}, structure,
                               reporter);
                grow_chosen_crystal(structure, options, reporter);
            }
        } catch (...) {
            state.RereadRequested = false;
            state.CrystalRequested = false;
            if (read || regrow)
                forget_structure(state, structure, reporter);
            throw;
        }
    } else {
        reporter.progress_visible(true);
    }
    state.RereadRequested = false;
    state.CrystalRequested = false;

    if (structure.AtomCount == 0) {
        show_no_model(state, structure, reporter);
        return DrawOutcome::NoAtoms;
    }
    reporter.model_commands_enabled(true, !structure.ProteinFile);

    if (!structure.ProteinFile && state.CompressRequested) {
        const int32_t before = structure.AtomCount;
        CompressAtoms(structure, options);
        reporter.atoms_joined(structure.AtomCount, before - structure.AtomCount);
    }
    state.CompressRequested = false;

    replace_unknown_symbols(structure);
    list_present_elements(structure);
    return DrawOutcome::SceneWritten;
}

void write_scene(TextOutput& out, const Model& model, const SceneTarget& target, Reporter& reporter)
{
    const Structure& structure = model.structure;
    try {
        out.line("#VRML V2.0 utf8");
        if (!target.PrinterExport)
            write_scene_header(out, structure, model.options, target.background);
        write_element_styles(out, structure);
        write_atoms(out, model, reporter);
        write_bond_styles(out, structure, model.options);
        write_bonds(out, model, reporter);
        write_cell_edges(out, model);
        if (!target.PrinterExport)
            write_scene_routes(out);
        out.flush();
    } catch (const RangeError& e) {
        if (!e.file().empty())
            throw;
        throw RangeError(structure.FileName, e.line(), e.text());
    }
}

DrawOutcome DrawModel(ConversionState& state, Structure& structure, ModelOptions& options, const SceneTarget& target,
                      Reporter& reporter)
{
    const DrawOutcome outcome = prepare_model(state, structure, options, reporter);
    switch (outcome) {
    case DrawOutcome::NoFile:
        end_of_conversion(state, structure, reporter);
        return outcome;
    case DrawOutcome::VrmlInput:
        if (target.scene_path != state.FileName)
            copy_file_atomically(state.FileName, target.scene_path);
        return outcome;
    case DrawOutcome::NoAtoms:
        return outcome;
    case DrawOutcome::SceneWritten:
        break;
    }
    apply_protein_style_mode(structure, options);
    const Model model = build_model(structure, options);
    if (target.PrinterExport)
        require_shown_atoms(model);

    AtomicFile file(target.scene_path);
    {
        LimitedSink limited(file, options.MaxOutputSize, target.scene_path,
                            target.PrinterExport ? "the VRML file" : "the scene file");
        TextOutput out(limited);
        write_scene(out, model, target, reporter);
    }
    file.commit();

    if (!target.PrinterExport) {
        reporter.progress_visible(false);
        reporter.stage(Reporter::Stage::Rendering);
    }
    end_of_conversion(state, structure, reporter);
    return outcome;
}

}  // namespace vexalith
