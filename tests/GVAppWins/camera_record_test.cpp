#include "GVAppWins/camera_record.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;

ViewportRec Viewport(int32_t w, int32_t h) {
  ViewportRec vp;
  vp.createdWidth = vp.width = w;
  vp.createdHeight = vp.height = h;
  vp.centreX = w / 2;
  vp.centreY = h / 2;
  return vp;
}

CameraRec Looking(const float eye[3], const float target[3], const ViewportRec& vp) {
  CameraRec cam;
  GVCameraInit(&cam);
  cam.depthScale = 1.0f;
  cam.fov = 60.0f * kPi / 180.0f;
  for (int k = 0; k < 3; ++k) {
    cam.eye[k] = eye[k];
    cam.target[k] = target[k];
  }
  GVUpdateCameraProjection(&vp, &cam);
  GVUpdateCameraAngles(&cam);
  return cam;
}

float Dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

TEST(CameraRecord, DefaultIsIdentityAndZero) {
  CameraRec cam;
  cam.mode = 3;
  cam.eye[1] = 5.0f;
  cam.rot[4] = 7.0f;
  GVCameraInit(&cam);
  EXPECT_EQ(cam.mode, 0);
  EXPECT_EQ(cam.eye[1], 0.0f);
  EXPECT_EQ(cam.projScale[0], 0.0f);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(cam.rot[k], k % 4 == 0 ? 1.0f : 0.0f);
}

// The rotation rebuilt from heading and elevation against the closed form of
// its three rows.
TEST(CameraRecord, RotationRowsFromHeadingAndElevation) {
  const float cases[][2] = {{0, 0}, {0.7f, 0}, {0, 0.4f}, {-2.5f, -1.1f}, {3.0f, 1.5f}, {1.2f, -0.3f}};
  for (const auto& c : cases) {
    CameraRec cam;
    GVCameraInit(&cam);
    cam.heading = c[0];
    cam.elevation = c[1];
    GVCalcCameraRotation(&cam);
    const float h = c[0], e = c[1];
    const float want[9] = {std::cos(h), 0, -std::sin(h),
                           std::sin(e) * std::sin(h), std::cos(e), std::sin(e) * std::cos(h),
                           std::cos(e) * std::sin(h), -std::sin(e), std::cos(e) * std::cos(h)};
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(cam.rot[k], want[k], 2e-6f) << h << " " << e << " " << k;
  }
}

TEST(CameraRecord, AnglesFromEyeAndTarget) {
  const ViewportRec vp = Viewport(800, 600);
  // The back row points from the target to the eye and the distance matches.
  const float eyes[][3] = {{0, 0, 10}, {3, 4, -5}, {-6, -2, 1}, {0.5f, 9, 0.1f}, {-4, 0, -4}};
  const float target[3] = {0.0f, 1.0f, 0.0f};
  for (const auto& eye : eyes) {
    const CameraRec cam = Looking(eye, target, vp);
    const float d[3] = {eye[0] - target[0], eye[1] - target[1], eye[2] - target[2]};
    const float len = std::sqrt(Dot(d, d));
    EXPECT_NEAR(cam.distance, len, 1e-5f);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(cam.rot[6 + k], d[k] / len, 2e-5f);
    EXPECT_NEAR(cam.heading, std::atan2(d[0], d[2]), 1e-5f);
    EXPECT_NEAR(cam.rot[1], 0.0f, 1e-6f);  // the right axis stays level
  }
}

TEST(CameraRecord, EyeStraightAboveOrAtTheTargetKeepsTheHeading) {
  CameraRec cam;
  GVCameraInit(&cam);
  cam.heading = 0.5f;
  cam.eye[1] = 3.0f;
  GVUpdateCameraAngles(&cam);
  EXPECT_FLOAT_EQ(cam.elevation, -1.5707964f);
  EXPECT_FLOAT_EQ(cam.heading, 0.5f);
  cam.eye[1] = -3.0f;
  GVUpdateCameraAngles(&cam);
  EXPECT_FLOAT_EQ(cam.elevation, 1.5707964f);
  cam.eye[1] = 0.0f;
  GVUpdateCameraAngles(&cam);
  EXPECT_EQ(cam.distance, 0.0f);
  EXPECT_FLOAT_EQ(cam.elevation, -1.5707964f);
  EXPECT_FLOAT_EQ(cam.heading, 0.5f);
}

