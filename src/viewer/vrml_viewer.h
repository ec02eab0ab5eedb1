// The program's 3D viewer: a Qt OpenGL widget that shows VRML 2.0 scenes
// (.wrl, and gzip-compressed .wrz) with Coin3D, with examine navigation
// (drag turns the model about its centre, the wheel zooms), a small
// navigation bar of its own, and a context menu for the background colour
// and the headlight.
//
// The scene header the converter writes is given its VRML meaning:
// NavigationInfo's headlight, the Background sky colour, the first
// Viewpoint as the camera, and a PointLight that a ProximitySensor keeps
// with the viewer lights the whole scene from the viewer's position.
#pragma once

#include <QColor>
#include <QImage>
#include <QOpenGLWidget>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace vexalith {

namespace viewer {
class ViewerTuning;
}

class VrmlViewer : public QOpenGLWidget {
    Q_OBJECT

public:
    explicit VrmlViewer(QWidget* parent = nullptr);
    ~VrmlViewer() override;

    // Loads and shows a VRML 2.0 file.  The file is read and parsed off the
    // GUI thread; sceneLoaded() reports the end, with success or failure
    // (the previous scene stays shown on failure).  Loading again before
    // the end supersedes the earlier load, which then reports nothing.
    void setScene(const QString& path);
    // The file last given to setScene (also while it loads, or after it
    // failed).
    QString scene() const;
    // The reason the last load failed ("" after a success).
    QString lastError() const;

    // How the scene shown is drawn: on the fast route (a scene this
    // program wrote, its spheres and cylinders drawn by shaders from their
    // centres and radii), or on the generic route (Coin's VRML import and
    // triangle meshes), which any VRML file can take.  The generic route
    // is also taken where the OpenGL context cannot run the shaders.
    bool fastRoute() const;
    // Why the scene shown took the generic route ("" on the fast route).
    QString routeNote() const;

    // The background colour: the clear colour of the view.  A scene's own
    // Background sky colour replaces it when the scene loads; the user sets
    // it from the context menu (backColorChanged is then emitted).  Read
    // back as the 8-bit colour on the screen.  setBackColor and a scene's
    // sky change it without the signal: the signal means the user chose.
    QColor backColor() const;
    void setBackColor(const QColor& colour);
    // The colour last given by setBackColor or chosen by the user, which a
    // scene's sky does not change: the context menu's colour dialog starts
    // from it.  backColor() until one was given.
    QColor userBackColor() const;

    // The viewer's headlight setting (on by default).  The headlight shines
    // when this is on and the scene does not turn it off: as VRML 2.0 has
    // it, a scene's NavigationInfo headlight decides, and a scene without
    // a NavigationInfo has it on.  The context menu's "Headlight" entry
    // switches the headlight of the scene shown, either way, until the
    // next scene: the next scene follows its own NavigationInfo again.
    bool headLight() const;
    void setHeadLight(bool on);
    // Whether the headlight shines now.
    bool headLightShining() const;

    // The navigation bar at the viewer's bottom edge: turn, zoom, pan, fit.
    bool navigationBar() const;
    void setNavigationBar(bool shown);

    bool contextMenuEnabled() const;
    void setContextMenuEnabled(bool enabled);

    // Asks for a repaint.
    void requestRedraw();

    // The camera as an opaque value: read it, and write it back to restore
    // the view.  An empty value, or one that is not a camera, is ignored.
    QVariant viewpointPosition() const;
    void setViewpointPosition(const QVariant& viewpoint);

    // The rendered view without the navigation bar, at the widget's size.
    QImage grabView();

signals:
    void sceneLoaded(bool success);
    void backColorChanged(const QColor& colour);

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    // The context menu's entries (also reachable by name through the
    // meta-object system, for tests).
    void chooseBackColor();                         // opens a colour dialog
    void applyUserBackColor(const QColor& colour);  // sets it, emits backColorChanged
    void toggleHeadLight(bool on);

private:
    friend class viewer::ViewerTuning;
    struct State;
    struct Load;
    std::unique_ptr<State> state_;

    void finishLoad(const std::shared_ptr<Load>& load);
    void noImpostors(const QString& reason);
    void releaseContext();
    void updateHeadLight();
    void placeNavigationBar();
    void setMoving(bool moving);
    void fitView();
};

// Sets the default surface format the viewer needs (an OpenGL compatibility
// profile with depth and stencil) and initialises Coin.  Call once, before
// the QApplication is constructed.
void prepare_viewer_platform();

// Why the viewer cannot work on this display (no OpenGL context of the kind
// Coin needs can be made), or nothing when it can.  Needs a QApplication.
std::optional<QString> viewer_problem();

}  // namespace vexalith
