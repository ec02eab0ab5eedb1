#include "structure/cif_tokens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

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

TEST(RowSplitter, QuickPathSplitsAsTheGeneralOne)
{
    // Rows made of the characters that matter to splitting: every split
    // must give the tokens of the general path, whichever path it took.
    const std::string alphabet = " \t()'\"ab";
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<std::size_t> length(0, 14);
    RowSplitter quick;
    RowSplitter general;
    for (int n = 0; n < 200000; ++n) {
        std::string line(length(random), ' ');
        for (char& c : line)
            c = alphabet[pick(random)];
        const auto& fast = quick.split(line);
        const auto& slow = general.split_general(line);
        const Tokens all(slow.begin(), slow.end());
        ASSERT_EQ(Tokens(fast.begin(), fast.end()), all) << '[' << line << ']';
        // The first k tokens alone are the first k of the whole split.
        const std::size_t k = n % 5;
        const auto& first = quick.split_first(line, k);
        ASSERT_EQ(Tokens(first.begin(), first.end()), Tokens(all.begin(), all.begin() + std::min(k, all.size())))
            << '[' << line << "] " << k;
    }
    // Real atom rows with quoted names are split as views of the row.
    const std::string row = R"(ATOM 1 O "O5'" . A 'A 1' 1.5 -2.25 "3")";
    const auto& tokens = quick.split(row);
    EXPECT_EQ(Tokens(tokens.begin(), tokens.end()),
              (Tokens{"ATOM", "1", "O", "O5'", ".", "A", "A 1", "1.5", "-2.25", "3"}));
    EXPECT_TRUE(tokens[3].data() >= row.data() && tokens[3].data() < row.data() + row.size());
}

TEST(RowSplitter, TheGeneralSplitStopsAfterTheTokensAskedFor)
{
    for (const std::string_view line : {std::string_view(R"(C1 'C a' 0.1(2) 0.2 0.3 "x" 8)"),
                                        std::string_view("C1\tC 0.1 0.2\t0.3 7 8"), std::string_view("  C1(2)  ")}) {
        RowSplitter splitter;
        const auto& views = splitter.split_general(line);
        const Tokens all(views.begin(), views.end());
        for (std::size_t most = 0; most <= all.size() + 1; ++most) {
            const auto& first = splitter.split_general(line, most);
            EXPECT_EQ(Tokens(first.begin(), first.end()),
                      Tokens(all.begin(), all.begin() + static_cast<long>(std::min(most, all.size()))))
                << line << " " << most;
        }
    }
}

TEST(TagWords, FirstWordAndTrim)
{
    EXPECT_EQ(first_word("   _atom_site_label  C1"), "_atom_site_label");
    EXPECT_EQ(first_word("\t_cell_length_a"), "_cell_length_a");
    EXPECT_EQ(trim_left(" \t x y"), "x y");
}

}  // namespace
}  // namespace vexalith
