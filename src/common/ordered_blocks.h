// Text made in blocks by two threads and written in block order: the bytes
// are those of making every block in turn on one thread.  The calling
// thread makes the even blocks straight into the output and writes the odd
// ones, which a helper thread makes into memory at most two blocks ahead
// (so memory stays bounded by a few blocks).  Everything that must happen on
// the calling thread (progress reports) is told apart by `on_caller`, and
// after_block() runs there for each block the helper made, after writing it.
// An exception from either thread reaches the caller, the first in block
// order; the helper has stopped by then.
#pragma once

#include <cstddef>
#include <functional>

#include "common/text_output.h"

namespace vexalith {

// The blocks of `items` items each (the last one shorter) for `count`
// items; a single block below `threshold` items, where a second thread
// would not pay.
std::size_t block_count(std::size_t count, std::size_t items, std::size_t threshold);

void write_blocks_in_order(TextOutput& out, std::size_t blocks,
                           const std::function<void(TextOutput& to, std::size_t block, bool on_caller)>& make,
                           const std::function<void(std::size_t block)>& after_block);

}  // namespace vexalith
