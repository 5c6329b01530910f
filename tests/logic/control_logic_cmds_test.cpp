#include "logic/control_logic_cmds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "logic_fixture.h"

// PP 1 and 2 hold 1, PP 3 holds 0, i 3 holds 3 and f 2 holds NaN; every case
// writes PP 5 (kept at 7 beforehand, so 7 means nothing was written).
TEST(LogicCommands, TruthValues) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    int32_t cmd;
    Arg result;
    std::initializer_list<Arg> args;
    int32_t expect;
  };
  const Case cases[] = {
      {"PP of 7", kLogPP, PP(5), {IConst(7)}, 1},
      {"PP of -3", kLogPP, PP(5), {IConst(-3)}, 0},
      {"PP of a float constant", kLogPP, PP(5), {FConst(1e30f)}, 0},
      {"NOT of a set PP", kLogNot, PP(5), {PP(1)}, 0},
      {"NOT of no PP", kLogNot, PP(5), {IConst(1)}, 1},
      {"AND of two set PP, third empty", kLogAnd, PP(5), {PP(1), PP(2), {}}, 1},
      {"AND with a clear PP", kLogAnd, PP(5), {PP(1), PP(3)}, 0},
      {"OR of clear PP", kLogOr, PP(5), {PP(3), PP(3)}, 0},
      {"OR with a set PP", kLogOr, PP(5), {PP(3), PP(2)}, 1},
      {"== of i 3 and 3.0", kLogEqual, PP(5), {IVar(3), FConst(3.0f)}, 1},
      {"== of huge integers", kLogEqual, PP(5), {IConst(2147483647), IConst(2147483646)}, 0},
      {"== of NaN", kLogEqual, PP(5), {FVar(2), FVar(2)}, 0},
      {"< over 1, 2, 2", kLogLess, PP(5), {IConst(1), IConst(2), FConst(2.0f)}, 0},
      {"<= over 1, 2, 2", kLogLessEq, PP(5), {IConst(1), IConst(2), FConst(2.0f)}, 1},
      {"> over 1e30, 3, -1e30", kLogGreater, PP(5), {FConst(1e30f), IVar(3), FConst(-1e30f)}, 1},
      {">= skips a pair with an empty second slot", kLogGreaterEq, PP(5), {IConst(2), IConst(1), {}, IConst(5)}, 0},
      {"< with NaN", kLogLess, PP(5), {FConst(-1.0f), FVar(2)}, 0},
      {"< whose result is not PP", kLogLess, IVar(5), {IConst(1), IConst(2)}, 7},
      {"result index out of range", kLogPP, PP(10), {IConst(1)}, 7},
      {"argument index out of range", kLogAnd, PP(5), {PP(1), PP(-4)}, 7},
      {"argument index 0 means none", kLogEqual, PP(5), {IVar(0), IConst(0)}, 7},
  };
  for (const Case& c : cases) {
    LogicStore s;
    LogicProgram& p = s.Main();
    p.pp[1] = p.pp[2] = 1;
    p.pp[5] = 7;
    p.i[3] = 3;
    p.i[5] = 7;
    p.f[2] = nan;
    LogicLine* l = s.Add(kLogicLogic, c.cmd, c.result, c.args);
    GVLogicLineCmd(&s.sys, l)->fn(1, l, &s.sys);
    EXPECT_EQ(p.pp[5], c.expect) << c.what;
    EXPECT_EQ(p.i[5], 7) << c.what;
  }
}
