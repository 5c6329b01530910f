#include "logic/object_refs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "geo/mesh_topology.h"
#include "logic_fixture.h"
#include "dynamics/runner_scene.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"
#include "scene/light_list.h"

namespace {

constexpr int32_t kPairCmd = 0;  // HDYN_2 slot used for a two-pair command
constexpr uint32_t kGeoConst = kLogicQualGeo | kLogicIntConst;
constexpr uint32_t kJelConst = kLogicQualJel | kLogicIntConst;
constexpr uint32_t kPartConst = kLogicQualPart | kLogicIntConst;

std::vector<std::vector<int32_t>> gCalls;
int32_t RecordCB(int32_t mode, int32_t a, int32_t b, int32_t c, void*) {
  gCalls.push_back({mode, a, b, c});
  return 0;
}

// A logic store whose HDYN_2 slot holds the three HCOLL commands (first
// argument a Geo id) and a command with two Jel/part pairs, and whose EFFECTS
// slot holds a command of a light number, an on/off value and a Geo stepped in
// list order; with a Geo list of three meshes (ids 1, 2, 3).
struct RefStore : LogicStore {
  RefStore() {
    LogicCmd* dyn2 = GVLogicBeginCategory(&sys, kLogicDyn2, 15);
    for (int32_t k : {kDyn2HCollHh, kDyn2HCollgH, kDyn2HCollGh}) dyn2[k].argMask[0] = kGeoConst;
    const uint32_t pairs[] = {kJelConst | kLogicQualFirstPair, kPartConst | kLogicQualFirstPair,
                              kJelConst | kLogicQualSecondPair, kPartConst | kLogicQualSecondPair, kGeoConst};
    std::copy(pairs, pairs + 5, dyn2[kPairCmd].argMask);
    LogicCmd* fx = GVLogicBeginCategory(&sys, kLogicEffects, 1);
    fx[0].argMask[0] = kLogicQualLight | kLogicIntConst;
    fx[0].argMask[1] = kLogicQualOnOff | kLogicIntConst;
    fx[0].argMask[2] = kGeoConst | kLogicQualGeoListOrder;
    GVNewGeoList(&geoCell);
    sys.geoList = &geoCell;
    for (int32_t k = 0; k < 3; ++k) geos.push_back(AddGeo());
    sys.appCB = RecordCB;
    gCalls.clear();
  }
  ~RefStore() { GVDeleteGeoList(&geoCell); }

