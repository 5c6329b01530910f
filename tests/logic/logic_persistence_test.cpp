#include "logic/logic_persistence.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "jel/chan_data.h"
#include "logic/object_refs.h"
#include "logic_files.h"
#include "logic_fixture.h"

using namespace logictest;

namespace {

// A main program of 30 lines: comments (with percent signs), float constants,
// run and selection marks, an FG list and a line carrying channel data; its
// variables hold values that must not travel.
void FillMain(LogicStore& s) {
  LogicProgram& m = s.Main();
  m.topLine = 5;
  m.ppCount = 12;
  m.iCount = 7;
  m.fCount = 30;
  m.vCount = 3;
  m.mCount = 2;
  m.axCount = 4;
  GVLogicAllocProgramArrays(&m);
  m.pp[3] = 1;
  m.f[29] = 2.5f;
  m.axMat[3][8] = 7.0f;
  for (int32_t k = 0; k < 30; ++k) {
    LogicLine* l = s.Add(k % 2, k % 8, PP(k % 11 + 1), {FConst(k * 0.25f - 3.0f), IConst(-k), IVar(k % 6 + 1)});
    l->flags = (k % 3 == 0 ? kLineNotRun : 0u) | (k % 5 == 0 ? kLineSelected : 0u);
    if (k % 4 == 1) l->comment = strdup(("step %d of 100% " + std::to_string(k)).c_str());
  }
  LogicLine* fg = GVLogicGetLine(&s.sys, 1, 7);
  createFGItem(fg, 4, 1.5f, 0);
  createFGItem(fg, 9, -2.0f, 2);
  LogicLine* rec = GVLogicGetLine(&s.sys, 1, 12);
  rec->chan = GVNewChanData(4);
  GVAllocChannels(rec->chan, kChanInt | kChanVec3, 1);
  GVAllocChannelFrame(rec->chan, kChanInt | kChanVec3, 1);
  for (int32_t i = 0; i <= 4; ++i) {
    GVChanInts(rec->chan, 1)[i] = 3 * i;
    GVChanVec3s(rec->chan, 1)[3 * i + 2] = 0.5f * i;
  }
  rec->flags |= kLineRecorded;
  std::snprintf(s.sys.programs[0].name, kLogicProgramNameSize, "buffer");
}

int32_t FGCount(const LogicLine* l) {
  int32_t n = 0;
  for (const FGItem* it = l->fg; it; it = it->next) ++n;
  return n;
}

bool AllZero(const LogicProgram& p) {
  const auto zero = [](const void* a, size_t bytes) {
    std::vector<char> z(bytes, 0);
    return bytes == 0 || (a && std::memcmp(a, z.data(), bytes) == 0);
  };
  return zero(p.pp, p.ppCount * 4u) && zero(p.i, p.iCount * 4u) && zero(p.f, p.fCount * 4u) &&
         zero(p.v, p.vCount * 12u) && zero(p.m, p.mCount * 36u) && zero(p.axVec, p.axCount * 12u) &&
         zero(p.axMat, p.axCount * 36u);
}

// Name, top line, counts, fields 1 to 25 (the run marks apart) and comments
// agree; the FG lists are compared only when asked (the item stream drops them).
void ExpectSamePrograms(LogicStore& a, LogicStore& b, bool fg, bool comments = true) {
  ASSERT_EQ(a.sys.programCount, b.sys.programCount);
  for (int32_t k = 0; k <= a.sys.programCount; ++k) {
    const LogicProgram& p = a.sys.programs[k];
    const LogicProgram& q = b.sys.programs[k];
    EXPECT_STREQ(p.name, q.name);
    EXPECT_EQ(std::vector<int32_t>({p.topLine, p.ppCount, p.iCount, p.fCount, p.vCount, p.mCount, p.axCount}),
              std::vector<int32_t>({q.topLine, q.ppCount, q.iCount, q.fCount, q.vCount, q.mCount, q.axCount}));
    EXPECT_TRUE(AllZero(q));
    const LogicLine* l = p.first;
    const LogicLine* r = q.first;
    for (; l && r; l = l->next, r = r->next) {
      // The last run's marks stay out of the files.
      LogicLine stored = *l;
      stored.flags &= ~kLineNotRun;
      EXPECT_EQ(std::memcmp(&stored, r, offsetof(LogicLine, argFloat) + sizeof l->argFloat), 0) << "fields 1 to 25";
      if (comments) {
        EXPECT_STREQ(l->comment ? l->comment : "", r->comment ? r->comment : "");
      }
      EXPECT_EQ(FGCount(r), fg ? FGCount(l) : 0);
      ASSERT_EQ(l->chan != nullptr, r->chan != nullptr);
      if (l->chan) {
        EXPECT_EQ(std::memcmp(GVChanInts(l->chan, 1), GVChanInts(r->chan, 1), 5 * 4), 0);
        EXPECT_EQ(std::memcmp(GVChanVec3s(l->chan, 1), GVChanVec3s(r->chan, 1), 5 * 12), 0);
      }
    }
    EXPECT_EQ(l, nullptr);
    EXPECT_EQ(r, nullptr);
  }
}

}  // namespace

