#include "viewer/hidden_bond_ends.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace vexalith::viewer {
namespace {

using Point = std::array<double, 3>;

Point at(const float* p) { return {p[0], p[1], p[2]}; }

double distance(const Point& p, const Point& q)
{
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]));
}

SphereInstance sphere(float x, float y, float z, float r) { return {{x, y, z}, r, 0}; }

CylinderInstance cylinder(const Point& a, const Point& b, float r, uint32_t material = 7)
{
    return {{static_cast<float>(a[0]), static_cast<float>(a[1]), static_cast<float>(a[2])},
            {static_cast<float>(b[0]), static_cast<float>(b[1]), static_cast<float>(b[2])},
            r,
            material};
}

TEST(HiddenBondEnds, BallAndStickBondsKeepWhatShowsBetweenTheAtoms)
{
    // Atoms of radius 0.135 at both ends of a bond of radius 0.0455 and
    // length 0.53, as the ribosome's scene has them.
    const std::vector<SphereInstance> spheres{sphere(0, 0, 0, 0.135f), sphere(0.53f, 0, 0, 0.135f)};
    std::vector<CylinderInstance> cylinders{cylinder({0, 0, 0}, {0.53, 0, 0}, 0.0455f)};
    const HiddenBondEnds cut = cut_hidden_bond_ends(cylinders, spheres);
    EXPECT_EQ(cut.shortened, 1u);
    EXPECT_EQ(cut.removed, 0u);
    ASSERT_EQ(cylinders.size(), 1u);
    const double inside = std::sqrt(0.135 * 0.135 - 0.0455 * 0.0455);  // 0.1271
    EXPECT_NEAR(cylinders[0].end_a[0], inside, 0.001 * inside + 1e-6);
    EXPECT_LT(cylinders[0].end_a[0], inside) << "the new cap lies strictly inside";
    EXPECT_NEAR(cylinders[0].end_b[0], 0.53 - inside, 0.001 * inside + 1e-6);
    EXPECT_EQ(cylinders[0].end_a[1], 0.0f);
    EXPECT_EQ(cylinders[0].radius, 0.0455f);
    EXPECT_EQ(cylinders[0].material, 7u);
}

TEST(HiddenBondEnds, BondsWithoutAtomsAtTheirEndsStayWhole)
{
    // A thin atom, thinner than the bond, hides none of it; a backbone
    // segment between trace points has no atoms at its ends at all.
    const std::vector<SphereInstance> spheres{sphere(0, 0, 0, 0.04f), sphere(5, 5, 5, 0.3f)};
    std::vector<CylinderInstance> cylinders{cylinder({0, 0, 0}, {1, 0, 0}, 0.05f),
                                            cylinder({-3, -3, -3}, {-2, -3, -3}, 0.05f)};
    const std::vector<CylinderInstance> before = cylinders;
    const HiddenBondEnds cut = cut_hidden_bond_ends(cylinders, spheres);
    EXPECT_EQ(cut.shortened, 0u);
    ASSERT_EQ(cylinders.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(cylinders[i].end_a[k], before[i].end_a[k]);
            EXPECT_EQ(cylinders[i].end_b[k], before[i].end_b[k]);
        }
    std::vector<CylinderInstance> none{cylinder({0, 0, 0}, {1, 0, 0}, 0.05f)};
    EXPECT_EQ(cut_hidden_bond_ends(none, {}).shortened, 0u);
    EXPECT_EQ(none.size(), 1u);
}

TEST(HiddenBondEnds, CovalentRadiusBondsInsideTheirAtomsGo)
{
    // Spheres that overlap over the whole bond: nothing of it shows.  (Two
    // that only touch leave the bond's middle showing.)  The order of the
    // others is kept.
    const std::vector<SphereInstance> spheres{sphere(0, 0, 0, 0.9f), sphere(1.54f, 0, 0, 0.9f), sphere(10, 0, 0, 0.1f),
                                              sphere(11.5f, 0, 0, 0.1f)};
    std::vector<CylinderInstance> cylinders{cylinder({10, 0, 0}, {11.5, 0, 0}, 0.05f),
                                            cylinder({0, 0, 0}, {1.54, 0, 0}, 0.2f),
                                            cylinder({10, 1, 0}, {11.5, 1, 0}, 0.05f)};
    const HiddenBondEnds cut = cut_hidden_bond_ends(cylinders, spheres);
    EXPECT_EQ(cut.removed, 1u);
    EXPECT_EQ(cut.shortened, 1u);
    ASSERT_EQ(cylinders.size(), 2u);
    EXPECT_GT(cylinders[0].end_a[0], 10.0f);
    EXPECT_EQ(cylinders[1].end_a[0], 10.0f);
    EXPECT_EQ(cylinders[1].end_a[1], 1.0f);

    std::vector<CylinderInstance> touching{cylinder({0, 0, 0}, {1.54, 0, 0}, 0.2f)};
    const std::vector<SphereInstance> covalent{sphere(0, 0, 0, 0.77f), sphere(1.54f, 0, 0, 0.77f)};
    EXPECT_EQ(cut_hidden_bond_ends(touching, covalent).shortened, 1u);
    ASSERT_EQ(touching.size(), 1u);
    EXPECT_LT(touching[0].end_a[0], 0.77f);
    EXPECT_GT(touching[0].end_b[0], 0.77f);
}

