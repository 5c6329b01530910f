#include "driven_vehicle.h"

#include <algorithm>
#include <cmath>

#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "scene/app_lifecycle.h"
#include "scene/frame_driver.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_build.h"
#include "vehicle/vehicle_commands.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_setup.h"

namespace {

}  // namespace

DrivenVehicle::DrivenVehicle(int32_t flags, int32_t nA, int32_t nB, bool settle) : in(GVDriveInputs()) {
  in = DriveInputs();
  in.noCounterDrive = 1;
  SceneServices sv;
  GVInstallVehicleServices(&sv);
  GVSetSceneServices(sv);
  GVAppStartup();
  // A floor wide enough for the runs.
  const float bounds[6] = {-200.0f, 200.0f, 0.0f, 400.0f, -200.0f, 200.0f};
  for (int k = 0; k < 6; ++k) GVScene().bounds[k] = bounds[k];
  GVScene().vehicle = GVNewVehicle();
  v = GVVehicleOf(GVScene().vehicle);
  int32_t ids[kVehicleJelIds], groups[9];
  for (int k = 0; k < kVehicleJelIds; ++k) ids[k] = k + 1;
  for (int k = 0; k < 9; ++k) groups[k] = -5 - k;
  GVBuildVehicle2x2(v, World(), ids, groups, 1.0f, nA, nB, flags);
  GVVehicleFirstSettings(v);
  GVVehicleSettle(v);
  if (!settle) return;
  PlayTo(200);
  static const float kZero[3] = {0, 0, 0};
  GVVehicleForEachJel(v, [](HObject* j) {
    if (j->state) j->state->setPartVelocity(1, kFrameCommitted, kAxesAll, kZero);
  });
  GVSelStoreFrame(World(), v->groupChassis, 0);
  frame = -1;
}

DrivenVehicle::DrivenVehicle(VehicleClick click) : in(GVDriveInputs()), made(true) {
  in = DriveInputs();
  GVAppStartup();
  const float bounds[6] = {-1e4f, 1e4f, 0.0f, 1e4f, -1e4f, 1e4f};
  for (int k = 0; k < 6; ++k) GVScene().bounds[k] = bounds[k];
  World()->params.stateMode = -1;
  GVMakeVehicle(click.kind, click.nA, click.nB, 0, 32);
  v = GVVehicleOf(GVScene().vehicle);
  World()->params.stateMode = 0;
  GVStepFrame(0, 1);
  frame = 0;
  in.noCounterDrive = 1;  // as the vehicle controls set it for a new vehicle
}

DrivenVehicle::~DrivenVehicle() {
  if (made) GVDeleteVehicle();
  GVDeleteSceneVehicle();
  GVScene().vehicle = nullptr;
  GVAppShutdown();
  GVSetSceneServices(SceneServices());
  GVFrameClock() = FrameClock();
  in = DriveInputs();
}

HWorld* DrivenVehicle::World() const { return GVScene().world ? *GVScene().world : nullptr; }

HObject* DrivenVehicle::Jel(int32_t id) const { return GVVehicleJel(World(), id); }

void DrivenVehicle::PlayTo(int32_t target) {
  while (frame < target) GVStepFrame(++frame, 1);
}

void DrivenVehicle::Centre(float c[3]) const {
  c[0] = c[1] = c[2] = 0.0f;
  if (HObject* j = Jel(v->chassisJel)) GVGetGroupCentre(j->state, 1, kFrameCommitted, kAxesAll, c);
}

// The chassis's lattice frame at its heading node: x forward, y up.
static bool chassisFrame(const DrivenVehicle& d, float t[9]) {
  HObject* j = d.Jel(d.v->chassisJel);
  float o[3];
  return j && j->state && HBState::nodeTangents(j->state, d.v->headingNode > 0 ? d.v->headingNode : 1, o, t);
}

float DrivenVehicle::Heading() const {
  float t[9];
  return chassisFrame(*this, t) ? std::atan2(-t[2], t[0]) : 0.0f;
}

float DrivenVehicle::Tilt() const {
  float t[9];
  if (!chassisFrame(*this, t)) return 180.0f;
  const float c = t[4] / std::sqrt(t[3] * t[3] + t[4] * t[4] + t[5] * t[5]);
  return std::acos(std::fmax(-1.0f, std::fmin(1.0f, c))) * 57.29578f;
}

float DrivenVehicle::LowestY() const {
  float low = 1e30f;
  GVVehicleForEachJel(v, [&](HObject* j) {
    for (int32_t i = 1; j->state && i <= j->nodeCount; ++i) low = std::min(low, j->state->pos[i][1]);
  });
  return low;
}
