// Frames per second of the driven 2x2 vehicle (nA 9, nB 8, body and
// suspension) on one thread: full throttle, forward, steering toward 50
// degrees, from the settled state.
#include <benchmark/benchmark.h>

#include "driven_vehicle.h"
#include "dynamics/world.h"
#include "vehicle/vehicle_build.h"

static void BM_DrivenVehicleFrame(benchmark::State& state) {
  DrivenVehicle d(kBuildBody, 9, 8, true);
  d.in.gear = 1;
  d.in.driveMode = 2;
  d.in.throttle = 1.0f;
  d.in.steerTarget = 50.0f;
  d.PlayTo(0);
  for (auto _ : state) {
    d.PlayTo(d.frame + 1);
    benchmark::DoNotOptimize(d.v->speed);
  }
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["substeps"] = double(d.World()->params.subSteps);
}
BENCHMARK(BM_DrivenVehicleFrame)->Unit(benchmark::kMillisecond)->Iterations(300);
