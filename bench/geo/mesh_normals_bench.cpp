// Face and vertex normals of a deformed 160 x 160 vertex grid on one thread,
// as a bound Geo makes them every frame. BM_VertexNormalsFromLists reads each
// vertex's own face and weight lists (one allocation each) the way the pass did
// before it read them from one flat copy: the two give the same normals.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "geo/geo_object.h"
#include "geo/mesh_derived.h"
#include "geo/mesh_normals.h"
#include "jel/vector_math.h"
#include "records/heap_string.h"

namespace {

constexpr int kSide = 160;  // vertices per side

std::unique_ptr<GObject> waveGrid() {
  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  GVSetString(&desc.name, "grid");
  desc.vertexCount = kSide * kSide;
  desc.triangleCount = (kSide - 1) * (kSide - 1) * 2;
  auto geo = std::make_unique<GObject>();
  GVBuildGeoFromDesc(geo.get(), &desc, 1);
  for (int j = 0, v = 1; j < kSide; ++j)
    for (int i = 0; i < kSide; ++i, ++v) {
      desc.baseVertices[v][0] = 0.1f * static_cast<float>(i);
      desc.baseVertices[v][1] = 0.3f * std::sin(0.2f * static_cast<float>(i)) * std::cos(0.15f * static_cast<float>(j));
      desc.baseVertices[v][2] = 0.1f * static_cast<float>(j);
    }
  for (int j = 0, t = 1; j + 1 < kSide; ++j)
    for (int i = 0; i + 1 < kSide; ++i) {
      const int32_t a = j * kSide + i + 1;
      desc.triangles[t][0] = a;
      desc.triangles[t][1] = a + kSide;
      desc.triangles[t++][2] = a + 1;
      desc.triangles[t][0] = a + 1;
      desc.triangles[t][1] = a + kSide;
      desc.triangles[t++][2] = a + kSide + 1;
    }
  GVResetGeoMeshDesc(&desc);
  GVSetString(&desc.name, nullptr);
  GVRebuildGeo(geo.get());
  GVCalcGeoFaceNormals(geo.get());
  return geo;
}

void fromLists(const GObject* g, const IntList* faces, const FloatList* weights, GVFloat3* out) {
  for (int32_t i = 1; i <= g->vertexCount; ++i) {
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (int32_t j = 0; j < faces[i].count; ++j) {
      const int32_t f = faces[i].items[j];
      if (f < 1 || f > g->triangleCount) continue;
      const float w = j < weights[i].count ? weights[i].items[j] : 0.0f;
      for (int k = 0; k < 3; ++k) sum[k] += w * g->faceNormals[f][k];
    }
    GVVecNormalise(sum, out[i]);
  }
}

void BM_FaceNormals(benchmark::State& state) {
  auto geo = waveGrid();
  for (auto _ : state) {
    GVCalcGeoFaceNormals(geo.get());
    benchmark::DoNotOptimize(geo->faceNormals[1][0]);
  }
  state.counters["faces"] = geo->triangleCount;
}
BENCHMARK(BM_FaceNormals)->Unit(benchmark::kMicrosecond);

void BM_VertexNormals(benchmark::State& state) {
  auto geo = waveGrid();
  for (auto _ : state) {
    GVCalcGeoVertexNormals(geo.get());
    benchmark::DoNotOptimize(geo->vertexNormals[1][0]);
  }
  state.counters["vertices"] = geo->vertexCount;
}
BENCHMARK(BM_VertexNormals)->Unit(benchmark::kMicrosecond);

void BM_VertexNormalsFromLists(benchmark::State& state) {
  auto geo = waveGrid();
  for (auto _ : state) {
    fromLists(geo.get(), geo->vertexFaceLists, geo->vertexLists3, geo->vertexNormals);
    fromLists(geo.get(), geo->vertexToFaceLists, geo->vertexToFaceLists2, geo->vertexVectors);
    benchmark::DoNotOptimize(geo->vertexNormals[1][0]);
  }
  state.counters["vertices"] = geo->vertexCount;
}
BENCHMARK(BM_VertexNormalsFromLists)->Unit(benchmark::kMicrosecond);

}  // namespace
