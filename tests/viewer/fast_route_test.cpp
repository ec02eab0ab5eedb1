// The program's own scenes on the fast route (spheres and cylinders drawn
// by shaders) look as they do on the generic route (Coin's import and
// meshes), navigate the same, and anything the fast route does not know
// still shows, the generic way.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <cstdlib>
#include <memory>
#include <string>

#include "support/command_run.h"
#include "support/corpus.h"
#include "viewer/impostor_shapes.h"
#include "viewer/navigation_bar.h"
#include "viewer/viewer_tuning.h"
#include "viewer_support.h"

using vexalith::VrmlViewer;
using vexalith::viewer::LoadOptions;
using vexalith::viewer::ViewerTuning;
using namespace viewertest;

namespace {

// The picture tolerance of the baseline test: at most 1 % of the pixels
// differ by more than 24 in a channel.
constexpr int kChannelTolerance = 24;
constexpr double kDifferingShare = 0.01;

const QColor kSky = framebuffer_colour(0.25, 0.492424242424242, 0.5);

std::unique_ptr<VrmlViewer> viewer_on_route(bool fast, QSize size = QSize(320, 240), bool whole_bonds = false)
{
    auto viewer = shown_viewer(size);
    LoadOptions options;
    options.fast_route = fast;
    options.cut_hidden_bond_ends = !whole_bonds;
    ViewerTuning::set_load_options(*viewer, options);
    return viewer;
}

void expect_alike(const QImage& a, const QImage& b, const std::string& what)
{
    const Difference d = compare(a, b, kChannelTolerance);
    EXPECT_LE(d.differing, kDifferingShare) << what << ": largest channel difference " << d.max_channel;
}

int foreground(const QImage& image, const QColor& background)
{
    int count = 0;
    mean_foreground_brightness(image, background, &count);
    return count;
}

// 1CBS with all its atoms in `mode` (ball-stick, vdw), converted into a
// scene of its own; empty when the converter failed.
std::string all_atoms_1cbs(const std::string& mode)
{
    const std::string scene = testsupport::temp_dir() + "/1cbs-all-atoms-" + mode + ".wrl";
    const testsupport::CommandRun run = testsupport::run_command(
        std::string(VEXALITH_CONVERT) + " " +
        testsupport::shell_quote(testsupport::corpus_plain_path("libcifpp_1cbs.cif")) + " --mode " + mode +
        " --no-protein-style --no-helices -o " + testsupport::shell_quote(scene));
    EXPECT_EQ(run.status, 0) << run.err;
    return run.status == 0 ? scene : std::string();
}

void drag(VrmlViewer& viewer, QPoint from, QPoint to)
{
    QTest::mousePress(&viewer, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&viewer, (from + to) / 2);
    QTest::mouseMove(&viewer, to);
    QTest::mouseRelease(&viewer, Qt::LeftButton, Qt::NoModifier, to);
}

// Turns the wheel `steps` notches towards the model (away when negative).
void wheel(VrmlViewer& viewer, int steps)
{
    for (int i = 0; i < std::abs(steps); ++i) {
        QWheelEvent event(QPointF(160, 120), viewer.mapToGlobal(QPointF(160, 120)), QPoint(),
                          QPoint(0, steps > 0 ? 120 : -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&viewer, &event);
    }
}

void click_fit(VrmlViewer& viewer)
{
    auto* bar = viewer.findChild<vexalith::viewer::NavigationBar*>();
    ASSERT_NE(bar, nullptr);
    auto* fit = bar->findChild<QToolButton*>("fit");
    ASSERT_NE(fit, nullptr);
    QTest::mouseClick(fit, Qt::LeftButton);
}

QString edited_caffeine(const std::string& from, const std::string& to)
{
    std::string text = testsupport::read_file(golden_scene("caffeine-ball-and-stick.wrl").toStdString());
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return write_temp("edited.wrl", text);
}

}  // namespace

TEST(FastRoute, TakenByTheProgramsScenesOnly)
{
    auto viewer = shown_viewer();
    for (const char* name :
         {"caffeine-ball-and-stick.wrl", "caffeine-printer-millimetres.wrl", "1cbs-printer-metres.wrl",
          "1cbs-helices.wrl", "cu3182-hydrogen-bonds-and-van-der-waals.wrl"}) {
        ASSERT_TRUE(load(*viewer, golden_scene(name))) << name;
        EXPECT_TRUE(viewer->fastRoute()) << name << ": " << viewer->routeNote().toStdString();
        EXPECT_TRUE(viewer->routeNote().isEmpty()) << name;
        const auto report = ViewerTuning::last_load(*viewer);
        EXPECT_TRUE(report.fast_route) << name;
        EXPECT_GT(report.spheres, 0u) << name;
        EXPECT_EQ(report.merged_shapes, 0u) << name << ": no meshes on the fast route";
    }
    // A compressed scene is the same scene.
    const std::string caffeine = testsupport::read_file(golden_scene("caffeine-ball-and-stick.wrl").toStdString());
    ASSERT_TRUE(load(*viewer, write_temp("caffeine.wrz", gzip(caffeine))));
    EXPECT_TRUE(viewer->fastRoute());

    const QString foreign = write_temp("foreign.wrl", "#VRML V2.0 utf8\nShape { geometry Sphere { radius 2 } }\n");
    ASSERT_TRUE(load(*viewer, foreign));
    EXPECT_FALSE(viewer->fastRoute());
    EXPECT_TRUE(viewer->routeNote().startsWith("line 2")) << viewer->routeNote().toStdString();
    EXPECT_FALSE(ViewerTuning::last_load(*viewer).fast_route);

    // Switched off, the generic route takes even the program's scenes.
    LoadOptions generic;
    generic.fast_route = false;
    ViewerTuning::set_load_options(*viewer, generic);
    ASSERT_TRUE(load(*viewer, golden_scene("caffeine-ball-and-stick.wrl")));
    EXPECT_FALSE(viewer->fastRoute());
    EXPECT_GT(ViewerTuning::last_load(*viewer).merged_shapes, 0u);
}

// The same scene drawn both ways, with its own lights (the point light
// that follows the viewer) or the headlight (printer files), still and
// turned.
TEST(FastRoute, PicturesMatchTheGenericRoute)
{
    struct Case {
        const char* scene;
        QSize size;
    };
    for (const Case& c :
         {Case{"caffeine-ball-and-stick.wrl", {320, 240}}, Case{"1cbs-helices.wrl", {400, 300}},
          Case{"caffeine-printer-millimetres.wrl", {320, 240}}, Case{"1cbs-printer-metres.wrl", {400, 300}},
          Case{"cu3182-hydrogen-bonds-covalent-radius.wrl", {320, 240}}}) {
        auto fast = viewer_on_route(true, c.size);
        auto generic = viewer_on_route(false, c.size);
        const QColor back(20, 40, 60);
        fast->setBackColor(back);
        generic->setBackColor(back);
        ASSERT_TRUE(load(*fast, golden_scene(c.scene))) << c.scene;
        ASSERT_TRUE(load(*generic, golden_scene(c.scene))) << c.scene;
        ASSERT_TRUE(fast->fastRoute()) << c.scene;
        ASSERT_FALSE(generic->fastRoute()) << c.scene;
        const QImage fast_still = render(*fast);
        const QImage generic_still = render(*generic);
        const QColor background = fast->backColor();
        EXPECT_GT(foreground(fast_still, background), 1000) << c.scene;
        expect_alike(fast_still, generic_still, std::string(c.scene) + ", still");

        const QPoint centre(c.size.width() / 2, c.size.height() / 2);
        drag(*fast, centre, centre + QPoint(70, -40));
        drag(*generic, centre, centre + QPoint(70, -40));
        const QImage fast_turned = render(*fast);
        EXPECT_GT(compare(fast_turned, fast_still, kChannelTolerance).differing, 0.01) << c.scene << " did not turn";
        expect_alike(fast_turned, render(*generic), std::string(c.scene) + ", turned");
    }
}

// The parts of the bonds inside the atoms are not cast: the pictures are
// those of whole bonds, pixel for pixel but for rounding where a cap
// meets its atom, far (points) and near (quads), and turned.
TEST(FastRoute, BondsCutBackToWhatShowsLookAsWholeBonds)
{
    const std::string scene = all_atoms_1cbs("ball-stick");
    ASSERT_FALSE(scene.empty());
    for (const QString& path : {QString::fromStdString(scene), golden_scene("caffeine-ball-and-stick.wrl"),
                                golden_scene("cu3182-hydrogen-bonds-covalent-radius.wrl")}) {
        const QSize size(640, 480);
        auto cut = viewer_on_route(true, size);
        auto whole = viewer_on_route(true, size, true);
        ASSERT_TRUE(load(*cut, path));
        ASSERT_TRUE(load(*whole, path));
        const std::string what = path.toStdString();
        const auto expect_same = [&](const std::string& view) {
            const QImage a = render(*cut);
            const Difference d = compare(a, render(*whole), 8);
            EXPECT_LE(d.differing, 0.0005) << what << ", " << view << ": largest channel difference " << d.max_channel;
            EXPECT_GT(foreground(a, cut->backColor()), 5000) << what << ", " << view;
        };
        expect_same("still");
        const QPoint centre(size.width() / 2, size.height() / 2);
        for (VrmlViewer* v : {cut.get(), whole.get()})
            drag(*v, centre, centre + QPoint(90, -60));
        expect_same("turned");
        for (VrmlViewer* v : {cut.get(), whole.get()})
            wheel(*v, 14);
        expect_same("close up");
    }
}

// A protein with all its atoms: small atoms are drawn as points, and as
// quads once the view comes close; either way as on the generic route.
TEST(FastRoute, BothFormsOfAProteinMatchTheGenericRoute)
{
    const std::string scene = all_atoms_1cbs("ball-stick");
    ASSERT_FALSE(scene.empty());
    const QSize size(640, 480);
    auto fast = viewer_on_route(true, size);
    auto generic = viewer_on_route(false, size);
    ASSERT_TRUE(load(*fast, QString::fromStdString(scene)));
    ASSERT_TRUE(load(*generic, QString::fromStdString(scene)));
    ASSERT_TRUE(fast->fastRoute());
    EXPECT_GT(ViewerTuning::last_load(*fast).spheres, 1000u);

    using vexalith::viewer::impostor_frames;
    auto before = impostor_frames();
    const QImage far = render(*fast);
    EXPECT_GT(impostor_frames().points, before.points);
    EXPECT_GT(foreground(far, kSky), 20000);
    expect_alike(far, render(*generic), "1CBS as points");

    for (VrmlViewer* v : {fast.get(), generic.get()})
        wheel(*v, 14);
    before = impostor_frames();
    const QImage near = render(*fast);
    EXPECT_GT(impostor_frames().quads, before.quads);
    EXPECT_EQ(impostor_frames().points, before.points);
    expect_alike(near, render(*generic), "1CBS close up, as quads");
}

// Fit frames the same box, and a camera saved on one route shows the same
// view on the other.
TEST(FastRoute, FitAndViewpointRoundTripAgreeWithTheGenericRoute)
{
    const QString scene = golden_scene("caffeine-ball-and-stick.wrl");
    auto fast = viewer_on_route(true);
    auto generic = viewer_on_route(false);
    ASSERT_TRUE(load(*fast, scene));
    ASSERT_TRUE(load(*generic, scene));
    for (VrmlViewer* v : {fast.get(), generic.get()}) {
        drag(*v, QPoint(160, 120), QPoint(100, 60));
        wheel(*v, 8);
        click_fit(*v);
    }
    const QImage fast_fitted = render(*fast);
    expect_alike(fast_fitted, render(*generic), "fitted");
    int count = 0;
    mean_foreground_brightness(fast_fitted, kSky, &count);
    EXPECT_GT(count, 2000);

    // Round trip on the fast route: reload, put the camera back.
    drag(*fast, QPoint(160, 120), QPoint(200, 170));
    const QImage turned = render(*fast);
    const QVariant camera = fast->viewpointPosition();
    ASSERT_TRUE(load(*fast, scene));
    EXPECT_NE(fast->viewpointPosition(), camera) << "a new load takes the scene's viewpoint";
    fast->setViewpointPosition(camera);
    EXPECT_EQ(fast->viewpointPosition(), camera);
    EXPECT_EQ(compare(render(*fast), turned, 0).max_channel, 0);

    // The same camera on the generic route.
    generic->setViewpointPosition(camera);
    EXPECT_EQ(generic->viewpointPosition(), camera);
    expect_alike(render(*generic), turned, "the fast route's camera on the generic route");
}

// An extra node or a changed appearance is no longer the program's own
// scene: it goes the generic way and shows what the file says.
TEST(FastRoute, EditedScenesFallBackAndStillShow)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, golden_scene("caffeine-ball-and-stick.wrl")));
    ASSERT_TRUE(viewer->fastRoute());
    const QImage original = render(*viewer);

    // A large red box among the atoms.
    const QString extra =
        edited_caffeine("# Atoms\r\n",
                        "# Atoms\r\nShape { appearance Appearance { material Material { diffuseColor 1 0 0 } }"
                        " geometry Box { size 40 40 40 } }\r\n");
    ASSERT_TRUE(load(*viewer, extra)) << viewer->lastError().toStdString();
    EXPECT_FALSE(viewer->fastRoute());
    EXPECT_TRUE(viewer->routeNote().startsWith("line ")) << viewer->routeNote().toStdString();
    const QImage with_box = render(*viewer);
    EXPECT_GT(foreground(with_box, kSky), foreground(original, kSky) + 500) << "the box is drawn";

    // Carbon turned into a glowing green: the fast route does not know
    // emissive colours.
    const QString glowing = edited_caffeine("material Material {diffuseColor 0.45  0.45  0.45",
                                            "material Material {emissiveColor 0 1 0 diffuseColor 0.45  0.45  0.45");
    ASSERT_TRUE(load(*viewer, glowing)) << viewer->lastError().toStdString();
    EXPECT_FALSE(viewer->fastRoute());
    const QImage green = render(*viewer);
    int greener = 0;
    for (int y = 0; y < green.height(); ++y)
        for (int x = 0; x < green.width(); ++x) {
            const QColor c = green.pixelColor(x, y);
            greener += c.green() > 200 && c.red() < 150 ? 1 : 0;
        }
    EXPECT_GT(greener, 200) << "carbon glows green";
    EXPECT_EQ(green.pixelColor(0, 0), kSky);
}

