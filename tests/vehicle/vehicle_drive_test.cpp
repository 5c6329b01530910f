#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "driven_vehicle.h"
#include "vehicle_scene.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/time_step.h"
#include "scene/frame_driver.h"
#include "scene/scene_services.h"
#include "dynamics/selection_ops.h"
#include "vehicle/vehicle_build.h"
#include "vehicle/vehicle_setup.h"
#include "vehicle/vehicle_jels.h"

namespace {

constexpr float kDeg = 57.29578f;

// Runs the inputs for the frames from the settled vehicle; distance along the
// start heading, turn, largest tilt and lowest node over the run.
struct DriveRun {
  float distance = 0.0f, turn = 0.0f, tilt = 0.0f, lowest = 1e30f, peakSpeed = 0.0f;
  float turns[10] = {};  // turn of each tenth of the run, degrees
};

DriveRun Drive(DrivenVehicle& d, int32_t frames) {
  DriveRun r;
  float c0[3];
  d.Centre(c0);
  const float h0 = d.Heading();
  float last = h0;
  for (int32_t f = 0; f <= frames; ++f) {
    d.PlayTo(f);
    // Unwrapped frame by frame: a fast turn goes round more than once.
    const float h = d.Heading();
    const float step = std::remainder(h - last, 2.0f * 3.1415927f) * kDeg;
    last = h;
    r.turn += step;
    if (f > 0) r.turns[std::min(9, (f - 1) * 10 / frames)] += step;
    r.tilt = std::fmax(r.tilt, d.Tilt());
    r.lowest = std::fmin(r.lowest, d.LowestY());
    r.peakSpeed = std::fmax(r.peakSpeed, d.v->speed);
  }
  float c[3];
  d.Centre(c);
  r.distance = (c[0] - c0[0]) * std::cos(h0) - (c[2] - c0[2]) * std::sin(h0);
  return r;
}

TEST(VehicleBuild, LatticeSizesNamesIdsAndGroups) {
  {
    DrivenVehicle d(kBuildBody, 25, 3, false);
    LatticeDims c{}, b{}, s{};
    d.Jel(d.v->chassisJel)->getLatticeDims(&c);
    d.Jel(d.v->bodyJel)->getLatticeDims(&b);
    d.Jel(d.v->suspensionJel)->getLatticeDims(&s);
    // What the boxes occupy of a 25 x 3 grid (the ladder leaves x points 1
    // and 25 free) and of a 20 x 6 grid (z points 2 .. 5; posts x 2 .. 19).
    EXPECT_EQ(c.maxIndex[0], 23);
    EXPECT_EQ(c.maxIndex[2], 3);
    EXPECT_EQ(b.maxIndex[0], 20);
    EXPECT_EQ(b.maxIndex[2], 4);
    EXPECT_EQ(s.maxIndex[0], 18);
    EXPECT_EQ(s.maxIndex[2], 4);
    static const char* kNames[kVehicleJelIds] = {"V1_chass", "V1_body",  "V1_susp",  "V1_rotAL", "V1_rotBL",
                                                 "V1_rotAR", "V1_rotBR", "V1_motFL", "V1_whlFL", "V1_motFR",
                                                 "V1_whlFR", "V1_motBL", "V1_whlBL", "V1_motBR", "V1_whlBR"};
    int32_t ids[kVehicleJelIds];
    GVVehicleJelIds(d.v, ids);
    for (int k = 0; k < kVehicleJelIds; ++k) {
      HObject* j = d.Jel(ids[k]);
      ASSERT_NE(j, nullptr) << k;
      EXPECT_EQ(ids[k], k + 1);
      EXPECT_STREQ(j->name, kNames[k]);
      EXPECT_TRUE(GVJelInSel(j, d.v->groupChassis)) << kNames[k];
    }
  }
  DrivenVehicle plain(kBuildCrossPlate, 9, 8, false);
  EXPECT_EQ(plain.v->bodyJel, 0);
  EXPECT_EQ(plain.v->suspensionJel, 0);
  ASSERT_NE(plain.Jel(plain.v->chassisJel), nullptr);
  EXPECT_EQ(plain.Jel(2), nullptr);
  // The cross plate is the only cell of the plain chassis on grid layer y 2.
  HAState* s = plain.Jel(plain.v->chassisJel)->state;
  int32_t top = 0;
  for (int32_t i = 1; i <= s->nodeCount; ++i) top += s->gridIndex[i][1] == 3;
  EXPECT_GT(top, 0);
}

TEST(VehicleBuild, RebuildKeepsTheVehicleLinks) {
  DrivenVehicle d(kBuildBody, 9, 8, false);
  for (int32_t id : {d.v->chassisJel, d.v->bodyJel, d.v->suspensionJel}) d.Jel(id)->vehicleLink = 7;
  int32_t ids[kVehicleJelIds], groups[9];
  for (int k = 0; k < kVehicleJelIds; ++k) ids[k] = 20 + k;
  for (int k = 0; k < 9; ++k) groups[k] = -5 - k;
  GVBuildVehicle2x2(d.v, d.World(), ids, groups, 1.0f, 9, 8, kBuildBody);
  for (int32_t id : {20, 21, 22}) {
    ASSERT_NE(d.Jel(id), nullptr);
    EXPECT_EQ(d.Jel(id)->vehicleLink, 7);
  }
  EXPECT_EQ(d.Jel(1), nullptr);
}

void FullThrottle(DrivenVehicle& d) {
  d.in.gear = 1;
  d.in.driveMode = 2;
  d.in.throttle = 1.0f;
}

TEST(VehicleDrive, DrivesForwardTurnsAndStaysUpright) {
  {
    DrivenVehicle d(VehicleClick{1});
    FullThrottle(d);
    const DriveRun r = Drive(d, 150);
    EXPECT_GT(r.distance, 8.0f);  // more than one chassis length
    EXPECT_GT(d.v->speed, 0.0f);
    EXPECT_LT(r.tilt, 20.0f);
    EXPECT_GT(r.lowest, -0.001f);
  }
  DrivenVehicle d(VehicleClick{1});
  FullThrottle(d);
  d.in.steerTarget = 50.0f;
  const DriveRun r = Drive(d, 300);
  EXPECT_GT(std::fabs(r.turn), 30.0f);
  // Steadily: after the first tenth every tenth of the run turns the same way.
  for (int k = 1; k < 10; ++k) EXPECT_GT(r.turns[k] * r.turn, 0.0f) << k << ": " << r.turns[k];
  EXPECT_LT(r.tilt, 20.0f);
  EXPECT_GT(r.lowest, -0.001f);
}

TEST(VehicleDrive, TheStrongDriveStaysFiniteOnTheFloorAndUpright) {
  DrivenVehicle d(VehicleClick{1});
  GVVehicleSetDriveKind(d.v, 1, 1);  // chassis part 1, rigid wheels
  FullThrottle(d);
  const DriveRun r = Drive(d, 200);
  EXPECT_LT(r.tilt, 20.0f);
  EXPECT_GT(r.lowest, -0.001f);
  EXPECT_GT(r.distance, 8.0f);
  GVVehicleForEachJel(d.v, [&](HObject* j) { EXPECT_TRUE(j->state->isFinite()) << j->name; });
}

TEST(VehicleDrive, BrakeNeutralAndNaturalState) {
  float c0[3], c[3];
  {
  DrivenVehicle d(VehicleClick{1});
  d.v->brakeAxles = 3;
  d.Centre(c0);
  d.in.driveMode = 2;
  d.in.throttle = 1.0f;
  DriveRun r = Drive(d, 60);  // gear 0: no drive, no speed
  d.Centre(c);
  EXPECT_NEAR(c[0], c0[0], 0.01f);
  EXPECT_NEAR(c[2], c0[2], 0.01f);
  EXPECT_EQ(r.peakSpeed, 0.0f);

  d.in.gear = 1;
  r = Drive(d, 120);
  const float peak = d.v->speed;
  EXPECT_GT(peak, 0.0f);
  d.in.driveMode = 1;
  const int32_t from = d.frame;
  d.PlayTo(from + 90);
  EXPECT_LT(d.v->speed, 0.5f * peak);
  }

  DrivenVehicle n(kBuildBody, 9, 8, true);
  GVSetWorldStateMode(n.World(), -1);
  n.in.gear = 1;
  n.in.driveMode = 2;
  n.in.throttle = 1.0f;
  n.Centre(c0);
  n.PlayTo(60);
  n.Centre(c);
  EXPECT_NEAR(c[0], c0[0], 0.01f);
  EXPECT_EQ(n.v->speed, 0.0f);
  EXPECT_EQ(n.v->heading, 0.0f);
}

TEST(VehicleDrive, ReadoutCases) {
  float fs, rs, angle, speedUp;
  int32_t body;
  {
    DrivenVehicle d(kBuildBody, 9, 8, false);
    d.in.steerTarget = 50.0f;
    d.v->steerRatio = 0.0f;
    for (int32_t call = 1; call <= 90; ++call) {
      GVUpdateVehicleType2(d.v, d.in);
      ASSERT_FLOAT_EQ(d.v->heading, std::fmin(0.5f * call, 40.0f)) << call;
    }
    // Sc_T 5, scale 1: weak constants unless the wheels are rigid too.
    GVVehicleSetDriveKind(d.v, 1, 0);
    EXPECT_FLOAT_EQ(d.v->driveGain, 20.0f);
    EXPECT_FLOAT_EQ(d.v->limitGain, 400.0f);
    GVVehicleSetDriveKind(d.v, 1, 1);
    EXPECT_FLOAT_EQ(d.v->driveGain, 60.0f);
    EXPECT_FLOAT_EQ(d.v->limitGain, 1250.0f);
    GVVehicleSetDriveKind(d.v, 1, 0);

    d.v->frontSpin = 3.0f;
    d.World()->params.fps = 0;
    GVVehicleDriveInputs(d.v, &fs, &rs, &angle, &body, &speedUp);
    EXPECT_EQ(fs, 0.0f);
    EXPECT_EQ(rs, 0.0f);
    EXPECT_EQ(body, d.v->bodyJel);
    d.World()->params.fps = 30;

    // Front spin over the front wheels present: FL alone, then none.
    d.in.gear = 1;
    d.in.driveMode = 2;
    d.in.throttle = 1.0f;
    d.v->rearGrip = 0.0f;
    GVDeleteVhclPart(d.v->wheelFR);
    d.v->wheelFR = nullptr;
    d.PlayTo(5);
    EXPECT_GT(d.v->frontSpin, 0.0f);
    GVDeleteVhclPart(d.v->wheelFL);
    d.v->wheelFL = nullptr;
    d.PlayTo(6);
    EXPECT_EQ(d.v->frontSpin, 0.0f);
  }
  DrivenVehicle plain(kBuildCrossPlate, 9, 8, false);
  GVVehicleDriveInputs(plain.v, &fs, &rs, &angle, &body, &speedUp);
  EXPECT_EQ(body, 0);
}

}  // namespace

