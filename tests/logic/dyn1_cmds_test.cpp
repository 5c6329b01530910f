#include "logic/dyn1_cmds.h"

#include <gtest/gtest.h>

#include <cmath>

#include "dynamics/motion_commands.h"
#include "dynamics/runner_scene.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "logic/interpreter.h"
#include "jel/vector_math.h"
#include "logic_fixture.h"
#include "scene/frame_driver.h"

namespace {

void Centre(HWorld* w, int32_t id, float c[3], const float* o = nullptr, const float* m = nullptr) {
  c[0] = c[1] = c[2] = 0.0f;
  GVGetSelPosition(w, 1, id, kFrameCommitted, kAxesAll, c, o, m);
}

void Velocity(HWorld* w, int32_t id, float v[3]) { GVGetSelVelocity(w, 1, id, kFrameCommitted, kAxesAll, v); }

}  // namespace

TEST(Dyn1Cmds, ForceOverOneSecondGivesTheVelocityOfAConstantForce) {
  LogicScene s;
  s.AddJel(1, 2, 2, 2, -1.0f, 10.0f, -1.0f, 0.0f);
  s.sys->minSubSteps = 4;
  s.Main().v[1][1] = 10.0f;
  s.Add(kLogicDyn1, kDyn1HForce, FVar(1), {IConst(1), IConst(1), VVar(1)});
  s.PlayTo(30);
  float v[3];
  Velocity(s.World(), 1, v);
  EXPECT_NEAR(v[1], 10.0f, 0.1f);
  EXPECT_NEAR(v[0], 0.0f, 1e-4f);
  EXPECT_NEAR(v[2], 0.0f, 1e-4f);
  EXPECT_FLOAT_EQ(s.Main().f[1], 10.0f);  // no axis bit: the length of the force
}

TEST(Dyn1Cmds, PosPutsThePartCentreOnItsTargetInWorldOrAxesFrame) {
  LogicScene s;
  s.AddJel(1, 2, 2, 2, -1.0f, 10.0f, -1.0f, -9.81f);
  s.AddJel(2, 2, 2, 2, 5.0f, 10.0f, -1.0f, -9.81f);
  LogicProgram& p = s.Main();
  const float target[3] = {1.5f, 8.0f, 2.0f};
  GVVec3Copy(p.v[1], target);
  // Axes turned a quarter about y, their origin at (1, 0, 0).
  const float origin[3] = {1.0f, 0.0f, 0.0f};
  const float turn[9] = {0, 0, -1, 0, 1, 0, 1, 0, 0};
  GVVec3Copy(p.axVec[1], origin);
  GVMat3Copy(p.axMat[1], turn);
  s.Add(kLogicDyn1, kDyn1HPos, VVar(2), {IConst(1), IConst(1), VVar(1)});
  s.Add(kLogicDyn1, kDyn1HPos, {}, {IConst(2), IConst(1), VVar(1), AxVar(1)});
  s.PlayTo(5);
  float c[3];
  Centre(s.World(), 1, c);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(c[k], target[k], 1e-4f) << k;  // no axis bit: all three axes move
    EXPECT_NEAR(p.v[2][k], target[k], 1e-4f) << k;
  }
  Centre(s.World(), 2, c, origin, turn);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(c[k], target[k], 1e-4f) << k;
}

TEST(Dyn1Cmds, VelocitySettersChangeTheSelectedAxesOnly) {
  LogicScene s;
  s.AddJel(1, 2, 2, 2, -6.0f, 12.0f, -1.0f, -9.81f);
  s.AddJel(2, 2, 2, 2, 4.0f, 12.0f, -1.0f, -9.81f);
  s.Main().f[1] = -2.0f;
  s.Add(kLogicDyn1, kDyn1HVel, {}, {IConst(1), IConst(1), FConst(3.0f)}, kAxisX);
  s.Add(kLogicDyn1, kDyn1HVelU, {}, {IConst(2), IConst(1), FVar(1)}, kAxisZ);
  s.PlayTo(10);
  float v1[3], v2[3];
  Velocity(s.World(), 1, v1);
  Velocity(s.World(), 2, v2);
  EXPECT_NEAR(v1[0], 3.0f, 1e-3f);
  EXPECT_NEAR(v1[2], 0.0f, 1e-3f);
  EXPECT_NEAR(v2[0], 0.0f, 1e-3f);
  EXPECT_NEAR(v2[2], -2.0f, 1e-3f);
  // Both fall alike: y was left to gravity.
  EXPECT_LT(v1[1], -2.0f);
  EXPECT_NEAR(v1[1], v2[1], 1e-3f);
}

TEST(Dyn1Cmds, SettersDoNothingInTheFirstStepOfARunButWriteTheirResults) {
  LogicStore s;
  HObject* jel = s.AddJel(1, 0.0f, 5.0f, 0.0f, 0.0f);
  FrameParams& fp = s.world.params;
  fp.stepping = 1;
  fp.subSteps = 2;
  // The last sub-step before frame 0 ends at the loop-start frame 0: the step
  // that holds it.
  fp.currentFrame = -1;
  fp.subStepIndex = 2;
  s.Add(kLogicDyn1, kDyn1HForce, FVar(1), {IConst(1), IConst(1), FConst(5.0f)}, kAxisY);
  s.Add(kLogicDyn1, kDyn1HVelU, {}, {IConst(1), IConst(1), FConst(5.0f)});
  s.Add(kLogicDyn1, kDyn1HPos, {}, {IConst(1), IConst(1), FConst(5.0f)});
  s.Add(kLogicDyn1, kDyn1HAngVelR, FVar(2), {IConst(1), IConst(1), FConst(5.0f)});
  GVRunMainLogic(&s.sys, &s.worldCell);
  const HAState* st = jel->state;
  for (int32_t i = 1; i <= st->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(st->disp[i][k], 0.0f);
      EXPECT_EQ(st->vel[i][k], 0.0f);
    }
  EXPECT_EQ(s.Main().f[1], 5.0f);
  EXPECT_EQ(s.Main().f[2], 0.0f);
}

