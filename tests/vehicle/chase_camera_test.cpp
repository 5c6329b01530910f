#include "vehicle/chase_camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera_record.h"
#include "driven_vehicle.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/state_interface.h"
#include "scene/frame_driver.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

CameraRec gCamera;

// A built vehicle seen by a test view camera; the chase settings are the
// defaults (H 10, D 30) and the chassis's centre and heading tangent are
// taken at the start.
struct ChaseScene {
  ChaseScene() : d(5, 9, 8, false) {
    GVCameraInit(&gCamera);
    SceneServices sv = GVSceneServices();
    sv.viewCamera = [] { return &gCamera; };
    GVSetSceneServices(sv);
    GVVehicleChaseCam() = VehicleChaseCam();
    HObject* chassis = d.Jel(d.v->chassisJel);
    GVGetGroupCentre(chassis->state, 1, kFrameCommitted, kAxesAll, c);
    float origin[3], frame[9];
    HBState::nodeTangents(chassis->state, d.v->headingNode, origin, frame);
    t[0] = frame[0];
    t[1] = frame[2];
    const float n = std::hypot(t[0], t[1]);
    t[0] /= n;
    t[1] /= n;
  }
  ~ChaseScene() { GVVehicleChaseCam() = VehicleChaseCam(); }
  void Eye(float dx, float dy, float dz) {
    gCamera.eye[0] = c[0] + dx;
    gCamera.eye[1] = c[1] + dy;
    gCamera.eye[2] = c[2] + dz;
  }
  float Horizontal() const { return std::hypot(gCamera.eye[0] - c[0], gCamera.eye[2] - c[2]); }
  float Height() const { return gCamera.eye[1] - c[1]; }
  // Cosine between the eye's horizontal offset from the centre and (x, z).
  float Along(float x, float z) const {
    return ((gCamera.eye[0] - c[0]) * x + (gCamera.eye[2] - c[2]) * z) / Horizontal();
  }

  DrivenVehicle d;
  float c[3];
  float t[2];  // heading tangent in the x-z plane, normalised
};

}  // namespace

TEST(ChaseCamera, EyeEasesIntoTheBandAndAimsAhead) {
  ChaseScene s;
  // Nearer than 0.8 D = 24: a fifth of the gap per frame, height kept.
  s.Eye(10.0f, 10.0f, 0.0f);
  GVVehicleCameraFollow();
  EXPECT_NEAR(s.Horizontal(), 10.0f + 0.2f * 14.0f, 1e-3f);
  EXPECT_NEAR(s.Along(1.0f, 0.0f), 1.0f, 1e-5f);
  EXPECT_NEAR(s.Height(), 10.0f, 1e-4f);
  GVVehicleCameraFollow();
  EXPECT_NEAR(s.Horizontal(), 12.8f + 0.2f * (24.0f - 12.8f), 1e-3f);
  // Above H + 2s = 12: down by a fifth of the gap; a distance within the
  // band stays.
  s.Eye(0.0f, 20.0f, 26.0f);
  GVVehicleCameraFollow();
  EXPECT_NEAR(s.Height(), 20.0f - 0.2f * 8.0f, 1e-3f);
  EXPECT_NEAR(s.Horizontal(), 26.0f, 1e-3f);
  // The target lies ahead of the centre along the heading, at its height.
  const float k = (7.0f + 1.0f) * 0.5f;  // the chassis's seven points along x: largest index 7
  EXPECT_NEAR(gCamera.target[0], s.c[0] + k * s.t[0], 0.05f);
  EXPECT_NEAR(gCamera.target[1], s.c[1], 1e-4f);
  EXPECT_NEAR(gCamera.target[2], s.c[2] + k * s.t[1], 0.05f);
  EXPECT_NEAR(gCamera.fov, 30.0f / 57.29578f, 1e-5f);
}

TEST(ChaseCamera, ModesOneAndTwoPutTheEyeAlongMinusAndPlusHeading) {
  ChaseScene s;
  for (int mode : {1, 2}) {
    GVVehicleChaseCam().cameraMode = mode;
    s.Eye(-5.0f, 10.0f, 30.0f);
    for (int f = 0; f < 60; ++f) GVVehicleCameraFollow();
    const float sign = mode == 1 ? -1.0f : 1.0f;
    EXPECT_GT(s.Along(sign * s.t[0], sign * s.t[1]), 0.999f) << mode;
    EXPECT_NEAR(s.Horizontal(), 24.0f, 0.01f) << mode;
  }
}

TEST(ChaseCamera, AfterFrameFollowsAndTheViewSetsTheChase) {
  ChaseScene s;
  gCamera.mode = 1;
  s.Eye(10.0f, 10.0f, 0.0f);
  GVUpdateAfterStep(GVScene().world, -1, nullptr);
  EXPECT_NEAR(s.Horizontal(), 12.8f, 1e-3f);

  s.Eye(3.0f, 7.0f, 4.0f);
  gCamera.fov = 0.5f;
  gCamera.heading = -1.0f;
  GVSetVehicleCamFromView();
  const VehicleChaseCam& chase = GVVehicleChaseCam();
  EXPECT_NEAR(chase.height, 7.0f, 1e-4f);
  EXPECT_NEAR(chase.distance, 5.0f, 1e-4f);
  EXPECT_NEAR(chase.fov, 0.5f * 57.29578f, 1e-3f);
  EXPECT_NEAR(chase.heading, -57.29578f, 1e-3f);
}
