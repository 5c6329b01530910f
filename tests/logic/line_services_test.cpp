#include "logic/line_services.h"

#include <gtest/gtest.h>

#include <string>

#include "jel/chan_data.h"
#include "logic/dyn1_cmds.h"
#include "logic/dyn2_cmds.h"
#include "logic/effects_cmds.h"
#include "logic/program_store.h"
#include "logic_fixture.h"

namespace {

constexpr int32_t kEqu = 0;
constexpr int32_t kHScaleL = 0;

int32_t LineCount(LogicSystem* sys, int32_t program) {
  int32_t n = 0;
  for (LogicLine* l = sys->programs[program].first; l; l = l->next) ++n;
  return n;
}

std::string Texts(LogicSystem* sys, const LogicLine* l, size_t size = 64) {
  std::string all;
  const int32_t last = GVLogicColumnKind(l, sys);
  for (int32_t c = 5; c <= 9; ++c) {
    char buf[64] = "";
    GVLogicArgText(last, c, sys, l, buf, size);
    all += buf;
    all += '|';
  }
  return all;
}

}  // namespace

TEST(LineServices, ColumnsShowTheirSlotsAndTextsFitTheBuffer) {
  LogicStore s;
  LogicLine* scale = s.Add(kLogicProps, kHScaleL, {}, {IConst(1), IConst(2)});
  EXPECT_EQ(GVLogicColumnKind(scale, &s.sys), 6);  // arguments 3 and 4 are optional and empty
  EXPECT_EQ(Texts(&s.sys, scale), "1|2||||");
  scale->argType[3] = kLogicInt;
  scale->argVar[3] = 12;
  EXPECT_EQ(GVLogicColumnKind(scale, &s.sys), 8);
  EXPECT_EQ(Texts(&s.sys, scale), "1|2|.|i 12||");
  EXPECT_EQ(GVLogicColumnIsConst(scale, 5, &s.sys), 0);  // picked, not typed

  LogicLine* add = s.Add(kLogicArithmetic, 1, FVar(1), {FConst(0.25f), VVar(7)});
  EXPECT_EQ(Texts(&s.sys, add), "0.25|v 7||||");
  EXPECT_EQ(GVLogicColumnIsConst(add, 5, &s.sys), 1);
  add->argType[1] = 0;
  EXPECT_EQ(Texts(&s.sys, add), "0.25|$||||");
  LogicLine* equ = s.Add(kLogicArithmetic, kEqu, MVar(2), {FConst(3.0f)});
  EXPECT_EQ(Texts(&s.sys, equ), "1|||||");  // the identity
  LogicLine* pp = s.Add(kLogicLogic, 0, PP(1), {PP(3)});
  EXPECT_EQ(Texts(&s.sys, pp), "PP3|||||");

  // The text is appended and cut to the buffer's size.
  char small[6] = "ab";
  LogicLine* big = s.Add(kLogicLogic, 0, PP(1), {IConst(-2147483647)});
  GVLogicArgText(9, 5, &s.sys, big, small, sizeof small);
  EXPECT_STREQ(small, "ab-21");
  GVLogicArgText(9, 5, &s.sys, big, small, sizeof small);
  EXPECT_STREQ(small, "ab-21");

  // Object numbers of the Jel pairs and the Geo.
  LogicLine* coll = s.Add(kLogicDyn2, kDyn2HCollHh, {}, {IConst(4), IConst(5), IConst(2), FConst(1)});
  LogicJelRefs r;
  EXPECT_TRUE(GVLogicLineJelRefs(coll, &s.sys, &r));
  EXPECT_EQ(r.jelSlot, 1);
  EXPECT_EQ(r.jel, 4);
  EXPECT_EQ(r.jelSlot2, 2);
  EXPECT_EQ(r.jel2, 5);
  EXPECT_EQ(r.partSlot, 3);
  EXPECT_EQ(r.part, 2);
  EXPECT_EQ(r.partSlot2, 4);
  EXPECT_EQ(r.part2, 0);  // not an integer constant
  int32_t g1 = -1, id1 = -1, g2 = -1, id2 = -1;
  EXPECT_FALSE(GVLogicLineGeoRefs(coll, &s.sys, &g1, &id1, &g2, &id2));
  EXPECT_EQ(g1 + id1 + g2 + id2, 0);
  LogicLine* gh = s.Add(kLogicDyn2, kDyn2HCollgH, {}, {IConst(3), IConst(1)});
  EXPECT_TRUE(GVLogicLineGeoRefs(gh, &s.sys, &g1, &id1, &g2, &id2));
  EXPECT_EQ(g1, 1);
  EXPECT_EQ(id1, 3);
  EXPECT_EQ(g2, 0);

  // The pointer line is found by its numbers.
  EXPECT_EQ(GVLogicFindGeoPointerIn(&s.sys), nullptr);
  LogicLine* pointer = s.Add(kLogicEffects, kFxGeoPointer);
  EXPECT_EQ(GVLogicFindGeoPointerIn(&s.sys), pointer);
  EXPECT_EQ(GVLogicColumnKind(pointer, &s.sys), 6);  // argument 2 is required
  EXPECT_EQ(Texts(&s.sys, pointer), "$|$||||");
}

TEST(LineServices, CommentsAreKeptCharacterForCharacter) {
  LogicStore s;
  LogicLine* l = s.Add(0, 0);
  GVLogicSetLineComment(l, "100% of %s and %d%%");
  EXPECT_STREQ(l->comment, "100% of %s and %d%%");
  GVLogicSetLineComment(l, "19 characters, too!");
  EXPECT_STREQ(l->comment, "19 characters, too!");
  GVLogicSetLineComment(l, "");
  EXPECT_EQ(l->comment, nullptr);
}

