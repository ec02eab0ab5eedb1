#include "structure/cell_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vexalith {
namespace {

Structure cell(long double a, long double b, long double c, long double alpha, long double beta, long double gamma)
{
    Structure m;
    m.CellA = a;
    m.CellB = b;
    m.CellC = c;
    m.CellAlpha = alpha;
    m.CellBeta = beta;
    m.CellGamma = gamma;
    return m;
}

long double length(const Vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

long double angle_degrees(const Vec3& u, const Vec3& v)
{
    const long double dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
    return std::acos(dot / (length(u) * length(v))) * 180.0L / std::numbers::pi_v<long double>;
}

TEST(CellGeometry, CubicCellScalesFractionalCoordinates)
{
    Structure m = cell(10, 10, 10, 90, 90, 90);
    SetupCellMatrices(m);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(static_cast<double>(m.OrthoMatrix[i][j]), i == j ? 10.0 : 0.0, 1e-15) << i << j;
    const Vec3 p = FracToCart(m, {0.05L, 0.1L, 0.15L});
    EXPECT_NEAR(static_cast<double>(p[0]), 0.5, 1e-15);
    EXPECT_NEAR(static_cast<double>(p[1]), 1.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(p[2]), 1.5, 1e-15);
}

TEST(CellGeometry, TriclinicCellVectorsReproduceTheCell)
{
    Structure m = cell(5, 7, 9, 80, 100, 110);
    SetupCellMatrices(m);
    const Vec3 a = FracToCart(m, {1, 0, 0});
    const Vec3 b = FracToCart(m, {0, 1, 0});
    const Vec3 c = FracToCart(m, {0, 0, 1});
    EXPECT_NEAR(static_cast<double>(a[0]), 4.92404, 5e-6);
    EXPECT_NEAR(static_cast<double>(a[1]), 0.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(a[2]), -0.86824, 5e-6);
    EXPECT_NEAR(static_cast<double>(b[0]), -2.21674, 5e-6);
    EXPECT_NEAR(static_cast<double>(b[1]), 6.52752, 5e-6);
    EXPECT_NEAR(static_cast<double>(b[2]), 1.21554, 5e-6);
    EXPECT_NEAR(static_cast<double>(c[0]), 0.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(c[1]), 0.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(c[2]), 9.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(length(a)), 5.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(length(b)), 7.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(angle_degrees(b, c)), 80.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(angle_degrees(a, c)), 100.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(angle_degrees(a, b)), 110.0, 1e-12);
}

TEST(CellGeometry, OrthoMatrixIsTheClosedFormAndInvertsFracMatrix)
{
    Structure m = cell(8.7038L, 12.204L, 4.9747L, 93.021L, 90.616L, 90.319L);
    SetupCellMatrices(m);
    const long double k = std::numbers::pi_v<long double> / 180;
    const long double ca = std::cos(k * m.CellAlpha), cb = std::cos(k * m.CellBeta), cg = std::cos(k * m.CellGamma),
                      sb = std::sin(k * m.CellBeta);
    const long double v = std::sqrt(1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg);
    const Mat3 closed{{{m.CellA * sb, m.CellB * (cg - ca * cb) / sb, 0},
                       {0, m.CellB * v / sb, 0},
                       {m.CellA * cb, m.CellB * ca, m.CellC}}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(static_cast<double>(m.OrthoMatrix[i][j]), static_cast<double>(closed[i][j]), 1e-14);
            // Frac^T * Ortho = identity, since Ortho = (Frac^-1)^T.
            long double sum = 0;
            for (int r = 0; r < 3; ++r)
                sum += m.FracMatrix[r][i] * m.OrthoMatrix[r][j];
            EXPECT_NEAR(static_cast<double>(sum), i == j ? 1.0 : 0.0, 1e-15);
        }
}

TEST(CellGeometry, DefaultCellMakesFractionalEqualCartesian)
{
    Structure m;
    SetupCellMatrices(m);
    const Vec3 p = FracToCart(m, {0.3L, -1.2L, 2.5L});
    EXPECT_NEAR(static_cast<double>(p[0]), 0.3, 1e-15);
    EXPECT_NEAR(static_cast<double>(p[1]), -1.2, 1e-15);
    EXPECT_NEAR(static_cast<double>(p[2]), 2.5, 1e-15);
}

TEST(CellGeometry, CellsWithoutAValidMatrixAreNamed)
{
    EXPECT_FALSE(cell_problem(cell(5, 7, 9, 80, 100, 110)));
    EXPECT_TRUE(cell_problem(cell(0, 7, 9, 90, 90, 90)));   // zero length
    EXPECT_TRUE(cell_problem(cell(5, -7, 9, 90, 90, 90)));  // negative length
    EXPECT_TRUE(cell_problem(cell(5, 7, 9, 90, 180, 90)));  // sin(beta) = 0
    EXPECT_TRUE(cell_problem(cell(5, 7, 9, 10, 10, 170)));  // negative under the root
    EXPECT_TRUE(cell_problem(cell(5, 7, 9, 60, 60, 120)));  // flat cell: zero volume
    EXPECT_TRUE(cell_problem(cell(5, 7, 9, 90, 90, std::nanl(""))));
}

}  // namespace
}  // namespace vexalith
