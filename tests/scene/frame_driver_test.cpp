#include "scene/frame_driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "geo/geo_binding.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "dynamics/runner_scene.h"
#include "scene/app_lifecycle.h"
#include "scene/scene_access.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

// A stand-in for the 3-D view: a camera that shows Geos, and a log of the
// render-mesh rewrites (the Geo's vertices at that moment) and redraws.
struct FakeView {
  CameraRec camera;
  CameraRec start;
  int32_t selection[2] = {0, 0};
  std::vector<std::vector<float>> meshWrites;
  int redraws = 0;
  std::vector<int32_t> readouts;
  std::vector<std::string> calls;
};
FakeView* gView = nullptr;
int32_t gLogicMin = 0, gVehicleNeed = 0;
float gVehicleFactor = 1.0f;

SceneServices FakeServices() {
  SceneServices sv;
  sv.viewCamera = [] { return &gView->camera; };
  sv.updateGeoMesh = [](GObject* g) {
    std::vector<float> v;
    for (int32_t i = 1; i <= g->vertexCount; ++i) v.insert(v.end(), g->vertices[i], g->vertices[i] + 3);
    gView->meshWrites.push_back(v);
  };
  sv.redrawView = [] { ++gView->redraws; };
  sv.viewStartCamera = [] { return &gView->start; };
  sv.viewSelection = [](int32_t* second) {
    if (second) *second = gView->selection[1];
    return gView->selection[0];
  };
  sv.mainWindowExists = []() -> int32_t { return 1; };
  sv.setCurrentGeo = [](int32_t id) { gView->calls.push_back("geo " + std::to_string(id)); };
  sv.setCurrentJel = [] { gView->calls.push_back("current jel"); };
  sv.selectJel = [](int32_t a, int32_t b) {
    gView->calls.push_back("select " + std::to_string(a) + " " + std::to_string(b));
  };
  return sv;
}

class FrameDriver : public testing::Test {
 protected:
  void SetUp() override {
    view.camera.geoDisplayMode = 1;
    gView = &view;
    GVSetSceneServices(FakeServices());
    GVAppStartup();
    ASSERT_NE(GVScene().world, nullptr);
    ASSERT_NE(GVScene().geoList, nullptr);
  }
  void TearDown() override {
    GVAppShutdown();
    GVSetSceneServices(SceneServices());
    GVFrameClock() = FrameClock();
    gView = nullptr;
  }
  HWorld* world() { return *GVScene().world; }
  HObject* addJel(float y, int32_t id, uint32_t groupMask = 2) {
    const float corner[3] = {-1.0f, y, -1.0f};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, id, -9.81f);
    j->groupMask = groupMask;
    if (j->state) j->state->groupMask = groupMask;
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  GObject* addGeo(GObject* g) {
    g->handle = new ObjHandle{g};
    GVAddGeoToScene(GVScene().geoList, g->handle);
    return g;
  }
  FakeView view;
};

float GeoLowestY(const GObject* g) {
  float y = 9e30f;
  for (int32_t i = 1; i <= g->vertexCount; ++i) y = std::fmin(y, g->vertices[i][1]);
  return y;
}

