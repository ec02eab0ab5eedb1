#include "convert/draw_model.h"

#include "common/atomic_file.h"
#include "common/error.h"
#include "common/output_limit.h"
#include "common/file_names.h"
#include "convert/structure_choice.h"
#include "model/compress_atoms.h"
#include "print3d/export_check.h"
#include "structure/cif_reader.h"
#include "structure/present_elements.h"
#include "structure/structure_count.h"
#include "structure/text_file.h"
#include "vrml/atom_writer.h"
#include "vrml/bond_styles.h"
#include "vrml/bond_writer.h"
#include "vrml/element_styles.h"

namespace vexalith {
namespace {

void count_structures_once(StructureModel& model, const std::string& text, Reporter& reporter)
{
    if (model.StructureCount != 0)
        return;
    model.StructureCount = count_structures(text);
    if (model.StructureCount >= 2)
        reporter.status_text(1, "Structure 1 of " + std::to_string(model.StructureCount));
    else
        reporter.status_text(1, "");
}

void end_of_conversion(const StructureModel& model, Reporter& reporter)
{
    if (structure_choice(model).kind != StructureChoice::Kind::None)
        reporter.structure_selector_enabled(true);
    reporter.progress_visible(false);
}

// A structure without atoms, or a read that failed: no model command, the
// caption says so.  The selector stays, so that another structure or model
// of the file can be chosen.
void show_no_model(const StructureModel& model, Reporter& reporter)
{
    reporter.model_commands_enabled(false, false);
    reporter.caption_text(kNoAtomsFound);
    end_of_conversion(model, reporter);
}

// After a read that failed nothing of the previous model stays drawn or
// exportable.
void forget_structure(StructureModel& model, Reporter& reporter)
{
    model.AtomCount = 0;
    model.AtomsRead = 0;
    model.PresentElements.clear();
    show_no_model(model, reporter);
}

void read_structure(const std::string& text, StructureModel& model, ModelOptions& options, Reporter& reporter)
{
    cif_read_xyz_text(text, model, options, reporter);
    const StructureChoice choice = structure_choice(model);
    if (choice.kind == StructureChoice::Kind::Models)
        reporter.status_text(1, choice_status(choice, model.ModelIndex));
}

}  // namespace

bool is_vrml_file(const std::string& file_name)
{
    return has_extension(file_name, "wrl") || has_extension(file_name, "wrz");
}

DrawOutcome prepare_model(StructureModel& model, ModelOptions& options, Reporter& reporter)
{
    reporter.caption_text(file_name_part(model.FileName));
    if (model.FileName.empty())
        return DrawOutcome::NoFile;
    if (is_vrml_file(model.FileName)) {
        reporter.model_commands_enabled(false, false);
        return DrawOutcome::VrmlInput;
    }

    const bool read = !model.RedrawOnly || model.RereadRequested;
    if (model.StructureCount == 0 || read) {
        try {
            const std::string text = read_text_file(model.FileName);
            count_structures_once(model, text, reporter);
            reporter.progress_visible(true);
            if (read)
                read_structure(text, model, options, reporter);
        } catch (...) {
            model.RereadRequested = false;
            if (read)
                forget_structure(model, reporter);
            throw;
        }
    } else {
        reporter.progress_visible(true);
    }
    model.RereadRequested = false;

    if (model.AtomCount == 0) {
        show_no_model(model, reporter);
        return DrawOutcome::NoAtoms;
    }
    reporter.model_commands_enabled(true, !model.ProteinFile);

    if (!model.ProteinFile && model.CompressRequested) {
        const int32_t before = model.AtomCount;
        CompressAtoms(model, options);
        reporter.atoms_joined(model.AtomCount, before - model.AtomCount);
    }
    model.CompressRequested = false;

    replace_unknown_symbols(model);
    list_present_elements(model);
    return DrawOutcome::SceneWritten;
}

void write_scene(TextOutput& out, StructureModel& model, const ModelOptions& options, const SceneTarget& target,
                 Reporter& reporter)
{
    try {
        out.line("#VRML V2.0 utf8");
        if (!target.PrinterExport)
            write_scene_header(out, model, options, target.background);
        write_element_styles(out, model);
        write_atoms(out, model, options, reporter);
        write_bond_styles(out, model, options);
        write_bonds(out, model, options, reporter);
        if (!target.PrinterExport)
            write_scene_routes(out);
        out.flush();
    } catch (const RangeError& e) {
        if (!e.file().empty())
            throw;
        throw RangeError(model.FileName, e.line(), e.text());
    }
}

DrawOutcome DrawModel(StructureModel& model, ModelOptions& options, const SceneTarget& target, Reporter& reporter)
{
    const DrawOutcome outcome = prepare_model(model, options, reporter);
    switch (outcome) {
    case DrawOutcome::NoFile:
        end_of_conversion(model, reporter);
        return outcome;
    case DrawOutcome::VrmlInput:
        if (target.scene_path != model.FileName)
            copy_file_atomically(model.FileName, target.scene_path);
        return outcome;
    case DrawOutcome::NoAtoms:
        return outcome;
    case DrawOutcome::SceneWritten:
        break;
    }
    if (target.PrinterExport)
        require_shown_atoms(model, options);

    AtomicFile file(target.scene_path);
    {
        LimitedSink limited(file, options.MaxOutputSize, target.scene_path,
                            target.PrinterExport ? "the VRML file" : "the scene file");
        TextOutput out(limited);
        write_scene(out, model, options, target, reporter);
    }
    file.commit();

    if (!target.PrinterExport) {
        reporter.progress_visible(false);
        reporter.status_text(2, "Rendering");
        reporter.repaint_status();
    }
    end_of_conversion(model, reporter);
    return outcome;
}

}  // namespace vexalith
