#include "common/output_limit.h"

#include <gtest/gtest.h>

#include <string>

namespace vexalith {
namespace {

TEST(OutputLimit, SizesAsUsersWriteThem)
{
    EXPECT_EQ(parse_size("5000000"), 5000000u);
    EXPECT_EQ(parse_size("500M"), 500000000u);
    EXPECT_EQ(parse_size("4G"), 4000000000u);
    EXPECT_EQ(parse_size("4GB"), 4000000000u);
    EXPECT_EQ(parse_size(" 1.5 G "), 1500000000u);
    EXPECT_EQ(parse_size("12k"), 12000u);
    EXPECT_EQ(parse_size("2T"), 2000000000000u);
    EXPECT_EQ(parse_size("0"), 0u);
    for (const char* bad : {"", "G", "-1G", "1,5G", "12Q", "1e3", "lots", "18446744073709551616", "99999999T"})
        EXPECT_FALSE(parse_size(bad).has_value()) << bad;
}

TEST(OutputLimit, SizeTextsHaveThreeDigits)
{
    EXPECT_EQ(size_text(1), "1 byte");
    EXPECT_EQ(size_text(640), "640 bytes");
    EXPECT_EQ(size_text(12000), "12.0 kB");
    EXPECT_EQ(size_text(999499), "999 kB");
    EXPECT_EQ(size_text(999500), "1.00 MB");
    EXPECT_EQ(size_text(2117988496), "2.12 GB");
    EXPECT_EQ(size_text(kDefaultOutputLimit), "4.00 GB");
    EXPECT_EQ(size_text(10'800'000'000ULL), "10.8 GB");
}

TEST(OutputLimit, SinkStopsBeforeThePassingWrite)
{
    StringSink text;
    LimitedSink limited(text, 10, "out.stl", "the STL file");
    limited.write("12345");
    limited.write("67890");  // exactly the limit
    try {
        limited.write("x");
        FAIL() << "no error";
    } catch (const OutputTooLarge& e) {
        EXPECT_EQ(e.file(), "out.stl");
        EXPECT_NE(e.text().find("the STL file would be more than 10 bytes"), std::string::npos) << e.text();
        EXPECT_NE(e.text().find(kOutputLimitVariable), std::string::npos);
    }
    EXPECT_EQ(text.text(), "1234567890");
}

}  // namespace
}  // namespace vexalith
