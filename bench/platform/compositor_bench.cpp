// Composing a full-HD screen of 200 windows of which 20 were redrawn since the
// last frame: the per-frame cost of the compositor (and, with a display, of
// sending the changed areas to it).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "platform/compositor.h"

namespace {

struct Scene {
  std::vector<std::unique_ptr<GVSurface>> surfaces;
  std::vector<GVLayer> layers;
  Scene() {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> w(120, 480), h(80, 360), x(0, 1800), y(0, 1000);
    for (int i = 0; i < 200; i++) {
      auto s = std::make_unique<GVSurface>();
      s->resize(w(rng), h(rng), 0x404040 + i);
      GVLayer l;
      l.key = s.get();
      l.surface = s.get();
      l.origin = POINT{x(rng), y(rng)};
      l.clip = RECT{0, 0, 1920, 1080};
      layers.push_back(l);
      surfaces.push_back(std::move(s));
    }
  }
};

void ComposeFullHd200Windows20Changed(benchmark::State& state) {
  Scene scene;
  GVCompositor c;
  c.resize(1920, 1080);
  c.compose(scene.layers);
  size_t next = 0;
  size_t pixels = 0;
  for (auto _ : state) {
    for (int k = 0; k < 20; k++) {
      GVSurface& s = *scene.surfaces[next];
      s.row(0)[0] ^= 1;
      s.damageAll();
      next = (next + 7) % scene.surfaces.size();
    }
    const std::vector<RECT>& done = c.compose(scene.layers);
    for (const RECT& r : done) pixels += size_t(r.right - r.left) * (r.bottom - r.top);
    benchmark::DoNotOptimize(c.screen().pixels.data());
  }
  state.counters["pixels_per_frame"] =
      benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kAvgIterations);
}
BENCHMARK(ComposeFullHd200Windows20Changed)->Unit(benchmark::kMillisecond);

}  // namespace
