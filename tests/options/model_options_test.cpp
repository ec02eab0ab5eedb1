#include "options/model_options.h"

#include <gtest/gtest.h>

namespace vexalith {
namespace {

// A model of atoms given as (symbol, residue, part).
struct Atom {
    const char* symbol;
    const char* residue;
    long double part;
};

Structure model_of(std::initializer_list<Atom> atoms, int32_t max_part)
{
    Structure m;
    m.AtomSymbol.assign(1, "");
    m.AtomResidue.assign(1, "");
    m.AtomCoord.assign(1, {});
    for (const Atom& a : atoms) {
        m.AtomSymbol.emplace_back(a.symbol);
        m.AtomResidue.emplace_back(a.residue);
        m.AtomCoord.push_back(AtomCoordRecord{0, 0, 0, a.part});
    }
    m.AtomCount = static_cast<int32_t>(atoms.size());
    m.MaxPart = max_part;
    return m;
}

TEST(AtomOk, PartBoxesDecideWhileTheStructureHasParts)
{
    Structure m = model_of({{"C", "", 0}, {"C", "", 1}, {"C", "", 2}}, 2);
    ModelOptions o;
    MakePartCheckBoxes(o, 2);
    o.ShownParts[1] = false;
    EXPECT_TRUE(atom_ok(m, o, 1));
    EXPECT_FALSE(atom_ok(m, o, 2));
    EXPECT_TRUE(atom_ok(m, o, 3));
    // Without parts in the structure, old boxes are not consulted.
    m.MaxPart = 0;
    EXPECT_TRUE(atom_ok(m, o, 2));
}

TEST(AtomOk, WaterAndHydrogenFilters)
{
    const Structure m =
        model_of({{"O", "HOH", 0}, {"O", "hoh", 0}, {"O", "WAT", 0}, {"H", "", 0}, {"D", "", 0}, {"H", "HOH", 1}}, 1);
    ModelOptions o;
    MakePartCheckBoxes(o, 1);
    EXPECT_TRUE(o.SuppressWater);
    EXPECT_FALSE(o.HideHydrogen);
    EXPECT_FALSE(atom_ok(m, o, 1));
    EXPECT_TRUE(atom_ok(m, o, 2));  // exact comparison
    EXPECT_TRUE(atom_ok(m, o, 3));
    EXPECT_TRUE(atom_ok(m, o, 4));
    o.HideHydrogen = true;
    EXPECT_FALSE(atom_ok(m, o, 4));
    EXPECT_TRUE(atom_ok(m, o, 5));  // deuterium stays
    // Water and hydrogen: hidden whatever its part box says.
    EXPECT_FALSE(atom_ok(m, o, 6));
    o.SuppressWater = false;
    o.HideHydrogen = false;
    EXPECT_TRUE(atom_ok(m, o, 1));
    o.ShownParts[1] = false;
    EXPECT_FALSE(atom_ok(m, o, 6));
}

TEST(PartBoxes, RebuiltAllCheckedForEachRead)
{
    ModelOptions o;
    MakePartCheckBoxes(o, 3);
    o.ShownParts[2] = false;
    MakePartCheckBoxes(o, 1);
    EXPECT_EQ(o.ShownParts, (std::vector<bool>{true, true}));
}

TEST(Defaults, OptionValuesAtStart)
{
    const ModelOptions o;
    EXPECT_EQ(o.ModelSize, 100);
    EXPECT_EQ(o.VrmlUnit, 1);
    EXPECT_EQ(o.BondDiameter, 10);
    EXPECT_EQ(o.HelixBridgeDistance, 5.0L);
    EXPECT_EQ(o.DonorElements, "C N O F S");
    EXPECT_TRUE(o.ProteinStyle && o.Helices && o.HideBridges && o.SuppressWater);
    EXPECT_FALSE(o.HydrogenBondsOnly || o.HydrogenBondsAndVanDerWaals);
    EXPECT_EQ(AcceptorElements, "N O F S CL BR I");
    EXPECT_NE(AminoAcidList.find("TRP"), std::string_view::npos);
}

TEST(CheckBoxes, HandlersRunOnlyWhenTheStateChanges)
{
    ModelOptions o;
    SetSuppressWaterBox(o, false);
    EXPECT_FALSE(o.SuppressWater);
    SetShowHydrogenBox(o, true);  // unchanged: the rule does not run
    EXPECT_FALSE(o.HydrogenBondsOnly || o.HydrogenBondsAndVanDerWaals);
    SetShowHydrogenBox(o, false);
    EXPECT_TRUE(o.HideHydrogen);
}

TEST(SizeCaption, MillimetresAndMetres)
{
    ModelOptions o;
    EXPECT_EQ(size_caption(o, '.'), "3D-model size = 100 mm");
    o.VrmlUnit = 1000;
    EXPECT_EQ(size_caption(o, '.'), "3D-model size = 0.1 m");
    o.ModelSize = 250;
    EXPECT_EQ(size_caption(o, '.'), "3D-model size = 0.25 m");
    EXPECT_EQ(size_caption(o, ','), "3D-model size = 0,25 m");
    o.ModelSize = 25;
    EXPECT_EQ(size_caption(o, '.'), "3D-model size = 0.025 m");
}

}  // namespace
}  // namespace vexalith

namespace vexalith {
namespace {

TEST(HydrogenBondBoxes, NeverBothCheckedAndDonorsFollowTheLastOne)
{
    ModelOptions options;
    EXPECT_EQ(options.DonorElements, "C N O F S") << "start value before any click";

    SetShowVanDerWaalsBox(options, true);
    EXPECT_TRUE(options.HydrogenBondsAndVanDerWaals);
    EXPECT_EQ(options.DonorElements, "C N O F S");

    SetShowHydrogenBondsBox(options, true);
    EXPECT_TRUE(options.HydrogenBondsOnly);
    EXPECT_FALSE(options.HydrogenBondsAndVanDerWaals);
    EXPECT_EQ(options.DonorElements, "N O");

    SetShowVanDerWaalsBox(options, true);
    EXPECT_FALSE(options.HydrogenBondsOnly);
    EXPECT_EQ(options.DonorElements, "C N O F S");

    SetShowVanDerWaalsBox(options, false);
    EXPECT_EQ(options.DonorElements, "");
}

TEST(HydrogenBondBoxes, ShowHydrogenCarriesTheBondsAlong)
{
    ModelOptions options;
    SetShowHydrogenBox(options, false);
    EXPECT_TRUE(options.HideHydrogen);
    EXPECT_FALSE(options.HydrogenBondsOnly);
    EXPECT_FALSE(options.HydrogenBondsAndVanDerWaals);

    SetShowHydrogenBondsBox(options, true);
    SetShowHydrogenBox(options, true);
    EXPECT_FALSE(options.HideHydrogen);
    EXPECT_TRUE(options.HydrogenBondsAndVanDerWaals);
    EXPECT_FALSE(options.HydrogenBondsOnly);
    EXPECT_EQ(options.DonorElements, "C N O F S");

    SetShowHydrogenBox(options, false);
    EXPECT_FALSE(options.HydrogenBondsAndVanDerWaals);
    EXPECT_FALSE(options.HydrogenBondsOnly);
    EXPECT_EQ(options.DonorElements, "");
}

}  // namespace
}  // namespace vexalith
