#include "model/crystal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/error.h"
#include "convert/conversion_state.h"
#include "convert/draw_model.h"
#include "model/element_radii.h"
#include "support/corpus.h"
#include "support/loading.h"

namespace vexalith {
namespace {

Structure read_corpus(const std::string& name)
{
    Structure structure;
    ModelOptions options;
    Reporter quiet;
    testsupport::load_text(testsupport::corpus_text(name), structure, options, quiet, name);
    return structure;
}

int32_t cell_sites(const std::string& name)
{
    Structure structure = read_corpus(name);
    grow_crystal(structure, crystal_symmetry(structure), CrystalMode::Cell, {1, 1, 1});
    return structure.CellSites;
}

// The distinct sites of the unit cell.  The counts come from gemmi 0.5.7's
// SmallStructure.get_all_unit_cell_sites (python3-gemmi) where gemmi reads
// the same symmetry as the file lists, and by hand from the Wyckoff
// positions otherwise: rock salt 4 Na + 4 Cl; Cu7Te5 2c + 2c + 2a (gemmi's
// table for "origin choice 2" gives 3); the Ru complex lists each of its
// four operations twice, so its cell has 4 images of its 154 atoms.
TEST(CrystalCell, SitesAgreeWithAnIndependentCount)
{
    const std::map<std::string, int32_t> expected = {
        {"pyobjcryst_NaCl.cif", 8},
        {"avogadro_oxides_Al2O3-Corundum.cif", 10},
        {"avogadro_zeolites_ITV.cif", 592},
        {"avogadro_zeolites_ZSM-5.cif", 700},
        {"cctbx_cu3182sup1.cif", 368},
        {"cif2hkl_2104737.cif", 8},
        {"pymatgen_C26H16BeN2O2S2.cif", 392},
        {"pymatgen_Cu7Te5.cif", 6},
        {"pymatgen_P24Ru4H252C296S24N16.cif", 616},
        {"pymatgen_Senegalite_implicit_hydrogen.cif", 44},
        {"pyobjcryst_caffeine.cif", 432},
        {"pyobjcryst_paracetamol.cif", 104},
    };
    for (const auto& [name, sites] : expected)
        EXPECT_EQ(cell_sites(name), sites) << name;
}

// Rock salt's closed cell: Na on the 8 corners and 6 faces, Cl on the 12
// edges and the centre.
TEST(CrystalCell, RockSaltRepeatsFacesEdgesAndCorners)
{
    Structure structure = read_corpus("pyobjcryst_NaCl.cif");
    grow_crystal(structure, crystal_symmetry(structure), CrystalMode::Cell, {1, 1, 1});
    std::map<std::string, int> count;
    for (int32_t i = 1; i <= structure.AtomCount; ++i)
        ++count[structure.AtomSymbol[static_cast<std::size_t>(i)]];
    EXPECT_EQ(structure.AtomCount, 27);
    EXPECT_EQ(count["NA"] + count["CL"], 27);
    EXPECT_TRUE((count["NA"] == 14 && count["CL"] == 13) || (count["NA"] == 13 && count["CL"] == 14));
    // The cube is centred: its extent is half the cell edge.
    EXPECT_NEAR(static_cast<double>(structure.ModelExtent), static_cast<double>(structure.CellA) / 2, 1e-6);

    Structure block = read_corpus("pyobjcryst_NaCl.cif");
    grow_crystal(block, crystal_symmetry(block), CrystalMode::Block, {2, 1, 1});
    // 2 x 1 x 1 cells: 8 x 2 sites inside, plus the far faces: (3x3x3 grid
    // points of a 2:1:1 block) 5 x 3 x 3 = 45 lattice points of half steps.
    EXPECT_EQ(block.AtomCount, 45);
    EXPECT_EQ(block.CellSites, 8);
}

// Whole molecules: every bonded fragment is complete, and each has the
// formula's number of atoms.
TEST(CrystalMolecules, MoleculesAreWholeAndAppearOnce)
{
    const std::map<std::string, int32_t> molecule_atoms = {{"pyobjcryst_caffeine.cif", 24},
                                                           {"pyobjcryst_paracetamol.cif", 26}};
    for (const auto& [name, size] : molecule_atoms) {
        Structure structure = read_corpus(name);
        const int32_t read = structure.AtomCount;
        grow_crystal(structure, crystal_symmetry(structure), CrystalMode::Molecules, {1, 1, 1});
        EXPECT_GE(structure.AtomCount, size) << name;
        EXPECT_EQ(structure.AtomCount % size, 0) << name << ": " << structure.AtomCount << " atoms";
        EXPECT_GE(structure.AtomCount, read) << name;
        // No two atoms at one place (caffeine's methyl hydrogens are disordered
        // over sites 0.28 A apart).
        for (int32_t i = 1; i <= structure.AtomCount; ++i)
            for (int32_t j = i + 1; j <= structure.AtomCount; ++j) {
                const AtomCoordRecord& a = structure.AtomCoord[static_cast<std::size_t>(i)];
                const AtomCoordRecord& b = structure.AtomCoord[static_cast<std::size_t>(j)];
                const long double d = std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
                EXPECT_GT(d, 0.1L) << name << " atoms " << i << " and " << j;
            }
    }
}

TEST(CrystalSymmetryOf, FileListThenSpaceGroupThenP1)
{
    Structure listed = read_corpus("avogadro_zeolites_ZSM-5.cif");
    EXPECT_EQ(crystal_symmetry(listed).source, CrystalSymmetry::Source::File);
    EXPECT_EQ(crystal_symmetry(listed).operators.size(), 8u);

    Structure named = listed;
    named.SymmetryOperations.clear();
    const CrystalSymmetry table = crystal_symmetry(named);
    EXPECT_EQ(table.source, CrystalSymmetry::Source::SpaceGroup);
    EXPECT_EQ(table.operators.size(), 8u);

    Structure numbered = named;
    numbered.SpaceGroupHermannMauguin.clear();
    numbered.SpaceGroupHall.clear();
    EXPECT_EQ(crystal_symmetry(numbered).operators.size(), 8u);  // 62, Pnma

    Structure bare = numbered;
    bare.SpaceGroupNumber.clear();
    EXPECT_EQ(crystal_symmetry(bare).source, CrystalSymmetry::Source::AssumedP1);
    EXPECT_EQ(crystal_symmetry(bare).operators.size(), 1u);

    Structure unknown = bare;
    unknown.SpaceGroupHermannMauguin = "Q 9 9";
    EXPECT_THROW(crystal_symmetry(unknown), ConversionError);
}

TEST(CrystalSymmetryOf, AMalformedOperationIsAnErrorAtItsLine)
{
    Structure structure = read_corpus("avogadro_zeolites_ZSM-5.cif");
    ASSERT_FALSE(structure.SymmetryOperations.empty());
    structure.SymmetryOperations[2].text = "x,y,q";
    const long long line = structure.SymmetryOperations[2].line;
    try {
        crystal_symmetry(structure);
        FAIL() << "a malformed operation was taken";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.line(), line);
        EXPECT_NE(e.text().find("x,y,q"), std::string::npos) << e.text();
    }
}

// The asymmetric unit stays exactly as read.
TEST(CrystalModes, AsymmetricChangesNothing)
{
    Structure structure = read_corpus("pyobjcryst_caffeine.cif");
    const Structure before = structure;
    grow_crystal(structure, crystal_symmetry(structure), CrystalMode::Asymmetric, {1, 1, 1});
    EXPECT_EQ(structure.AtomCoord, before.AtomCoord);
    EXPECT_EQ(structure.AtomCount, before.AtomCount);
}

}  // namespace
}  // namespace vexalith

