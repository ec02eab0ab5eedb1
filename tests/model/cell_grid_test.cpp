#include "model/cell_grid.h"

#include "model/vector3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace vexalith {
namespace {

// The ids a query must visit: those in the 27 cells around the point (cell
// numbers taken through double, as the grid does), found by looking at
// every point.
std::vector<int32_t> brute_force(const std::vector<Vec3>& points, const Vec3& p, long double cell)
{
    std::vector<int32_t> ids;
    for (std::size_t k = 0; k < points.size(); ++k) {
        bool near = true;
        for (int c = 0; c < 3; ++c)
            near = near && std::fabs(std::floor(static_cast<double>(points[k][c] / cell)) -
                                     std::floor(static_cast<double>(p[c] / cell))) <= 1;
        if (near)
            ids.push_back(static_cast<int32_t>(k));
    }
    return ids;
}

std::vector<int32_t> visited(const CellGrid& grid, const Vec3& p)
{
    std::vector<int32_t> ids;
    grid.for_each_near(p, [&](int32_t id) {
        ids.push_back(id);
        return true;
    });
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Points in a compact cloud (every cell of the box gets a slot) and in
// clusters far apart (only occupied cells are kept): each query visits
// exactly the points of its 27 cells, once each, and so every point closer
// than the search distance.
TEST(CellGrid, VisitsExactlyTheTwentySevenCellsAroundAPoint)
{
    std::mt19937_64 random(3);
    for (const long double spread : {30.0L, 1e7L}) {
        std::uniform_real_distribution<double> offset(-5, 5);
        std::uniform_real_distribution<double> centre(-static_cast<double>(spread), static_cast<double>(spread));
        std::vector<Vec3> points;
        for (int cluster = 0; cluster < 12; ++cluster) {
            const Vec3 c{static_cast<long double>(centre(random)), static_cast<long double>(centre(random)),
                         static_cast<long double>(centre(random))};
            for (int n = 0; n < 150; ++n)
                points.push_back(Vec3{c[0] + offset(random), c[1] + offset(random), c[2] + offset(random)});
        }
        const long double distance = 1.9L;
        CellGrid grid(distance);
        for (std::size_t k = 0; k < points.size(); ++k)
            grid.insert(points[k], static_cast<int32_t>(k));
        grid.seal();
        const long double cell = distance * (1 + 1e-6L);
        for (std::size_t q = 0; q < points.size(); q += 7) {
            // Query at a point and beside it, also outside the occupied box.
            for (const Vec3& p : {points[q], Vec3{points[q][0] + 3.3L, points[q][1] - 40, points[q][2]}}) {
                const std::vector<int32_t> got = visited(grid, p);
                ASSERT_EQ(got, brute_force(points, p, cell)) << static_cast<double>(spread);
                // The same ids with their positions in double.
                std::vector<int32_t> with_points;
                grid.for_each_near_point(p, [&](int32_t id, const std::array<double, 3>& at) {
                    const Vec3& exact = points[static_cast<std::size_t>(id)];
                    EXPECT_EQ(at[0], static_cast<double>(exact[0]));
                    EXPECT_EQ(at[1], static_cast<double>(exact[1]));
                    EXPECT_EQ(at[2], static_cast<double>(exact[2]));
                    with_points.push_back(id);
                    return true;
                });
                std::sort(with_points.begin(), with_points.end());
                ASSERT_EQ(with_points, got);
                for (std::size_t k = 0; k < points.size(); ++k) {
                    const Vec3 w = points[k] - p;
                    if (dot(w, w) < distance * distance) {
                        ASSERT_TRUE(std::binary_search(got.begin(), got.end(), static_cast<int32_t>(k)));
                    }
                }
            }
        }
    }
}

TEST(CellGrid, EmptyGridAndEarlyStop)
{
    CellGrid empty(2);
    empty.seal();
    EXPECT_TRUE(visited(empty, Vec3{0, 0, 0}).empty());

    CellGrid grid(2);
    for (int32_t k = 0; k < 10; ++k)
        grid.insert(Vec3{0.1L * k, 0, 0}, k);
    grid.seal();
    int calls = 0;
    grid.for_each_near(Vec3{0, 0, 0}, [&](int32_t) { return ++calls < 3; });
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(grid.usable(Vec3{1e300L, 0, 0}));
    EXPECT_FALSE(grid.usable(Vec3{0, std::nanl(""), 0}));
}

}  // namespace
}  // namespace vexalith
