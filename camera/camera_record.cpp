#include "camera/camera_record.h"

#include <cmath>
#include <cstring>
#include <new>

#include "records/item_stream.h"

static constexpr float kPi = 3.1415927f;
static constexpr float kHalfPi = 1.5707964f;
static constexpr float kTwoPi = 6.2831855f;
static constexpr float kDegToRad = kPi / 180.0f;
static constexpr float kMaxFov = 3.1315928f;
// The projection never divides by the tangent of a field of view below this;
// the record keeps the value it was given.
static constexpr float kMinProjectionFov = 1.0e-3f;

// The few 3-vector and 3x3 routines the camera needs, kept here so that the
// record sits below the Jel library; they compute as the Jel's own do.
namespace {

float* vecSub(float* out, const float* a, const float* b) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] - b[i];
  return out;
}
float vecDot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
float vecLength(const float* a) { return std::sqrt(vecDot(a, a)); }

void mat3Identity(float* m) {
  for (int i = 0; i < 9; ++i) m[i] = (i % 4 == 0) ? 1.0f : 0.0f;
}

void mat3Mul(float* out, const float* a, const float* b) {
  float t[9];
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i)
      t[3 * j + i] = b[i] * a[3 * j] + b[3 + i] * a[3 * j + 1] + b[6 + i] * a[3 * j + 2];
  std::memcpy(out, t, sizeof t);
}

// Cofactors over the determinant; zeros for a singular matrix.
void mat3Inverse(const float* m, float* out) {
  float c[9];
  c[0] = m[4] * m[8] - m[5] * m[7];
  c[1] = -(m[1] * m[8] - m[2] * m[7]);
  c[2] = m[1] * m[5] - m[2] * m[4];
  c[3] = -(m[3] * m[8] - m[5] * m[6]);
  c[4] = m[0] * m[8] - m[2] * m[6];
  c[5] = -(m[0] * m[5] - m[2] * m[3]);
  c[6] = m[3] * m[7] - m[4] * m[6];
  c[7] = -(m[0] * m[7] - m[1] * m[6]);
  c[8] = m[0] * m[4] - m[1] * m[3];
  const float det = m[0] * c[0] + m[1] * c[3] + m[2] * c[6];
  const float s = det == 0.0f ? 0.0f : 1.0f / det;
  for (int i = 0; i < 9; ++i) out[i] = c[i] * s;
}

// The rotation about the vector r by its length, through the quaternion.
void rotationFromVector(const float* r, float* out) {
  const float rx = r[0], ry = r[1], rz = r[2];
  const float theta = std::sqrt(rx * rx + ry * ry + rz * rz);
  const float k = theta == 0.0f ? 0.0f : 1.0f / theta;
  const float h = theta / 2.0f;
  const float w = std::cos(h);
  const float sh = std::sin(h);
  const float x = rx * k * sh, y = ry * k * sh, z = rz * k * sh;
  out[0] = 1 - 2 * (y * y + z * z);
  out[4] = 1 - 2 * (x * x + z * z);
  out[8] = 1 - 2 * (x * x + y * y);
  out[1] = 2 * (x * y + w * z);
  out[3] = 2 * (x * y - w * z);
  out[2] = 2 * (x * z - w * y);
  out[6] = 2 * (x * z + w * y);
  out[5] = 2 * (y * z + w * x);
  out[7] = 2 * (y * z - w * x);
}

}  // namespace

void GVCameraInit(CameraRec* cam) {
  if (!cam) return;
  CameraRec** handle = cam->handle;
  *cam = CameraRec();
  cam->handle = handle;
  mat3Identity(cam->rot);
}

void GVCopyCamera(const CameraRec* src, CameraRec* dst) {
  if (!src || !dst || src == dst) return;
  CameraRec** handle = dst->handle;
  *dst = *src;
  dst->handle = handle;
}

void GVProjectPoint(const CameraRec* cam, const float p[3], float q[3]) {
  float d[3];
  vecSub(d, p, cam->eye);
  q[0] = cam->projScale[0] * vecDot(cam->rot, d);
  q[1] = cam->projScale[1] * vecDot(cam->rot + 3, d);
  q[2] = -cam->projScale[2] * vecDot(cam->rot + 6, d);
  const float inv = q[2] != 0.0f ? 1.0f / q[2] : 0.0f;
  q[0] *= inv;
  q[1] *= inv;
}

