#include "structure/element_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace vexalith {
namespace {

TEST(ElementTable, HasOneHundredAndNineDistinctUpperCaseRows)
{
    ASSERT_EQ(ElementTable.size(), 109u);
    std::set<std::string_view> symbols;
    for (const ElementRow& row : ElementTable) {
        EXPECT_TRUE(symbols.insert(row.symbol).second) << row.symbol;
        for (char c : row.symbol)
            EXPECT_TRUE(c >= 'A' && c <= 'Z') << row.symbol;
    }
    EXPECT_EQ(ElementTable.front().symbol, "H");
    EXPECT_EQ(element_row(106).symbol, "CT");
    EXPECT_EQ(element_row(108).symbol, "HX");
    EXPECT_EQ(element_row(109).symbol, "Q");
}

TEST(ElementTable, RadiiAreAtomicSizes)
{
    for (int row = 1; row <= 109; ++row) {
        const long double covalent = ReadCovalentRadius(row);
        const long double vdw = ReadVanDerWaalsRadius(row);
        EXPECT_GE(covalent, 0.3L) << row;
        EXPECT_LE(covalent, 2.7L) << row;
        EXPECT_GE(vdw, 0.5L) << row;
        EXPECT_LE(vdw, 3.48L) << row;
    }
    // Mercury's van der Waals radius is 1.55 angstrom.
    EXPECT_EQ(GetElementIndex("HG"), 80);
    EXPECT_EQ(ReadVanDerWaalsRadius(80), 1.55L);
}

TEST(ElementTable, Lookups)
{
    EXPECT_EQ(GetElementIndex("CL"), 17);
    EXPECT_EQ(element_row(17).colour, "0.439  0.859  0.576");
    EXPECT_EQ(ReadCovalentRadius(17), 0.99L);
    EXPECT_EQ(ReadVanDerWaalsRadius(17), 1.75L);
    // A label H1A read without a type symbol is HA, row 105, not hydrogen.
    EXPECT_EQ(GetElementIndex("HA"), 105);
    EXPECT_EQ(ReadCovalentRadius(105), 1.8L);
    EXPECT_EQ(element_row(GetElementIndex("C")).colour, "0.45  0.45  0.45");
    EXPECT_EQ(ReadVanDerWaalsRadius(GetElementIndex("C")), 1.7L);
    // Exact spacing of the colour texts is kept.
    EXPECT_EQ(element_row(GetElementIndex("O")).colour, "1 0  0");
    EXPECT_EQ(element_row(GetElementIndex("K")).colour, "0.6  0.196 0.8");
    // Case-sensitive, no prefix matching.
    EXPECT_EQ(GetElementIndex("Cl"), 0);
    EXPECT_EQ(GetElementIndex("OW"), 0);
    EXPECT_EQ(GetElementIndex(""), 0);
    EXPECT_EQ(GetElementIndex("Q"), 109);
}

TEST(ElementTable, QIsNotAKnownSymbol)
{
    EXPECT_TRUE(is_known_symbol("HX"));
    EXPECT_TRUE(is_known_symbol("D"));
    EXPECT_FALSE(is_known_symbol("Q"));
    EXPECT_FALSE(is_known_symbol("XX"));
    EXPECT_FALSE(is_known_symbol("c"));
}

TEST(ElementTable, LookupByLettersEqualsScanningTheRows)
{
    // Every text of up to three characters drawn from letters of both cases,
    // a digit, a blank and a byte outside ASCII.
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabz0 \xC3";
    std::vector<std::string> texts{""};
    for (std::size_t length = 1; length <= 3; ++length) {
        const std::size_t before = texts.size();
        for (std::size_t t = 0; t < before; ++t)
            if (texts[t].size() == length - 1)
                for (char c : alphabet)
                    texts.push_back(texts[t] + c);
    }
    int known = 0;
    for (const std::string& text : texts) {
        int scanned = 0;
        for (std::size_t i = 0; i < ElementTable.size() && scanned == 0; ++i)
            if (ElementTable[i].symbol == text)
                scanned = static_cast<int>(i) + 1;
        ASSERT_EQ(GetElementIndex(text), scanned) << text;
        ASSERT_EQ(is_known_symbol(text), scanned >= 1 && scanned <= ElementCount) << text;
        known += is_known_symbol(text) ? 1 : 0;
    }
    EXPECT_EQ(known, ElementCount);
}

}  // namespace
}  // namespace vexalith
