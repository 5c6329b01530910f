#include "vehicle/vehicle_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "command_scene.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_binding.h"
#include "jel/deformation_map.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "vehicle/vehicle_drive.h"
#include "dynamics/world_runner.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_setup.h"
#include "vehicle/wheel_geos.h"

namespace {

std::vector<int32_t> JelIds(const VehicleRec* v) {
  int32_t ids[kVehicleJelIds];
  GVVehicleJelIds(v, ids);
  return std::vector<int32_t>(ids, ids + kVehicleJelIds);
}

std::vector<int32_t> Range(int32_t first, int32_t last) {
  std::vector<int32_t> r;
  for (int32_t k = first; k <= last; ++k) r.push_back(k);
  return r;
}

// Angle about the wheel's axle (z) of a point around the centre.
float AngleAbout(const float c[3], const float* p) { return std::atan2(p[1] - c[1], p[0] - c[0]); }

float Wrap(float a) { return std::remainder(a, 6.2831853f); }

// A line of the main program whose first argument is a Jel-id constant, of a
// command made for it in the HDYN_2 slot of the catalogue (whose commands
// come later).
LogicLine* AddJelConstLine(LogicSystem* sys, int32_t id) {
  LogicCmd* cmds = GVLogicBeginCategory(sys, kLogicDyn2, 1);
  if (!cmds) return nullptr;
  cmds[0].argMask[0] = kLogicQualJel | kLogicIntConst;
  LogicLine* l = GVLogicInsertLineAfter(sys, 1, nullptr);
  l->category = kLogicDyn2;
  l->command = 0;
  l->argType[0] = kLogicIntConst;
  l->argInt[0] = id;
  return l;
}

int32_t JelConst(const LogicLine* l) {
  for (int32_t a = 0; a < kLogicArgs; ++a)
    if (l->argType[a] == kLogicIntConst) return l->argInt[a];
  return 0;
}

}  // namespace

TEST(VehicleCommands, KindOneSettlesIntoItsInitialState) {
  CommandScene s;
  ObjHandle* cell = GVMakeVehicle(1, 0, 0, 0, 32);
  ASSERT_NE(cell, nullptr);
  VehicleRec* v = s.Vehicle();
  ASSERT_EQ(GVVehicleOf(cell), v);
  EXPECT_EQ(JelIds(v), Range(1, 15));
  int32_t groups[kVehicleGroups];
  GVVehicleGroups(v, groups);
  EXPECT_EQ(std::vector<int32_t>(groups, groups + kVehicleGroups),
            (std::vector<int32_t>{-5, -6, -7, -8, -9, -10, -11, -12}));
  EXPECT_EQ(v->groupExtra, -13);
  EXPECT_EQ(s.World()->params.currentFrame, 0);
  EXPECT_EQ(s.World()->params.stateMode, -1);
  // Frame 0 holds the settled vehicle on the floor, and a run in initial-state
  // mode starts from it.
  s.view->setStateMode(0);
  s.PlayTo(3);
  GVStepFrame(0, 0);
  EXPECT_NEAR(s.LowestY(), 0.0f, 0.05f);
  float sag = 0.0f;
  for (int32_t id : JelIds(v)) {
    HObject* j = s.Jel(id);
    ASSERT_NE(j, nullptr) << id;
    for (int32_t n = 1; n <= j->nodeCount; ++n) {
      float stored[3], rest[3];
      j->getNodePosition(n, 0, kAxesAll, stored);
      j->getNodePosition(n, kFrameInitial, kAxesAll, rest);
      sag = std::max(sag, rest[1] - stored[1]);
      for (int k = 0; k < 3; ++k) ASSERT_NEAR(j->state->pos[n][k], stored[k], 1e-5f) << id << " node " << n;
    }
  }
  EXPECT_GT(sag, 0.01f);  // the body did settle onto its suspension
  EXPECT_EQ(s.view->status.size(), 0u);
}

