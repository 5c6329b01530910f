#include "vehicle/chase_camera.h"

#include <cmath>

#include "camera/camera_record.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/state_interface.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"
#include "vehicle/vehicle_setup.h"

namespace {

constexpr float kDegrees = 57.2957795f;
constexpr float kEase = 0.2f;

void applyProjection(CameraRec* cam) {
  const SceneServices& sv = GVSceneServices();
  int32_t w = 0, h = 0;
  if (!sv.viewSize || !sv.viewSize(&w, &h) || w <= 0 || h <= 0) w = h = 500;
  GVSetCameraFov(cam, GVVehicleChaseCam().fov, w, h);
  if (sv.setViewProjection) sv.setViewProjection();
}

// The chassis' centre in the committed live state, its heading tangent and the
// point the chase camera aims at: ahead of the centre along the heading, at
// its height. False without a heading node.
bool chaseAim(VehicleRec* v, HObject* chassis, float c[3], float t[3], float aim[3]) {
  const int32_t node = v->headingNode ? v->headingNode : GVVehicleFindHeadingNode(v);
  float origin[3], frame[9];
  if (node < 1 || !HBState::nodeTangents(chassis->state, node, origin, frame)) return false;
  for (int k = 0; k < 3; ++k) t[k] = frame[k];
  GVGetGroupCentre(chassis->state, 1, kFrameCommitted, kAxesAll, c);
  LatticeDims dims;
  chassis->getLatticeDims(&dims);
  const float ahead = (static_cast<float>(dims.maxIndex[0]) + 1.0f) * 0.5f * v->scale;
  aim[0] = c[0] + ahead * t[0];
  aim[1] = c[1];
  aim[2] = c[2] + ahead * t[2];
  return true;
}

}  // namespace

VehicleChaseCam& GVVehicleChaseCam() {
  static VehicleChaseCam settings;
  return settings;
}

void GVVehicleCameraFollow() {
  const SceneServices& sv = GVSceneServices();
  CameraRec* cam = sv.viewCamera ? sv.viewCamera() : nullptr;
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  if (!cam || !v || !v->world) return;
  HObject* chassis = GVVehicleJel(v->world, v->chassisJel);
  if (!chassis || !chassis->state) {
    float c[3];
    GVVehicleSelCentre(v->world, v->groupChassis, kFrameCommitted, c);
    GVSetCameraTarget(cam, c);
    if (sv.setViewProjection) sv.setViewProjection();
    return;
  }
  const VehicleChaseCam& chase = GVVehicleChaseCam();
  const float s = v->scale;
  const float dLow = 0.8f * chase.distance, dHigh = 1.2f * chase.distance;
  const float hLow = chase.height - 2.0f * s, hHigh = chase.height + 2.0f * s;
  float c[3], t[3], target[3];
  if (!chaseAim(v, chassis, c, t, target)) return;

  float dir[2];
  if (chase.cameraMode == 1 || chase.cameraMode == 2) {
    const float sign = chase.cameraMode == 1 ? -1.0f : 1.0f;
    dir[0] = sign * t[0];
    dir[1] = sign * t[2];
  } else {
    dir[0] = cam->eye[0] - c[0];
    dir[1] = cam->eye[2] - c[2];
  }
  const float length = std::hypot(dir[0], dir[1]);
  const float n[2] = {length > 0.0f ? dir[0] / length : 0.0f, length > 0.0f ? dir[1] / length : 0.0f};
  float want[3] = {cam->eye[0], cam->eye[1], cam->eye[2]};
  if (length < dLow || length > dHigh) {
    const float d = length < dLow ? dLow : dHigh;
    want[0] = c[0] + n[0] * d;
    want[2] = c[2] + n[1] * d;
  }
  const float dy = cam->eye[1] - c[1];
  if (dy < hLow) want[1] = c[1] + hLow;
  if (dy > hHigh) want[1] = c[1] + hHigh;
  for (int k = 0; k < 3; ++k) cam->eye[k] += kEase * (want[k] - cam->eye[k]);
  GVUpdateCameraAngles(cam);
  GVSetCameraTarget(cam, target);
  applyProjection(cam);
}

bool GVVehicleChaseTarget(VehicleRec* v, float target[3]) {
  HObject* chassis = v && v->world ? GVVehicleJel(v->world, v->chassisJel) : nullptr;
  float c[3], t[3];
  return chassis && chassis->state && chaseAim(v, chassis, c, t, target);
}

void GVSetVehicleCamFromView() {
  GVVehicleChaseCam().cameraMode = 0;
  const SceneServices& sv = GVSceneServices();
  CameraRec* cam = sv.viewCamera ? sv.viewCamera() : nullptr;
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  if (!cam || !v || GVVehicleIsEmpty(v)) return;
  HAState* chassis = GVVehicleJelState(v->world, v->chassisJel);
  if (!chassis) return;
  float c[3];
  GVGetGroupCentre(chassis, 1, kFrameCommitted, kAxesAll, c);
  VehicleChaseCam& chase = GVVehicleChaseCam();
  chase.height = cam->eye[1] - c[1];
  chase.distance = std::hypot(cam->eye[0] - c[0], cam->eye[2] - c[2]);
  chase.fov = cam->fov * kDegrees;
  chase.heading = cam->heading * kDegrees;
}
