// libFuzzer target: fuzzharness::convert_anything on every input
// (harness.h), with the STL templates that the build writes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const vexalith::StlTemplates templates = vexalith::load_stl_templates(VEXALITH_FUZZ_DATA_DIR);
    const std::string problem =
        fuzzharness::convert_anything(std::string_view(reinterpret_cast<const char*>(data), size), templates);
    if (!problem.empty()) {
        std::fprintf(stderr, "unsound outcome: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
