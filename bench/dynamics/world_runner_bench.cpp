// Frames per second of the world runner: eight 10x10x10-cell Jels falling
// onto the floor of the scene box (no Jel-against-Jel collision), on one
// thread and on four.
#include <benchmark/benchmark.h>

#include "dynamics/world.h"
#include "dynamics/constraint_cmds.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world_runner.h"
#include "dynamics/world_services.h"
#include "runner_scene.h"

static void BM_WorldFrames(benchmark::State& st) {
  // The frame driver's services: the wall records are re-applied in their passes.
  WorldServices sv = GVWorldServices();
  GVInstallRunnerServices(&sv);
  GVInstallConstraintServices(&sv);
  GVSetWorldServices(sv);
  HWorld world;
  GVSetWorldThreads(&world, static_cast<int32_t>(st.range(0)));
  SceneDriver drv;
  AttachDriver(&world, &drv);
  int32_t id = 1;
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 4; ++col) {
      const float corner[3] = {-11.5f + 6.0f * col, 2.0f, -11.0f + 12.0f * row};
      GVAddJel(&world, MakeDropJel(10, 10, 10, 0.5f, corner, id++, -9.81f));
    }
  GVResetSelToWorld(&world, -1);
  GVAdvanceToFrame(&world, 0, SceneFrameCB, SceneAfterCB);
  int32_t frame = 0;
  for (auto _ : st) {
    // Restart every 300 frames so the blocks keep falling and landing.
    if (frame == 300) {
      st.PauseTiming();
      frame = 0;
      GVAdvanceToFrame(&world, 0, SceneFrameCB, SceneAfterCB);
      st.ResumeTiming();
    }
    GVAdvanceToFrame(&world, ++frame, SceneFrameCB, SceneAfterCB);
  }
  st.counters["frames_per_s"] = benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
  st.counters["nodes"] = GVJelSelNodeCount(&world, -1);
}
// Long enough to cover several fall-land-rest cycles.
BENCHMARK(BM_WorldFrames)->ArgName("threads")->Arg(1)->Arg(4)->MinTime(3.0)->Unit(benchmark::kMillisecond)->UseRealTime();