TEST(VehicleCommands, KindsZeroAndThreeNumberTheirPartsAfterTheLargestId) {
  CommandScene s;
  GVMakeVehicle(0, 0, 0, 0, 32);
  std::vector<int32_t> ids = JelIds(s.Vehicle());
  std::vector<int32_t> want = {1, 0, 0};
  for (int32_t k = 2; k <= 13; ++k) want.push_back(k);
  EXPECT_EQ(ids, want);
  GVDeleteVehicle();
  EXPECT_EQ(GVScene().vehicle, nullptr);
  EXPECT_EQ(GVSceneServices().driveVehicle, nullptr);
  s.view->addJel(7, "Other");
  GVMakeVehicle(3, 0, 0, 0, 32);
  EXPECT_EQ(JelIds(s.Vehicle()), Range(8, 22));
  // No room for fifteen ids above the largest: nothing is built, nothing lost.
  s.view->addJel(INT32_MAX - 5, "Top");
  ObjHandle* before = GVScene().vehicle;
  EXPECT_EQ(GVMakeVehicle(3, 0, 0, 0, 32), nullptr);
  EXPECT_EQ(GVScene().vehicle, before);
  EXPECT_EQ(JelIds(s.Vehicle()), Range(8, 22));
}

TEST(VehicleCommands, WheelGeosTurnWithTheirWheels) {
  CommandScene s;
  GVMakeVehicle(1, 0, 0, 0, 32);
  VehicleRec* v = s.Vehicle();
  const std::vector<int32_t> ids = JelIds(v);
  GObject* geos[4];
  for (int k = 0; k < 4; ++k) {
    geos[k] = s.Geo(kWheelGeoNames[k]);
    ASSERT_NE(geos[k], nullptr) << kWheelGeoNames[k];
    EXPECT_EQ(geos[k]->vertexCount, kWheelGeoVertices);
    EXPECT_EQ(geos[k]->triangleCount, kWheelGeoTriangles);
    EXPECT_EQ(geos[k]->jelId, ids[8 + 2 * k]) << kWheelGeoNames[k];
    EXPECT_EQ(geos[k]->flags & 0x80202u, 0x80202u);
  }
  // The wheels are 16-segment ones: their Geos are bound to cells above 18.
  EXPECT_EQ(GVVehicleWheelGeosOk(), 0);

  // Driven in initial-state mode, the front-left rim turns with its wheel Jel.
  s.view->setStateMode(0);
  DriveInputs& in = GVDriveInputs();
  in.gear = 1;
  in.driveMode = 2;
  in.throttle = 1.0f;
  in.noCounterDrive = 1;
  HObject* wheel = s.Jel(ids[8]);
  GObject* g = geos[0];
  const int32_t rim = 43;  // a tread vertex
  int32_t node = 1;
  float c[3];
  GVGetGroupCentre(wheel->state, 1, kFrameCommitted, kAxesAll, c);
  const float node0 = AngleAbout(c, wheel->state->pos[node]), rim0 = AngleAbout(c, g->vertices[rim]);
  float turned = 0.0f, last = node0;
  for (int32_t f = 1; f <= 100; ++f) {
    s.PlayTo(f);
    GVGetGroupCentre(wheel->state, 1, kFrameCommitted, kAxesAll, c);
    const float a = AngleAbout(c, wheel->state->pos[node]);
    turned += Wrap(a - last);
    last = a;
  }
  GVGetGroupCentre(wheel->state, 1, kFrameCommitted, kAxesAll, c);
  EXPECT_GT(std::fabs(turned), 1.0f);  // the wheel did turn
  const float nodeTurn = AngleAbout(c, wheel->state->pos[node]) - node0;
  const float rimTurn = AngleAbout(c, g->vertices[rim]) - rim0;
  EXPECT_LT(std::fabs(Wrap(rimTurn - nodeTurn)) * 57.29578f, 2.0f);
}

