#include "viewer/examine_camera.h"

#include <algorithm>
#include <cmath>

namespace vexalith::viewer {
namespace {

SbVec3f rotated(const SbRotation& rotation, const SbVec3f& v)
{
    SbVec3f out;
    rotation.multVec(v, out);
    return out;
}

// The least distance kept from the pivot when zooming in.
constexpr float kClosest = 1e-3f;

}  // namespace

SbVec3f CameraState::direction() const { return rotated(orientation, SbVec3f(0.0f, 0.0f, -1.0f)); }
SbVec3f CameraState::up() const { return rotated(orientation, SbVec3f(0.0f, 1.0f, 0.0f)); }
SbVec3f CameraState::right() const { return rotated(orientation, SbVec3f(1.0f, 0.0f, 0.0f)); }

CameraState orbit(const CameraState& camera, float across, float down)
{
    // Turning the model one way is turning the camera the other way about
    // the pivot.
    const SbRotation turn = SbRotation(camera.up(), -across) * SbRotation(camera.right(), -down);
    CameraState moved = camera;
    moved.position = camera.pivot + rotated(turn, camera.position - camera.pivot);
    moved.orientation = camera.orientation * turn;
    return moved;
}

CameraState dolly(const CameraState& camera, float factor)
{
    const SbVec3f offset = camera.position - camera.pivot;
    const float distance = offset.length();
    if (distance <= 0.0f || !(factor > 0.0f))
        return camera;
    const float wanted = std::max(distance * factor, kClosest * std::max(1.0f, camera.focal_distance));
    CameraState moved = camera;
    moved.position = camera.pivot + offset * (wanted / distance);
    moved.focal_distance = std::max(kClosest, camera.focal_distance * (wanted / distance));
    return moved;
}

CameraState pan(const CameraState& camera, float right, float up)
{
    CameraState moved = camera;
    moved.position = camera.position + camera.right() * right + camera.up() * up;
    return moved;
}

float units_per_pixel(const CameraState& camera, int pixels)
{
    const float depth = std::max((camera.pivot - camera.position).dot(camera.direction()), 1e-6f);
    return 2.0f * depth * std::tan(camera.height_angle / 2.0f) / static_cast<float>(std::max(pixels, 1));
}

CameraState fit(const CameraState& camera, const SbBox3f& bounds)
{
    if (bounds.isEmpty())
        return camera;
    CameraState fitted = camera;
    fitted.pivot = bounds.getCenter();
    float dx, dy, dz;
    bounds.getSize(dx, dy, dz);
    const float radius = std::max(0.5f * std::sqrt(dx * dx + dy * dy + dz * dz), 1e-6f);
    const float half_angle = std::clamp(camera.height_angle / 2.0f, 0.01f, 1.5f);
    const float distance = radius / std::sin(half_angle);
    fitted.position = fitted.pivot - camera.direction() * distance;
    fitted.focal_distance = distance;
    return fitted;
}

}  // namespace vexalith::viewer
