// Three-vectors of the model: positions, bond directions and lattice vectors,
// all in extended precision.
#pragma once

#include <cmath>

#include "structure/structure.h"

namespace vexalith {

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec3 operator*(const Vec3& a, long double k) { return {a[0] * k, a[1] * k, a[2] * k}; }
inline Vec3 operator*(long double k, const Vec3& a) { return a * k; }

inline long double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

inline long double length(const Vec3& a) { return std::sqrt(dot(a, a)); }

// The cross product a x b.
inline Vec3 cross_product(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// The scene position of an atom (its first three values).
inline Vec3 position(const AtomCoordRecord& r) { return {r.x, r.y, r.z}; }

}  // namespace vexalith