void GVUnprojectPoint(const CameraRec* cam, const float q[3], float p[3]) {
  const float sx = cam->projScale[0], sy = cam->projScale[1], sz = cam->projScale[2];
  const float c[3] = {sx != 0.0f ? q[0] * q[2] / sx : 0.0f, sy != 0.0f ? q[1] * q[2] / sy : 0.0f,
                      sz != 0.0f ? -q[2] / sz : 0.0f};
  // The rows are the camera axes in world space, so the camera-space vector
  // goes back through the inverse of the row-major matrix.
  float inv[9];
  mat3Inverse(cam->rot, inv);
  float w[3];
  for (int i = 0; i < 3; ++i) w[i] = inv[3 * i] * c[0] + inv[3 * i + 1] * c[1] + inv[3 * i + 2] * c[2];
  for (int i = 0; i < 3; ++i) p[i] = w[i] + cam->eye[i];
}

void GVScreenToNormalised(const ViewportRec* vp, const float px[3], float out[3]) {
  const float hw = static_cast<float>(vp->width) * 0.5f, hh = static_cast<float>(vp->height) * 0.5f;
  const float x = hw != 0.0f ? (px[0] - static_cast<float>(vp->centreX)) / hw : 0.0f;
  const float y = hh != 0.0f ? -(px[1] - static_cast<float>(vp->centreY)) / hh : 0.0f;
  out[0] = x;
  out[1] = y;
  out[2] = px[2];
}

void GVNormalisedToScreen(const ViewportRec* vp, const float n[3], float out[3]) {
  const float x = n[0] * static_cast<float>(vp->width) * 0.5f + static_cast<float>(vp->centreX);
  const float y = static_cast<float>(vp->centreY) - static_cast<float>(vp->height) * n[1] * 0.5f;
  out[0] = x;
  out[1] = y;
  out[2] = n[2];
}

void GVCalcCameraRotation(CameraRec* cam) {
  const float yaw[3] = {0.0f, cam->heading, 0.0f};
  float a[9];
  rotationFromVector(yaw, a);
  const float pitch[3] = {a[0] * cam->elevation, a[1] * cam->elevation, a[2] * cam->elevation};
  float b[9];
  rotationFromVector(pitch, b);
  mat3Mul(cam->rot, a, b);
}

void GVUpdateCameraAngles(CameraRec* cam) {
  float d[3];
  vecSub(d, cam->eye, cam->target);
  cam->distance = vecLength(d);
  const float h2 = d[0] * d[0] + d[2] * d[2];
  if (h2 == 0.0f) {
    cam->elevation = d[1] >= 0.0f ? -kHalfPi : kHalfPi;
  } else {
    cam->elevation = std::atan(std::fabs(d[1]) / std::sqrt(h2));
    if (d[1] > 0.0f) cam->elevation = -cam->elevation;
  }
  if (d[2] != 0.0f) {
    cam->heading = std::atan(d[0] / d[2]);
  } else if (d[0] > 0.0f) {
    cam->heading = kHalfPi;
  } else if (d[0] < 0.0f) {
    cam->heading = -kHalfPi;
  }
  if (d[2] < 0.0f) cam->heading += d[0] >= 0.0f ? kPi : -kPi;
  GVCalcCameraRotation(cam);
}

// The three projection scales for a width x height view. A collapsed window has
// no projection and a zero field of view none that is finite: the scales stay as
// they were, and the field of view is floored for the division only.
static void setProjectionScales(CameraRec* cam, int width, int height) {
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  const float fov = cam->fov > kMinProjectionFov ? cam->fov : kMinProjectionFov;
  const float t = std::tan(fov * 0.5f) * cam->depthScale;
  if (w > 0.0f && h > 0.0f && t != 0.0f && std::isfinite(t)) {
    cam->projScale[0] = (h / w) / t;
    cam->projScale[1] = cam->projScale[0] * w / h;
    cam->projScale[2] = 1.0f / cam->depthScale;
  }
}

void GVUpdateCameraProjection(const ViewportRec* vp, CameraRec* cam) {
  setProjectionScales(cam, vp->width, vp->height);
  GVCalcCameraRotation(cam);
}

void GVSetCameraTarget(CameraRec* cam, const float p[3]) {
  if (p) std::memmove(cam->target, p, sizeof cam->target);
  GVUpdateCameraAngles(cam);
}

// --- handle cells ---

static CameraRec* newRecord(CameraRec** cell) {
  CameraRec* cam = new (std::nothrow) CameraRec();
  if (cam) {
    GVCameraInit(cam);
    cam->handle = cell;
  }
  return cam;
}

void GVNewCamera(CameraRec** cell) {
  if (cell) *cell = newRecord(cell);
}

