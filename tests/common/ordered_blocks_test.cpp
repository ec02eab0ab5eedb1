#include "common/ordered_blocks.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace vexalith {
namespace {

// A block's text: its number repeated, of a length that varies a lot from
// block to block, so that a block out of place or cut short shows.
std::string block_text(std::size_t block)
{
    return std::string(1 + (block * 7919) % 5000, static_cast<char>('a' + block % 26)) + "|" + std::to_string(block) +
           "\n";
}

struct BlockRun {
    std::string text;
    std::vector<std::size_t> after;  // blocks passed to after_block, in order
    bool helper_on_caller = false;   // a block made elsewhere claimed the caller
    bool caller_elsewhere = false;   // a caller block made on another thread
};

BlockRun run(std::size_t blocks, std::size_t throw_at = SIZE_MAX)
{
    BlockRun r;
    StringSink sink;
    const std::thread::id caller = std::this_thread::get_id();
    {
        TextOutput out(sink);
        write_blocks_in_order(
            out, blocks,
            [&](TextOutput& to, std::size_t block, bool on_caller) {
                if (on_caller != (std::this_thread::get_id() == caller)) {
                    r.helper_on_caller = r.helper_on_caller || on_caller;
                    r.caller_elsewhere = r.caller_elsewhere || !on_caller;
                }
                if (block == throw_at)
                    throw std::runtime_error("block " + std::to_string(block));
                to << block_text(block);
            },
            [&](std::size_t block) { r.after.push_back(block); });
        out.flush();
    }
    r.text = sink.text();
    return r;
}

TEST(OrderedBlocks, TextIsThatOfOneThreadInBlockOrder)
{
    for (const std::size_t blocks : {0u, 1u, 2u, 3u, 10u, 257u}) {
        std::string expected;
        std::vector<std::size_t> helper_blocks;
        for (std::size_t b = 0; b < blocks; ++b) {
            expected += block_text(b);
            if (b % 2 == 1)
                helper_blocks.push_back(b);
        }
        const BlockRun r = run(blocks);
        EXPECT_EQ(r.text, expected) << blocks;
        EXPECT_FALSE(r.helper_on_caller);
        EXPECT_FALSE(r.caller_elsewhere);
        if (std::thread::hardware_concurrency() >= 2) {
            EXPECT_EQ(r.after, helper_blocks) << blocks;
        }
    }
}

TEST(OrderedBlocks, TheFirstFailureInBlockOrderReachesTheCaller)
{
    for (const std::size_t at : {0u, 1u, 6u, 7u, 98u, 99u}) {
        try {
            run(100, at);
            FAIL() << "no error for block " << at;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), "block " + std::to_string(at));
        }
    }
}

}  // namespace
}  // namespace vexalith
