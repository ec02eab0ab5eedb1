// A sparse cubic grid of points for neighbour searches.  Points are binned by
// cell; only occupied cells are stored, so a wide or very uneven extent costs
// no more memory than a compact one.  A query visits the ids of the 27 cells
// around a point; every point closer than the search distance given at
// construction is among them (the cell is made slightly larger than that
// distance so that rounding cannot push a close pair two cells apart).
#pragma once

#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "structure/structure_model.h"

namespace vexalith {

class CellGrid {
public:
    // Whether a grid for this search distance can be built at all.
    static bool usable_distance(long double distance) { return std::isfinite(distance) && distance > 0; }

    explicit CellGrid(long double distance) : cell_(distance * (1 + 1e-6L)) {}

    // Whether a point can be binned: finite, and its cell number far from
    // the range where the division loses whole cells.
    bool usable(const Vec3& p) const
    {
        for (const long double c : p) {
            if (!std::isfinite(c) || std::fabs(c / cell_) > 1e12L)
                return false;
        }
        return true;
    }

    // `p` must be usable.
    void insert(const Vec3& p, int32_t id) { cells_[key(p)].push_back(id); }

    // Calls f(id) for every id binned in the 27 cells around `p` (which must
    // be usable), in no particular order, until f returns false.
    template <class F>
    void for_each_near(const Vec3& p, F&& f) const
    {
        const Key centre = key(p);
        for (int64_t dx = -1; dx <= 1; ++dx)
            for (int64_t dy = -1; dy <= 1; ++dy)
                for (int64_t dz = -1; dz <= 1; ++dz) {
                    const auto found = cells_.find(Key{centre.x + dx, centre.y + dy, centre.z + dz});
                    if (found == cells_.end())
                        continue;
                    for (const int32_t id : found->second)
                        if (!f(id))
                            return;
                }
    }

private:
    struct Key {
        int64_t x, y, z;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const
        {
            uint64_t h = static_cast<uint64_t>(k.x) * 0x9E3779B97F4A7C15ULL;
            h ^= static_cast<uint64_t>(k.y) * 0xC2B2AE3D27D4EB4FULL + (h << 6) + (h >> 2);
            h ^= static_cast<uint64_t>(k.z) * 0x165667B19E3779F9ULL + (h << 6) + (h >> 2);
            return static_cast<std::size_t>(h);
        }
    };

    Key key(const Vec3& p) const
    {
        return Key{static_cast<int64_t>(std::floor(p[0] / cell_)), static_cast<int64_t>(std::floor(p[1] / cell_)),
                   static_cast<int64_t>(std::floor(p[2] / cell_))};
    }

    long double cell_;
    std::unordered_map<Key, std::vector<int32_t>, KeyHash> cells_;
};

}  // namespace vexalith
