// The viewer tests need a QApplication, made after the viewer's platform
// settings, on an X display (run them under xvfb-run).
#include <gtest/gtest.h>

#include <QApplication>

#include "viewer/vrml_viewer.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    vexalith::prepare_viewer_platform();
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
