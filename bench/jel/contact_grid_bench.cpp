// Octree build and query speed: a Geo-sized grid of 100k triangles and a
// million point queries against it.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "jel/contact_grid.h"

namespace {

constexpr int kTriangles = 100000;
constexpr int kQueries = 1000000;
constexpr float kBox = 100.0f;
constexpr float kFace = 0.5f;  // typical face size against a 100-unit box

struct Triangle {
  float a[3], b[3], c[3];
};

// Small triangles scattered through the box, as the faces of many meshes.
std::vector<Triangle> makeTriangles() {
  std::mt19937 rng(42);
  std::uniform_real_distribution<float> where(1.0f, kBox - 1.0f);
  std::uniform_real_distribution<float> offset(-kFace, kFace);
  std::vector<Triangle> tris(kTriangles);
  for (Triangle& t : tris) {
    const float c[3] = {where(rng), where(rng), where(rng)};
    for (int i = 0; i < 3; ++i) {
      t.a[i] = c[i] + offset(rng);
      t.b[i] = c[i] + offset(rng);
      t.c[i] = c[i] + offset(rng);
    }
  }
  return tris;
}

void buildGrid(ContactGrid* grid, const std::vector<Triangle>& tris) {
  GVOctreeSetup(grid, 0, 0, 0, kBox, kBox, kBox, kFace, kTriangles);
  for (int i = 0; i < kTriangles; ++i)
    GVOctreeAddTriangle(grid, i + 1, tris[i].a, tris[i].b, tris[i].c, 4 * kFace * kFace);
}

void BM_OctreeBuild100kTriangles(benchmark::State& state) {
  const std::vector<Triangle> tris = makeTriangles();
  ContactGrid* grid = GVNewContactGrid();
  for (auto _ : state) {
    buildGrid(grid, tris);
    benchmark::DoNotOptimize(grid->root);
  }
  state.SetItemsProcessed(state.iterations() * kTriangles);
  GVFreeContactGrid(grid);
}
BENCHMARK(BM_OctreeBuild100kTriangles)->Unit(benchmark::kMillisecond);

void BM_OctreeBuild100kPoints(benchmark::State& state) {
  const std::vector<Triangle> tris = makeTriangles();
  ContactGrid* grid = GVNewContactGrid();
  for (auto _ : state) {
    GVOctreeSetup(grid, 0, 0, 0, kBox, kBox, kBox, kFace, kTriangles);
    for (int i = 0; i < kTriangles; ++i) GVOctreeAddItem(grid, i + 1, tris[i].a[0], tris[i].a[1], tris[i].a[2]);
    benchmark::DoNotOptimize(grid->root);
  }
  state.SetItemsProcessed(state.iterations() * kTriangles);
  GVFreeContactGrid(grid);
}
BENCHMARK(BM_OctreeBuild100kPoints)->Unit(benchmark::kMillisecond);

void BM_OctreeQuery1MPoints(benchmark::State& state) {
  const std::vector<Triangle> tris = makeTriangles();
  ContactGrid* grid = GVNewContactGrid();
  buildGrid(grid, tris);
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> where(0.0f, kBox);
  std::vector<float> points(3 * kQueries);
  for (float& p : points) p = where(rng);
  int64_t hits = 0;
  for (auto _ : state) {
    for (int q = 0; q < kQueries; ++q) {
      int32_t x, y, z;
      if (!GVOctreeLocate(grid, &points[3 * q], &x, &y, &z)) continue;
      hits += GVOctreeQuery(grid, x, y, z)[0];
    }
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(state.iterations() * kQueries);
  state.counters["hits/query"] =
      benchmark::Counter(static_cast<double>(hits) / (static_cast<double>(state.iterations()) * kQueries));
  GVFreeContactGrid(grid);
}
BENCHMARK(BM_OctreeQuery1MPoints)->Unit(benchmark::kMillisecond);

}  // namespace
