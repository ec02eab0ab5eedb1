#include "model/pair_text.h"

#include <algorithm>
#include <vector>

#include "common/ordered_blocks.h"

namespace vexalith {

void write_connected_pairs(TextOutput& out, const PairSearch& search, const PairBlocks& blocks,
                           const std::function<void(int32_t)>& on_atom,
                           const std::function<void(TextOutput& to, int32_t, int32_t, const PairKind&)>& on_pair)
{
    const std::vector<int32_t>& shown = search.shown();
    const std::size_t count =
        blocks.single_thread ? (shown.empty() ? 0 : 1) : block_count(shown.size(), blocks.atoms, blocks.threshold);
    const std::size_t atoms = count <= 1 ? shown.size() : blocks.atoms;
    write_blocks_in_order(
        out, count,
        [&](TextOutput& to, std::size_t block, bool on_caller) {
            search.visit(
                block * atoms, (block + 1) * atoms,
                [&](int32_t i) {
                    if (on_caller)
                        on_atom(i);
                },
                [&](int32_t i, int32_t j, const PairKind& kind) { on_pair(to, i, j, kind); });
        },
        [&](std::size_t block) {
            for (std::size_t k = block * atoms; k < std::min((block + 1) * atoms, shown.size()); ++k)
                on_atom(shown[k]);
        });
}

}  // namespace vexalith
