#include "model/compress_atoms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "model/element_radii.h"
#include "model/vector3.h"
#include "structure/cell_geometry.h"
#include "structure/cif_reader.h"
#include "support/corpus.h"
#include "support/loading.h"

namespace vexalith {
namespace {

// A hand-made atom table; without a cell every lattice vector is zero.
struct Atoms {
    Structure model;
    ModelOptions options;

    Atoms()
    {
        model.AtomSymbol.assign(1, "");
        model.AtomResidue.assign(1, "");
        model.AtomSeqId.assign(1, 0);
        model.AtomCoord.assign(1, {});
    }

    // A cell with edges along the Cartesian axes: a along x, b along y, c along z.
    void cubic_cell(long double edge)
    {
        model.CellA = model.CellB = model.CellC = edge;
        SetupCellMatrices(model);
    }

    // An atom at scene position (x, y, z).
    Atoms& add(const std::string& symbol, long double x, long double y, long double z, long double part = 0,
               const std::string& residue = "")
    {
        model.AtomSymbol.push_back(symbol);
        model.AtomResidue.push_back(residue);
        model.AtomSeqId.push_back(0);
        model.AtomCoord.push_back(AtomCoordRecord{x, y, z, part});
        model.AtomCount += 1;
        model.MaxPart = std::max(model.MaxPart, static_cast<int32_t>(part));
        return *this;
    }

    void with_parts() { MakePartCheckBoxes(options, model.MaxPart); }

    void compress() { CompressAtoms(model, options); }