TEST(VehicleCommands, RebuildCarriesAttachmentsAndTheReferenceJel) {
  CommandScene s;
  ASSERT_NE(GVScene().logic, nullptr);
  GVMakeVehicle(1, 0, 0, 0, 32);
  const std::vector<int32_t> old = JelIds(s.Vehicle());
  // Attached to the body, to the first rotor, and to a Jel of its own.
  GObject* onBody = s.view->addGeo(20, "OnBody");
  GObject* onRotor = s.view->addGeo(21, "OnRotor");
  GObject* onOther = s.view->addGeo(22, "OnOther");
  s.view->addJel(30, "Other");
  GVGetGeoAttachment(onBody->handle)->type = 1;
  GVGetGeoAttachment(onBody->handle)->jelStart = old[1];
  GVGetGeoAttachment(onRotor->handle)->type = 3;
  GVGetGeoAttachment(onRotor->handle)->jelEnd = old[3];
  GVGetGeoAttachment(onOther->handle)->type = 1;
  GVGetGeoAttachment(onOther->handle)->jelStart = 30;
  LogicLine* line = AddJelConstLine(GVScene().logic, old[1]);
  ASSERT_NE(line, nullptr);

  // The new vehicle's ids start after the other Jel (30); kind 0 has no body.
  GVMakeVehicle(0, 0, 0, 0, 32);
  const std::vector<int32_t> now = JelIds(s.Vehicle());
  EXPECT_EQ(now[0], 31);
  EXPECT_EQ(now[1], 0);
  EXPECT_EQ(onBody->attach->jelStart, now[0]);   // body gone: the chassis
  EXPECT_EQ(onRotor->attach->jelEnd, now[3]);
  EXPECT_EQ(onOther->attach->jelStart, 30);      // not the vehicle's: kept
  EXPECT_EQ(JelConst(line), now[0]);
  // The rebuild kept the first build's settings.
  EXPECT_EQ(s.Vehicle()->driveAxles, 3);
  EXPECT_FLOAT_EQ(s.Vehicle()->frontGrip, 0.7f);

  GVMakeVehicle(1, 0, 0, 0, 32);
  EXPECT_EQ(onBody->attach->jelStart, JelIds(s.Vehicle())[0]);
  EXPECT_EQ(JelConst(line), JelIds(s.Vehicle())[1]);
}

TEST(VehicleCommands, DeleteTakesEveryGeoBoundToAWheel) {
  CommandScene s;
  GVMakeVehicle(1, 0, 0, 0, 32);
  const std::vector<int32_t> ids = JelIds(s.Vehicle());
  // Six more Geos on the wheel Jels: ten in all, more than the old limit.
  for (int32_t k = 0; k < 6; ++k) {
    GObject* g = s.view->addGeo(40 + k, "Extra");
    g->jelId = ids[8 + 2 * (k % 4)];
  }
  GObject* keep = s.view->addGeo(50, "OnChassis");
  keep->jelId = ids[0];
  GVDeleteVehicle();
  const GeoList* list = GVGeoListOf(GVScene().geoList);
  std::vector<int32_t> left;
  for (const GObject* g = list->head; g; g = g->next) left.push_back(g->id);
  EXPECT_EQ(left, std::vector<int32_t>{50});
  for (int32_t id : ids) EXPECT_EQ(s.Jel(id), nullptr) << id;
}

namespace {

void GeoCentroid(const GObject* g, float c[3]) {
  c[0] = c[1] = c[2] = 0.0f;
  for (int32_t i = 1; i <= g->vertexCount; ++i)
    for (int k = 0; k < 3; ++k) c[k] += g->vertices[i][k] / float(g->vertexCount);
}

bool AllFinite(const std::vector<float>& a) {
  return std::all_of(a.begin(), a.end(), [](float x) { return std::isfinite(x); });
}

// A vehicle made as a click makes it, switched to initial-state mode as the
// mode button does (the current frame evaluated again), driven flat out.
void StartDriving(CommandScene& s, float steer) {
  s.view->setStateMode(0);
  GVStepFrame(0, 1);
  s.frame = 0;
  DriveInputs& in = GVDriveInputs();
  in.gear = 1;
  in.driveMode = 2;
  in.throttle = 1.0f;
  in.steerTarget = steer;
}

}  // namespace

TEST(VehicleCommands, RewindAndLoopReplayTheSameStatesBitForBit) {
  CommandScene s;
  GVMakeVehicle(1, 0, 0, 0, 32);
  StartDriving(s, 30.0f);
  constexpr int32_t kFrames = 60;
  std::vector<std::vector<float>> first;
  for (int32_t f = 1; f <= kFrames; ++f) {
    s.PlayTo(f);
    first.push_back(VehicleState(s.Vehicle()));
    ASSERT_TRUE(AllFinite(first.back())) << f;
  }
  // Rewound to the start, then brought back to it by the loop.
  GVStepFrame(0, 0);
  s.frame = 0;
  for (int32_t f = 1; f <= kFrames; ++f) {
    s.PlayTo(f);
    ASSERT_EQ(VehicleState(s.Vehicle()), first[f - 1]) << "replay frame " << f;
  }
  HWorld* w = s.World();
  GVSetWorldLoop(w, 1);
  w->params.loopStart = 0;
  w->params.loopLength = kFrames;
  GVAdvanceFrame();  // past the loop's end: back to its start
  EXPECT_EQ(GVFrameClock().currentFrame, 0);
  for (int32_t f = 1; f <= kFrames; ++f) {
    GVAdvanceFrame();
    ASSERT_EQ(VehicleState(s.Vehicle()), first[f - 1]) << "loop frame " << f;
  }
  EXPECT_GT(std::fabs(s.Vehicle()->heading), 29.0f);
}

