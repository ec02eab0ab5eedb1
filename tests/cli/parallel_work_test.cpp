#include "cli/parallel_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace vexalith {
namespace {

TEST(ParallelWork, EveryPieceOnceOnAtMostJobsThreads)
{
    for (const unsigned jobs : {1u, 2u, 3u, 16u}) {
        std::vector<std::atomic<int>> calls(50);
        std::mutex mutex;
        std::set<std::thread::id> threads;
        run_in_parallel(calls.size(), jobs, [&](std::size_t k) {
            ++calls[k];
            const std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        });
        for (std::size_t k = 0; k < calls.size(); ++k)
            EXPECT_EQ(calls[k], 1) << "piece " << k << " with " << jobs << " jobs";
        EXPECT_LE(threads.size(), jobs);
        if (jobs == 1) {
            EXPECT_EQ(threads, std::set{std::this_thread::get_id()}) << "one job works on the calling thread";
        }
    }
    bool called = false;
    run_in_parallel(0, 4, [&](std::size_t) { called = true; });
    EXPECT_FALSE(called);
}

}  // namespace
}  // namespace vexalith
