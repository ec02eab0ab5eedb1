#include "structure/cif_tokens.h"

#include <gtest/gtest.h>

namespace vexalith {
namespace {

using Tokens = std::vector<std::string>;

Tokens split(std::string_view line)
{
    RowSplitter splitter;
    const auto& views = splitter.split(line);
    return Tokens(views.begin(), views.end());
}

TEST(RowSplitter, DropsUncertaintiesAndLeadingBlanks)
{
    EXPECT_EQ(split("  C1 C 0.1(2) 0.25 0.75(11)"), (Tokens{"C1", "C", "0.1", "0.25", "0.75"}));
    EXPECT_EQ(split("Ru(1) 0.1234(5) (7)x"), (Tokens{"Ru", "0.1234", "x"}));
    EXPECT_EQ(split("O-H(1) 0.5"), (Tokens{"O-H", "0.5"}));
    EXPECT_EQ(split("C1 0.5(3"), (Tokens{"C1", "0.5"}));  // an unclosed group runs to the end
}

TEST(RowSplitter, TabsAreBlanks)
{
    EXPECT_EQ(split("Si1\tSi\t0.1 \t0.2\t\t0.3"), (Tokens{"Si1", "Si", "0.1", "0.2", "0.3"}));
}

TEST(RowSplitter, QuotedValuesAreOneToken)
{
    EXPECT_EQ(split(R"(A  "H5' " H  H  0.000 -1.931 0.694)"),
              (Tokens{"A", "H5' ", "H", "H", "0.000", "-1.931", "0.694"}));
    EXPECT_EQ(split(R"(6HE N1 'N A' N 1.0)"), (Tokens{"6HE", "N1", "N A", "N", "1.0"}));
    EXPECT_EQ(split(R"(ATP "O5'" O 1.0)"), (Tokens{"ATP", "O5'", "O", "1.0"}));
    // A quote inside a word does not open a value; one not followed by a blank does not close it.
    EXPECT_EQ(split(R"(C5' 'a'b' c)"), (Tokens{"C5'", "a'b", "c"}));
    // Parentheses inside quotes stay.
    EXPECT_EQ(split(R"('C(1)' 0.5(2))"), (Tokens{"C(1)", "0.5"}));
    // An unclosed quote runs to the end of the line.
    EXPECT_EQ(split(R"(X 'a b)"), (Tokens{"X", "a b"}));
    EXPECT_EQ(split(R"(X '' Y)"), (Tokens{"X", "", "Y"}));
}

TEST(RowSplitter, EmptyAndBlankLinesGiveNoTokens)
{
    EXPECT_TRUE(split("").empty());
    EXPECT_TRUE(split(" \t  ").empty());
}

TEST(TagWords, FirstWordAndTrim)
{
    EXPECT_EQ(first_word("   _atom_site_label  C1"), "_atom_site_label");
    EXPECT_EQ(first_word("\t_cell_length_a"), "_cell_length_a");
    EXPECT_EQ(trim_left(" \t x y"), "x y");
}

}  // namespace
}  // namespace vexalith
