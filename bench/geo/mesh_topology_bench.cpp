// Seam and coincident-vertex searches and the whole derived-data rebuild on a
// mesh of about 100k vertices made of separate patches, so that every patch
// border is a seam of coincident vertices.
#include <benchmark/benchmark.h>

#include <memory>

#include "geo/geo_object.h"
#include "geo/mesh_derived.h"
#include "geo/mesh_topology.h"
#include "records/heap_string.h"

namespace {

constexpr int kPatches = 19;   // per side
constexpr int kCells = 16;     // cells per patch side

std::unique_ptr<GObject> patchedSheet() {
  const int per = (kCells + 1) * (kCells + 1);
  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  GVSetString(&desc.name, "sheet");
  desc.vertexCount = kPatches * kPatches * per;
  desc.triangleCount = kPatches * kPatches * kCells * kCells * 2;
  auto geo = std::make_unique<GObject>();
  GVBuildGeoFromDesc(geo.get(), &desc, 1);
  int32_t v = 1, t = 1;
  for (int py = 0; py < kPatches; ++py) {
    for (int px = 0; px < kPatches; ++px) {
      const int32_t base = v;
      for (int j = 0; j <= kCells; ++j) {
        for (int i = 0; i <= kCells; ++i, ++v) {
          const int gx = px * kCells + i, gz = py * kCells + j;
          desc.baseVertices[v][0] = static_cast<float>(gx) * 0.1f;
          desc.baseVertices[v][1] = 0.02f * static_cast<float>((gx * 7 + gz * 3) % 5);
          desc.baseVertices[v][2] = static_cast<float>(gz) * 0.1f;
        }
      }
      for (int j = 0; j < kCells; ++j) {
        for (int i = 0; i < kCells; ++i) {
          const int32_t a = base + j * (kCells + 1) + i;
          desc.triangles[t][0] = a;
          desc.triangles[t][1] = a + kCells + 1;
          desc.triangles[t++][2] = a + 1;
          desc.triangles[t][0] = a + 1;
          desc.triangles[t][1] = a + kCells + 1;
          desc.triangles[t++][2] = a + kCells + 2;
        }
      }
    }
  }
  GVResetGeoMeshDesc(&desc);
  GVSetString(&desc.name, nullptr);
  GVRebuildGeo(geo.get());
  return geo;
}

void BM_SeamLists(benchmark::State& state) {
  auto geo = patchedSheet();
  for (auto _ : state) {
    geo->flags |= GEO_FLAG_SEAM_LISTS;
    GVBuildGeoSeamLists(geo.get());
    benchmark::DoNotOptimize(geo->seamLists[0].items[0]);
  }
  state.counters["vertices"] = geo->vertexCount;
  state.counters["groups"] = geo->seamLists[0].items[0];
}
BENCHMARK(BM_SeamLists)->Unit(benchmark::kMillisecond);

void BM_CoincidentLists(benchmark::State& state) {
  auto geo = patchedSheet();
  for (auto _ : state) {
    GVBuildGeoCoincidentLists(geo.get());
    benchmark::DoNotOptimize(geo->coincidentLists[0].items[0]);
  }
  state.counters["vertices"] = geo->vertexCount;
  state.counters["groups"] = geo->coincidentLists[0].items[0];
}
BENCHMARK(BM_CoincidentLists)->Unit(benchmark::kMillisecond);

void BM_RebuildGeo(benchmark::State& state) {
  auto geo = patchedSheet();
  geo->flags |= GEO_FLAG_SEAM_LISTS;
  for (auto _ : state) {
    GVRebuildGeo(geo.get());
    benchmark::DoNotOptimize(geo->creaseFlags[1]);
  }
  state.counters["vertices"] = geo->vertexCount;
}
BENCHMARK(BM_RebuildGeo)->Unit(benchmark::kMillisecond);

}  // namespace