namespace {

// Turn of rotor A against rotor B of a rotator part about y, in radians.
float RotatorTurn(const DrivenVehicle& d, VhclPartRec** cell) {
  float oa[3], fa[9], ob[3], fb[9];
  HBState::nodeTangents(d.Jel((*cell)->jelA)->state, 1, oa, fa);
  HBState::nodeTangents(d.Jel((*cell)->jelB)->state, 1, ob, fb);
  return std::remainder(std::atan2(fb[2], fb[0]) - std::atan2(fa[2], fa[0]), 2.0f * 3.1415927f);
}

TEST(VehicleDrive, SteerRatioSplitsTheAnglesOfInnerAndOuterWheels) {
  // Right minus left turn of the rotators at 40 degrees, without and with a
  // ratio: the ratio turns the left (inner) one by atan(a) instead of a.
  float split[2];
  for (int k = 0; k < 2; ++k) {
    DrivenVehicle d(kBuildBody, 9, 8, false);
    d.v->steerRatio = float(k);
    d.in.steerTarget = 50.0f;
    d.PlayTo(30);  // 10 calls a frame: the angle is at 40 degrees
    ASSERT_FLOAT_EQ(d.v->heading, 40.0f);
    const float right = std::fabs(RotatorTurn(d, d.v->rotorR));
    split[k] = right - std::fabs(RotatorTurn(d, d.v->rotorL));
    EXPECT_NEAR(right, 40.0f / kDeg, 0.08f);
  }
  const float a = 40.0f / kDeg;
  EXPECT_NEAR(split[0], 0.0f, 0.04f);
  EXPECT_NEAR(split[1] - split[0], a - std::atan(a), 0.02f);
}

TEST(VehicleDrive, TheBlockVehicleSteersByItsRateAndNeedsAFullBox) {
  DrivenVehicle d(kBuildCrossPlate, 9, 8, false);
  const float c[3] = {0.0f, 3.0f, 0.0f};
  HObject* block = AddCube(d.World(), 40, c, true);
  VehicleRec v;
  v.world = d.World();
  v.type = 3;
  d.in.steerTarget = 50.0f;
  for (int32_t call = 1; call <= 60; ++call) {
    GVUpdateVehicleType3(&v, block->id, d.in);
    ASSERT_FLOAT_EQ(v.heading, std::fmin(float(call), 50.0f)) << call;
  }
  // The chassis is no full box (its node count is below the product of its
  // extents): nothing happens.
  v.heading = 0.0f;
  GVUpdateVehicleType3(&v, d.v->chassisJel, d.in);
  EXPECT_EQ(v.heading, 0.0f);
}

}  // namespace

