#include "viewer/hidden_bond_ends.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <thread>
#include <utility>

namespace vexalith::viewer {
namespace {

using Point = std::array<float, 3>;

// A cut keeps this much of the length that lies inside, so that the new
// cap lies strictly inside the sphere and never meets its surface.
constexpr float kInsideMargin = 0.999f;

// The spheres filed by the cube of a grid their centres lie in, for the
// spheres near a point: an open-addressing table from a cube's key to its
// run of spheres in `order_`.
class SphereCubes {
public:
    explicit SphereCubes(const std::vector<SphereInstance>& spheres) : spheres_(spheres)
    {
        float largest = 0;
        for (const SphereInstance& s : spheres)
            largest = std::max(largest, s.radius);
        if (!(largest > 0) || !std::isfinite(largest) || spheres.size() >= kNoSphere)
            return;
        side_ = 2 * largest;
        std::size_t slots = 16;
        while (slots < 2 * spheres.size())
            slots *= 2;
        mask_ = slots - 1;
        keys_.assign(slots, kEmpty);
        first_.assign(slots + 1, 0);
        std::vector<uint32_t> slot_of(spheres.size(), kNoSphere);
        for (std::size_t i = 0; i < spheres.size(); ++i) {
            const uint64_t key = cube_key(spheres[i].centre);
            if (key == kEmpty)
                continue;
            std::size_t slot = home(key);
            while (keys_[slot] != kEmpty && keys_[slot] != key)
                slot = (slot + 1) & mask_;
            keys_[slot] = key;
            ++first_[slot + 1];
            slot_of[i] = static_cast<uint32_t>(slot);
        }
        for (std::size_t slot = 0; slot < slots; ++slot)
            first_[slot + 1] += first_[slot];
        order_.resize(first_[slots]);
        std::vector<uint32_t> filled(first_.begin(), first_.end() - 1);
        for (std::size_t i = 0; i < spheres.size(); ++i)
            if (slot_of[i] != kNoSphere)
                order_[filled[slot_of[i]]++] = static_cast<uint32_t>(i);
    }

    // Calls visit(sphere) for every sphere whose centre is nearer to `p`
    // than the largest radius (and some beyond): the cubes are twice that
    // radius wide, so such centres lie in the 2 x 2 x 2 cubes nearest to p.
    template <typename Visit>
    void near(const Point& p, Visit&& visit) const
    {
        if (order_.empty())
            return;
        std::array<int64_t, 3> low{};
        for (std::size_t k = 0; k < 3; ++k) {
            const float q = p[k] / side_;
            if (!(std::fabs(q) < kLargestCube))
                return;
            const float cube = std::floor(q);
            low[k] = static_cast<int64_t>(cube) - (q - cube < 0.5f ? 1 : 0);
        }
        for (int64_t dx = 0; dx <= 1; ++dx)
            for (int64_t dy = 0; dy <= 1; ++dy)
                for (int64_t dz = 0; dz <= 1; ++dz) {
                    const uint64_t key = key_of({low[0] + dx, low[1] + dy, low[2] + dz});
                    std::size_t slot = home(key);
                    while (keys_[slot] != kEmpty && keys_[slot] != key)
                        slot = (slot + 1) & mask_;
                    for (uint32_t i = first_[slot]; i < first_[slot + 1]; ++i)
                        visit(spheres_[order_[i]]);
                }
    }

private:
    // Cubes a key tells apart along an axis (with room for a neighbour).
    static constexpr float kLargestCube = (1 << 20) - 2;
    static constexpr uint64_t kEmpty = ~uint64_t{0};
    static constexpr uint32_t kNoSphere = ~uint32_t{0};

    static uint64_t key_of(const std::array<int64_t, 3>& c)
    {
        const auto field = [](int64_t v) { return static_cast<uint64_t>(v + (int64_t{1} << 20)) & 0x1fffff; };
        return field(c[0]) << 42 | field(c[1]) << 21 | field(c[2]);
    }

