// One frame of the walls-only 3-D view at 1280 x 800: the engine renders into
// the view texture and the frame is read back into the view window. Run from
// any folder under an X display (xvfb-run).
#include <benchmark/benchmark.h>

#include "bench_view.h"

namespace {

void BM_WallsViewFrame(benchmark::State& state) {
  GVView view;
  if (!GVBenchStartView(&view, 1280, 800 + kViewStripHeight)) {
    state.SkipWithError("the 3-D engine did not start (needs an X display)");
    return;
  }
  for (auto _ : state) GVRedrawView(&view);
  state.counters["width"] = gOgreData->mViewWidth;
  state.counters["height"] = gOgreData->mViewHeight;
  GVBenchStopView(&view);
}
BENCHMARK(BM_WallsViewFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
