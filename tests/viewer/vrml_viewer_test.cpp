// The viewer widget as the program uses it: scenes shown (and failures
// reported), the header's meaning on screen, the camera as a value,
// images without the navigation bar, background colour and headlight.
#include "viewer/vrml_viewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <optional>
#include <string>

#include "support/corpus.h"
#include "viewer/navigation_bar.h"
#include "viewer/viewer_tuning.h"
#include "viewer_support.h"

using vexalith::VrmlViewer;
using namespace viewertest;

namespace {

const QString kCaffeine = golden_scene("caffeine-ball-and-stick.wrl");
// The converter's sky colour in that scene, as the frame buffer holds it.
const QColor kSky = framebuffer_colour(0.25, 0.492424242424242, 0.5);

// A VRML file from elsewhere: no NavigationInfo, Background, Viewpoint or
// lights.
const std::string kForeignScene =
    "#VRML V2.0 utf8\n"
    "Transform { rotation 1 1 0 0.6 children Shape {\n"
    "  appearance Appearance { material Material { diffuseColor 0.8 0.8 0.8 } }\n"
    "  geometry Box { size 2 2 2 } } }\n";

QColor pixel(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

void expect_corners(const QImage& image, const QColor& colour)
{
    const int r = image.width() - 1, b = image.height() - 1;
    for (const QPoint p : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)})
        EXPECT_EQ(pixel(image, p.x(), p.y()), colour) << "corner " << p.x() << "," << p.y();
}

// The box around the pixels that are not `background`; empty if none.
QRect foreground_box(const QImage& image, const QColor& background)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != background)
                box |= QRect(x, y, 1, 1);
    return box;
}

void drag(VrmlViewer& viewer, QPoint from, QPoint to)
{
    QTest::mousePress(&viewer, Qt::LeftButton, Qt::NoModifier, from);
    const QPoint middle = (from + to) / 2;
    QTest::mouseMove(&viewer, middle);
    QTest::mouseMove(&viewer, to);
    QTest::mouseRelease(&viewer, Qt::LeftButton, Qt::NoModifier, to);
}

bool same(const QImage& a, const QImage& b) { return compare(a, b, 0).max_channel == 0; }

}  // namespace

TEST(ViewerPlatform, ThisDisplayCanShowScenes)
{
    const std::optional<QString> problem = vexalith::viewer_problem();
    EXPECT_FALSE(problem.has_value()) << problem.value_or("").toStdString();
    const QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    EXPECT_EQ(format.profile(), QSurfaceFormat::CompatibilityProfile);
    EXPECT_EQ(format.depthBufferSize(), 24);
    EXPECT_EQ(format.stencilBufferSize(), 8);
}

TEST(ViewerScene, ConverterSceneShowsItsSkyAndLitAtoms)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine)) << viewer->lastError().toStdString();
    EXPECT_EQ(viewer->scene(), kCaffeine);
    EXPECT_TRUE(viewer->lastError().isEmpty());
    EXPECT_EQ(viewer->backColor(), kSky);

    const QImage image = render(*viewer);
    ASSERT_EQ(image.size(), QSize(320, 240));
    expect_corners(image, kSky);
    // The atoms are lit by the scene's point light that follows the viewer
    // (the scene turns the headlight off): shaded, not black.
    int atoms = 0;
    const double brightness = mean_foreground_brightness(image, kSky, &atoms);
    EXPECT_GT(atoms, 2000);
    EXPECT_GT(brightness, 80.0);
    const QRect box = foreground_box(image, kSky);
    EXPECT_TRUE(box.contains(QPoint(160, 120)));
    // Oxygen's red, nitrogen's blue.
    bool red = false, blue = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = pixel(image, x, y);
            red = red || (c.red() > 150 && c.green() < 60 && c.blue() < 60);
            blue = blue || (c.blue() > 150 && c.red() < 90 && c.green() < 90);
        }
    EXPECT_TRUE(red);
    EXPECT_TRUE(blue);
}

// The committed baseline was rendered by Mesa's llvmpipe.  Another Mesa
// version or a GPU rasterises edges and rounds lighting a little
// differently, so two images count as the same when at most 1 % of the
// pixels differ by more than 24 in a channel: enough for anti-aliasing-free
// edge pixels that move by one, far too little for a missing atom, a
// wrong colour or a turned camera.
TEST(ViewerScene, ConverterSceneMatchesTheBaselineImage)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    const QImage image = render(*viewer);
    const QString baseline = QString(VEXALITH_BASELINE_DIR) + "/caffeine-ball-and-stick.png";
    if (qEnvironmentVariableIsSet("VEXALITH_UPDATE_BASELINES")) {
        ASSERT_TRUE(image.save(baseline));
        GTEST_SKIP() << "baseline written";
    }
    const QImage expected(baseline);
    ASSERT_FALSE(expected.isNull()) << baseline.toStdString();
    const Difference d = compare(image, expected, 24);
    EXPECT_LE(d.differing, 0.01) << "largest channel difference " << d.max_channel;
}