  ObjHandle* AddGeo() {
    ObjHandle* cell = GVCreateGeo();
    GeoMeshDesc desc;
    GVInitGeoMeshDesc(&desc);
    GVSetString(&desc.name, "tri");
    desc.vertexCount = 3;
    desc.triangleCount = 1;
    GVBuildGeoFromMesh(cell, &desc, GVNextGeoId(&geoCell));
    const float corners[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    for (int32_t v = 1; v <= 3; ++v)
      for (int32_t k = 0; k < 3; ++k) desc.vertices[v][k] = desc.baseVertices[v][k] = corners[v - 1][k];
    desc.triangles[1][0] = 1, desc.triangles[1][1] = 2, desc.triangles[1][2] = 3;
    GVResetGeoMeshDesc(&desc);
    GVSetString(&desc.name, nullptr);
    GVAddGeoToScene(&geoCell, cell);
    return cell;
  }

  ObjHandle geoCell;
  std::vector<ObjHandle*> geos;
};

std::vector<int32_t> Consts(const LogicProgram& p, int32_t a) {
  std::vector<int32_t> v;
  for (const LogicLine* l = p.first; l; l = l->next) v.push_back(l->argInt[a]);
  return v;
}

}  // namespace

TEST(ObjectRefs, StepsCountsOnOffAndGeosWithTheApplicationTold) {
  RefStore s;
  LogicLine* loop = s.Add(kLogicControl, 5, {}, {IConst(10)});
  EXPECT_EQ(GVLogicStepObjectConst(loop, 5, &s.sys, 1), 10);
  loop->argInt[0] = 1;
  EXPECT_EQ(GVLogicStepObjectConst(loop, 5, &s.sys, -1), 1);
  EXPECT_EQ(GVLogicStepObjectConst(loop, 5, &s.sys, 1), 2);
  loop->argInt[0] = INT32_MAX;  // as a file may hold it
  EXPECT_EQ(GVLogicStepObjectConst(loop, 5, &s.sys, 1), 10);

  LogicLine* fx = s.Add(kLogicEffects, 0, {}, {IConst(0), IConst(0), IConst(3)});
  EXPECT_EQ(GVLogicStepObjectConst(fx, 6, &s.sys, 1), 1);
  EXPECT_EQ(GVLogicStepObjectConst(fx, 6, &s.sys, -1), 0);
  EXPECT_EQ(GVLogicStepObjectConst(fx, 6, &s.sys, 0), 0);
  EXPECT_TRUE(gCalls.empty());
  // List order: after the last Geo comes the first; before the first, the last.
  EXPECT_EQ(GVLogicStepObjectConst(fx, 7, &s.sys, 1), 1);
  EXPECT_EQ(GVLogicStepObjectConst(fx, 7, &s.sys, -1), 3);
  EXPECT_EQ(gCalls, (std::vector<std::vector<int32_t>>{{1, 1, 0, 0}, {1, 3, 0, 0}}));
  EXPECT_EQ(GVLogicStepObjectConst(fx, 4, &s.sys, 1), 0);  // not an argument column

  // Light numbers wrap over the scene's lights; without lights they are -1.
  std::vector<int32_t> lights;
  for (int k = 0; k < 4; ++k) lights.push_back(GVLogicStepObjectConst(fx, 5, &s.sys, 1));
  LightList list;
  GVNewLightList(&list);
  GVAddLight(&list);
  GVAddLight(&list);
  s.ctx.lights = &list;
  fx->argInt[0] = 0;
  for (int k = 0; k < 3; ++k) lights.push_back(GVLogicStepObjectConst(fx, 5, &s.sys, 1));
  lights.push_back(GVLogicStepObjectConst(fx, 5, &s.sys, -1));
  EXPECT_EQ(lights, (std::vector<int32_t>{-1, -1, -1, -1, 1, 2, 0, 2}));
  GVFreeLightListArray(&list);
}

TEST(ObjectRefs, JelAndPartPairs) {
  RefStore s;
  LogicLine* l = s.Add(kLogicDyn2, kPairCmd, {}, {IConst(3), IConst(2), IConst(5), IConst(4), IConst(1)});
  int32_t jel = 0, part = 0;
  EXPECT_EQ(GVLogicFindPairConst(l, &s.sys, 4, kPartConst | kLogicQualSecondPair, &jel, &part), 1);
  EXPECT_EQ(std::vector<int32_t>({jel, part}), std::vector<int32_t>({5, 4}));
  EXPECT_EQ(GVLogicFindPairConst(l, &s.sys, 3, kJelConst | kLogicQualFirstPair, &jel, &part), 1);
  EXPECT_EQ(std::vector<int32_t>({jel, part}), std::vector<int32_t>({3, 2}));
  EXPECT_EQ(GVLogicFindPairConst(l, &s.sys, 0, kJelConst, &jel, &part), 0);
  EXPECT_EQ(GVLogicFindPairConst(l, &s.sys, 3, kGeoConst, &jel, &part), 0);

  // Jels 3 and 7 in the world: the first pair's Jel steps on to 7, its part
  // (no part in use past 2) back to 1, and the application hears the pair.
  const float corner[3] = {0, 0, 0};
  GVAddJel(&s.world, MakeDropJel(1, 1, 1, 1.0f, corner, 3, 0.0f));
  GVAddJel(&s.world, MakeDropJel(1, 1, 1, 1.0f, corner, 7, 0.0f));
  EXPECT_EQ(GVLogicStepObjectConst(l, 5, &s.sys, 1), 7);
  EXPECT_EQ(GVLogicStepObjectConst(l, 6, &s.sys, 1), 1);
  EXPECT_EQ(gCalls, (std::vector<std::vector<int32_t>>{{2, 0, 7, 2}, {2, 0, 7, 1}}));
}

TEST(ObjectRefs, RenumberingAndDroppingKeepZeroAndSelections) {
  RefStore s;
  for (int32_t c : {2, 4, 7, 0, -1}) s.Add(kLogicDyn2, kPairCmd, {}, {IConst(c), IConst(c), {}, {}, IConst(c)});
  const int32_t oldIds[] = {0, 4, 2};
  GVLogicRemapGeoRefs(&s.sys, 2, oldIds);
  EXPECT_EQ(Consts(s.Main(), 4), (std::vector<int32_t>{2, 1, 0, 0, -1}));
  EXPECT_EQ(Consts(s.Main(), 0), (std::vector<int32_t>{2, 4, 7, 0, -1}));  // Jel slots untouched
  GVLogicRemapJelRefs(&s.sys, 2, oldIds);
  EXPECT_EQ(Consts(s.Main(), 0), (std::vector<int32_t>{2, 1, 0, 0, -1}));
  GVLogicDropJelRef(&s.sys, 2, 9);
  EXPECT_EQ(Consts(s.Main(), 0), (std::vector<int32_t>{9, 1, 0, 0, -1}));
  EXPECT_EQ(Consts(s.Main(), 1), (std::vector<int32_t>{2, 4, 7, 0, -1}));  // part slots untouched
}

TEST(ObjectRefs, MergingAnImportedMainProgram) {
  for (int32_t merge : {0, 1}) {
    RefStore scene, file;
    scene.Count(1);
    scene.Main().i[1] = 5;
    file.Main().fCount = 40;
    GVLogicAllocProgramArrays(&file.Main());
    file.Add(kLogicDyn2, kPairCmd, {}, {IConst(2), IConst(2), IConst(-2), IConst(0), IConst(-1)});
    file.Add(kLogicLogic, 0, PP(1), {IConst(1)});
    GVLogicShiftRefs(scene.sys.programs, &file.sys, 10, 3, merge);
    EXPECT_EQ(file.sys.programs, nullptr);
    EXPECT_EQ(file.sys.programCount, 1);
    LogicProgram& m = scene.Main();
    if (!merge) {
      EXPECT_EQ(m.first->next, nullptr);
      EXPECT_EQ(m.i[1], 5);
      continue;
    }
    ASSERT_NE(m.first->next, nullptr);
    EXPECT_EQ(m.first->category, kCountCat);
    const LogicLine* moved = m.first->next;
    EXPECT_EQ(std::vector<int32_t>(moved->argInt, moved->argInt + 5), (std::vector<int32_t>{12, 2, -5, 0, -4}));
    EXPECT_EQ(moved->next->argInt[0], 1);  // no object in that slot
    EXPECT_EQ(moved->next->prev, moved);
    EXPECT_EQ(m.fCount, 40);
    EXPECT_EQ(m.iCount, 10);
    EXPECT_EQ(m.i[1], 0);
  }
}

TEST(ObjectRefs, CollisionTablesFollowTheHCollLines) {
  RefStore s;
  s.Add(kLogicDyn2, kDyn2HCollgH, {}, {IConst(1)});
  s.Add(kLogicDyn2, kDyn2HCollHh, {}, {IConst(2)});
  LogicLine* both = s.Add(kLogicDyn2, kDyn2HCollGh, {}, {IConst(-1)});
  both->flags = 0x20000;
  EXPECT_EQ(GVLogicFindObjectRefs(&s.sys, s.geos[1]), kLogicCollGeoMoves | kLogicCollGeoHits | kLogicCollHullOnly);
  both->argType[0] = 0;

  GObject* g2 = GVGeoOf(s.geos[1]);
  GObject* g3 = GVGeoOf(s.geos[2]);
  GVEnsureGeoTopology(g2);
  GVEnsureGeoTopology(g3);
  const int32_t* g3Tables = g3->creaseFlags;
  GVLogicPrepareCollGeos(&s.sys, -1);
  EXPECT_NE(GVGeoOf(s.geos[0])->creaseFlags, nullptr);
  EXPECT_NE(GVGeoOf(s.geos[0])->vertexToFaceLists, nullptr);
  EXPECT_EQ(g2->creaseFlags, nullptr);
  EXPECT_EQ(g2->coincidentLists, nullptr);
  EXPECT_EQ(g3->creaseFlags, g3Tables);
  EXPECT_EQ(GVLogicFindObjectRefs(&s.sys, s.geos[2]), 0);
}
