#include "vrml/scene_numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

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

TEST(NumberTexts, TheShortcutAgreesWithTheCorrectlyRoundedDigits)
{
    std::mt19937_64 random(11);
    std::uniform_int_distribution<int64_t> whole(-99999999999999, 99999999999999);
    std::uniform_int_distribution<int> digits(0, 14);
    std::uniform_real_distribution<double> any(-1, 1);
    std::uniform_int_distribution<int> exponent(-30, 60);
    const ModelScale scales[] = {{100, 1, 5}, {100, 1000, 1}, {150, 1, 37.25L}, {7, 1000, 1234.5L}};
    for (int n = 0; n < 200000; ++n) {
        // Whole multiples of 0.00001, 0.001 and 0.01 of every length, the
        // values scenes are made of, and values of every size.
        int64_t m = whole(random);
        for (int cut = digits(random); cut > 0; --cut)
            m /= 10;
        const long double values[] = {static_cast<long double>(m) / 100000,
                                      static_cast<long double>(m % 100000000) / 1000, static_cast<long double>(m) / 100,
                                      std::ldexp(static_cast<long double>(any(random)), exponent(random)),
                                      ToModelUnits(static_cast<long double>(any(random)) * 200, scales[n % 4])};
        for (const long double value : values) {
            ASSERT_EQ(general_text(value).view(), general_number_from_digits(value)) << static_cast<double>(value);
            if (std::fabs(value) < 1e29L) {
                ASSERT_EQ(radius_text(value).view(), radius_number(value)) << static_cast<double>(value);
            }
        }
    }
    // Texts made from whole steps: model units in millimetres, metres and
    // another unit, and rounded thousandths.
    std::uniform_real_distribution<double> angstrom(-300, 300);
    for (int n = 0; n < 100000; ++n) {
        const long double x = static_cast<long double>(angstrom(random)) / (n % 7 == 0 ? 1e5L : 1);
        for (const ModelScale& scale : scales)
            ASSERT_EQ(model_units_text(x, scale).view(), general_text(ToModelUnits(x, scale)).view())
                << static_cast<double>(x);
        const ModelScale odd_unit{100, 10, 3};
        ASSERT_EQ(model_units_text(x, odd_unit).view(), general_text(ToModelUnits(x, odd_unit)).view());
        const long double k = std::round(static_cast<long double>(angstrom(random)) * 10);
        ASSERT_EQ(decimal_steps_text(k, 3).view(), general_number(k / 1000)) << static_cast<double>(k);
    }
    EXPECT_EQ(decimal_steps_text(0, 3).view(), "0");
    EXPECT_EQ(decimal_steps_text(-1571, 3).view(), "-1.571");
    EXPECT_EQ(decimal_steps_text(5, 5).view(), "5E-5");
    EXPECT_EQ(model_units_text(0.77L, ModelScale{100, 1, 1}).view(), "38.5");

    // Near and at ties of the fifth decimal, and the smallest steps.
    for (const long double value : {0.000005L, 0.000015L, -0.000025L, 1.234565L, 0.00001L, -0.00001L, 0.0001L, 0.00009L,
                                    99999999.99999L, -0.0L, 1e-320L})
        EXPECT_EQ(radius_text(value).view(), radius_number(value)) << static_cast<double>(value);
    EXPECT_EQ(radius_text(-0.000001L).view(), "0.00000");
    EXPECT_THROW(radius_text(1e31L), RangeError);
    EXPECT_THROW(radius_number(1e300L), RangeError);
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

TEST(ToModelUnits, TheWhole64BitRangeAndNothingBeyond)
{
    // 1 angstrom is 100 hundredths of a millimetre here: 2^56 angstrom
    // rounds to 100 * 2^56, inside the 64-bit range; 2^57 does not fit.
    const ModelScale scale{100, 1, 50};
    const long double inside = std::ldexp(1.0L, 56);
    EXPECT_EQ(ToModelUnits(inside, scale), inside);
    EXPECT_EQ(ToModelUnits(-inside, scale), -inside);
    for (const long double outside : {std::ldexp(1.0L, 57), -std::ldexp(1.0L, 57), static_cast<long double>(INFINITY),
                                      -static_cast<long double>(INFINITY), static_cast<long double>(NAN)}) {
        try {
            ToModelUnits(outside, scale);
            ADD_FAILURE() << "no error for " << static_cast<double>(outside);
        } catch (const RangeError& e) {
            EXPECT_NE(e.text().find("is too large for the model scale"), std::string::npos) << e.text();
        }
    }
    // A scale that is no number cannot round either.
    EXPECT_THROW(ToModelUnits(1, ModelScale{100, 1, static_cast<long double>(NAN)}), RangeError);
}

}  // namespace
}  // namespace vexalith
