#include "logic/slot_types.h"

#include <gtest/gtest.h>

#include <cstring>

#include "dynamics/motion_commands.h"
#include "dynamics/runner_scene.h"
#include "jel/chan_data.h"
#include "jel/state_interface.h"
#include "logic/arithmetic_cmds.h"
#include "logic/control_logic_cmds.h"
#include "logic/dyn1_cmds.h"
#include "logic/dyn2_cmds.h"
#include "logic/effects_cmds.h"
#include "logic/line_services.h"
#include "logic/logic_persistence.h"
#include "logic/program_store.h"
#include "logic_fixture.h"

namespace {

bool Allowed(int32_t t, uint32_t mask) {
  return t > 0 && !(t & (t - 1)) && (static_cast<uint32_t>(t) & mask) == static_cast<uint32_t>(t);
}

// Every slot's type is allowed by its mask, and every variable an argument
// reads is written as a result by an earlier line.
void ExpectSound(LogicSystem* sys, int32_t program) {
  int32_t n = 1;
  for (LogicLine* l = sys->programs[program].first; l; l = l->next, ++n) {
    const LogicCmd* cmd = GVLogicLineCmd(sys, l);
    ASSERT_NE(cmd, nullptr) << "line " << n;
    if (l->resultType) {
      EXPECT_TRUE(Allowed(l->resultType, cmd->resultMask)) << "line " << n;
    }
    for (int32_t a = 0; a < kLogicArgs; ++a) {
      if (!l->argType[a]) continue;
      EXPECT_TRUE(Allowed(l->argType[a], cmd->argMask[a])) << "line " << n << " arg " << a + 1;
      EXPECT_EQ(GVLogicSlotVarDefined(program, n, l->argType[a], l->argVar[a], sys), 1)
          << "line " << n << " arg " << a + 1;
    }
  }
}

// The logic window's gestures on one line of the main program.
struct Editor {
  LogicSystem* sys;
  LogicLine* line = nullptr;
  int32_t Pos() { return GVLogicLineNumber(1, line, sys); }
  Editor& Col(int32_t column, int32_t step, int32_t times = 1) {
    for (int32_t k = 0; k < times; ++k) {
      GVLogicCycleColumn(sys, 1, step, column, line, Pos());
      ExpectSound(sys, 1);
    }
    return *this;
  }
  Editor& Result(int32_t typeSteps) {
    Col(1, 0, typeSteps);
    GVLogicAssignResultVar(sys, 1, line);
    ExpectSound(sys, 1);
    return *this;
  }
  Editor& TypeFloat(int32_t column, float v) {
    EXPECT_EQ(GVLogicColumnIsConst(line, column, sys), 1);
    line->argFloat[column - 5] = v;
    return *this;
  }
};

void Velocity(HWorld* w, int32_t id, float v[3]) { GVGetSelVelocity(w, 1, id, kFrameCommitted, kAxesAll, v); }

}  // namespace

TEST(SlotTypes, NextTypeWrapsThroughNoneAndUnusedVariablesGrowTheArray) {
  EXPECT_EQ(GVLogicNextType(0, 0x109), 8);
  EXPECT_EQ(GVLogicNextType(8, 0x109), 256);
  EXPECT_EQ(GVLogicNextType(256, 0x109), 1);
  EXPECT_EQ(GVLogicNextType(1, 0x109), 8);
  EXPECT_EQ(GVLogicNextType(8, 0), 0);

  LogicStore s;
  for (int32_t k = 1; k <= 9; ++k) s.Add(kLogicDyn1, kDyn1CurTime, FVar(k));
  s.Main().f[9] = 2.5f;
  s.Main().m[9][0] = 7.0f;
  EXPECT_EQ(GVLogicUnusedF(&s.sys, 1), 11);
  EXPECT_EQ(s.Main().fCount, 15);
  EXPECT_FLOAT_EQ(s.Main().f[9], 2.5f);  // kept
  EXPECT_FLOAT_EQ(s.Main().f[14], 0.0f);
  EXPECT_EQ(GVLogicUnusedI(&s.sys, 1), 1);  // nothing grows while a free index exists
  EXPECT_EQ(s.Main().iCount, 10);

  // Matrices grow with identities, and growth never shrinks.
  ASSERT_EQ(GVLogicResizeM(&s.Main(), 12), 1);
  ASSERT_EQ(GVLogicResizeAX(&s.Main(), 11), 1);
  EXPECT_FLOAT_EQ(s.Main().m[9][0], 7.0f);
  const float id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  EXPECT_EQ(std::memcmp(s.Main().m[11], id, sizeof id), 0);
  EXPECT_EQ(std::memcmp(s.Main().axMat[10], id, sizeof id), 0);
  EXPECT_EQ(GVLogicResizeV(&s.Main(), 5), 0);
  EXPECT_EQ(s.Main().vCount, 10);
  // Refused growth (beyond what a scene file holds) keeps count and array.
  float* before = s.Main().f;
  EXPECT_EQ(GVLogicResizeF(&s.Main(), kLogicMaxStoredVars + 1), 0);
  EXPECT_EQ(s.Main().fCount, 15);
  EXPECT_EQ(s.Main().f, before);
  EXPECT_EQ(GVLogicResizeAX(&s.Main(), kLogicMaxStoredVars + 1), 0);
  EXPECT_EQ(s.Main().axCount, 11);
}

