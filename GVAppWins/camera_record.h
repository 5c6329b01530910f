// The one camera type of the program: eye and target, heading and elevation,
// the rotation derived from them and the three projection scales, with the
// camera maths that picking, dragging and drawing share. Free of any renderer
// so that model code and headless tests can project points.
#pragma once

#include <cstdint>

struct CameraRec {
  CameraRec** handle = nullptr;  // the cell that holds the record
  int32_t mode = 0;              // 1 orbit about the target; otherwise look around from the eye
  int32_t geoDisplayMode = 0;    // 1 none, 2 wire, 16 hidden surface, 32 hidden line
  int32_t jelDisplayMode = 0;
  int32_t extra[3] = {};         // carried through files unchanged
  float depthScale = 0.0f;
  float elevation = 0.0f;        // positive when the eye lies below the target
  float heading = 0.0f;          // about world y; 0 looks along -z
  float fov = 0.0f;              // vertical field of view
  float eye[3] = {};
  float target[3] = {};
  float savedRight[3] = {};      // rotation row 0 when a camera drag starts
  float projScale[3] = {};       // sx, sy, sz
  float distance = 0.0f;
  float rot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // rows: right, up, back (target towards eye)
};

// The view's viewport: the size at creation, the current client size and the
// client centre (integer halves).
struct ViewportRec {
  int32_t createdWidth = 0;
  int32_t createdHeight = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t centreX = 0;
  int32_t centreY = 0;
};

// Every field 0 except the rotation, which becomes the identity.
void GVCameraInit(CameraRec* cam);
// Fields after the handle; nothing for a null source or destination.
void GVCopyCamera(const CameraRec* src, CameraRec* dst);

// World point p to (x, y, depth): x and y normalised (-1..1 across the view,
// y up) and depth positive in front of the eye. Depth 0 gives x = y = 0.
void GVProjectPoint(const CameraRec* cam, const float p[3], float q[3]);
// The inverse of GVProjectPoint for a point with a non-zero depth.
void GVUnprojectPoint(const CameraRec* cam, const float q[3], float p[3]);
// Pixel point (px, py, depth) to normalised (nx, ny, depth), and back.
void GVScreenToNormalised(const ViewportRec* vp, const float px[3], float out[3]);
void GVNormalisedToScreen(const ViewportRec* vp, const float n[3], float out[3]);

// Rotation rows from heading and elevation.
void GVCalcCameraRotation(CameraRec* cam);
// Distance, elevation and heading from eye and target, then the rotation.
void GVUpdateCameraAngles(CameraRec* cam);
// Projection scales for the viewport's client size, then the rotation.
void GVUpdateCameraProjection(const ViewportRec* vp, CameraRec* cam);
void GVSetCameraTarget(CameraRec* cam, const float p[3]);
// Field of view in degrees (kept within 0 .. 3.1315928 radians), then the
// projection scales for a client of width x height.
void GVSetCameraFov(CameraRec* cam, float degrees, int32_t width, int32_t height);
