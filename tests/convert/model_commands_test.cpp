#include "convert/model_commands.h"

#include <gtest/gtest.h>

namespace vexalith {
namespace {

TEST(ProteinBoxes, RulesAskForANewReadOnlyWhenTheValueChanges)
{
    ModelOptions o;
    ConversionState state;
    state.RedrawOnly = true;

    SetHelicesBox(o, state, true);  // unchanged
    EXPECT_FALSE(state.RereadRequested);
    SetHelicesBox(o, state, false);
    EXPECT_TRUE(state.RereadRequested);

    o.ModelMode = VanDerWaals;
    SetProteinStyleBox(o, state, true, false);
    EXPECT_FALSE(state.RedrawOnly);
    state.RedrawOnly = true;
    SetProteinStyleBox(o, state, true, true);
    EXPECT_FALSE(state.RedrawOnly);
    EXPECT_EQ(o.ModelMode, CovalentRadius);  // helices are off

    // Not a protein: the Protein Style box changes nothing else.
    ModelOptions small;
    small.ModelMode = VanDerWaals;
    ConversionState small_state;
    small_state.RedrawOnly = true;
    SetProteinStyleBox(small, small_state, false, false);
    EXPECT_FALSE(small.ProteinStyle);
    EXPECT_TRUE(small_state.RedrawOnly);
    SetProteinStyleBox(small, small_state, false, true);
    EXPECT_EQ(small.ModelMode, VanDerWaals);
}

TEST(ModelCommands, ModeLeavesProteinStyleAndOnlyRedraws)
{
    ModelOptions o;
    ConversionState state;
    o.Helices = false;
    select_model_mode(state, o, true, VanDerWaals);
    // Leaving protein style on a protein would read again in covalent mode;
    // the chosen mode wins and the command only redraws.
    EXPECT_FALSE(o.ProteinStyle);
    EXPECT_EQ(o.ModelMode, VanDerWaals);
    EXPECT_TRUE(state.RedrawOnly);

    ConversionState expand;
    request_expand(expand);
    EXPECT_TRUE(expand.CompressRequested);
    EXPECT_TRUE(expand.RedrawOnly);
}

}  // namespace
}  // namespace vexalith
