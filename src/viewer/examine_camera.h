// Examine navigation: the camera turns about a pivot (the centre of the
// scene's bounding box), dollies towards it and pans across the view.
// Pure functions on a camera value, so the widget only maps mouse motion
// to them.
#pragma once

#include <Inventor/SbBox3f.h>
#include <Inventor/SbRotation.h>
#include <Inventor/SbVec3f.h>

namespace vexalith::viewer {

struct CameraState {
    SbVec3f position{0.0f, 0.0f, 10.0f};
    SbRotation orientation;  // from the default view along -z, y up
    float height_angle = 0.785398f;
    float focal_distance = 10.0f;
    SbVec3f pivot{0.0f, 0.0f, 0.0f};

    SbVec3f direction() const;  // where the camera looks
    SbVec3f up() const;
    SbVec3f right() const;
};

// Turns the model in front of the camera: `across` radians about the
// view's up axis (positive turns the near side to the right), `down`
// radians about the view's right axis (positive turns the near side
// down).  The camera moves about the pivot; the pivot keeps its place on
// the screen.
CameraState orbit(const CameraState& camera, float across, float down);

// Moves the camera along the line to the pivot, to `factor` times its
// distance (below 1 comes closer).  Never reaches the pivot.
CameraState dolly(const CameraState& camera, float factor);

// Shifts the camera across the view by `right` and `up` scene units (the
// scene moves the other way); the pivot stays.
CameraState pan(const CameraState& camera, float right, float up);

// Scene units per pixel at the pivot's depth, for a view `pixels` high
// (the smaller side: Coin gives the height angle to the smaller side).
float units_per_pixel(const CameraState& camera, int pixels);

// Keeps the orientation and height angle and moves the camera back until
// the whole box is in view; the pivot becomes the box's centre.
CameraState fit(const CameraState& camera, const SbBox3f& bounds);

}  // namespace vexalith::viewer
