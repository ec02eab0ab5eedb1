// Files that people open by mistake or that broke on the way: each must end
// in a sound model or in one of the core's errors, naming the file and,
// where there is one, the line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/error.h"
#include "convert/draw_model.h"
#include "harness.h"
#include "structure/cif_reader.h"
#include "structure/text_file.h"
#include "support/command_run.h"
#include "support/corpus.h"

namespace vexalith {
namespace {

using testsupport::corpus_text;

struct ProgressLog : Reporter {
    std::vector<std::string> captions;
    long long maximum = -1;
    long long positions = 0;
    long long last_position = -1;
    bool steady = true;  // every position one more than the one before

    void caption_text(std::string_view text) override { captions.emplace_back(text); }
    void progress_maximum(long long value) override { maximum = value; }
    void progress_position(long long value) override
    {
        steady = steady && value == last_position + 1;
        last_position = value;
        ++positions;
    }
};

struct Reader {
    Structure model;
    ModelOptions options;
    ProgressLog reporter;

    ConversionState state;

    Reader() { state.FileName = "broken.cif"; }

    void read(std::string_view text, int32_t structure = 0)
    {
        state.StructureIndex = structure;
        read_chosen_structure(text, state, model, options, reporter);
    }
};

const std::string kCell =
    "data_t\n_chemical_formula_sum 'C'\n_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 10\n"
    "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n";
const std::string kLoop = "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n";
// The first atom row of kCell + kLoop is line 14.
constexpr long long kFirstRow = 14;

const std::string kProteinHeader =
    "data_p\nloop_\n_atom_site.group_PDB\n_atom_site.type_symbol\n_atom_site.label_comp_id\n"
    "_atom_site.label_seq_id\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n_atom_site.Cartn_z\n";
// The first atom row of kProteinHeader is line 10.

// Deterministic bytes of every value.
std::string noise(std::size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return bytes;
}

// The outcome of one read: the error's kind, line and text, or the atom count.
struct Outcome {
    std::string error;  // "" when the read succeeded
    long long line = 0;
    std::string text;
    int32_t atoms = 0;
};

Outcome outcome_of(std::string_view text, int32_t structure = 0)
{
    Reader r;
    Outcome o;
    try {
        r.read(text, structure);
        o.atoms = r.model.AtomCount;
    } catch (const InvalidCellError& e) {
        o = {"cell", e.line(), e.text()};
    } catch (const ConversionError& e) {
        o = {"conversion", e.line(), e.text()};
    } catch (const RangeError& e) {
        o = {"range", e.line(), e.text()};
    }
    // Whatever happened, the model is whole and a failed read holds no atoms.
    EXPECT_EQ(fuzzharness::model_problem(r.model, r.options, o.error.empty()), "");
    if (!o.error.empty()) {
        EXPECT_EQ(r.model.AtomCount, 0);
    }
    return o;
}

// ---------------------------------------------------------------------------
// Texts that are no CIF file, or barely one

struct BrokenText {
    const char* name;
    std::string text;
    const char* error;  // "" for a sound model
    long long line;     // the error's line
    int32_t atoms;      // the model's atom count
};

class BrokenTexts : public ::testing::TestWithParam<BrokenText> {};

TEST_P(BrokenTexts, EndInASoundModelOrAnErrorNamingTheLine)
{
    const BrokenText& c = GetParam();
    const Outcome o = outcome_of(c.text);
    EXPECT_EQ(o.error, c.error) << o.text;
    if (o.error.empty()) {
        EXPECT_EQ(o.atoms, c.atoms);
    } else {
        EXPECT_EQ(o.line, c.line) << o.text;
    }
}

// Atoms first, then a cell tag on line 9.
const std::string kAtomsFirst = "data_t\n" + kLoop + "C1 0.1 0 0\n\n";

const std::string kNulInNumber = std::string("C1 0.1 0") + '\0' + "5 0.3\n";
const std::string kNulInLabel = std::string("C") + '\0' + "1 0.1 0.2 0.3\n";

INSTANTIATE_TEST_SUITE_P(
    Reader, BrokenTexts,
    ::testing::Values(
        BrokenText{"Empty", "", "", 0, 0}, BrokenText{"OnlyAByteOrderMark", "\xEF\xBB\xBF", "", 0, 0},
        BrokenText{"BinaryNoise", noise(1 << 16, 7), "", 0, 0},
        BrokenText{"NulBytesOnly", std::string(4096, '\0'), "", 0, 0},
        // A NUL inside a number makes it no number; inside a label it is
        // part of the symbol, which the driver later draws as carbon.
        BrokenText{"NulInANumber", kCell + kLoop + "C0 0 0 0\n" + kNulInNumber, "conversion", kFirstRow + 1, 0},
        BrokenText{"NulInALabel", kCell + kLoop + kNulInLabel, "", 0, 1},
        // A mark at the start counts as nothing: the lines keep their numbers.
        BrokenText{"ByteOrderMarkThenAnError", "\xEF\xBB\xBF" + kCell + kLoop + "C1 0.1 ? 0.3\n", "conversion",
                   kFirstRow, 0},
        // Two files joined: the second mark stands before a cell tag, whose
        // value column then holds no number.
        BrokenText{"ByteOrderMarkInsideTheFile",
                   "data_a\n_chemical_formula_sum 'C'\n\xEF\xBB\xBF_cell_length_a 10\n" + kLoop + "C1 0 0 0\n",
                   "conversion", 3, 0},
        // Cut files.
        BrokenText{"CutInsideTheLastAtomRow", kCell + kLoop + "C1 0.1 0.2 0.3\nC2 0.4 0.", "", 0, 2},
        BrokenText{"CutAfterTheSignOfANumber", kCell + kLoop + "C1 0.1 0.2 0.3\nC2 0.4 -", "conversion", kFirstRow + 1,
                   0},
        BrokenText{"CutInsideTheLoopHeader", kCell + "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_si", "", 0, 0},
        // A cell written after the atom loop, cut inside its value, right
        // after its tag and inside the tag.
        BrokenText{"CutInsideACellValue", kAtomsFirst + "_cell_length_a 1", "", 0, 1},
        BrokenText{"CutRightAfterACellTag", kAtomsFirst + "_cell_length_a ", "conversion", 9, 0},
        BrokenText{"CutInsideACellTag", kAtomsFirst + "_cell_len", "", 0, 1},
        // Cells that are no cells.
        BrokenText{"ZeroCell", "_cell_length_a 0\n" + kLoop + "C1 0 0 0\n", "cell", 1, 0},
        BrokenText{"NegativeCell", "_cell_length_a 5\n_cell_length_b -5\n" + kLoop + "C1 0 0 0\n", "cell", 1, 0},
        BrokenText{"FlatCell",
                   "_cell_length_a 5\n_cell_angle_alpha 120\n_cell_angle_beta 120\n_cell_angle_gamma 120\n" + kLoop +
                       "C1 0 0 0\n",
                   "cell", 1, 0},
        BrokenText{"AnglesThatCloseNoCell",
                   "_cell_length_a 5\n_cell_angle_alpha 60\n_cell_angle_beta 60\n_cell_angle_gamma 150\n" + kLoop +
                       "C1 0 0 0\n",
                   "cell", 1, 0},
        BrokenText{"ZeroAngle", "_cell_length_a 5\n_cell_angle_beta 0\n" + kLoop + "C1 0 0 0\n", "cell", 1, 0},
        // Sequence numbers: the largest the residue table takes, one more,
        // one near 2^31, and one beyond the 32-bit range.
        // The atom and the trace point of its residue.
        BrokenText{"LargestSequenceNumber", kProteinHeader + "ATOM C ALA 1000000 1 2 3\n", "", 0, 2},
        BrokenText{"SequenceNumberAboveTheLargest", kProteinHeader + "ATOM C ALA 1 1 2 3\nATOM C ALA 1000001 1 2 3\n",
                   "range", 11, 0},
        BrokenText{"SequenceNumberNearTwoToThe31", kProteinHeader + "ATOM C ALA 2147483647 1 2 3\n", "range", 10, 0},
        BrokenText{"SequenceNumberBeyond32Bits", kProteinHeader + "ATOM C ALA -2147483648 1 2 3\n", "conversion", 10,
                   0}),
    [](const ::testing::TestParamInfo<BrokenText>& info) { return std::string(info.param.name); });

TEST(BrokenInput, BinaryRowsEndCleanly)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        EXPECT_EQ(fuzzharness::read_anything(kCell + kLoop + "C1 0.1 0.2 0.3\n" + noise(4096, seed)), "") << seed;
        EXPECT_EQ(fuzzharness::read_anything(kCell + kLoop + "C1 0.1 0.2 0.3\nC2 " + noise(64, seed)), "") << seed;
    }
}

