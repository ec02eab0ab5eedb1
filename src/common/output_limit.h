// The largest file the program writes.  A structure can make an ASCII STL
// file of many gigabytes (a ribosome in ball-and-stick is over ten); rather
// than fill the disk, a writer refuses output beyond the limit, up front
// where it can tell the size beforehand and otherwise as soon as the limit
// is reached (the file being written is then dropped; an existing file of
// that name is untouched).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/error.h"
#include "common/text_output.h"

namespace vexalith {

inline constexpr uint64_t kDefaultOutputLimit = 4'000'000'000ULL;  // 4 GB

// The environment variable that sets the limit for the program and the
// default of the converter's --max-output-size.
inline constexpr const char* kOutputLimitVariable = "VEXALITH_MAX_OUTPUT_SIZE";

// A size given as a number of bytes with an optional unit: "5000000",
// "500M", "4G", "4GB", "1.5 G" (decimal units k, M, G, T; bytes for none);
// nothing for text that is not such a size or is beyond 2^64.
std::optional<uint64_t> parse_size(std::string_view text);

// "2.12 GB", "950 MB", "12 kB", "640 bytes": three significant digits.
std::string size_text(uint64_t bytes);

// The message for output beyond the limit: `what` ("the STL file"), the
// size (a lower bound when `at_least`), and how to raise the limit.
std::string output_too_large(std::string_view what, uint64_t size, bool at_least, uint64_t limit);

// Output refused for its size.
class OutputTooLarge : public RangeError {
public:
    using RangeError::RangeError;
};

// Passes bytes on to `next` until the total would pass the limit; then
// throws OutputTooLarge naming `file` instead of writing.
class LimitedSink : public ByteSink {
public:
    LimitedSink(ByteSink& next, uint64_t limit, std::string file, std::string what)
        : next_(next), limit_(limit), file_(std::move(file)), what_(std::move(what))
    {
    }

    void write(std::string_view bytes) override;

private:
    ByteSink& next_;
    uint64_t limit_;
    uint64_t written_ = 0;
    std::string file_;
    std::string what_;
};

}  // namespace vexalith