TEST(ViewerScene, CompressedSceneLooksTheSame)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    const QImage plain = render(*viewer);
    const QString packed = write_temp("caffeine.wrz", gzip(testsupport::read_file(kCaffeine.toStdString())));
    viewer->setBackColor(Qt::black);
    ASSERT_TRUE(load(*viewer, packed)) << viewer->lastError().toStdString();
    EXPECT_TRUE(same(render(*viewer), plain));
}

TEST(ViewerScene, SyntaxErrorFailsAndKeepsThePreviousScene)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    const QImage before = render(*viewer);
    const QString broken =
        write_temp("broken.wrl", "#VRML V2.0 utf8\nTransform { children [ Shape { geometry Sphere { radius } ] }\n");
    EXPECT_FALSE(load(*viewer, broken));
    EXPECT_FALSE(viewer->lastError().isEmpty());
    EXPECT_TRUE(same(render(*viewer), before));
    EXPECT_EQ(viewer->backColor(), kSky);
    // And the next good scene clears the error.
    ASSERT_TRUE(load(*viewer, kCaffeine));
    EXPECT_TRUE(viewer->lastError().isEmpty());
}

TEST(ViewerScene, MissingFileFails)
{
    auto viewer = shown_viewer();
    const QString missing = QString::fromStdString(testsupport::temp_dir()) + "/not-there.wrl";
    EXPECT_FALSE(load(*viewer, missing));
    EXPECT_TRUE(viewer->lastError().contains("not-there.wrl")) << viewer->lastError().toStdString();
}

TEST(ViewerScene, NewerLoadSupersedesTheOlderOne)
{
    auto viewer = shown_viewer();
    viewer->setBackColor(QColor(20, 40, 60));
    const QString foreign = write_temp("foreign.wrl", kForeignScene);
    QSignalSpy loaded(viewer.get(), &VrmlViewer::sceneLoaded);
    viewer->setScene(kCaffeine);
    viewer->setScene(foreign);
    ASSERT_TRUE(loaded.wait(60000));
    QTest::qWait(300);
    ASSERT_EQ(loaded.count(), 1);
    EXPECT_TRUE(loaded.at(0).at(0).toBool());
    EXPECT_EQ(viewer->scene(), foreign);
    expect_corners(render(*viewer), QColor(20, 40, 60));
}

TEST(ViewerScene, SceneWithoutHeaderShowsWithTheViewersOwnSettings)
{
    auto viewer = shown_viewer();
    viewer->setBackColor(QColor(20, 40, 60));
    ASSERT_TRUE(load(*viewer, write_temp("foreign.wrl", kForeignScene)));
    EXPECT_EQ(viewer->backColor(), QColor(20, 40, 60));
    const QImage lit = render(*viewer);
    expect_corners(lit, QColor(20, 40, 60));
    // The box is in view (fitted: the file has no viewpoint) and the
    // viewer's headlight lights it.
    const QRect box = foreground_box(lit, QColor(20, 40, 60));
    EXPECT_TRUE(box.contains(QPoint(160, 120)));
    EXPECT_GT(box.width(), 60);
    EXPECT_GT(mean_foreground_brightness(lit, QColor(20, 40, 60)), 100.0);
}

TEST(ViewerHeadlight, LightsAFileWithoutLightsAndGoesOff)
{
    auto viewer = shown_viewer();
    const QColor back(20, 40, 60);
    viewer->setBackColor(back);
    ASSERT_TRUE(load(*viewer, write_temp("foreign.wrl", kForeignScene)));
    EXPECT_TRUE(viewer->headLight());
    const QImage on = render(*viewer);
    viewer->setHeadLight(false);
    EXPECT_FALSE(viewer->headLight());
    const QImage off = render(*viewer);
    EXPECT_LT(mean_foreground_brightness(off, back), mean_foreground_brightness(on, back) - 60.0);
    viewer->setHeadLight(true);
    EXPECT_TRUE(same(render(*viewer), on));
}