// A Geo bound to the body after a drive: the rebuilt vehicle, the same one
// replaying the same drive, carries it to the same places as the old one did,
// following the body; the vehicle deleted, the Geo is let go.
TEST(VehicleCommands, GeosOnTheBodyAreLetGoWithTheVehicleAndFollowItsRebuild) {
  constexpr int32_t kDriven = 30;
  CommandScene s;
  GVMakeVehicle(1, 0, 0, 0, 32);
  StartDriving(s, 0.0f);
  s.PlayTo(kDriven);
  HObject* body = s.Jel(s.Vehicle()->bodyJel);
  float box[6];
  GVJelBoundingBox(body->state, kFrameCommitted, box);
  // A small box inside the body, bound to it.
  const geotest::V3 lo = {0.75f * box[0] + 0.25f * box[1], 0.75f * box[2] + 0.25f * box[3], 0.75f * box[4] + 0.25f * box[5]};
  const geotest::V3 hi = {0.25f * box[0] + 0.75f * box[1], 0.25f * box[2] + 0.75f * box[3], 0.25f * box[4] + 0.75f * box[5]};
  GObject* g = geotest::makeGeo(60, "BodyMesh", geotest::boxCorners(lo, hi), geotest::boxTriangles());
  ASSERT_NE(g, nullptr);
  ObjHandle* cell = new ObjHandle;
  cell->object = g;
  g->handle = cell;
  GVAddGeoToScene(GVScene().geoList, cell);
  GVUpdateJelDeform(body, 0);
  ASSERT_EQ(GVMassocGeo(g, body), 0);
  g->flags |= GEO_FLAG_VERTEX_BINDING | GEO_FLAG_BOUND;
  // The body and the Geo at the start and at the end of the drive.
  auto run = [&](float place[2][2][3]) {
    body = s.Jel(s.Vehicle()->bodyJel);
    StartDriving(s, 0.0f);
    for (int k = 0; k < 2; ++k) {
      s.PlayTo(k * kDriven);
      GVGetGroupCentre(body->state, 1, kFrameCommitted, kAxesAll, place[k][0]);
      GeoCentroid(g, place[k][1]);
    }
  };
  float before[2][2][3], after[2][2][3];
  run(before);

  GVMakeVehicle(1, 0, 0, 0, 32);
  body = s.Jel(s.Vehicle()->bodyJel);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(g->jel, body);
  EXPECT_EQ(g->jelId, body->id);
  EXPECT_NE(g->flags & GEO_FLAG_BOUND, 0u);
  run(after);
  EXPECT_GT(after[1][0][0] - after[0][0][0], 1.0f);  // the body did move
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(after[1][1][k] - after[0][1][k], after[1][0][k] - after[0][0][k], 0.1f) << k;
    for (int f = 0; f < 2; ++f) EXPECT_NEAR(after[f][1][k], before[f][1][k], 1e-3f) << f << k;
  }

  // Gone with the vehicle: the Geo is let go, and frames run without it.
  GVDeleteVehicle();
  EXPECT_EQ(g->jel, nullptr);
  EXPECT_EQ(g->flags & GEO_FLAG_BOUND, 0u);
  s.PlayTo(kDriven + 50);
}

TEST(VehicleCommands, WheelKindModeBindsTheWheelGeosToTheNewWheels) {
  CommandScene s;
  GVMakeVehicle(1, 0, 0, 1, 32);
  EXPECT_EQ(GVVehicleWheelGeosOk(), 1);
  int32_t ids[kVehicleJelIds];
  GVVehicleJelIds(s.Vehicle(), ids);
  StartDriving(s, 0.0f);
  s.PlayTo(90);
  for (int k = 0; k < 4; ++k) {
    HObject* wheel = s.Jel(ids[kVehicleWheelSlots[k]]);
    GObject* g = s.Geo(kWheelGeoNames[k]);
    ASSERT_TRUE(wheel && g) << k;
    EXPECT_EQ(wheel->nodeCount, 18);
    float c[3], gc[3];
    GVGetGroupCentre(wheel->state, 1, kFrameCommitted, kAxesAll, c);
    GeoCentroid(g, gc);
    EXPECT_LT(std::hypot(gc[0] - c[0], gc[1] - c[1], gc[2] - c[2]), 0.1f) << kWheelGeoNames[k];
  }
}