// Where the OpenGL context cannot run the shaders, the scene shown goes
// again the generic way, in the same view, and so do the next ones.
TEST(FastRoute, ContextWithoutTheShadersFallsBackToMeshes)
{
    auto viewer = shown_viewer();
    const QString scene = golden_scene("caffeine-ball-and-stick.wrl");
    ASSERT_TRUE(load(*viewer, scene));
    ASSERT_TRUE(viewer->fastRoute());
    drag(*viewer, QPoint(160, 120), QPoint(120, 170));
    const QImage turned = render(*viewer);

    QSignalSpy loaded(viewer.get(), &VrmlViewer::sceneLoaded);
    ViewerTuning::refuse_impostors(*viewer);
    ASSERT_TRUE(loaded.wait(60000));
    EXPECT_TRUE(loaded.at(0).at(0).toBool());
    EXPECT_FALSE(viewer->fastRoute());
    EXPECT_TRUE(viewer->routeNote().contains("cannot draw")) << viewer->routeNote().toStdString();
    EXPECT_GT(ViewerTuning::last_load(*viewer).merged_shapes, 0u);
    expect_alike(render(*viewer), turned, "the same view in meshes");

    ASSERT_TRUE(load(*viewer, golden_scene("1cbs-helices.wrl")));
    EXPECT_FALSE(viewer->fastRoute());
    EXPECT_GT(foreground(render(*viewer), kSky), 1000);
}

