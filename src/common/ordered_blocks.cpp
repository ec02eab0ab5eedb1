#include "common/ordered_blocks.h"

#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vexalith {
namespace {

// Collects the bytes of one block in the pieces they come in (a growing
// block is not copied again and again).
class BlockText : public ByteSink {
public:
    void write(std::string_view bytes) override { pieces_.emplace_back(bytes); }
    std::vector<std::string> take() { return std::move(pieces_); }

private:
    std::vector<std::string> pieces_;
};

constexpr std::size_t kAhead = 2;

struct Handover {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::size_t, std::vector<std::string>> ready;
    std::map<std::size_t, std::exception_ptr> failed;
    bool stop = false;
};

// The helper thread, stopped and joined however the caller leaves.
class Helper {
public:
    Helper(Handover& shared, std::size_t blocks, const std::function<void(TextOutput&, std::size_t, bool)>& make)
        : shared_(shared), thread_([&shared, blocks, &make] { run(shared, blocks, make); })
    {
    }
    ~Helper()
    {
        {
            const std::lock_guard<std::mutex> lock(shared_.mutex);
            shared_.stop = true;
        }
        shared_.changed.notify_all();
        thread_.join();
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

private:
    static void run(Handover& shared, std::size_t blocks,
                    const std::function<void(TextOutput&, std::size_t, bool)>& make)
    {
        for (std::size_t block = 1; block < blocks; block += 2) {
            {
                std::unique_lock<std::mutex> lock(shared.mutex);
                shared.changed.wait(lock, [&] { return shared.stop || shared.ready.size() < kAhead; });
                if (shared.stop)
                    return;
            }
            BlockText text;
            try {
                {
                    TextOutput to(text);
                    make(to, block, false);
                    to.flush();
                }
                const std::lock_guard<std::mutex> lock(shared.mutex);
                shared.ready.emplace(block, text.take());
            } catch (...) {
                {
                    const std::lock_guard<std::mutex> lock(shared.mutex);
                    shared.failed.emplace(block, std::current_exception());
                }
                shared.changed.notify_all();
                return;
            }
            shared.changed.notify_all();
        }
    }

    Handover& shared_;
    std::thread thread_;
};

}  // namespace

std::size_t block_count(std::size_t count, std::size_t items, std::size_t threshold)
{
    if (count < threshold || items == 0)
        return count == 0 ? 0 : 1;
    return (count + items - 1) / items;
}

void write_blocks_in_order(TextOutput& out, std::size_t blocks,
                           const std::function<void(TextOutput& to, std::size_t block, bool on_caller)>& make,
                           const std::function<void(std::size_t block)>& after_block)
{
    if (blocks <= 1 || std::thread::hardware_concurrency() < 2) {
        for (std::size_t block = 0; block < blocks; ++block)
            make(out, block, true);
        return;
    }
    Handover shared;
    const Helper helper(shared, blocks, make);
    for (std::size_t block = 0; block < blocks; ++block) {
        if (block % 2 == 0) {
            make(out, block, true);
            continue;
        }
        std::vector<std::string> pieces;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            shared.changed.wait(lock, [&] { return shared.ready.count(block) != 0 || !shared.failed.empty(); });
            if (const auto found = shared.ready.find(block); found != shared.ready.end()) {
                pieces = std::move(found->second);
                shared.ready.erase(found);
            } else {
                std::rethrow_exception(shared.failed.begin()->second);
            }
        }
        shared.changed.notify_all();
        for (const std::string& piece : pieces)
            out << piece;
        after_block(block);
    }
}

}  // namespace vexalith
