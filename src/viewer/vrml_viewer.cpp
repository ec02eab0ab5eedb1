#include "viewer/vrml_viewer.h"

#include <Inventor/SbColor4f.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoRenderManager.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/misc/SoContextHandler.h>
#include <Inventor/nodekits/SoNodeKit.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>

#include <QColorDialog>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMetaType>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPointer>
#include <QThread>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <numbers>

#include "viewer/coin_ref.h"
#include "viewer/coin_sensor_driver.h"
#include "viewer/examine_camera.h"
#include "viewer/impostor_shapes.h"
#include "viewer/navigation_bar.h"
#include "viewer/scene_adapter.h"
#include "viewer/viewer_tuning.h"

namespace vexalith::viewer {

// The camera as viewpointPosition() hands it out.
struct SavedViewpoint {
    std::array<float, 3> position{};
    std::array<float, 4> orientation{};  // quaternion
    float height_angle = 0;
    float focal_distance = 0;
    std::array<float, 3> pivot{};

    bool operator==(const SavedViewpoint&) const = default;
};

}  // namespace vexalith::viewer

Q_DECLARE_METATYPE(vexalith::viewer::SavedViewpoint)

namespace vexalith {

using namespace viewer;

namespace {

// SoComplexity of what is not merged into meshes: Coin's default while
// still, much less while the view moves.
constexpr float kStillComplexity = 0.5f;
constexpr float kMovingComplexity = 0.15f;
// A drag across the smaller side of the view turns the model half round.
constexpr float kTurnPerSide = std::numbers::pi_v<float>;
// One wheel step (120 eighths of a degree) comes 15 % closer.
constexpr float kWheelStepFactor = 0.85f;
// A drag over the view's height zooms by e^2.
constexpr float kZoomPerHeight = 2.0f;

SbColor to_sb(const QColor& colour)
{
    return SbColor(static_cast<float>(colour.redF()), static_cast<float>(colour.greenF()),
                   static_cast<float>(colour.blueF()));
}

// The colour as an 8-bit frame buffer shows it (what the program reads
// back); the clear colour itself keeps the file's value.
QColor to_qcolor(const SbColor& colour)
{
    auto byte = [](float v) { return static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return QColor(byte(colour[0]), byte(colour[1]), byte(colour[2]));
}

bool finite(const SavedViewpoint& v)
{
    auto ok = [](float x) { return std::isfinite(x); };
    for (float x : v.position)
        if (!ok(x))
            return false;
    for (float x : v.pivot)
        if (!ok(x))
            return false;
    float norm = 0;
    for (float x : v.orientation) {
        if (!ok(x))
            return false;
        norm += x * x;
    }
    return norm > 0.5f && ok(v.height_angle) && v.height_angle > 0 && v.height_angle < std::numbers::pi_v<float> &&
           ok(v.focal_distance);
}

}  // namespace

struct VrmlViewer::Load {
    quint64 ticket = 0;
    QString path;
    LoadedScene loaded;
};

struct VrmlViewer::State {
    QString scene;
    QString last_error;
    QColor back_color{0, 0, 0};
    QColor user_back_color;               // invalid until set by the program or the user
    SbColor clear_colour{0, 0, 0};        // exact, also when it came from a file
    bool head_light = true;               // the viewer's setting
    bool scene_head_light = true;         // the scene's NavigationInfo
    std::optional<bool> user_head_light;  // the context menu's choice for this scene
    bool navigation_bar = true;
    bool context_menu = true;

    // Coin: root { complexity, eye lights { headlight, scene's }, camera, scene }
    std::unique_ptr<SoRenderManager> renderer;
    CoinRef<SoSeparator> root;
    SoComplexity* complexity = nullptr;
    SoDirectionalLight* headlight = nullptr;
    SoGroup* scene_lights = nullptr;
    SoPerspectiveCamera* camera = nullptr;
    SoGroup* scene_slot = nullptr;
    SoSwitch* detail = nullptr;
    CoinRef<SoSeparator> content;
    SbBox3f bounds;
    SbVec3f pivot{0, 0, 0};

    uint32_t cache_context = 0;
    bool context_live = false;
    QMetaObject::Connection context_connection;

