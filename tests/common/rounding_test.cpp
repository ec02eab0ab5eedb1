#include "common/rounding.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <random>

namespace vexalith {
namespace {

// nearbyint in the to-nearest mode is the reference: ties go to even.
long double reference(long double value)
{
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double result = std::nearbyint(value);
    std::fesetround(saved);
    return result;
}

void expect_same(long double value)
{
    const long double got = round_half_even(value);
    const long double want = reference(value);
    if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(got));
        return;
    }
    EXPECT_EQ(got, want) << static_cast<double>(value);
    EXPECT_EQ(std::signbit(got), std::signbit(want)) << static_cast<double>(value);
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour)
{
    EXPECT_EQ(round_half_even(0.5L), 0.0L);
    EXPECT_EQ(round_half_even(1.5L), 2.0L);
    EXPECT_EQ(round_half_even(2.5L), 2.0L);
    EXPECT_EQ(round_half_even(-2.5L), -2.0L);
    EXPECT_EQ(round_half_even(-3.5L), -4.0L);
    EXPECT_EQ(round_half_even(3850.0000000000001L), 3850.0L);
    EXPECT_TRUE(std::signbit(round_half_even(-0.4L)));
}

TEST(RoundHalfEven, AgreesWithNearbyintEverywhere)
{
    const long double big = 9223372036854775808.0L;  // 2^63
    for (long double value :
         {0.0L, -0.0L, big, -big, big - 0.5L, -(big - 0.5L), big / 2 + 0.5L, 4611686018427387903.5L, 1e30L, -1e30L,
          std::numeric_limits<long double>::max(), std::numeric_limits<long double>::denorm_min(),
          std::numeric_limits<long double>::infinity(), -std::numeric_limits<long double>::infinity(),
          std::numeric_limits<long double>::quiet_NaN()})
        expect_same(value);
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> fraction(-1, 1);
    std::uniform_int_distribution<int> exponent(-4, 66);
    for (int n = 0; n < 200000; ++n) {
        const long double value = std::ldexp(static_cast<long double>(fraction(random)), exponent(random));
        expect_same(value);
        expect_same(std::floor(value) + 0.5L);  // a tie
    }
}

TEST(RoundHalfEven, IgnoresTheCallersRoundingMode)
{
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(mode);
        const long double up = round_half_even(2.5L);
        const long double down = round_half_even(-1.2L);
        const long double near = round_half_even(7.7L);
        const int after = std::fegetround();
        std::fesetround(FE_TONEAREST);
        EXPECT_EQ(up, 2.0L);
        EXPECT_EQ(down, -1.0L);
        EXPECT_EQ(near, 8.0L);
        EXPECT_EQ(after, mode);
    }
}

}  // namespace
}  // namespace vexalith
