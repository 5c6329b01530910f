// Sub-steps (force phase then commit phase) of a cubic Jel block, on one
// thread or on a pool of the given thread count. The block is stretched and spinning so every node's rest links turn
// in every sub-step, as in a running scene. lanes: nodes the sweeps run side by
// side (0: the widest this processor allows).
#include <benchmark/benchmark.h>

#include "jel/live_state.h"
#include "jel/worker_pool.h"
#include "step_block.h"

static void BM_JelSubStep(benchmark::State& st) {
  const int cells = static_cast<int>(st.range(0));
  StepBlock block(cells, cells, cells);
  HAState* s = block.state();
  WorkerPool pool(static_cast<int32_t>(st.range(1)));
  s->workers = st.range(1) > 1 ? &pool : nullptr;
  if (st.range(2) > 0 && st.range(2) <= GVStepLanesAvailable()) s->stepLanes = static_cast<int32_t>(st.range(2));
  for (int i = 1; i <= s->nodeCount; ++i) {
    float* p = s->pos[i];
    p[0] *= 1.05f;
    s->vel[i][0] = -0.5f * p[1];
    s->vel[i][1] = 0.5f * p[0];
  }
  for (auto _ : st) {
    s->computeForces();
    s->integrate();
    benchmark::DoNotOptimize(s->pos[1][0]);
  }
  s->workers = nullptr;
  st.counters["nodes"] = s->nodeCount;
  st.counters["node_substeps_per_s"] =
      benchmark::Counter(static_cast<double>(s->nodeCount), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_JelSubStep)
    ->ArgNames({"cells", "threads", "lanes"})
    ->Args({20, 1, 0})
    ->Args({20, 4, 0})
    ->Args({40, 1, 0})
    ->Args({40, 4, 0})
    ->Args({20, 1, 4})
    ->Args({40, 1, 4})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