TEST(SlotTypes, ResetsDropTheCurveFromTheCurrentFrameAndTheLastArgument) {
  LogicStore s;
  LogicLine* fix = s.Add(kLogicDyn2, kDyn2HFix, PP(1), {IConst(1), IConst(1), IConst(10), IConst(40)});
  for (int32_t key : {5, 10, 15}) createFGItem(fix, key, 1.0f, 0);
  GVLogicResetColumn(&s.sys, 1, 1, fix, 0, 10);
  ASSERT_NE(fix->fg, nullptr);
  EXPECT_EQ(fix->fg->key, 5);
  EXPECT_EQ(fix->fg->next, nullptr);
  EXPECT_EQ(fix->resultType, static_cast<int32_t>(kLogicPP));  // the curve is left
  GVLogicResetColumn(&s.sys, 1, 1, fix, 0, 0);
  EXPECT_EQ(fix->fg, nullptr);
  EXPECT_EQ(fix->resultType, 0);

  // Arguments are removed from the end only.
  GVLogicResetColumn(&s.sys, 1, 7, fix, 0, 0);
  EXPECT_EQ(fix->argType[2], static_cast<int32_t>(kLogicIntConst));
  GVLogicResetColumn(&s.sys, 1, 8, fix, 0, 0);
  EXPECT_EQ(fix->argType[3], 0);
  GVLogicResetColumn(&s.sys, 1, 7, fix, 0, 0);
  EXPECT_EQ(fix->argType[2], 0);
  GVLogicResetColumn(&s.sys, 1, 6, fix, 0, 0);  // required
  EXPECT_EQ(fix->argType[1], static_cast<int32_t>(kLogicIntConst));

  // A recorded drag (states in slot 1 of the int channel) forgets the frames
  // from the current one on, counted from its first frame (argument 3).
  LogicLine* mouse = s.Add(kLogicEffects, kFxMouse, PP(2), {IConst(1), IConst(1), IConst(4), IConst(30)});
  mouse->chan = GVNewChanData(20);
  ASSERT_EQ(GVAllocChannels(mouse->chan, kChanInt | kChanVec3, 1), 1);
  ASSERT_EQ(GVAllocChannelFrame(mouse->chan, kChanInt | kChanVec3, 1), 1);
  int32_t* states = GVChanInts(mouse->chan, 1);
  for (int32_t k = 1; k <= 20; ++k) states[k] = 1;
  GVLogicResetColumn(&s.sys, 1, 1, mouse, 0, 10);
  for (int32_t k = 1; k <= 20; ++k) EXPECT_EQ(states[k], k < 6 ? 1 : 0) << k;
  EXPECT_EQ(mouse->resultType, static_cast<int32_t>(kLogicPP));
  GVLogicResetColumn(&s.sys, 1, 1, mouse, 0, 0);  // at the start: nothing recorded
  EXPECT_EQ(mouse->chan, nullptr);
}

