// Point location and tracking in a deformed Jel of 20 x 20 x 20 cells.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "jel/deformation_map.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"

namespace {

constexpr int kCells = 20;
constexpr int kPoints = 100000;

struct Scene {
  HObject* jel = nullptr;
  std::vector<float> points;

  Scene() {
    LatticeSpec spec;
    spec.cellSize = 0.5f;
    spec.nx = spec.ny = spec.nz = kCells + 1;
    LatticeBuilder grid(&spec);
    GVGridFillAll(&grid);
    jel = GVCreateJelFromBuilder(&grid, 1, 0, 0, nullptr);
    // A twist about z and a bend: every cell is deformed differently.
    for (int32_t i = 1; i <= jel->nodeCount; ++i) {
      float* p = jel->pos[i];
      const float a = 0.03f * p[2];
      const float x = p[0] * std::cos(a) - p[1] * std::sin(a);
      const float y = p[0] * std::sin(a) + p[1] * std::cos(a);
      p[0] = x;
      p[1] = y + 0.02f * p[2] * p[2];
    }
    GVUpdateJelDeform(jel, 0);
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> local(0.0f, 1.0f);
    std::vector<int32_t> cells;
    for (int32_t i = 1; i <= jel->nodeCount; ++i)
      if (jel->cellFlag[i]) cells.push_back(i);
    points.resize(size_t(kPoints) * 3);
    for (int k = 0; k < kPoints; ++k) {
      GeoVertBind rec{jel->id, cells[rng() % cells.size()], local(rng), local(rng), local(rng)};
      GVLatticeTrilinear(&rec, jel, &points[size_t(k) * 3]);
    }
  }
  ~Scene() { delete jel; }
};

Scene& scene() {
  static Scene s;
  return s;
}

void BM_LocatePoints(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) {
    for (int k = 0; k < kPoints; ++k) {
      GeoVertBind rec;
      benchmark::DoNotOptimize(GVLocatePointInJel(s.jel, &s.points[size_t(k) * 3], &rec));
    }
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_LocatePoints)->Unit(benchmark::kMillisecond);

void BM_TrackPoints(benchmark::State& state) {
  Scene& s = scene();
  std::vector<GeoVertBind> recs(kPoints);
  for (int k = 0; k < kPoints; ++k) GVLocatePointInJel(s.jel, &s.points[size_t(k) * 3], &recs[k]);
  for (auto _ : state) {
    for (int k = 0; k < kPoints; ++k)
      benchmark::DoNotOptimize(GVLocatePointFromCell(s.jel, &s.points[size_t(k) * 3], &recs[k]));
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_TrackPoints)->Unit(benchmark::kMillisecond);

void BM_UpdateDeform(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) GVUpdateJelDeform(s.jel, 0);
  state.SetItemsProcessed(state.iterations() * s.jel->nodeCount);
}
BENCHMARK(BM_UpdateDeform);

void BM_CreateJel(benchmark::State& state) {
  LatticeSpec spec;
  spec.nx = spec.ny = spec.nz = kCells + 1;
  LatticeBuilder grid(&spec);
  for (auto _ : state) {
    GVGridFillAll(&grid);
    delete GVCreateJelFromBuilder(&grid, 1, 0, 0, nullptr);
  }
}
BENCHMARK(BM_CreateJel)->Unit(benchmark::kMillisecond);

}  // namespace