namespace vexalith {
namespace {

struct WarningLog : Reporter {
    std::vector<std::string> warnings;
    void warning(std::string_view text) override { warnings.emplace_back(text); }
};

const char* const kCubicAtom =
    "data_x\n_chemical_formula_sum 'Na'\n_cell_length_a 5\n_cell_length_b 5\n_cell_length_c 5\n"
    "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n";
const char* const kAtomLoop =
    "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\nNa1 0.1 0.2 0.3\n";

// The driver grows the structure it reads in the options' crystal mode;
// what cannot be grown says so at the file's line, and a file without any
// symmetry is drawn as P 1 with a warning.
TEST(CrystalStage, ReadInACrystalMode)
{
    ModelOptions options;
    options.Crystal = CrystalMode::Cell;
    {
        ConversionState state;
        state.FileName = "ops.cif";
        Structure structure;
        WarningLog log;
        const std::string text = std::string(kCubicAtom) +
                                 "loop_\n_symmetry_equiv_pos_site_id\n_symmetry_equiv_pos_as_xyz\n"
                                 "1 x,y,z\n2 -x,-y,-z\n3\t'x, y, z+1/q'\n" +
                                 kAtomLoop;
        try {
            read_chosen_structure(text, state, structure, options, log);
            FAIL() << "a malformed operation was taken";
        } catch (const ConversionError& e) {
            EXPECT_EQ(e.file(), "ops.cif");
            EXPECT_EQ(e.line(), 14);
        }
    }
    {
        ConversionState state;
        state.FileName = "plain.cif";
        Structure structure;
        WarningLog log;
        read_chosen_structure(std::string(kCubicAtom) + kAtomLoop, state, structure, options, log);
        EXPECT_EQ(structure.AtomCount, 1);
        ASSERT_EQ(log.warnings.size(), 1u);
        EXPECT_NE(log.warnings[0].find("P 1"), std::string::npos) << log.warnings[0];
    }
    {
        // Two operations listed bare, with an id column: the cell holds both images.
        ConversionState state;
        state.FileName = "bare.cif";
        Structure structure;
        WarningLog log;
        read_chosen_structure(std::string(kCubicAtom) +
                                  "loop_\n_space_group_symop_id\n_space_group_symop_operation_xyz\n1 x,y,z\n"
                                  "2 -x+1/2,-y,z+.5\n" +
                                  kAtomLoop,
                              state, structure, options, log);
        EXPECT_EQ(structure.CellSites, 2);
        EXPECT_TRUE(log.warnings.empty());
    }
}

}  // namespace
}  // namespace vexalith

