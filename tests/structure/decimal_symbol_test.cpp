#include "structure/decimal_symbol.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>

namespace vexalith {
namespace {

TEST(DecimalSymbol, ReplacesOnlyTheSeparator)
{
    std::string a = "1,234,5";
    replacedecimalsymbol(a, false);
    EXPECT_EQ(a, "1.234.5");
    std::string b = "2.50";
    replacedecimalsymbol(b, true);
    EXPECT_EQ(b, "2,50");
    std::string c = "a.b,c";
    replacedecimalsymbol(c, false);
    EXPECT_EQ(c, "a.b.c");
}

TEST(DecimalSymbol, ReadsNumbersWithEitherSeparator)
{
    EXPECT_EQ(text_to_float("1.5"), 1.5L);
    EXPECT_EQ(text_to_float("1,5"), 1.5L);
    EXPECT_EQ(text_to_float(".5"), 0.5L);
    EXPECT_EQ(text_to_float("1."), 1.0L);
    EXPECT_EQ(text_to_float("  -2.5e3 "), -2500.0L);
    EXPECT_EQ(text_to_float("+7"), 7.0L);
    EXPECT_EQ(text_to_float("1e-320"), 1e-320L);
    // Extended precision: the text is converted to long double, not to double.
    EXPECT_EQ(text_to_float("0.1"), 0.1L);
    EXPECT_NE(text_to_float("0.1"), static_cast<long double>(0.1));
}

// The quick path for plain decimals must give the bits the general
// conversion gives.
TEST(DecimalSymbol, PlainDecimalsConvertExactlyLikeTheGeneralConversion)
{
    std::mt19937_64 random(12345);
    for (int n = 0; n < 200000; ++n) {
        std::string text;
        const int before = static_cast<int>(random() % 12);
        const int after = static_cast<int>(random() % 30);
        for (int i = 0; i < before; ++i)
            text += static_cast<char>('0' + random() % 10);
        if (after > 0 || before == 0)
            text += '.';
        for (int i = 0; i < after; ++i)
            text += static_cast<char>('0' + random() % 10);
        if (text == ".")
            text = "0.5";
        long double expected = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_EQ(ec, std::errc()) << text;
        ASSERT_EQ(end, text.data() + text.size()) << text;
        const auto got = text_to_float(text);
        ASSERT_TRUE(got.has_value()) << text;
        ASSERT_EQ(*got, expected) << text;
        ASSERT_EQ(*text_to_float("-" + text), -expected) << text;
    }
}

TEST(DecimalSymbol, RejectsTextsThatAreNotFiniteNumbers)
{
    for (const char* text : {"?",       ".",    "",       "  ", "NaN", "nan", "Inf", "-inf", "infinity", "1.2.3",
                             "1,234.5", "0x10", "1e5000", "-",  "+",   "--1", "+-1", "5e",   "1 2",      "abc"})
        EXPECT_FALSE(text_to_float(text).has_value()) << '"' << text << '"';
}

TEST(DecimalSymbol, ReadsWholeNumbersInThe32BitRange)
{
    EXPECT_EQ(text_to_int("42"), 42);
    EXPECT_EQ(text_to_int("-1"), -1);
    EXPECT_EQ(text_to_int("+3"), 3);
    EXPECT_EQ(text_to_int("2147483647"), 2147483647);
    EXPECT_EQ(text_to_int("-2147483648"), -2147483647 - 1);
    for (const char* text : {"2147483648", "", ".", "1.", "1.5", "-", "?", "1-", "++1"})
        EXPECT_FALSE(text_to_int(text).has_value()) << '"' << text << '"';
}

}  // namespace
}  // namespace vexalith
