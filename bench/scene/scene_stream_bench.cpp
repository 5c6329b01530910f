// Save and load speed of whole scenes: 20 Jels of 1000 nodes, recorded
// through 300 frames (a Jel keeps at most 100 of them), written to and read from a real file by the scene writer
// and reader. Reports the file's bytes per second each way.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/frame_store.h"
#include "jel/matter.h"
#include "scene/app_lifecycle.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_stream.h"

namespace {

constexpr int32_t kJels = 20;
constexpr int32_t kFrames = 300;

// The scene's records holding 20 blocks of 10 x 10 x 10 nodes, played and
// recorded through 300 frames.
struct BigScene {
  BigScene() {
    GVAppStartup();
    GVCameraInit(&camera);
    HWorld* world = GVWorldOf(GVScene().world);
    for (int32_t k = 0; k < kJels; ++k) {
      LatticeSpec spec;
      spec.cellSize = 0.5f;
      spec.nx = spec.ny = spec.nz = 10;
      LatticeBuilder b;
      GVInitLatticeBuilder(&spec, &b);
      GVGridFillAll(&b);
      MatterProps matter;
      GVSetMatterDefaults(&matter);
      HObject* j = GVCreateJelFromBuilder(&b, k + 1, kFrames, kFrames, &matter);
      GVFreeLatticeBuilder(&b);
      const float at[3] = {-10.0f + 5.0f * (k % 5), 3.0f + 6.0f * (k / 5), 0.0f};
      GVTranslateJel(at, j);
      j->restoreFrame(kFrameInitial);
      j->storeFrame(kFrameInitial);
      j->playParams.mode = kWorldRecord;
      j->handle = new HObject*(j);
      GVAddJelToScene(GVScene().world, j->handle);
    }
    world->params.mode = kWorldRecord;
    for (int32_t f = 1; f <= kFrames; ++f) {
      GVRunWorldToFrame(world, f, nullptr, nullptr);
      GVRecordCurrentFrame(world);
    }
    storedSlots = GVFrameStoreLast(world->head->frameStore);
  }
  ~BigScene() { GVAppShutdown(); }
  int32_t write(FILE* f) {
    SceneRecords& sc = GVScene();
    return GVWriteSceneStream(f, sc.geoList, sc.world, sc.logic, sc.vehicle, sc.bounds, &cell, sc.lights, sc.display,
                              sc.options, &notes);
  }
  int32_t read(FILE* f) {
    SceneRecords& sc = GVScene();
    return GVReadSceneStreamFile(f, sc.geoList, sc.world, sc.logic, &cell, &notes);
  }
  CameraRec camera;
  CameraRec* cell = &camera;
  char* notes = nullptr;
  int32_t storedSlots = 0;
};

BigScene& Scene() {
  static BigScene scene;
  return scene;
}

long FileBytes(FILE* f) {
  std::fseek(f, 0, SEEK_END);
  return std::ftell(f);
}

void BM_SaveScene(benchmark::State& state) {
  BigScene& scene = Scene();
  long bytes = 0;
  for (auto _ : state) {
    FILE* f = std::tmpfile();
    if (scene.write(f) != 0) state.SkipWithError("the scene was not written");
    std::fflush(f);
    bytes = FileBytes(f);
    std::fclose(f);
  }
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["stored_slots"] = scene.storedSlots;
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_SaveScene)->Unit(benchmark::kMillisecond);

void BM_LoadScene(benchmark::State& state) {
  BigScene& scene = Scene();
  FILE* f = std::tmpfile();
  scene.write(f);
  std::fflush(f);
  const long bytes = FileBytes(f);
  for (auto _ : state) {
    std::rewind(f);
    if (scene.read(f) != 0) state.SkipWithError("the scene was not read");
  }
  std::fclose(f);
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_LoadScene)->Unit(benchmark::kMillisecond);

}  // namespace