TEST(ViewerHeadlight, SceneThatTurnsItOffWinsUntilTheUserTurnsItOn)
{
    auto viewer = shown_viewer();
    viewer->setHeadLight(true);
    ASSERT_TRUE(load(*viewer, kCaffeine));
    const QImage scene_light = render(*viewer);
    // The program's setting does not override the scene's headlight FALSE.
    viewer->setHeadLight(true);
    EXPECT_TRUE(same(render(*viewer), scene_light));
    // The context menu's toggle does, for this scene.
    ASSERT_TRUE(QMetaObject::invokeMethod(viewer.get(), "toggleHeadLight", Q_ARG(bool, true)));
    const QImage both_lights = render(*viewer);
    EXPECT_GT(mean_foreground_brightness(both_lights, kSky), mean_foreground_brightness(scene_light, kSky) + 10.0);
    // A new scene says FALSE again.
    ASSERT_TRUE(load(*viewer, kCaffeine));
    EXPECT_TRUE(same(render(*viewer), scene_light));
}

// The context menu's choice holds for the scene shown only: a colour VRML
// file for printers (no NavigationInfo, no lights) opened after the user
// switched the headlight on and off again in a program scene is lit by the
// headlight, as VRML 2.0 has it.
TEST(ViewerHeadlight, MenuChoiceLastsOneSceneAFileWithoutNavigationInfoIsLit)
{
    const QString printer = golden_scene("caffeine-printer-millimetres.wrl");
    const QColor back(20, 40, 60);
    auto fresh = shown_viewer();
    fresh->setBackColor(back);
    ASSERT_TRUE(load(*fresh, printer));
    EXPECT_TRUE(fresh->headLightShining());
    const QImage lit = render(*fresh);
    EXPECT_GT(mean_foreground_brightness(lit, back), 80.0);

    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    EXPECT_FALSE(viewer->headLightShining()) << "the program's scene says FALSE";
    ASSERT_TRUE(QMetaObject::invokeMethod(viewer.get(), "toggleHeadLight", Q_ARG(bool, true)));
    EXPECT_TRUE(viewer->headLightShining());
    ASSERT_TRUE(QMetaObject::invokeMethod(viewer.get(), "toggleHeadLight", Q_ARG(bool, false)));
    EXPECT_FALSE(viewer->headLightShining());
    viewer->setBackColor(back);
    ASSERT_TRUE(load(*viewer, printer));
    EXPECT_TRUE(viewer->headLightShining());
    EXPECT_TRUE(same(render(*viewer), lit));

    // Switched off from the menu, the printer scene goes dark, until it is
    // loaded again.
    ASSERT_TRUE(QMetaObject::invokeMethod(viewer.get(), "toggleHeadLight", Q_ARG(bool, false)));
    EXPECT_LT(mean_foreground_brightness(render(*viewer), back), 20.0) << "no light at all: black atoms";
    ASSERT_TRUE(load(*viewer, printer));
    EXPECT_TRUE(same(render(*viewer), lit));
}

TEST(ViewerCamera, ViewpointRoundTripRestoresTheTurnedView)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    const QImage initial = render(*viewer);
    drag(*viewer, QPoint(160, 120), QPoint(220, 80));
    const QImage turned = render(*viewer);
    EXPECT_GT(compare(initial, turned, 24).differing, 0.02);
    const QVariant viewpoint = viewer->viewpointPosition();
    ASSERT_TRUE(viewpoint.isValid());

    // A new load takes the scene's own viewpoint...
    ASSERT_TRUE(load(*viewer, kCaffeine));
    EXPECT_TRUE(same(render(*viewer), initial));
    EXPECT_NE(viewer->viewpointPosition(), viewpoint);
    // ...unless the caller puts the saved camera back.
    viewer->setViewpointPosition(viewpoint);
    EXPECT_EQ(viewer->viewpointPosition(), viewpoint);
    EXPECT_TRUE(same(render(*viewer), turned));
}

TEST(ViewerCamera, CameraRestoredWhileLoadingIsKept)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    drag(*viewer, QPoint(160, 120), QPoint(100, 150));
    const QImage turned = render(*viewer);
    const QVariant viewpoint = viewer->viewpointPosition();
    QSignalSpy loaded(viewer.get(), &VrmlViewer::sceneLoaded);
    viewer->setScene(kCaffeine);
    viewer->setViewpointPosition(viewpoint);
    ASSERT_TRUE(loaded.wait(60000));
    EXPECT_TRUE(same(render(*viewer), turned));
}

TEST(ViewerCamera, ForeignValuesAreIgnored)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    const QImage before = render(*viewer);
    const QVariant camera = viewer->viewpointPosition();
    for (const QVariant& foreign : {QVariant(), QVariant(42), QVariant(QString("0 0 10")), QVariant(QPointF(1, 2))})
        viewer->setViewpointPosition(foreign);
    EXPECT_EQ(viewer->viewpointPosition(), camera);
    EXPECT_TRUE(same(render(*viewer), before));
}