void GVNewCameraFromFile(CameraRec** cell, FILE* file) {
  if (!cell) return;
  *cell = newRecord(cell);
  if (*cell) GVLoadCamera(*cell, file);
}

void GVReloadCameraFromFile(CameraRec** cell, FILE* file) {
  if (!cell) return;
  delete *cell;
  GVNewCameraFromFile(cell, file);
}

void GVFreeCamera(CameraRec** cell) {
  if (!cell) return;
  delete *cell;
  delete cell;
}

// --- stored forms ---

static void displayModeRule(CameraRec* cam) {
  if (cam->geoDisplayMode == 8) cam->geoDisplayMode = 32;
  if (cam->jelDisplayMode == 8) cam->jelDisplayMode = 32;
}

static uint32_t getWord(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

static void putWord(uint8_t* p, uint32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(v >> (8 * k));
}

void GVCameraFromStoredPart(CameraRec* cam, const uint8_t* block, int bytes) {
  if (!cam || !block) return;
  int at = 0;
  GVWalkCameraStored(
      cam,
      [&](int32_t& v) {
        if (at + 4 <= bytes) v = static_cast<int32_t>(getWord(block + at));
        at += 4;
      },
      [&](float& v) {
        if (at + 4 <= bytes) {
          const uint32_t w = getWord(block + at);
          std::memcpy(&v, &w, 4);
        }
        at += 4;
      });
}

void GVCameraFromStored(CameraRec* cam, const uint8_t* block) {
  GVCameraFromStoredPart(cam, block, kCameraStoredBytes);
}

void GVCameraToStored(const CameraRec* cam, uint8_t* block) {
  if (!cam || !block) return;
  int at = 0;
  GVWalkCameraStored(
      cam, [&](const int32_t& v) { putWord(block + at, static_cast<uint32_t>(v)), at += 4; },
      [&](const float& v) {
        uint32_t w;
        std::memcpy(&w, &v, 4);
        putWord(block + at, w);
        at += 4;
      });
}

void GVLoadCamera(CameraRec* cam, FILE* file) {
  if (!cam) return;
  GVCameraInit(cam);
  uint8_t block[kCameraStoredBytes] = {};
  const size_t got = file ? std::fread(block, 1, sizeof block, file) : 0;
  GVCameraFromStoredPart(cam, block, static_cast<int>(got));
  displayModeRule(cam);
}

void GVWriteCameraImage(CameraRec* cam, int32_t* ints, uint32_t* intIndex, float* floats,
                        uint32_t* floatIndex) {
  if (!cam) return;
  displayModeRule(cam);
  if (ints && intIndex) GVWalkCameraInts(cam, [&](const int32_t& v) { ints[(*intIndex)++] = v; });
  if (!floats || !floatIndex) return;
  GVWalkCameraImage(
      cam, [](const int32_t&) {}, [&](const float& v) { floats[(*floatIndex)++] = v; },
      [&](const float* g, int n) {
        for (int k = 0; k < n; ++k) floats[(*floatIndex)++] = g[k];
      });
}

void GVReadCameraImage(CameraRec* cam, const int32_t* ints, uint32_t* intIndex, const float* floats,
                       uint32_t* floatIndex) {
  if (!cam) return;
  if (ints && intIndex) GVWalkCameraInts(cam, [&](int32_t& v) { v = ints[(*intIndex)++]; });
  if (floats && floatIndex) {
    GVWalkCameraImage(
        cam, [](int32_t&) {}, [&](float& v) { v = floats[(*floatIndex)++]; },
        [&](float* g, int n) {
          for (int k = 0; k < n; ++k) g[k] = floats[(*floatIndex)++];
        });
  }
  displayModeRule(cam);
}

int GVReadCameraFromImage(CameraRec** cell, ItemStream* image) {
  if (!cell || !*cell || !image) return 0;
  if (!GVItemStreamHasRoom(image, 0, kCameraImageInts, kCameraImageFloats, 0)) return 0;
  GVReadCameraImage(*cell, image->ints, &image->intCount, image->floats, &image->floatCount);
  return 1;
}

// --- angles, zoom and movement ---

// In orbit mode the eye moves about the target, otherwise the target about the eye.
static void follow(CameraRec* cam) {
  const float* back = cam->rot + 6;
  for (int k = 0; k < 3; ++k) {
    if (cam->mode == 1)
      cam->eye[k] = cam->target[k] + back[k] * cam->distance;
    else
      cam->target[k] = cam->eye[k] - back[k] * cam->distance;
  }
}

static float wrapAngle(float a) {
  if (a > kPi) a -= kTwoPi;
  if (a < -kPi) a += kTwoPi;
  return a;
}

static void rebuildAndFollow(CameraRec* cam) {
  GVCalcCameraRotation(cam);
  follow(cam);
}

void GVSetCameraElevation(CameraRec* cam, float degrees) {
  cam->elevation = wrapAngle(degrees * kDegToRad);
  rebuildAndFollow(cam);
}

void GVAddCameraElevation(CameraRec* cam, float degrees) {
  float e = cam->elevation + degrees * kDegToRad;
  if (e > kHalfPi) e = kHalfPi;
  if (e < -kHalfPi) e = -kHalfPi;
  cam->elevation = e;
  rebuildAndFollow(cam);
}

void GVSetCameraHeading(CameraRec* cam, float degrees) {
  cam->heading = wrapAngle(degrees * kDegToRad);
  rebuildAndFollow(cam);
}

void GVAddCameraHeading(CameraRec* cam, float degrees) {
  cam->heading = wrapAngle(cam->heading + degrees * kDegToRad);
  rebuildAndFollow(cam);
}

static void setFov(CameraRec* cam, float fov, int width, int height) {
  if (fov > kMaxFov) fov = kMaxFov;
  if (fov < 0.0f) fov = 0.0f;
  cam->fov = fov;
  setProjectionScales(cam, width, height);
}

void GVSetCameraFov(CameraRec* cam, float degrees, int width, int height) {
  setFov(cam, degrees * kDegToRad, width, height);
}

void GVAddCameraFov(CameraRec* cam, float degrees, int width, int height) {
  setFov(cam, cam->fov + degrees * kDegToRad, width, height);
}

void GVResetCamera(CameraRec* cam, int width, int height, const float bounds[6]) {
  cam->elevation = 0.0f;
  cam->heading = 0.0f;
  cam->fov = 1.3962634f;
  cam->depthScale = 1.0f;
  setProjectionScales(cam, width, height);
  // An empty client area backs off as a square view would.
  const float aspect = width > 0 && height > 0 ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
  const float tan40 = std::tan(40.0f * kDegToRad);
  cam->eye[0] = cam->eye[1] = 0.0f;
  cam->eye[2] = bounds ? (bounds[5] + bounds[3] * aspect / tan40) * 0.9f : 0.0f;
  cam->target[0] = cam->target[1] = cam->target[2] = 0.0f;
  cam->distance = std::fabs(cam->eye[2]);
  GVCalcCameraRotation(cam);
}

void GVDollyCamera(CameraRec* cam, float amount) {
  for (int k = 0; k < 3; ++k) cam->eye[k] -= cam->rot[6 + k] * amount;
  float d[3];
  cam->distance = vecLength(vecSub(d, cam->eye, cam->target));
}

void GVRaiseCamera(CameraRec* cam, float amount) {
  cam->eye[1] += amount;
  if (cam->mode == 0) cam->target[1] += amount;
  GVUpdateCameraAngles(cam);
}

void GVSlideCamera(CameraRec* cam, float amount) {
  cam->eye[0] += amount * cam->savedRight[0];
  cam->eye[2] += amount * cam->savedRight[2];
  if (cam->mode == 0) {
    cam->target[0] += amount * cam->savedRight[0];
    cam->target[2] += amount * cam->savedRight[2];
  }
  GVUpdateCameraAngles(cam);
}

void GVSnapCameraHeight(CameraRec* cam, float threshold) {
  if (std::fabs(cam->eye[1]) < threshold) {
    cam->eye[1] = 0.0f;
    GVUpdateCameraAngles(cam);
  }
}

void GVAimCamera(CameraRec* cam, const float direction[3]) {
  for (int k = 0; k < 3; ++k) cam->target[k] = cam->eye[k] + direction[k] * cam->distance;
  GVUpdateCameraAngles(cam);
}

void GVSnapCameraAngles(CameraRec* cam, float thresholdDegrees) {
  const float t = thresholdDegrees * kDegToRad;
  const bool elevationToo = t <= std::fabs(cam->elevation) - kHalfPi;
  for (int k = -8; k <= 8; ++k) {
    const float v = static_cast<float>(k) * (kPi / 4.0f);
    if (elevationToo && std::fabs(cam->elevation - v) < t) cam->elevation = v;
    if (std::fabs(cam->heading - v) < t) cam->heading = v;
    if (std::fabs(cam->fov - v) < t) cam->fov = v;
  }
}

float GVTan(float x) { return std::tan(x); }