TEST(CameraRecord, ProjectionScalesFollowTheViewport) {
  const ViewportRec vp = Viewport(800, 400);
  const float eye[3] = {0, 0, 10}, target[3] = {0, 0, 0};
  const CameraRec cam = Looking(eye, target, vp);
  const float t = std::tan(30.0f * kPi / 180.0f);
  EXPECT_NEAR(cam.projScale[0], 0.5f / t, 1e-5f);
  EXPECT_NEAR(cam.projScale[1], 1.0f / t, 1e-5f);
  EXPECT_FLOAT_EQ(cam.projScale[2], 1.0f);
  // A point on the top edge of the field of view projects to y = 1.
  const float top[3] = {0.0f, 10.0f * t, 0.0f};
  float q[3];
  GVProjectPoint(&cam, top, q);
  EXPECT_NEAR(q[1], 1.0f, 1e-5f);
  EXPECT_NEAR(q[0], 0.0f, 1e-6f);
  EXPECT_NEAR(q[2], 10.0f, 1e-5f);
}

TEST(CameraRecord, CollapsedViewportKeepsTheScales) {
  const ViewportRec good = Viewport(640, 480);
  const float eye[3] = {1, 2, 3}, target[3] = {0, 0, 0};
  CameraRec cam = Looking(eye, target, good);
  const float sx = cam.projScale[0], sy = cam.projScale[1];
  ViewportRec narrow = Viewport(0, 480);
  GVUpdateCameraProjection(&narrow, &cam);
  EXPECT_EQ(cam.projScale[0], sx);
  ViewportRec flat = Viewport(640, 0);
  GVUpdateCameraProjection(&flat, &cam);
  EXPECT_EQ(cam.projScale[1], sy);
  cam.fov = 0.0f;
  GVUpdateCameraProjection(&good, &cam);
  EXPECT_TRUE(std::isfinite(cam.projScale[0]));
  EXPECT_EQ(cam.projScale[0], sx);
}

TEST(CameraRecord, PointAtTheEyeDepthProjectsToTheCentre) {
  const ViewportRec vp = Viewport(640, 480);
  const float eye[3] = {0, 0, 5}, target[3] = {0, 0, 0};
  const CameraRec cam = Looking(eye, target, vp);
  const float beside[3] = {3.0f, -2.0f, 5.0f};
  float q[3] = {9, 9, 9};
  GVProjectPoint(&cam, beside, q);
  EXPECT_EQ(q[0], 0.0f);
  EXPECT_EQ(q[1], 0.0f);
  EXPECT_EQ(q[2], 0.0f);
  // Behind the eye the depth turns negative and x flips sign.
  const float behind[3] = {1.0f, 0.0f, 7.0f};
  GVProjectPoint(&cam, behind, q);
  EXPECT_LT(q[2], 0.0f);
  EXPECT_LT(q[0], 0.0f);
}

TEST(CameraRecord, ProjectThenUnprojectReturnsThePoint) {
  const ViewportRec vp = Viewport(1024, 768);
  const float eyes[][3] = {{0, 3, 12}, {-7, 5, -2}, {4, -6, 9}};
  const float points[][3] = {{0, 0, 0}, {1.5f, -0.5f, 2}, {-2, 1, -1}, {0.25f, 2, 0.75f}};
  const float target[3] = {0.0f, 0.5f, 0.0f};
  for (const auto& eye : eyes) {
    const CameraRec cam = Looking(eye, target, vp);
    for (const auto& p : points) {
      float q[3], back[3];
      GVProjectPoint(&cam, p, q);
      ASSERT_GT(q[2], 0.0f);
      GVUnprojectPoint(&cam, q, back);
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(back[k], p[k], 2e-4f);
    }
  }
}

TEST(CameraRecord, PixelsAndNormalisedPointsRoundTrip) {
  const ViewportRec vp = Viewport(801, 601);  // odd sizes: the centre is an integer half
  EXPECT_EQ(vp.centreX, 400);
  const float pixels[][3] = {{400, 300, 2}, {0, 0, 1}, {801, 601, 5}, {123.5f, 456.25f, 3}};
  for (const auto& px : pixels) {
    float n[3], back[3];
    GVScreenToNormalised(&vp, px, n);
    GVNormalisedToScreen(&vp, n, back);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(back[k], px[k], 1e-3f);
  }
  const float up[3] = {400, 0, 1};
  float n[3];
  GVScreenToNormalised(&vp, up, n);
  EXPECT_GT(n[1], 0.99f);  // screen y runs down, normalised y up
}

TEST(CameraRecord, CopyKeepsTheDestinationHandle) {
  CameraRec a, b;
  CameraRec* cellA = &a;
  CameraRec* cellB = &b;
  GVCameraInit(&a);
  GVCameraInit(&b);
  a.handle = &cellA;
  b.handle = &cellB;
  a.mode = 1;
  a.fov = 0.5f;
  a.rot[2] = 0.25f;
  GVCopyCamera(&a, &b);
  EXPECT_EQ(b.handle, &cellB);
  EXPECT_EQ(b.mode, 1);
  EXPECT_EQ(b.fov, 0.5f);
  EXPECT_EQ(b.rot[2], 0.25f);
  GVCopyCamera(nullptr, &b);
  EXPECT_EQ(b.mode, 1);
}

}  // namespace
