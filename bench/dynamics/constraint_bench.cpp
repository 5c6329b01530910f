// Constraint work of one sub-step on a cubic Jel block, single thread: the
// rigid pose of the whole block, and the scene walls over a block resting on
// the floor.
#include <benchmark/benchmark.h>

#include "dynamics/constraint_cmds.h"
#include "dynamics/dyn_cmd.h"
#include "dynamics/group_ops.h"
#include "dynamics/world.h"
#include "jel/live_state.h"
#include "part_block.h"

static void BM_RigidStep(benchmark::State& st) {
  const int n = static_cast<int>(st.range(0));
  const float origin[3] = {0.0f, 5.0f, 0.0f};
  PartBlock b(n, n, n, 0.25f, origin);
  b.addPart(4, [](int, int, int) { return true; });
  HWorld world;
  HAState* s = b.state();
  GVAddJel(&world, b.release());
  GVSelRigidBegin(&world, 1, 4);
  const float g[3] = {0.0f, -9.8f, 0.0f};
  b.beginStep(g);
  for (auto _ : st) {
    GVSelRigidStep(&world, 1, 4, 3);
    world.cmdCount = 0;  // one record, not one per iteration
    benchmark::DoNotOptimize(s->disp[1][0]);
  }
  st.counters["node_steps_per_s"] =
      benchmark::Counter(static_cast<double>(s->nodeCount), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RigidStep)->Arg(10)->Arg(20)->Unit(benchmark::kMicrosecond);

static void BM_Walls(benchmark::State& st) {
  const int n = static_cast<int>(st.range(0));
  PartBlock b(n, n, n, 0.25f);
  HAState* s = b.state();
  const float box[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};
  const float g[3] = {1.0f, -9.8f, 0.0f};
  b.beginStep(g);
  for (auto _ : st) {
    benchmark::DoNotOptimize(GVConstrainPartToBox(s, 1, kWallsAll, box));
    s->disp[1][1] = -0.01f;
  }
  st.counters["node_steps_per_s"] =
      benchmark::Counter(static_cast<double>(s->nodeCount), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Walls)->Arg(10)->Arg(20)->Unit(benchmark::kMicrosecond);
