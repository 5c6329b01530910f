// The per-frame refresh of a deformed Geo: normals recomputed and the vertex
// buffers rewritten (GVUpdateOgreGeoMesh) for a 200,704-vertex grid bound to
// a Jel whose nodes move every frame. Run from any folder under an X display
// (xvfb-run); reports vertices per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "../../tests/dynamics/runner_scene.h"
#include "../../tests/geo/geo_fixtures.h"
#include "GVAppWins/ogre_geo_objects.h"
#include "bench_view.h"
#include "geo/geo_binding.h"
#include "geo/geo_list.h"
#include "geo/mesh_derived.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "records/obj_handle.h"
#include "scene/scene_records.h"

namespace {

void BM_DeformedGeoMeshRefresh(benchmark::State& state) {
  GVView view;
  if (!GVBenchStartView(&view, 1280, 800)) {
    state.SkipWithError("the 3-D engine did not start (needs an X display)");
    return;
  }

  // A 4 x 1 x 4 Jel of 4-unit cells and a 448 x 448 grid inside it.
  const float corner[3] = {-8.0f, 2.0f, -8.0f};
  HObject* jel = MakeDropJel(4, 1, 4, 4.0f, corner, 1, 0.0f);
  const int side = 448;
  std::vector<geotest::V3> verts;
  for (int i = 0; i < side; ++i)
    for (int j = 0; j < side; ++j) verts.push_back({-7.9f + 15.8f * i / (side - 1), 4.0f, -7.9f + 15.8f * j / (side - 1)});
  std::vector<geotest::Quad> quads;
  for (int i = 0; i + 1 < side; ++i)
    for (int j = 0; j + 1 < side; ++j) {
      const int a = i * side + j + 1;
      quads.push_back({a, a + 1, a + side + 1, a + side});
    }
  GObject* geo = geotest::makeGeo(1, "bench", verts, {}, quads);
  geo->handle = new ObjHandle;
  geo->handle->object = geo;
  GVRebuildGeo(geo);
  GeoList list;
  GVInitGeoList(&list);
  ObjHandle cell;
  cell.object = &list;
  list.handle = &cell;
  GVAddGeo(&list, geo);
  GVScene().geoList = &cell;
  GVUpdateJelDeform(jel, 0);
  GVMassocGeo(geo, jel);
  geo->flags |= GEO_FLAG_VERTEX_BINDING;
  GVCreateOgreGeoObj(1, 16, -2);

  std::vector<float> rest(static_cast<size_t>(jel->nodeCount + 1) * 3);
  for (int32_t n = 1; n <= jel->nodeCount; ++n)
    for (int k = 0; k < 3; ++k) rest[static_cast<size_t>(n) * 3 + k] = jel->pos[n][k];
  int frame = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++frame;
    for (int32_t n = 1; n <= jel->nodeCount; ++n)
      jel->pos[n][1] = rest[static_cast<size_t>(n) * 3 + 1] + 0.5f * std::sin(0.1f * frame + rest[static_cast<size_t>(n) * 3]);
    GVUpdateJelDeform(jel, 0);
    GVDeformGeoFromJel(geo);
    state.ResumeTiming();
    GVUpdateOgreGeoMesh(geo->handle, -2, 0);
  }
  state.SetItemsProcessed(state.iterations() * geo->vertexCount);
  state.counters["vertices"] = geo->vertexCount;

  GVClearGeoList(&list);
  GVScene().geoList = nullptr;
  delete jel;
  GVBenchStopView(&view);
}
BENCHMARK(BM_DeformedGeoMeshRefresh)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