TEST(LogicPersistence, SceneStreamRoundTripKeepsProgramsAndIsByteIdentical) {
  LogicStore a;
  FillMain(a);
  a.sys.storedWord = 17;
  const Bytes file = StreamFile(&a.sys);
  SaveSeed("logic_stream_fuzz", "main_30_lines", file);

  LogicStore b;
  ASSERT_EQ(ReadStreamFile(file, &b.sys), 0);
  EXPECT_EQ(b.sys.layoutFlag, 1);
  EXPECT_EQ(b.sys.storedWord, 17);
  EXPECT_STREQ(b.Main().name, "Main");
  ExpectSamePrograms(a, b, false);
  EXPECT_NE(GVLogicGetLine(&b.sys, 1, 7)->flags & kLineRecorded, 0u);  // the mark stays, the list is gone
  EXPECT_EQ(StreamFile(&b.sys), file);
}

TEST(LogicPersistence, TaggedBlocksKeepFGListsInBothLayouts) {
  LogicStore a;
  FillMain(a);
  for (int32_t layout : {0, 1}) {
    LogicStore b;
    const Bytes file = TaggedFile(&a.sys, layout);
    SaveSeed("logic_tagged_fuzz", layout ? "counted_30_lines" : "single_30_lines", file);
    ASSERT_EQ(ReadTaggedFile(file, &b.sys), 0) << layout;
    EXPECT_EQ(b.sys.layoutFlag, layout);
    ExpectSamePrograms(a, b, true, layout == 1);
    if (layout == 0) {
      EXPECT_EQ(GVLogicGetLine(&b.sys, 1, 2)->comment, nullptr);
    }
    EXPECT_EQ(GVLogicGetLine(&b.sys, 1, 7)->fg->next->flags, 2);
  }
}

TEST(LogicPersistence, LoadsRepairTheMainProgram) {
  LogicStore a;
  a.Add(12, 0);
  a.Add(kLogicLogic, 20);
  a.Add(kLogicLogic, -3);
  LogicLine* coll = a.Add(kLogicDyn2, kDyn2HCollgH);
  coll->flags = 0x8000;
  LogicStore ok;
  ok.Add(kLogicLogic, 8);

  LogicStore b;
  EXPECT_EQ(ReadStreamFile(StreamFile(&a.sys), &b.sys), 1);
  EXPECT_EQ(ReadStreamFile(StreamFile(&ok.sys), &b.sys), 0);
  SaveSeed("logic_stream_fuzz", "repaired_lines", StreamFile(&a.sys));
  SaveSeed("logic_tagged_fuzz", "old_collision_line", TaggedFile(&a.sys, 0));
  for (int32_t layout : {-1, 0, 1}) {
    LogicStore c;
    const int32_t r = layout < 0 ? ReadStreamFile(StreamFile(&a.sys), &c.sys)
                                 : ReadTaggedFile(TaggedFile(&a.sys, layout), &c.sys);
    EXPECT_EQ(r, 1);
    LogicLine* l = c.Main().first;
    EXPECT_EQ(l->category, 10);
    EXPECT_EQ(l->next->command, 8);
    EXPECT_EQ(l->next->next->command, 8);
    // Only the tagged form upgrades the old collision mode bit.
    EXPECT_EQ(l->next->next->next->flags, layout < 0 ? 0x8000u : 0x10000u);
  }
}

