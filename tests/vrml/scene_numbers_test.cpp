#include "vrml/scene_numbers.h"

#include <gtest/gtest.h>

#include "common/error.h"

namespace vexalith {
namespace {

TEST(GeneralNumber, FixedAndScientific)
{
    EXPECT_EQ(general_number(1), "1");
    EXPECT_EQ(general_number(0.5L), "0.5");
    EXPECT_EQ(general_number(-12.35L), "-12.35");
    EXPECT_EQ(general_number(0), "0");
    EXPECT_EQ(general_number(-0.0L), "0");
    EXPECT_EQ(general_number(1250), "1250");
    EXPECT_EQ(general_number(937.5L), "937.5");
    EXPECT_EQ(general_number(0.0001L), "0.0001");
    EXPECT_EQ(general_number(0.00005L), "5E-5");
    EXPECT_EQ(general_number(0.0000125L), "1.25E-5");
    EXPECT_EQ(general_number(-0.0000125L), "-1.25E-5");
    EXPECT_EQ(general_number(1e15L), "1E15");
    EXPECT_EQ(general_number(123456789012345.0L), "123456789012345");
    EXPECT_EQ(general_number(0.0385L), "0.0385");
    // 15 significant digits, rounded.
    EXPECT_EQ(general_number(130.0L / 264), "0.492424242424242");
    EXPECT_EQ(general_number(66.0L / 264), "0.25");
    EXPECT_EQ(general_number(2.0L / 3), "0.666666666666667");
    EXPECT_EQ(general_number(0.1L), "0.1");
    // A value just below 0.0001 that rounds up to it stays fixed.
    EXPECT_EQ(general_number(0.00009999999999999999L), "0.0001");
}

TEST(RadiusNumber, FiveDecimalsInSevenCharacters)
{
    EXPECT_EQ(radius_number(0.19L), "0.19000");
    EXPECT_EQ(radius_number(12.5L), "12.50000");
    EXPECT_EQ(radius_number(3.85L), "3.85000");
    EXPECT_EQ(radius_number(0), "0.00000");
    EXPECT_EQ(radius_number(123.456789L), "123.45679");
}

TEST(ToModelUnits, ScalesTheLargestCoordinateToHalfTheModelSize)
{
    const ModelScale mm{100, 1, 5};
    EXPECT_EQ(ToModelUnits(0.77L, mm), 7.7L);
    EXPECT_EQ(ToModelUnits(5, mm), 50);
    EXPECT_EQ(ToModelUnits(-5, mm), -50);
    const ModelScale one{100, 1, 1};
    EXPECT_EQ(ToModelUnits(0.77L, one), 38.5L);
    const ModelScale metre{100, 1000, 1};
    EXPECT_EQ(general_number(ToModelUnits(0.77L, metre)), "0.0385");
    // Rounded to 0.01 mm: -0.001 mm becomes 0.
    EXPECT_EQ(general_number(ToModelUnits(-0.00002L, one)), "0");
    // 0.05 mm in metres.
    EXPECT_EQ(general_number(ToModelUnits(0.001L, metre)), "5E-5");
    EXPECT_EQ(general_number(ToModelUnits(0.002L, metre)), "0.0001");
    // Ties go to the even neighbour: 0.005 mm -> 0, 0.015 mm -> 0.02.
    const ModelScale exact{2, 1, 1};  // 1 angstrom = 1 mm
    EXPECT_EQ(ToModelUnits(0.005L, exact), 0);
    EXPECT_EQ(ToModelUnits(0.125L, exact), 0.12L);
    // The camera distance of the default scene.
    EXPECT_EQ(ToModelUnits(5, mm) * 25, 1250);
}

TEST(ToModelUnits, ValuesBeyondTheRoundingAreAnError)
{
    const ModelScale mm{100, 1, 1};
    EXPECT_THROW(ToModelUnits(1e308L, mm), RangeError);
    EXPECT_THROW(ToModelUnits(-1e300L, mm), RangeError);
    EXPECT_NO_THROW(ToModelUnits(1e-320L, mm));
}

}  // namespace
}  // namespace vexalith
