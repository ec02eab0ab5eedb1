// Output that cannot be written: a disk that fills up (simulated by a file
// size limit, which makes writes fail with EFBIG), a folder that takes no
// files.  Every kind of output file must fail with an input/output error
// naming the file and leave the user's file of that name as it was, with no
// temporary file beside it.  And input whose numbers stretch the scene.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/error.h"
#include "convert/draw_model.h"
#include "print3d/binary_stl_writer.h"
#include "print3d/stl_templates.h"
#include "print3d/stl_writer.h"
#include "print3d/three_mf_writer.h"
#include "support/command_run.h"
#include "support/corpus.h"

namespace vexalith {
namespace {

namespace fs = std::filesystem;
using testsupport::corpus_plain_path;
using testsupport::read_file;
using testsupport::temp_dir;
using testsupport::write_file;

const StlTemplates& templates()
{
    static const StlTemplates loaded = load_stl_templates(VEXALITH_DATA_DIR);
    return loaded;
}

// The inputs, written before any file size limit is set.
struct Inputs {
    std::string cif = corpus_plain_path("pyobjcryst_caffeine.cif");
    std::string wrl;

    Inputs() : wrl(temp_dir() + "/big.wrl") { write_file(wrl, "#VRML V2.0 utf8\n" + std::string(1 << 20, '#')); }
};

const Inputs& inputs()
{
    static const Inputs made;
    return made;
}

// One way of writing an output file.
struct OutputKind {
    const char* name;
    const char* file_name;
    std::function<void(const std::string& output)> write;
};

void convert_scene(const std::string& input, const std::string& output, bool printer)
{
    ConversionState state;
    Structure model;
    ModelOptions options;
    Reporter quiet;
    state.FileName = input;
    SceneTarget target{output};
    target.PrinterExport = printer;
    DrawModel(state, model, options, target, quiet);
}

// The print files: ASCII STL, binary STL or 3MF, of the meshes or (at a
// small size, to keep it quick) of the solid.
enum class PrintFile { Ascii, Binary, ThreeMf };

void convert_print(const std::string& input, const std::string& output, PrintFile kind, bool solid)
{
    ConversionState state;
    Structure model;
    ModelOptions options;
    Reporter quiet;
    state.FileName = input;
    ASSERT_EQ(prepare_model(state, model, options, quiet), DrawOutcome::SceneWritten);
    if (solid) {
        options.SolidPrint = true;
        options.ModelSize = 25;
        options.SolidTolerance = 0.2;
    }
    const Model built = build_model(model, options);
    switch (kind) {
    case PrintFile::Ascii:
        write_stl(output, built, templates(), quiet);
        break;
    case PrintFile::Binary:
        write_binary_stl(output, built, templates(), quiet);
        break;
    case PrintFile::ThreeMf:
        write_three_mf(output, built, templates(), quiet);
        break;
    }
}

void convert_stl(const std::string& input, const std::string& output)
{
    convert_print(input, output, PrintFile::Ascii, false);
}

const OutputKind kOutputs[] = {
    {"Scene", "scene.wrl", [](const std::string& out) { convert_scene(inputs().cif, out, false); }},
    {"PrinterVrml", "printer.wrl", [](const std::string& out) { convert_scene(inputs().cif, out, true); }},
    {"Stl", "model.stl", [](const std::string& out) { convert_stl(inputs().cif, out); }},
    {"SolidStl", "solid.stl", [](const std::string& out) { convert_print(inputs().cif, out, PrintFile::Ascii, true); }},
    {"BinaryStl", "binary.stl",
     [](const std::string& out) { convert_print(inputs().cif, out, PrintFile::Binary, false); }},
    {"SolidBinaryStl", "solid-binary.stl",
     [](const std::string& out) { convert_print(inputs().cif, out, PrintFile::Binary, true); }},
    {"ThreeMf", "colours.3mf",
     [](const std::string& out) { convert_print(inputs().cif, out, PrintFile::ThreeMf, false); }},
    {"SolidThreeMf", "solid.3mf",
     [](const std::string& out) { convert_print(inputs().cif, out, PrintFile::ThreeMf, true); }},
    // A VRML input is copied to the scene file as it is.
    {"VrmlCopy", "scene.wrl", [](const std::string& out) { convert_scene(inputs().wrl, out, false); }},
};

class BrokenOutput : public ::testing::TestWithParam<OutputKind> {};

// Runs `write`, expecting an input/output error that names `path`.
void expect_write_error(const OutputKind& kind, const std::string& path)
{
    try {
        kind.write(path);
        ADD_FAILURE() << kind.name << ": no error";
    } catch (const InputOutputError& e) {
        EXPECT_EQ(e.file(), path);
        EXPECT_FALSE(e.text().empty());
    }
}

TEST_P(BrokenOutput, AFullDiskLeavesTheUsersFileAsItWas)
{
    const OutputKind& kind = GetParam();
    inputs();
    const std::string folder = temp_dir();
    const std::string path = folder + "/" + kind.file_name;
    write_file(path, "the user's file");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1500;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    expect_write_error(kind, path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(read_file(path), "the user's file");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator{}), 1)
        << "no temporary file is left behind";
    // Without the limit the same output is written in full.
    kind.write(path);
    EXPECT_GT(read_file(path).size(), 1500u);
}

TEST_P(BrokenOutput, AFolderThatTakesNoFiles)
{
    // Not even root can create files in /proc.
    const OutputKind& kind = GetParam();
    expect_write_error(kind, std::string("/proc/") + kind.file_name);
}

TEST_P(BrokenOutput, AFolderWithoutWritePermission)
{
    const OutputKind& kind = GetParam();
    inputs();
    templates();
    ASSERT_EQ(::chmod(fs::path(inputs().wrl).parent_path().c_str(), 0755), 0);
    const std::string folder = temp_dir();
    const std::string path = folder + "/" + kind.file_name;
    write_file(path, "the user's file");
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    // The user may write the file itself but not the folder, which the
    // temporary file needs.
    const int outcome = testsupport::run_without_root([&] {
        try {
            kind.write(path);
            return 2;
        } catch (const InputOutputError& e) {
            return e.file() == path ? 0 : 1;
        }
    });
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(outcome, 0) << "0: an error naming the file, 1: naming another, 2: none, 125: another error";
    EXPECT_EQ(read_file(path), "the user's file");
}

INSTANTIATE_TEST_SUITE_P(Outputs, BrokenOutput, ::testing::ValuesIn(kOutputs),
                         [](const ::testing::TestParamInfo<OutputKind>& info) { return std::string(info.param.name); });

// A sink whose write number `failing` fails, as a file does on a full disk.
class FailingSink : public ByteSink {
public:
    explicit FailingSink(int failing) : failing_(failing) {}
    void write(std::string_view bytes) override
    {
        if (++writes_ == failing_)
            throw InputOutputError("out.stl", 0, "cannot write: No space left on device");
        size_ += bytes.size();
    }
    int writes() const { return writes_; }
    std::size_t size() const { return size_; }

private:
    int failing_;
    int writes_ = 0;
    std::size_t size_ = 0;
};

TEST(BrokenOutputStl, AWriteFailingAnywhereIsAnError)
{
    // Every write of the file fails once, in every model mode: each failure
    // must reach the caller as an error (none may end the process).
    ConversionState state;
    Structure model;
    ModelOptions options;
    Reporter quiet;
    state.FileName = corpus_plain_path("pymatgen_C26H16BeN2O2S2.cif");
    ASSERT_EQ(prepare_model(state, model, options, quiet), DrawOutcome::SceneWritten);
    for (const int32_t mode : {BallAndStick, CovalentRadius, VanDerWaals}) {
        options.ModelMode = mode;
        FailingSink whole(0);
        write_stl(whole, "out.stl", build_model(model, options), templates(), quiet);
        ASSERT_GE(whole.writes(), 2) << "the file is written in more than one piece";
        for (int failing = 1; failing <= whole.writes(); ++failing) {
            FailingSink sink(failing);
            EXPECT_THROW(write_stl(sink, "out.stl", build_model(model, options), templates(), quiet), InputOutputError)
                << "mode " << mode << ", write " << failing;
        }
    }
}

// ---------------------------------------------------------------------------
// Numbers that stretch the model

const std::string kExtremeAtoms =
    "data_x\n_chemical_formula_sum 'C3'\n_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 10\n"
    "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n"
    "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
    "C1 1e308 0 0\nC2 -1e308 0 0\nC3 1e-320 0 0\n";

// The numbers of every "Transform {translation x y z" line of a scene.
std::vector<long double> translations(const std::string& scene)
{
    std::vector<long double> numbers;
    const std::string key = "Transform {translation ";
    for (std::size_t at = scene.find(key); at != std::string::npos; at = scene.find(key, at + 1)) {
        std::size_t p = at + key.size();
        for (int k = 0; k < 3; ++k) {
            std::size_t used = 0;
            numbers.push_back(std::stold(scene.substr(p, 40), &used));
            p += used + 1;
        }
    }
    return numbers;
}

TEST(ExtremeInput, CoordinatesOfOneE308AreScaledIntoTheModel)
{
    const std::string folder = temp_dir();
    const std::string input = folder + "/extreme.cif";
    write_file(input, kExtremeAtoms);
    convert_scene(input, folder + "/scene.wrl", false);
    const std::vector<long double> numbers = translations(read_file(folder + "/scene.wrl"));
    ASSERT_EQ(numbers.size(), 9u);  // three atoms, no bonds
    // The atoms lie 1e309 angstrom apart: at the model's faces and its middle.
    EXPECT_EQ(*std::min_element(numbers.begin(), numbers.end()), -50.0L);
    EXPECT_EQ(*std::max_element(numbers.begin(), numbers.end()), 50.0L);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), 0.0L), 7);

    convert_stl(input, folder + "/model.stl");
    const std::string stl = read_file(folder + "/model.stl");
    EXPECT_TRUE(stl.ends_with("endsolid model STL\r\n"));
    EXPECT_EQ(stl.find("nan"), std::string::npos);
    EXPECT_EQ(stl.find("inf"), std::string::npos);
}

TEST(ExtremeInput, PositionsBeyondLongDoubleLeaveTheSceneAlone)
{
    const std::string folder = temp_dir();
    const std::string input = folder + "/huge.cif";
    write_file(input,
               "data_p\nloop_\n_atom_site.type_symbol\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n_atom_site.Cartn_z\n"
               "C 1e4932 0 0\nC 1e4932 0 0\n");
    const std::string scene = folder + "/scene.wrl";
    write_file(scene, "previous scene");
    try {
        convert_scene(input, scene, false);
        FAIL() << "no error";
    } catch (const RangeError& e) {
        EXPECT_EQ(e.file(), input);
    }
    EXPECT_EQ(read_file(scene), "previous scene");
}

}  // namespace
}  // namespace vexalith
