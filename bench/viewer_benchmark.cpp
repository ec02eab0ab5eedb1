// How the 3D viewer copes with a scene: the time from setScene to the
// first frame, and frame times still and while the view is turned with a
// left drag.  Run it on an X display (xvfb-run for software rendering):
//
//   xvfb-run -a -s '-screen 0 1280x1024x24' vexalith_viewer_benchmark scene.wrl
//       [--size 1000x750] [--frames 20] [--route fast|generic] [--culling off|auto|always]
//       [--splat on|off] [--no-merge] [--whole-bonds] [--save still.png]
//
// --route generic sends even the program's own scenes through Coin's VRML
// import and merged meshes, for comparison with the fast route (the
// default, which such scenes take).  --culling says when the fast route's
// frames cull (auto: when it pays, the default).  --splat off rasterises
// even the frames that compute shaders would splat.  --whole-bonds casts the
// bonds whole, the parts inside the atoms too.  Peak memory is the
// process's high-water mark of resident memory (VmHWM).
//
// Frames are timed as rendered and read back (grabView), which is what
// a frame costs at least on screen.
#include <QApplication>
#include <QOpenGLWidget>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <time.h>

#include "viewer/impostor_shapes.h"
#include "viewer/viewer_tuning.h"
#include "viewer/vrml_viewer.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The CPU time of the whole process (every thread: the software
// renderer's too), in seconds.
double process_cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The CPU time the frames took, summed over the process's threads: less
// at the mercy of other programs' load than the wall-clock time.
std::vector<double> cpu_times;

double timed_frame(vexalith::VrmlViewer& viewer)
{
    const auto start = Clock::now();
    const double cpu_start = process_cpu_seconds();
    const QImage image = viewer.grabView();
    if (image.isNull())
        std::fprintf(stderr, "no image\n");
    cpu_times.push_back(process_cpu_seconds() - cpu_start);
    return seconds_since(start);
}

struct Summary {
    double median = 0, worst = 0;
};

