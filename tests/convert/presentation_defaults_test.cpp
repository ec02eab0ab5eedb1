#include "convert/presentation_defaults.h"

#include <gtest/gtest.h>

namespace vexalith {
namespace {

constexpr ProteinBoxes kAllOff{false, false, false, false};

TEST(PresentationDefaults, FreshProteinLoad)
{
    const PresentationDefaults d = presentation_defaults(FileKind::Macromolecular, false, kAllOff);
    EXPECT_EQ(d.boxes, (ProteinBoxes{true, true, true, true}));
    EXPECT_EQ(d.model_mode, VanDerWaals);
    EXPECT_EQ(d.shown_mode, VanDerWaals);
}

TEST(PresentationDefaults, ProteinRereadKeepsTheUsersChoices)
{
    // Protein style without helices: covalent radius shown, mode unchanged.
    PresentationDefaults d = presentation_defaults(FileKind::Macromolecular, true, {false, true, false, false});
    EXPECT_EQ(d.boxes, (ProteinBoxes{false, true, false, true}));
    EXPECT_FALSE(d.model_mode.has_value());
    EXPECT_EQ(d.shown_mode, CovalentRadius);

    // Helices on: van der Waals.
    d = presentation_defaults(FileKind::Macromolecular, true, {true, false, true, false});
    EXPECT_EQ(d.boxes, (ProteinBoxes{true, false, true, true}));
    EXPECT_EQ(d.model_mode, VanDerWaals);
    EXPECT_EQ(d.shown_mode, VanDerWaals);

    // Neither: ball and stick, helices off.
    d = presentation_defaults(FileKind::Macromolecular, true, {true, false, false, false});
    EXPECT_EQ(d.boxes, (ProteinBoxes{true, false, false, true}));
    EXPECT_EQ(d.model_mode, BallAndStick);
}

TEST(PresentationDefaults, OtherFilesStartInBallAndStick)
{
    for (FileKind kind : {FileKind::SmallMolecule, FileKind::ChemicalComponent})
        for (bool reread : {false, true}) {
            const PresentationDefaults d = presentation_defaults(kind, reread, {false, true, true, false});
            EXPECT_EQ(d.boxes, (ProteinBoxes{false, true, false, true}));
            EXPECT_EQ(d.model_mode, BallAndStick);
            EXPECT_EQ(d.shown_mode, BallAndStick);
        }
}

TEST(PresentationDefaults, ApplyingRunsTheBoxHandlersThenSetsTheMode)
{
    ModelOptions o;
    o.SuppressWater = false;
    o.ProteinStyle = false;
    o.Helices = false;
    o.ModelMode = BallAndStick;
    ConversionState state;
    state.RedrawOnly = true;
    apply_presentation_defaults(presentation_defaults(FileKind::Macromolecular, false, protein_boxes(o)),
                                FileKind::Macromolecular, o, state);
    EXPECT_TRUE(o.SuppressWater);
    EXPECT_TRUE(state.RereadRequested);  // Helices changed
    EXPECT_FALSE(state.RedrawOnly);      // Protein Style changed on a protein
    // Protein style was checked while helices were still off (covalent), then
    // the mode of the defaults is set last.
    EXPECT_EQ(o.ModelMode, VanDerWaals);
}

}  // namespace
}  // namespace vexalith