TEST_F(FrameDriver, BoundAndKeyFramedGeosFollowTheRunAndReplayBitForBit) {
  HObject* jel = addJel(5.0f, 1);
  // A bound Geo with a vertex on every node of the Jel.
  std::vector<geotest::V3> nodes;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) nodes.push_back({jel->pos[i][0], jel->pos[i][1], jel->pos[i][2]});
  GObject* bound = addGeo(geotest::makeGeo(1, "B", nodes));
  GVUpdateJelDeform(jel, 0);
  ASSERT_EQ(GVMassocGeo(bound, jel), 0);
  bound->flags |= GEO_FLAG_VERTEX_BINDING;
  // Key-framed Geo moving 10 along x over frames 0..60.
  GObject* keyed = addGeo(geotest::makeGeo(2, "K", geotest::boxCorners({0, 0, 0}, {1, 1, 1}),
                                           geotest::boxTriangles()));
  for (int32_t f : {0, 60}) {
    KeyFrame* k = GVKeyTrackFindOrInsert(keyed->keyTrack, f);
    GVKeyFrameAllocBlocks(k, KEY_CHAN_TRANSLATION);
    k->translation[0] = f / 6.0f;
  }
  GVKeyTrackRebuild(keyed->keyTrack);

  std::vector<std::vector<float>> firstRun;
  std::vector<uint64_t> hashes;
  float lowest = 9e30f;
  GVStepFrame(0, 1);
  for (int32_t f = 1; f <= 60; ++f) {
    GVStepFrame(f, 1);
    ASSERT_NEAR(GeoLowestY(bound), LowestY(jel), 1e-4f) << f;
    lowest = std::fmin(lowest, LowestY(jel));
    for (int32_t i = 1; i <= jel->nodeCount; ++i) {
      ASSERT_GE(jel->pos[i][1], -1e-3f) << f;
      ASSERT_LE(std::fabs(jel->pos[i][0]), 12.0f) << f;
    }
    float want[3], got[3];
    GVEvalGeoKeyTrack(keyed, float(f), want, nullptr, nullptr);
    GVGetGeoTransform(keyed, GEO_SEL_FRAME, got, nullptr, nullptr, nullptr);
    ASSERT_EQ(got[0], want[0]) << f;
    ASSERT_TRUE(keyed->flags & GEO_FLAG_FRAME_XFORM_SET) << f;
    firstRun.emplace_back(&bound->vertices[1][0], &bound->vertices[1][0] + 3 * bound->vertexCount);
    hashes.push_back(WorldStateHash(world()));
  }
  EXPECT_LT(lowest, 1e-2f);  // it reached the floor

  // Back to frame 30: the bound Geo starts again from its base vertices.
  view.meshWrites.clear();
  GVStepFrame(30, 1);
  ASSERT_EQ(view.meshWrites.size(), 1u);
  for (int32_t i = 1; i <= bound->vertexCount; ++i)
    for (int a = 0; a < 3; ++a) EXPECT_EQ(view.meshWrites[0][3 * (i - 1) + a], bound->baseVertices[i][a]);
  EXPECT_TRUE(bound->flags & GEO_FLAG_VIEW_REFRESHED);
  for (int32_t f = 31; f <= 60; ++f) {
    GVStepFrame(f, 1);
    EXPECT_EQ(WorldStateHash(world()), hashes[f - 1]) << f;
    EXPECT_EQ(std::vector<float>(&bound->vertices[1][0], &bound->vertices[1][0] + 3 * bound->vertexCount),
              firstRun[f - 1])
        << f;
  }
}

TEST_F(FrameDriver, NaturalStateModeHoldsGroupOneStillAndLeavesOthers) {
  for (int32_t mode : {-1, 0}) {
    GVDeleteJels(GVScene().world, -1);
    GVDeleteJels(GVScene().world, 2);
    HObject* inGroup = addJel(5.0f, 1);
    HObject* outside = addJel(12.0f, 2, 4);
    world()->params.stateMode = mode;
    GVStepFrame(0, 1);
    const float v[3] = {0.0f, 0.0f, 3.0f};
    inGroup->state->setPartVelocity(1, -2, 14, v);
    outside->state->setPartVelocity(1, -2, 14, v);
    const float z0 = inGroup->pos[1][2];
    float kept[3] = {}, now[3] = {};  // the sums add into them
    outside->state->getPartMomentum(1, -2, 14, kept);
    for (int32_t f = 1; f <= 5; ++f) {
      GVStepFrame(f, 1);
      float moved[3] = {};
      inGroup->state->getPartMomentum(1, -2, 14, moved);
      if (mode == -1)  // zeroed each frame; what is left is rounding of the velocity sums
        ASSERT_NEAR(moved[2], 0.0f, 1e-4f) << f;
      else
        ASSERT_GT(moved[2], 1.0f) << f;
    }
    EXPECT_EQ(std::fabs(inGroup->pos[1][2] - z0) < 1e-4f, mode == -1);
    outside->state->getPartMomentum(1, -2, 14, now);  // not stepped, not touched
    EXPECT_EQ(now[2], kept[2]);
    EXPECT_GT(now[2], 0.0f);
  }
}

TEST_F(FrameDriver, FrameZeroRestoresTheStartCameraUnlessTheOptionsCameraKeepsIt) {
  HWorld** cell = GVScene().world;
  view.camera.mode = 1;
  view.camera.jelDisplayMode = 16;
  view.camera.eye[0] = 7.0f;
  view.start.eye[0] = -3.0f;
  view.start.geoDisplayMode = 32;
  // The options' camera with field 6 set owns the view at frame 0.
  SceneOpts* o = GVScene().options;
  ASSERT_NE(o, nullptr);
  o->camera = new CameraRec*(new CameraRec);
  o->fields[kSceneOptsKeepCamera] = 1;
  GVUpdateAfterStep(cell, -1, nullptr);
  EXPECT_EQ(view.camera.eye[0], 7.0f);
  // Field 6 without a camera, or no field 6, gives the start camera back with
  // the view's own mode and display modes.
  GVClearSceneOptsParts(o);
  GVUpdateAfterStep(cell, -1, nullptr);
  EXPECT_EQ(view.camera.eye[0], -3.0f);
  EXPECT_EQ(view.camera.mode, 1);
  EXPECT_EQ(view.camera.geoDisplayMode, 1);
  EXPECT_EQ(view.camera.jelDisplayMode, 16);
}