TEST(SlotTypes, WindowStepsOnTheFirstLineOfferConstantsOnly) {
  LogicStore s;
  LogicLine* l = s.Add(kLogicLogic, 5, PP(1));  // "<"
  s.Add(kLogicDyn1, kDyn1CurTime, FVar(1));
  for (int32_t step : {1, 0, -1, 1}) {
    GVLogicCycleColumn(&s.sys, 1, step, 5, l, 1);
    EXPECT_EQ(l->argType[0], static_cast<int32_t>(kLogicFloatConst));
    EXPECT_EQ(l->argVar[0], 0);
  }
  GVLogicCycleColumn(&s.sys, 1, 1, 5, s.last, 2);  // below the first line f 1 is offered
  EXPECT_EQ(s.last->argType[0], 0);                // CUR_TIME takes no argument

  // An optional result is emptied, a required one filled.
  LogicLine* force = s.Add(kLogicDyn1, kDyn1HForce, FVar(3));
  GVLogicFixResultSlot(force, 1, &s.sys);
  EXPECT_EQ(force->resultType, 0);
  LogicLine* time = s.Add(kLogicDyn1, kDyn1CurTime);
  GVLogicFixResultSlot(time, 1, &s.sys);
  EXPECT_EQ(time->resultType, static_cast<int32_t>(kLogicFloat));
  EXPECT_EQ(time->resultVar, 1);

  // Stepping an empty CONTROL line's command back from 1 keeps 1.
  LogicLine* c = s.Add(kLogicControl, 1);
  GVLogicCycleColumn(&s.sys, 1, -1, 4, c, 5);
  EXPECT_EQ(c->command, 1);

  // Resetting the command column makes the empty line and keeps the comment.
  GVLogicSetLineComment(l, "keep me");
  l->flags |= kLineSelected | kLineComponentY;
  GVLogicResetColumn(&s.sys, 1, 4, l, 0, 0);
  EXPECT_EQ(l->category, 0);
  EXPECT_EQ(l->command, 0);
  EXPECT_EQ(l->flags, 0u);
  EXPECT_EQ(l->resultType, 0);
  EXPECT_EQ(l->argType[0], 0);
  EXPECT_EQ(l->argInt[0], 0);
  EXPECT_STREQ(l->comment, "keep me");
}

TEST(SlotTypes, OptionCyclingRunsOneModeAtATime) {
  LogicStore s;
  LogicLine* force = s.Add(kLogicDyn1, kDyn1HForce, {}, {IConst(1), IConst(1), FConst(1)});
  const uint32_t forward[] = {2, 4, 8, 0, 2};
  for (uint32_t want : forward) {
    GVLogicCycleOption(force, 1, &s.sys);
    EXPECT_EQ(force->flags & 14u, want);
  }
  GVLogicCycleOption(force, 3, &s.sys);
  EXPECT_EQ(force->flags & 14u, 0u);
  GVLogicCycleOption(force, 3, &s.sys);
  EXPECT_EQ(force->flags & 14u, 8u);

  // HCOLL Hh naming one Jel twice: the parts decide the mode.
  LogicLine* coll = s.Add(kLogicDyn2, kDyn2HCollHh, {}, {IConst(2), IConst(2), IConst(3), IConst(3)});
  for (uint32_t start : {0u, 0x10000u, 0x20000u}) {
    coll->flags = start;
    GVLogicCycleOption(coll, 1, &s.sys);
    EXPECT_EQ(coll->flags & 0x30000u, 0x10000u);
    coll->argInt[3] = 4;
    coll->flags = start;
    GVLogicCycleOption(coll, 3, &s.sys);
    EXPECT_EQ(coll->flags & 0x30000u, 0x20000u);
    coll->argInt[3] = 3;
  }
  coll->argInt[1] = 5;  // two Jels: the modes alternate
  coll->flags = 0x8000;
  GVLogicCycleOption(coll, 1, &s.sys);
  EXPECT_EQ(coll->flags, 0x10000u);
  GVLogicCycleOption(coll, 1, &s.sys);
  EXPECT_EQ(coll->flags, 0x20000u);
}