    const AtomCoordRecord& atom(int i) const { return model.AtomCoord.at(static_cast<std::size_t>(i)); }
    const std::string& symbol(int i) const { return model.AtomSymbol.at(static_cast<std::size_t>(i)); }
};

void expect_at(const AtomCoordRecord& a, long double x, long double y, long double z)
{
    EXPECT_NEAR(static_cast<double>(a.x), static_cast<double>(x), 1e-12);
    EXPECT_NEAR(static_cast<double>(a.y), static_cast<double>(y), 1e-12);
    EXPECT_NEAR(static_cast<double>(a.z), static_cast<double>(z), 1e-12);
}

long double covalent_cutoff(const char* a, const char* b) { return GetCovalentRadius(a) + GetCovalentRadius(b) + 0.5L; }

// ---------------------------------------------------------------------------
// Lattice translations

TEST(CompressAtoms, MoleculeAlreadyWholeStaysUnchanged)
{
    Atoms t;
    t.cubic_cell(10);
    t.add("C", 0, 0, 0).add("C", 1.5, 0, 0).add("O", 1.5, 1.2, 0.3).add("H", -0.6, 0.8, 0.1);
    const auto before = t.model.AtomCoord;
    t.compress();
    ASSERT_EQ(t.model.AtomCount, 4);
    EXPECT_EQ(t.model.AtomCoord, before);
}

TEST(CompressAtoms, AtomsUpToTwoCellsAwayComeBackFartherOnesAreRemoved)
{
    Atoms t;
    t.cubic_cell(10);
    // Scene x = -Cartesian y, scene y = Cartesian z, scene z = -Cartesian x.
    t.add("C", 0, 0, 0)
        .add("C", 1.5, 0, 10)         // Cartesian x - 10: one cell along -a
        .add("N", 0, 1.4 + 20, 0)     // two cells along +c
        .add("O", 0, 0, -1.3 - 30)    // three cells along +a: out of reach
        .add("C", -1.4 - 20, 0, 10);  // Cartesian y + 20, x - 10: +2b - a
    t.compress();
    ASSERT_EQ(t.model.AtomCount, 4);
    EXPECT_EQ(t.symbol(1), "C");
    EXPECT_EQ(t.symbol(2), "C");
    EXPECT_EQ(t.symbol(3), "N");
    EXPECT_EQ(t.symbol(4), "C");
    expect_at(t.atom(2), 1.5, 0, 0);
    expect_at(t.atom(3), 0, 1.4, 0);
    expect_at(t.atom(4), -1.4, 0, 0);
}

TEST(CompressAtoms, FirstQualifyingTranslationWinsNotTheNearest)
{
    // With 1.2 A edges several images lie within the C-C cutoff of 2.04 A.
    // The candidate sits 0.4 A from the seed along Cartesian z, already
    // within reach; the first image in q, r, p order (q outermost, each from
    // -2 up) is the one moved by -a - b - c, at Cartesian (-1.2, -1.2, -0.8),
    // 1.88 A away.
    Atoms t;
    t.cubic_cell(1.2L);
    t.add("C", 0, 0, 0).add("C", 0, 0.4L, 0);
    t.compress();
    ASSERT_EQ(t.model.AtomCount, 2);
    expect_at(t.atom(2), 1.2L, -0.8L, 1.2L);
}

TEST(CompressAtoms, ChemicalComponentWithoutCellOnlyDropsDisconnectedAtoms)
{
    Structure model;
    ModelOptions options;
    Reporter quiet;
    testsupport::load_text(testsupport::corpus_text("ccd_ATP.cif"), model, options, quiet, "ccd_ATP.cif");
    ASSERT_TRUE(model.ChemCompFile);
    ASSERT_EQ(model.AtomCount, 47);
    ASSERT_EQ(model.OrthoMatrix, Mat3{});
    // A copy of atom 1 far away from the molecule.
    model.AtomSymbol.insert(model.AtomSymbol.begin() + 10, "P");
    model.AtomResidue.insert(model.AtomResidue.begin() + 10, "");
    model.AtomCoord.insert(model.AtomCoord.begin() + 10, AtomCoordRecord{40, 0, 0, 0});
    model.AtomCount += 1;
    auto expected = model.AtomCoord;
    expected.erase(expected.begin() + 10);
    auto expected_symbols = model.AtomSymbol;
    expected_symbols.erase(expected_symbols.begin() + 10);

    CompressAtoms(model, options);
    ASSERT_EQ(model.AtomCount, 47);
    for (std::size_t i = 1; i <= 47; ++i) {
        EXPECT_EQ(model.AtomCoord[i], expected[i]) << i;
        EXPECT_EQ(model.AtomSymbol[i], expected_symbols[i]) << i;
    }
    EXPECT_EQ(model.AtomCoord.size(), 49u);  // the columns keep their length
}

// ---------------------------------------------------------------------------
// The cutoff

TEST(CompressAtoms, DistanceEqualToTheCutoffDoesNotAttach)
{
    const long double cutoff = covalent_cutoff("C", "C");
    Atoms t;
    t.add("C", 0, 0, 0).add("C", cutoff, 0, 0).add("C", 0, std::nextafter(cutoff, 0.0L), 0).add("C", 0, 0, 0);
    t.compress();
    ASSERT_EQ(t.model.AtomCount, 3);
    expect_at(t.atom(2), 0, std::nextafter(cutoff, 0.0L), 0);
    expect_at(t.atom(3), 0, 0, 0);  // the same position as atom 1: distance 0
}

TEST(CompressAtoms, UnknownSymbolsUseCarbonRadii)
{
    // 1.9 A is within the C-C cutoff (2.04 A) but beyond C plus the smallest radius.
    Atoms t;
    t.add("C", 0, 0, 0).add("ZZ", 1.9L, 0, 0).add("C", 3.8L, 0, 0);
    t.compress();
    ASSERT_EQ(t.model.AtomCount, 3);
    EXPECT_EQ(t.symbol(2), "ZZ");
}

TEST(CompressAtoms, HydrogenNeverAttachesToHydrogen)
{
    Atoms t;
    // H2 is 1.0 A from H1 but 2.0 A from the carbon (C-H cutoff 1.65 A).
    t.add("C", 0, 0, 0).add("H", 1.0L, 0, 0).add("H", 2.0L, 0, 0);
    t.compress();
    ASSERT_EQ(t.model.AtomCount, 2);
    EXPECT_EQ(t.symbol(2), "H");
    expect_at(t.atom(2), 1, 0, 0);
}

TEST(CompressAtoms, HydrogenBondBoxesWidenTheHydrogenCutoff)
{
    // O-H: covalent cutoff 0.73 + 0.38 + 0.5 = 1.61 A; van der Waals 1.52 + 1.2 - 0.3 = 2.42 A.
    auto kept = [](bool hydrogen_bonds, bool van_der_waals, long double distance) {
        Atoms t;
        t.options.HydrogenBondsOnly = hydrogen_bonds;
        t.options.HydrogenBondsAndVanDerWaals = van_der_waals;
        t.add("O", 0, 0, 0).add("H", distance, 0, 0);
        t.compress();
        return t.model.AtomCount == 2;
    };
    EXPECT_TRUE(kept(true, false, 2.0L));
    EXPECT_TRUE(kept(false, true, 2.0L));
    EXPECT_FALSE(kept(false, false, 2.0L));
    EXPECT_TRUE(kept(false, false, 1.6L));
    EXPECT_FALSE(kept(false, false, 1.62L));
    EXPECT_FALSE(kept(true, false, 2.43L));
    // The candidate decides: a hydrogen seed and an oxygen candidate keep the covalent cutoff.
    Atoms t;
    t.options.HydrogenBondsOnly = true;
    t.add("H", 0, 0, 0).add("O", 2.0L, 0, 0);
    t.compress();
    EXPECT_EQ(t.model.AtomCount, 1);
}

// ---------------------------------------------------------------------------
// Parts and the display filter

TEST(CompressAtoms, DisorderPartsAttachOnlyThroughPartZero)
{
    Atoms t;
    t.add("C", 0, 0, 0, 0)          // 1
        .add("C", 1.5, 0, 0, 1)     // 2: part 1 next to atom 1
        .add("C", -1.5, 0, 0, 2)    // 3: part 2 next to atom 1
        .add("C", 3.0, 0, 0, 2)     // 4: part 2 next to part-1 atom 2 only
        .add("C", 1.5, 1.5, 0, 1)   // 5: part 1 next to part-1 atom 2 only
        .add("O", 3.0, 0, 1.4, 0);  // 6: part 0 next to atom 4 only
    t.with_parts();
    t.compress();
    ASSERT_EQ(t.model.AtomCount, 4);
    expect_at(t.atom(2), 1.5, 0, 0);
    expect_at(t.atom(3), -1.5, 0, 0);
    EXPECT_EQ(t.atom(3).part, 2);
    expect_at(t.atom(4), 1.5, 1.5, 0);
    EXPECT_EQ(t.atom(4).part, 1);

    // The same with part 2's atom 4 turned into part 0: it joins through the
    // part-1 atom, and the part-0 oxygen through it.
    Atoms u;
    u.add("C", 0, 0, 0, 0).add("C", 1.5, 0, 0, 1).add("C", 3.0, 0, 0, 0).add("O", 3.0, 0, 1.4, 0);
    u.with_parts();
    u.compress();
    EXPECT_EQ(u.model.AtomCount, 4);
}

TEST(CompressAtoms, HiddenFirstAtomLeavesOnlyItself)
{
    Atoms t;
    t.options.HideHydrogen = true;
    t.add("H", 0, 0, 0).add("C", 1.0, 0, 0).add("C", 2.5, 0, 0);
    t.compress();
    ASSERT_EQ(t.model.AtomCount, 1);
    EXPECT_EQ(t.symbol(1), "H");

    Atoms p;
    p.add("C", 0, 0, 0, 1).add("C", 1.5, 0, 0, 0);
    p.with_parts();
    p.options.ShownParts[1] = false;
    p.compress();
    EXPECT_EQ(p.model.AtomCount, 1);
}

TEST(CompressAtoms, HiddenAtomsAreRemovedAndTheRestMoveDown)
{
    Atoms t;
    t.add("C", 0, 0, 0)
        .add("O", 1.2, 0, 0, 0, "HOH")  // water, suppressed
        .add("C", 0, 1.5, 0)
        .add("N", 9, 9, 9)  // disconnected
        .add("C", 0, 3.0, 0);
    t.model.AtomResidue[5] = "LIG";
    t.compress();
    ASSERT_EQ(t.model.AtomCount, 3);
    EXPECT_EQ(t.symbol(2), "C");
    expect_at(t.atom(2), 0, 1.5, 0);
    expect_at(t.atom(3), 0, 3.0, 0);
    // Only symbols and positions move; the other columns stay as they were.
    EXPECT_EQ(t.model.AtomResidue[2], "HOH");
    EXPECT_EQ(t.model.AtomSymbol.size(), 6u);

    Atoms w;
    w.options.SuppressWater = false;
    w.add("C", 0, 0, 0).add("O", 1.2, 0, 0, 0, "HOH");
    w.compress();
    EXPECT_EQ(w.model.AtomCount, 2);
}

TEST(CompressAtoms, SeedsStartAgainAfterEveryPassThatAttached)
{
    // A chain 1 - 4 - 3 - 2: atom 3 is reached from seed 4 and then carries
    // atom 2 only because the seeds start again from atom 2.
    Atoms t;
    t.cubic_cell(10);
    t.add("C", 0, 0, 0).add("C", 4.5, 0, 0).add("C", 3.0, 0, 10).add("C", 1.5, 0, 0);
    t.compress();
    ASSERT_EQ(t.model.AtomCount, 4);
    expect_at(t.atom(2), 4.5, 0, 0);
    expect_at(t.atom(3), 3.0, 0, 0);
    expect_at(t.atom(4), 1.5, 0, 0);
}

TEST(CompressAtoms, NoAtomsNothingHappens)
{
    Atoms t;
    t.compress();
    EXPECT_EQ(t.model.AtomCount, 0);
    EXPECT_EQ(t.model.AtomCoord.size(), 1u);
}

TEST(attach_atom, LeavesACandidateOutOfReachWhereItIs)
{
    Atoms t;
    t.cubic_cell(10);
    t.add("C", 0, 0, 0).add("C", 5, 5, 5, 3);
    const CompressionTables tables = make_compression_tables(t.model);
    EXPECT_FALSE(attach_atom(t.model, t.options, tables, 2, 1));
    EXPECT_EQ(t.atom(2), (AtomCoordRecord{5, 5, 5, 3}));
    t.model.AtomCoord[2] = AtomCoordRecord{1, 0, 10, 3};
    EXPECT_TRUE(attach_atom(t.model, t.options, tables, 2, 1));
    expect_at(t.atom(2), 1, 0, 0);
    EXPECT_EQ(t.atom(2).part, 3);  // the part goes with it unchanged
}

// ---------------------------------------------------------------------------
// Real files

struct ReadModel {
    Structure model;
    ModelOptions options;
};

ReadModel read_text(const std::string& name, const std::string& text)
{
    ReadModel r;
    Reporter quiet;
    testsupport::load_text(text, r.model, r.options, quiet, name);
    return r;
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// Position of atom i relative to atom 1 (reads of shifted files have other centroids).
Vec3 relative(const Structure& m, int i)
{
    return position(m.AtomCoord[static_cast<std::size_t>(i)]) - position(m.AtomCoord[1]);
}

TEST(CompressAtomsCorpus, CaffeineAtomsListedInOtherCellsComeBack)
{
    const std::string name = "pyobjcryst_caffeine.cif";
    const std::string text = testsupport::corpus_text(name);
    ReadModel whole = read_text(name, text);
    ASSERT_EQ(whole.model.AtomCount, 24);
    const auto as_read = whole.model.AtomCoord;
    CompressAtoms(whole.model, whole.options);
    ASSERT_EQ(whole.model.AtomCount, 24);  // the file lists one whole molecule
    EXPECT_EQ(whole.model.AtomCoord, as_read);

    std::string moved = replaced(text, " C12 0.21968 ", " C12 1.21968 ");                          // +a
    moved = replaced(moved, " -0.27317 -0.19028 -0.00382 ", " -0.27317 -0.19028 -1.00382 ");       // H14a, -c
    moved = replaced(moved, " H10c 0.03791 0.26293 0.13930 ", " H10c -0.96209 2.26293 0.13930 ");  // -a + 2b
    ReadModel shifted = read_text(name, moved);
    CompressAtoms(shifted.model, shifted.options);
    ASSERT_EQ(shifted.model.AtomCount, 24);
    for (int i = 2; i <= 24; ++i) {
        const Vec3 expected = relative(whole.model, i);
        const Vec3 got = relative(shifted.model, i);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(static_cast<double>(got[k]), static_cast<double>(expected[k]), 1e-9) << "atom " << i;
    }

    // Three cells away the carbonyl oxygen is out of reach.
    ReadModel far = read_text(name, replaced(text, " O11 0.18634 ", " O11 3.18634 "));
    CompressAtoms(far.model, far.options);
    ASSERT_EQ(far.model.AtomCount, 23);
    EXPECT_EQ(std::count(far.model.AtomSymbol.begin() + 1, far.model.AtomSymbol.begin() + 24, "O"), 1);
}

TEST(CompressAtomsCorpus, ZeoliteFrameworkFragmentIsStableUnderASecondRun)
{
    const std::string name = "avogadro_zeolites_ITV.cif";
    const std::string text = testsupport::corpus_text(name);
    ReadModel whole = read_text(name, text);
    ASSERT_EQ(whole.model.AtomCount, 29);
    const auto as_read = whole.model.AtomCoord;
    CompressAtoms(whole.model, whole.options);
    ASSERT_EQ(whole.model.AtomCount, 29);  // the listed atoms form one fragment
    EXPECT_EQ(whole.model.AtomCoord, as_read);

    // Every atom lies within bonding distance of another one.
    for (int i = 1; i <= 29; ++i) {
        bool bonded = false;
        for (int j = 1; j <= 29 && !bonded; ++j) {
            const auto a = static_cast<std::size_t>(i), b = static_cast<std::size_t>(j);
            if (i != j)
                bonded = length(position(whole.model.AtomCoord[a]) - position(whole.model.AtomCoord[b])) <
                         covalent_cutoff(whole.model.AtomSymbol[a].c_str(), whole.model.AtomSymbol[b].c_str());
        }
        EXPECT_TRUE(bonded) << "atom " << i;
    }

    // T3 listed at -b + c, O14 at -2a, O18 three cells away along -c.
    std::string moved = replaced(text, "0.2490    0.2394    0.0105", "0.2490    -0.7606    1.0105");
    moved = replaced(moved, "0.0441    0.4838    0.0336", "-1.9559    0.4838    0.0336");
    moved = replaced(moved, "0.0110    0.0110    0.0110", "0.0110    0.0110    -2.9890");
    ReadModel r = read_text(name, moved);
    CompressAtoms(r.model, r.options);
    ASSERT_EQ(r.model.AtomCount, 28);
    for (int i = 2; i <= 28; ++i) {
        const int original = i < 18 ? i : i + 1;  // O18 is gone
        EXPECT_EQ(r.model.AtomSymbol[static_cast<std::size_t>(i)],
                  whole.model.AtomSymbol[static_cast<std::size_t>(original)]);
        const Vec3 expected = relative(whole.model, original);
        const Vec3 got = relative(r.model, i);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(static_cast<double>(got[k]), static_cast<double>(expected[k]), 1e-9) << "atom " << i;
    }

    // A second run finds every atom in place.
    const auto first = r.model.AtomCoord;
    const auto symbols = r.model.AtomSymbol;
    CompressAtoms(r.model, r.options);
    EXPECT_EQ(r.model.AtomCount, 28);
    EXPECT_EQ(r.model.AtomCoord, first);
    EXPECT_EQ(r.model.AtomSymbol, symbols);
}

}  // namespace
}  // namespace vexalith
