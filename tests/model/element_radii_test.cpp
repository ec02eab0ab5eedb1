#include "model/element_radii.h"

#include <gtest/gtest.h>

#include "model/vector3.h"

namespace vexalith {
namespace {

TEST(CrossProduct, RightHandedAndZeroForParallelVectors)
{
    EXPECT_EQ(cross_product({1, 0, 0}, {0, 1, 0}), (Vec3{0, 0, 1}));
    EXPECT_EQ(cross_product({0, 1, 0}, {1, 0, 0}), (Vec3{0, 0, -1}));
    EXPECT_EQ(cross_product({2, -3, 5}, {2, -3, 5}), (Vec3{0, 0, 0}));
    // The bond writers' axis: Y x v = (v.z, 0, -v.x).
    EXPECT_EQ(cross_product({0, 1, 0}, {1.5L, 0.25L, -2}), (Vec3{-2, 0, -1.5L}));
}

TEST(RadiiBySymbol, ExactSymbolsAndCarbonForTheUnknown)
{
    EXPECT_EQ(GetCovalentRadius("C"), 0.77L);
    EXPECT_EQ(GetVanDerWaalsRadius("O"), 1.52L);
    EXPECT_EQ(GetCovalentRadius("H"), 0.38L);
    EXPECT_EQ(GetCovalentRadius("HX"), 1.0L);
    EXPECT_EQ(GetCovalentRadius("Q"), 0.5L) << "the last row is found too";
    EXPECT_EQ(GetCovalentRadius("cl"), GetCovalentRadius("C")) << "no case folding";
    EXPECT_EQ(GetVanDerWaalsRadius("XX"), 1.70L);
}

TEST(RadiiBySymbol, SubstringTestOfSymbolLists)
{
    EXPECT_TRUE(occurs_in("K", "CS LI NA K RB CS"));
    EXPECT_TRUE(occurs_in("C", "C N S B I"));
    EXPECT_TRUE(occurs_in("S", "CS LI NA K RB CS")) << "a plain substring test";
    EXPECT_FALSE(occurs_in("CL", "C N O F S"));
    EXPECT_FALSE(occurs_in("", "C N O F S"));
    EXPECT_FALSE(occurs_in("N", ""));
}

}  // namespace
}  // namespace vexalith
