#include "dynamics/world.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dynamics/dyn_cmd.h"
#include "dynamics/world_services.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

namespace {

struct Event {
  void* owner;
  int32_t id;
  int32_t added;
};

std::vector<Event> gEvents;
std::vector<int32_t> gDestroyed;
std::vector<int32_t> gResetSel;
std::vector<int32_t> gModeRequests;

void RecordChange(void* owner, int32_t id, int32_t added) { gEvents.push_back({owner, id, added}); }
void RecordDestroy(HObject**, int32_t id, void*) { gDestroyed.push_back(id); }
void RecordReset(HWorld*, int32_t sel) { gResetSel.push_back(sel); }
int32_t RecordMode(HWorld*, int32_t request) {
  gModeRequests.push_back(request);
  return request;
}

HObject* NewJel(int32_t id, uint32_t groupMask = 2, const char* name = nullptr) {
  HObject* j = new HObject();
  j->id = id;
  j->groupMask = groupMask;
  if (name) GVSetString(&j->name, name);
  j->removalCB = RecordDestroy;
  return j;
}

std::vector<int32_t> Ids(const HWorld& w) {
  std::vector<int32_t> ids;
  for (const HObject* j = w.head; j; j = j->next) ids.push_back(j->id);
  return ids;
}

class WorldTest : public testing::Test {
 protected:
  void SetUp() override {
    gEvents.clear();
    gDestroyed.clear();
    gResetSel.clear();
    gModeRequests.clear();
    saved_ = GVWorldServices();
    WorldServices s;
    s.resetSelToWorld = RecordReset;
    s.setWorldMode = RecordMode;
    GVSetWorldServices(s);
    world.owner = &ownerCell;
    world.onChange = RecordChange;
  }
  void TearDown() override { GVSetWorldServices(saved_); }

  // Appends Jels with the given ids and group masks, then forgets the events.
  void Fill(const std::vector<std::pair<int32_t, uint32_t>>& jels) {
    for (const auto& [id, mask] : jels) GVAddJel(&world, NewJel(id, mask));
    gEvents.clear();
    gResetSel.clear();
  }

  int ownerCell = 0;
  HWorld world;
  WorldServices saved_;
};

TEST_F(WorldTest, NewWorldHasDefaultsAndEmptyStores) {
  HWorld w;
  EXPECT_EQ(w.head, nullptr);
  EXPECT_EQ(w.params.fps, 30);
  EXPECT_EQ(w.params.endFrame, 100);
  EXPECT_EQ(w.params.subSteps, 1);
  EXPECT_EQ(w.params.subStepIndex, 1);
  EXPECT_EQ(w.params.loopLength, 100);
  EXPECT_EQ(w.params.timeStep, 0.0f);
  for (const ContactList& l : w.contacts) {
    EXPECT_EQ(l.resetMark, 1);
    EXPECT_EQ(l.first, nullptr);
  }
  EXPECT_EQ(w.cmdCapacity, 20);
  ASSERT_NE(w.cmds, nullptr);
  EXPECT_EQ(w.cmdCount, 0);
  EXPECT_EQ(w.cmdResolved, 0);
  EXPECT_EQ(w.cmds[19].mergedWith, -1);
}

TEST_F(WorldTest, EmptyWorldAnswersQueriesAndResetsFrameWordsOnDelete) {
  char buf[16] = "junk";
  EXPECT_EQ(GVGetJelById(&world, 1), nullptr);
  EXPECT_EQ(GVFindJelByName(&world, "Box"), 0);
  GVCopyJelNameById(&world, 1, buf, sizeof buf);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(GVJelSelScale(&world, -1), 0.0f);

  world.params.mode = 2;
  world.params.endFrame = 80;
  world.params.subSteps = 4;
  world.params.subStepIndex = 3;
  world.params.currentFrame = 12;
  GVDeleteJelSel(&world, -1);
  EXPECT_EQ(world.params.mode, 0);
  EXPECT_EQ(world.params.endFrame, 0);
  EXPECT_EQ(world.params.subSteps, 1);
  EXPECT_EQ(world.params.subStepIndex, 1);
  EXPECT_EQ(world.params.currentFrame, 12);  // the shown frame is not a reset word
  ASSERT_EQ(gEvents.size(), 1u);
  EXPECT_EQ(gEvents[0].owner, &ownerCell);
  EXPECT_EQ(gEvents[0].id, -1);
  EXPECT_EQ(gEvents[0].added, 0);
}

TEST_F(WorldTest, DeleteByGroupRemovesExactlyTheMembersInOrder) {
  const uint32_t g3 = 2u | 8u;
  Fill({{1, g3}, {2, g3}, {3, 2}, {4, g3}, {5, 2}});
  GVDeleteJelSel(&world, -3);
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{3, 5}));
  EXPECT_EQ(gDestroyed, (std::vector<int32_t>{1, 2, 4}));
  for (const Event& e : gEvents) EXPECT_EQ(e.id, -3);
  EXPECT_EQ(gEvents.size(), 3u);  // one call before each pass over the list
}

