#include "model/pair_classification.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/model_builder.h"

namespace vexalith {
namespace {

using testsupport::make_model;
using testsupport::TestAtom;

PairKind classify(const Structure& model, const ModelOptions& options, int32_t i, int32_t j)
{
    return PairClassifier(model, scene_pair_rules(model, options)).classify(i, j);
}

TEST(CovalentBonds, TwoCarbonsBondOnlyInsideTheirWindowAndOnce)
{
    ModelOptions options;
    for (const auto& [distance, bonded] : std::vector<std::pair<long double, bool>>{
             {1.54L, true}, {2.1L, false}, {0.55L, false}, {2.03L, true}, {0.6L, false}, {0.65L, true}}) {
        const Structure model = make_model({{"C", 0, 0, 0}, {"C", distance, 0, 0}});
        const PairKind forward = classify(model, options, 1, 2);
        EXPECT_EQ(forward.bond, bonded) << "distance " << static_cast<double>(distance);
        EXPECT_FALSE(forward.hbond);
        EXPECT_FALSE(classify(model, options, 2, 1).bond) << "each pair is drawn from its lower number";
        EXPECT_FALSE(classify(model, options, 1, 1).any());
    }
}

TEST(CovalentBonds, DisorderPartsBondOnlyWithinAPartOrToPartZero)
{
    ModelOptions options;
    const Structure model =
        make_model({{"C", 0, 0, 0, 1}, {"C", 1.5L, 0, 0, 2}, {"C", 0.75L, 1.3L, 0, 0}, {"C", 1.5L, 1.5L, 0, 2}});
    EXPECT_FALSE(classify(model, options, 1, 2).bond);
    EXPECT_TRUE(classify(model, options, 1, 3).bond);
    EXPECT_TRUE(classify(model, options, 2, 3).bond);
    EXPECT_TRUE(classify(model, options, 2, 4).bond);
}

TEST(CovalentBonds, ModelsOfAnEnsembleBondOnlyWithinThemselves)
{
    ModelOptions options;
    SetShowHydrogenBondsBox(options, true);
    // Two models of one O-H...O, superimposed: the same atoms in both.
    Structure model = make_model({{"O", -0.97L, 0, 0},
                                  {"H", 0, 0, 0},
                                  {"O", 1.9L, 0, 0},
                                  {"O", -0.97L, 0, 0.01L},
                                  {"H", 0, 0, 0.01L},
                                  {"O", 1.9L, 0, 0.01L}});
    model.AtomModel = {0, 1, 1, 1, 2, 2, 2};
    EXPECT_TRUE(classify(model, options, 1, 2).bond);
    EXPECT_TRUE(classify(model, options, 4, 5).bond);
    EXPECT_FALSE(classify(model, options, 1, 5).any()) << "an atom of model 1 with one of model 2";
    EXPECT_FALSE(classify(model, options, 2, 4).any());
    EXPECT_TRUE(classify(model, options, 2, 3).hbond);
    EXPECT_FALSE(classify(model, options, 2, 6).hbond);
    // The hydrogen of model 2 has its own donor; without it, the donor of
    // model 1 does not hold it.
    model.AtomSymbol[4] = "C";
    EXPECT_FALSE(classify(model, options, 5, 6).hbond);
    // Model 0 is an atom of no one model (a point of the backbone trace):
    // it joins either.
    model.AtomModel[1] = 0;
    EXPECT_TRUE(classify(model, options, 1, 5).bond);
}

TEST(CovalentBonds, VanDerWaalsModeDrawsNone)
{
    ModelOptions options;
    Structure model = make_model({{"C", 0, 0, 0}, {"C", 1.54L, 0, 0}});
    options.ModelMode = VanDerWaals;
    EXPECT_FALSE(classify(model, options, 1, 2).any());
    options.ModelMode = CovalentRadius;
    EXPECT_TRUE(classify(model, options, 1, 2).bond);
}

// Donor oxygen, hydrogen at the origin, acceptor oxygen at `distance` from
// the hydrogen with the angle donor-H-acceptor `degrees`.
Structure hydrogen_bond_model(long double degrees, long double distance)
{
    const long double t = degrees * std::numbers::pi_v<long double> / 180;
    return make_model({{"O", -0.97L, 0, 0}, {"H", 0, 0, 0}, {"O", -distance * std::cos(t), distance * std::sin(t), 0}});
}

TEST(HydrogenBonds, StraightOHOIsFoundOnlyWhenAskedFor)
{
    const Structure model = hydrogen_bond_model(170, 1.9L);
    ModelOptions options;
    EXPECT_FALSE(classify(model, options, 2, 3).hbond) << "both boxes unchecked at start";

    SetShowHydrogenBondsBox(options, true);
    EXPECT_EQ(options.DonorElements, "N O");
    const PairKind kind = classify(model, options, 2, 3);
    EXPECT_TRUE(kind.hbond);
    EXPECT_FALSE(kind.bond);
    EXPECT_FALSE(classify(model, options, 3, 2).hbond) << "drawn from the hydrogen only";
    EXPECT_TRUE(classify(model, options, 1, 2).bond) << "the donor's own O-H bond";
}

TEST(HydrogenBonds, AngleAndDistanceWindow)
{
    ModelOptions options;
    SetShowVanDerWaalsBox(options, true);
    EXPECT_FALSE(classify(hydrogen_bond_model(100, 1.9L), options, 2, 3).hbond) << "angle 100 degrees";
    EXPECT_TRUE(classify(hydrogen_bond_model(110, 1.9L), options, 2, 3).hbond) << "angle 110 degrees";
    // The oxygen acceptor's contact radius 0.8: the window is 1.0 to 2.5.
    EXPECT_TRUE(classify(hydrogen_bond_model(170, 2.45L), options, 2, 3).hbond);
    EXPECT_FALSE(classify(hydrogen_bond_model(170, 2.55L), options, 2, 3).hbond);
    EXPECT_TRUE(classify(hydrogen_bond_model(170, 1.05L), options, 2, 3).hbond);
    EXPECT_FALSE(classify(hydrogen_bond_model(170, 0.95L), options, 2, 3).hbond);
}

TEST(HydrogenBonds, DonorMustBeADonorElementAtBondingDistance)
{
    ModelOptions options;
    SetShowHydrogenBondsBox(options, true);  // donors N and O only
    Structure model = hydrogen_bond_model(170, 1.9L);
    model.AtomSymbol[1] = "C";
    EXPECT_FALSE(classify(model, options, 2, 3).hbond) << "C is no donor with only hydrogen bonds";
    SetShowVanDerWaalsBox(options, true);  // donors C N O F S
    EXPECT_TRUE(classify(model, options, 2, 3).hbond);

    Structure far = make_model({{"O", -1.7L, 0, 0}, {"H", 0, 0, 0}, {"O", 1.9L, 0, 0}});
    EXPECT_FALSE(classify(far, options, 2, 3).hbond) << "donor 1.7 A away is not bonded to the hydrogen";
}

TEST(HydrogenBonds, HiddenDonorStillCounts)
{
    ModelOptions options;
    SetShowHydrogenBondsBox(options, true);
    Structure model = hydrogen_bond_model(170, 1.9L);
    model.AtomCoord[1].part = 1;
    model.MaxPart = 1;
    MakePartCheckBoxes(options, 1);
    options.ShownParts[1] = false;
    const PairClassifier pairs(model, scene_pair_rules(model, options));
    int hbonds = 0;
    for_each_connected_pair(
        model, options, pairs, [](int32_t) {},
        [&](int32_t i, int32_t j, const PairKind& kind) {
            EXPECT_NE(i, 1);
            EXPECT_NE(j, 1);
            hbonds += kind.hbond;
        });
    EXPECT_EQ(hbonds, 1);
}

TEST(AlkaliContacts, SodiumAfterOxygenIsAContactAfterCarbonABond)
{
    ModelOptions options;
    const Structure oxygen = make_model({{"O", 0, 0, 0}, {"NA", 2.4L, 0, 0}});
    const PairKind contact = classify(oxygen, options, 1, 2);
    EXPECT_TRUE(contact.hbond);
    EXPECT_TRUE(contact.bond) << "the covalent window holds too; the contact style wins in the writers";

    const Structure carbon = make_model({{"C", 0, 0, 0}, {"NA", 2.4L, 0, 0}});
    EXPECT_FALSE(classify(carbon, options, 1, 2).hbond);
    EXPECT_TRUE(classify(carbon, options, 1, 2).bond);

    const Structure sodium_first = make_model({{"NA", 0, 0, 0}, {"O", 2.4L, 0, 0}});
    EXPECT_FALSE(classify(sodium_first, options, 1, 2).hbond) << "the metal must come second";

    ModelOptions vdw = options;
    vdw.ModelMode = VanDerWaals;
    EXPECT_FALSE(classify(oxygen, vdw, 1, 2).any());
}

TEST(ProteinPairs, NoHydrogenBondsButTraceSegmentsAndBridges)
{
    ModelOptions options;
    std::vector<TestAtom> atoms;
    for (int k = 0; k < 20; ++k)
        atoms.push_back({"HX", 3.0L * k, 0, 0, 0, "HEL"});
    atoms.push_back({"ZN", 0, 4.0L, 0, 0, "ZN"});
    atoms.push_back({"C", 0, -3.0L, 0, 0, "LIG"});
    atoms.push_back({"HX", 0, 2.0L, 0, 0, "HEL"});  // atom 23, far along the chain from atom 1
    Structure model = make_model(atoms);
    model.ProteinFile = true;
    options.ModelMode = VanDerWaals;

    EXPECT_TRUE(classify(model, options, 1, 2).helix);
    EXPECT_FALSE(classify(model, options, 2, 1).helix);
    EXPECT_FALSE(classify(model, options, 1, 3).helix) << "only consecutive trace points";
    EXPECT_FALSE(classify(model, options, 1, 21).hbond) << "bridges hidden by default";
    EXPECT_FALSE(classify(model, options, 1, 23).hbond);

    SetHideBridgesBox(options, false);
    EXPECT_TRUE(classify(model, options, 1, 21).hbond) << "trace point to a zinc 4 A away";
    EXPECT_FALSE(classify(model, options, 1, 22).hbond) << "never to a carbon";
    EXPECT_TRUE(classify(model, options, 1, 23).hbond) << "trace to trace, 2 A, 22 apart";
    options.HelixBridgeDistance = 2.7L;
    EXPECT_FALSE(classify(model, options, 1, 23).hbond) << "trace to trace must be below distance - 0.75";

    options.HelixBridgeDistance = 5;
    SetHideBridgesBox(options, true);
    EXPECT_TRUE(PairClassifier(model, stl_pair_rules(model, options)).classify(1, 21).hbond)
        << "the STL file carries the bridges whatever the box says";

    Structure spaced = make_model({{"HX", 0, 0, 0, 0, "HEL"}, {"HX", 8.0L, 0, 0, 0, "HEL"}});
    spaced.ProteinFile = true;
    EXPECT_FALSE(classify(spaced, options, 1, 2).helix) << "8 A or more breaks the trace";
}

TEST(ProteinPairs, ProteinFileClearsHydrogenBonds)
{
    ModelOptions options;
    SetShowHydrogenBondsBox(options, true);
    options.Helices = false;
    Structure model = hydrogen_bond_model(170, 1.9L);
    model.ProteinFile = true;
    EXPECT_FALSE(classify(model, options, 2, 3).hbond);
}

}  // namespace
}  // namespace vexalith
