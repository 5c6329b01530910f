#include "logic/camera_cmds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "jel/matter.h"
#include "jel/state_interface.h"
#include "logic/interpreter.h"
#include "logic_fixture.h"
#include "scene/light_list.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

// What the view was asked: light updates (flags * 100 + index) and
// selections (Jel * 100 + part).
std::vector<int32_t> gLightCalls, gSelections;

struct LightScene {
  LightScene() {
    gLightCalls.clear();
    gSelections.clear();
    SceneServices sv = GVSceneServices();
    sv.updateRenderLight = [](int32_t flags, int32_t index) { gLightCalls.push_back(flags * 100 + index); };
    sv.selectJel = [](int32_t jel, int32_t part) { gSelections.push_back(jel * 100 + part); };
    sv.mainWindowExists = []() -> int32_t { return 1; };
    GVSetSceneServices(sv);
    GVAddLight(GVScene().lights);  // lights 0 and 1
    const float at[3] = {1, 2, 3};
    s.AddGeo(1, at);
  }
  std::vector<float> Light(int32_t k) {
    const float* p = GVGetLight(k, GVScene().lights)->position;
    return {p[0], p[1], p[2]};
  }
  LogicScene s;
};

constexpr int32_t kTold = kLogicLightUpdate * 100;

}  // namespace

TEST(CameraCmds, LightAtGeoTakesTheGeoPositionPlusTheOffsetOnTheLineAxes) {
  LightScene l;
  LogicProgram& p = l.s.Main();
  const float v[3] = {5, 6, 7};
  std::memcpy(p.v[2], v, sizeof v);
  l.s.Add(kLogicCamera, kCamLightAtGeo, {}, {IConst(1), IConst(1), FConst(2.0f)}, kAxisY);
  l.s.Add(kLogicCamera, kCamLightAtGeo, {}, {IConst(0), IConst(1), FConst(2.0f)});
  LogicLine* none = l.s.Add(kLogicCamera, kCamLightAtGeo, VVar(1), {IConst(0), IConst(1)});
  l.s.Add(kLogicCamera, kCamLightAtGeo, VVar(3), {IConst(2), IConst(1), FConst(2.0f)});  // index == count
  GVRunMainLogic(l.s.sys, GVScene().world);
  EXPECT_EQ(l.Light(1), (std::vector<float>{1, 4, 3}));
  EXPECT_EQ(l.Light(0), (std::vector<float>{3, 4, 5}));
  EXPECT_EQ(gLightCalls, (std::vector<int32_t>{kTold + 1, kTold}));
  // Without an offset the light stays and still reports where it is.
  EXPECT_EQ(std::vector<float>(p.v[1], p.v[1] + 3), (std::vector<float>{3, 4, 5}));
  EXPECT_EQ(std::vector<float>(p.v[3], p.v[3] + 3), (std::vector<float>{0, 0, 0}));

  // A vector offset on x only: the other components are the Geo's.
  none->argType[2] = static_cast<int32_t>(kLogicVec);
  none->argVar[2] = 2;
  none->flags = kAxisX;
  GVRunMainLogic(l.s.sys, GVScene().world);
  EXPECT_EQ(l.Light(0), (std::vector<float>{6, 2, 3}));
}

TEST(CameraCmds, LightPosSetsTheLineAxesOncePerFrameWhileRunning) {
  LightScene l;
  l.s.AddJel(1, 1, 1, 1, 0.0f, 5.0f, 0.0f, 0.0f);
  l.s.sys->minSubSteps = 4;
  LogicProgram& p = l.s.Main();
  const float v[3] = {7, 8, 9};
  std::memcpy(p.v[1], v, sizeof v);
  l.s.Add(kLogicCamera, kCamLightPos, VVar(2), {IConst(0), VVar(1)}, kAxisX | kAxisZ);
  l.s.Add(kLogicCamera, kCamLightPos, {}, {IConst(2), VVar(1)});  // index == count
  l.s.PlayTo(3);
  EXPECT_EQ(l.Light(0), (std::vector<float>{7, 10, 9}));
  EXPECT_EQ(std::vector<float>(p.v[2], p.v[2] + 3), (std::vector<float>{7, 0, 9}));
  // Frame 0 (outside sub-stepping) and the last sub-step of frames 1 to 3.
  EXPECT_EQ(gLightCalls, std::vector<int32_t>(4, kTold));
  GVRunMainLogic(l.s.sys, GVScene().world);
  GVRunMainLogic(l.s.sys, GVScene().world);
  EXPECT_EQ(gLightCalls.size(), 6u);
}

TEST(CameraCmds, CameraEntriesChangeNothingAndDrawPartSelectsOncePerFrame) {
  LightScene l;
  l.s.AddJel(2, 1, 1, 1, 0.0f, 5.0f, 0.0f, 0.0f);
  l.s.sys->minSubSteps = 3;
  LogicProgram& p = l.s.Main();
  p.f[1] = 3.0f;
  p.v[1][0] = 4.0f;
  for (int32_t cmd = kCamPoiFix; cmd <= kCamZoom; ++cmd)
    l.s.Add(kLogicCamera, cmd, FVar(2), {cmd == kCamPoi || cmd == kCamPos ? VVar(1) : FVar(1)});
  l.s.Add(kLogicDrawing, 0, {}, {IConst(2), IConst(0)});
  l.s.Add(kLogicDrawing, 0, {}, {IConst(0), IConst(3)});
  LogicLine* draw = l.s.Add(kLogicDrawing, 0, {}, {IConst(2), IConst(3)});
  l.s.PlayTo(2);
  EXPECT_EQ(p.f[2], 0.0f);
  EXPECT_EQ(p.f[1], 3.0f);
  EXPECT_EQ(p.v[1][0], 4.0f);
  EXPECT_EQ(l.Light(0), (std::vector<float>{0, 10, 20}));
  EXPECT_TRUE(gLightCalls.empty());
  EXPECT_EQ(gSelections, (std::vector<int32_t>{203, 203, 203}));

  // Not while the view drags.
  GVGlobalWorkBlock()->words[1] = 1;
  l.s.PlayTo(3);
  GVGlobalWorkBlock()->words[1] = 0;
  EXPECT_EQ(gSelections.size(), 3u);
  draw->argInt[1] = 0;
  l.s.PlayTo(4);
  EXPECT_EQ(gSelections.size(), 3u);
}
