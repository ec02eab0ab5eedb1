#include "options/crystal_choice.h"

namespace vexalith {

std::optional<CrystalChoice> parse_crystal_choice(std::string_view text, std::string& problem)
{
    CrystalChoice choice;
    if (text == "asymmetric")
        return choice;
    if (text == "cell") {
        choice.mode = CrystalMode::Cell;
        return choice;
    }
    if (text == "molecules") {
        choice.mode = CrystalMode::Molecules;
        return choice;
    }
    constexpr std::string_view kBlock = "block=";
    if (text.substr(0, kBlock.size()) != kBlock) {
        problem = "expected asymmetric, cell, molecules or block=NxMxK, got " + std::string(text);
        return std::nullopt;
    }
    choice.mode = CrystalMode::Block;
    std::string_view rest = text.substr(kBlock.size());
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::size_t end = axis < 2 ? rest.find('x') : rest.size();
        const std::string_view number = rest.substr(0, end);
        if (end == std::string_view::npos || number.size() != 1 || number[0] < '1' ||
            number[0] > static_cast<char>('0' + kLargestBlock)) {
            problem = "expected block=NxMxK with N, M and K from 1 to " + std::to_string(kLargestBlock) + ", got " +
                      std::string(text);
            return std::nullopt;
        }
        choice.block[axis] = number[0] - '0';
        rest = axis < 2 ? rest.substr(end + 1) : std::string_view();
    }
    return choice;
}

}  // namespace vexalith
