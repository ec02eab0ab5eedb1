// Whole conversions through vexalith-convert, compared byte for byte with
// reviewed files.  Every scene is also read by Coin, an independent VRML97
// reader.  VEXALITH_UPDATE_GOLDEN=1 rewrites the files (review the diff).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/coin_check.h"
#include "support/command_run.h"
#include "support/corpus.h"

namespace {

namespace fs = std::filesystem;
using testsupport::shell_quote;

struct GoldenCase {
    const char* name;   // the golden file, named by what it shows
    const char* input;  // corpus file, or "input/..." beside the golden files
    const char* arguments;
};

const GoldenCase kCases[] = {
    {"caffeine-ball-and-stick.wrl", "pyobjcryst_caffeine.cif", ""},
    {"caffeine-covalent-radius.wrl", "pyobjcryst_caffeine.cif", "--mode covalent"},
    {"caffeine-van-der-waals.wrl", "pyobjcryst_caffeine.cif", "--mode vdw"},
    {"paracetamol-only-hydrogen-bonds.wrl", "pyobjcryst_paracetamol.cif", "--hbonds only"},
    {"cu3182-hydrogen-bonds-and-van-der-waals.wrl", "cctbx_cu3182sup1.cif", "--hbonds with-vdw --size 150"},
    {"cu3182-hydrogen-bonds-covalent-radius.wrl", "cctbx_cu3182sup1.cif", "--hbonds with-vdw --mode covalent"},
    {"zsm5-zeolite-expanded.wrl", "avogadro_zeolites_ZSM-5.cif", "--expand"},
    {"paracetamol-expanded-drops-the-second-molecule.wrl", "pyobjcryst_paracetamol.cif", "--expand --mode covalent"},
    {"ethanol-both-parts.wrl", "input/ethanol-two-parts.cif", ""},
    {"ethanol-part-2-hidden.wrl", "input/ethanol-two-parts.cif", "--hide-parts 2 --bond-diameter 20"},
    {"hashizume-structure-3.wrl", "openbabel_hashizume.cif", "--structure 3 --background 0,0,0"},
    {"atp-chemical-component.wrl", "ccd_ATP.cif", "--hide-hydrogen"},
    {"3jqh-protein-style-without-helices.wrl", "biopython_3JQH.cif", "--no-helices"},
    {"1cbs-helices.wrl", "libcifpp_1cbs.cif", ""},
    {"1cbs-helices-with-bridges.wrl", "libcifpp_1cbs.cif", "--bridges --helix-bridge-distance 4.5"},
    {"1cbs-printer-metres.wrl", "libcifpp_1cbs.cif", "--format printer --unit m"},
    {"caffeine-printer-millimetres.wrl", "pyobjcryst_caffeine.cif", "--format printer --size 50"},
    {"nacl-printer-metres.wrl", "pyobjcryst_NaCl.cif", "--format printer --unit m --mode covalent"},
    {"nacl-cell-with-edges.wrl", "pyobjcryst_NaCl.cif", "--crystal cell --cell-edges"},
    {"caffeine-whole-molecules.wrl", "pyobjcryst_caffeine.cif", "--crystal molecules"},
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

std::string golden_path(const std::string& name) { return std::string(VEXALITH_GOLDEN_DIR) + "/" + name; }

std::string input_path(const std::string& input)
{
    if (input.rfind("input/", 0) == 0)
        return golden_path(input);
    return testsupport::corpus_plain_path(input);
}

class Golden : public testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, ConversionGivesTheReviewedBytes)
{
    const GoldenCase& c = GetParam();
    const std::string out = testsupport::temp_dir() + "/" + c.name;
    const auto run = testsupport::run_command(std::string(VEXALITH_CONVERT) + " " + shell_quote(input_path(c.input)) +
                                              " -o " + shell_quote(out) + " " + c.arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string written = testsupport::read_file(out);
    if (const char* update = std::getenv("VEXALITH_UPDATE_GOLDEN"); update && std::string(update) == "1")
        testsupport::write_file(golden_path(c.name), written);
    ASSERT_TRUE(fs::exists(golden_path(c.name))) << "no golden file " << c.name;
    const std::string golden = testsupport::read_file(golden_path(c.name));
    EXPECT_TRUE(written == golden) << c.name << " differs from its golden file (" << written.size() << " bytes, golden "
                                   << golden.size() << ")";
    EXPECT_EQ(testsupport::coin_read_errors(written), "") << c.name;
}

INSTANTIATE_TEST_SUITE_P(Scenes, Golden, testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
});

}  // namespace
