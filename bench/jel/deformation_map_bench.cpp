// Point location and tracking in a deformed 20 x 20 x 20-cell lattice.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "jel/deformation_map.h"
#include "grid_lattice.h"

namespace {

constexpr int kCells = 20;
constexpr int kPoints = 100000;

struct Scene {
  std::unique_ptr<LatticeBuilder> grid = MakeGrid(kCells + 1, kCells + 1, kCells + 1, 0.5f);
  std::unique_ptr<GridLattice> lattice;
  std::vector<float> points;

  Scene() {
    GVGridFillAll(grid.get());
    lattice = std::make_unique<GridLattice>(grid.get());
    // A twist about z and a bend: every cell is deformed differently.
    for (int32_t i = 1; i <= lattice->n; ++i) {
      float* p = lattice->pos[i];
      const float a = 0.03f * p[2];
      const float x = p[0] * std::cos(a) - p[1] * std::sin(a);
      const float y = p[0] * std::sin(a) + p[1] * std::cos(a);
      p[0] = x;
      p[1] = y + 0.02f * p[2] * p[2];
    }
    GVUpdateLatticeDeform(&lattice->view, 0);
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> local(0.0f, 1.0f);
    points.resize(size_t(kPoints) * 3);
    for (int k = 0; k < kPoints; ++k) {
      GeoVertBind rec{lattice->view.id, lattice->node(1 + int32_t(rng() % kCells), 1 + int32_t(rng() % kCells),
                                                    1 + int32_t(rng() % kCells)),
                      local(rng), local(rng), local(rng)};
      GVLatticeEvalTrilinear(&lattice->view, &rec, &points[size_t(k) * 3]);
    }
  }
};

Scene& scene() {
  static Scene s;
  return s;
}

void BM_LocatePoints(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) {
    GeoVertBind rec;
    for (int k = 0; k < kPoints; ++k) {
      rec = GeoVertBind{};
      benchmark::DoNotOptimize(GVLatticeLocatePoint(&s.lattice->view, &s.points[size_t(k) * 3], &rec));
    }
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_LocatePoints)->Unit(benchmark::kMillisecond);

void BM_TrackPoints(benchmark::State& state) {
  Scene& s = scene();
  std::vector<GeoVertBind> recs(kPoints);
  for (int k = 0; k < kPoints; ++k) GVLatticeLocatePoint(&s.lattice->view, &s.points[size_t(k) * 3], &recs[k]);
  for (auto _ : state) {
    for (int k = 0; k < kPoints; ++k)
      benchmark::DoNotOptimize(GVLatticeTrackPoint(&s.lattice->view, &s.points[size_t(k) * 3], &recs[k]));
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_TrackPoints)->Unit(benchmark::kMillisecond);

void BM_UpdateDeform(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) GVUpdateLatticeDeform(&s.lattice->view, 0);
  state.SetItemsProcessed(state.iterations() * s.lattice->n);
}
BENCHMARK(BM_UpdateDeform);

}  // namespace
