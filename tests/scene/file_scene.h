// Fresh scene records with the vehicle's file and link services, and a
// camera and notes of the test's own, for the scene and object file readers.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "scene/app_lifecycle.h"
#include "scene/display_settings.h"
#include "scene/frame_driver.h"
#include "scene/geo_id_blocks.h"
#include "records/heap_string.h"
#include "scene/light_list.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_file_services.h"
#include "vehicle/vehicle_link_services.h"

namespace scenetest {

// Little-endian words and floats of a hand-made file.
struct Words {
  std::vector<unsigned char> b;
  Words& u(uint32_t v) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<unsigned char>(v >> (8 * k)));
    return *this;
  }
  Words& f(float v) {
    uint32_t w;
    std::memcpy(&w, &v, 4);
    return u(w);
  }
};

// Appends to the main program a line of the first Jel command (HDYN_1) whose
// first argument is a Jel-id constant, naming the Jel; null when there is none.
inline LogicLine* AddJelRefLine(LogicSystem* sys, int32_t jelId) {
  if (!sys || !sys->categories || !sys->programs) return nullptr;
  const LogicCategory& dyn1 = sys->categories[kLogicDyn1];
  for (int32_t k = 0; k <= dyn1.highest; ++k) {
    if (!(dyn1.cmds[k].argMask[0] & kLogicQualJel)) continue;
    LogicLine* last = sys->programs[1].first;
    while (last && last->next) last = last->next;
    LogicLine* l = GVLogicInsertLineAfter(sys, 1, last);
    if (!l) return nullptr;
    l->category = kLogicDyn1;
    l->command = k;
    l->argType[0] = kLogicIntConst;
    l->argInt[0] = jelId;
    return l;
  }
  return nullptr;
}

class FileScene : public testing::Test {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { Stop(); }
  void Start() {
    SceneServices sv;
    GVInstallVehicleFileServices(&sv);
    GVInstallVehicleLinkServices(&sv);
    // A view that shows Geos, so that bound Geos follow their Jels in play.
    sv.viewCamera = [] {
      static CameraRec view = [] {
        CameraRec c;
        GVCameraInit(&c);
        c.geoDisplayMode = 1;
        return c;
      }();
      return &view;
    };
    GVSetSceneServices(sv);
    GVAppStartup();
    GVCameraInit(&camera);
    GVFrameClock() = FrameClock();
  }
  void Stop() {
    if (GVSceneServices().deleteVehicle) GVSceneServices().deleteVehicle();
    GVAppShutdown();
    GVDeleteGeoIdBlockList(&GVGeoIdBlocks());
    GVSetSceneServices(SceneServices());
    GVFreeString(&notes);
  }
  void Restart() {
    Stop();
    Start();
  }
  // Everything a read may change, as one text.
  std::string Summary() const {
    SceneRecords& sc = GVScene();
    std::string s;
    for (HObject* j = GVWorldOf(sc.world)->head; j; j = GVNextJel(j))
      s += "J" + std::to_string(j->id) + (j->name ? j->name : "") + " ";
    for (GObject* g = GVGeoListOf(sc.geoList)->head; g; g = g->next)
      s += "G" + std::to_string(g->id) + (g->name ? g->name : "") + ">" + std::to_string(g->jelId) + " ";
    for (float b : sc.bounds) s += std::to_string(b) + ",";
    s += " lights " + std::to_string(sc.lights ? sc.lights->count : -1);
    if (sc.display)
      for (int32_t w : sc.display->frameWords) s += " " + std::to_string(w);
    s += " blocks " + std::to_string(GVGeoIdBlocks().count) + " eye " + std::to_string(camera.eye[2]);
    s += std::string(" notes ") + (notes ? notes : "-");
    return s;
  }
  // No Geo holds a Jel that is not in the world: bound, cell bound or
  // attached.
  static bool GeoJelsListed() {
    HWorld* w = GVWorldOf(GVScene().world);
    auto listed = [&](const HObject* jel) {
      for (HObject* j = w->head; j; j = GVNextJel(j))
        if (j == jel) return true;
      return jel == nullptr;
    };
    for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next) {
      if (!listed(g->jel) || (g->jelId > 0 && !GVGetJelById(w, g->jelId))) return false;
      for (const GeoCellBind* b : {g->cellBind, g->cellBind2})
        if (b && !listed(b->jel)) return false;
      if (g->attach && g->attach->type != 0)
        for (int32_t id : {g->attach->jelStart, g->attach->jelEnd})
          if (id > 0 && !GVGetJelById(w, id)) return false;
    }
    return true;
  }
  static std::vector<float> PlayTo(int32_t last) {
    HWorld* w = GVWorldOf(GVScene().world);
    std::vector<float> out;
    for (int32_t f = 0; f <= last; ++f) GVStepFrame(f, 1);
    for (HObject* j = w->head; j; j = GVNextJel(j))
      for (int32_t i = 1; j->state && i <= j->nodeCount; ++i) out.push_back(j->state->pos[i][1]);
    return out;
  }

  CameraRec camera;
  CameraRec* cameraCell = &camera;
  char* notes = nullptr;
};

}  // namespace scenetest
