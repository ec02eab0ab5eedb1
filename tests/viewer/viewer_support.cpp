#include "viewer_support.h"

#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoNode.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <stdexcept>

#include "support/corpus.h"

namespace viewertest {

int count_of(SoNode* root, SoType type)
{
    SoSearchAction search;
    search.setType(type);
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root);
    return search.getPaths().getLength();
}

QString golden_scene(const std::string& name)
{
    return QString::fromStdString(std::string(VEXALITH_GOLDEN_DIR) + "/" + name);
}

QString write_temp(const std::string& name, const std::string& text)
{
    const std::string path = testsupport::temp_dir() + "/" + name;
    testsupport::write_file(path, text);
    return QString::fromStdString(path);
}

std::string gzip(const std::string& bytes)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        throw std::runtime_error("deflate");
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::unique_ptr<vexalith::VrmlViewer> shown_viewer(QSize size)
{
    auto viewer = std::make_unique<vexalith::VrmlViewer>();
    viewer->resize(size);
    viewer->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
    return viewer;
}

bool load(vexalith::VrmlViewer& viewer, const QString& path)
{
    QSignalSpy loaded(&viewer, &vexalith::VrmlViewer::sceneLoaded);
    viewer.setScene(path);
    if (!loaded.wait(60000)) {
        ADD_FAILURE() << "no sceneLoaded for " << path.toStdString();
        return false;
    }
    return loaded.at(0).at(0).toBool();
}

QImage render(vexalith::VrmlViewer& viewer)
{
    QApplication::processEvents();
    return viewer.grabView().convertToFormat(QImage::Format_RGB32);
}

Difference compare(const QImage& a, const QImage& b, int tolerance)
{
    Difference d;
    if (a.size() != b.size()) {
        d.max_channel = 255;
        d.differing = 1.0;
        return d;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    long differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int diff = std::max({std::abs(qRed(p[col]) - qRed(q[col])), std::abs(qGreen(p[col]) - qGreen(q[col])),
                                       std::abs(qBlue(p[col]) - qBlue(q[col]))});
            d.max_channel = std::max(d.max_channel, diff);
            if (diff > tolerance)
                ++differing;
        }
    }
    d.differing = static_cast<double>(differing) / (static_cast<double>(x.width()) * x.height());
    return d;
}

double mean_foreground_brightness(const QImage& image, QColor background, int* count)
{
    double sum = 0;
    int n = 0;
    const QRgb bg = background.rgb() & 0xFFFFFF;
    for (int row = 0; row < image.height(); ++row)
        for (int col = 0; col < image.width(); ++col) {
            const QRgb p = image.pixel(col, row);
            if ((p & 0xFFFFFF) == bg)
                continue;
            sum += (qRed(p) + qGreen(p) + qBlue(p)) / 3.0;
            ++n;
        }
    if (count)
        *count = n;
    return n ? sum / n : 0.0;
}

QColor framebuffer_colour(double r, double g, double b)
{
    auto byte = [](double v) { return static_cast<int>(std::lround(v * 255.0)); };
    return QColor(byte(r), byte(g), byte(b));
}

}  // namespace viewertest
