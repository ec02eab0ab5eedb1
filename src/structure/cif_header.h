// Recognising the tags of a CIF file: the coordinate tags that decide the
// file kind and mark the atom loop, the structure marker, and the column
// code each tag of the atom loop gets.
#pragma once

#include <optional>
#include <string_view>

#include "structure/structure.h"

namespace vexalith {

// Column codes of the atom loop.
enum class ColumnCode : char {
    Skip = ' ',
    Symbol = 's',  // type symbol, or the label before any type symbol
    SeqId = 'l',   // residue sequence number
    X = 'x',
    Y = 'y',
    Z = 'z',
    IdealX = 'u',  // ideal coordinates of a chemical component
    IdealY = 'v',
    IdealZ = 'w',
    Part = 'g',         // disorder group
    Residue = 'i',      // residue or component name
    ModelNumber = 'm',  // model of an ensemble (_atom_site.pdbx_PDB_model_num)
};

// The code of one tag of the atom loop; seen_type_symbol tells whether an
// earlier tag of the same loop was a type symbol.
ColumnCode column_code(std::string_view tag, bool seen_type_symbol);

// The file kind a line announces when it is the tag line of a coordinate
// column: "_atom_site_fract_..." (small molecule), "_atom_site.Cartn_x"
// (macromolecular), "_chem_comp_atom.model_Cartn_x" or "_chem_comp_atom.x"
// (chemical component).  The tag must be the line's first word, so a tag
// name quoted inside a value or followed by more characters
// ("_atom_site.Cartn_x_esd") announces nothing.
std::optional<FileKind> coordinate_tag_kind(std::string_view line);

// Whether the line holds the tag "_chemical_formula_sum" itself, standing
// alone as a word; longer tags that contain it do not count.
bool is_formula_sum_line(std::string_view line);

// Whether a line ends the rows of a loop: an empty or blank line, a comment,
// a tag, or a line starting with loop_, data_, global_, save_ or stop_.
bool is_loop_end(std::string_view line);

// Whether a line opens a loop ("loop_", any case).
bool is_loop_start(std::string_view line);

}  // namespace vexalith