TEST(LogicPersistence, SingleProgramLayoutOfTheItemStream) {
  LogicStore a;
  FillMain(a);
  const Bytes file = StreamFile(&a.sys);
  std::vector<int32_t> ints = Ints(file);
  ints.erase(ints.begin() + 3, ints.begin() + 8);  // the counted header ...
  ints.insert(ints.begin() + 3, 1);                // ... becomes the single 1
  LogicStore b;
  b.sys.storedWord = 5;
  SaveSeed("logic_stream_fuzz", "single_layout", WithInts(file, ints));
  ASSERT_EQ(ReadStreamFile(WithInts(file, ints), &b.sys), 0);
  EXPECT_EQ(b.sys.layoutFlag, 0);
  EXPECT_EQ(b.sys.storedWord, 0);
  ExpectSamePrograms(a, b, false);
}

TEST(LogicPersistence, LongNamesAreCutAndTerminated) {
  LogicStore a;
  a.Add(0, 0);
  const Bytes file = StreamFile(&a.sys);
  // Program 0's name length is int 9: make it 25 characters of the byte array.
  std::vector<int32_t> ints = Ints(file);
  ASSERT_EQ(ints[9], 9);  // "mCnstrt 0"
  std::vector<unsigned char> longName(25, 'x');
  Bytes grown = file;
  const size_t bytesAt = 16;
  grown.insert(grown.begin() + bytesAt, longName.begin(), longName.end() - 9);
  grown[0] = static_cast<unsigned char>(grown[0] + 16);  // the byte count
  ints[9] = 25;
  LogicStore b;
  ASSERT_EQ(ReadStreamFile(WithInts(grown, ints), &b.sys), 0);
  EXPECT_EQ(std::string(b.sys.programs[0].name), std::string(16, 'x') + "mCn");

  Bytes tagged = TaggedFile(&a.sys, 1);
  std::memset(&tagged[20 + 4], 'y', 20);  // program 0's name field, no terminator
  LogicStore c;
  ASSERT_EQ(ReadTaggedFile(tagged, &c.sys), 0);
  EXPECT_EQ(std::string(c.sys.programs[0].name), std::string(19, 'y'));
}

// Counts the block cannot hold, program indices out of range and blocks cut
// short are refused whole: the programs stay as they were.
TEST(LogicPersistence, DamagedBlocksLeaveTheProgramsAlone) {
  LogicStore a;
  FillMain(a);
  const Bytes file = StreamFile(&a.sys);
  const std::vector<int32_t> ints = Ints(file);
  // Positions after the tag (3): header 3..7; program 0: index 8, name length
  // 9, counts 11..16, line count 17.
  const struct {
    size_t at;
    int32_t value;
  } damage[] = {{6, 2000}, {6, -2}, {6, 3}, {8, 5}, {8, -1}, {9, -4}, {9, 100000},
                {11, 70000}, {12, -1}, {17, 1 << 28}, {17, -1}};
  const auto expectUntouched = [&](int32_t r, LogicStore& b, const char* what) {
    EXPECT_EQ(r, kLogicBlockDamaged) << what;
    EXPECT_STREQ(b.Main().name, "Main");
    ASSERT_NE(b.Main().first, nullptr) << what;
    EXPECT_EQ(b.Main().first->category, kCountCat);
  };
  for (const auto& d : damage) {
    std::vector<int32_t> bad = ints;
    bad[d.at] = d.value;
    LogicStore b;
    b.Count(1);
    expectUntouched(ReadStreamFile(WithInts(file, bad), &b.sys, false), b, std::to_string(d.at).c_str());
  }
  // The int array cut before the end.
  for (size_t n = 3; n < ints.size() - 1; n += 7) {
    LogicStore b;
    b.Count(1);
    const int32_t r =
        ReadStreamFile(WithInts(file, std::vector<int32_t>(ints.begin(), ints.begin() + n)), &b.sys, false);
    if (r != -100) expectUntouched(r, b, "cut");
  }
  // The tagged block cut at every length: 0 inside the header, else damaged.
  const Bytes tagged = TaggedFile(&a.sys, 1);
  for (size_t n = 0; n < tagged.size(); n += 13) {
    LogicStore b;
    b.Count(1);
    const int32_t r = ReadTaggedFile(Bytes(tagged.begin(), tagged.begin() + n), &b.sys);
    if (n < 20) {
      EXPECT_EQ(r, 0);
      EXPECT_EQ(b.Main().first->category, kCountCat);
    } else {
      expectUntouched(r, b, "tagged cut");
    }
  }
}

