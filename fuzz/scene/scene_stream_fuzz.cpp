// Feeds arbitrary bytes, as a scene file, to the scene reader over one scene
// of the process's records. A scene that reads is written and must read again.
#include <cstdint>
#include <cstdio>

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "scene/app_lifecycle.h"
#include "records/heap_string.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/scene_stream.h"
#include "vehicle/vehicle_file_services.h"

namespace {

struct FuzzScene {
  FuzzScene() {
    SceneServices sv;
    sv.showMessage = [](const char*) {};
    GVInstallVehicleFileServices(&sv);
    GVSetSceneServices(sv);
    GVAppStartup();
    GVSetWorldThreads(GVWorldOf(GVScene().world), 1);  // one core: no worker pool
    GVCameraInit(&camera);
  }
  int32_t read(FILE* f) {
    SceneRecords& sc = GVScene();
    return GVReadSceneStreamFile(f, sc.geoList, sc.world, sc.logic, &cell, &notes);
  }
  int32_t write(FILE* f) {
    SceneRecords& sc = GVScene();
    return GVWriteSceneStream(f, sc.geoList, sc.world, sc.logic, sc.vehicle, sc.bounds, &cell, sc.lights, sc.display,
                              sc.options, &notes);
  }
  CameraRec camera;
  CameraRec* cell = &camera;
  char* notes = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzScene scene;
  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  if (scene.read(f) == 0) {
    std::rewind(f);
    if (scene.write(f) != 0) __builtin_trap();
    std::fflush(f);
    std::rewind(f);
    if (scene.read(f) != 0) __builtin_trap();
  }
  std::fclose(f);
  return 0;
}
