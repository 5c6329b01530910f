#include "dynamics/dyn_cmd.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

#include "block_lattice.h"
#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

namespace {

// Calls of the record actions, as (what, pass or selection, extra).
struct Call {
  char what;
  int32_t a;
  int32_t b;
  bool operator==(const Call& o) const { return what == o.what && a == o.a && b == o.b; }
};
std::vector<Call> gCalls;
std::vector<std::pair<HAState*, HAState*>> gSearches;  // (face side, node side)

void FixApply(HWorld*, int32_t sel, int32_t, const DynCmdRec*) { gCalls.push_back({'F', sel, 0}); }
void RigidApply(HWorld*, int32_t sel, int32_t, float*, float*, float*, float*) { gCalls.push_back({'R', sel, 1}); }
void RigidApplyRot(HWorld*, int32_t sel, int32_t, float, const float*, const float*, int32_t last) {
  gCalls.push_back({'r', sel, last});
}
int32_t WallsApply(HWorld*, int32_t sel, int32_t, uint32_t, const float*) {
  gCalls.push_back({'W', sel, 0});
  return 1;
}
int32_t JelJelPass(HWorld*, ContactList* list, int32_t pass, int32_t count) {
  gCalls.push_back({'J', pass, count});
  EXPECT_NE(list, nullptr);
  return 1;
}
void Refresh(ContactList*) { gCalls.push_back({'M', 0, 0}); }
void FaceMass(HAState*, int32_t face, float* mass, float*, float*, float*) {
  *mass = 2.0f;
  gCalls.push_back({'f', face, 0});
}
void Search(HWorld*, ContactList* nodes, ContactList*, HAState* faceSide, HAState* nodeSide, int32_t, int32_t, float,
            float, int32_t mode) {
  gSearches.push_back({faceSide, nodeSide});
  // One node contact per search, as a real search finding a touching node would.
  GVContactAppendPair(nodes, nodeSide, faceSide, 1, 0, 1, 0.1f, {}, static_cast<uint32_t>(mode));
}

class DynCmdTest : public testing::Test {
 protected:
  void SetUp() override {
    gCalls.clear();
    gSearches.clear();
    saved_ = GVWorldServices();
    WorldServices s;
    s.selFixApply = FixApply;
    s.selRigidApply = RigidApply;
    s.selRigidApplyRot = RigidApplyRot;
    s.selWallsApply = WallsApply;
    s.jelJelCollisionPass = JelJelPass;
    s.refreshContactList = Refresh;
    s.faceMassFrame = FaceMass;
    s.jelJelContactSearch = Search;
    GVSetWorldServices(s);
  }
  void TearDown() override { GVSetWorldServices(saved_); }

  // Jels with live states (a 2x2x2 block each), listed with the given ids and groups.
  void AddJels(const std::vector<std::pair<int32_t, uint32_t>>& jels) {
    for (const auto& [id, mask] : jels) {
      HObject* j = makeBlockJel(2, 2, 2, 1.0f, nullptr, id).release();
      j->groupMask = mask;
      GVAddJel(&world, j);
    }
  }

  static DynCmdArgs Args(uint32_t type, int32_t k1, int32_t passes, int32_t k3 = 1) {
    DynCmdArgs a;
    a.type = type;
    a.key1 = k1;
    a.key3 = k3;
    a.passes = passes;
    return a;
  }

  int Count(char what) const {
    int n = 0;
    for (const Call& c : gCalls) n += c.what == what;
    return n;
  }

