#include "logic/dyn2_cmds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dynamics/motion_commands.h"
#include "dynamics/runner_scene.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "logic/interpreter.h"
#include "logic/dyn1_cmds.h"
#include "logic_fixture.h"
#include "geo/geo_list_services.h"

namespace {

// A command in place of the DRAWING category that records PP 1 on every call.
std::vector<int32_t> gPhases;
int32_t RecordPhase(int32_t program, LogicLine*, LogicSystem* sys) {
  gPhases.push_back(GVLogicProgram(sys, program)->pp[1]);
  return 0;
}

void PartCentre(HObject* jel, int32_t part, float c[3]) { GVGetPartCentre(jel, part, kFrameCommitted, kAxesAll, c); }

// Part 4: the top layer of nodes.
void MarkTopLayer(HObject* jel) {
  float top = -1e30f;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) top = std::fmax(top, jel->state->pos[i][1]);
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    if (jel->state->pos[i][1] > top - 1e-4f) jel->partMask[i] |= 1u << 4;
}

}  // namespace

TEST(Dyn2Cmds, FixHoldsItsPartOverItsRangeWhileTheRestFalls) {
  LogicScene s;
  HObject* jel = s.AddJel(1, 2, 2, 2, -1.0f, 15.0f, -1.0f, -9.81f);
  MarkTopLayer(jel);
  s.Add(kLogicDyn2, kDyn2HFix, PP(1), {IConst(1), IConst(4), IConst(10), IConst(40)});
  LogicCmd* rec = GVLogicBeginCategory(s.sys, kLogicDrawing, 1);
  ASSERT_NE(rec, nullptr);
  rec->fn = RecordPhase;
  s.Add(kLogicDrawing, 0);
  gPhases.clear();

  s.PlayTo(10);
  float held[3], whole0[3], c[3];
  PartCentre(jel, 4, held);
  PartCentre(jel, 1, whole0);
  s.PlayTo(40);
  PartCentre(jel, 4, c);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(c[k], held[k], 2e-3f) << k;
  PartCentre(jel, 1, c);
  EXPECT_LT(c[1], whole0[1] - 0.05f);  // the rest sags below the held layer
  s.PlayTo(60);
  PartCentre(jel, 4, c);
  EXPECT_LT(c[1], held[1] - 1.0f);  // let go after the range

  // 0 before, 3 once, then 2 (6 where the range ends), then 0.
  std::vector<int32_t> runs;
  for (int32_t v : gPhases)
    if (runs.empty() || runs.back() != v) runs.push_back(v);
  EXPECT_EQ(runs, (std::vector<int32_t>{0, 3, 2, 6, 0}));
  int threes = 0;
  for (int32_t v : gPhases) threes += v == 3;
  EXPECT_EQ(threes, 1);
}

TEST(Dyn2Cmds, RigKeepsNodeDistancesWhileThePartTumbles) {
  LogicScene s;
  HObject* jel = s.AddJel(1, 2, 1, 1, -1.0f, 12.0f, -0.5f, -9.81f);
  s.Main().v[1][2] = 4.0f;  // a spin about z over the first frames
  s.Add(kLogicDyn1, kDyn1IsInFrange, PP(1), {IConst(1), IConst(3)});
  s.Add(kLogicControl, 1, {}, {PP(1)});
  s.Add(kLogicDyn1, kDyn1HAngVelR, {}, {IConst(1), IConst(1), VVar(1)});
  s.Add(kLogicControl, 3);
  s.Add(kLogicDyn2, kDyn2HRig, PP(2), {IConst(1), IConst(1), IConst(0), IConst(0), IConst(3)});
  const int32_t n = jel->nodeCount;
  std::vector<float> rest;
  for (int32_t i = 1; i <= n; ++i)
    for (int32_t j = i + 1; j <= n; ++j) {
      float d[3];
      GVVecSub(d, jel->state->pos[i], jel->state->pos[j]);
      rest.push_back(GVVecLength(d));
    }
  for (int32_t f = 5; f <= 25; f += 5) {
    s.PlayTo(f);
    size_t k = 0;
    for (int32_t i = 1; i <= n; ++i)
      for (int32_t j = i + 1; j <= n; ++j) {
        float d[3];
        GVVecSub(d, jel->state->pos[i], jel->state->pos[j]);
        EXPECT_NEAR(GVVecLength(d), rest[k++], 1e-3f) << f;
      }
  }
  float w[3] = {0, 0, 0};
  GVGetSelAngVelocity(s.World(), 1, 1, kFrameCommitted, kAxesAll, w);
  EXPECT_GT(std::fabs(w[2]), 1.0f);  // it does tumble
}

