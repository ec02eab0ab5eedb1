// Every input in tests/fuzz-regressions (each once a crash, leak, hang or
// unsound result found by the fuzzers) replayed through all three fuzz
// harnesses: each must now end cleanly.  The sanitizer build of this test
// is what proves the absence of the memory errors and undefined behaviour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"
#include "print3d/stl_templates.h"
#include "support/corpus.h"
#include "support/model_builder.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> regression_files()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(VEXALITH_FUZZ_REGRESSION_DIR))
        if (entry.is_regular_file() && entry.path().filename() != "README.md")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const vexalith::StlTemplates& templates()
{
    static const vexalith::StlTemplates loaded = vexalith::load_stl_templates(VEXALITH_DATA_DIR);
    return loaded;
}

class FuzzRegression : public ::testing::TestWithParam<std::string> {};

TEST_P(FuzzRegression, EndsCleanlyInEveryHarness)
{
    const std::string bytes = testsupport::read_file(std::string(VEXALITH_FUZZ_REGRESSION_DIR) + "/" + GetParam());
    EXPECT_EQ(fuzzharness::read_anything(bytes), "");
    EXPECT_EQ(fuzzharness::read_selected_structure(bytes), "");
    EXPECT_EQ(fuzzharness::convert_anything(bytes, templates()), "");
    EXPECT_EQ(fuzzharness::grow_crystal_anything(bytes), "");
}

std::string test_name(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name;
    for (const char c : info.param)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Findings, FuzzRegression, ::testing::ValuesIn(regression_files()), test_name);

TEST(FuzzRegressions, FolderHoldsTheFindings) { EXPECT_FALSE(regression_files().empty()); }

// The harness must tell a sound outcome from an unsound one, or the replay
// above proves nothing.
TEST(FuzzHarness, AcceptsRealFilesAndCleanErrors)
{
    for (const char* name : {"pyobjcryst_caffeine.cif", "biopython_1SSU_mod.cif", "ccd_ZN.cif"}) {
        const std::string text = testsupport::corpus_text(name);
        EXPECT_EQ(fuzzharness::read_anything(text), "") << name;
        EXPECT_EQ(fuzzharness::read_selected_structure(std::string("\1\0", 2) + text), "") << name;
        EXPECT_EQ(fuzzharness::convert_anything(text, templates()), "") << name;
    }
    // Every crystal mode on real small-molecule files, and a malformed
    // operation, which must be an error naming the file.
    for (const char* name : {"pyobjcryst_NaCl.cif", "pyobjcryst_paracetamol.cif", "avogadro_oxides_Al2O3-Corundum.cif"})
        for (const char mode : {'\0', '\1', '\2', '\3', '\37'})
            EXPECT_EQ(fuzzharness::grow_crystal_anything(std::string(1, mode) + testsupport::corpus_text(name)), "")
                << name << " " << int(mode);
    std::string broken = testsupport::corpus_text("pyobjcryst_NaCl.cif");
    const std::size_t op = broken.find("+x,+y,+z +z,+x,+y");
    ASSERT_NE(op, std::string::npos);
    broken.replace(op, 8, "+x,+y,+w");
    EXPECT_EQ(fuzzharness::grow_crystal_anything(std::string(1, '\1') + broken), "");
    // A value that is not a number: an error naming the file.
    EXPECT_EQ(fuzzharness::read_anything("loop_\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n_atom_site.Cartn_z\n1 ? 3\n"),
              "");
}

TEST(FuzzHarness, NamesEachBrokenRuleOfAModel)
{
    const vexalith::ModelOptions options;
    const vexalith::Structure sound =
        testsupport::make_model({{"C", 0, 0, 0, 0, "ALA", 1}, {"O", 1, 0, 0, 0, "ALA", 1}});
    const vexalith::Structure& read = sound;
    ASSERT_EQ(fuzzharness::model_problem(read, options, true), "");

    struct Breakage {
        const char* expected;
        void (*apply)(vexalith::Structure&);
    };
    const Breakage breakages[] = {
        {"AtomCount is negative", [](vexalith::Structure& m) { m.AtomCount = -1; }},
        {"ModelExtent is not finite or below 1", [](vexalith::Structure& m) { m.ModelExtent = 0.5L; }},
        {"a per-atom column is shorter than AtomCount + 1", [](vexalith::Structure& m) { m.AtomSeqId.pop_back(); }},
        {"ResidueTable does not have MaxSeqId + 1 rows", [](vexalith::Structure& m) { m.MaxSeqId = 5; }},
        {"the centroid is not finite", [](vexalith::Structure& m) { m.Centroid[1] = INFINITY; }},
        {"the position of atom 2 is not finite", [](vexalith::Structure& m) { m.AtomCoord[2].z = NAN; }},
        {"the part of atom 1 is outside 0..MaxPart", [](vexalith::Structure& m) { m.AtomCoord[1].part = 1; }},
        {"the sequence number of atom 2 is outside 0..MaxSeqId", [](vexalith::Structure& m) { m.AtomSeqId[2] = 2; }},
    };
    for (const Breakage& breakage : breakages) {
        vexalith::Structure broken = read;
        breakage.apply(broken);
        EXPECT_EQ(fuzzharness::model_problem(broken, options, true), breakage.expected);
    }
    vexalith::Structure parts = read;
    parts.MaxPart = 2;
    EXPECT_EQ(fuzzharness::model_problem(parts, options, true), "fewer part boxes than parts");
}

}  // namespace
