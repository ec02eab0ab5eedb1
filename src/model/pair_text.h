// The text the writers make for every connected pair (a scene's cylinders,
// an STL file's cylinder meshes), made by two threads for large models.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "common/text_output.h"
#include "model/pair_classification.h"

namespace vexalith {

struct PairBlocks {
    std::size_t atoms = 2048;      // shown atoms per block
    std::size_t threshold = 8192;  // fewer shown atoms: one thread
    bool single_thread = false;
};

// The calls of for_each_connected_pair, with the text of each pair written
// into `to` by on_pair and handed to `out` in pair order; on_atom(i) runs on
// the calling thread for every shown atom, in order, when the text up to
// that atom's pairs is written or being written.
void write_connected_pairs(TextOutput& out, const PairSearch& search, const PairBlocks& blocks,
                           const std::function<void(int32_t)>& on_atom,
                           const std::function<void(TextOutput& to, int32_t, int32_t, const PairKind&)>& on_pair);

}  // namespace vexalith