namespace {

// A stored FG list out of key order, with a key twice, reads as the points
// placed one by one would make it: sorted, the later value taken unless the
// first point keeps its own.
TEST(LogicPersistence, StoredFGListsReadSortedWithRepeatedKeysMet) {
  LogicStore a;
  LogicLine* l = a.Count(1);
  const FGItem stored[] = {{9, 1.0f, 0}, {4, 2.0f, kFGKeepValue}, {9, 3.0f, 0}, {4, 5.0f, 0}, {1, 6.0f, 0}};
  FGItem* prev = nullptr;
  for (const FGItem& s : stored) {
    FGItem* it = new FGItem{s.key, s.value, s.flags, prev, nullptr};
    (prev ? prev->next : l->fg) = it;
    prev = it;
  }
  LogicStore b;
  ASSERT_EQ(ReadTaggedFile(TaggedFile(&a.sys, 1), &b.sys), 0);
  std::vector<std::pair<int32_t, float>> got;
  for (const FGItem* it = GVLogicGetLine(&b.sys, 1, 1)->fg; it; it = it->next) got.push_back({it->key, it->value});
  EXPECT_EQ(got, (std::vector<std::pair<int32_t, float>>{{1, 6.0f}, {4, 2.0f}, {9, 3.0f}}));
  // A block of 3000 points seeds the tagged fuzzer with thousands of items.
  for (int32_t k = 0; k < 3000; ++k) createFGItem(l, 10 + (k * 7919) % 3000, 0.25f * k, k % 3);
  SaveSeed("logic_tagged_fuzz", "fg_3000_points", TaggedFile(&a.sys, 1));
}

// Variables are not stored, so a block may declare in all no more than every
// program's defaults and one program's most: two programs at the bound load,
// one variable more is refused, and so are 1000 programs declaring the most
// of every type (a block of some 100 KB), in both forms.
TEST(LogicPersistence, BlocksDeclaringVariablesBeyondTheBoundAreRefused) {
  for (const auto& [programs, over] : {std::pair{2, false}, std::pair{2, true}, std::pair{1000, true}}) {
    LogicStore a;
    ASSERT_EQ(GVInitLogicPrograms(&a.sys, programs), 1);
    for (int32_t p = 1; p <= programs; ++p) {
      LogicProgram& q = a.sys.programs[p];
      q.ppCount = q.iCount = q.fCount = q.vCount = q.mCount = q.axCount = kLogicMaxStoredVars;
    }
    if (programs == 2) {  // program 2 takes what is left, and one more
      const int64_t left = GVLogicBlockVarBound(2) - 6 * (kLogicDefaultVarCount + kLogicMaxStoredVars);
      LogicProgram& q = a.sys.programs[2];
      q.ppCount = q.fCount = q.vCount = q.mCount = q.axCount = 0;
      q.iCount = static_cast<int32_t>(left) + (over ? 1 : 0);
      ASSERT_LE(q.iCount, kLogicMaxStoredVars);
    }
    const int32_t want = over ? kLogicBlockDamaged : 0;
    LogicStore b, c;
    b.Count(1);
    c.Count(1);
    EXPECT_EQ(ReadTaggedFile(TaggedFile(&a.sys, 1), &b.sys), want) << programs;
    EXPECT_EQ(ReadStreamFile(StreamFile(&a.sys), &c.sys), want) << programs;
    if (over) EXPECT_EQ(b.Main().first->category, kCountCat);
  }
}

}  // namespace