TEST(BrokenInput, SequenceNumberErrorsSayWhatIsWrong)
{
    const Outcome o = outcome_of(kProteinHeader + "ATOM C ALA 2147483647 1 2 3\n");
    EXPECT_EQ(o.text, "sequence number 2147483647 is larger than 1000000");
}

TEST(BrokenInput, NegativeSequenceNumbersLoseTheirSign)
{
    // The minus sign is not among the characters a sequence number keeps.
    Reader r;
    r.options.Helices = false;
    r.state.RereadRequested = true;
    r.read(kProteinHeader + "ATOM C ALA -5 1 2 3\nATOM N GLY -7 2 2 3\nHETATM O HOH . 9 9 9\n");
    ASSERT_EQ(r.model.AtomCount, 3);
    EXPECT_EQ(r.model.AtomSeqId[1], 5);
    EXPECT_EQ(r.model.AtomSeqId[2], 7);
    EXPECT_EQ(r.model.AtomSeqId[3], 0);
    EXPECT_EQ(r.model.MaxSeqId, 7);
    EXPECT_EQ(r.model.ResidueTable.size(), 8u);
}

TEST(BrokenInput, LargeSequenceNumbersMakeAShortTrace)
{
    // With helices the trace renumbers the residues: two residues far
    // apart in number become indexes 1 and 2.
    Reader r;
    r.read(kProteinHeader + "ATOM C ALA 999999 1 2 3\nATOM C ALA 1000000 4 2 3\n");
    EXPECT_EQ(fuzzharness::model_problem(r.model, r.options, true), "");
    EXPECT_EQ(r.model.MaxSeqId, 2);
    EXPECT_EQ(r.model.ResidueTable.size(), 3u);
}