// Under an OpenGL older than the shaders need (ctest runs this with Mesa
// told to offer OpenGL 3.0), the program's scenes take the generic route
// from the start, and say why.
TEST(FastRoute, OlderOpenGLTakesTheGenericRoute)
{
    if (!qEnvironmentVariableIsSet("MESA_GL_VERSION_OVERRIDE"))
        GTEST_SKIP() << "for a run with MESA_GL_VERSION_OVERRIDE=3.0";
    auto viewer = shown_viewer();
    render(*viewer);  // the context exists before the scene comes
    ASSERT_TRUE(load(*viewer, golden_scene("caffeine-ball-and-stick.wrl")));
    EXPECT_FALSE(viewer->fastRoute());
    EXPECT_TRUE(viewer->routeNote().contains("OpenGL 3.0")) << viewer->routeNote().toStdString();
    EXPECT_GT(ViewerTuning::last_load(*viewer).merged_shapes, 0u);
    EXPECT_GT(foreground(render(*viewer), kSky), 2000);
}

// A frame that culls (casts what the last frame lit, tests the others
// against it and casts only those that may show) shows what a frame
// casting every instance shows: still, turned a little or a lot, and
// from close by, where instances reach past the near plane.  Only pixels
// where two instances meet at the same depth may take either one's colour.
TEST(FastRoute, CulledFramesShowWhatCastingEveryInstanceShows)
{
    const std::string scene = all_atoms_1cbs("vdw");
    ASSERT_FALSE(scene.empty());
    const QSize size(480, 360);
    auto viewer = viewer_on_route(true, size);
    ASSERT_TRUE(load(*viewer, QString::fromStdString(scene)));
    ASSERT_TRUE(viewer->fastRoute());

    using vexalith::viewer::impostor_frames;
    using vexalith::viewer::ImpostorCulling;
    using vexalith::viewer::set_impostor_culling;
    const auto before = impostor_frames();
    const QPoint centre(size.width() / 2, size.height() / 2);
    struct Step {
        const char* what;
        QPoint drag;
        int wheel;
    };
    vexalith::viewer::set_impostor_splatting(false);  // culling is for the rasterised frames
    for (const Step& step : {Step{"still", QPoint(), 0}, Step{"turned a little", QPoint(6, 2), 0},
                             Step{"turned a lot", QPoint(120, -70), 0}, Step{"close by", QPoint(10, 10), 16},
                             Step{"inside", QPoint(-30, 5), 12}}) {
        set_impostor_culling(ImpostorCulling::Always);
        render(*viewer);  // casts every instance, lists what it lights
        render(*viewer);  // culls
        if (!step.drag.isNull())
            drag(*viewer, centre, centre + step.drag);
        wheel(*viewer, step.wheel);
        const QImage culled = render(*viewer);
        set_impostor_culling(ImpostorCulling::Off);
        const QImage cast_all = render(*viewer);
        const Difference d = compare(culled, cast_all, 0);
        EXPECT_LE(d.differing, 1e-4) << step.what << ": largest channel difference " << d.max_channel;
        EXPECT_GT(foreground(cast_all, kSky), 1000) << step.what;
    }
    set_impostor_culling(ImpostorCulling::WhenItPays);
    vexalith::viewer::set_impostor_splatting(true);
    EXPECT_GE(impostor_frames().culled - before.culled, 10u) << "frames culled";
}