TEST(ViewerCamera, DraggingDrawsCoarserUntilReleased)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    QTest::mousePress(viewer.get(), Qt::LeftButton, Qt::NoModifier, QPoint(160, 120));
    EXPECT_FALSE(vexalith::viewer::ViewerTuning::moving(*viewer));
    QTest::mouseMove(viewer.get(), QPoint(170, 120));
    EXPECT_TRUE(vexalith::viewer::ViewerTuning::moving(*viewer));
    QTest::mouseRelease(viewer.get(), Qt::LeftButton, Qt::NoModifier, QPoint(170, 120));
    EXPECT_FALSE(vexalith::viewer::ViewerTuning::moving(*viewer));
}

TEST(ViewerNavigation, WheelZoomsAndFitShowsEverything)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    const QRect whole = foreground_box(render(*viewer), kSky);
    for (int i = 0; i < 12; ++i) {
        QWheelEvent wheel(QPointF(160, 120), viewer->mapToGlobal(QPointF(160, 120)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewer.get(), &wheel);
    }
    const QImage close = render(*viewer);
    EXPECT_GT(foreground_box(close, kSky).width(), whole.width());

    auto* bar = viewer->findChild<vexalith::viewer::NavigationBar*>();
    ASSERT_NE(bar, nullptr);
    auto* fit = bar->findChild<QToolButton*>("fit");
    ASSERT_NE(fit, nullptr);
    QTest::mouseClick(fit, Qt::LeftButton);
    const QImage fitted = render(*viewer);
    const QRect all = foreground_box(fitted, kSky);
    EXPECT_TRUE(QRect(1, 1, 318, 238).contains(all)) << "scene cut at the edge";
    EXPECT_GT(all.width(), 100);
}

TEST(ViewerNavigation, BarModesChangeWhatADragDoes)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    const QRect start = foreground_box(render(*viewer), kSky);
    auto* bar = viewer->findChild<vexalith::viewer::NavigationBar*>();
    ASSERT_NE(bar, nullptr);

    QTest::mouseClick(bar->findChild<QToolButton*>("pan"), Qt::LeftButton);
    EXPECT_EQ(bar->mode(), vexalith::viewer::DragMode::Pan);
    drag(*viewer, QPoint(160, 120), QPoint(130, 150));
    const QRect panned = foreground_box(render(*viewer), kSky);
    EXPECT_NEAR(panned.center().x() - start.center().x(), -30, 3);
    EXPECT_NEAR(panned.center().y() - start.center().y(), 30, 3);
    EXPECT_NEAR(panned.width(), start.width(), 2);

    QTest::mouseClick(bar->findChild<QToolButton*>("zoom"), Qt::LeftButton);
    drag(*viewer, QPoint(160, 120), QPoint(160, 60));  // up: closer
    EXPECT_GT(foreground_box(render(*viewer), kSky).width(), panned.width() + 20);

    QTest::mouseClick(bar->findChild<QToolButton*>("turn"), Qt::LeftButton);
    EXPECT_EQ(bar->mode(), vexalith::viewer::DragMode::Turn);
}

TEST(ViewerImage, GrabbedViewHasTheWidgetsSizeAndNoNavigationBar)
{
    auto viewer = shown_viewer(QSize(300, 200));
    ASSERT_TRUE(load(*viewer, kCaffeine));
    ASSERT_TRUE(viewer->navigationBar());
    auto* bar = viewer->findChild<vexalith::viewer::NavigationBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->geometry().bottom(), viewer->height() - 1);

    // On screen the bar is there...
    const QImage screen = viewer->grab().toImage().convertToFormat(QImage::Format_RGB32);
    bool bar_on_screen = false;
    for (int x = 0; x < screen.width(); ++x)
        bar_on_screen = bar_on_screen || screen.pixelColor(x, screen.height() - 3) != kSky;
    EXPECT_TRUE(bar_on_screen);
    // ...in the grabbed view it is not.
    const QImage image = render(*viewer);
    EXPECT_EQ(image.size(), viewer->size());
    for (int y = image.height() - bar->height(); y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixelColor(x, y), kSky) << x << "," << y;

    viewer->setNavigationBar(false);
    EXPECT_FALSE(viewer->navigationBar());
    EXPECT_FALSE(bar->isVisible());
}

