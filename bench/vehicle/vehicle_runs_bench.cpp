// The vehicle runs that are too long for the sanitised tests, at their full
// lengths, on the vehicle the build button makes. Each is one run; its figures
// are counters, and a run that breaks what it shows ends with an error.
//   - steering 30 for 120 frames, rewound to frame 0 and replayed, then
//     brought back by the loop: every replayed frame the same state;
//   - the strong drive with rigid wheels, 2,000 frames at full throttle:
//     finite, no node below -0.001, tilt under 20 degrees;
//   - wheel-kind mode, 450 frames at full throttle: every wheel Geo's
//     centroid within 0.1 of its wheel's centre.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "command_scene.h"
#include "driven_vehicle.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_object.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "scene/frame_driver.h"
#include "scene/scene_records.h"
#include "vehicle/vehicle_commands.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_setup.h"
#include "vehicle/wheel_geos.h"

namespace {

void FullThrottle(DriveInputs& in, float steer) {
  in.gear = 1;
  in.driveMode = 2;
  in.throttle = 1.0f;
  in.steerTarget = steer;
}

// As the vehicle tests start a drive: initial-state mode as the mode button
// sets it (the current frame evaluated again), flat out.
void StartDriving(CommandScene& s, float steer) {
  s.view->setStateMode(0);
  GVStepFrame(0, 1);
  s.frame = 0;
  FullThrottle(GVDriveInputs(), steer);
}

bool AllFinite(const std::vector<float>& a) {
  return std::all_of(a.begin(), a.end(), [](float x) { return std::isfinite(x); });
}

void BM_RewindAndLoopReplay(benchmark::State& state) {
  constexpr int32_t kFrames = 120;
  int nonFinite = 0, replayDiffers = 0, loopDiffers = 0;
  for (auto _ : state) {
    CommandScene s;
    GVMakeVehicle(1, 0, 0, 0, 32);
    StartDriving(s, 30.0f);
    std::vector<std::vector<float>> first;
    for (int32_t f = 1; f <= kFrames; ++f) {
      s.PlayTo(f);
      first.push_back(VehicleState(s.Vehicle()));
      nonFinite += AllFinite(first.back()) ? 0 : 1;
    }
    GVStepFrame(0, 0);
    s.frame = 0;
    for (int32_t f = 1; f <= kFrames; ++f) {
      s.PlayTo(f);
      replayDiffers += VehicleState(s.Vehicle()) == first[f - 1] ? 0 : 1;
    }
    HWorld* w = s.World();
    GVSetWorldLoop(w, 1);
    w->params.loopStart = 0;
    w->params.loopLength = kFrames;
    GVAdvanceFrame();  // past the loop's end: back to its start
    for (int32_t f = 1; f <= kFrames; ++f) {
      GVAdvanceFrame();
      loopDiffers += VehicleState(s.Vehicle()) == first[f - 1] ? 0 : 1;
    }
  }
  state.counters["nonfinite frames"] = nonFinite;
  state.counters["replay frames differing"] = replayDiffers;
  state.counters["loop frames differing"] = loopDiffers;
  if (nonFinite + replayDiffers + loopDiffers > 0) state.SkipWithError("the replay left the first run");
}
BENCHMARK(BM_RewindAndLoopReplay)->Unit(benchmark::kSecond)->Iterations(1);

void BM_StrongDriveRigidWheels(benchmark::State& state) {
  constexpr int32_t kFrames = 2000;
  float tilt = 0.0f, lowest = 1e30f, distance = 0.0f;
  bool finite = true;
  for (auto _ : state) {
    DrivenVehicle d(VehicleClick{1});
    GVVehicleSetDriveKind(d.v, 1, 1);  // chassis part 1, rigid wheels
    FullThrottle(d.in, 0.0f);
    float c0[3], c[3];
    d.Centre(c0);
    for (int32_t f = 1; f <= kFrames; ++f) {
      d.PlayTo(f);
      tilt = std::fmax(tilt, d.Tilt());
      lowest = std::fmin(lowest, d.LowestY());
      GVVehicleForEachJel(d.v, [&](HObject* j) { finite = finite && j->state->isFinite(); });
    }
    d.Centre(c);
    distance = std::hypot(c[0] - c0[0], c[2] - c0[2]);
  }
  state.counters["max tilt deg"] = tilt;
  state.counters["lowest node"] = lowest;
  state.counters["distance"] = distance;
  state.counters["finite"] = finite ? 1 : 0;
  if (!finite || !(lowest >= -0.001f) || !(tilt < 20.0f)) state.SkipWithError("the strong drive left its bounds");
}
BENCHMARK(BM_StrongDriveRigidWheels)->Unit(benchmark::kSecond)->Iterations(1);

void BM_WheelKindsFollowTheirWheels(benchmark::State& state) {
  constexpr int32_t kFrames = 450;
  float worst = 0.0f;
  bool found = true;
  for (auto _ : state) {
    CommandScene s;
    GVMakeVehicle(1, 0, 0, 1, 32);
    int32_t ids[kVehicleJelIds];
    GVVehicleJelIds(s.Vehicle(), ids);
    StartDriving(s, 0.0f);
    s.PlayTo(kFrames);
    for (int k = 0; k < 4; ++k) {
      HObject* wheel = s.Jel(ids[kVehicleWheelSlots[k]]);
      const GObject* g = s.Geo(kWheelGeoNames[k]);
      if (!wheel || !g || g->vertexCount < 1) {
        found = false;
        continue;
      }
      float c[3], gc[3] = {};
      GVGetGroupCentre(wheel->state, 1, kFrameCommitted, kAxesAll, c);
      for (int32_t i = 1; i <= g->vertexCount; ++i)
        for (int a = 0; a < 3; ++a) gc[a] += g->vertices[i][a] / float(g->vertexCount);
      worst = std::fmax(worst, std::hypot(gc[0] - c[0], gc[1] - c[1], gc[2] - c[2]));
    }
  }
  state.counters["largest Geo offset"] = worst;
  if (!found || !(worst < 0.1f)) state.SkipWithError("a wheel Geo left its wheel");
}
BENCHMARK(BM_WheelKindsFollowTheirWheels)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