TEST(LineServices, SelectionCopyPasteDeleteAndSwitchOff) {
  LogicStore s;
  for (int32_t k = 1; k <= 4; ++k) s.Add(kLogicDyn1, kDyn1CurTime, FVar(k));
  s.Add(0, 0);

  // Nothing selected: nothing copied, nothing pasted.
  GVLogicCopySelected(1, &s.sys);
  EXPECT_EQ(s.sys.programs[0].first, nullptr);
  EXPECT_EQ(GVLogicPasteBuffer(s.last, 1, &s.sys), 0);
  EXPECT_EQ(LineCount(&s.sys, 1), 5);

  GVLogicSelectRange(1, 2, 3, &s.sys);
  EXPECT_EQ(GVLogicGetLine(&s.sys, 1, 1)->flags & kLineSelected, 0u);
  EXPECT_NE(GVLogicGetLine(&s.sys, 1, 3)->flags & kLineSelected, 0u);
  GVLogicSelectRange(1, 4, 2, &s.sys);  // from > to: nothing
  for (LogicLine* l = s.Main().first; l; l = l->next) EXPECT_EQ(l->flags & kLineSelected, 0u);

  // A recording command's line is pasted with its channel data, not its curve.
  LogicLine* expand = s.Add(kLogicDyn1, kDyn1HExpand, {}, {IConst(1), IConst(1)});
  expand->chan = GVNewChanData(3);
  ASSERT_NE(expand->chan, nullptr);
  createFGItem(expand, 5, 1.0f, 0);
  GVLogicSetLineComment(expand, "grow");
  GVLogicSelectRange(1, 6, 6, &s.sys);
  GVLogicCopySelected(1, &s.sys);
  EXPECT_EQ(GVLogicPasteBuffer(GVLogicGetLine(&s.sys, 1, 1), 1, &s.sys), 1);
  LogicLine* pasted = GVLogicGetLine(&s.sys, 1, 2);
  EXPECT_EQ(pasted->command, kDyn1HExpand);
  EXPECT_EQ(pasted->fg, nullptr);
  ASSERT_NE(pasted->chan, nullptr);
  EXPECT_NE(pasted->chan, expand->chan);
  EXPECT_EQ(pasted->chan->count, 3);
  EXPECT_STREQ(pasted->comment, "grow");
  EXPECT_NE(pasted->comment, expand->comment);
  // So is a talking Geo's line.
  LogicLine* talk = s.Add(kLogicEffects, kFxTalk, IVar(1), {IConst(1), IConst(0)});
  talk->chan = GVNewChanData(2);
  createFGItem(talk, 1, 2.0f, 0);
  GVLogicSelectRange(1, 8, 8, &s.sys);
  GVLogicCopySelected(1, &s.sys);
  EXPECT_EQ(GVLogicPasteBuffer(talk, 1, &s.sys), 1);
  ASSERT_NE(talk->next, nullptr);
  EXPECT_EQ(talk->next->command, kFxTalk);
  EXPECT_EQ(talk->next->fg, nullptr);
  ASSERT_NE(talk->next->chan, nullptr);
  EXPECT_EQ(talk->next->chan->count, 2);
  GVLogicSelectRange(1, 1, 1, &s.sys);
  GVLogicCopySelected(1, &s.sys);
  EXPECT_EQ(GVLogicPasteBuffer(talk, 1, &s.sys), 0);  // CUR_TIME keeps nothing
  EXPECT_EQ(GVLogicPasteBuffer(nullptr, 1, &s.sys), 0);  // null only in an empty program
  EXPECT_EQ(GVLogicPasteBuffer(pasted, 0, &s.sys), 0);   // never into the buffer
  // An empty program takes the buffer as its first lines.
  ASSERT_EQ(GVInitLogicPrograms(&s.sys, 2), 1);
  s.last = nullptr;
  LogicLine* a = AppendLine(&s.sys, nullptr, kLogicDyn1, kDyn1CurTime, FVar(1), {});
  LogicLine* b = AppendLine(&s.sys, a, kLogicDyn1, kDyn1CurTime, FVar(2), {});
  AppendLine(&s.sys, b, 0, 0, {}, {});
  GVLogicSelectRange(1, 1, 3, &s.sys);
  GVLogicCopySelected(1, &s.sys);
  EXPECT_EQ(GVLogicPasteBuffer(nullptr, 2, &s.sys), 0);
  EXPECT_EQ(LineCount(&s.sys, 2), 3);
  EXPECT_EQ(GVLogicGetLine(&s.sys, 2, 2)->resultVar, 2);

  // Switching off the selection leaves its empty line on; deleting frees it.
  GVLogicSelectRange(1, 2, 3, &s.sys);
  GVLogicToggleSelectedOff(1, &s.sys);
  EXPECT_NE(b->flags & kLineOff, 0u);
  EXPECT_EQ(GVLogicGetLine(&s.sys, 1, 3)->flags & kLineOff, 0u);
  GVLogicToggleSelectedOff(1, &s.sys);
  EXPECT_EQ(b->flags & kLineOff, 0u);
  GVLogicDeleteSelected(1, &s.sys);
  EXPECT_EQ(LineCount(&s.sys, 1), 1);
  EXPECT_EQ(s.Main().first, a);
}

// A comment set from text inside the line's own comment.
TEST(LineServices, CommentFromItsOwnText) {
  LogicLine l{};
  GVLogicSetLineComment(&l, "wheel contact");
  GVLogicSetLineComment(&l, l.comment + 6);
  EXPECT_STREQ(l.comment, "contact");
  GVLogicSetLineComment(&l, l.comment);
  EXPECT_STREQ(l.comment, "contact");
  GVLogicSetLineComment(&l, nullptr);
  EXPECT_EQ(l.comment, nullptr);
}
