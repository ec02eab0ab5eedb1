#include "structure/cif_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/error.h"
#include "convert/draw_model.h"

namespace vexalith {
namespace {

struct RecordingReporter : Reporter {
    std::vector<std::string> statuses;
    std::vector<std::string> captions;
    std::vector<bool> selector;
    long long maximum = -1;
    long long last_position = -1;
    int shown_mode = 0;

    void stage(Stage stage) override { statuses.push_back(stage == Stage::Reading ? "reading" : "rendering"); }
    void caption_text(std::string_view text) override { captions.emplace_back(text); }
    void structure_selector_enabled(bool enabled) override { selector.push_back(enabled); }
    void progress_maximum(long long value) override { maximum = value; }
    void progress_position(long long value) override { last_position = value; }
    void model_mode_shown(int mode) override { shown_mode = mode; }
    void warning(std::string_view text) override { warnings.emplace_back(text); }

    std::vector<std::string> warnings;
};

struct Reader {
    Structure model;
    ModelOptions options;
    RecordingReporter reporter;

    ConversionState state;

    Reader() { state.FileName = "test.cif"; }

    void read(const std::string& text, int32_t structure = 0)
    {
        state.StructureIndex = structure;
        read_chosen_structure(text, state, model, options, reporter);
    }

    const AtomCoordRecord& atom(int n) const { return model.AtomCoord.at(static_cast<std::size_t>(n)); }
    const std::string& symbol(int n) const { return model.AtomSymbol.at(static_cast<std::size_t>(n)); }
};

std::string small_molecule(const std::string& cell, const std::string& header, const std::string& rows)
{
    return "data_test\n_chemical_formula_sum 'X'\n" + cell + "loop_\n" + header + rows;
}

const std::string kCubic10 =
    "_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 10\n"
    "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n";
const std::string kLabelXyz = "_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n";

void expect_scene(const AtomCoordRecord& a, double x, double y, double z)
{
    EXPECT_NEAR(static_cast<double>(a.x), x, 1e-15);
    EXPECT_NEAR(static_cast<double>(a.y), y, 1e-15);
    EXPECT_NEAR(static_cast<double>(a.z), z, 1e-15);
}

TEST(CifReader, CentresOnTheCentroidAndStoresTheSceneFrame)
{
    Reader r;
    r.read(small_molecule(kCubic10, kLabelXyz, "O1 0 0 0\nO2 0.1 0.2 0.3\n"));
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_EQ(r.model.AtomsRead, 2);
    EXPECT_NEAR(static_cast<double>(r.model.Centroid[0]), 0.05, 1e-18);
    EXPECT_NEAR(static_cast<double>(r.model.Centroid[1]), 0.1, 1e-18);
    EXPECT_NEAR(static_cast<double>(r.model.Centroid[2]), 0.15, 1e-18);
    // Cartesian (0.5, 1, 1.5) becomes scene (-1, 1.5, -0.5).
    expect_scene(r.atom(2), -1.0, 1.5, -0.5);
    expect_scene(r.atom(1), 1.0, -1.5, 0.5);
    EXPECT_NEAR(static_cast<double>(r.model.ModelExtent), 1.5, 1e-15);
    EXPECT_EQ(r.symbol(1), "O");
    EXPECT_FALSE(r.model.ProteinFile);
    EXPECT_FALSE(r.model.ChemCompFile);
}

TEST(CifReader, SmallStructuresHaveExtentOne)
{
    Reader r;
    r.read(small_molecule(kCubic10, kLabelXyz, "C1 0.1 0.2 0.3\n"));
    ASSERT_EQ(r.model.AtomCount, 1);
    expect_scene(r.atom(1), 0, 0, 0);
    EXPECT_EQ(r.model.ModelExtent, 1.0L);
}

TEST(CifReader, MissingCellTagsKeepThePreviousFilesValues)
{
    const std::string no_beta = small_molecule(
        "_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 10\n"
        "_cell_angle_alpha 90\n_cell_angle_gamma 90\n",
        kLabelXyz, "C1 0 0 0\n");
    Reader fresh;
    fresh.read(no_beta);
    EXPECT_EQ(fresh.model.CellBeta, 90.0L);

    Reader after;
    after.read(
        small_molecule("_cell_length_a 5\n_cell_length_b 6\n_cell_length_c 7\n"
                       "_cell_angle_alpha 90\n_cell_angle_beta 100\n_cell_angle_gamma 90\n",
                       kLabelXyz, "C1 0 0 0\n"));
    after.read(no_beta);
    EXPECT_EQ(after.model.CellBeta, 100.0L);
    EXPECT_EQ(after.model.CellA, 10.0L);
}

TEST(CifReader, CellValuesIgnoreUncertaintiesAndPadding)
{
    Reader r;
    r.read(
        small_molecule("_cell_length_a                   5.6393(7)\n_cell_length_b 6.5\n"
                       "_cell_length_c 7.25(12)\n_cell_angle_alpha 90\n_cell_angle_beta   93.133\n"
                       "_cell_angle_gamma 90.00(2)\n",
                       kLabelXyz, "C1 0 0 0\n"));
    EXPECT_EQ(r.model.CellA, 5.6393L);
    EXPECT_EQ(r.model.CellB, 6.5L);
    EXPECT_EQ(r.model.CellC, 7.25L);
    EXPECT_EQ(r.model.CellBeta, 93.133L);
    EXPECT_EQ(r.model.CellGamma, 90.0L);
}

const std::string kThreeStructures =
    "data_one\n_chemical_formula_sum 'C'\n_cell_length_a 10\n"
    "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
    "C1 0 0 0\nC2 0.1 0 0\n\n"
    "data_two\n_cell_length_a 20\n_chemical_formula_sum 'N'\n"
    "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
    "N1 0 0 0\nN2 0.1 0 0\nN3 0.2 0 0\n\n"
    "data_three\n_chemical_formula_sum 'O'\n_cell_length_a 30\n"
    "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
    "O1 0 0 0\n";

TEST(CifReader, StructureSelectionStartsAfterTheNthFormulaLine)
{
    Reader r;
    r.read(kThreeStructures, 0);
    EXPECT_EQ(r.model.AtomCount, 2);
    EXPECT_EQ(r.symbol(1), "C");
    EXPECT_EQ(r.model.CellA, 10.0L);

    // The cell tag of block two stands before its formula line: the search
    // finds the next block's value instead.
    r.read(kThreeStructures, 2);
    EXPECT_EQ(r.model.AtomCount, 3);
    EXPECT_EQ(r.symbol(1), "N");
    EXPECT_EQ(r.model.CellA, 30.0L);

    r.read(kThreeStructures, 3);
    EXPECT_EQ(r.model.AtomCount, 1);
    EXPECT_EQ(r.symbol(1), "O");

    // Beyond the last structure: no atoms, cell as it was.
    r.read(kThreeStructures, 4);
    EXPECT_EQ(r.model.AtomCount, 0);
    EXPECT_EQ(r.model.CellA, 30.0L);
}

TEST(CifReader, ACellTagBeforeTheFirstFormulaLineCountsOnlyOnLoad)
{
    const std::string text =
        "data_x\n_cell_length_a 12\n_chemical_formula_sum 'C'\n"
        "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\nC1 0 0 0\n";
    Reader r;
    r.read(text, 0);
    EXPECT_EQ(r.model.CellA, 12.0L);
    Reader s;
    s.read(text, 1);
    EXPECT_EQ(s.model.CellA, 1.0L);
    EXPECT_EQ(s.model.AtomCount, 1);
}

TEST(CifReader, SymbolColumns)
{
    Reader r;
    // Label, then type symbol: the type symbol wins.
    r.read(small_molecule(kCubic10,
                          "_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
                          "_atom_site_fract_y\n_atom_site_fract_z\n",
                          "C12A Cl 0 0 0\nX1 Fe3+ 0.5 0 0\nY2 O2- 0 0.5 0\n"));
    EXPECT_EQ(r.symbol(1), "CL");
    EXPECT_EQ(r.symbol(2), "FE");
    EXPECT_EQ(r.symbol(3), "O");
    // Type symbol first: the later label column is skipped.
    r.read(small_molecule(kCubic10,
                          "_atom_site_type_symbol\n_atom_site_label\n_atom_site_fract_x\n"
                          "_atom_site_fract_y\n_atom_site_fract_z\n",
                          "K1+ Zz9 0 0 0\n"));
    EXPECT_EQ(r.symbol(1), "K");
    // Label only: digits go, the rest stays (H1A is HA, O1W is OW).
    r.read(small_molecule(kCubic10, kLabelXyz, "H1A 0 0 0\nO1W 0.5 0 0\n"));
    EXPECT_EQ(r.symbol(1), "HA");
    EXPECT_EQ(r.symbol(2), "OW");
}

TEST(CifReader, WyckoffColumnDoesNotReplaceTheSymbol)
{
    Reader r;
    r.read(small_molecule(kCubic10,
                          "_atom_site_label\n_atom_site_type_symbol\n_atom_site_Wyckoff_symbol\n"
                          "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n",
                          "Te1 Te 2c 0 0 0\n"));
    EXPECT_EQ(r.symbol(1), "TE");
}

TEST(CifReader, PartsFromTheDisorderGroup)
{
    Reader r;
    r.options.ShownParts = {true, false};
    r.read(small_molecule(kCubic10, kLabelXyz + "_atom_site_disorder_group\n",
                          "C1 0 0 0 .\nC2 0.1 0 0 -1\nC3 0.2 0 0 2\n"));
    ASSERT_EQ(r.model.AtomCount, 3);
    EXPECT_EQ(r.atom(1).part, 0.0L);
    EXPECT_EQ(r.atom(2).part, 1.0L);
    EXPECT_EQ(r.atom(3).part, 2.0L);
    EXPECT_EQ(r.model.MaxPart, 2);
    // The part boxes are rebuilt, all checked.
    EXPECT_EQ(r.options.ShownParts, (std::vector<bool>{true, true, true}));

    r.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\n"));
    EXPECT_EQ(r.model.MaxPart, 0);
    EXPECT_EQ(r.atom(1).part, 0.0L);

    // A part whose absolute value leaves the 32-bit range is an error, not an overflow.
    EXPECT_THROW(r.read(small_molecule(kCubic10, kLabelXyz + "_atom_site_disorder_group\n", "C1 0 0 0 -2147483648\n")),
                 ConversionError);
}

TEST(CifReader, ByteOrderMarkAndALoopOnTheFirstLine)
{
    Reader r;
    r.read(
        "\xEF\xBB\xBFloop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
        "C1 0 0 0\nC2 0.5 0 0\n");
    EXPECT_EQ(r.model.AtomCount, 2);
}

TEST(CifReader, LoopRowsAndTheirEnd)
{
    Reader r;
    // A single blank or comment line is stepped over; a tag line ends the
    // loop even after a blank line; "_" inside a row does not.
    r.read(small_molecule(kCubic10, kLabelXyz,
                          "C_1 0 0 0\n\nC2 0.1 0 0\n# remark\nC3 0.2 0 0\n\n_refine_ls_R_factor_all 0.021\n"));
    EXPECT_EQ(r.model.AtomCount, 3);
    // Two blank lines in a row end it.
    r.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\n\n\nC2 0.1 0 0\n"));
    EXPECT_EQ(r.model.AtomCount, 1);
    // Rows without a full stop are rows: integer coordinates.
    r.read(small_molecule(kCubic10,
                          "_atom_site_label\n_atom_site_type_symbol\n_atom_site_symmetry_multiplicity\n"
                          "_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n",
                          "Si1 Si 8 0 0 0\nO1 O 4 1 0 0\n"));
    EXPECT_EQ(r.model.AtomCount, 2);
    // The next loop ends it.
    r.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\nloop_\n_x\n1 2 3\n"));
    EXPECT_EQ(r.model.AtomCount, 1);
}

TEST(CifReader, LastRowWithAndWithoutLineBreak)
{
    Reader r;
    r.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\nC2 0.5 0 0"));
    EXPECT_EQ(r.model.AtomCount, 2);
    r.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\nC2 0.5 0 0\n"));
    EXPECT_EQ(r.model.AtomCount, 2);
}

TEST(CifReader, LineEndsCrLfAndLoneCr)
{
    std::string text = small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\nC2 0.5 0 0\n");
    Reader lf;
    lf.read(text);
    for (const std::string& end : {std::string("\r\n"), std::string("\r")}) {
        std::string converted;
        for (char c : text)
            converted += c == '\n' ? end : std::string(1, c);
        Reader r;
        r.read(converted);
        ASSERT_EQ(r.model.AtomCount, 2);
        EXPECT_EQ(r.model.AtomCoord, lf.model.AtomCoord);
        EXPECT_EQ(r.model.CellA, 10.0L);
    }
}

TEST(CifReader, AShortRowKeepsThePreviousPositionAndIsNamedInAWarning)
{
    Reader r;
    r.read(small_molecule(kCubic10, kLabelXyz + "_atom_site_disorder_group\n", "C1 0.1 0.2 0.3 2\nN1 0.4\n"));
    ASSERT_EQ(r.model.AtomCount, 2);
    // Line 16 of the file, the row N1 with 2 of the loop's 5 values.
    ASSERT_EQ(r.reporter.warnings.size(), 1u);
    EXPECT_EQ(r.reporter.warnings[0].rfind("test.cif:16: a row with 2 values where the loop has 5 columns", 0), 0u)
        << r.reporter.warnings[0];
    // N1 keeps y, z and the part of C1 and takes its own x.
    EXPECT_EQ(r.atom(2).part, 2.0L);
    EXPECT_NEAR(static_cast<double>(r.atom(1).x), static_cast<double>(r.atom(2).x), 1e-15);  // scene x = -y
    EXPECT_NE(r.atom(1).z, r.atom(2).z);                                                     // scene z = -x
}

TEST(CifReader, AnEarlierAtomSiteTagIsNotTheHeader)
{
    Reader r;
    r.read(small_molecule(kCubic10,
                          "_atom_site_moment_label\n_atom_site_moment_crystalaxis_x\n1 2\n"
                          "loop_\n_atom_site_aniso_label\n_atom_site_aniso_U_11\nO1 0.1\n"
                          "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
                          "_atom_site_fract_y\n_atom_site_fract_z\n",
                          "Cu1 Cu 0 0 0\nO1 O 0.5 0.5 0.5\n"));
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_EQ(r.symbol(1), "CU");
    EXPECT_EQ(r.symbol(2), "O");
}

TEST(CifReader, NonNumbersAreConversionErrorsNamingFileAndLine)
{
    Reader r;
    r.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\n"));
    ASSERT_EQ(r.model.AtomCount, 1);
    for (const char* bad : {"?", "NaN", "Inf", "1e5000", "0.1.2", "."}) {
        const std::string text = small_molecule(kCubic10, kLabelXyz, std::string("C1 0 0 0\nC2 0 ") + bad + " 0\n");
        try {
            r.read(text);
            ADD_FAILURE() << bad << " was read";
        } catch (const ConversionError& e) {
            EXPECT_EQ(e.file(), "test.cif");
            EXPECT_EQ(e.line(), 15);
            EXPECT_EQ(e.text(), std::string("'") + bad + "' is not a valid floating point value");
        }
        EXPECT_EQ(r.model.AtomCount, 0) << bad;
    }
    EXPECT_THROW(r.read(small_molecule(kCubic10, kLabelXyz + "_atom_site_disorder_group\n", "C1 0 0 0 ?\n")),
                 ConversionError);
    EXPECT_THROW(r.read(small_molecule("_cell_length_a ?\n", kLabelXyz, "C1 0 0 0\n")), ConversionError);
}

TEST(CifReader, InvalidCellIsReportedWithItsValues)
{
    Reader r;
    try {
        r.read(
            small_molecule("_cell_length_a 5\n_cell_length_b 0\n_cell_length_c 7\n_cell_angle_alpha 90\n"
                           "_cell_angle_beta 90\n_cell_angle_gamma 90\n",
                           kLabelXyz, "C1 0 0 0\n"));
        ADD_FAILURE() << "no error";
    } catch (const InvalidCellError& e) {
        EXPECT_NE(e.text().find("a = 5, b = 0, c = 7, alpha = 90, beta = 90, gamma = 90"), std::string::npos)
            << e.text();
        EXPECT_EQ(e.line(), 3);
    }
    EXPECT_EQ(r.model.AtomCount, 0);
    EXPECT_THROW(r.read(small_molecule("_cell_angle_beta 180\n", kLabelXyz, "C1 0 0 0\n")), InvalidCellError);
}

const std::string kProtein =
    "data_p\nloop_\n_atom_site.group_PDB\n_atom_site.id\n_atom_site.type_symbol\n_atom_site.label_atom_id\n"
    "_atom_site.label_comp_id\n_atom_site.label_seq_id\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n"
    "_atom_site.Cartn_z\n_atom_site.auth_comp_id\n_atom_site.pdbx_PDB_model_num\n"
    "ATOM 1 N N MET 1 1.0 2.0 3.0 MET 1\n"
    "ATOM 2 C CA MET 1 2.0 2.0 3.0 MET 1\n"
    "ATOM 3 C C 0G7 3 3.0 2.0 3.0 0G7 1\n"
    "HETATM 4 O O HOH . 9.0 9.0 9.0 HOH 1\n"
    "ATOM 5 N N MET 1 1.0 2.0 3.0 MET 2\n"
    "#\n";

TEST(CifReader, MacromolecularFile)
{
    Reader r;
    r.state.RereadRequested = true;  // atom by atom: Helices stays unchecked
    r.options.Helices = false;
    r.state.ModelIndex = kAllModels;
    r.read(kProtein);
    EXPECT_TRUE(r.model.ProteinFile);
    ASSERT_EQ(r.model.AtomCount, 5);  // both models, superimposed
    EXPECT_EQ(r.symbol(2), "C");
    EXPECT_EQ(r.model.AtomResidue[3], "G");
    EXPECT_EQ(r.model.AtomResidue[4], "HOH");
    EXPECT_EQ(r.model.AtomSeqId[1], 1);
    EXPECT_EQ(r.model.AtomSeqId[3], 3);
    EXPECT_EQ(r.model.AtomSeqId[4], 0);
    EXPECT_EQ(r.model.MaxSeqId, 3);
    ASSERT_EQ(r.model.ResidueTable.size(), 4u);
    EXPECT_EQ(r.model.ResidueTable[0][0], 1.0L);
    EXPECT_EQ(r.model.ResidueTable[1][0], 3.0L);
    EXPECT_EQ(r.model.ResidueTable[2][0], 0.0L);
    EXPECT_EQ(r.model.ResidueTable[3][0], 1.0L);
    EXPECT_EQ(r.model.ResidueTable[3][1], 0.0L);
    // Cartesian, centred: centroid x = 16/5.
    EXPECT_NEAR(static_cast<double>(r.model.Centroid[0]), 3.2, 1e-18);
    EXPECT_NEAR(static_cast<double>(r.atom(1).z), 2.2, 1e-15);  // scene z = -(1.0 - 3.2)
}

TEST(CifReader, ColumnsThatAreNotReadCountForAShortRow)
{
    Reader r;
    // Trailing columns that are not read count too: a row without them is short.
    r.read(small_molecule(kCubic10, kLabelXyz + "_atom_site_U_iso_or_equiv\n",
                          "C1 0.1 0.2 0.3 0.01\nC2 0.1 0.2 0.3 'x y'\nC3 0.2 0.2 0.3\nC4 0.3 0.2 0.3\n"));
    ASSERT_EQ(r.model.AtomCount, 4);
    ASSERT_EQ(r.reporter.warnings.size(), 1u);
    EXPECT_NE(r.reporter.warnings[0].find("test.cif:17: a row with 4 values where the loop has 5 columns "
                                          "(the first of 2 such rows)"),
              std::string::npos)
        << r.reporter.warnings[0];

    Reader whole;
    whole.read(small_molecule(kCubic10, kLabelXyz, "C1 0.1 0.2 0.3\nC2 0.2 0.2 0.3\n"));
    EXPECT_TRUE(whole.reporter.warnings.empty());
}

// Two models of an ensemble whose rows interleave, numbered 7 and 3 in the file.
const std::string kEnsemble =
    "data_e\nloop_\n_atom_site.type_symbol\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n_atom_site.Cartn_z\n"
    "_atom_site.auth_comp_id\n_atom_site.pdbx_PDB_model_num\n"
    "N 1 0 0 MET 7\nC 2 0 0 MET 7\nO 9 0 0 HOH 3\nS 4 0 0 MET 7\nFE 5 5 5 HEM 3\n";

TEST(CifReader, AnEnsembleIsReadOneModelAtATime)
{
    Reader r;
    r.state.RereadRequested = true;
    r.options.Helices = false;
    r.read(kEnsemble);
    EXPECT_EQ(r.model.ModelCount, 2);
    ASSERT_EQ(r.model.AtomCount, 3);  // model 1 is the first number met, 7
    EXPECT_EQ(r.symbol(1), "N");
    EXPECT_EQ(r.symbol(3), "S");
    EXPECT_EQ(r.model.Centroid[0], 7.0L / 3.0L);

    r.state.ModelIndex = 2;
    r.read(kEnsemble);
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_EQ(r.symbol(1), "O");
    EXPECT_EQ(r.symbol(2), "FE");
    EXPECT_EQ(r.model.AtomResidue[2], "HEM");
    EXPECT_TRUE(r.model.AtomModel.empty()) << "one model read";

    r.state.ModelIndex = kAllModels;
    r.read(kEnsemble);
    EXPECT_EQ(r.model.AtomCount, 5);
    EXPECT_EQ(r.model.ModelCount, 2);
    // Each atom knows its model, so that models are not joined to each other.
    EXPECT_EQ(r.model.AtomModel, (std::vector<int32_t>{0, 1, 1, 2, 1, 2}));

    r.state.ModelIndex = 3;
    try {
        r.read(kEnsemble);
        ADD_FAILURE() << "no error";
    } catch (const SelectionError& e) {
        EXPECT_EQ(std::string(e.what()), "test.cif: there is no model 3: the file holds 2 models");
    }
    EXPECT_EQ(r.model.AtomCount, 0);
    EXPECT_EQ(r.model.ModelCount, 2);

    // A file without a model column holds one model.
    Reader small;
    small.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\n"));
    EXPECT_EQ(small.model.ModelCount, 1);
    small.state.ModelIndex = 2;
    EXPECT_THROW(small.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\n")), SelectionError);
}

TEST(CifReader, CartnXWithoutTrailingBlankIsRecognised)
{
    Reader r;
    r.read(
        "loop_\n_atom_site.type_symbol\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n_atom_site.Cartn_z\n"
        "_atom_site.Cartn_x_esd\nN 1 2 3 0.1\nC 2 2 3 0.1\n");
    EXPECT_TRUE(r.model.ProteinFile);
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_NEAR(static_cast<double>(r.atom(2).z), -0.5, 1e-15);
}

TEST(CifReader, ReadingASmallMoleculeAfterAProteinLeavesNoResidues)
{
    Reader r;
    r.read(kProtein);
    r.state.RereadRequested = false;
    r.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\nC2 0.1 0 0\n"));
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_EQ(r.model.AtomResidue[1], "");
    EXPECT_EQ(r.model.AtomSeqId[1], 0);
    EXPECT_EQ(r.model.MaxSeqId, 1);
}

TEST(CifReader, AProteinReadKeepsTheSmallMoleculeMatrices)
{
    Reader r;
    r.read(
        small_molecule("_cell_length_a 5\n_cell_length_b 7\n_cell_length_c 9\n_cell_angle_alpha 80\n"
                       "_cell_angle_beta 100\n_cell_angle_gamma 110\n",
                       kLabelXyz, "C1 0 0 0\n"));
    const Mat3 ortho = r.model.OrthoMatrix;
    r.read(kProtein);
    EXPECT_EQ(r.model.OrthoMatrix, ortho);
    EXPECT_EQ(r.model.CellGamma, 110.0L);
}

TEST(CifReader, ChemicalComponentWithXyzColumns)
{
    Reader r;
    r.read(
        "data_comp_A\nloop_\n_chem_comp_atom.comp_id\n_chem_comp_atom.atom_id\n_chem_comp_atom.type_symbol\n"
        "_chem_comp_atom.x\n_chem_comp_atom.y\n_chem_comp_atom.z\n"
        " A  \"H5' \" H  0.000 -1.931 0.694\n A  P  P  1.000 1.000 1.000\n");
    EXPECT_TRUE(r.model.ChemCompFile);
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_EQ(r.symbol(1), "H");
    EXPECT_EQ(r.symbol(2), "P");
    EXPECT_NEAR(static_cast<double>(r.model.Centroid[1]), (-1.931 + 1.0) / 2, 1e-15);
}

TEST(CifReader, SingleAtomWrittenAsTagValuePairs)
{
    const std::string head =
        "data_ZN\n_chem_comp.id ZN\n#\n_chem_comp_atom.comp_id ZN\n_chem_comp_atom.atom_id ZN\n"
        "_chem_comp_atom.type_symbol ZN\n_chem_comp_atom.charge 2\n"
        "_chem_comp_atom.model_Cartn_x 1.5\n_chem_comp_atom.model_Cartn_y 2.5\n";
    const std::string tail = "#\nloop_\n_x.y\n1\n";
    Reader r;
    r.read(head + "_chem_comp_atom.model_Cartn_z -3\n" + tail);
    EXPECT_TRUE(r.model.ChemCompFile);
    ASSERT_EQ(r.model.AtomCount, 1);
    EXPECT_EQ(r.symbol(1), "ZN");
    EXPECT_EQ(r.model.Centroid, (Vec3{1.5L, 2.5L, -3.0L}));
    expect_scene(r.atom(1), 0, 0, 0);

    // An unknown value is a conversion error on the line of its tag.
    try {
        r.read(head + "_chem_comp_atom.model_Cartn_z ?\n" + tail);
        ADD_FAILURE() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.line(), 10);
    }
    EXPECT_EQ(r.model.AtomCount, 0);
}

TEST(CifReader, IdealCoordinatesStandInForUnknownModelCoordinates)
{
    const std::string header =
        "loop_\n_chem_comp_atom.atom_id\n_chem_comp_atom.type_symbol\n_chem_comp_atom.model_Cartn_x\n"
        "_chem_comp_atom.model_Cartn_y\n_chem_comp_atom.model_Cartn_z\n"
        "_chem_comp_atom.pdbx_model_Cartn_x_ideal\n_chem_comp_atom.pdbx_model_Cartn_y_ideal\n"
        "_chem_comp_atom.pdbx_model_Cartn_z_ideal\n";
    Reader r;
    r.read(header + "C1 C ? ? ? 1.0 0.0 0.0\nO1 O ? ? ? 3.0 0.0 0.0\n");
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_NEAR(static_cast<double>(r.model.Centroid[0]), 2.0, 1e-18);
    // Model coordinates that are numbers are used as they are.
    r.read(header + "C1 C 5.0 0.0 0.0 1.0 0.0 0.0\nO1 O 7.0 0.0 0.0 3.0 0.0 0.0\n");
    EXPECT_NEAR(static_cast<double>(r.model.Centroid[0]), 6.0, 1e-18);
    // Unknown in both: still an error.
    EXPECT_THROW(r.read(header + "C1 C ? ? ? ? ? ?\nO1 O 7.0 0.0 0.0 3.0 0.0 0.0\n"), ConversionError);
    EXPECT_EQ(r.model.AtomCount, 0);
}

TEST(CifReader, NoAtomLoop)
{
    Reader r;
    r.read("data_x\n_cell_length_a 4\nloop_\n_chem_comp_bond.atom_id_1\nC1\n");
    EXPECT_EQ(r.model.AtomCount, 0);
    EXPECT_EQ(r.reporter.captions, std::vector<std::string>{std::string(kNoAtomsFound)});
    // A loop header without rows.
    Reader s;
    s.read(small_molecule(kCubic10, kLabelXyz, ""));
    EXPECT_EQ(s.model.AtomCount, 0);
    EXPECT_TRUE(s.reporter.captions.empty());
}

TEST(CifReader, ReportsBusyDisablesTheSelectorAndMovesTheProgressBar)
{
    Reader r;
    r.options.Helices = false;
    r.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\nC2 0.1 0 0\nC3 0.2 0 0\nC4 0.3 0 0\n"));
    EXPECT_EQ(r.reporter.statuses.front(), "reading");
    EXPECT_EQ(r.reporter.selector, std::vector<bool>{false});
    EXPECT_EQ(r.reporter.maximum, 12);
    EXPECT_EQ(r.reporter.last_position, 3);
    EXPECT_EQ(r.reporter.shown_mode, BallAndStick);

    // A protein load checks Helices: two thirds of the atom count, rounded.
    Reader p;
    p.read(kProtein);
    EXPECT_TRUE(p.options.Helices);
    EXPECT_EQ(p.reporter.maximum, 3);  // 2 * 5 / 3 = 3.33
}

TEST(CifReader, PresentationDefaultsFollowTheFileKind)
{
    Reader r;
    r.options.Helices = false;
    r.options.ProteinStyle = false;
    r.options.SuppressWater = false;
    r.read(kProtein);
    EXPECT_EQ(r.options.ModelMode, VanDerWaals);
    EXPECT_EQ(r.reporter.shown_mode, VanDerWaals);
    EXPECT_TRUE(r.options.Helices);
    EXPECT_TRUE(r.options.ProteinStyle);
    EXPECT_TRUE(r.options.SuppressWater);  // the box's handler ran
    EXPECT_TRUE(r.options.HideBridges);

    r.state.RereadRequested = false;
    r.read(small_molecule(kCubic10, kLabelXyz, "C1 0 0 0\n"));
    EXPECT_EQ(r.options.ModelMode, BallAndStick);
    EXPECT_EQ(r.reporter.shown_mode, BallAndStick);
    EXPECT_FALSE(r.options.Helices);
    EXPECT_TRUE(r.state.RereadRequested);  // the Helices handler ran; the driver clears it
}

}  // namespace
}  // namespace vexalith
