// vexalith: the desktop program.
#include <QApplication>
#include <QStringList>

#include <csignal>

#include "app/main_window.h"
#include "app/manual_location.h"
#include "viewer/viewer_missing_window.h"
#include "viewer/vrml_viewer.h"

int main(int argc, char** argv)
{
    // Past a file size limit (ulimit -f) a write fails with EFBIG instead of
    // ending the program: the export reports it and leaves no temporary file.
    std::signal(SIGXFSZ, SIG_IGN);
    vexalith::prepare_viewer_platform();
    QApplication application(argc, argv);
    // No display name: Qt would add it to the title on X11 ("… — Vexalith");
    // the title is "VEXALITH Ver. " and the version, nothing more.
    QApplication::setApplicationName("Vexalith");

    // Without an OpenGL context of the kind the viewer needs, a small window
    // says what is missing instead, and the program ends with it.
    if (const auto problem = vexalith::viewer_problem()) {
        vexalith::ViewerMissingWindow missing(*problem, vexalith::graphics_help_url(vexalith::manual_path()));
        missing.show();
        return QApplication::exec();
    }

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    vexalith::MainWindow window(arguments, vexalith::standard_dialogs());
    window.show();
    return QApplication::exec();
}