TEST_F(WorldTest, DeleteByIdRemovesOneJelAndResetsWhenTheListEmpties) {
  Fill({{1, 2}, {2, 2}, {3, 2}});
  GVDeleteJelSel(&world, 2);
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{1, 3}));
  GVDeleteJelSel(&world, 1);
  GVDeleteJelSel(&world, 0);  // matches nothing
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{3}));
  world.params.subSteps = 5;
  GVDeleteJelSel(&world, 3);
  EXPECT_EQ(world.head, nullptr);
  EXPECT_EQ(world.params.subSteps, 1);
  EXPECT_EQ(gDestroyed, (std::vector<int32_t>{2, 1, 3}));
}

TEST_F(WorldTest, AddAppendsNotifiesAndResetsEveryJelToTheWorld) {
  HObject* a = NewJel(4);
  HObject* b = NewJel(9);
  b->next = a;  // a stale link must not survive the append
  GVAddJel(&world, a);
  GVAddJel(&world, b);
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{4, 9}));
  ASSERT_EQ(gEvents.size(), 2u);
  EXPECT_EQ(gEvents[1].id, 9);
  EXPECT_EQ(gEvents[1].added, 1);
  EXPECT_EQ(gResetSel, (std::vector<int32_t>{-1, -1}));

  GVAddJel(&world, a);  // already listed: nothing, no callback
  GVAddJel(&world, nullptr);
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{4, 9}));
  EXPECT_EQ(gEvents.size(), 2u);
}

TEST_F(WorldTest, InsertAfterPlacesTheJel) {
  struct Case {
    const char* name;
    int32_t after;
    std::vector<int32_t> want;
  } cases[] = {
      {"after 0 goes first", 0, {7, 1, 2, 3}},
      {"after a missing id goes last", 42, {1, 2, 3, 7}},
      {"after the middle", 2, {1, 2, 7, 3}},
      {"after the last", 3, {1, 2, 3, 7}},
  };
  for (const Case& c : cases) {
    HWorld w;
    for (int32_t id : {1, 2, 3}) GVAddJel(&w, NewJel(id));
    HObject* j = NewJel(7);
    EXPECT_EQ(GVInsertJelAfter(&w, j, c.after), 1) << c.name;
    EXPECT_EQ(Ids(w), c.want) << c.name;
    EXPECT_EQ(GVInsertJelAfter(&w, j, 0), 0) << c.name;  // already listed
  }
  HWorld empty;
  EXPECT_EQ(GVInsertJelAfter(&empty, NewJel(5), 3), 1);
  EXPECT_EQ(Ids(empty), (std::vector<int32_t>{5}));
  EXPECT_EQ(GVInsertJelAfter(&empty, nullptr, 0), 0);
}

HWorld* gRemoveWorld;
HObject* gRemoving;
bool gListedDuringCallback;

void CheckStillListed(void*, int32_t, int32_t) {
  gListedDuringCallback = false;
  for (HObject* j = gRemoveWorld->head; j; j = j->next) gListedDuringCallback |= j == gRemoving;
}

TEST_F(WorldTest, RemoveUnlinksAfterTheCallbackAndReturnsThePredecessor) {
  Fill({{1, 2}, {2, 2}, {3, 2}});
  HObject* second = GVGetJelById(&world, 2);
  HObject* first = GVGetJelById(&world, 1);
  gRemoveWorld = &world;
  gRemoving = second;
  world.onChange = CheckStillListed;
  EXPECT_EQ(GVRemoveJel(&world, second), 1);
  EXPECT_TRUE(gListedDuringCallback);
  EXPECT_EQ(second->next, nullptr);
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(GVRemoveJel(&world, first), 0);  // the head has no predecessor
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{3}));
  EXPECT_EQ(GVRemoveJel(&world, first), 0);  // no longer listed
  EXPECT_EQ(GVRemoveJel(&world, nullptr), 0);
  EXPECT_TRUE(gDestroyed.empty());  // removal only unlinks
  delete first;
  delete second;
}