Summary summary(std::vector<double> times)
{
    if (times.empty())
        return {};
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

// The process's peak resident memory in MB, or -1 where unknown.
double peak_memory_mb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;  // kB
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    vexalith::prepare_viewer_platform();
    QApplication application(argc, argv);

    QString scene;
    QSize size(1000, 750);
    int frames = 20;
    bool merge = true;
    bool fast_route = true;
    bool whole_bonds = false;
    QString save;
    const QStringList arguments = QApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == "--size" && i + 1 < arguments.size()) {
            const QStringList wh = arguments[++i].split('x');
            if (wh.size() == 2)
                size = QSize(wh[0].toInt(), wh[1].toInt());
        } else if (a == "--frames" && i + 1 < arguments.size()) {
            frames = std::max(1, arguments[++i].toInt());
        } else if (a == "--route" && i + 1 < arguments.size()) {
            const QString route = arguments[++i];
            if (route != "fast" && route != "generic") {
                std::fprintf(stderr, "--route takes fast or generic\n");
                return 2;
            }
            fast_route = route == "fast";
        } else if (a == "--culling" && i + 1 < arguments.size()) {
            const QString mode = arguments[++i];
            if (mode != "off" && mode != "auto" && mode != "always") {
                std::fprintf(stderr, "--culling takes off, auto or always\n");
                return 2;
            }
            vexalith::viewer::set_impostor_culling(mode == "off"      ? vexalith::viewer::ImpostorCulling::Off
                                                   : mode == "always" ? vexalith::viewer::ImpostorCulling::Always
                                                                      : vexalith::viewer::ImpostorCulling::WhenItPays);
        } else if (a == "--splat" && i + 1 < arguments.size()) {
            const QString splat = arguments[++i];
            if (splat != "on" && splat != "off") {
                std::fprintf(stderr, "--splat takes on or off\n");
                return 2;
            }
            vexalith::viewer::set_impostor_splatting(splat == "on");
        } else if (a == "--no-merge") {
            merge = false;
        } else if (a == "--whole-bonds") {
            whole_bonds = true;
        } else if (a == "--save" && i + 1 < arguments.size()) {
            save = arguments[++i];
        } else {
            scene = a;
        }
    }
    if (scene.isEmpty()) {
        std::fprintf(stderr,
                     "usage: vexalith_viewer_benchmark scene.wrl [--size WxH] [--frames N] "
                     "[--route fast|generic] [--culling off|auto|always] [--splat on|off] [--no-merge] [--whole-bonds] "
                     "[--save still.png]\n");
        return 2;
    }
    if (const auto problem = vexalith::viewer_problem()) {
        std::fprintf(stderr, "viewer unusable: %s\n", problem->toUtf8().constData());
        return 1;
    }

    vexalith::VrmlViewer viewer;
    vexalith::viewer::LoadOptions options;
    options.merge_shapes = merge;
    options.fast_route = fast_route;
    options.cut_hidden_bond_ends = !whole_bonds;
    vexalith::viewer::ViewerTuning::set_load_options(viewer, options);
    viewer.resize(size);
    viewer.show();
    if (!QTest::qWaitForWindowExposed(&viewer))
        return 1;

    // The first frame of a new OpenGL context includes Coin's set-up (it
    // times vertex buffers once per context): out of the load's figures.
    const double empty_frame = timed_frame(viewer);

    QSignalSpy loaded(&viewer, &vexalith::VrmlViewer::sceneLoaded);
    const auto start = Clock::now();
    double to_first_frame = -1;
    double load_seconds = -1;
    QObject::connect(&viewer, &vexalith::VrmlViewer::sceneLoaded, [&] { load_seconds = seconds_since(start); });
    QObject::connect(&viewer, &QOpenGLWidget::frameSwapped, [&] {
        if (!loaded.isEmpty() && to_first_frame < 0)
            to_first_frame = seconds_since(start);
    });
    viewer.setScene(scene);
    // The GUI thread stays free while the scene loads: the longest time it
    // goes without handling events, until the scene is handed over.
    // From the hand-over on, the GUI thread has work of its own: installing
    // the scene and drawing its first frame, timed apart.
    double longest_stall = 0;
    double first_frame_stall = 0;
    while (true) {
        const auto tick = Clock::now();
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!loaded.isEmpty()) {
            first_frame_stall = seconds_since(tick);
            break;
        }
        longest_stall = std::max(longest_stall, seconds_since(tick));
        QTest::qSleep(5);
        if (seconds_since(start) > 900) {
            std::fprintf(stderr, "no sceneLoaded after 900 s\n");
            return 1;
        }
    }
    if (!loaded.at(0).at(0).toBool()) {
        std::fprintf(stderr, "load failed: %s\n", viewer.lastError().toUtf8().constData());
        return 1;
    }
    // The first frame of the new scene on screen.
    while (to_first_frame < 0 && seconds_since(start) < 900) {
        const auto tick = Clock::now();
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        first_frame_stall = std::max(first_frame_stall, seconds_since(tick));
    }
    const auto report = vexalith::viewer::ViewerTuning::last_load(viewer);

    std::vector<double> still;
    for (int i = 0; i < 3; ++i)
        still.push_back(timed_frame(viewer));
    if (!save.isEmpty() && !viewer.grabView().save(save))
        std::fprintf(stderr, "cannot save %s\n", save.toUtf8().constData());

    const QPoint centre(size.width() / 2, size.height() / 2);
    QTest::mousePress(&viewer, Qt::LeftButton, Qt::NoModifier, centre);
    cpu_times.clear();
    std::vector<double> turning;
    for (int i = 1; i <= frames; ++i) {
        QTest::mouseMove(&viewer, centre + QPoint(8 * i, 3 * i));
        turning.push_back(timed_frame(viewer));
    }
    QTest::mouseRelease(&viewer, Qt::LeftButton, Qt::NoModifier, centre + QPoint(8 * frames, 3 * frames));
    const std::vector<double> turning_cpu = cpu_times;
    const double after_release = timed_frame(viewer);

    const Summary s = summary(still);
    const Summary t = summary(turning);
    std::printf("scene                     %s\n", scene.toUtf8().constData());
    std::printf("view                      %dx%d, shapes merged: %s\n", size.width(), size.height(),
                merge ? "yes" : "no");
    std::printf("first frame of the context %.2f s (empty view)\n", empty_frame);
    std::printf("read / parse / prepare    %.2f / %.2f / %.2f s (loading thread)\n", report.read_seconds,
                report.parse_seconds, report.prepare_seconds);
    std::printf("hand-over to GUI thread   %.3f s\n", report.install_seconds);
    std::printf("merged shapes             %zu (triangles still %zu, moving %zu)\n", report.merged_shapes,
                report.still_triangles, report.moving_triangles);
    std::printf("setScene to sceneLoaded   %.2f s (longest GUI stall while loading %.3f s)\n", load_seconds,
                longest_stall);
    std::printf("setScene to first frame   %.2f s (longest GUI stall on the way %.3f s)\n", to_first_frame,
                first_frame_stall);
    std::printf("still frame               median %.3f s, worst %.3f s\n", s.median, s.worst);
    std::printf("frame while turning       median %.3f s, worst %.3f s (%d frames)\n", t.median, t.worst, frames);
    std::printf("CPU time while turning    median %.3f s a frame (all threads)\n", summary(turning_cpu).median);
    std::printf("first frame after release %.3f s\n", after_release);
    std::printf("route                     %s%s%s\n", report.fast_route ? "fast" : "generic",
                viewer.routeNote().isEmpty() ? "" : ": ", viewer.routeNote().toUtf8().constData());
    std::printf("shapes drawn by shaders   %zu spheres, %zu cylinders\n", report.spheres, report.cylinders);
    const auto impostor = vexalith::viewer::impostor_frames();
    std::printf("impostor frames           %zu culled, %zu casting all, %zu splatted\n", impostor.culled,
                impostor.cast_all, impostor.splatted);
    std::printf("peak memory               %.0f MB\n", peak_memory_mb());
    return 0;
}
