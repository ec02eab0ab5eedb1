// Symmetry operations of a crystal, as CIF files write them: "x,y,z",
// "-x+1/2, y, -z", "1/2+x,-y,z+.5", "x-y,x,z+1/3".  An operation maps
// fractional coordinates f to R f + t.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "structure/structure.h"

namespace vexalith {

struct SymmetryOperator {
    std::array<std::array<int, 3>, 3> rotation{};  // [row][column], whole numbers
    Vec3 translation{0, 0, 0};                     // fractions of the cell

    Vec3 apply(const Vec3& f) const;

    friend bool operator==(const SymmetryOperator&, const SymmetryOperator&) = default;
};

// The identity, "x,y,z".
SymmetryOperator identity_operator();

// Parses one operation: three comma-separated expressions of x, y and z with
// whole coefficients and a constant written as a fraction ("1/2") or a
// decimal ("0.5", ".5"), terms in any order, blanks anywhere, any case.
// Returns nothing and says why in `problem` when the text is not one.
std::optional<SymmetryOperator> parse_symmetry_operator(std::string_view text, std::string& problem);

}  // namespace vexalith
