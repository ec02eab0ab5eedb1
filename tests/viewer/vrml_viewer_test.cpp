#include <gtest/gtest.h>

#include <QTest>
#include "viewer_support.h"

using namespace viewertest;

TEST(Smoke, Caffeine)
{
    auto viewer = shown_viewer();
    ASSERT_TRUE(load(*viewer, QString(getenv("SCENE") ? getenv("SCENE") : "") .isEmpty() ? golden_scene("caffeine-ball-and-stick.wrl") : QString(getenv("SCENE"))));
    QImage image = render(*viewer);
    image.save("/tmp/smoke-caffeine.png");
    QTest::qWait(300);
    render(*viewer).save("/tmp/smoke-caffeine2.png");
    render(*viewer).save("/tmp/smoke-caffeine3.png");
    EXPECT_EQ(image.size(), QSize(320, 240));
}