// Every Jel that leaves for good is reported once, while still listed; one
// set aside to be put back is not.
std::vector<int32_t> gLeaving;
void RecordLeaving(void* user, HWorld* w, HObject* jel) {
  bool listed = false;
  for (HObject* j = w->head; j; j = j->next) listed |= j == jel;
  gLeaving.push_back(listed && user == w ? jel->id : -jel->id);
}

TEST_F(WorldTest, JelsLeavingAreReportedWhileListedWhoeverDeletesThem) {
  gLeaving.clear();
  world.beforeJelLeaves = RecordLeaving;
  world.leavesUser = &world;
  Fill({{1, 2}, {2, 4}, {3, 2 | 4}, {4, 8}, {5, 2}});
  GVDeleteJelSel(&world, -2);  // group 2: Jels 2 and 3
  HObject* five = GVGetJelById(&world, 5);
  GVInsertJelAfter(&world, five, GVSetJelAside(&world, five));
  GVRemoveJel(&world, five);
  delete five;
  EXPECT_EQ(gLeaving, (std::vector<int32_t>{2, 3, 5}));
  GVResetJelList(&world);  // group 1 and the Jel outside it
  EXPECT_EQ(gLeaving, (std::vector<int32_t>{2, 3, 5, 1, 4}));
}

TEST_F(WorldTest, LookupsByIdAndName) {
  GVAddJel(&world, NewJel(3, 2, "Box"));
  GVAddJel(&world, NewJel(5, 2, "box"));
  HObject* unnamed = NewJel(6);
  GVSetString(&unnamed->name, nullptr);
  GVAddJel(&world, unnamed);
  EXPECT_EQ(GVGetJelById(&world, 5)->id, 5);
  EXPECT_EQ(GVGetJelById(&world, 0), nullptr);
  EXPECT_EQ(GVGetJelById(&world, -1), nullptr);
  EXPECT_EQ(GVFindJelByName(&world, "box"), 5);
  EXPECT_EQ(GVFindJelByName(&world, "BOX"), 0);
  EXPECT_EQ(GVFindJelByName(&world, nullptr), 0);

  char buf[8] = "junk";
  GVCopyJelNameById(&world, 3, buf, sizeof buf);
  EXPECT_STREQ(buf, "Box");
  GVCopyJelNameById(&world, 6, buf, sizeof buf);
  EXPECT_STREQ(buf, "");
  HObject* longName = NewJel(8, 2, "Averyveryverylongname");
  GVAddJel(&world, longName);
  GVCopyJelNameById(&world, 8, buf, sizeof buf);
  EXPECT_STREQ(buf, "Averyve");  // cut to the buffer, never past it
}

TEST_F(WorldTest, UniqueNames) {
  int32_t id = 0;
  for (const char* n : {"Box", "Box7", "Ball", "Ball2", "Cube0"}) GVAddJel(&world, NewJel(++id, 2, n));
  struct Case {
    const char* in;
    const char* want;
  } cases[] = {
      {"Box", "Box2"},      {"Box7", "Box8"},   {"Ball", "Ball3"}, {"Cube0", "Cube2"},
      {"Fresh", "Fresh"},   {"  Box more", "Box2"}, {"B#o$x", "Box2"}, {"", ""},
      {"Box2", "Box2"},
  };
  for (const Case& c : cases) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s", c.in);
    GVMakeUniqueJelName(&world, buf, sizeof buf);
    EXPECT_STREQ(buf, c.want) << "from '" << c.in << "'";
  }
}

TEST_F(WorldTest, UniqueNameNeverOverrunsItsBuffer) {
  GVAddJel(&world, NewJel(1, 2, "Abcd"));
  GVAddJel(&world, NewJel(2, 2, "Abcd99"));
  char buf[5] = "Abcd";
  GVMakeUniqueJelName(&world, buf, sizeof buf);
  EXPECT_STREQ(buf, "Abc2");
  char big[8] = "Abcd99";
  GVMakeUniqueJelName(&world, big, sizeof big);
  EXPECT_STREQ(big, "Abcd100");
}

TEST_F(WorldTest, SelectionWideQueries) {
  HObject* a = NewJel(1, 2 | 16);
  HObject* b = NewJel(2, 2 | 16);
  HObject* c = NewJel(3, 2);
  a->cellSize = 0.5f;
  b->cellSize = 0.25f;
  for (HObject* j : {a, b, c}) GVAddJel(&world, j);
  EXPECT_EQ(GVJelSelScale(&world, -4), 0.5f);
  EXPECT_EQ(GVJelSelScale(&world, 2), 0.25f);
  EXPECT_EQ(GVJelSelScale(&world, -5), 0.0f);
  GVSetJelSelVehicleLink(&world, -4, 7);
  EXPECT_EQ(a->vehicleLink, 7);
  EXPECT_EQ(b->vehicleLink, 7);
  EXPECT_EQ(c->vehicleLink, 0);
  EXPECT_TRUE(GVJelInSel(c, -1));
  EXPECT_FALSE(GVJelInSel(c, 0));
  EXPECT_FALSE(GVJelInSel(c, -32));
}