// ---------------------------------------------------------------------------
// Every prefix of real files: a download cut at any byte

class CutFile : public ::testing::TestWithParam<const char*> {};

TEST_P(CutFile, EveryPrefixEndsCleanly)
{
    const std::string text = corpus_text(GetParam());
    for (std::size_t size = 0; size <= text.size(); ++size) {
        const std::string problem = fuzzharness::read_anything(std::string_view(text).substr(0, size));
        ASSERT_EQ(problem, "") << "cut after " << size << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CutFile,
                         ::testing::Values("pyobjcryst_caffeine.cif", "biopython_1SSU_mod.cif", "ccd_ZN.cif",
                                           "pyobjcryst_NaCl.cif"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name;
                             for (const char* c = info.param; *c != '\0' && *c != '.'; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

TEST(BrokenInput, ARowCutShortKeepsThePreviousRowsValues)
{
    Reader r;
    r.read(kCell + kLoop + "C1 0.1 0.2 0.3\nC2 0.4");
    ASSERT_EQ(r.model.AtomCount, 2);
    // C2 keeps y and z of C1 (scene x = -y, scene y = z).
    EXPECT_NEAR(static_cast<double>(r.model.AtomCoord[1].x - r.model.AtomCoord[2].x), 0.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(r.model.AtomCoord[1].y - r.model.AtomCoord[2].y), 0.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(r.model.AtomCoord[1].z - r.model.AtomCoord[2].z), 3.0, 1e-15);
}

TEST(BrokenInput, ACellValueCutShortIsTheDigitsThatArrived)
{
    Reader r;
    r.read("data_t\n_cell_length_a 14.\n" + kLoop + "C1 0.1 0 0\nC2 0 0 0\n");
    EXPECT_EQ(r.model.CellA, 14.0L);
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_NEAR(static_cast<double>(r.model.AtomCoord[2].z - r.model.AtomCoord[1].z), 1.4, 1e-15);
}

// ---------------------------------------------------------------------------
// Numbers at the ends of the range

TEST(BrokenInput, ExtremeCoordinatesGiveAFiniteModel)
{
    Reader r;
    r.read(kProteinHeader + "ATOM C ALA 1 1e308 0 0\nATOM C ALA 2 -1e308 0 0\nATOM C ALA 3 1e-320 0 0\n");
    EXPECT_EQ(fuzzharness::model_problem(r.model, r.options, true), "");
    Reader s;
    s.options.Helices = false;
    s.state.RereadRequested = true;
    s.read(kCell + kLoop + "C1 1e308 0 0\nC2 -1e308 0 0\nC3 1e-320 0 0\n");
    ASSERT_EQ(s.model.AtomCount, 3);
    EXPECT_EQ(fuzzharness::model_problem(s.model, s.options, true), "");
    // Fractional 1e308 in a 10 angstrom cell: 1e309 angstrom, beyond a
    // double but not beyond the long double the model keeps.
    EXPECT_NEAR(static_cast<double>(s.model.ModelExtent / 1e300L), 1e9, 1e-6);
    EXPECT_NEAR(static_cast<double>(s.model.AtomCoord[3].z), 0.0, 1e-300);
}

TEST(BrokenInput, PositionsBeyondAnyNumberAreARangeError)
{
    // Long double holds 1e4000, but not the sum of two coordinates of
    // 1e4932, nor the matrix of a cell of 1e4000 angstrom.
    for (const std::string& text :
         {kProteinHeader + "ATOM C ALA 1 1e4932 0 0\nATOM C ALA 1 1e4932 0 0\n",
          "_cell_length_a 1e4000\n_cell_length_b 1e4000\n_cell_length_c 1e4000\n" + kLoop + "C1 0.5 0.5 0.5\n"}) {
        const Outcome o = outcome_of(text);
        EXPECT_EQ(o.error, "range");
        EXPECT_EQ(o.text, "the position of atom 1 is too large to be placed");
    }
    // Large but finite: a sound model.
    for (const std::string& text :
         {kCell + kLoop + "C1 1e4000 0 0\nC2 -1e4000 0 0\n", "_cell_length_a 1e-4000\n" + kLoop + "C1 0.5 0.5 0.5\n"})
        EXPECT_EQ(outcome_of(text).error, "");
}

// ---------------------------------------------------------------------------
// Sizes far beyond a real file, made in memory

TEST(BrokenInput, AHundredMegabyteLineWithoutALineEnd)
{
    Reader r;
    r.read("data_x\n" + std::string(100u << 20, 'x'));
    EXPECT_EQ(r.model.AtomCount, 0);
    EXPECT_EQ(r.reporter.captions, std::vector<std::string>{std::string(kNoAtomsFound)});
}

TEST(BrokenInput, AHundredMegabyteAtomRow)
{
    // Fifty million values on one row: only the loop's four columns are
    // taken, the rest is stepped over.
    std::string text = kCell + kLoop + "C1 0.1 0.2 0.3";
    text.reserve(text.size() + (100u << 20) + 32);
    for (std::size_t i = 0; i < (50u << 20); ++i)
        text += " 7";
    text += "\nC2 0.2 0.2 0.3\n";
    Reader r;
    r.read(text);
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_NEAR(static_cast<double>(r.model.AtomCoord[2].z - r.model.AtomCoord[1].z), -1.0, 1e-15);
}

TEST(BrokenInput, ALoopWithAMillionColumns)
{
    std::string text = kCell + kLoop;
    for (int i = 0; i < 1000000; ++i)
        text += "_atom_site_extra_" + std::to_string(i) + "\n";
    std::string values;
    for (int i = 0; i < 1000000; ++i)
        values += " 1";
    text += "C1 0.1 0.2 0.3" + values + "\nO1 0.2 0.2 0.3" + values + "\n";
    Reader r;
    r.read(text);
    ASSERT_EQ(r.model.AtomCount, 2);
    EXPECT_EQ(r.model.AtomSymbol[2], "O");
}

TEST(BrokenInput, ManyRowsWithLoneCarriageReturns)
{
    // Old Mac line ends throughout: every line is found without searching
    // the rest of the file for a line feed each time.
    constexpr int kRows = 200000;
    std::string text = kCell + kLoop;
    for (char& c : text)
        if (c == '\n')
            c = '\r';
    for (int i = 0; i < kRows; ++i)
        text += "C" + std::to_string(i) + " 0." + std::to_string(i % 10) + " 0.5 0.5\r";
    Reader r;
    r.options.Helices = false;
    r.read(text);
    EXPECT_EQ(r.model.AtomCount, kRows);
    EXPECT_EQ(r.model.CellA, 10.0L);
    // The progress bar moves once per atom, one step at a time.
    EXPECT_TRUE(r.reporter.steady);
    EXPECT_EQ(r.reporter.last_position, kRows - 1);
    EXPECT_EQ(r.reporter.maximum, 3LL * kRows);
}

TEST(BrokenInput, AllAtomsAtOnePoint)
{
    Reader r;
    std::string rows;
    for (int i = 0; i < 50; ++i)
        rows += "C" + std::to_string(i) + " 0.25 0.25 0.25\n";
    r.read(kCell + kLoop + rows);
    ASSERT_EQ(r.model.AtomCount, 50);
    EXPECT_EQ(r.model.ModelExtent, 1.0L);
    for (int i = 1; i <= 50; ++i)
        EXPECT_EQ(r.model.AtomCoord[static_cast<std::size_t>(i)], (AtomCoordRecord{0, 0, 0, 0}));
}

TEST(BrokenInput, StructureIndexBeyondTheLast)
{
    const std::string text = kCell + kLoop + "C1 0 0 0\n";
    for (const int32_t index : {2, 1000, std::numeric_limits<int32_t>::max()}) {
        const Outcome o = outcome_of(text, index);
        EXPECT_EQ(o.error, "");
        EXPECT_EQ(o.atoms, 0) << index;
    }
}

// ---------------------------------------------------------------------------
// Inputs that are not readable files

TEST(BrokenInput, AFolderAsInput)
{
    Reader r;
    r.state.FileName = testsupport::temp_dir();
    try {
        r.read(read_text_file(r.state.FileName));
        FAIL() << "a folder was read";
    } catch (const InputOutputError& e) {
        EXPECT_EQ(e.file(), r.state.FileName);
        EXPECT_EQ(e.text(), "is a folder, not a file");
    }
}

TEST(BrokenInput, AFileThatFailsToRead)
{
    // Opening succeeds, reading fails (EIO), for root as for everyone.
    Reader r;
    r.state.FileName = "/proc/self/mem";
    try {
        r.read(read_text_file(r.state.FileName));
        FAIL() << "the file was read";
    } catch (const InputOutputError& e) {
        EXPECT_EQ(e.file(), "/proc/self/mem");
        EXPECT_EQ(e.text().rfind("cannot read the file: ", 0), 0u) << e.text();
    }
}

TEST(BrokenInput, AFileWithoutReadPermission)
{
    const std::string folder = testsupport::temp_dir();
    const std::string path = folder + "/locked.cif";
    testsupport::write_file(path, kCell + kLoop + "C1 0 0 0\n");
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    const int outcome = testsupport::run_without_root([&] {
        Reader r;
        r.state.FileName = path;
        try {
            r.read(read_text_file(r.state.FileName));
            return 2;
        } catch (const InputOutputError& e) {
            return e.file() == path && e.text() == "cannot open the file: Permission denied" ? 0 : 1;
        }
    });
    EXPECT_EQ(outcome, 0) << "0: the error expected, 1: another text, 2: read, 125: another error";
}

TEST(BrokenInput, AnEmptyFileOnDisk)
{
    const std::string path = testsupport::temp_dir() + "/empty.cif";
    testsupport::write_file(path, "");
    Reader r;
    r.state.FileName = path;
    r.read(read_text_file(r.state.FileName));
    EXPECT_EQ(r.model.AtomCount, 0);
    EXPECT_EQ(r.reporter.captions, std::vector<std::string>{std::string(kNoAtomsFound)});
}

}  // namespace
}  // namespace vexalith