  HWorld world;
  WorldServices saved_;
};

TEST_F(DynCmdTest, DefaultAndInitialisedRecords) {
  DynCmdRec r;
  EXPECT_EQ(r.mergedWith, -1);
  EXPECT_EQ(r.mat[4], 1.0f);
  EXPECT_EQ(r.mat2[8], 1.0f);
  EXPECT_EQ(r.jelContacts, nullptr);

  const float v[3] = {1, 2, 3}, m[9] = {2, 0, 0, 0, 2, 0, 0, 0, 2}, box[6] = {-1, 1, 0, 2, -3, 3};
  DynCmdArgs a = Args(kDynCmdWalls, -2, 3, 4);
  a.mode = 0x20;
  a.vec = v;
  a.mat = m;
  a.scalar = 0.5f;
  a.limits = box;
  GVInitDynCmdRec(&r, a);
  EXPECT_EQ(r.key1, -2);
  EXPECT_EQ(r.key3, 4);
  EXPECT_EQ(r.requestedPasses, 3);
  EXPECT_EQ(r.vec[2], 3.0f);
  EXPECT_EQ(r.mat[0], 2.0f);
  EXPECT_EQ(r.limits[5], 3.0f);
  EXPECT_EQ(r.mat2[0], 1.0f);

  GVUpdateDynCmdRec(&r, nullptr, nullptr, 0x40, 0.25f, nullptr);
  EXPECT_EQ(r.vec[2], 0.0f);
  EXPECT_EQ(r.mat[0], 1.0f);
  EXPECT_EQ(r.mode, 0x40u);
  EXPECT_EQ(r.limits[5], 3.0f);  // kept when none are given
}

TEST_F(DynCmdTest, GrowthKeepsRecordsAndMovesSubRecordsOnce) {
  for (int i = 0; i < 20; ++i) ASSERT_EQ(GVAppendDynCmdRec(&world, Args(kDynCmdJelJel, i + 1, 5)), i);
  // Give a few records contact sub-records; after growth each must be owned once.
  std::vector<ContactList*> lists;
  for (int i : {0, 7, 19}) {
    GVContactAppend(&world.contacts[0], nullptr, nullptr, 1, i + 1, 0, 1, 0, 0, {});
    GVAttachDynCmdSubRec(&world, &world.cmds[i], kDynCmdJelJel);
    lists.push_back(world.cmds[i].jelContacts);
  }
  DynCmdRec* old = world.cmds;
  EXPECT_EQ(GVAppendDynCmdRec(&world, Args(kDynCmdFix, 99, 3)), 20);
  EXPECT_NE(world.cmds, old);
  EXPECT_EQ(world.cmdCapacity, 30);
  EXPECT_EQ(world.cmdCount, 21);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(world.cmds[i].key1, i + 1);
  int k = 0;
  for (int i : {0, 7, 19}) {
    ASSERT_EQ(world.cmds[i].jelContacts, lists[k++]);
    EXPECT_EQ(world.cmds[i].jelContacts->first->nodeA, i + 1);  // still readable: not freed
  }
  EXPECT_EQ(world.cmds[20].key1, 99);
  EXPECT_EQ(world.cmds[25].mergedWith, -1);  // spare records are defaults
  // The world's destructor frees each sub-record exactly once (ASan checks).
}

TEST_F(DynCmdTest, FindsByKeysWithZeroAsAny) {
  EXPECT_EQ(GVFindDynCmdRecByKeys(&world, 0, 0, 0, 0, 0), -1);
  GVAppendDynCmdRec(&world, Args(kDynCmdFix, 3, 1, 2));
  DynCmdArgs b = Args(kDynCmdRigid, 3, 1, 5);
  b.mode = 7;
  GVAppendDynCmdRec(&world, b);
  GVAppendDynCmdRec(&world, Args(kDynCmdRigid, -4, 1, 5));
  // Spare records never match, even when their keys are all 0.
  EXPECT_EQ(GVFindDynCmdRecByKeys(&world, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(GVFindDynCmdRecByKeys(&world, kDynCmdRigid, 0, 0, 0, 0), 1);
  EXPECT_EQ(GVFindDynCmdRecByKeys(&world, kDynCmdRigid, -4, 0, 0, 0), 2);
  EXPECT_EQ(GVFindDynCmdRecByKeys(&world, 0, 3, 0, 5, 0), 1);
  EXPECT_EQ(GVFindDynCmdRecByKeys(&world, kDynCmdWalls, 0, 0, 0, 0), -1);
  EXPECT_EQ(GVFindDynCmdRec(&world, kDynCmdRigid, 3, 0, 5, 0, 7), 1);
  EXPECT_EQ(GVFindDynCmdRec(&world, kDynCmdRigid, 3, 0, 5, 0, 8), -1);
}

// A fix record and a rigid record on a shared Jel both become valid and run the
// larger pass count; records with no rigid partner stay invalid.
TEST_F(DynCmdTest, ResolutionJoinsPassCountsOfRecordsSharingAJel) {
  AddJels({{1, 2 | 8}, {2, 2}});
  struct Case {
    int32_t fixSel, fixPasses, rigidSel, rigidPasses;
    int32_t wantValid, wantPasses;
  } cases[] = {
      {1, 3, 1, 5, 1, 5},   // the fix takes the rigid record's count
      {1, 3, 1, 1, 1, 3},   // the rigid record takes the fix's count
      {-3, 2, 1, 4, 1, 4},  // group 3 holds Jel 1
      {2, 3, 1, 5, 0, 0},   // no shared Jel
  };
  for (const Case& c : cases) {
    GVClearDynCmdRecs(&world);
    GVAppendDynCmdRec(&world, Args(kDynCmdFix, c.fixSel, c.fixPasses));
    GVAppendDynCmdRec(&world, Args(kDynCmdRigid, c.rigidSel, c.rigidPasses));
    GVResolveDynCmdRecs(&world);
    const DynCmdRec& fix = world.cmds[0];
    const DynCmdRec& rigid = world.cmds[1];
    EXPECT_EQ(fix.valid, c.wantValid) << c.fixSel << "/" << c.rigidSel;
    EXPECT_EQ(rigid.valid, c.wantValid);
    if (c.wantValid) {
      EXPECT_EQ(fix.passes, c.wantPasses);
      EXPECT_EQ(rigid.passes, c.wantPasses);
      EXPECT_EQ(rigid.mergedTypes, kDynCmdFix);
      EXPECT_EQ(world.cmdPasses, c.wantPasses);
    } else {
      EXPECT_EQ(world.cmdPasses, 0);
    }
    EXPECT_EQ(fix.issued, 1);
    EXPECT_EQ(world.cmdResolved, 1);
  }
}

TEST_F(DynCmdTest, FixAndRigidActInEveryPassOfTheJoinedCount) {
  AddJels({{1, 2}});
  GVAppendDynCmdRec(&world, Args(kDynCmdFix, 1, 3));
  GVAppendDynCmdRec(&world, Args(kDynCmdRigid, 1, 5));
  GVApplyDynCmdRecs(&world);
  EXPECT_EQ(Count('F'), 5);
  EXPECT_EQ(Count('R'), 1);  // pass 1 measures
  EXPECT_EQ(Count('r'), 4);  // later passes turn; only the last says so
  EXPECT_EQ(gCalls.back(), (Call{'r', 1, 1}));
  EXPECT_EQ(gCalls[gCalls.size() - 3], (Call{'r', 1, 0}));
}

TEST_F(DynCmdTest, RecordNotReissuedInASubstepDoesNotAct) {
  AddJels({{1, 2}, {2, 2}});
  // Sub-step 1: the command is issued; the new store resolves when applied.
  GVPrepareDynCmdSubsteps(&world);
  GVSetupJelCollision(&world, 1, 2, 2, 2, 0.1f, 0.1f, 1);
  GVApplyDynCmdRecs(&world);
  EXPECT_EQ(Count('J'), 5);
  EXPECT_EQ(Count('M'), 1);
  EXPECT_EQ(Count('f'), 1);

  // Sub-step 2: not issued: nothing acts, and its contacts were released.
  gCalls.clear();
  GVPrepareDynCmdSubsteps(&world);
  EXPECT_EQ(world.cmds[0].jelContacts, nullptr);
  GVApplyDynCmdRecs(&world);
  EXPECT_TRUE(gCalls.empty());

  // Sub-step 3: issued again on the resolved store: found, not appended.
  GVPrepareDynCmdSubsteps(&world);
  GVSetupJelCollision(&world, 1, 2, 2, 2, 0.1f, 0.1f, 1);
  EXPECT_EQ(world.cmdCount, 1);
  GVApplyDynCmdRecs(&world);
  EXPECT_EQ(Count('J'), 5);
  ASSERT_NE(world.cmds[0].jelContacts, nullptr);
  EXPECT_EQ(world.cmds[0].jelContacts->first->faceMass, 2.0f);
}

TEST_F(DynCmdTest, FindOrAddOnAResolvedStore) {
  AddJels({{1, 2}});
  GVAppendDynCmdRec(&world, Args(kDynCmdWalls, 1, 3));
  GVResolveDynCmdRecs(&world);
  ASSERT_EQ(world.cmds[0].valid, 0);  // walls without a rigid partner
  // An invalid match gives no index and is marked not issued.
  EXPECT_EQ(GVFindOrAddDynCmdRec(&world, Args(kDynCmdWalls, 1, 3)), 0);
  EXPECT_EQ(world.cmds[0].issued, 0);
  // A new command appends and re-resolves: both records now valid.
  EXPECT_EQ(GVFindOrAddDynCmdRec(&world, Args(kDynCmdRigid, 1, 2)), 1);
  EXPECT_EQ(world.cmdResolved, 1);
  EXPECT_EQ(world.cmds[0].valid, 1);
  EXPECT_EQ(world.cmds[0].passes, 3);
  EXPECT_EQ(world.cmds[1].passes, 3);
  // A valid match is refreshed and issued.
  const float v[3] = {0, 4, 0};
  DynCmdArgs again = Args(kDynCmdRigid, 1, 2);
  again.vec = v;
  world.cmds[1].issued = 0;
  EXPECT_EQ(GVFindOrAddDynCmdRec(&world, again), 1);
  EXPECT_EQ(world.cmds[1].issued, 1);
  EXPECT_EQ(world.cmds[1].vec[1], 4.0f);
}

TEST_F(DynCmdTest, ClearingTheStoreFreesSubRecordsAndRestartsAtIndexZero) {
  AddJels({{1, 2}, {2, 2}});
  GVSetupJelCollision(&world, 1, 2, 2, 2, 0.1f, 0.1f, 1);
  GVContactAppend(&world.contacts[3], nullptr, nullptr, 1, 1, 0, 1, 0, 0, {});
  GVAddDynCmdRec(&world, Args(kDynCmdGeoJel, 1, 2));
  ASSERT_NE(world.cmds[0].jelContacts, nullptr);
  ASSERT_NE(world.cmds[1].geoContacts, nullptr);
  GVClearDynCmdRecs(&world);
  EXPECT_EQ(world.cmdCount, 0);
  EXPECT_EQ(world.cmdResolved, 0);
  EXPECT_EQ(world.cmds[0].jelContacts, nullptr);
  EXPECT_EQ(world.cmds[1].geoContacts, nullptr);
  EXPECT_EQ(GVAddDynCmdRec(&world, Args(kDynCmdFix, 2, 1)), 0);

  // A store emptied by a bare count reset still frees what a reused record held.
  GVContactAppend(&world.contacts[0], nullptr, nullptr, 1, 1, 0, 1, 0, 0, {});
  GVAddDynCmdRec(&world, Args(kDynCmdJelJel, 1, 5));
  world.cmdCount = 0;
  GVAppendDynCmdRec(&world, Args(kDynCmdFix, 1, 1));
  GVAppendDynCmdRec(&world, Args(kDynCmdFix, 1, 1));
  EXPECT_EQ(world.cmds[1].jelContacts, nullptr);  // freed, not leaked (ASan checks)
}

TEST_F(DynCmdTest, CopyNeverSharesSubRecords) {
  DynCmdRec a, b;
  a.key1 = 5;
  a.jelContacts = GVNewContactList();
  b.geoContacts = GVNewContactList();
  GVCopyDynCmdRec(&a, &b);
  EXPECT_EQ(b.key1, 5);
  EXPECT_EQ(b.jelContacts, nullptr);
  EXPECT_EQ(b.geoContacts, nullptr);
  GVMoveDynCmdRec(&a, &b);
  EXPECT_NE(b.jelContacts, nullptr);
  EXPECT_EQ(a.jelContacts, nullptr);
}

TEST_F(DynCmdTest, AltGeoSubRecordIsDroppedWhileEmpty) {
  const int32_t i = GVAddDynCmdRec(&world, Args(kDynCmdGeoJelAlt, -1, 1));
  ASSERT_EQ(i, 0);
  EXPECT_EQ(world.cmds[0].altContacts, nullptr);
}

TEST_F(DynCmdTest, GeoCollisionRecordTakesTheGeoListsAndRunsEveryPass) {
  WorldServices sv = GVWorldServices();
  sv.geoJelCollisionPass = [](HWorld*, ContactList* list, int32_t pass, int32_t count) -> int32_t {
    gCalls.push_back({'G', pass, count});
    EXPECT_EQ(list->count, 2);
    return 0;
  };
  GVSetWorldServices(sv);
  GVContactAppend(&world.contacts[3], nullptr, nullptr, 1, 1, 0, 1, 0, 0, {});
  GVContactAppend(&world.contacts[4], nullptr, nullptr, 2, 1, 2, 1, 0, 0, {});
  GVContactAppend(&world.contacts[2], nullptr, nullptr, 1, 1, 0, 1, 0, 0, {});
  GVAddDynCmdRec(&world, Args(kDynCmdGeoJel, -1, 3));
  EXPECT_EQ(world.contacts[3].count, 0);
  EXPECT_EQ(world.contacts[2].count, 1);  // not one of the joined lists
  GVApplyDynCmdRecs(&world);
  EXPECT_EQ(gCalls, (std::vector<Call>{{'G', 1, 3}, {'G', 2, 3}, {'G', 3, 3}}));
}

TEST_F(DynCmdTest, ApplicationFoldsContactCorrectionsIntoDisplacement) {
  AddJels({{1, 2}, {2, 2}});
  HAState* s1 = GVGetJelById(&world, 1)->state;
  HAState* s2 = GVGetJelById(&world, 2)->state;
  ASSERT_NE(s1, nullptr);
  s1->collisionFlags = kCollJelJel;
  s1->rigidContact = 1;
  s2->rigidContact = 1;
  for (int i = 1; i <= s1->nodeCount; ++i) {
    s1->contactCorr[i][1] = 9.0f;  // stale: cleared before the passes
    s2->contactCorr[i][1] = 9.0f;  // no collision flag: left alone
    s1->disp[i][1] = 0.5f;
  }
  s2->contactFlags[3] = kContactWallTouch;

  // A pass action that leaves a correction behind, as a collision response does.
  WorldServices sv = GVWorldServices();
  sv.jelJelCollisionPass = [](HWorld* w, ContactList*, int32_t, int32_t) -> int32_t {
    HAState* s = GVGetJelById(w, 1)->state;
    for (int i = 1; i <= s->nodeCount; ++i) s->contactCorr[i][1] += 0.25f;
    return 1;
  };
  GVSetWorldServices(sv);
  GVContactAppendPair(&world.contacts[0], s1, s2, 1, 0, 1, 0.1f, {}, 1);
  GVAddDynCmdRec(&world, Args(kDynCmdJelJel, 1, 2));
  GVApplyDynCmdRecs(&world);

  for (int i = 1; i <= s1->nodeCount; ++i) {
    EXPECT_FLOAT_EQ(s1->disp[i][1], 0.5f + 2 * 0.25f) << i;
    EXPECT_EQ(s1->contactCorr[i][1], 0.0f) << i;
    EXPECT_EQ(s2->contactCorr[i][1], 9.0f) << i;
  }
  EXPECT_EQ(s1->rigidContact, 0);
  EXPECT_EQ(s2->rigidContact, 0);
  EXPECT_EQ(s2->contactSummary & kContactWallTouch, kContactWallTouch);
}

TEST_F(DynCmdTest, WallRecordActsOnlyWhenItsJelsTouch) {
  AddJels({{1, 2}});
  HAState* s = GVGetJelById(&world, 1)->state;
  GVAppendDynCmdRec(&world, Args(kDynCmdWalls, 1, 1));
  GVAppendDynCmdRec(&world, Args(kDynCmdRigid, 1, 1));
  GVApplyDynCmdRecs(&world);
  EXPECT_EQ(Count('W'), 0);
  EXPECT_EQ(Count('R'), 0);  // no fix merged, no rigid contact, no touch
  world.cmdResolved = 0;
  s->contactFlags[2] = kContactWallTouch;
  GVApplyDynCmdRecs(&world);
  EXPECT_EQ(Count('W'), 1);
  EXPECT_EQ(Count('R'), 1);
}

// Which pairs a collision command searches: (face-side id, node-side id).
TEST_F(DynCmdTest, CollisionSetupTakesThePairsOfItsSelections) {
  AddJels({{1, 2 | 8}, {2, 2 | 8}, {3, 2 | 16}, {4, 2 | 8 | 16}});
  using Pairs = std::vector<std::pair<int32_t, int32_t>>;
  struct Case {
    const char* name;
    int32_t a, b, ka, kb, direction;
    Pairs want;
    int32_t records;  // records after the command
  } cases[] = {
      {"two ids one way", 1, 2, 2, 2, 1, {{1, 2}}, 1},
      {"two ids two way", 1, 2, 2, 2, 2, {{1, 2}, {2, 1}}, 2},
      {"same id same kind is one way", 3, 3, 2, 2, 2, {{3, 3}}, 1},
      {"same id other kinds is two way", 3, 3, 1, 3, 1, {{3, 3}, {3, 3}}, 2},
      {"id against group skips itself", 1, -3, 2, 2, 1, {{1, 2}, {1, 4}}, 1},
      {"same group: unordered pairs, both ways", -4, -4, 2, 2, 1, {{3, 4}, {4, 3}}, 2},
      {"different groups skip shared members", -3, -4, 2, 2, 1, {{1, 3}, {2, 3}, {4, 3}}, 1},
      {"zero selection does nothing", 0, 2, 2, 2, 1, {}, 0},
  };
  for (const Case& c : cases) {
    GVClearDynCmdRecs(&world);
    gSearches.clear();
    GVSetupJelCollision(&world, c.a, c.b, c.ka, c.kb, 0.1f, 0.1f, c.direction);
    Pairs got;
    for (const auto& [face, node] : gSearches) {
      int32_t fid = 0, nid = 0;
      for (HObject* j = world.head; j; j = j->next) {
        if (j->state == face) fid = j->id;
        if (j->state == node) nid = j->id;
      }
      got.push_back({fid, nid});
    }
    EXPECT_EQ(got, c.want) << c.name;
    EXPECT_EQ(world.cmdCount, c.records) << c.name;
    if (c.records > 0) {
      EXPECT_EQ(world.cmds[0].type, kDynCmdJelJel) << c.name;
      EXPECT_EQ(world.cmds[0].key1, c.a) << c.name;
      ASSERT_NE(world.cmds[0].jelContacts, nullptr) << c.name;
      EXPECT_EQ(world.cmds[0].jelContacts->count, static_cast<int32_t>(c.want.size())) << c.name;
    }
    if (c.records > 1) {
      EXPECT_EQ(world.cmds[1].key1, c.b) << c.name;
      EXPECT_EQ(world.cmds[1].mode, 2u) << c.name;
      EXPECT_EQ(world.cmds[1].requestedPasses, 5) << c.name;
    }
    EXPECT_EQ(world.contacts[0].count, 0) << c.name;  // moved into the record
  }
}

TEST_F(DynCmdTest, CollisionSetupMarksStatesAndRefusesReplayMode) {
  AddJels({{1, 2}, {2, 2}});
  world.params.mode = 4;
  GVSetupJelCollision(&world, 1, 2, 2, 2, 0.1f, 0.1f, 1);
  EXPECT_TRUE(gSearches.empty());
  EXPECT_EQ(world.cmdCount, 0);
  world.params.mode = 0;
  GVSetupJelCollision(&world, 1, 2, 2, 2, 0.1f, 0.1f, 1);
  EXPECT_EQ(GVGetJelById(&world, 1)->state->collisionFlags & kCollJelJel, kCollJelJel);
  EXPECT_EQ(GVGetJelById(&world, 2)->state->collisionFlags & kCollJelJel, kCollJelJel);
}

}  // namespace
