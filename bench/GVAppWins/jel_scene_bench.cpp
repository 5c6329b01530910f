// One frame of a loaded scene in the 3-D view at 1280 x 800, taken apart: the
// world stepped one frame (sim_ms), the deformation map and the bound Geo
// brought along (deform_ms), every mirror brought up to date and its buffers
// written (upload_ms), the engine's render (render_ms, finished before the
// clock stops) and the read-back into the view window (readback_ms); not_render
// is the share of the frame that is not the engine's render. The scene: eight
// 10 x 10 x 10-cell Jels falling onto the floor (started again every 300
// frames) and a 50,000-triangle Geo bound to one of them; the second benchmark
// lights it with a shadow-casting point light and texture shadows (the Geo
// casts and receives); the third draws the editing overlays inside the frame
// with every node marked and the glue display on. Run from any folder under an X
// display (xvfb-run); reports milliseconds per frame.
#include <benchmark/benchmark.h>

#include <OGRE/OgreEntity.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "../../tests/dynamics/runner_scene.h"
#include "../../tests/geo/geo_fixtures.h"
#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_lights.h"
#include "GVAppWins/ogre_scene_build.h"
#include "bench_view.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_binding.h"
#include "geo/geo_list.h"
#include "geo/mesh_derived.h"
#include "geo/uv_sets.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "scene/app_lifecycle.h"
#include "scene/display_settings.h"
#include "scene/frame_driver.h"
#include "records/heap_string.h"
#include "scene/light_list.h"
#include "records/obj_handle.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"

// After the window layer's headers, which define the calling-convention macros.
#include <GL/gl.h>

namespace {

// A grid of side x side vertices (2 (side - 1)^2 triangles) in the plane y.
GObject* gridGeo(int side, float x0, float z0, float size, float y) {
  std::vector<geotest::V3> verts;
  for (int i = 0; i < side; ++i)
    for (int j = 0; j < side; ++j)
      verts.push_back({x0 + size * i / (side - 1), y, z0 + size * j / (side - 1)});
  std::vector<geotest::Tri> tris;
  for (int i = 0; i + 1 < side; ++i)
    for (int j = 0; j + 1 < side; ++j) {
      const int a = i * side + j + 1;
      tris.push_back({a, a + 1, a + side + 1});
      tris.push_back({a, a + side + 1, a + side});
    }
  return geotest::makeGeo(1, "bench", verts, tris);
}

void sceneFrames(benchmark::State& state, bool lit, bool overlays = false) {
  GVView view;
  if (!GVBenchStartView(&view, 1280, 800)) {
    state.SkipWithError("the 3-D engine did not start (needs an X display)");
    return;
  }
  GVAppStartup();
  GVViewSceneLinks links = GVViewScene();
  links.bounds = GVScene().bounds;
  GVSetViewSceneLinks(links);
  std::vector<HObject*> jels;
  for (int k = 0; k < 8; ++k) {
    const float corner[3] = {-10.0f + 5.5f * (k % 4), 1.0f + 6.0f * (k / 4), -2.0f};
    HObject* j = MakeDropJel(10, 10, 10, 0.45f, corner, k + 1, -9.81f);
    GVSetString(&j->name, ("jel" + std::to_string(k)).c_str());
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    jels.push_back(j);
  }
  GObject* geo = gridGeo(160, -9.9f, -1.9f, 4.3f, 3.0f);  // 50,562 triangles
  geo->handle = new ObjHandle{geo};
  GVRebuildGeo(geo);
  GVAddGeo(static_cast<GeoList*>(GVScene().geoList->object), geo);
  GVUpdateJelDeform(jels[0], 0);
  GVMassocGeo(geo, jels[0]);
  geo->flags |= GEO_FLAG_VERTEX_BINDING;
  if (lit) {
    // A projected UV set keeps the materials the way they are set here.
    GVAddAllFaces00UVSet(geo);
    GVEnsureGeoMaterials(geo);
    if (GeoMaterial* m = GVGeoMaterialAt(geo, 0)) m->word18 = 3;  // casts and receives
    LightRec* light = GVGetLight(0, GVScene().lights);
    light->kind = 1;
    light->flags = 1;
    light->position[0] = 0.0f;
    light->position[1] = 20.0f;
    light->position[2] = 10.0f;
    GVScene().display->optionInts[0] = kOgreTextureShadows;
  }
  GVBuildOgreScene(16, 32);
  if (overlays) {
    view.world = GVScene().world;
    for (HObject* j : jels) {
      j->markedParts[0] = 2;  // part 1: every node
      for (int32_t n = 2; n <= j->nodeCount; n += 7) j->setNodeGlue(n, j->id == 1 ? 8 : j->id - 1, n - 1);
    }
    view.glueOn = 1;
    view.glueFirst = view.glueSecond = -1;
    view.gluePart = 1;
  }

  using Clock = std::chrono::steady_clock;
  double parts[5] = {};  // simulation, deformation, upload, render, read-back
  auto lap = [](Clock::time_point& t) {
    const Clock::time_point now = Clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - t).count();
    t = now;
    return ms;
  };
  HWorld* world = GVWorldOf(GVScene().world);
  int32_t frame = 0;
  for (auto _ : state) {
    if (frame == 300) {
      state.PauseTiming();
      frame = 0;
      GVAdvanceToFrame(world, 0, GVFrameCallback, nullptr);
      state.ResumeTiming();
    }
    Clock::time_point t = Clock::now();
    GVAdvanceToFrame(world, ++frame, GVFrameCallback, nullptr);
    parts[0] += lap(t);
    GVUpdateJelDeform(jels[0], 0);
    GVDeformGeoFromJel(geo, GVWorldWorkers(world));
    parts[1] += lap(t);
    GVUpdateOgreObjects();
    parts[2] += lap(t);
    GVRenderOgreTargets();
    glFinish();
    parts[3] += lap(t);
    GVReadBackOgreView();
    parts[4] += lap(t);
  }
  const char* names[5] = {"sim_ms", "deform_ms", "upload_ms", "render_ms", "readback_ms"};
  double whole = 0;
  for (int i = 0; i < 5; ++i) {
    whole += parts[i];
    state.counters[names[i]] = parts[i] / static_cast<double>(state.iterations());
  }
  state.counters["not_render"] = whole > 0 ? 1.0 - parts[3] / whole : 0;
  state.counters["triangles"] = geo->triangleCount;

  Ogre::Entity* mirror = GVGeoEntity(geo);
  state.counters["casters"] = mirror && mirror->getCastShadows() ? 1 : 0;

  GVAppShutdown();
  GVBenchStopView(&view);
}

void BM_SceneFrame(benchmark::State& state) { sceneFrames(state, false); }
void BM_LitShadowedSceneFrame(benchmark::State& state) { sceneFrames(state, true); }
void BM_SceneFrameWithOverlays(benchmark::State& state) { sceneFrames(state, false, true); }
BENCHMARK(BM_SceneFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LitShadowedSceneFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK(BM_SceneFrameWithOverlays)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