TEST_F(WorldTest, ListWalksStopAtAJelLinkedToItself) {
  HObject* a = NewJel(1);
  HObject* b = NewJel(2);
  world.head = a;
  a->next = b;
  b->next = b;  // a damaged link must not hang the walks
  EXPECT_EQ(GVGetJelById(&world, 9), nullptr);
  EXPECT_EQ(GVFindJelByName(&world, "none"), 0);
  // The writers stop there too: the image counts the same two Jels.
  ItemStream looped, ended;
  GVCountJelListImage(&world, &looped);
  b->next = nullptr;
  GVCountJelListImage(&world, &ended);
  b->next = b;
  EXPECT_EQ(looped.intCount, ended.intCount);
  EXPECT_EQ(looped.floatCount, ended.floatCount);
  HObject* c = NewJel(3);
  GVAddJel(&world, c);
  EXPECT_EQ(b->next, c);
  GVDeleteJelSel(&world, -1);
  EXPECT_EQ(world.head, nullptr);
  EXPECT_EQ(gDestroyed, (std::vector<int32_t>{1, 2, 3}));
}

// Edit Structure on a Jel in the world's list, at the head and in the middle:
// the rebuilt Jel takes the old one's place, the list stays whole, and the old
// one leaves by the world's rule (reported while listed) before it is freed.
TEST_F(WorldTest, EditStructureKeepsTheRebuiltJelInTheList) {
  gLeaving.clear();
  world.beforeJelLeaves = RecordLeaving;
  world.leavesUser = &world;
  LatticeSpec spec;
  spec.nx = spec.ny = spec.nz = 2;
  for (int32_t id : {1, 2, 3}) {
    LatticeBuilder b(&spec);
    GVGridAddCell(1, 1, 1, &b);
    HObject* j = GVCreateJelFromBuilder(&b, id, 0, 0, nullptr);
    ASSERT_NE(j, nullptr);
    j->removalCB = RecordDestroy;
    GVAddJel(&world, j);
  }
  for (int32_t id : {1, 2}) {
    HObject* old = GVGetJelById(&world, id);
    LatticeBuilder b(&spec);
    HObject* grown = GVRebuildJelAtFace(&b, old, 1, 1);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(GVGetJelById(&world, id), old);  // untouched until replaced
    HObject stray;  // not listed: refused
    EXPECT_EQ(GVReplaceJel(&world, &stray, grown), 0);
    EXPECT_EQ(GVReplaceJel(&world, old, grown), 1);
    EXPECT_EQ(gDestroyed.back(), id);
    EXPECT_EQ(gLeaving.back(), id);
    EXPECT_EQ(GVGetJelById(&world, id), grown);
    EXPECT_EQ(grown->nodeCount, 12);
    EXPECT_EQ(GVReplaceJel(&world, grown, grown), 0);
  }
  EXPECT_EQ(gLeaving, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(GVJelListLink(&world, nullptr), nullptr);
}

TEST_F(WorldTest, ResetFreesJelsRecordsAndContactsAndLeavesAUsableWorld) {
  Fill({{1, 2}, {2, 2}});
  GVContactAppend(&world.contacts[2], nullptr, nullptr, 1, 1, 0, 1, 0, 0, {});
  DynCmdArgs args;
  args.type = kDynCmdJelJel;
  args.key1 = 1;
  GVContactAppend(&world.contacts[0], nullptr, nullptr, 1, 1, 0, 1, 0, 0, {});
  GVAddDynCmdRec(&world, args);
  ASSERT_NE(world.cmds[0].jelContacts, nullptr);
  GVResetJelList(&world);
  EXPECT_EQ(world.head, nullptr);
  EXPECT_EQ(world.cmds, nullptr);
  EXPECT_EQ(world.contacts[2].count, 0);
  EXPECT_EQ(gDestroyed.size(), 2u);
  // Records can still be issued after a reset.
  EXPECT_EQ(GVAppendDynCmdRec(&world, args), 0);
}

// ---------------------------------------------------------------------------
// List readers. The Jel record stands in as: u32 id, u32 mode.

HObject* ReadFakeJel(FILE* f, ChanHeaderForm*) {
  uint32_t words[2];
  if (std::fread(words, 4, 2, f) != 2 || words[0] == 0xffffffffu) return nullptr;
  HObject* j = NewJel(static_cast<int32_t>(words[0]));
  j->playParams.mode = static_cast<int32_t>(words[1]);
  return j;
}

HObject* ReadFakeJelImage(ItemStream* s) {
  if (!GVItemStreamHasRoom(s, 0, 2, 0, 0)) return nullptr;
  HObject* j = NewJel(s->ints[s->intCount]);
  j->playParams.mode = s->ints[s->intCount + 1];
  s->intCount += 2;
  return j;
}

struct MemFile {
  explicit MemFile(const std::vector<uint32_t>& words) : data(words) {
    f = fmemopen(data.data(), data.size() * 4, "rb");
  }
  ~MemFile() { std::fclose(f); }
  std::vector<uint32_t> data;
  FILE* f;
};

class WorldReaderTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    WorldServices s = GVWorldServices();
    s.jelFromFile = ReadFakeJel;
    s.jelFromImage = ReadFakeJelImage;
    GVSetWorldServices(s);
    Fill({{50, 2}, {51, 2}});
  }
};

