// vexalith: the desktop program.
#include <QApplication>
#include <QStringList>

#include "app/main_window.h"
#include "viewer/vrml_viewer.h"

int main(int argc, char** argv)
{
    vexalith::prepare_viewer_platform();
    QApplication application(argc, argv);
    QApplication::setApplicationName("Vexalith");
    QApplication::setApplicationDisplayName("Vexalith");

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    vexalith::MainWindow window(arguments, vexalith::standard_dialogs());
    window.show();
    return QApplication::exec();
}