TEST(SlotTypes, AProgramBuiltByWindowStepsMovesTheJel) {
  LogicScene s;
  s.AddJel(1, 2, 2, 2, -1.0f, 10.0f, -1.0f, 0.0f);
  LogicSystem* sys = s.sys;
  GVLogicEnsureLine(sys, 1);
  GVLogicEnsureLine(sys, 1);
  ASSERT_EQ(GVLogicLineNumber(1, GVLogicGetLine(sys, 1, 5), sys), 5);
  ASSERT_EQ(GVLogicGetLine(sys, 1, 6), nullptr);
  LogicLine* time = GVLogicGetLine(sys, 1, 2);
  EXPECT_EQ(time->category, kLogicDyn1);
  EXPECT_EQ(time->command, kDyn1CurTime);
  EXPECT_EQ(time->resultType, static_cast<int32_t>(kLogicFloat));
  EXPECT_EQ(time->resultVar, 1);
  ExpectSound(sys, 1);

  Editor e{sys};
  auto at = [&](int32_t n) -> Editor& {
    e.line = GVLogicGetLine(sys, 1, n);
    return e;
  };
  auto after = [&](int32_t n) -> Editor& {
    e.line = GVLogicInsertLineAfter(sys, 1, GVLogicGetLine(sys, 1, n));
    return e;
  };
  // 3: f 2 = 0.5
  at(3).Col(4, 0, 2).Result(2).TypeFloat(5, 0.5f);
  // 4: PP1 = f 1 < f 2
  at(4).Col(4, 0).Col(4, 1, 5).Result(0).Col(5, 1).Col(6, 1, 2);
  // 5: IF PP1
  at(5).Col(4, 1).Col(5, 1);
  // 6: f 3 = 10
  after(5).Col(4, 0, 2).Result(2).TypeFloat(5, 10.0f);
  // 7: HFORCE Jel 1, part 1, f 3 along y
  after(6).Col(4, 0, 6).Col(4, 1, kDyn1HForce).Col(5, 1).Col(6, 1).Col(7, 1, 3);
  GVLogicCycleOption(e.line, 1, sys);
  GVLogicCycleOption(e.line, 1, sys);
  GVLogicResetColumn(sys, 1, 1, e.line, 0, 0);
  ExpectSound(sys, 1);
  // 8: END IF; 9: f 4 = f 1 x f 3; 10: a comment
  after(7).Col(4, 1, 3);
  after(8).Col(4, 0, 2).Col(4, 1, 3).Result(1).Col(6, 1, 2);
  after(9).Col(4, -1);
  GVLogicSetLineComment(e.line, "y force: 100% of f 3 until 0.5 s");
  after(10);
  after(11);

  ASSERT_EQ(GVLogicLineNumber(1, GVLogicGetLine(sys, 1, 12), sys), 12);
  const LogicLine* l3 = GVLogicGetLine(sys, 1, 3);
  EXPECT_EQ(l3->resultType, static_cast<int32_t>(kLogicFloat));
  EXPECT_EQ(l3->resultVar, 2);
  const LogicLine* l4 = GVLogicGetLine(sys, 1, 4);
  EXPECT_EQ(l4->argVar[0], 1);
  EXPECT_EQ(l4->argVar[1], 2);
  const LogicLine* l7 = GVLogicGetLine(sys, 1, 7);
  EXPECT_EQ(l7->argInt[0], 1);
  EXPECT_EQ(l7->argInt[1], 1);
  EXPECT_EQ(l7->argType[2], static_cast<int32_t>(kLogicFloat));
  EXPECT_EQ(l7->argVar[2], 3);
  EXPECT_EQ(l7->flags & 14u, 4u);
  const LogicLine* l9 = GVLogicGetLine(sys, 1, 9);
  EXPECT_EQ(l9->resultVar, 4);
  EXPECT_EQ(l9->argVar[0], 1);
  EXPECT_EQ(l9->argVar[1], 3);
  EXPECT_EQ(GVLogicGetLine(sys, 1, 10)->command, kCtlComment);
  EXPECT_STREQ(GVLogicGetLine(sys, 1, 10)->comment, "y force: 100% of f 3 until 0.5 s");

  s.PlayTo(30);
  float v[3];
  Velocity(s.World(), 1, v);
  EXPECT_NEAR(v[1], 5.0f, 0.5f);  // 10 for half a second
  EXPECT_NEAR(v[0], 0.0f, 1e-4f);
  EXPECT_NEAR(v[2], 0.0f, 1e-4f);
  EXPECT_NEAR(s.Main().f[4], 10.0f, 0.01f);  // one second times 10
}