TEST(ViewerBackground, SetBackColorChangesTheClearColourQuietly)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    QSignalSpy changed(viewer.get(), &VrmlViewer::backColorChanged);
    viewer->setBackColor(QColor(10, 200, 30));
    EXPECT_EQ(viewer->backColor(), QColor(10, 200, 30));
    expect_corners(render(*viewer), QColor(10, 200, 30));
    EXPECT_EQ(changed.count(), 0);
}

TEST(ViewerBackground, ColourChosenFromTheMenuIsAnnounced)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    QSignalSpy changed(viewer.get(), &VrmlViewer::backColorChanged);

    // What the dialog's choice does.
    ASSERT_TRUE(QMetaObject::invokeMethod(viewer.get(), "applyUserBackColor", Q_ARG(QColor, QColor(200, 10, 90))));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QColor>(), QColor(200, 10, 90));
    expect_corners(render(*viewer), QColor(200, 10, 90));

    // The menu entry's dialog, answered by the "user".
    QTimer::singleShot(200, [] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->setCurrentColor(QColor(5, 6, 7));
        dialog->accept();
    });
    ASSERT_TRUE(QMetaObject::invokeMethod(viewer.get(), "chooseBackColor"));
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(1).at(0).value<QColor>(), QColor(5, 6, 7));
    EXPECT_EQ(viewer->backColor(), QColor(5, 6, 7));
}

// The scene's sky is the program's colour divided by 264: it reads back a
// shade darker.  The dialog starts from the colour the program set, and OK
// without a change announces nothing.
TEST(ViewerBackground, DialogStartsFromTheUsersColourNotTheSky)
{
    auto viewer = shown_viewer();
    const QColor program(66, 130, 132);
    viewer->setBackColor(program);
    ASSERT_TRUE(load(*viewer, kCaffeine));
    EXPECT_EQ(viewer->backColor(), kSky);
    EXPECT_EQ(viewer->userBackColor(), program);
    QSignalSpy changed(viewer.get(), &VrmlViewer::backColorChanged);

    const auto answer = [](QColor* shown, std::optional<QColor> choice) {
        QTimer::singleShot(200, [shown, choice] {
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            *shown = dialog->currentColor();
            if (choice)
                dialog->setCurrentColor(*choice);
            dialog->accept();
        });
    };
    QColor shown;
    for (int ok = 0; ok < 3; ++ok) {
        answer(&shown, std::nullopt);
        ASSERT_TRUE(QMetaObject::invokeMethod(viewer.get(), "chooseBackColor"));
        EXPECT_EQ(shown, program);
        EXPECT_EQ(changed.count(), 0) << "OK without a change";
    }
    answer(&shown, QColor(5, 6, 7));
    ASSERT_TRUE(QMetaObject::invokeMethod(viewer.get(), "chooseBackColor"));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QColor>(), QColor(5, 6, 7));
    // A scene's sky does not change the user's colour.
    ASSERT_TRUE(load(*viewer, kCaffeine));
    EXPECT_EQ(viewer->userBackColor(), QColor(5, 6, 7));
    answer(&shown, std::nullopt);
    ASSERT_TRUE(QMetaObject::invokeMethod(viewer.get(), "chooseBackColor"));
    EXPECT_EQ(shown, QColor(5, 6, 7));
    EXPECT_EQ(changed.count(), 1);
}

TEST(ViewerBackground, ContextMenuOnlyWhenEnabled)
{
    auto viewer = shown_viewer();
    QStringList entries;
    QTimer::singleShot(200, [&entries] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                entries << action->text();
        menu->close();
    });
    QContextMenuEvent shown(QContextMenuEvent::Mouse, QPoint(50, 50), viewer->mapToGlobal(QPoint(50, 50)));
    QApplication::sendEvent(viewer.get(), &shown);
    EXPECT_TRUE(shown.isAccepted());
    EXPECT_TRUE(entries.contains("Background colour…"));
    EXPECT_TRUE(entries.contains("Headlight"));

    viewer->setContextMenuEnabled(false);
    EXPECT_FALSE(viewer->contextMenuEnabled());
    QContextMenuEvent refused(QContextMenuEvent::Mouse, QPoint(50, 50), viewer->mapToGlobal(QPoint(50, 50)));
    QApplication::sendEvent(viewer.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST(ViewerContext, ReparentingKeepsTheScene)
{
    // A new parent window gives the widget a new OpenGL context; Coin's
    // buffers of the old one are dropped and the scene drawn again.
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, kCaffeine));
    const QImage before = render(*viewer);
    QWidget window;
    window.resize(320, 240);
    viewer->setParent(&window);
    viewer->setGeometry(0, 0, 320, 240);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(same(render(*viewer), before));
    viewer->setParent(nullptr);
    viewer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
    EXPECT_TRUE(same(render(*viewer), before));
}