TEST(Dyn1Cmds, ClockCommandsCountTheLastSubStepAsTheNextFrame) {
  LogicStore s;
  FrameParams& fp = s.world.params;
  fp.stepping = 1;
  fp.subSteps = 4;
  fp.currentFrame = 7;
  s.Add(kLogicDyn1, kDyn1CurFrame, IVar(1));
  s.Add(kLogicDyn1, kDyn1CurFrame, FVar(1));
  s.Add(kLogicDyn1, kDyn1IsFrame, PP(1), {IConst(8)});
  s.Add(kLogicDyn1, kDyn1IsFrame, PP(2), {FConst(7.5f)});
  s.Add(kLogicDyn1, kDyn1IsInFrange, PP(3), {IConst(8), FConst(9.0f)});
  struct Case {
    int32_t index, frame;
    float frameF;
    int32_t isEight, isSevenHalf, inRange;
  };
  for (const Case& c : {Case{4, 8, 8.0f, 1, 0, 1}, Case{2, 7, 7.5f, 0, 1, 0}}) {
    fp.subStepIndex = c.index;
    GVRunMainLogic(&s.sys, &s.worldCell);
    EXPECT_EQ(s.Main().i[1], c.frame);
    EXPECT_FLOAT_EQ(s.Main().f[1], c.frameF);
    EXPECT_EQ(s.Main().pp[1], c.isEight);
    EXPECT_EQ(s.Main().pp[2], c.isSevenHalf);
    EXPECT_EQ(s.Main().pp[3], c.inRange);
  }
}

TEST(Dyn1Cmds, FRatioSetsTheMinimumSubStepsInsideItsRangeWithinLimits) {
  LogicStore s;
  s.world.params.subSteps = 6;
  LogicLine* l = s.Add(kLogicDyn1, kDyn1FRatio, IVar(2), {IConst(3), IConst(4), IConst(5)});
  struct Case {
    int32_t a, n, frame, expect;
  };
  for (const Case& c : {Case{3, 5, 2, 1}, Case{3, 5, 3, 5}, Case{3, 5, 4, 5}, Case{3, 5, 5, 1},
                        Case{0, 1000000, 5, kLogicMaxSubSteps}, Case{0, -5, 5, 1}}) {
    l->argInt[0] = c.a;
    l->argInt[1] = c.a ? 4 : 0;
    l->argInt[2] = c.n;
    s.RunAt(c.frame);
    EXPECT_EQ(s.sys.minSubSteps, c.expect) << c.frame << " " << c.n;
  }
  EXPECT_EQ(s.Main().i[2], 6);
}

TEST(Dyn1Cmds, FRatioOverEveryFrameMakesTheFrameDriverStepThatMany) {
  LogicScene s;
  s.AddJel(1, 1, 1, 1, 0.0f, 5.0f, 0.0f, 0.0f);
  s.Add(kLogicDyn1, kDyn1FRatio, IVar(1), {IConst(0), IConst(0), IConst(3)});
  s.PlayTo(3);
  EXPECT_EQ(GVFrameCallback(nullptr, 0, nullptr), 3);
  EXPECT_EQ(s.World()->params.subSteps, 3);
  EXPECT_EQ(s.Main().i[1], 3);
}

TEST(Dyn1Cmds, DistReportsWithPartZeroAndExpandOnlyCapturesWhereItsRangeStarts) {
  LogicStore s;
  HObject* ja = s.AddJel(1, 0.0f, 5.0f, 0.0f, 0.0f);
  s.AddJel(2, 4.0f, 5.0f, 0.0f, 0.0f);
  s.Add(kLogicDyn1, kDyn1HDist, FVar(1), {IConst(1), IConst(2), IConst(1), IConst(1), FConst(1.0f)});
  s.Add(kLogicDyn1, kDyn1HDist, FVar(2), {IConst(1), IConst(2), IConst(0), IConst(1), FConst(1.0f)});
  s.Main().f[3] = 2.0f;
  s.Add(kLogicDyn1, kDyn1HExpand, {}, {IConst(1), IConst(1), IConst(10), IConst(20), FVar(3)});
  s.Main().f[2] = 7.0f;
  s.RunAt(10);
  EXPECT_FLOAT_EQ(s.Main().f[1], 4.0f);  // outside a step: reported, not set
  EXPECT_EQ(s.Main().f[2], 0.0f);
  for (int32_t i = 1; i <= ja->state->nodeCount; ++i) EXPECT_EQ(ja->state->disp[i][0], 0.0f);
  s.RunAt(11);
  float spread = 0.0f;
  for (int32_t i = 1; i <= ja->state->nodeCount; ++i) spread += std::fabs(ja->state->disp[i][0]);
  EXPECT_GT(spread, 1.0f);
}
