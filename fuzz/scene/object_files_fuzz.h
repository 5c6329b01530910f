// Shared pieces of the scene and object file fuzz targets: one scene of the
// process's records with the vehicle's services, the input as an open file,
// and a fingerprint of everything a read may change, so that a read that
// fails can be shown to have changed nothing; an import that reads is played
// a few frames, and no Geo may hold a Jel that is not the world's.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "scene/app_lifecycle.h"
#include "scene/display_settings.h"
#include "scene/frame_driver.h"
#include "scene/geo_id_blocks.h"
#include "scene/light_list.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_file_services.h"
#include "vehicle/vehicle_link_services.h"

struct FuzzFileScene {
  FuzzFileScene() {
    SceneServices sv;
    sv.showMessage = [](const char*) {};
    GVInstallVehicleFileServices(&sv);
    GVInstallVehicleLinkServices(&sv);
    GVSetSceneServices(sv);
    GVAppStartup();
    GVSetWorldThreads(GVWorldOf(GVScene().world), 1);  // one core: no worker pool
    GVCameraInit(&camera);
  }
  // Imports add to the scene: it is emptied now and then so that runs stay short.
  void keepSmall() {
    int32_t n = 0;
    for (HObject* j = GVWorldOf(GVScene().world)->head; j; j = GVNextJel(j)) ++n;
    for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next) ++n;
    if (n > 24) empty();
  }
  void empty() {
    if (GVSceneServices().replaceVehicle) GVSceneServices().replaceVehicle(nullptr, nullptr);
    GVDeleteEveryJel(GVScene().world);
    GVDeleteGeos(GVScene().geoList, -1);
  }
  // Every Jel a Geo is bound, cell bound or attached to is in the world.
  static void checkGeoJels() {
    HWorld* w = GVWorldOf(GVScene().world);
    auto listed = [w](const HObject* jel) {
      for (HObject* j = w->head; j; j = GVNextJel(j))
        if (j == jel) return true;
      return jel == nullptr;
    };
    for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next) {
      if (!listed(g->jel) || (g->jel && g->jelId > 0 && g->jel->id != g->jelId)) __builtin_trap();
      for (const GeoCellBind* b : {g->cellBind, g->cellBind2})
        if (b && !listed(b->jel)) __builtin_trap();
    }
  }
  // Three frames played from frame 0, checked after each.
  static void playFew() {
    checkGeoJels();
    for (int32_t f = 0; f <= 2; ++f) {
      GVStepFrame(f, 1);
      checkGeoJels();
    }
  }
  std::string fingerprint() const {
    SceneRecords& sc = GVScene();
    std::string s;
    for (HObject* j = GVWorldOf(sc.world)->head; j; j = GVNextJel(j))
      s += "J" + std::to_string(j->id) + "/" + std::to_string(j->groupMask) + (j->name ? j->name : "");
    for (GObject* g = GVGeoListOf(sc.geoList)->head; g; g = g->next)
      s += "G" + std::to_string(g->id) + ">" + std::to_string(g->jelId) + (g->name ? g->name : "");
    for (float b : sc.bounds) s += std::to_string(b);
    s += "L" + std::to_string(sc.lights ? sc.lights->count : -1) + "B" + std::to_string(GVGeoIdBlocks().count);
    if (sc.display)
      for (int32_t w : sc.display->frameWords) s += "," + std::to_string(w);
    s += "V" + std::to_string(sc.vehicle != nullptr) + "E" + std::to_string(camera.eye[0]);
    return s;
  }
  CameraRec camera;
  CameraRec* cell = &camera;
  char* notes = nullptr;
};

// The bytes as a rewound temporary file; null when none could be made.
inline FILE* FuzzFileOf(const uint8_t* data, size_t size) {
  FILE* f = std::tmpfile();
  if (!f) return nullptr;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  return f;
}

// Each import option in turn, one per input.
inline int32_t FuzzNextImportOptions() {
  static const int32_t kOptions[] = {1, 2, 4, 6, 8 | 4, 8 | 2, 2 | 4 | 8, 16 | 2, 32};
  static unsigned turn = 0;
  return kOptions[turn++ % (sizeof kOptions / sizeof kOptions[0])];
}

// Runs one import of the bytes over an empty scene and, when it reads and
// holds no vehicle, the same bytes again over what it made, so that every id
// in the file collides and must be moved; an import that fails must leave the
// scene as it was.
// The scene is emptied again at the end, so that an input frees what it made
// and libFuzzer does not take the scene's growth for a leak to re-check.
template <typename Import>
void FuzzImport(FuzzFileScene& scene, const uint8_t* data, size_t size, Import import) {
  const int32_t options = FuzzNextImportOptions();
  scene.empty();
  for (int32_t pass = 0; pass < 2; ++pass) {
    FILE* f = FuzzFileOf(data, size);
    if (!f) break;
    const std::string before = scene.fingerprint();
    int32_t geoId = 0, jelId = 0;
    const int32_t rc = import(f, options, &geoId, &jelId);
    std::fclose(f);
    if (rc != 0) {
      if (scene.fingerprint() != before) __builtin_trap();
      break;
    }
    FuzzFileScene::playFew();
    if (GVScene().vehicle) break;  // a second vehicle only replaces the first
  }
  scene.empty();
}