    std::size_t home(uint64_t key) const
    {
        return static_cast<std::size_t>((key * 0x9e3779b97f4a7c15ULL) >> 32) & mask_;
    }

    // The key of the cube a centre lies in; kEmpty when it lies too far out.
    uint64_t cube_key(const float* p) const
    {
        std::array<int64_t, 3> c{};
        for (std::size_t k = 0; k < 3; ++k) {
            const float q = std::floor(p[k] / side_);
            if (!(std::fabs(q) < kLargestCube))
                return kEmpty;
            c[k] = static_cast<int64_t>(q);
        }
        return key_of(c);
    }

    const std::vector<SphereInstance>& spheres_;
    float side_ = 1;
    std::size_t mask_ = 0;
    std::vector<uint64_t> keys_;   // a slot's cube, or kEmpty
    std::vector<uint32_t> first_;  // a slot's first sphere in order_; slot + 1: its end
    std::vector<uint32_t> order_;  // sphere indices, cube by cube
};

float distance(const Point& p, const float* q)
{
    const float dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// How far from `end` along the bond the bond lies inside one sphere near
// it.  A point of the bond within `t` of the end along its axis lies
// within sqrt(t² + r²) of the end, so within d + sqrt(t² + r²) of a
// centre d from the end: inside the sphere while that is at most its
// radius.
float hidden_length(const SphereCubes& cubes, const Point& end, float radius)
{
    float hidden = 0;
    cubes.near(end, [&](const SphereInstance& s) {
        const float reach = s.radius - distance(end, s.centre);
        if (reach > radius)
            hidden = std::max(hidden, std::sqrt(reach * reach - radius * radius));
    });
    return hidden * kInsideMargin;
}

// Cuts the cylinders [first, last) back and gives how many; a cylinder
// wholly hidden gets radius -1.
std::size_t cut_range(std::vector<CylinderInstance>& cylinders, std::size_t first, std::size_t last,
                      const SphereCubes& cubes)
{
    std::size_t shortened = 0;
    for (std::size_t i = first; i < last; ++i) {
        CylinderInstance& c = cylinders[i];
        const Point a{c.end_a[0], c.end_a[1], c.end_a[2]};
        const Point b{c.end_b[0], c.end_b[1], c.end_b[2]};
        const float length = distance(a, c.end_b);
        const float at_a = hidden_length(cubes, a, c.radius);
        const float at_b = hidden_length(cubes, b, c.radius);
        if (!(length > 0) || (at_a == 0 && at_b == 0))
            continue;
        if (at_a + at_b >= length) {
            c.radius = -1;
            continue;
        }
        ++shortened;
        for (std::size_t k = 0; k < 3; ++k) {
            const float along = (b[k] - a[k]) / length;
            c.end_a[k] = a[k] + along * at_a;
            c.end_b[k] = b[k] - along * at_b;
        }
    }
    return shortened;
}

}  // namespace

HiddenBondEnds cut_hidden_bond_ends(std::vector<CylinderInstance>& cylinders,
                                    const std::vector<SphereInstance>& spheres)
{
    const SphereCubes cubes(spheres);
    // A large scene is cut on two threads (the loading thread and one more).
    constexpr std::size_t kOneThread = 20000;
    const std::size_t half = cylinders.size() > kOneThread ? cylinders.size() / 2 : cylinders.size();
    HiddenBondEnds result;
    std::size_t second_half = 0;
    {
        std::jthread second;
        if (half < cylinders.size())
            second = std::jthread([&] { second_half = cut_range(cylinders, half, cylinders.size(), cubes); });
        result.shortened = cut_range(cylinders, 0, half, cubes);
    }
    result.shortened += second_half;
    const auto hidden =
        std::remove_if(cylinders.begin(), cylinders.end(), [](const CylinderInstance& c) { return c.radius < 0; });
    result.removed = static_cast<std::size_t>(cylinders.end() - hidden);
    cylinders.erase(hidden, cylinders.end());
    return result;
}

}  // namespace vexalith::viewer
