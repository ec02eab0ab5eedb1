// The main window, driven as a user drives it: commands, drops, dialogs
// answered by the test.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "app/caption_panel.h"
#include "options/settings_dialog.h"
#include "support/corpus.h"
#include "viewer/vrml_viewer.h"

namespace vexalith {
namespace {

namespace fs = std::filesystem;

struct Answers {
    QStringList open_files;  // answers of the open dialog, in order ("" = cancel)
    QStringList save_files;
    bool close = false;
    QStringList errors;
    QStringList urls;
    int close_questions = 0;
};

UserDialogs scripted(Answers& answers)
{
    UserDialogs d;
    d.open_file = [&answers](QWidget*) { return answers.open_files.isEmpty() ? QString() : answers.open_files.takeFirst(); };
    d.save_file = [&answers](QWidget*, const QString&, const QString&) {
        return answers.save_files.isEmpty() ? QString() : answers.save_files.takeFirst();
    };
    d.confirm_close = [&answers](QWidget*) {
        ++answers.close_questions;
        return answers.close;
    };
    d.show_error = [&answers](QWidget*, const QString& message) { answers.errors << message; };
    d.open_url = [&answers](const QString& url) {
        answers.urls << url;
        return true;
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
    EXPECT_EQ(w.window->model().StructureIndex, 0);
    EXPECT_NE(w.scene(), third) << "the first structure again";
    EXPECT_EQ(w.window->model().FileName, corpus("openbabel_hashizume.cif").toStdString());
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
    testsupport::write_file(dir + "/broken.wrl", "#VRML V2.0 utf8\nTransform { children [ Shape { geometry Sphere { radius } ]\n");
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
    EXPECT_FALSE(w.window->options().ProteinStyleBox) << "a mode command leaves protein style";
    EXPECT_TRUE(w.window->action("ballStick")->isChecked());
}

TEST(MainWindowCommands, ExpandJoinsTheFragmentOnTheTableInMemory)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("avogadro_zeolites_ZSM-5.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_EQ(w.window->model().AtomCount, 99);
    ASSERT_TRUE(w.next_scene([&] { w.window->expand(); }));
    EXPECT_EQ(w.window->model().AtomCount, 50);
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
    EXPECT_TRUE(w.window->options().HideBridgesBox) << "checked again after the export";
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
    EXPECT_FALSE(w.window->options().PartCheckBoxes[2]);
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
    EXPECT_EQ(w.window->model().ModelMode, BallAndStick);

    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    EXPECT_FALSE(d.box("helices")->isChecked());
    EXPECT_TRUE(d.box("hideBridges")->isChecked());
    EXPECT_TRUE(w.window->action("ballStick")->isChecked());
}

TEST(SettingsDialog, UnitChangeReadsTheFileAgainInMetres)
{
    Window w;
    w.settle();
    w.answers.open_files = {corpus("openbabel_hashizume.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->selectStructure(4); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->settings().metreButton()->click(); }));
    EXPECT_EQ(w.window->model().StructureIndex, 0) << "from its first structure";
    EXPECT_NE(w.scene().find("location  50 50 100  radius 5000}]}"), std::string::npos);
    EXPECT_EQ(w.window->statusText(2).toStdString(), "3D-model size = 0" + QLocale().decimalPoint().toStdString() + "1 m");
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
        if (child->minimumSizeHint().width() > child->width())
            faults << QString("%1 needs %2, has %3").arg(name).arg(child->minimumSizeHint().width()).arg(child->width());
        if (auto* label = qobject_cast<QLabel*>(child)) {
            const int text = label->fontMetrics().horizontalAdvance(label->text());
            if (text > label->contentsRect().width())
                faults << QString("\"%1\" is %2 wide in %3").arg(label->text()).arg(text).arg(label->contentsRect().width());
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
        w.settle();
        w.answers.open_files = {c.file};
        ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
        SettingsDialog& d = w.window->settings();
        const auto check = [&](const QString& how) {
            QTest::qWait(50);
            const QStringList faults = clipped_in(d);
            EXPECT_TRUE(faults.isEmpty()) << c.file.toStdString() << ", " << how.toStdString() << " "
                                          << d.width() << " wide:\n" << faults.join("\n").toStdString();
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
    w.settle();
    w.answers.open_files = {corpus("openbabel_hashizume.cif")};
    ASSERT_TRUE(w.next_scene([&] { w.window->loadFile(); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->selectStructure(4); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->expand(); }));
    ASSERT_TRUE(w.next_scene([&] { w.window->selectModelMode(CovalentRadius); }));
    const std::string scene = w.scene();
    const int atoms = w.window->model().AtomCount;
    SettingsDialog& d = w.window->settings();
    w.window->action("options")->trigger();
    QSignalSpy shown(w.window.get(), &MainWindow::sceneShown);
    d.millimetreButton()->click();
    EXPECT_FALSE(shown.wait(1000)) << "nothing read again";
    EXPECT_TRUE(d.millimetreButton()->isChecked());
    EXPECT_EQ(w.window->options().VrmlUnit, 1);
    EXPECT_EQ(w.window->model().StructureIndex, 4);
    EXPECT_EQ(w.window->model().AtomCount, atoms);
    EXPECT_EQ(w.window->model().ModelMode, CovalentRadius);
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
    } cases[] = {{"pyobjcryst_caffeine.cif", "options-small-molecule.png"}, {"libcifpp_1cbs.cif", "options-protein.png"}};
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
