#include "camera/camera_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "records/item_stream.h"

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
  // A zero field of view projects through a small floor: finite and narrow.
  cam.fov = 0.0f;
  GVUpdateCameraProjection(&good, &cam);
  EXPECT_TRUE(std::isfinite(cam.projScale[0]));
  EXPECT_GT(cam.projScale[0], sx);
  EXPECT_EQ(cam.fov, 0.0f);
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

namespace {

float Deg(float radians) { return radians * 180.0f / kPi; }

}  // namespace

// The angle operations' wraps, clamps and snaps at their edges.
TEST(CameraRecord, AngleWrapsClampsAndSnaps) {
  CameraRec cam;
  GVCameraInit(&cam);
  GVAddCameraElevation(&cam, 100.0f);
  EXPECT_FLOAT_EQ(cam.elevation, 1.5707964f);
  GVSetCameraElevation(&cam, 190.0f);
  EXPECT_NEAR(Deg(cam.elevation), -170.0f, 1e-3f);
  GVSetCameraHeading(&cam, 175.0f);
  GVAddCameraHeading(&cam, 10.0f);
  EXPECT_NEAR(Deg(cam.heading), -175.0f, 1e-3f);
  GVSetCameraFov(&cam, 200.0f, 640, 480);
  EXPECT_FLOAT_EQ(cam.fov, 3.1315928f);
  GVAddCameraFov(&cam, -400.0f, 640, 480);
  EXPECT_EQ(cam.fov, 0.0f);

  struct Snap { float heading, elevation, wantHeading, wantElevation; } snaps[] = {
      {44, 44, 45, 44}, {42, 0, 42, 0}, {-91, 0, -90, 0}};
  for (const Snap& s : snaps) {
    cam.heading = s.heading * kPi / 180.0f;
    cam.elevation = s.elevation * kPi / 180.0f;
    GVSnapCameraAngles(&cam, 2.0f);
    EXPECT_NEAR(Deg(cam.heading), s.wantHeading, 1e-3f) << s.heading;
    EXPECT_NEAR(Deg(cam.elevation), s.wantElevation, 1e-3f) << s.elevation;
  }
}

// A zero field of view or an empty view leaves finite scales that the next
// real size replaces; the record keeps the clamped value.
TEST(CameraRecord, ZeroFovAndEmptyViewGiveFiniteProjection) {
  CameraRec cam;
  GVCameraInit(&cam);
  const float bounds[6] = {-12, 12, 0, 24, -12, 12};
  GVResetCamera(&cam, 0, 0, bounds);
  for (float v : cam.eye) EXPECT_TRUE(std::isfinite(v));
  GVResetCamera(&cam, 1000, 675, bounds);
  const float sx = cam.projScale[0];
  GVSetCameraFov(&cam, 0.0f, 1000, 675);
  EXPECT_EQ(cam.fov, 0.0f);
  for (float v : cam.projScale) EXPECT_TRUE(std::isfinite(v));
  EXPECT_GT(cam.projScale[0], sx);
  GVSetCameraFov(&cam, 80.0f, 0, 675);
  const float p[3] = {1, 2, -3};
  float q[3];
  GVProjectPoint(&cam, p, q);
  for (float v : q) EXPECT_TRUE(std::isfinite(v));
}

