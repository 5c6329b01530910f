#include "logic/interpreter.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "logic/control_logic_cmds.h"
#include "logic_fixture.h"

static std::vector<std::pair<int32_t, int32_t>> gReports;  // (line number, row)
static int32_t RecordReport(int32_t mode, int32_t a, int32_t b, int32_t c, void*) {
  if (mode == 4 && a == 1) gReports.push_back({b, c});
  return 0;
}

TEST(Interpreter, IfRegionSkipsAndMarksItsLines) {
  LogicStore s;
  s.Add(kLogicControl, kCtlIf, {}, {PP(1)});
  LogicLine* body[3] = {s.Count(1), s.Count(1), s.Count(1)};
  s.Add(kLogicControl, kCtlEndIf);
  LogicLine* after = s.Count(2);
  s.RunAt(5);
  EXPECT_EQ(s.Main().i[1], 0);
  EXPECT_EQ(s.Main().i[2], 1);
  for (LogicLine* l : body) EXPECT_TRUE(l->flags & kLineNotRun);
  EXPECT_FALSE(after->flags & kLineNotRun);
  s.Main().pp[1] = 1;  // the region runs and its marks are cleared
  s.RunAt(6);
  EXPECT_EQ(s.Main().i[1], 3);
  EXPECT_FALSE(body[1]->flags & kLineNotRun);
}

TEST(Interpreter, LoopRunsItsBodyCountTimesAndOnceAtFrameZero) {
  struct Case {
    Arg count;
    int32_t passes;
    int32_t stored;
  };
  for (const Case& c : {Case{IConst(3), 3, 3}, Case{IConst(0), 1, 1}, Case{IConst(5000), 1000, 1000},
                        Case{IVar(1), 1, 0}}) {
    LogicStore s;
    LogicLine* loop = s.Add(kLogicControl, kCtlLoop, {}, {c.count});
    s.Count(2);
    s.Count(2);
    s.Add(kLogicControl, kCtlEndLoop);
    s.Count(3);
    s.RunAt(0);
    EXPECT_EQ(s.Main().i[2], 2);
    s.RunAt(1);
    EXPECT_EQ(s.Main().i[2], 2 + 2 * c.passes) << c.count.i;
    EXPECT_EQ(loop->argInt[0], c.stored);
    EXPECT_EQ(loop->argInt[1], 0);  // the pass counter is back to 0
    EXPECT_EQ(s.Main().i[3], 2);
  }
}

TEST(Interpreter, BreakStopsTheRunOnlyWhereItRuns) {
  LogicStore s;
  s.Add(kLogicControl, kCtlIf, {}, {PP(1)});
  s.Add(kLogicControl, kCtlBreak);
  s.Add(kLogicControl, kCtlEndIf);
  s.Count(1);
  s.RunAt(4);
  EXPECT_EQ(s.Main().i[1], 1);
  s.Main().pp[1] = 1;
  s.RunAt(5);
  EXPECT_EQ(s.Main().i[1], 1);
  EXPECT_TRUE(s.last->flags & kLineNotRun);
}

TEST(Interpreter, SwitchedOffAndUnknownLinesDoNothing) {
  LogicStore s;
  s.Add(kLogicControl, kCtlIf, {}, {PP(1)})->flags |= kLineOff;  // no effect on the condition
  LogicLine* off = s.Count(1);
  off->flags |= kLineOff;
  s.Add(12, 0, IVar(1));
  s.Add(kLogicLogic, 40, IVar(1));
  s.Add(kLogicControl, kCtlIfNot, {}, {PP(-7)});  // a missing PP reads as 0
  s.Count(2);
  s.RunAt(2);
  EXPECT_EQ(s.Main().i[1], 0);
  EXPECT_EQ(s.Main().i[2], 1);
  EXPECT_TRUE(off->flags & kLineNotRun);
}

TEST(Interpreter, ReportsRowsOutsideSubSteppingOrAtTheLastSubStep) {
  LogicStore s;
  s.sys.appCB = RecordReport;
  for (int k = 0; k < 4; ++k) s.Count(1);
  s.Main().topLine = 3;
  gReports.clear();
  s.RunAt(1);
  EXPECT_EQ(gReports, (std::vector<std::pair<int32_t, int32_t>>{{1, -1}, {2, 0}, {3, 1}, {4, 2}}));
  gReports.clear();
  FrameParams& fp = s.world.params;
  fp.stepping = 1;
  fp.subSteps = 4;
  for (fp.subStepIndex = 1; fp.subStepIndex <= 4; ++fp.subStepIndex) {
    GVRunMainLogic(&s.sys, &s.worldCell);
    EXPECT_EQ(gReports.size(), fp.subStepIndex == 4 ? 4u : 0u);
  }
  EXPECT_EQ(s.Main().i[1], 4 * 5);
}
