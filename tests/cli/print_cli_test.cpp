// The converter's printable outputs and its printability report: "check",
// --format stl-binary and 3mf (and .3mf by name), --solid and
// --solid-tolerance.
#include <gtest/gtest.h>

#include <regex>

#include "cli/converter_run.h"
#include "support/admesh_check.h"
#include "support/corpus.h"

namespace vexalith {
namespace {

using testsupport::corpus_plain_path;
using testsupport::run_converter;
using testsupport::shell_quote;

std::string value_of(const std::string& report, const std::string& key)
{
    std::smatch match;
    const std::regex line("(^|\n)" + key + ": ([^\n]*)");
    return std::regex_search(report, match, line) ? match[2].str() : "";
}

TEST(CheckCommand, ReportsTheKeysOfThePrintAndFollowsTheModelOptions)
{
    const std::string caffeine = shell_quote(corpus_plain_path("pyobjcryst_caffeine.cif"));
    const auto run = run_converter("check " + caffeine + " --size 25 --solid-tolerance 0.1");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* key :
         {"File", "PrintSize", "MillimetresPerAngstrom", "ThinnestBond", "SmallestAtom", "Pieces", "Volume", "MassPLA"})
        EXPECT_NE(value_of(run.out, key), "") << key << " in\n" << run.out;
    EXPECT_EQ(value_of(run.out, "Pieces"), "1");
    EXPECT_TRUE(
        std::regex_match(value_of(run.out, "PrintSize"), std::regex(R"(\d+\.\d\d x \d+\.\d\d x \d+\.\d\d mm)")));
    // Ball-and-stick bonds of diameter 10 at 25 mm (0.87 mm) are thinner
    // than a filament printer makes.
    EXPECT_NE(run.out.find("Warning: bonds "), std::string::npos) << run.out;

    // Twice the size: twice the millimetres per angstrom, eight times the
    // material, no warning about thin parts.
    const auto big = run_converter("check " + caffeine + " --size 50 --solid-tolerance 0.1 --bond-diameter 30");
    ASSERT_EQ(big.status, 0) << big.err;
    EXPECT_NEAR(std::stod(value_of(big.out, "MillimetresPerAngstrom")),
                2 * std::stod(value_of(run.out, "MillimetresPerAngstrom")), 1e-3);
    const double volume = std::stod(value_of(run.out, "Volume"));
    EXPECT_GT(std::stod(value_of(big.out, "Volume")), 8 * volume);
    EXPECT_EQ(big.out.find("Warning: bonds"), std::string::npos) << big.out;
    EXPECT_NEAR(std::stod(value_of(run.out, "MassPLA")), volume * 1.24e-3, 0.01);
}

TEST(CheckCommand, RefusesWhatHasNoModel)
{
    EXPECT_EQ(run_converter("check").status, 1);
    const auto missing = run_converter("check /no/such/file.cif");
    EXPECT_EQ(missing.status, 2) << missing.err;
}

TEST(PrintFormats, ThreeMfByNameOrFlagAndBinaryStlByFlag)
{
    const std::string dir = testsupport::temp_dir();
    const std::string caffeine = shell_quote(corpus_plain_path("pyobjcryst_caffeine.cif"));
    ASSERT_EQ(run_converter(caffeine + " -o " + shell_quote(dir + "/a.3mf")).status, 0);
    EXPECT_EQ(testsupport::read_file(dir + "/a.3mf").substr(0, 2), "PK");
    ASSERT_EQ(run_converter(caffeine + " -o " + shell_quote(dir + "/b.model") + " --format 3mf").status, 0);
    EXPECT_EQ(testsupport::read_file(dir + "/b.model").substr(0, 2), "PK");
    ASSERT_EQ(run_converter(caffeine + " -o " + shell_quote(dir + "/c.stl") + " --format stl-binary").status, 0);
    ASSERT_EQ(run_converter(caffeine + " -o " + shell_quote(dir + "/d.stl")).status, 0);
    const std::string binary = testsupport::read_file(dir + "/c.stl");
    const std::string ascii = testsupport::read_file(dir + "/d.stl");
    EXPECT_EQ(ascii.substr(0, 6), "solid ");
    // Over three times smaller.
    EXPECT_LT(binary.size() * 3, ascii.size());
    const auto bad = run_converter(caffeine + " -o " + shell_quote(dir + "/e.stl") + " --solid-tolerance 2");
    EXPECT_EQ(bad.status, 1);
    const auto unknown = run_converter(caffeine + " -o " + shell_quote(dir + "/e.obj"));
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find(".3mf"), std::string::npos) << unknown.err;
}

TEST(PrintFormats, TheSolidAsciiAndBinaryStlAreOneClosedShell)
{
    if (!testsupport::admesh_available())
        GTEST_SKIP() << "admesh is not installed";
    const std::string dir = testsupport::temp_dir();
    const std::string caffeine = shell_quote(corpus_plain_path("pyobjcryst_caffeine.cif"));
    for (const std::string format : {"stl", "stl-binary"}) {
        const std::string out = dir + "/" + format + ".stl";
        const auto run = run_converter(caffeine + " -o " + shell_quote(out) + " --format " + format +
                                       " --solid --size 30 --solid-tolerance 0.1");
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(testsupport::admesh_problems(out, 1), "") << format;
    }
}

}  // namespace
}  // namespace vexalith
