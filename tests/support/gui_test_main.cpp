// The window and viewer tests need a QApplication, made after the viewer's platform
// settings, on an X display (run them under xvfb-run).
#include <dlfcn.h>
#include <link.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>

#include <cstring>

#include "viewer/vrml_viewer.h"

namespace {

// Mesa's DRI driver is unloaded when the display closes, before the leak
// check at exit; what it never frees would then come from an unnamed
// module, which no suppression can match.  Keep it loaded (RTLD_NODELETE)
// so that tests/lsan.supp can name it.
void keep_gl_drivers_loaded()
{
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    vexalith::prepare_viewer_platform();
    QApplication application(argc, argv);
    // The pictures and sizes the tests compare are those of the font the
    // project installs (fonts-dejavu-core); another sans-serif font on the
    // machine (Noto comes with many packages) would change them.
    QFont font = QApplication::font();
    font.setFamily("DejaVu Sans");
    QApplication::setFont(font);
    const int result = RUN_ALL_TESTS();
    keep_gl_drivers_loaded();
    return result;
}
