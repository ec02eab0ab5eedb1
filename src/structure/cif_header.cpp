#include "structure/cif_header.h"

#include <array>

#include "structure/cif_tokens.h"

namespace vexalith {
namespace {

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool starts_with_no_case(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

struct TagCode {
    std::string_view tag;
    ColumnCode code;
};

// Tags that give coordinates: matched as whole tags.
constexpr std::array<TagCode, 12> kCoordinateTags{{
    {"_atom_site.Cartn_x", ColumnCode::X},
    {"_atom_site.Cartn_y", ColumnCode::Y},
    {"_atom_site.Cartn_z", ColumnCode::Z},
    {"_chem_comp_atom.model_Cartn_x", ColumnCode::X},
    {"_chem_comp_atom.model_Cartn_y", ColumnCode::Y},
    {"_chem_comp_atom.model_Cartn_z", ColumnCode::Z},
    {"_chem_comp_atom.x", ColumnCode::X},
    {"_chem_comp_atom.y", ColumnCode::Y},
    {"_chem_comp_atom.z", ColumnCode::Z},
    {"_chem_comp_atom.pdbx_model_Cartn_x_ideal", ColumnCode::IdealX},
    {"_chem_comp_atom.pdbx_model_Cartn_y_ideal", ColumnCode::IdealY},
    {"_chem_comp_atom.pdbx_model_Cartn_z_ideal", ColumnCode::IdealZ},
}};

}  // namespace

ColumnCode column_code(std::string_view tag, bool seen_type_symbol)
{
    if (contains(tag, "type_symbol"))
        return ColumnCode::Symbol;
    if (contains(tag, "label") && !seen_type_symbol && !contains(tag, "geom"))
        return ColumnCode::Symbol;
    if (contains(tag, "_atom_site.label_seq_id"))
        return ColumnCode::SeqId;
    if (contains(tag, "fract_x"))
        return ColumnCode::X;
    if (contains(tag, "fract_y"))
        return ColumnCode::Y;
    if (contains(tag, "fract_z"))
        return ColumnCode::Z;
    if (contains(tag, "disorder_group"))
        return ColumnCode::Part;
    for (const TagCode& t : kCoordinateTags)
        if (tag == t.tag)
            return t.code;
    if (contains(tag, "auth_comp_id"))
        return ColumnCode::Residue;
    if (tag == "_atom_site.pdbx_PDB_model_num")
        return ColumnCode::ModelNumber;
    return ColumnCode::Skip;
}

std::optional<FileKind> coordinate_tag_kind(std::string_view line)
{
    const std::string_view tag = first_word(line);
    if (tag.starts_with("_atom_site_fract_"))
        return FileKind::SmallMolecule;
    if (tag == "_atom_site.Cartn_x")
        return FileKind::Macromolecular;
    if (tag == "_chem_comp_atom.model_Cartn_x" || tag == "_chem_comp_atom.x")
        return FileKind::ChemicalComponent;
    return std::nullopt;
}

bool is_formula_sum_line(std::string_view line)
{
    constexpr std::string_view kTag = "_chemical_formula_sum";
    for (std::size_t at = line.find(kTag); at != std::string_view::npos; at = line.find(kTag, at + 1)) {
        const bool starts_word = at == 0 || line[at - 1] == ' ' || line[at - 1] == '\t';
        const std::size_t after = at + kTag.size();
        const bool ends_word = after == line.size() || line[after] == ' ' || line[after] == '\t';
        if (starts_word && ends_word)
            return true;
    }
    return false;
}

bool is_loop_start(std::string_view line) { return starts_with_no_case(trim_left(line), "loop_"); }

bool is_loop_end(std::string_view line)
{
    const std::string_view text = trim_left(line);
    if (text.empty() || text.front() == '_' || text.front() == '#')
        return true;
    // Rows of values mostly start otherwise than the reserved words do.
    switch (text.front() | 0x20) {
    case 'l':
    case 'd':
    case 'g':
    case 's':
        break;
    default:
        return false;
    }
    for (std::string_view word : {"loop_", "data_", "global_", "save_", "stop_"})
        if (starts_with_no_case(text, word))
            return true;
    return false;
}

}  // namespace vexalith
