// GUI tests run with a real QApplication (under Xvfb in CI).
#include <gtest/gtest.h>

#include <QApplication>

#include "viewer/vrml_viewer.h"

int main(int argc, char** argv)
{
    vexalith::prepare_viewer_platform();
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
