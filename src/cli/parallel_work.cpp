#include "cli/parallel_work.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace vexalith {

void run_in_parallel(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& work)
{
    std::atomic<std::size_t> next{0};
    const auto take_until_done = [&] {
        for (std::size_t k = next++; k < count; k = next++)
            work(k);
    };
    const std::size_t helpers = std::min<std::size_t>(std::max(jobs, 1u), count) - (count > 0 ? 1 : 0);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (std::size_t t = 0; t < helpers; ++t) {
        try {
            threads.emplace_back(take_until_done);
        } catch (const std::system_error&) {
            break;  // no more threads: those running and this one finish the work
        }
    }
    take_until_done();
    for (std::thread& thread : threads)
        thread.join();
}

}  // namespace vexalith
