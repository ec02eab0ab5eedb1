// A fixed number of threads working through numbered pieces of work.
#pragma once

#include <cstddef>
#include <functional>

namespace vexalith {

// Calls work(k) exactly once for every k in 0..count-1, on up to `jobs`
// threads, the calling thread among them; each thread takes the next k as
// soon as it is free.  Returns when all calls have returned.  `work` must
// not throw.  When the system refuses another thread, fewer threads do the
// work.
void run_in_parallel(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& work);

}  // namespace vexalith
