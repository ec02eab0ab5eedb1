#include "cli/info_command.h"

#include <algorithm>
#include <vector>

#include "cli/number_text.h"
#include "common/error.h"
#include "common/reporter.h"
#include "convert/draw_model.h"
#include "convert/model_commands.h"
#include "model/crystal.h"
#include "options/model_options.h"
#include "structure/cif_reader.h"
#include "structure/element_table.h"
#include "structure/present_elements.h"
#include "structure/structure_count.h"
#include "structure/text_file.h"

namespace vexalith {
namespace {

const char* kind_name(const Structure& structure)
{
    if (structure.ProteinFile)
        return "macromolecular";
    if (structure.ChemCompFile)
        return "chemical component";
    return "small molecule";
}

std::vector<std::string> unknown_symbols(const Structure& structure)
{
    std::vector<std::string> unknown;
    for (int32_t i = 1; i <= structure.AtomCount; ++i) {
        const std::string& symbol = structure.AtomSymbol[static_cast<std::size_t>(i)];
        if (!is_known_symbol(symbol) && std::find(unknown.begin(), unknown.end(), symbol) == unknown.end())
            unknown.push_back(symbol);
    }
    return unknown;
}

void write_list(std::ostream& out, const std::vector<std::string>& items)
{
    for (std::size_t i = 0; i < items.size(); ++i)
        out << (i ? " " : "") << (items[i].empty() ? "\"\"" : items[i]);
}

}  // namespace

// Passes the reader's warnings on as lines of text.
class WarningLines : public Reporter {
public:
    explicit WarningLines(std::ostream& out) : out_(out) {}
    void warning(std::string_view message) override { out_ << "vexalith-convert: warning: " << message << '\n'; }

private:
    std::ostream& out_;
};

void run_info(const InfoRequest& request, std::ostream& out, std::ostream& warnings)
{
    ConversionState state;
    Structure structure;
    ModelOptions options;
    WarningLines reporter(warnings);
    state.FileName = request.file;
    state.ModelIndex = request.model;
    // Unchecking "Helices" reads a protein atom by atom, as in the program.
    if (!request.helices)
        SetHelicesBox(options, state, false);

    const std::string text = read_text_file(request.file);
    state.StructureCount = count_structures(text);
    if (request.structure < 0 || request.structure > std::max<int32_t>(state.StructureCount, 0) ||
        (request.structure > 0 && state.StructureCount == 0))
        throw SelectionError(request.file, 0,
                             "there is no structure " + std::to_string(request.structure) + ": the file holds " +
                                 std::to_string(state.StructureCount) + " (lines with _chemical_formula_sum)");
    state.StructureIndex = request.structure;

    options.Crystal = request.crystal;
    options.BlockSize = request.block;
    read_chosen_structure(text, state, structure, options, reporter);
    const bool found_kind = detect_file_kind(text).has_value();

    out << "File: " << request.file << '\n';
    out << "Kind: " << (found_kind ? kind_name(structure) : "none") << '\n';
    out << "Structures: " << state.StructureCount << '\n';
    out << "Structure: " << state.StructureIndex << '\n';
    out << "Models: " << structure.ModelCount << '\n';
    out << "Model: " << (state.ModelIndex == kAllModels ? std::string("all") : std::to_string(state.ModelIndex))
        << '\n';
    if (!structure.ProteinFile && !structure.ChemCompFile && structure.AtomCount > 0) {
        out << "Cell: " << full_precision(structure.CellA) << ' ' << full_precision(structure.CellB) << ' '
            << full_precision(structure.CellC) << ' ' << full_precision(structure.CellAlpha) << ' '
            << full_precision(structure.CellBeta) << ' ' << full_precision(structure.CellGamma) << '\n';
        for (int row = 0; row < 3; ++row) {
            out << "OrthoMatrix" << (row + 1) << ':';
            for (int column = 0; column < 3; ++column)
                out << ' ' << full_precision(structure.OrthoMatrix[row][column]);
            out << '\n';
        }
    }
    if (!structure.ProteinFile && !structure.ChemCompFile && structure.AtomCount > 0) {
        try {
            const CrystalSymmetry symmetry = crystal_symmetry(structure);
            out << "SpaceGroup: " << (symmetry.space_group.empty() ? std::string("?") : symmetry.space_group)
                << (symmetry.source == CrystalSymmetry::Source::AssumedP1 ? " (assumed: the file gives none)" : "")
                << '\n';
            out << "Operators: " << symmetry.operators.size()
                << (symmetry.source == CrystalSymmetry::Source::SpaceGroup ? " (from the space group's name)" : "")
                << '\n';
        } catch (const Error& e) {
            out << "Operators: unreadable: " << e.what() << '\n';
        }
        if (request.crystal == CrystalMode::Cell || request.crystal == CrystalMode::Block)
            out << "CellSites: " << structure.CellSites << '\n';
    }
    out << "AtomsRead: " << structure.AtomsRead << '\n';
    out << "AtomCount: " << structure.AtomCount << '\n';
    if (structure.AtomCount == 0) {
        out << "Note: " << kNoAtomsFound << '\n';
        return;
    }
    out << "MaxPart: " << structure.MaxPart << '\n';
    out << "MaxSeqId: " << structure.MaxSeqId << '\n';
    out << "ModelExtent: " << full_precision(structure.ModelExtent) << '\n';
    out << "Centroid: " << full_precision(structure.Centroid[0]) << ' ' << full_precision(structure.Centroid[1]) << ' '
        << full_precision(structure.Centroid[2]) << '\n';

    std::vector<std::string> read_symbols;
    if (request.atoms)
        read_symbols = structure.AtomSymbol;
    const std::vector<std::string> unknown = unknown_symbols(structure);
    replace_unknown_symbols(structure);
    list_present_elements(structure);
    out << "PresentElements: ";
    write_list(out, structure.PresentElements);
    out << '\n';
    if (!unknown.empty()) {
        out << "UnknownSymbols (drawn as C): ";
        write_list(out, unknown);
        out << '\n';
    }

    if (!request.atoms)
        return;
    for (int32_t n = 1; n <= structure.AtomCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const AtomCoordRecord& atom = structure.AtomCoord[i];
        out << n << '\t' << read_symbols[i] << '\t' << full_precision(atom.x) << '\t' << full_precision(atom.y) << '\t'
            << full_precision(atom.z) << '\t' << full_precision(atom.part) << '\t' << structure.AtomResidue[i] << '\t'
            << structure.AtomSeqId[i] << '\n';
    }
}

}  // namespace vexalith
