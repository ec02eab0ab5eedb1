#include "structure/cif_header.h"

#include <gtest/gtest.h>

namespace vexalith {
namespace {

TEST(ColumnCodes, SmallMoleculeLoop)
{
    EXPECT_EQ(column_code("_atom_site_label", false), ColumnCode::Symbol);
    EXPECT_EQ(column_code("_atom_site_type_symbol", false), ColumnCode::Symbol);
    EXPECT_EQ(column_code("_atom_site_type_symbol", true), ColumnCode::Symbol);
    // With the type symbol first, a later label column is skipped.
    EXPECT_EQ(column_code("_atom_site_label", true), ColumnCode::Skip);
    EXPECT_EQ(column_code("_atom_site_fract_x", true), ColumnCode::X);
    EXPECT_EQ(column_code("_atom_site_fract_y", true), ColumnCode::Y);
    EXPECT_EQ(column_code("_atom_site_fract_z", true), ColumnCode::Z);
    EXPECT_EQ(column_code("_atom_site_disorder_group", true), ColumnCode::Part);
    EXPECT_EQ(column_code("_atom_site_U_iso_or_equiv", true), ColumnCode::Skip);
    // A Wyckoff symbol is not an element symbol.
    EXPECT_EQ(column_code("_atom_site_Wyckoff_symbol", true), ColumnCode::Skip);
    EXPECT_EQ(column_code("_atom_site_Wyckoff_symbol", false), ColumnCode::Skip);
    // Geometry labels never give symbols.
    EXPECT_EQ(column_code("_geom_bond_atom_site_label_1", false), ColumnCode::Skip);
}

TEST(ColumnCodes, MacromolecularLoop)
{
    EXPECT_EQ(column_code("_atom_site.type_symbol", false), ColumnCode::Symbol);
    EXPECT_EQ(column_code("_atom_site.label_atom_id", true), ColumnCode::Skip);
    EXPECT_EQ(column_code("_atom_site.label_seq_id", true), ColumnCode::SeqId);
    EXPECT_EQ(column_code("_atom_site.Cartn_x", true), ColumnCode::X);
    EXPECT_EQ(column_code("_atom_site.Cartn_y", true), ColumnCode::Y);
    EXPECT_EQ(column_code("_atom_site.Cartn_z", true), ColumnCode::Z);
    EXPECT_EQ(column_code("_atom_site.Cartn_x_esd", true), ColumnCode::Skip);
    EXPECT_EQ(column_code("_atom_site.auth_comp_id", true), ColumnCode::Residue);
    EXPECT_EQ(column_code("_atom_site.pdbx_PDB_model_num", true), ColumnCode::ModelNumber);
    EXPECT_EQ(column_code("_atom_site.pdbx_PDB_model_num_esd", true), ColumnCode::Skip);
}

TEST(ColumnCodes, ChemicalComponentLoop)
{
    EXPECT_EQ(column_code("_chem_comp_atom.type_symbol", false), ColumnCode::Symbol);
    EXPECT_EQ(column_code("_chem_comp_atom.model_Cartn_x", true), ColumnCode::X);
    EXPECT_EQ(column_code("_chem_comp_atom.x", true), ColumnCode::X);
    EXPECT_EQ(column_code("_chem_comp_atom.z", true), ColumnCode::Z);
    EXPECT_EQ(column_code("_chem_comp_atom.pdbx_model_Cartn_y_ideal", true), ColumnCode::IdealY);
    EXPECT_EQ(column_code("_chem_comp_atom.atom_id", true), ColumnCode::Skip);
}

TEST(CoordinateTags, AnnounceTheFileKindOnlyAsWholeLeadingTags)
{
    EXPECT_EQ(coordinate_tag_kind("_atom_site_fract_x"), FileKind::SmallMolecule);
    EXPECT_EQ(coordinate_tag_kind("  _atom_site_fract_y"), FileKind::SmallMolecule);
    EXPECT_EQ(coordinate_tag_kind("_atom_site.Cartn_x "), FileKind::Macromolecular);
    EXPECT_EQ(coordinate_tag_kind("_atom_site.Cartn_x"), FileKind::Macromolecular);
    EXPECT_EQ(coordinate_tag_kind("_chem_comp_atom.model_Cartn_x  0.000"), FileKind::ChemicalComponent);
    EXPECT_EQ(coordinate_tag_kind("_chem_comp_atom.x"), FileKind::ChemicalComponent);
    EXPECT_FALSE(coordinate_tag_kind("_atom_site.Cartn_x_esd"));
    EXPECT_FALSE(coordinate_tag_kind("1 '_atom_site.Cartn_x' 'some audit text'"));
    EXPECT_FALSE(coordinate_tag_kind("_chem_comp_atom.xyz"));
    EXPECT_FALSE(coordinate_tag_kind(""));
}

TEST(FormulaSum, OnlyTheTagItselfMarksAStructure)
{
    EXPECT_TRUE(is_formula_sum_line("_chemical_formula_sum 'C8 H9 N O2'"));
    EXPECT_TRUE(is_formula_sum_line("_chemical_formula_sum"));
    EXPECT_TRUE(is_formula_sum_line("  _chemical_formula_sum\t'C H'"));
    EXPECT_FALSE(is_formula_sum_line("_[local]_cod_chemical_formula_sum_orig 'C8 H9 N O2'"));
    EXPECT_FALSE(is_formula_sum_line("_chemical_formula_sum_orig 'x'"));
    EXPECT_FALSE(is_formula_sum_line("_cod_chemical_formula_sum 'x'"));
    EXPECT_FALSE(is_formula_sum_line("_chemical_formula_moiety 'x'"));
}

TEST(LoopRows, EndAtTagsKeywordsBlankLinesAndComments)
{
    for (const char* line : {"", "   ", "\t", "_refine_ls_R_factor_all 0.021", "  _atom_site_aniso_label", "loop_",
                             "LOOP_", "data_next", "global_", "save_frame", "# comment", "  #"})
        EXPECT_TRUE(is_loop_end(line)) << '"' << line << '"';
    for (const char* line : {"C_1 C 0.1 0.2 0.3", "Si1 Si 8 0 0 0 1", "ATOM 1 N N . MET A 1 1 ? 0.5 0.5 0.5",
                             "D1G C_1 C_1 C 0 1 N N N 1.0 2.0 3.0", "  O1 O 0.1 0.2 0.3"})
        EXPECT_FALSE(is_loop_end(line)) << '"' << line << '"';
    EXPECT_TRUE(is_loop_start("  loop_"));
    EXPECT_FALSE(is_loop_start("_loop_x"));
}

}  // namespace
}  // namespace vexalith