TEST_F(WorldReaderTest, FileListReplacesTheJelsAndTakesTheFirstMode) {
  MemFile m({2, 7, 4, 8, 0});
  EXPECT_EQ(GVReadJelList(&world, m.f), 1);
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{7, 8}));
  EXPECT_EQ(gModeRequests, (std::vector<int32_t>{4}));
  EXPECT_EQ(gDestroyed, (std::vector<int32_t>{50, 51}));
}

TEST_F(WorldReaderTest, DamagedFileListKeepsTheScene) {
  struct Case {
    const char* name;
    std::vector<uint32_t> words;
  } cases[] = {
      {"damaged third record", {3, 7, 0, 8, 0, 0xffffffffu, 0}},
      {"count beyond the file", {0x40000000u, 7, 0}},
      {"no count", {}},
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> words = c.words;
    if (words.empty()) words.push_back(0);  // fmemopen needs bytes; read from the end
    MemFile m(words);
    if (c.words.empty()) std::fseek(m.f, 0, SEEK_END);
    EXPECT_EQ(GVReadJelList(&world, m.f), 0) << c.name;
    EXPECT_EQ(Ids(world), (std::vector<int32_t>{50, 51})) << c.name;
  }
  EXPECT_EQ(gDestroyed, (std::vector<int32_t>{7, 8}));  // only the partly read list
}

TEST_F(WorldReaderTest, MissingFileEmptiesTheList) {
  EXPECT_EQ(GVReadJelList(&world, nullptr), 1);
  EXPECT_EQ(world.head, nullptr);
}

TEST_F(WorldReaderTest, ImageListReplacesTheJelsAndEmptyImageKeepsThem) {
  ItemStream empty;
  EXPECT_EQ(GVReadJelListImage(&world, &empty), 0);
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{50, 51}));

  ItemStream s;
  s.intCount = 5;
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  const int32_t ints[5] = {2, 11, 2, 12, 0};
  for (int i = 0; i < 5; ++i) s.ints[i] = ints[i];
  s.intCount = 0;
  EXPECT_EQ(GVReadJelListImage(&world, &s), 1);
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{11, 12}));
  EXPECT_EQ(world.params.mode, 2);
  EXPECT_EQ(s.intCount, 5u);

  // A count the image cannot hold leaves the list alone.
  s.intCount = 0;
  s.ints[0] = 1000;
  EXPECT_EQ(GVReadJelListImage(&world, &s), 0);
  EXPECT_EQ(Ids(world), (std::vector<int32_t>{11, 12}));
  GVItemStreamReset(&s);
}

}  // namespace

namespace {

TEST(WorldServicesTest, StartsWithEveryOperationOfARunningWorld) {
  // Read before any test changes the table: every fixture restores what it found.
  const WorldServices& s = GVWorldServices();
  EXPECT_EQ(s.jelFromFile, &HObject::HObjectFromFile);
  EXPECT_EQ(s.jelFromImage, &HObject::HObjectFromArrays);
  EXPECT_NE(s.setWorldMode, nullptr);
  EXPECT_NE(s.resetSelToWorld, nullptr);
  EXPECT_NE(s.selWallsApply, nullptr);
  EXPECT_NE(s.selRigidApply, nullptr);
  EXPECT_NE(s.jelJelContactSearch, nullptr);
  EXPECT_NE(s.geoJelCollisionPass, nullptr);
}

}  // namespace