namespace {

TEST(VehicleDrive, TheFrameCallbackAsksForTheVehiclesSubstepsTimesItsFactor) {
  DrivenVehicle d(kBuildBody, 9, 8, false);
  const int32_t n = GVSubstepsPerFrame(d.World());
  ASSERT_GT(n, 1);
  d.v->subStepFactor = 1.5f;
  const int32_t k = int32_t(std::ceil(float(n) * 1.5f));
  EXPECT_EQ(GVFrameCallback(nullptr, 0, nullptr), k);
  // In a step the suspension is held (the vehicle steps it on its own), so the
  // count follows the other Jels.
  d.PlayTo(1);
  const int32_t held = GVCalcSubstepsNeeded(d.Jel(d.v->chassisJel)->state);
  EXPECT_EQ(d.World()->params.subSteps, int32_t(std::ceil(float(held) * 1.5f)));
}

}  // namespace

namespace {

// Angular momentum of the vehicle about its centre, and the spin the wheels
// hold about their own centres, from the in-step positions and velocities.
struct Turns {
  double whole[3] = {0, 0, 0};
  double wheelSpin[3] = {0, 0, 0};
};

void InStepCentre(const HAState* s, double c[3], double* mass) {
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    *mass += s->mass[i];
    for (int k = 0; k < 3; ++k) c[k] += s->mass[i] * (s->pos[i][k] + s->disp[i][k]);
  }
}