    // Loading: one thread, requests in order; an older request still
    // queued when a newer one arrives is skipped.
    QThread loader;
    QObject* loader_worker = nullptr;
    quint64 ticket = 0;
    std::shared_ptr<std::atomic<quint64>> latest = std::make_shared<std::atomic<quint64>>(0);
    LoadOptions load_options;
    LoadReport last_load;
    SceneRoute route = SceneRoute::Generic;
    QString route_note;
    // Set when the OpenGL context cannot draw the fast route's shapes.
    std::optional<QString> no_impostors;
    bool loading = false;
    bool restored_while_loading = false;

    NavigationBar* bar = nullptr;
    bool dragging = false;
    bool moving = false;
    DragMode drag_mode = DragMode::Turn;
    Qt::MouseButton drag_button = Qt::NoButton;
    QPointF last_position;

    CameraState camera_state() const
    {
        CameraState c;
        c.position = camera->position.getValue();
        c.orientation = camera->orientation.getValue();
        c.height_angle = camera->heightAngle.getValue();
        c.focal_distance = camera->focalDistance.getValue();
        c.pivot = pivot;
        return c;
    }

    void set_camera(const CameraState& c)
    {
        camera->position = c.position;
        camera->orientation = c.orientation;
        camera->heightAngle = c.height_angle;
        camera->focalDistance = c.focal_distance;
        pivot = c.pivot;
    }
};

VrmlViewer::VrmlViewer(QWidget* parent) : QOpenGLWidget(parent), state_(std::make_unique<State>())
{
    // Done by prepare_viewer_platform(); again here (it is idempotent) so
    // that a viewer never meets an uninitialised Coin.
    SoDB::init();
    SoNodeKit::init();
    CoinSensorDriver::ensure();
    State& s = *state_;

    s.root = CoinRef<SoSeparator>(new SoSeparator);
    s.complexity = new SoComplexity;
    s.complexity->value = kStillComplexity;
    s.root->addChild(s.complexity);
    // Lights before the camera are in the viewer's frame: they follow it.
    auto* eye_lights = new SoGroup;
    s.headlight = new SoDirectionalLight;
    s.headlight->direction = SbVec3f(0, 0, -1);
    eye_lights->addChild(s.headlight);
    s.scene_lights = new SoGroup;
    eye_lights->addChild(s.scene_lights);
    s.root->addChild(eye_lights);
    s.camera = new SoPerspectiveCamera;
    s.root->addChild(s.camera);
    s.scene_slot = new SoGroup;
    s.root->addChild(s.scene_slot);

    s.renderer = std::make_unique<SoRenderManager>();
    s.renderer->setAutoClipping(SoRenderManager::NO_AUTO_CLIPPING);
    s.renderer->setSceneGraph(s.root.get());
    s.renderer->setCamera(s.camera);
    s.renderer->setBackgroundColor(SbColor4f(s.clear_colour, 1.0f));
    s.renderer->setRenderCallback([](void* data, SoRenderManager*) { static_cast<VrmlViewer*>(data)->update(); }, this);
    s.renderer->activate();

    s.loader_worker = new QObject;
    s.loader_worker->moveToThread(&s.loader);
    s.loader.setObjectName("vexalith scene loader");
    s.loader.start();

    s.bar = new NavigationBar(this);
    connect(s.bar, &NavigationBar::fitRequested, this, &VrmlViewer::fitView);
    placeNavigationBar();

    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(64, 64);
    updateHeadLight();
}

VrmlViewer::~VrmlViewer()
{
    State& s = *state_;
    s.loader.quit();
    s.loader.wait();
    delete s.loader_worker;

    if (s.context_live) {
        disconnect(s.context_connection);
        makeCurrent();
        s.renderer.reset();
        s.content.reset();
        s.root.reset();
        SoContextHandler::destructingContext(s.cache_context);
        doneCurrent();
    }
}

void VrmlViewer::releaseContext()
{
    State& s = *state_;
    if (!s.context_live)
        return;
    makeCurrent();
    SoContextHandler::destructingContext(s.cache_context);
    doneCurrent();
    s.context_live = false;
}

// --- loading ---------------------------------------------------------------

void VrmlViewer::setScene(const QString& path)
{
    State& s = *state_;
    const quint64 ticket = ++s.ticket;
    s.latest->store(ticket);
    s.scene = path;
    s.loading = true;
    s.restored_while_loading = false;
    const std::string file = QFile::encodeName(path).toStdString();
    const auto latest = s.latest;
    LoadOptions options = s.load_options;
    if (s.no_impostors) {
        options.fast_route = false;
        options.fast_route_off = "this OpenGL cannot draw the fast route: " + s.no_impostors->toStdString();
    }
    QPointer<VrmlViewer> viewer(this);
    QMetaObject::invokeMethod(
        s.loader_worker,
        [viewer, latest, ticket, path, file, options] {
            if (latest->load() != ticket)
                return;  // a newer scene was asked for meanwhile
            auto load = std::make_shared<Load>();
            load->ticket = ticket;
            load->path = path;
            load->loaded = load_scene(file, options);
            // The viewer waits for this thread before it goes away.
            QMetaObject::invokeMethod(
                viewer.data(), [viewer, load] { viewer->finishLoad(load); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void VrmlViewer::finishLoad(const std::shared_ptr<Load>& load)
{
    State& s = *state_;
    if (load->ticket != s.ticket)
        return;  // superseded: reports nothing
    QElapsedTimer installing;
    installing.start();
    s.loading = false;
    LoadedScene& loaded = load->loaded;
    if (!loaded.error.empty()) {
        s.last_error = QString::fromStdString(loaded.error);
        emit sceneLoaded(false);
        return;
    }
    PreparedScene& scene = loaded.scene;
    if (scene.route == SceneRoute::Fast && s.no_impostors) {
        // Loaded before the context was known: once more, the generic way.
        const QVariant camera = viewpointPosition();
        const bool keep_camera = s.restored_while_loading;
        setScene(load->path);
        if (keep_camera)
            setViewpointPosition(camera);
        return;
    }
    s.last_load = LoadReport{};
    s.last_load.read_seconds = loaded.read_seconds;
    s.last_load.parse_seconds = loaded.parse_seconds;
    s.last_load.prepare_seconds = loaded.prepare_seconds;
    s.last_load.merged_shapes = scene.merged_shapes;
    s.last_load.still_triangles = scene.still_triangles;
    s.last_load.moving_triangles = scene.moving_triangles;
    s.last_load.fast_route = scene.route == SceneRoute::Fast;
    s.last_load.spheres = scene.spheres;
    s.last_load.cylinders = scene.cylinders;
    s.route = scene.route;
    s.route_note = QString::fromStdString(scene.route_note);

    s.scene_slot->removeAllChildren();
    s.scene_slot->addChild(scene.content.get());
    s.content = scene.content;
    s.scene_lights->removeAllChildren();
    for (int i = 0; i < scene.eye_lights->getNumChildren(); ++i)
        s.scene_lights->addChild(scene.eye_lights->getChild(i));
    s.detail = scene.detail;
    s.bounds = scene.bounds;
    s.scene_head_light = scene.headlight;
    s.user_head_light.reset();
    updateHeadLight();
    if (scene.sky) {
        s.clear_colour = *scene.sky;
        s.back_color = to_qcolor(*scene.sky);
        s.renderer->setBackgroundColor(SbColor4f(s.clear_colour, 1.0f));
    }
    setMoving(s.moving);  // the new scene's detail switch too

    if (!s.restored_while_loading) {
        CameraState camera;
        if (scene.viewpoint) {
            camera.position = scene.viewpoint->position;
            camera.orientation = scene.viewpoint->orientation;
            camera.height_angle = scene.viewpoint->field_of_view;
            camera.pivot = s.bounds.isEmpty() ? camera.position + camera.direction() * 10.0f : s.bounds.getCenter();
            camera.focal_distance = (camera.pivot - camera.position).length();
            if (camera.focal_distance <= 0)
                camera.focal_distance = 10.0f;
        } else {
            camera = fit(camera, s.bounds);
        }
        s.set_camera(camera);
    }
    s.last_error.clear();
    s.last_load.install_seconds = static_cast<double>(installing.nsecsElapsed()) * 1e-9;
    update();
    emit sceneLoaded(true);
}

QString VrmlViewer::scene() const { return state_->scene; }
QString VrmlViewer::lastError() const { return state_->last_error; }
bool VrmlViewer::fastRoute() const { return state_->route == SceneRoute::Fast; }
QString VrmlViewer::routeNote() const { return state_->route_note; }

// The context cannot draw the fast route: the scene shown goes again the
// generic way, in the same view.
void VrmlViewer::noImpostors(const QString& reason)
{
    State& s = *state_;
    if (s.no_impostors)
        return;
    s.no_impostors = reason;
    if (s.route != SceneRoute::Fast || s.loading || s.scene.isEmpty())
        return;  // a load under way is redone when it ends
    const QVariant camera = viewpointPosition();
    setScene(s.scene);
    setViewpointPosition(camera);
}

// --- settings --------------------------------------------------------------

QColor VrmlViewer::backColor() const { return state_->back_color; }

QColor VrmlViewer::userBackColor() const
{
    return state_->user_back_color.isValid() ? state_->user_back_color : state_->back_color;
}

void VrmlViewer::setBackColor(const QColor& colour)
{
    if (!colour.isValid())
        return;
    State& s = *state_;
    s.back_color = colour.toRgb();
    s.user_back_color = s.back_color;
    s.clear_colour = to_sb(s.back_color);
    s.renderer->setBackgroundColor(SbColor4f(s.clear_colour, 1.0f));
    update();
}

bool VrmlViewer::headLight() const { return state_->head_light; }

void VrmlViewer::setHeadLight(bool on)
{
    state_->head_light = on;
    updateHeadLight();
}

bool VrmlViewer::headLightShining() const { return state_->headlight->on.getValue() != FALSE; }

// The headlight shines when the viewer's setting is on and the scene does
// not turn it off (NavigationInfo headlight FALSE); the context menu's
// choice overrides both until the next scene.
void VrmlViewer::updateHeadLight()
{
    State& s = *state_;
    const SbBool on = s.user_head_light.value_or(s.head_light && s.scene_head_light);
    if (s.headlight->on.getValue() != on)
        s.headlight->on = on;
    update();
}

bool VrmlViewer::navigationBar() const { return state_->navigation_bar; }

void VrmlViewer::setNavigationBar(bool shown)
{
    state_->navigation_bar = shown;
    placeNavigationBar();
}

bool VrmlViewer::contextMenuEnabled() const { return state_->context_menu; }
void VrmlViewer::setContextMenuEnabled(bool enabled) { state_->context_menu = enabled; }

void VrmlViewer::requestRedraw() { update(); }

// --- the camera as a value ---------------------------------------------------

QVariant VrmlViewer::viewpointPosition() const
{
    const CameraState c = state_->camera_state();
    SavedViewpoint v;
    for (int i = 0; i < 3; ++i) {
        v.position[i] = c.position[i];
        v.pivot[i] = c.pivot[i];
    }
    const float* q = c.orientation.getValue();
    for (int i = 0; i < 4; ++i)
        v.orientation[i] = q[i];
    v.height_angle = c.height_angle;
    v.focal_distance = c.focal_distance;
    return QVariant::fromValue(v);
}

void VrmlViewer::setViewpointPosition(const QVariant& viewpoint)
{
    if (viewpoint.metaType() != QMetaType::fromType<SavedViewpoint>())
        return;
    const auto v = viewpoint.value<SavedViewpoint>();
    if (!finite(v))
        return;
    CameraState c;
    c.position.setValue(v.position[0], v.position[1], v.position[2]);
    c.orientation.setValue(v.orientation[0], v.orientation[1], v.orientation[2], v.orientation[3]);
    c.height_angle = v.height_angle;
    c.focal_distance = v.focal_distance;
    c.pivot.setValue(v.pivot[0], v.pivot[1], v.pivot[2]);
    state_->set_camera(c);
    // A scene still loading keeps this camera instead of its own viewpoint.
    if (state_->loading)
        state_->restored_while_loading = true;
    update();
}

QImage VrmlViewer::grabView()
{
    // The navigation bar is a child widget: the frame buffer never has it.
    QImage image = grabFramebuffer();
    if (!image.isNull() && image.size() != size())
        image = image.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

// --- OpenGL ------------------------------------------------------------------

void VrmlViewer::initializeGL()
{
    State& s = *state_;
    s.cache_context = SoGLCacheContextElement::getUniqueCacheContext();
    s.renderer->getGLRenderAction()->setCacheContext(s.cache_context);
    s.renderer->reinitialize();
    s.context_live = true;
    std::string reason;
    if (!impostors_supported(s.cache_context, &reason))
        noImpostors(QString::fromStdString(reason));
    // Re-parenting the widget makes a new context: Coin must drop what it
    // kept for the old one.
    disconnect(s.context_connection);
    s.context_connection = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &VrmlViewer::releaseContext,
                                   Qt::DirectConnection);
}

void VrmlViewer::resizeGL(int, int)
{
    const qreal ratio = devicePixelRatioF();
    const SbVec2s pixels(static_cast<short>(std::max(1, qRound(width() * ratio))),
                         static_cast<short>(std::max(1, qRound(height() * ratio))));
    SoRenderManager& renderer = *state_->renderer;
    renderer.setWindowSize(pixels);
    renderer.setSize(pixels);
    renderer.setViewportRegion(SbViewportRegion(pixels));
}

namespace {

// Near and far planes around the scene's bounding box, measured when the
// scene was loaded.  Coin's own automatic clipping runs from its sensor
// queue, which may not have run yet when Qt asks for a frame (the first
// frame of a new scene would be clipped away), and it measures the whole
// scene again on every change.
void update_clipping(SoPerspectiveCamera& camera, const SbBox3f& box)
{
    float near_distance = 0.1f, far_distance = 1000.0f;
    if (!box.isEmpty()) {
        float dx, dy, dz;
        box.getSize(dx, dy, dz);
        const float radius = std::max(0.5f * std::sqrt(dx * dx + dy * dy + dz * dz), 1e-4f);
        SbVec3f direction;
        camera.orientation.getValue().multVec(SbVec3f(0, 0, -1), direction);
        const float depth = (box.getCenter() - camera.position.getValue()).dot(direction);
        far_distance = std::max(depth + radius * 1.01f, 1e-3f);
        near_distance = std::max(depth - radius * 1.01f, far_distance * 1e-4f);
    }
    // Quietly: the planes follow the frame, they are no scene change.
    const SbBool notifying = camera.enableNotify(FALSE);
    camera.nearDistance = near_distance;
    camera.farDistance = far_distance;
    camera.enableNotify(notifying);
}

}  // namespace

void VrmlViewer::paintGL()
{
    update_clipping(*state_->camera, state_->bounds);
    QOpenGLFunctions* gl = context()->functions();
    // Coin 4.0 leaves the depth test to the application.
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LEQUAL);
    state_->renderer->render(TRUE, TRUE);
}

// --- navigation --------------------------------------------------------------

void VrmlViewer::setMoving(bool moving)
{
    State& s = *state_;
    s.moving = moving;
    const float value = moving ? kMovingComplexity : kStillComplexity;
    if (s.complexity->value.getValue() != value)
        s.complexity->value = value;
    if (s.detail && s.detail->whichChild.getValue() != (moving ? 1 : 0))
        s.detail->whichChild = moving ? 1 : 0;
    update();
}

void VrmlViewer::fitView()
{
    State& s = *state_;
    s.set_camera(fit(s.camera_state(), s.bounds));
    update();
}

void VrmlViewer::mousePressEvent(QMouseEvent* event)
{
    State& s = *state_;
    if (s.dragging || (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton)) {
        QOpenGLWidget::mousePressEvent(event);
        return;
    }
    s.dragging = true;
    s.drag_button = event->button();
    s.last_position = event->position();
    if (event->button() == Qt::MiddleButton || (event->modifiers() & Qt::ShiftModifier))
        s.drag_mode = DragMode::Pan;
    else if (event->modifiers() & Qt::ControlModifier)
        s.drag_mode = DragMode::Zoom;
    else
        s.drag_mode = s.bar->mode();
    event->accept();
}

void VrmlViewer::mouseMoveEvent(QMouseEvent* event)
{
    State& s = *state_;
    if (!s.dragging) {
        QOpenGLWidget::mouseMoveEvent(event);
        return;
    }
    const QPointF delta = event->position() - s.last_position;
    s.last_position = event->position();
    if (delta.isNull())
        return;
    if (!s.moving)
        setMoving(true);
    const float side = static_cast<float>(std::max(1, std::min(width(), height())));
    const auto dx = static_cast<float>(delta.x());
    const auto dy = static_cast<float>(delta.y());
    CameraState camera = s.camera_state();
    switch (s.drag_mode) {
    case DragMode::Turn:
        camera = orbit(camera, dx / side * kTurnPerSide, dy / side * kTurnPerSide);
        break;
    case DragMode::Zoom:
        camera = dolly(camera, std::exp(dy / static_cast<float>(std::max(1, height())) * kZoomPerHeight));
        break;
    case DragMode::Pan: {
        const float units = units_per_pixel(camera, static_cast<int>(side));
        camera = pan(camera, -dx * units, dy * units);
        break;
    }
    }
    s.set_camera(camera);
    update();
    event->accept();
}

void VrmlViewer::mouseReleaseEvent(QMouseEvent* event)
{
    State& s = *state_;
    if (!s.dragging || event->button() != s.drag_button) {
        QOpenGLWidget::mouseReleaseEvent(event);
        return;
    }
    s.dragging = false;
    s.drag_button = Qt::NoButton;
    setMoving(false);
    event->accept();
}

void VrmlViewer::wheelEvent(QWheelEvent* event)
{
    const float steps = static_cast<float>(event->angleDelta().y()) / 120.0f;
    if (steps == 0) {
        event->ignore();
        return;
    }
    State& s = *state_;
    s.set_camera(dolly(s.camera_state(), std::pow(kWheelStepFactor, steps)));
    update();
    event->accept();
}

// --- context menu and navigation bar -----------------------------------------

void VrmlViewer::contextMenuEvent(QContextMenuEvent* event)
{
    State& s = *state_;
    if (!s.context_menu) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    menu.setObjectName("viewerMenu");
    menu.addAction(tr("Background colour…"), this, &VrmlViewer::chooseBackColor);
    QAction* light = menu.addAction(tr("Headlight"));
    light->setCheckable(true);
    light->setChecked(s.headlight->on.getValue());
    connect(light, &QAction::toggled, this, &VrmlViewer::toggleHeadLight);
    menu.addSeparator();
    menu.addAction(tr("Fit view"), this, &VrmlViewer::fitView);
    menu.exec(event->globalPos());
    event->accept();
}

// The dialog starts from the user's colour, not from the scene's sky (which
// a scene may hold only approximately); OK without a change changes nothing.
void VrmlViewer::chooseBackColor()
{
    const QColor start = userBackColor();
    const QColor chosen = QColorDialog::getColor(start, this, tr("Background colour"));
    if (chosen.isValid() && chosen.rgb() != start.rgb())
        applyUserBackColor(chosen);
}

void VrmlViewer::applyUserBackColor(const QColor& colour)
{
    if (!colour.isValid())
        return;
    setBackColor(colour);
    emit backColorChanged(state_->back_color);
}

void VrmlViewer::toggleHeadLight(bool on)
{
    state_->user_head_light = on;
    updateHeadLight();
}

void VrmlViewer::resizeEvent(QResizeEvent* event)
{
    QOpenGLWidget::resizeEvent(event);
    placeNavigationBar();
}

void VrmlViewer::placeNavigationBar()
{
    State& s = *state_;
    s.bar->setVisible(s.navigation_bar);
    if (!s.navigation_bar)
        return;
    const QSize hint = s.bar->sizeHint();
    const int w = std::min(hint.width(), width());
    s.bar->setGeometry((width() - w) / 2, height() - hint.height(), w, hint.height());
    s.bar->raise();
}

namespace viewer {

void ViewerTuning::set_load_options(VrmlViewer& viewer, const LoadOptions& options)
{
    viewer.state_->load_options = options;
}

LoadReport ViewerTuning::last_load(const VrmlViewer& viewer) { return viewer.state_->last_load; }

bool ViewerTuning::moving(const VrmlViewer& viewer) { return viewer.state_->moving; }

void ViewerTuning::refuse_impostors(VrmlViewer& viewer) { viewer.noImpostors("refused for a test"); }

}  // namespace viewer

}  // namespace vexalith
