// Turning a Geo so that its forward axis (+z) looks at a point: an eye
// following a target, asked every frame by the logic command that aims eyes and
// by the view's eye tracking.
#pragma once

#include <cstdint>

struct GObject;
struct ObjHandle;

// Turns the Geo towards the target. A Geo attached to a Jel looks only at
// targets inside a cone of the given half-angle (degrees) about the forward
// axis of its attachment frame, and sees them in that frame; a target outside
// leaves the Geo as it was. Nothing for a null Geo.
void GVGeoEyeToPoint(const float target[3], GObject* geo, float halfAngleDeg);
// Sets the rotation of the Geo's birth slot to yaw about y, then pitch about
// the turned x axis, so that +z points from the frame position to the point.
void GVGeoTurnToPoint(const float point[3], GObject* geo);
// Turns the eye of the Geo with that id in the list towards the camera the
// scene is seen through: the view camera, or the render-to-texture view's own
// camera while the scene options hold one and their mode is not 1. Nothing
// without such a camera or for an id that names no Geo.
void GVEyeCamFollowGeo(ObjHandle* list, int32_t id, float halfAngleDeg);