// Random scenes, near and far from the origin: every point of a bond's
// surface that was cut off lies strictly inside some sphere (found by
// looking at every sphere), and what is kept is the bond's own axis.
TEST(HiddenBondEnds, WhatIsCutOffLiesInsideAnAtom)
{
    std::mt19937 rng(20261208);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::size_t cut_ends = 0;
    std::size_t checked = 0;
    for (const double offset : {0.0, -1000.0, 4096.0}) {
        std::vector<SphereInstance> spheres;
        std::vector<CylinderInstance> cylinders;
        for (int i = 0; i < 400; ++i) {
            const Point a{offset + 8 * unit(rng), offset + 8 * unit(rng), 8 * unit(rng)};
            const Point b{a[0] + unit(rng), a[1] + unit(rng), a[2] + unit(rng)};
            const float r = static_cast<float>(0.02 + 0.1 * (unit(rng) + 1));
            cylinders.push_back(cylinder(a, b, r, static_cast<uint32_t>(i)));  // told apart by material
            // Atoms at the ends, some a little off them, some smaller than
            // the bond, some missing.
            for (const Point& end : {a, b}) {
                if (unit(rng) < -0.7)
                    continue;
                const double off = unit(rng) > 0.5 ? 0.05 : 0.0;
                spheres.push_back(sphere(static_cast<float>(end[0] + off * unit(rng)),
                                         static_cast<float>(end[1] + off * unit(rng)), static_cast<float>(end[2]),
                                         static_cast<float>(0.05 + 0.4 * (unit(rng) + 1))));
            }
        }
        const std::vector<CylinderInstance> before = cylinders;
        const HiddenBondEnds cut = cut_hidden_bond_ends(cylinders, spheres);
        ASSERT_EQ(cylinders.size() + cut.removed, before.size());
        std::vector<const CylinderInstance*> kept_of(before.size(), nullptr);
        for (const CylinderInstance& c : cylinders)
            kept_of[c.material] = &c;
        for (const CylinderInstance& old : before) {
            const Point a = at(old.end_a);
            const Point b = at(old.end_b);
            const double length = distance(a, b);
            const Point axis{(b[0] - a[0]) / length, (b[1] - a[1]) / length, (b[2] - a[2]) / length};
            // Two directions across the axis.
            Point u = std::fabs(axis[0]) < 0.9 ? Point{1, 0, 0} : Point{0, 1, 0};
            const double along = u[0] * axis[0] + u[1] * axis[1] + u[2] * axis[2];
            u = {u[0] - along * axis[0], u[1] - along * axis[1], u[2] - along * axis[2]};
            const double norm = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
            u = {u[0] / norm, u[1] / norm, u[2] / norm};
            const Point v{axis[1] * u[2] - axis[2] * u[1], axis[2] * u[0] - axis[0] * u[2],
                          axis[0] * u[1] - axis[1] * u[0]};
            // The kept part [from, to] along the axis (none when removed).
            double from = length;
            double to = length;
            if (const CylinderInstance* k = kept_of[old.material]) {
                EXPECT_EQ(k->radius, old.radius);
                const Point ka = at(k->end_a);
                const Point kb = at(k->end_b);
                from = distance(a, ka);
                to = distance(a, kb);
                // The kept ends lie on the old axis, in order, within a few
                // units in the last place of a float there.
                const double ulps = 1e-5 + 4.8e-7 * (std::fabs(offset) + 10);
                EXPECT_LT(distance(ka, {a[0] + from * axis[0], a[1] + from * axis[1], a[2] + from * axis[2]}), ulps);
                EXPECT_LT(distance(kb, {a[0] + to * axis[0], a[1] + to * axis[1], a[2] + to * axis[2]}), ulps);
                EXPECT_LE(from, to);
                // And as much is cut as the spheres about each end hide (by
                // a look at every sphere).
                const auto hidden = [&](const Point& end) {
                    double most = 0;
                    for (const SphereInstance& s : spheres) {
                        const double reach = s.radius - distance(end, at(s.centre));
                        if (reach > old.radius)
                            most = std::max(most, std::sqrt(reach * reach - double{old.radius} * old.radius));
                    }
                    return 0.999 * most;
                };
                EXPECT_NEAR(from, hidden(a), 2 * ulps);
                EXPECT_NEAR(length - to, hidden(b), 2 * ulps);
                cut_ends += (from > 0) + (to < length - 1e-6);
            }
            for (int s = 0; s <= 40; ++s) {
                const double t = length * s / 40;
                if (t > from + 1e-4 && t < to - 1e-4)
                    continue;  // kept
                if (t >= from - 1e-4 && t <= to + 1e-4 && from < to)
                    continue;  // at a cut: the cap stands in for it
                for (int turn = 0; turn < 8; ++turn) {
                    const double angle = turn * 0.785398;
                    const double c = std::cos(angle) * old.radius;
                    const double d = std::sin(angle) * old.radius;
                    const Point p{a[0] + t * axis[0] + c * u[0] + d * v[0], a[1] + t * axis[1] + c * u[1] + d * v[1],
                                  a[2] + t * axis[2] + c * u[2] + d * v[2]};
                    bool inside = false;
                    for (const SphereInstance& s : spheres)
                        inside = inside || distance(p, at(s.centre)) < s.radius;
                    EXPECT_TRUE(inside) << "a point cut off " << t << " along a bond of " << length
                                        << " lies outside every atom";
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(cut_ends, 400u);
    EXPECT_GT(checked, 10000u);
}

}  // namespace
}  // namespace vexalith::viewer
