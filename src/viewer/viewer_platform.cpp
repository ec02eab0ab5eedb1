// What the viewer needs of the platform: an OpenGL compatibility profile
// (Coin draws with the fixed-function pipeline; in a core profile it draws
// nothing and says nothing) and an initialised Coin.
#include <Inventor/SoDB.h>
#include <Inventor/nodekits/SoNodeKit.h>

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include "viewer/vrml_viewer.h"

namespace vexalith {
namespace {

QSurfaceFormat viewer_format()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    return format;
}

}  // namespace

void prepare_viewer_platform()
{
    QSurfaceFormat::setDefaultFormat(viewer_format());
    SoDB::init();
    SoNodeKit::init();
}

std::optional<QString> viewer_problem()
{
    QOpenGLContext context;
    context.setFormat(viewer_format());
    if (!context.create())
        return QStringLiteral("no OpenGL context can be created on this display");
    if (context.isOpenGLES())
        return QStringLiteral("only OpenGL ES is available; the viewer needs desktop OpenGL 2.1 or later");
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return QStringLiteral("the OpenGL context cannot be used on this display");
    const QSurfaceFormat format = context.format();
    context.doneCurrent();
    const auto [major, minor] = format.version();
    if (format.profile() == QSurfaceFormat::CoreProfile)
        return QStringLiteral(
                   "OpenGL %1.%2 is offered only as a core profile, without the fixed-function "
                   "pipeline the viewer draws with")
            .arg(major)
            .arg(minor);
    if (major < 2 || (major == 2 && minor < 1))
        return QStringLiteral("OpenGL %1.%2 found; the viewer needs 2.1 or later").arg(major).arg(minor);
    return std::nullopt;
}

}  // namespace vexalith
