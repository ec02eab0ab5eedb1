#include "structure/cell_geometry.h"

#include <cmath>
#include <numbers>

namespace vexalith {
namespace {

constexpr long double kDegree = std::numbers::pi_v<long double> / 180.0L;

struct Trig {
    long double ca, cb, cg, sb;
    long double radicand;  // 1 - ca^2 - cb^2 - cg^2 + 2 ca cb cg, the volume factor squared
    long double v;         // its root, 0 when it is not positive
};

Trig cell_trig(const Structure& m)
{
    Trig t{};
    t.ca = std::cos(kDegree * m.CellAlpha);
    t.cb = std::cos(kDegree * m.CellBeta);
    t.cg = std::cos(kDegree * m.CellGamma);
    t.sb = std::sin(kDegree * m.CellBeta);
    t.radicand = 1 - t.ca * t.ca - t.cb * t.cb - t.cg * t.cg + 2 * t.ca * t.cb * t.cg;
    t.v = t.radicand > 0 ? std::sqrt(t.radicand) : 0;
    return t;
}

// General 3 x 3 inverse by cofactors.
Mat3 inverse(const Mat3& m)
{
    const long double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    const long double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const long double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    const long double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    Mat3 r{};
    r[0][0] = c00 / det;
    r[1][0] = c01 / det;
    r[2][0] = c02 / det;
    r[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    r[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    r[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    r[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    r[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    r[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    return r;
}

Mat3 transpose(const Mat3& m)
{
    Mat3 t{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            t[i][j] = m[j][i];
    return t;
}

}  // namespace

std::optional<std::string> cell_problem(const Structure& m)
{
    for (long double length : {m.CellA, m.CellB, m.CellC})
        if (!std::isfinite(length) || !(length > 0))
            return "a cell length is not a positive number";
    for (long double angle : {m.CellAlpha, m.CellBeta, m.CellGamma})
        if (!std::isfinite(angle))
            return "a cell angle is not a number";
    const Trig t = cell_trig(m);
    if (t.sb == 0)
        return "sin(beta) is zero";
    // A (nearly) flat cell has no usable matrix either.
    if (!(t.radicand > 1e-10L))
        return "the angles do not form a cell";
    return std::nullopt;
}

void SetupCellMatrices(Structure& m)
{
    const Trig t = cell_trig(m);
    const long double a = m.CellA, b = m.CellB, c = m.CellC;
    Mat3& f = m.FracMatrix;
    f[0] = {1 / (a * t.sb), 0, -t.cb / (c * t.sb)};
    f[1] = {(t.ca * t.cb - t.cg) / (a * t.v * t.sb), t.sb / (b * t.v), (t.cb * t.cg - t.ca) / (c * t.v * t.sb)};
    f[2] = {0, 0, 1 / c};
    m.OrthoMatrix = transpose(inverse(f));
}

Vec3 FracToCart(const Structure& m, const Vec3& f)
{
    const Mat3& o = m.OrthoMatrix;
    Vec3 r{};
    for (int i = 0; i < 3; ++i)
        r[i] = o[i][0] * f[0] + o[i][1] * f[1] + o[i][2] * f[2];
    return r;
}

}  // namespace vexalith