void AddMoment(const HAState* s, const double c[3], double out[3]) {
  const double inv = 1.0 / s->stepTime();
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    double r[3], u[3];
    for (int k = 0; k < 3; ++k) {
      r[k] = s->pos[i][k] + s->disp[i][k] - c[k];
      u[k] = s->disp[i][k] * inv;
    }
    out[0] += s->mass[i] * (r[1] * u[2] - r[2] * u[1]);
    out[1] += s->mass[i] * (r[2] * u[0] - r[0] * u[2]);
    out[2] += s->mass[i] * (r[0] * u[1] - r[1] * u[0]);
  }
}

Turns MeasureTurns(VehicleRec* v) {
  Turns t;
  double c[3] = {0, 0, 0}, m = 0.0;
  GVVehicleForEachJel(v, [&](HObject* j) { InStepCentre(j->state, c, &m); });
  for (double& x : c) x /= m;
  GVVehicleForEachJel(v, [&](HObject* j) {
    AddMoment(j->state, c, t.whole);
    if (!(j->flags & 32)) return;  // not a wheel
    double own[3] = {0, 0, 0}, mw = 0.0;
    InStepCentre(j->state, own, &mw);
    for (double& x : own) x /= mw;
    AddMoment(j->state, own, t.wheelSpin);
  });
  return t;
}

double Distance(const double a[3], const double b[3]) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// The vehicle step of each sub-step, with the change it makes to the
// vehicle's angular momentum set against the change it makes to the wheels'
// spin.
struct DriveWatch {
  VehicleRec* v = nullptr;
  double spun = 0.0;        // largest change of the wheels' spin in one step
  double imbalance = 0.0;   // largest change of the whole over that of the spin
};
DriveWatch gWatch;

void WatchedDrive(HWorld** world) {
  const bool stepping = gWatch.v->world->params.stepping;
  const Turns before = stepping ? MeasureTurns(gWatch.v) : Turns();
  GVDriveSceneVehicle(world);
  if (!stepping) return;
  const Turns after = MeasureTurns(gWatch.v);
  const double spin = Distance(after.wheelSpin, before.wheelSpin);
  gWatch.spun = std::max(gWatch.spun, spin);
  if (spin > 1.0) gWatch.imbalance = std::max(gWatch.imbalance, Distance(after.whole, before.whole) / spin);
}

// The smallest plain vehicle, full throttle and then reverse at speed. The
// drive spins its wheels up about their axles and carries the vehicle so
// that its own work does not turn it: what the wheels take, the rest of the
// vehicle gives back (to first order in the sub-step's motion). On this short,
// light chassis that reaction lifts the nose and the vehicle tips over; it
// must stay finite and above the floor while it does.
TEST(VehicleDrive, TheSmallestPlainVehicleTurnsBackAgainstItsWheelsAndStaysFinite) {
  DrivenVehicle d(VehicleClick{0, 7, 6});
  gWatch = DriveWatch();
  gWatch.v = d.v;
  SceneServices sv = GVSceneServices();
  sv.driveVehicle = WatchedDrive;
  GVSetSceneServices(sv);
  FullThrottle(d);
  float lowest = Drive(d, 150).lowest;
  d.in.gear = -1;
  for (int32_t f = 151; f <= 240; ++f) {
    d.PlayTo(f);
    lowest = std::fmin(lowest, d.LowestY());
  }
  EXPECT_GT(gWatch.spun, 1.0);
  EXPECT_LT(gWatch.imbalance, 0.25);
  EXPECT_GT(lowest, -0.001f);
  GVVehicleForEachJel(d.v, [&](HObject* j) { EXPECT_TRUE(j->state->isFinite()) << j->name; });
}

}  // namespace
