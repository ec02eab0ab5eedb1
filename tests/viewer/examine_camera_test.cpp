// Examine navigation as camera arithmetic.
#include "viewer/examine_camera.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vexalith::viewer;

namespace {

// A point in the camera's frame: x right, y up, -z ahead.
SbVec3f in_view(const CameraState& c, const SbVec3f& world)
{
    const SbVec3f d = world - c.position;
    return SbVec3f(d.dot(c.right()), d.dot(c.up()), d.dot(-c.direction()));
}

void expect_near(const SbVec3f& a, const SbVec3f& b, float tolerance)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(a[i], b[i], tolerance) << "component " << i;
}

CameraState off_centre_camera()
{
    CameraState c;
    c.position = SbVec3f(3, -2, 40);
    c.orientation = SbRotation(SbVec3f(0.2f, 1, 0.1f), 0.3f);
    c.pivot = SbVec3f(1, 1, -2);
    c.focal_distance = (c.pivot - c.position).length();
    return c;
}

}  // namespace

TEST(ExamineCamera, TurningKeepsThePivotInPlaceOnTheScreen)
{
    const CameraState before = off_centre_camera();
    const CameraState after = orbit(before, 0.7f, -0.4f);
    expect_near(in_view(after, after.pivot), in_view(before, before.pivot), 1e-3f);
    EXPECT_NEAR((after.position - after.pivot).length(), (before.position - before.pivot).length(), 1e-3f);
    EXPECT_GT((after.position - before.position).length(), 1.0f);
}

TEST(ExamineCamera, DraggingRightTurnsTheNearSideRight)
{
    CameraState c;
    c.position = SbVec3f(0, 0, 10);
    c.pivot = SbVec3f(0, 0, 0);
    const SbVec3f near_side(0, 0, 1);  // the model's side facing the camera
    const SbVec3f top(0, 1, 0);
    const CameraState right = orbit(c, 0.3f, 0.0f);
    EXPECT_GT(in_view(right, near_side)[0], 0.1f);
    const CameraState down = orbit(c, 0.0f, 0.3f);
    EXPECT_LT(in_view(down, near_side)[1], -0.1f);
    // The top tips towards the viewer when the near side goes down.
    EXPECT_GT(in_view(down, top)[2], in_view(c, top)[2]);
}

TEST(ExamineCamera, DollyMovesAlongTheLineToThePivot)
{
    const CameraState before = off_centre_camera();
    const CameraState closer = dolly(before, 0.5f);
    EXPECT_NEAR((closer.position - closer.pivot).length(), 0.5f * (before.position - before.pivot).length(), 1e-3f);
    expect_near(in_view(closer, closer.pivot) / in_view(closer, closer.pivot).length(),
                in_view(before, before.pivot) / in_view(before, before.pivot).length(), 1e-4f);
    EXPECT_NEAR(closer.focal_distance, 0.5f * before.focal_distance, 1e-3f);
    // However far it zooms in, the camera stays in front of the pivot.
    CameraState c = before;
    for (int i = 0; i < 200; ++i)
        c = dolly(c, 0.5f);
    EXPECT_GT((c.position - c.pivot).length(), 0.0f);
    EXPECT_GT((c.position - c.pivot).dot(before.position - before.pivot), 0.0f);
}

TEST(ExamineCamera, PanShiftsTheViewAcross)
{
    const CameraState before = off_centre_camera();
    const CameraState after = pan(before, 2.0f, -1.0f);
    expect_near(in_view(after, before.pivot), in_view(before, before.pivot) - SbVec3f(2.0f, -1.0f, 0.0f), 1e-3f);
    expect_near(after.pivot, before.pivot, 0.0f);
}

TEST(ExamineCamera, UnitsPerPixelMatchTheViewAtThePivot)
{
    CameraState c;
    c.position = SbVec3f(0, 0, 100);
    c.height_angle = 0.5f;
    // 200 pixels span 2 * 100 * tan(0.25) scene units.
    EXPECT_NEAR(units_per_pixel(c, 200), 2.0f * 100.0f * std::tan(0.25f) / 200.0f, 1e-5f);
}

TEST(ExamineCamera, FitShowsTheWholeBox)
{
    CameraState c = off_centre_camera();
    c.height_angle = 0.4f;
    const SbBox3f box(SbVec3f(-10, -3, -7), SbVec3f(30, 5, 1));
    const CameraState fitted = fit(c, box);
    expect_near(fitted.pivot, box.getCenter(), 1e-5f);
    expect_near(fitted.direction(), c.direction(), 1e-6f);
    for (int corner = 0; corner < 8; ++corner) {
        const SbVec3f p((corner & 1) ? 30.0f : -10.0f, (corner & 2) ? 5.0f : -3.0f, (corner & 4) ? 1.0f : -7.0f);
        const SbVec3f v = in_view(fitted, p);
        ASSERT_LT(v[2], 0.0f);
        EXPECT_LE(std::atan2(std::sqrt(v[0] * v[0] + v[1] * v[1]), -v[2]), 0.2f + 1e-4f);
    }
    // An empty box changes nothing.
    const CameraState same = fit(c, SbBox3f());
    expect_near(same.position, c.position, 0.0f);
}