// While every atom and bond covers few pixels, compute shaders splat them
// instead of the rasteriser: the pictures are the rasterised ones, still
// and turned, but for rounding at an outline here and there.
TEST(FastRoute, SplattedFramesLookAsRasterisedOnes)
{
    using vexalith::viewer::impostor_frames;
    using vexalith::viewer::set_impostor_splatting;
    // Far enough that every atom and bond covers a few pixels; in van der
    // Waals mode the atoms overlap deeply.
    struct Case {
        const char* mode;
        int away;        // wheel notches
        int foreground;  // pixels at least
    };
    for (const auto& [mode, away, shown] : {Case{"ball-stick", 3, 3000}, Case{"vdw", 10, 800}}) {
        const std::string scene = all_atoms_1cbs(mode);
        ASSERT_FALSE(scene.empty());
        const QSize size(400, 300);
        auto viewer = viewer_on_route(true, size);
        ASSERT_TRUE(load(*viewer, QString::fromStdString(scene)));
        ASSERT_TRUE(viewer->fastRoute());
        const auto [major, minor] = viewer->format().version();
        if (major < 4 || (major == 4 && minor < 3))
            GTEST_SKIP() << "splatting needs OpenGL 4.3";
        wheel(*viewer, -away);
        const QPoint centre(size.width() / 2, size.height() / 2);
        for (const QPoint turn : {QPoint(), QPoint(60, -40), QPoint(-100, 20)}) {
            if (!turn.isNull())
                drag(*viewer, centre, centre + turn);
            auto before = impostor_frames();
            const QImage splatted = render(*viewer);
            EXPECT_GT(impostor_frames().splatted, before.splatted) << mode;
            set_impostor_splatting(false);
            before = impostor_frames();
            const QImage rasterised = render(*viewer);
            set_impostor_splatting(true);
            EXPECT_EQ(impostor_frames().splatted, before.splatted);
            const Difference d = compare(splatted, rasterised, 8);
            EXPECT_LE(d.differing, 0.0005) << mode << ", turned by " << turn.x() << ", " << turn.y()
                                           << ": largest channel difference " << d.max_channel;
            EXPECT_GT(foreground(splatted, kSky), shown) << mode;
        }
    }
}

