// libFuzzer target: fuzzharness::grow_crystal_anything on every input (harness.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string problem =
        fuzzharness::grow_crystal_anything(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!problem.empty()) {
        std::fprintf(stderr, "unsound outcome: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
