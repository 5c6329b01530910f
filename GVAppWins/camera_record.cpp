#include "GVAppWins/camera_record.h"

#include <cmath>

#include "jel/vector_math.h"

static constexpr float kPi = 3.1415927f;
static constexpr float kHalfPi = 1.5707964f;

void GVCameraInit(CameraRec* cam) {
  if (!cam) return;
  CameraRec** handle = cam->handle;
  *cam = CameraRec();
  cam->handle = handle;
  GVMat3Identity(cam->rot);
}

void GVCopyCamera(const CameraRec* src, CameraRec* dst) {
  if (!src || !dst || src == dst) return;
  CameraRec** handle = dst->handle;
  *dst = *src;
  dst->handle = handle;
}

void GVProjectPoint(const CameraRec* cam, const float p[3], float q[3]) {
  float d[3];
  GVVecSub(d, p, cam->eye);
  q[0] = cam->projScale[0] * GVVecDot(cam->rot, d);
  q[1] = cam->projScale[1] * GVVecDot(cam->rot + 3, d);
  q[2] = -cam->projScale[2] * GVVecDot(cam->rot + 6, d);
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
  GVMat3Inverse(cam->rot, inv, nullptr);
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
  GVRotationFromVector(yaw, a);
  const float pitch[3] = {a[0] * cam->elevation, a[1] * cam->elevation, a[2] * cam->elevation};
  float b[9];
  GVRotationFromVector(pitch, b);
  GVMat3Mul(cam->rot, a, b);
}

void GVUpdateCameraAngles(CameraRec* cam) {
  float d[3];
  GVVecSub(d, cam->eye, cam->target);
  cam->distance = GVVecLength(d);
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

void GVUpdateCameraProjection(const ViewportRec* vp, CameraRec* cam) {
  const float w = static_cast<float>(vp->width), h = static_cast<float>(vp->height);
  const float t = std::tan(cam->fov * 0.5f) * cam->depthScale;
  // A collapsed window or a zero field of view has no projection: keep the
  // scales the camera had rather than storing infinities.
  if (w > 0.0f && h > 0.0f && t != 0.0f && std::isfinite(t)) {
    cam->projScale[0] = (h / w) / t;
    cam->projScale[1] = cam->projScale[0] * w / h;
    cam->projScale[2] = 1.0f / cam->depthScale;
  }
  GVCalcCameraRotation(cam);
}

void GVSetCameraTarget(CameraRec* cam, const float p[3]) {
  GVVec3Copy(cam->target, p);
  GVUpdateCameraAngles(cam);
}

void GVSetCameraFov(CameraRec* cam, float degrees, int32_t width, int32_t height) {
  const float radians = degrees * kPi / 180.0f;
  cam->fov = std::fmin(std::fmax(radians, 0.0f), 3.1315928f);
  ViewportRec vp;
  vp.width = width;
  vp.height = height;
  GVUpdateCameraProjection(&vp, cam);
}