TEST_F(FrameDriver, OrbitCameraFollowsTheCentreOfMassAndTheReadoutEveryTenthFrame) {
  HWorld** cell = GVScene().world;
  addJel(5.0f, 1);
  view.camera.mode = 1;
  view.selection[0] = 1;
  const auto target = [&] { return std::vector<float>(view.camera.target, view.camera.target + 3); };
  GVUpdateAfterStep(cell, 1, nullptr);
  EXPECT_NEAR(view.camera.target[0], 0.0f, 1e-5f);
  EXPECT_NEAR(view.camera.target[1], 6.0f, 1e-5f);
  EXPECT_NEAR(view.camera.target[2], 0.0f, 1e-5f);
  // No mass in the selection: the origin.
  GVUpdateAfterStep(cell, 9, nullptr);
  EXPECT_EQ(target(), std::vector<float>(3, 0.0f));
  // The options' camera with field 5 stops the follow.
  GVScene().options->camera = new CameraRec*(new CameraRec);
  GVScene().options->fields[kSceneOptsNoFollow] = 1;
  GVUpdateAfterStep(cell, 1, nullptr);
  EXPECT_EQ(target(), std::vector<float>(3, 0.0f));

  SceneServices sv = GVSceneServices();
  sv.redrawVehicleReadout = [] { gView->readouts.push_back(GVCurrentFrame(GVScene().world)); };
  GVSetSceneServices(sv);
  for (int32_t f = 0; f <= 21; ++f) {
    world()->params.currentFrame = f;
    GVUpdateAfterStep(cell, -1, nullptr);
  }
  EXPECT_EQ(view.readouts, (std::vector<int32_t>{0, 10, 20}));
}

TEST_F(FrameDriver, LogicSelectsThroughTheViewOnlyWithAMainWindow) {
  view.selection[0] = 2, view.selection[1] = 1;
  GVLogicAppCB(1, 4, 0, 0, nullptr);
  GVLogicAppCB(2, 0, 2, 1, nullptr);  // already the selection
  GVLogicAppCB(2, 0, 3, 1, nullptr);
  GVLogicAppCB(3, 0, 2, 1, nullptr);
  EXPECT_EQ(view.calls, (std::vector<std::string>{"geo 4", "current jel", "select 3 1", "select 2 1"}));
  SceneServices sv = GVSceneServices();
  sv.mainWindowExists = nullptr;
  GVSetSceneServices(sv);
  view.calls.clear();
  for (int32_t mode = 1; mode <= 3; ++mode) GVLogicAppCB(mode, 4, 3, 1, nullptr);
  EXPECT_TRUE(view.calls.empty());
}

TEST_F(FrameDriver, AFrameThatGoesNonFiniteIsTakenBackAndReported) {
  HObject* jel = addJel(5.0f, 1);
  static std::string status;
  static bool poison = false;
  status.clear();
  SceneServices sv = GVSceneServices();
  sv.showStatusLine = [](const char* text) { status = text; };
  // Stands in for an update that blows up within a step.
  sv.driveVehicle = [](HWorld** w) {
    if (poison) (*w)->head->state->disp[1][1] = std::nanf("");
  };
  GVSetSceneServices(sv);
  GVStepFrame(0, 1);
  for (int32_t f = 1; f <= 5; ++f) GVStepFrame(f, 1);
  const uint64_t before = WorldStateHash(world());
  poison = true;
  GVStepFrame(6, 1);
  poison = false;
  EXPECT_EQ(WorldStateHash(world()), before);
  EXPECT_TRUE(jel->state->isFinite());
  EXPECT_NE(status.find("frame 6"), std::string::npos) << status;
  status.clear();
  GVStepFrame(7, 1);  // and on it goes
  EXPECT_NE(WorldStateHash(world()), before);
  EXPECT_TRUE(status.empty());
}

TEST(FrameCallback, SubStepsAreTheLargerOfLogicAndVehicle) {
  EXPECT_EQ(GVFrameCallback(nullptr, 0, nullptr), 1);
  SceneServices sv;
  sv.logicMinSubsteps = [] { return gLogicMin; };
  sv.vehicleSubsteps = [](float* f) {
    *f = gVehicleFactor;
    return gVehicleNeed;
  };
  GVSetSceneServices(sv);
  gLogicMin = 3, gVehicleNeed = 2, gVehicleFactor = 1.2f;
  EXPECT_EQ(GVFrameCallback(nullptr, 0, nullptr), 3);
  gLogicMin = 1, gVehicleNeed = 3, gVehicleFactor = 1.5f;
  EXPECT_EQ(GVFrameCallback(nullptr, 0, nullptr), 5);  // 4.5 rounded up
  EXPECT_EQ(GVFrameCallback(nullptr, -1, nullptr), 1);
  GVSetSceneServices(SceneServices());
}

}  // namespace