// The frame driver keeps every Jel it runs inside the scene bounds itself; the
// command is tried here on the world runner alone.
TEST(Dyn2Cmds, WallsKeepAPartInsideTheSceneBounds) {
  LogicStore s;
  float box[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};
  s.ctx.sceneBounds = box;
  HObject* jel = s.AddJel(1, 8.0f, 5.0f, 0.0f, 0.0f);
  s.Add(kLogicDyn1, kDyn1IsInFrange, PP(1), {IConst(1), IConst(2)});
  s.Add(kLogicControl, 1, {}, {PP(1)});
  s.Add(kLogicDyn1, kDyn1HVelU, {}, {IConst(1), IConst(1), FConst(30.0f)}, kAxisX);
  s.Add(kLogicControl, 3);
  // Arguments 3 and 4 are no frame range of the walls: they act from the start.
  s.Add(kLogicDyn2, kDyn2HWalls, PP(2), {IConst(1), IConst(1), IConst(100), IConst(200)});
  int32_t hit = 0;
  float most = -1e30f;
  s.Play(30, [&] {
    hit |= s.Main().pp[2];
    for (int32_t i = 1; i <= jel->nodeCount; ++i) most = std::fmax(most, jel->state->pos[i][0]);
  });
  EXPECT_LE(most, 12.0f + 1e-3f);
  EXPECT_GT(most, 11.9f);
  EXPECT_EQ(hit, 1);
}

TEST(Dyn2Cmds, JelCollisionStopsADroppedJelOnTheOther) {
  LogicScene s;
  HObject* base = s.AddJel(1, 3, 1, 3, -1.5f, 0.0f, -1.5f, -9.81f);
  HObject* drop = s.AddJel(2, 1, 1, 1, -0.5f, 3.0f, -0.5f, -9.81f);
  s.Add(kLogicDyn2, kDyn2HCollHh, PP(1), {IConst(2), IConst(1), IConst(0), IConst(0)});
  float lowest = 1e30f;
  int32_t touched = 0;
  for (int32_t f = 1; f <= 120; ++f) {
    s.PlayTo(f);
    touched |= s.Main().pp[1];
    lowest = std::fmin(lowest, LowestY(drop));
  }
  float top = -1e30f;
  for (int32_t i = 1; i <= base->nodeCount; ++i) top = std::fmax(top, base->state->pos[i][1]);
  EXPECT_EQ(touched, 1);
  EXPECT_GT(lowest, top - 0.5f);  // never half a cell deep while it lands
  EXPECT_GT(LowestY(drop), top - 0.05f);
  float v[3];
  GVGetSelVelocity(s.World(), 1, 2, kFrameCommitted, kAxesAll, v);
  EXPECT_LT(GVVecLength(v), 0.05f);  // at rest on the base
}

TEST(Dyn2Cmds, BadPartsAndJelIdsSelectNothing) {
  LogicStore s;
  HObject* jel = s.AddJel(1, 0.0f, 5.0f, 0.0f, 0.0f);
  s.world.params.stepping = 1;
  s.world.params.currentFrame = 5;
  jel->playParams.stepping = 1;
  for (int32_t part : {0, 32, 33, -1}) {
    s.Add(kLogicDyn1, kDyn1HVelU, {}, {IConst(1), IConst(part), FConst(5.0f)});
    s.Add(kLogicDyn2, kDyn2HAxes, AxVar(1), {IConst(1), IConst(part)});
  }
  s.Add(kLogicDyn1, kDyn1HVelU, {}, {IConst(99), IConst(1), FConst(5.0f)});
  s.Main().axVec[1][0] = 7.0f;
  GVRunMainLogic(&s.sys, &s.worldCell);
  for (int32_t i = 1; i <= jel->nodeCount; ++i) EXPECT_EQ(jel->state->vel[i][0], 0.0f);
  EXPECT_EQ(s.Main().axVec[1][0], 7.0f);
}

TEST(Dyn2Cmds, PlaneHoldsPartsWhetherItsNormalIsAVectorOrAMatrixRow) {
  LogicStore s;
  HObject* ja = s.AddJel(1, -3.0f, 5.0f, 0.0f, -9.81f);
  HObject* jb = s.AddJel(2, 3.0f, 5.0f, 0.0f, -9.81f);
  LogicProgram& p = s.Main();
  p.v[1][1] = 3.0f;  // a point of the plane y = 3
  p.v[2][1] = 1.0f;  // its normal
  p.m[1][4] = 1.0f;  // the same normal as the second row of a matrix
  s.Add(kLogicDyn2, kDyn2HPlane, PP(1), {IConst(1), IConst(1), VVar(1), VVar(2)});
  s.Add(kLogicDyn2, kDyn2HPlane, PP(2), {IConst(2), IConst(1), VVar(1), MVar(1)});
  int32_t hits[2] = {0, 0};
  s.Play(30, [&] {
    hits[0] |= p.pp[1];
    hits[1] |= p.pp[2];
  });
  EXPECT_EQ(hits[0], 1);
  EXPECT_EQ(hits[1], 1);
  EXPECT_GT(LowestY(ja), 3.0f - 1e-3f);
  EXPECT_NEAR(LowestY(ja), LowestY(jb), 1e-5f);
}

TEST(Dyn2Cmds, GeoCollisionBeforeTheRunOnlyMarksItsGeos) {
  LogicStore s;
  ObjHandle list;
  GVNewGeoList(&list);
  ObjHandle* cell = GVCreateGeo();
  GVGeoOf(cell)->id = 1;
  GVAddGeoToScene(&list, cell);
  s.sys.geoList = &list;
  s.Main().pp[1] = 7;
  s.Add(kLogicDyn2, kDyn2HCollgH, PP(1), {IConst(1), IConst(1)});
  s.RunAt(5);
  EXPECT_TRUE(GVGeoOf(cell)->flags & GEO_FLAG_FRAME_XFORM_SET);
  EXPECT_EQ(s.Main().pp[1], 7);
  GVDeleteGeoList(&list);
}
