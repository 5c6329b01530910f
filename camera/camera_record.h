// The one camera type of the program: eye and target, heading and elevation,
// the rotation derived from them and the three projection scales, with the
// camera maths that picking, dragging and drawing share. Free of any renderer
// so that model code and headless tests can project points.
#pragma once

#include <cstdint>
#include <cstdio>

struct ItemStream;

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

// --- construction and stored forms ---
// Cameras are passed around by their handle cell: a heap cell holding the
// record, whose handle word points back at the cell.
// A default record in the cell (null on a failed allocation).
void GVNewCamera(CameraRec** cell);
// The same with a record read by GVLoadCamera.
void GVNewCameraFromFile(CameraRec** cell, FILE* file);
// Frees the cell's record and puts one read by GVLoadCamera in its place.
void GVReloadCameraFromFile(CameraRec** cell, FILE* file);
// Frees the record held by the cell and the cell itself.
void GVFreeCamera(CameraRec** cell);

// The stored form of binary scene files: every field after the handle, 4 bytes
// little-endian each (6 ints, then 26 floats).
constexpr int kCameraStoredBytes = 128;
// Default record, then the stored form from the file. The read is not checked:
// what the file does not hold keeps the default values. Display mode 8 becomes 32.
void GVLoadCamera(CameraRec* cam, FILE* file);
// Fields from a whole stored block; nothing when either pointer is null.
void GVCameraFromStored(CameraRec* cam, const uint8_t* block);
// Fields from the first `bytes` bytes of a block: whole words only, the rest stay.
void GVCameraFromStoredPart(CameraRec* cam, const uint8_t* block, int bytes);
void GVCameraToStored(const CameraRec* cam, uint8_t* block);

// The item-stream image: 6 ints and 26 floats, each array with its own cursor.
// A null array is skipped and its cursor stays. The writer turns display mode 8
// into 32 in the record itself first; the reader does the same on what it read.
constexpr uint32_t kCameraImageInts = 6;
constexpr uint32_t kCameraImageFloats = 26;
void GVWriteCameraImage(CameraRec* cam, int32_t* ints, uint32_t* intIndex, float* floats,
                        uint32_t* floatIndex);
void GVReadCameraImage(CameraRec* cam, const int32_t* ints, uint32_t* intIndex, const float* floats,
                       uint32_t* floatIndex);
// GVReadCameraImage on the cell's record at the stream's cursors: 1, or 0 (nothing
// read) without a record or when the stream has no room for the image.
int GVReadCameraFromImage(CameraRec** cell, ItemStream* image);

// The two stored forms field by field, the one order every reader and writer
// of them follows (Cam is CameraRec or const CameraRec): the six ints, then
// the floats. The image hands each vector and the rotation to onGroup(v, n).
template <class Cam, class IntFn>
void GVWalkCameraInts(Cam* cam, IntFn onInt) {
  onInt(cam->mode);
  onInt(cam->geoDisplayMode);
  onInt(cam->jelDisplayMode);
  for (auto& v : cam->extra) onInt(v);
}
template <class Cam, class IntFn, class FloatFn>
void GVWalkCameraStored(Cam* cam, IntFn onInt, FloatFn onFloat) {
  GVWalkCameraInts(cam, onInt);
  onFloat(cam->depthScale);
  onFloat(cam->elevation);
  onFloat(cam->heading);
  onFloat(cam->fov);
  for (auto& v : cam->eye) onFloat(v);
  for (auto& v : cam->target) onFloat(v);
  for (auto& v : cam->savedRight) onFloat(v);
  for (auto& v : cam->projScale) onFloat(v);
  onFloat(cam->distance);
  for (auto& v : cam->rot) onFloat(v);
}
// The image moves the distance up behind the field of view.
template <class Cam, class IntFn, class FloatFn, class GroupFn>
void GVWalkCameraImage(Cam* cam, IntFn onInt, FloatFn onFloat, GroupFn onGroup) {
  GVWalkCameraInts(cam, onInt);
  onFloat(cam->depthScale);
  onFloat(cam->elevation);
  onFloat(cam->heading);
  onFloat(cam->fov);
  onFloat(cam->distance);
  onGroup(cam->eye, 3);
  onGroup(cam->target, 3);
  onGroup(cam->savedRight, 3);
  onGroup(cam->projScale, 3);
  onGroup(cam->rot, 9);
}

// --- angles, zoom and movement (degrees in, radians stored) ---
void GVSetCameraElevation(CameraRec* cam, float degrees);  // wrapped into [-pi, pi]
void GVAddCameraElevation(CameraRec* cam, float degrees);  // clamped to [-pi/2, pi/2]
void GVSetCameraHeading(CameraRec* cam, float degrees);    // both wrapped into [-pi, pi]
void GVAddCameraHeading(CameraRec* cam, float degrees);
// Field of view clamped to [0, pi - 0.01], then the projection scales for a
// width x height view.
void GVSetCameraFov(CameraRec* cam, float degrees, int width, int height);
void GVAddCameraFov(CameraRec* cam, float degrees, int width, int height);
// Level camera with an 80 degree view at the origin, backed off to see the bounds
// (xmin, xmax, ymin, ymax, zmin, zmax).
void GVResetCamera(CameraRec* cam, int width, int height, const float bounds[6]);
void GVDollyCamera(CameraRec* cam, float amount);
void GVRaiseCamera(CameraRec* cam, float amount);
void GVSlideCamera(CameraRec* cam, float amount);
void GVSnapCameraHeight(CameraRec* cam, float threshold);
void GVAimCamera(CameraRec* cam, const float direction[3]);
// Elevation, heading and field of view within the threshold of a multiple of
// 45 degrees become that multiple.
void GVSnapCameraAngles(CameraRec* cam, float thresholdDegrees);
float GVTan(float x);
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
