#include "logic/props_cmds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "logic/interpreter.h"
#include "logic_fixture.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

// What the probe line saw on each call: the frame being stepped, the
// sub-step and the elasticity of Jel 1's first node.
struct Probe {
  int32_t frame, subStep;
  float elasticity;
};
std::vector<Probe> gProbes;

int32_t ProbeCmd(int32_t, LogicLine*, LogicSystem* sys) {
  const HWorld* w = *sys->world;
  const HObject* j = w->head;
  gProbes.push_back({w->params.currentFrame, w->params.subStepIndex, j->state->matter[1].elasticity});
  return 0;
}

// The scene with the probe command in the DRAWING slot; lines of HPROPS
// command cmd, or of the probe for cmd -1.
struct PropsScene : LogicScene {
  PropsScene() {
    if (LogicCmd* probe = GVLogicBeginCategory(sys, kLogicDrawing, 1)) probe->fn = ProbeCmd;
    gProbes.clear();
  }
  LogicLine* Line(int32_t cmd, Arg result, std::initializer_list<Arg> args, uint32_t flags = 0) {
    return Add(cmd < 0 ? kLogicDrawing : kLogicProps, cmd < 0 ? 0 : cmd, result, args, flags);
  }
  HObject* Jel(int32_t id, float x) { return AddJel(id, 2, 2, 2, x, 10.0f, -1.0f, 0.0f); }
};

const Arg kJel1 = IConst(1), kAllParts = IConst(1), kBoundary = IConst(2), kInterior = IConst(3);

}  // namespace

TEST(PropsCmds, ValuesAreClampedIntoTheLiveStateWhileTheWorldSteps) {
  PropsScene s;
  HObject* jel = s.Jel(1, -1.0f);
  s.Line(kPropScaleL, {}, {kJel1, kInterior, FConst(250.0f)});
  s.Line(kPropScaleL, FVar(3), {kJel1, kBoundary, IConst(-3)});
  s.Line(kPropElas, {}, {kJel1, kAllParts, FConst(-3.0f)});
  s.Line(kPropFriction, FVar(1), {kJel1, kAllParts, FConst(5.0f)});
  s.Line(kPropDensity, FVar(2), {kJel1, kAllParts});  // no value: the low bound
  // Not stepping: nothing changes, but the result reads the current value.
  GVRunMainLogic(s.sys, GVScene().world);
  EXPECT_EQ(jel->state->matter[1].elasticity, 1.0f);
  EXPECT_EQ(s.Main().f[1], 0.0f);
  EXPECT_EQ(s.Main().f[2], 1.0f);
  EXPECT_EQ(s.Main().f[3], 1.0f);

  s.PlayTo(1);
  const MatterProps& interior = jel->state->matter[1 + 1 + 3 * (1 + 3)];  // node (1, 1, 1)
  const MatterProps& corner = jel->state->matter[1];
  EXPECT_EQ(interior.scaleL, 100.0f);
  EXPECT_EQ(corner.scaleL, 0.01f);
  EXPECT_EQ(corner.elasticity, 0.0f);
  EXPECT_EQ(corner.friction, 1.0f);
  EXPECT_EQ(corner.density, 0.01f);
  EXPECT_EQ(s.Main().f[1], 1.0f);
  EXPECT_EQ(s.Main().f[2], 0.01f);
  EXPECT_EQ(s.Main().f[3], 0.01f);  // read as it is, not against the default 1
}

TEST(PropsCmds, FrameArgumentActsOnlyInTheSubStepHoldingThatFrame) {
  PropsScene s;
  s.Jel(1, -1.0f);
  s.sys->minSubSteps = 4;
  s.Line(kPropElas, {}, {kJel1, kAllParts, FConst(5.0f)});
  s.Line(kPropElas, {}, {kJel1, kAllParts, FConst(50.0f), IConst(25)});
  s.Line(-1, {}, {});
  s.PlayTo(30);
  int32_t hits = 0;
  for (const Probe& p : gProbes) {
    if (p.elasticity != 50.0f) continue;
    ++hits;
    EXPECT_TRUE(p.frame == 24 || p.frame == 25) << p.frame << "/" << p.subStep;
  }
  EXPECT_EQ(hits, 1);
  EXPECT_GE(gProbes.size(), 30u * 4u);
}

// HSCALE_T 100 with HELAS 100 would ask far more sub-steps than a frame
// takes: the frames take 1000, and the status line says so once.
std::vector<std::string> gStatus;
TEST(PropsCmds, StiffMatterHoldsTheSubStepsToTheBoundWithOneWarning) {
  PropsScene s;
  SceneServices sv = GVSceneServices();
  sv.showStatusLine = [](const char* t) { gStatus.push_back(t); };
  GVSetSceneServices(sv);
  gStatus.clear();
  s.Jel(1, -1.0f);
  s.Line(kPropScaleT, {}, {kJel1, kAllParts, FConst(100.0f)});
  s.Line(kPropElas, {}, {kJel1, kAllParts, FConst(100.0f)});
  s.Line(-1, {}, {});
  s.PlayTo(3);
  EXPECT_EQ(s.World()->params.subSteps, kMaxSubStepsPerFrame);
  int32_t lastFrame = 0;
  for (const Probe& p : gProbes) lastFrame += p.frame == 2 ? 1 : 0;
  EXPECT_EQ(lastFrame, kMaxSubStepsPerFrame);
  ASSERT_EQ(gStatus.size(), 1u);
  EXPECT_NE(gStatus[0].find("1000"), std::string::npos) << gStatus[0];
}

TEST(PropsCmds, GravitySetsTheSelectedAxesAndTheJelFallsWithIt) {
  PropsScene s;
  HObject* jel = s.Jel(1, -1.0f);
  HObject* other = s.Jel(2, 5.0f);
  s.Line(kPropGravity, FVar(1), {kJel1, kAllParts, FConst(-9.8f)}, 4);
  s.Line(kPropGravity, FVar(2), {IConst(2), kAllParts, FConst(9.8f)});
  s.PlayTo(10);
  for (int32_t i = 1; i <= jel->nodeCount; ++i) {
    const MatterProps& m = jel->state->matter[i];
    EXPECT_TRUE(m.forceX == 0.0f && m.forceY == -9.8f && m.forceZ == 0.0f) << i;
    const MatterProps& o = other->state->matter[i];
    EXPECT_TRUE(o.forceX == 9.8f && o.forceY == 9.8f && o.forceZ == 9.8f) << i;
  }
  EXPECT_EQ(s.Main().f[1], -9.8f);
  EXPECT_FLOAT_EQ(s.Main().f[2], 9.8f * std::sqrt(3.0f));
  // The first step of the run holds the loop-start frame and is left alone.
  const HWorld* w = s.World();
  const float t = 10.0f / 30.0f - 1.0f / (30.0f * static_cast<float>(w->params.subSteps));
  float vy = 0.0f;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) vy += jel->state->vel[i][1];
  EXPECT_NEAR(vy / static_cast<float>(jel->nodeCount), -9.8f * t, 0.05f * 9.8f * t);
}
