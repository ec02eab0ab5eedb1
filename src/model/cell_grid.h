// A cubic grid of points for neighbour searches.  Points are inserted, the
// grid is sealed, then queried: a query visits the ids of the 27 cells
// around a point; every point closer than the search distance given at
// construction is among them (the cell is made slightly larger than that
// distance so that rounding cannot push a close pair two cells apart).
//
// Sealing sorts the ids by cell.  When the occupied box holds not many more
// cells than points, every cell of the box gets a slot and a query reads
// nine runs of three neighbouring cells; a wide or very uneven extent keeps
// only its occupied cells in a hash table, so memory stays proportional to
// the points either way.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "structure/structure.h"

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

    // `p` must be usable; only before seal().
    void insert(const Vec3& p, int32_t id)
    {
        staged_.push_back(
            Staged{key(p), id, {static_cast<double>(p[0]), static_cast<double>(p[1]), static_cast<double>(p[2])}});
    }

    // Arranges the inserted points for queries.
    void seal()
    {
        if (staged_.empty())
            return;
        low_ = high_ = staged_.front().key;
        for (const Staged& s : staged_) {
            low_ = Key{std::min(low_.x, s.key.x), std::min(low_.y, s.key.y), std::min(low_.z, s.key.z)};
            high_ = Key{std::max(high_.x, s.key.x), std::max(high_.y, s.key.y), std::max(high_.z, s.key.z)};
        }
        // Keys lie within 1e12 of 0 (usable()), so the number of cells of
        // the box is formed in long double and compared before any cast.
        const long double nx = static_cast<long double>(high_.x - low_.x) + 1;
        const long double ny = static_cast<long double>(high_.y - low_.y) + 1;
        const long double nz = static_cast<long double>(high_.z - low_.z) + 1;
        const long double cells = nx * ny * nz;
        dense_ = cells <= 8.0L * static_cast<long double>(staged_.size()) + 65536.0L && cells < 4294967295.0L;
        if (dense_)
            seal_dense(static_cast<int64_t>(nx), static_cast<int64_t>(ny), static_cast<int64_t>(nz));
        else
            seal_sparse();
        staged_.clear();
        staged_.shrink_to_fit();
    }

    // Calls f(id) for every id binned in the 27 cells around `p` (which must
    // be usable), in no particular order, until f returns false.  The grid
    // must be sealed.
    template <class F>
    void for_each_near(const Vec3& p, F&& f) const
    {
        visit_near(p, [&](uint32_t k) { return f(ids_[k]); });
    }

    // The same with each id's position in double precision, read from a
    // copy kept in cell order: f(id, point).
    template <class F>
    void for_each_near_point(const Vec3& p, F&& f) const
    {
        visit_near(p, [&](uint32_t k) { return f(ids_[k], points_[k]); });
    }

private:
    struct Key {
        int64_t x, y, z;
        bool operator==(const Key&) const = default;
        bool operator<(const Key& o) const { return x != o.x ? x < o.x : (y != o.y ? y < o.y : z < o.z); }
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
    struct Staged {
        Key key;
        int32_t id;
        std::array<double, 3> point;
    };

    // The cell numbers, through double (a quick conversion): rounding the
    // quotient, below 1e12, moves it by less than 1e-3 and keeps its order,
    // so points closer than a cell still land in neighbouring cells.
    Key key(const Vec3& p) const
    {
        const auto cell = [this](long double c) {
            return static_cast<int64_t>(std::floor(static_cast<double>(c / cell_)));
        };
        return Key{cell(p[0]), cell(p[1]), cell(p[2])};
    }

    template <class F>
    void visit_near(const Vec3& p, F&& f) const
    {
        if (ids_.empty())
            return;
        const Key centre = key(p);
        if (dense_) {
            const int64_t z0 = std::max(centre.z - 1, low_.z) - low_.z;
            const int64_t z1 = std::min(centre.z + 1, high_.z) - low_.z;
            if (z0 > z1)
                return;
            for (int64_t x = std::max(centre.x - 1, low_.x); x <= std::min(centre.x + 1, high_.x); ++x)
                for (int64_t y = std::max(centre.y - 1, low_.y); y <= std::min(centre.y + 1, high_.y); ++y) {
                    const int64_t row = ((x - low_.x) * ny_ + (y - low_.y)) * nz_;
                    const uint32_t begin = start_[static_cast<std::size_t>(row + z0)];
                    const uint32_t end = start_[static_cast<std::size_t>(row + z1 + 1)];
                    for (uint32_t k = begin; k < end; ++k)
                        if (!f(k))
                            return;
                }
            return;
        }
        for (int64_t dx = -1; dx <= 1; ++dx)
            for (int64_t dy = -1; dy <= 1; ++dy)
                for (int64_t dz = -1; dz <= 1; ++dz) {
                    const auto found = ranges_.find(Key{centre.x + dx, centre.y + dy, centre.z + dz});
                    if (found == ranges_.end())
                        continue;
                    for (uint32_t k = found->second.first; k < found->second.second; ++k)
                        if (!f(k))
                            return;
                }
    }

    // Counting sort of the ids by cell, z running fastest.
    void seal_dense(int64_t nx, int64_t ny, int64_t nz)
    {
        ny_ = ny;
        nz_ = nz;
        const auto cells = static_cast<std::size_t>(nx * ny * nz);
        start_.assign(cells + 1, 0);
        std::vector<uint32_t> cell_of(staged_.size());
        for (std::size_t k = 0; k < staged_.size(); ++k) {
            const Key& c = staged_[k].key;
            cell_of[k] = static_cast<uint32_t>(((c.x - low_.x) * ny + (c.y - low_.y)) * nz + (c.z - low_.z));
            ++start_[cell_of[k] + 1];
        }
        for (std::size_t c = 0; c < cells; ++c)
            start_[c + 1] += start_[c];
        std::vector<uint32_t> next(start_.begin(), start_.end() - 1);
        ids_.resize(staged_.size());
        points_.resize(staged_.size());
        for (std::size_t k = 0; k < staged_.size(); ++k) {
            const uint32_t at = next[cell_of[k]]++;
            ids_[at] = staged_[k].id;
            points_[at] = staged_[k].point;
        }
    }

    void seal_sparse()
    {
        std::stable_sort(staged_.begin(), staged_.end(),
                         [](const Staged& a, const Staged& b) { return a.key < b.key; });
        ids_.resize(staged_.size());
        points_.resize(staged_.size());
        ranges_.reserve(staged_.size());
        for (std::size_t k = 0; k < staged_.size(); ++k) {
            ids_[k] = staged_[k].id;
            points_[k] = staged_[k].point;
            auto [at, fresh] = ranges_.try_emplace(staged_[k].key, static_cast<uint32_t>(k), static_cast<uint32_t>(k));
            ++at->second.second;
        }
    }

    long double cell_;
    std::vector<Staged> staged_;
    bool dense_ = false;
    Key low_{0, 0, 0};
    Key high_{0, 0, 0};
    int64_t ny_ = 0;
    int64_t nz_ = 0;
    std::vector<uint32_t> start_;                // dense: first id of every cell, and the end
    std::vector<int32_t> ids_;                   // ids ordered by cell
    std::vector<std::array<double, 3>> points_;  // their positions, in double
    std::unordered_map<Key, std::pair<uint32_t, uint32_t>, KeyHash> ranges_;  // sparse: occupied cells
};

}  // namespace vexalith
