// Per-frame update of a large bound Geo: 200k vertices spread through a
// 20 x 20 x 20 node Jel, bound once, then carried by the deformed lattice
// every frame. Reports vertices per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "geo/geo_binding.h"
#include "geo/geo_object.h"
#include "jel/deformation_map.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/vector_math.h"
#include "records/heap_string.h"

namespace {

constexpr int32_t kNodesPerAxis = 20;
constexpr int32_t kVertices = 200000;

struct Scene {
  std::unique_ptr<HObject> jel;
  std::unique_ptr<GObject> geo;
};

// Vertices in mesh order lie near each other (coherent = 1): a fine grid laid
// row by row through the lattice. Scattered (0) is the worst case: every
// vertex in a random cell.
Scene makeScene(bool coherent) {
  {
    Scene out;
    LatticeSpec spec;
    spec.cellSize = 1.0f;
    spec.nx = spec.ny = spec.nz = kNodesPerAxis;
    LatticeBuilder b(&spec);
    GVGridFillAll(&b);
    out.jel.reset(GVCreateJelFromBuilder(&b, 1, 0, 0, nullptr));
    GVUpdateJelDeform(out.jel.get(), 0);
    GeoMeshDesc desc;
    GVInitGeoMeshDesc(&desc);
    GVSetString(&desc.name, "cloud");
    desc.vertexCount = kVertices;
    out.geo = std::make_unique<GObject>();
    GVBuildGeoFromDesc(out.geo.get(), &desc, 1);
    // A deterministic scatter through the lattice (it spans -9.5..9.5).
    uint32_t r = 12345u;
    auto next = [&r] {
      r = r * 1664525u + 1013904223u;
      return float(r >> 8) / float(1u << 24);
    };
    constexpr int32_t kSide = 59;  // 59^3 > kVertices
    for (int32_t i = 1; i <= kVertices; ++i) {
      const int32_t g[3] = {(i - 1) % kSide, ((i - 1) / kSide) % kSide, (i - 1) / (kSide * kSide)};
      for (int a = 0; a < 3; ++a) {
        const float t = coherent ? (float(g[a]) + 0.5f) / float(kSide) : next();
        out.geo->baseVertices[i][a] = out.geo->vertices[i][a] = -9.4f + 18.8f * t;
      }
    }
    GVResetGeoMeshDesc(&desc);
    GVSetString(&desc.name, nullptr);
    GVMassocGeo(out.geo.get(), out.jel.get());
    out.geo->flags |= GEO_FLAG_VERTEX_BINDING;
    // A deformed frame: a turn plus a ripple.
    HObject* j = out.jel.get();
    const float rv[3] = {0.1f, 0.3f, -0.2f};
    float R[9];
    GVRotationFromVector(rv, R);
    for (int32_t i = 1; i <= j->nodeCount; ++i) {
      float p[3];
      GVMat3MulVec(p, R, j->pos[i]);
      for (int a = 0; a < 3; ++a) j->pos[i][a] = p[a] + 0.1f * std::sin(0.7f * float(i % 97) + float(a));
    }
    GVUpdateJelDeform(j, 0);
    return out;
  }
}

Scene& scene(int coherent) {
  static Scene s[2] = {makeScene(false), makeScene(true)};
  return s[coherent ? 1 : 0];
}

// FNV-1a over the bits of every vertex: a faster pass must leave it as it was.
double vertexHash(const GObject* geo) {
  uint32_t h = 2166136261u;
  for (int32_t i = 1; i <= geo->vertexCount; ++i)
    for (int a = 0; a < 3; ++a) {
      uint32_t bits;
      std::memcpy(&bits, &geo->vertices[i][a], sizeof bits);
      for (int b = 0; b < 32; b += 8) h = (h ^ ((bits >> b) & 0xffu)) * 16777619u;
    }
  return double(h);
}

void BM_DeformBoundGeo(benchmark::State& state) {
  Scene& s = scene(int(state.range(0)));
  for (auto _ : state) {
    GVDeformGeoFromJel(s.geo.get());
    benchmark::DoNotOptimize(s.geo->vertices[kVertices][0]);
  }
  state.SetItemsProcessed(state.iterations() * kVertices);
  state.counters["vertex_hash"] = vertexHash(s.geo.get());
}
BENCHMARK(BM_DeformBoundGeo)->ArgName("coherent")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole after-frame share of the Geo: deformation map and vertices.
void BM_DeformMapAndGeo(benchmark::State& state) {
  Scene& s = scene(int(state.range(0)));
  for (auto _ : state) {
    GVUpdateJelDeform(s.jel.get(), 0);
    GVUpdateGeoAfterFrame(s.geo.get(), 1, 0);
    benchmark::DoNotOptimize(s.geo->vertices[1][0]);
  }
  state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(BM_DeformMapAndGeo)->ArgName("coherent")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
