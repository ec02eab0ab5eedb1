// The converter's spelling of a crystal mode: "asymmetric", "cell",
// "molecules" or "block=NxMxK" (N, M, K from 1 to kLargestBlock).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "options/model_options.h"

namespace vexalith {

inline constexpr int32_t kLargestBlock = 5;

struct CrystalChoice {
    CrystalMode mode = CrystalMode::Asymmetric;
    std::array<int32_t, 3> block{1, 1, 1};
};

// The choice the text names, or nothing with the reason in `problem`.
std::optional<CrystalChoice> parse_crystal_choice(std::string_view text, std::string& problem);

}  // namespace vexalith