// Under OpenGL 3.3 (ctest runs this with Mesa told to offer it), without
// the storage buffers culling needs, every frame casts every instance and
// the pictures are as on the generic route.
TEST(FastRoute, OpenGL33CastsEveryInstance)
{
    if (qgetenv("MESA_GL_VERSION_OVERRIDE") != "3.3COMPAT")
        GTEST_SKIP() << "for a run with MESA_GL_VERSION_OVERRIDE=3.3COMPAT";
    using vexalith::viewer::impostor_frames;
    using vexalith::viewer::ImpostorCulling;
    using vexalith::viewer::set_impostor_culling;
    const QString scene = golden_scene("1cbs-helices.wrl");
    auto fast = viewer_on_route(true);
    auto generic = viewer_on_route(false);
    ASSERT_TRUE(load(*fast, scene));
    ASSERT_TRUE(load(*generic, scene));
    ASSERT_TRUE(fast->fastRoute()) << fast->routeNote().toStdString();
    set_impostor_culling(ImpostorCulling::Always);
    const auto before = impostor_frames();
    for (VrmlViewer* v : {fast.get(), generic.get()})
        drag(*v, QPoint(160, 120), QPoint(190, 100));
    render(*fast);
    const QImage turned = render(*fast);
    set_impostor_culling(ImpostorCulling::WhenItPays);
    EXPECT_EQ(impostor_frames().culled, before.culled);
    EXPECT_GE(impostor_frames().cast_all - before.cast_all, 2u);
    expect_alike(turned, render(*generic), "turned, under OpenGL 3.3");
}
