#include "scene/geo_eye.h"

#include <cmath>

#include "camera/camera_record.h"
#include "geo/geo_binding.h"
#include "geo/geo_transform.h"
#include "jel/vector_math.h"
#include "geo/geo_list_services.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

// The angles are worked in single precision, with the constants rounded to
// floats, so that an eye settles on the same pose wherever it is computed.
static constexpr float kHalfPi = 1.5707964f;
static constexpr float kPi = 3.1415927f;
static constexpr float kDegToRad = 0.0174532924f;

void GVGeoEyeToPoint(const float target[3], GObject* geo, float halfAngleDeg) {
  if (!geo || !target) return;
  float anchor[3], frame[9];
  if (GVGetGeoAttachPoint(geo, anchor, frame) == 0) {
    GVGeoTurnToPoint(target, geo);
    return;
  }
  float d[3];
  GVVecSub(d, target, anchor);
  const float len = GVVecLength(d);
  if (len > 0.0f) GVVecScale(d, d, 1.0f / len);
  const float c = GVVecDot(d, frame + 6);
  if (c < std::cos(halfAngleDeg * kDegToRad)) return;
  float inv[9], local[3], g[3];
  GVMat3InvertTo(frame, inv);
  GVVecSub(d, target, anchor);
  GVMat3MulVec(local, inv, d);
  GVGetGeoTransform(geo, GEO_SEL_FRAME, g, nullptr, nullptr, nullptr);
  const float q[3] = {g[0] + local[0], g[1] + local[1], g[2] + local[2]};
  GVGeoTurnToPoint(q, geo);
}

void GVGeoTurnToPoint(const float point[3], GObject* geo) {
  if (!geo || !point) return;
  float g[3];
  GVGetGeoTransform(geo, GEO_SEL_FRAME, g, nullptr, nullptr, nullptr);
  const float dx = point[0] - g[0], dy = point[1] - g[1], dz = point[2] - g[2];
  const float h2 = dx * dx + dz * dz;
  float pitch;
  if (h2 != 0.0f) {
    pitch = std::atan(std::fabs(dy) / std::sqrt(h2));
    if (dy > 0.0f) pitch = -pitch;
  } else {
    pitch = dy < 0.0f ? kHalfPi : -kHalfPi;
  }
  float yaw;
  if (dz != 0.0f) {
    yaw = std::atan(dx / dz);
    if (dz < 0.0f) yaw += dx >= 0.0f ? kPi : -kPi;
  } else {
    yaw = dx > 0.0f ? kHalfPi : (dx < 0.0f ? -kHalfPi : 0.0f);
  }
  const float yawVec[3] = {0.0f, yaw, 0.0f};
  float identity[9], yawRot[9], m[9];
  GVMat3Identity(identity);
  GVRotationFromVector(yawVec, yawRot);
  GVMat3Mul(m, yawRot, identity);
  const float pitchVec[3] = {pitch * m[0], pitch * m[1], pitch * m[2]};
  float pitchRot[9], r[9];
  GVRotationFromVector(pitchVec, pitchRot);
  GVMat3Mul(r, m, pitchRot);
  GVSetGeoTransform(geo, GEO_SEL_BIRTH, nullptr, r, nullptr, 0.0f);
}

void GVEyeCamFollowGeo(ObjHandle* list, int32_t id, float halfAngleDeg) {
  const SceneOpts* opts = GVScene().options;
  const CameraRec* camera = nullptr;
  if (opts && opts->mode != 1 && opts->camera && *opts->camera)
    camera = *opts->camera;
  else if (GVSceneServices().viewCamera)
    camera = GVSceneServices().viewCamera();
  GObject* geo = GVGeoOf(GVFindGeo(list, id));
  if (camera && geo) GVGeoEyeToPoint(camera->eye, geo, halfAngleDeg);
}