// Orbit and look-around keep their fixed point; the moves keep distance and
// rotation consistent with eye and target.
TEST(CameraRecord, MovesKeepEyeTargetAndAnglesInStep) {
  for (int mode : {0, 1}) {
    CameraRec cam;
    GVCameraInit(&cam);
    const float bounds[6] = {-12, 12, 0, 24, -12, 12};
    GVResetCamera(&cam, 800, 600, bounds);
    cam.mode = mode;
    const float fixedBefore[3] = {mode ? cam.target[0] : cam.eye[0], mode ? cam.target[1] : cam.eye[1],
                                  mode ? cam.target[2] : cam.eye[2]};
    GVAddCameraHeading(&cam, 30.0f);
    GVAddCameraElevation(&cam, -20.0f);
    const float* fixedAfter = mode ? cam.target : cam.eye;
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(fixedAfter[k], fixedBefore[k], 1e-4f);
    CameraRec check = cam;
    GVUpdateCameraAngles(&check);
    EXPECT_NEAR(check.heading, cam.heading, 1e-4f);
    EXPECT_NEAR(check.elevation, cam.elevation, 1e-4f);
    GVRaiseCamera(&cam, 3.0f);
    GVDollyCamera(&cam, 2.0f);
    float d[3] = {cam.eye[0] - cam.target[0], cam.eye[1] - cam.target[1], cam.eye[2] - cam.target[2]};
    EXPECT_NEAR(cam.distance, std::sqrt(Dot(d, d)), 1e-4f);
  }
}

// Both stored forms give back every field, with display mode 8 read as 32; a
// block cut short keeps the defaults for what it lacks.
TEST(CameraRecord, StoredBlockAndImageRoundTrip) {
  CameraRec** cell = new CameraRec*;
  GVNewCamera(cell);
  ASSERT_NE(*cell, nullptr);
  EXPECT_EQ((*cell)->handle, cell);
  CameraRec& cam = **cell;
  const float bounds[6] = {-12, 12, 0, 24, -12, 12};
  GVResetCamera(&cam, 640, 480, bounds);
  cam.mode = 1;
  cam.geoDisplayMode = 8;
  cam.jelDisplayMode = 2;
  cam.extra[0] = 7;
  cam.savedRight[2] = 0.5f;
  GVAddCameraHeading(&cam, 33.0f);

  uint8_t block[kCameraStoredBytes];
  GVCameraToStored(&cam, block);
  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fwrite(block, 1, sizeof block, file);
  std::rewind(file);
  CameraRec** readCell = new CameraRec*;
  GVNewCameraFromFile(readCell, file);
  CameraRec want = cam;
  want.geoDisplayMode = 32;
  want.handle = readCell;
  EXPECT_EQ(std::memcmp(*readCell, &want, sizeof want), 0);

  std::fclose(file);
  file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fwrite(block, 1, 60, file);
  std::rewind(file);
  GVReloadCameraFromFile(readCell, file);
  CameraRec part;
  GVCameraInit(&part);
  GVCameraFromStoredPart(&part, block, 60);
  EXPECT_EQ((*readCell)->eye[2], part.eye[2]);
  EXPECT_EQ((*readCell)->depthScale, cam.depthScale);  // word 7, inside the 60 bytes
  for (int k = 0; k < 9; ++k) EXPECT_EQ((*readCell)->rot[k], k % 4 == 0 ? 1.0f : 0.0f);
  EXPECT_EQ((*readCell)->projScale[2], 0.0f);
  std::fclose(file);

  cam.geoDisplayMode = 8;
  ItemStream stream;
  stream.intCount = kCameraImageInts + 1;
  stream.floatCount = kCameraImageFloats + 1;
  ASSERT_EQ(GVItemStreamAlloc(&stream), kItemStreamOk);
  stream.intCount = stream.floatCount = 1;  // another record's values ahead of the camera
  GVWriteCameraImage(&cam, stream.ints, &stream.intCount, stream.floats, &stream.floatCount);
  EXPECT_EQ(cam.geoDisplayMode, 32);
  EXPECT_EQ(stream.intCount, kCameraImageInts + 1);
  EXPECT_EQ(stream.floatCount, kCameraImageFloats + 1);
  stream.intCount = stream.floatCount = 1;
  GVCameraInit(*readCell);
  ASSERT_EQ(GVReadCameraFromImage(readCell, &stream), 1);
  EXPECT_EQ(std::memcmp(*readCell, &want, sizeof want), 0);
  EXPECT_EQ(GVReadCameraFromImage(readCell, &stream), 0);  // no room left
  GVItemStreamReset(&stream);
  GVFreeCamera(readCell);
  GVFreeCamera(cell);
}
