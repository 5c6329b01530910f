// Frames per second of the driven 2x2 vehicle as the build button makes it
// (kind 1: nA 9, nB 8, body and suspension) on one thread: full throttle,
// forward, steering toward 50 degrees, from its initial state.
#include <benchmark/benchmark.h>

#include "driven_vehicle.h"
#include "dynamics/world.h"

static void BM_DrivenVehicleFrame(benchmark::State& state) {
  DrivenVehicle d(VehicleClick{1});
  d.in.gear = 1;
  d.in.driveMode = 2;
  d.in.throttle = 1.0f;
  d.in.steerTarget = 50.0f;
  for (auto _ : state) {
    d.PlayTo(d.frame + 1);
    benchmark::DoNotOptimize(d.v->speed);
  }
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["substeps"] = double(d.World()->params.subSteps);
}
BENCHMARK(BM_DrivenVehicleFrame)->Unit(benchmark::kMillisecond)->Iterations(300);
