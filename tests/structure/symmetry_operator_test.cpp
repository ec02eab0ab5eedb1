#include "structure/symmetry_operator.h"

#include <gtest/gtest.h>

#include <string>

namespace vexalith {
namespace {

SymmetryOperator parsed(const std::string& text)
{
    std::string problem;
    const auto op = parse_symmetry_operator(text, problem);
    EXPECT_TRUE(op.has_value()) << text << ": " << problem;
    return op.value_or(SymmetryOperator{});
}

// Every spelling the corpus files use means the same operation.
TEST(SymmetryOperator, SpellingsOfOneOperation)
{
    const SymmetryOperator expected = parsed("-x+1/2,y,-z+1/2");
    for (const char* text : {"-x+1/2, y, -z+1/2", "1/2-x,y,1/2-z", "  -x+1/2 ,  +y ,  1/2-z", "-X+1/2,Y,-Z+1/2",
                             "-x+0.5,y,-z+0.5", "-x+.5,y,.5-z", "0.5-x, +y, 0.50-z"})
        EXPECT_EQ(parsed(text), expected) << text;
    EXPECT_EQ(expected.rotation[0][0], -1);
    EXPECT_EQ(expected.rotation[1][1], 1);
    EXPECT_EQ(expected.translation[2], 0.5L);
}

TEST(SymmetryOperator, HexagonalAndMixedAxes)
{
    const SymmetryOperator op = parsed("x-y,x,z+1/3");
    EXPECT_EQ(op.rotation[0][0], 1);
    EXPECT_EQ(op.rotation[0][1], -1);
    EXPECT_EQ(op.rotation[1][0], 1);
    EXPECT_EQ(op.translation[2], 1.0L / 3);
    const Vec3 image = op.apply({0.25L, 0.5L, 0.0L});
    EXPECT_EQ(image[0], -0.25L);
    EXPECT_EQ(image[1], 0.25L);
    EXPECT_EQ(image[2], 1.0L / 3);
    EXPECT_EQ(parsed("x,y,z"), identity_operator());
}

TEST(SymmetryOperator, MalformedOperationsSayWhy)
{
    for (const char* text :
         {"x,y", "x,y,z,x", "x,y,w", "x,y,", "x+,y,z", "x,y,z+1/0", "x,x,z", "2x,y,z", "x y,y,z", ""}) {
        std::string problem;
        EXPECT_FALSE(parse_symmetry_operator(text, problem).has_value()) << text;
        EXPECT_FALSE(problem.empty()) << text;
    }
}

}  // namespace
}  // namespace vexalith
