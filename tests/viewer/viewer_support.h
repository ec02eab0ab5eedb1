// Helpers for the viewer tests: scenes on disk, a shown viewer, loading
// with a wait, and image comparison.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <string>

#include <Inventor/SoType.h>

#include "viewer/vrml_viewer.h"

class SoNode;

namespace viewertest {

// How many nodes of the type the scene holds (searching all children).
int count_of(SoNode* root, SoType type);

// A scene of the golden test set (written by the converter).
QString golden_scene(const std::string& name);

// Writes `text` to a new file in a fresh temporary folder.
QString write_temp(const std::string& name, const std::string& text);

std::string gzip(const std::string& bytes);

// A viewer shown as a top-level window of the given size.
std::unique_ptr<vexalith::VrmlViewer> shown_viewer(QSize size = QSize(320, 240));

// setScene and wait for sceneLoaded; its argument, or a test failure when
// it does not come within a minute.
bool load(vexalith::VrmlViewer& viewer, const QString& path);

// The rendered view (after pending events), as RGB32.
QImage render(vexalith::VrmlViewer& viewer);

struct Difference {
    int max_channel = 0;   // the largest channel difference
    double differing = 0;  // fraction of pixels differing by more than the tolerance
};

// Images of different sizes differ everywhere.
Difference compare(const QImage& a, const QImage& b, int tolerance);

// Mean of (r + g + b) / 3 over the pixels that are not `background`.
double mean_foreground_brightness(const QImage& image, QColor background, int* count = nullptr);

// The colour a clear colour of these components gives in an 8-bit frame
// buffer.
QColor framebuffer_colour(double r, double g, double b);

}  // namespace viewertest
