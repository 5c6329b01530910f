// Composing a full-HD screen of 200 windows of which 20 were redrawn since the
// last frame: the per-frame cost of the compositor (and, with a display, of
// sending the changed areas to it).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
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

// Screen pixels covered by the changed layers (their union), the least any
// compositor must copy.
size_t changedArea(const std::vector<GVLayer>& layers, const std::vector<size_t>& changed) {
  std::vector<uint8_t> mask(size_t(1920) * 1080, 0);
  for (size_t i : changed) {
    RECT v = GVRectIntersect(GVLayerVisibleRect(layers[i]), RECT{0, 0, 1920, 1080});
    for (int y = v.top; y < v.bottom; y++) std::fill_n(mask.begin() + y * 1920 + v.left, v.right - v.left, 1);
  }
  return size_t(std::count(mask.begin(), mask.end(), 1));
}

void ComposeFullHd200Windows20Changed(benchmark::State& state) {
  Scene scene;
  GVCompositor c;
  c.resize(1920, 1080);
  c.compose(scene.layers);
  // Each frame changes the next 20 layers in steps of 7; the sets repeat every
  // 10 frames.
  std::vector<size_t> changedPerFrame;
  for (size_t f = 0, k = 0; f < 10; f++) {
    std::vector<size_t> changed;
    for (int i = 0; i < 20; i++, k = (k + 7) % scene.surfaces.size()) changed.push_back(k);
    changedPerFrame.push_back(changedArea(scene.layers, changed));
  }
  size_t next = 0, frame = 0;
  size_t pixels = 0, changed = 0;
  for (auto _ : state) {
    changed += changedPerFrame[frame++ % changedPerFrame.size()];
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
  state.counters["changed_pixels_per_frame"] =
      benchmark::Counter(static_cast<double>(changed), benchmark::Counter::kAvgIterations);
  state.counters["recomposed_over_changed"] = changed ? static_cast<double>(pixels) / changed : 0.0;
}
BENCHMARK(ComposeFullHd200Windows20Changed)->Unit(benchmark::kMillisecond);

}  // namespace
