#include "options/crystal_choice.h"

#include <gtest/gtest.h>

#include <string>

#include "options/option_table.h"

namespace vexalith {
namespace {

TEST(CrystalChoice, ReadsEveryModeAndBlockSize)
{
    std::string problem;
    EXPECT_EQ(parse_crystal_choice("asymmetric", problem)->mode, CrystalMode::Asymmetric);
    EXPECT_EQ(parse_crystal_choice("cell", problem)->mode, CrystalMode::Cell);
    EXPECT_EQ(parse_crystal_choice("molecules", problem)->mode, CrystalMode::Molecules);
    const auto block = parse_crystal_choice("block=1x3x5", problem);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->mode, CrystalMode::Block);
    EXPECT_EQ(block->block, (std::array<int32_t, 3>{1, 3, 5}));
    EXPECT_TRUE(problem.empty()) << problem;
}

TEST(CrystalChoice, RefusesWhatItCannotBuildWithAReason)
{
    for (const char* text : {"", "Cell", "block", "block=", "block=2x2", "block=0x1x1", "block=6x1x1", "block=12x1x1",
                             "block=2x2x2x2", "block=2x2x", "block=2,2,2", "block= 2x2x2", "cells"}) {
        SCOPED_TRACE(text);
        std::string problem;
        EXPECT_FALSE(parse_crystal_choice(text, problem));
        EXPECT_NE(problem.find(text), std::string::npos) << "the message quotes the text: " << problem;
    }
}

// The dialog's buttons stand for the converter's spellings: each plain
// value names its mode, and the block button a block of a chosen size.
TEST(CrystalChoice, DialogButtonsNameTheModesTheyChoose)
{
    for (const OptionChoice& choice : user_option(OptionId::Crystal).choices) {
        SCOPED_TRACE(std::string(choice.value));
        std::string problem;
        const std::string spelled = choice.value == "block" ? "block=2x1x1" : std::string(choice.value);
        const auto parsed = parse_crystal_choice(spelled, problem);
        ASSERT_TRUE(parsed) << problem;
        EXPECT_EQ(static_cast<int>(parsed->mode), choice.number);
    }
}

}  // namespace
}  // namespace vexalith
