#include "logic/command_args.h"

#include <gtest/gtest.h>

#include "dynamics/runner_scene.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/matter.h"
#include "logic_fixture.h"

TEST(CommandArgs, ReadArg3TakesTheSelectedComponentsOrAFloat) {
  LogicStore s;
  LogicProgram& p = s.Main();
  p.v[2][0] = 1.0f;
  p.v[2][1] = 2.0f;
  p.v[2][2] = 3.0f;
  p.f[4] = 6.5f;
  LogicLine* l = s.Add(kLogicDyn1, 0, {}, {IConst(1), IConst(1), VVar(2)}, kAxisY);
  float f = -1.0f, v[3] = {9.0f, 9.0f, 9.0f};
  EXPECT_EQ(GVLogicReadArg3(l, 1, &s.sys, &f, v), 1);
  EXPECT_EQ(v[0], 9.0f);
  EXPECT_EQ(v[1], 2.0f);
  EXPECT_EQ(v[2], 9.0f);
  EXPECT_EQ(f, -1.0f);
  l->argType[2] = kLogicFloat;
  l->argVar[2] = 4;
  EXPECT_EQ(GVLogicReadArg3(l, 1, &s.sys, &f, v), 1);
  EXPECT_EQ(f, 6.5f);
  for (int32_t bad : {0, 10, -3}) {  // no variable, or one the program lacks
    l->argVar[2] = bad;
    EXPECT_EQ(GVLogicReadArg3(l, 1, &s.sys, &f, v), 0);
  }
  l->argType[2] = kLogicIntConst;
  EXPECT_EQ(GVLogicReadArg3(l, 1, &s.sys, &f, v), 0);
  EXPECT_EQ(f, 6.5f);
}

TEST(CommandArgs, FrameRangeStartsNoEarlierThanTheJel) {
  LogicStore s;
  s.AddJel(3, 0.0f, 5.0f, 0.0f, 0.0f)->playParams.startFrame = 20;
  LogicLine* l = s.Add(kLogicDyn2, 0, {}, {IConst(3), IConst(1), IConst(0), IConst(50)});
  int32_t id = 0, part = 0;
  for (int32_t frame : {0, 20, 30, 50, 60}) {
    s.world.params.currentFrame = frame;
    const int32_t phase = GVLogicFrameRangeArgs(l, 1, &s.sys, &id, &part);
    EXPECT_EQ(phase, frame == 0 ? 0 : frame == 20 ? 3 : frame == 30 ? 2 : frame == 50 ? 6 : 0) << frame;
  }
  EXPECT_EQ(id, 3);
  EXPECT_EQ(part, 1);
}
