#include "logic/program_store.h"

#include <gtest/gtest.h>

#include <vector>

#include "logic_fixture.h"

static std::vector<LogicLine*> Lines(LogicProgram& p) {
  std::vector<LogicLine*> v;
  for (LogicLine* l = p.first; l; l = l->next) {
    if (l->next) {
      EXPECT_EQ(l->next->prev, l);
    }
    v.push_back(l);
  }
  return v;
}

TEST(ProgramStore, InsertAndRemoveKeepTheListLinked) {
  LogicStore s;
  EXPECT_EQ(GVLogicInsertLineAfter(&s.sys, 1, nullptr), s.Main().first);
  LogicLine* a = s.Main().first;
  EXPECT_EQ(GVLogicInsertLineAfter(&s.sys, 1, nullptr), nullptr);  // non-empty program
  EXPECT_EQ(GVLogicInsertLineAfter(&s.sys, 2, a), nullptr);        // no such program
  LogicLine* c = GVLogicInsertLineAfter(&s.sys, 1, a);
  LogicLine* b = GVLogicInsertLineAfter(&s.sys, 1, a);
  LogicLine* z = GVLogicInsertLineBefore(&s.sys, 1, a);
  EXPECT_EQ(Lines(s.Main()), (std::vector<LogicLine*>{z, a, b, c}));
  EXPECT_EQ(z->prev, nullptr);
  GVLogicRemoveLine(&s.sys, z, 1);
  GVLogicRemoveLine(&s.sys, b, 1);
  EXPECT_EQ(Lines(s.Main()), (std::vector<LogicLine*>{a, c}));
  GVLogicClearProgram(&s.sys, 1);
  EXPECT_EQ(s.Main().first, nullptr);
}

TEST(ProgramStore, RemovingAnAssignmentEmptiesItsReadsUpToTheNextOne) {
  LogicStore s;
  LogicLine* l1 = s.Add(1, 5, PP(1), {FVar(3), FVar(2)});
  LogicLine* l2 = s.Add(2, 0, FVar(3), {FVar(1)});
  LogicLine* l3 = s.Add(1, 5, PP(2), {IVar(3), FVar(3)});
  LogicLine* l4 = s.Add(2, 0, FVar(3), {FVar(3)});
  LogicLine* l5 = s.Add(1, 5, PP(2), {FVar(3)});
  GVLogicRemoveLine(&s.sys, l2, 1);
  EXPECT_EQ(l1->argType[0], 0);
  EXPECT_EQ(l1->argType[1], static_cast<int32_t>(kLogicFloat));
  EXPECT_EQ(l3->argType[0], static_cast<int32_t>(kLogicInt));  // i 3 is another variable
  EXPECT_EQ(l3->argType[1], 0);
  EXPECT_EQ(l4->argType[0], 0);
  EXPECT_EQ(l4->resultType, static_cast<int32_t>(kLogicFloat));
  EXPECT_EQ(l5->argType[0], static_cast<int32_t>(kLogicFloat));  // after the next assignment
  // The removed line was the last one: nothing is cleared.
  l5->argType[1] = kLogicFloat;
  l5->argVar[1] = 9;
  GVLogicRemoveLine(&s.sys, s.Add(2, 0, FVar(9), {}), 1);
  EXPECT_EQ(l5->argType[1], static_cast<int32_t>(kLogicFloat));
  EXPECT_EQ(Lines(s.Main()).size(), 4u);
}

TEST(ProgramStore, CurveKeepsKeysSortedAndUnique) {
  LogicLine* l = GVLogicNewLine();
  createFGItem(l, 5, 1.0f, 0);
  createFGItem(l, 2, 2.0f, 0);
  createFGItem(l, 9, 3.0f, 0);
  createFGItem(l, 5, 4.0f, 0);
  createFGItem(l, 2, 5.0f, kFGKeepValue);
  createFGItem(l, 9, 6.0f, 0);
  EXPECT_TRUE(l->flags & kLineRecorded);
  std::vector<std::pair<int32_t, float>> got;
  for (FGItem* it = l->fg; it; it = it->next) got.push_back({it->key, it->value});
  EXPECT_EQ(got, (std::vector<std::pair<int32_t, float>>{{2, 5.0f}, {5, 4.0f}, {9, 6.0f}}));
  l->fg->flags = kFGKeepValue;
  createFGItem(l, 2, 7.0f, 0);
  EXPECT_EQ(l->fg->value, 5.0f);
  hinsertafter(l->fg, l->fg);  // refused
  GVLogicRemoveFGItem(l, l->fg->next);
  FGItem stray{};
  GVLogicRemoveFGItem(l, &stray);
  EXPECT_EQ(l->fg->next->key, 9);
  GVLogicFreeLine(l);
}

TEST(ProgramStore, ProgramsAreRecreatedWithZeroedVariables) {
  LogicStore s;
  s.Add(0, 0);
  *GVLogicPPVar(&s.Main(), 3) = 1;
  ASSERT_EQ(GVInitLogicPrograms(&s.sys, 0), 1);
  EXPECT_EQ(s.sys.programCount, 1);
  EXPECT_STREQ(s.sys.programs[0].name, "mCnstrt 0");
  EXPECT_STREQ(s.Main().name, "Main");
  EXPECT_EQ(s.Main().first, nullptr);
  EXPECT_EQ(*GVLogicPPVar(&s.Main(), 3), 0);
  EXPECT_EQ(GVLogicPPVar(&s.Main(), 0), nullptr);
  EXPECT_EQ(GVLogicPPVar(&s.Main(), 10), nullptr);
  ASSERT_EQ(GVInitLogicPrograms(&s.sys, 3), 1);
  EXPECT_STREQ(s.sys.programs[3].name, "mCnstrt 3");
  EXPECT_EQ(GVInitLogicPrograms(&s.sys, kLogicMaxPrograms + 1), 0);
  s.last = nullptr;
}