namespace vexalith {
namespace {

// A cubic cell of 100 angstrom with `atoms` carbon atoms along its
// diagonal and the operations `operations`, one per line from line 11.
std::string crystal_text(int atoms, const std::vector<std::string>& operations)
{
    std::string text =
        "data_x\n_chemical_formula_sum 'C'\n_cell_length_a 100\n_cell_length_b 100\n_cell_length_c 100\n"
        "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\nloop_\n_symmetry_equiv_pos_as_xyz\n";
    for (const std::string& op : operations)
        text += "'" + op + "'\n";
    text += "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n";
    for (int n = 0; n < atoms; ++n) {
        const std::string f = "0." + std::to_string(100000 + (n + 1) * 7).substr(1);
        text += "C" + std::to_string(n + 1) + " " + f + " " + f + " " + f + "\n";
    }
    return text;
}

// Translations along a in steps of 1/count: `count` distinct operations.
std::vector<std::string> shifts(int count)
{
    std::vector<std::string> ops;
    for (int k = 0; k < count; ++k)
        ops.push_back("x+" + std::to_string(k) + "/" + std::to_string(count) + ",y,z");
    return ops;
}

Structure grown(const std::string& text, CrystalMode mode, std::array<int32_t, 3> block = {1, 1, 1})
{
    ModelOptions options;
    options.Crystal = mode;
    options.BlockSize = block;
    ConversionState state;
    state.FileName = "big.cif";
    Structure structure;
    Reporter quiet;
    read_chosen_structure(text, state, structure, options, quiet);
    return structure;
}

// Operations that differ by whole cell translations are one; a list of
// more distinct operations than any space group has is refused at the
// first one too many, and so is a crystal too large to build, before it
// is made.
TEST(CrystalLimits, OperationsAndAtomsThatNoCrystalHas)
{
    const Structure twice = grown(crystal_text(1, {"x,y,z", "x+1,y,z", "-x,-y,-z", "1-x,-y,-z-2"}), CrystalMode::Cell);
    EXPECT_EQ(crystal_symmetry(twice).operators.size(), 2u);
    EXPECT_EQ(twice.CellSites, 2);

    // Far apart enough (100 A / 1536) to stay distinct sites.
    const Structure widest = grown(crystal_text(2, shifts(kLargestOperationCount)), CrystalMode::Cell);
    EXPECT_EQ(widest.CellSites, 2 * static_cast<int32_t>(kLargestOperationCount));

    try {
        grown(crystal_text(1, shifts(kLargestOperationCount + 1)), CrystalMode::Cell);
        FAIL() << "more operations than any crystal has";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.file(), "big.cif");
        EXPECT_EQ(e.line(), 11 + static_cast<long long>(kLargestOperationCount)) << e.text();
    }

    // 7000 atoms x 1536 operations: more atoms than a crystal may have.
    EXPECT_THROW(grown(crystal_text(7000, shifts(kLargestOperationCount)), CrystalMode::Cell), RangeError);
    // 100 x 1536 sites fill one cell, not 5 x 5 x 5 of them, and not the
    // search of the 27 cells around it for whole molecules.
    const std::string wide = crystal_text(100, shifts(kLargestOperationCount));
    EXPECT_EQ(grown(wide, CrystalMode::Cell).CellSites, 100 * static_cast<int32_t>(kLargestOperationCount));
    EXPECT_THROW(grown(wide, CrystalMode::Block, {5, 5, 5}), RangeError);
    EXPECT_NO_THROW(grown(wide, CrystalMode::Block, {2, 1, 1}));
    EXPECT_THROW(grown(crystal_text(300, shifts(kLargestOperationCount)), CrystalMode::Molecules), RangeError);
}

}  // namespace
}  // namespace vexalith
