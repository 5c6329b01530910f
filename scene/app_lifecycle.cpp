#include "scene/app_lifecycle.h"

#include <new>

#include "dynamics/jel_selection.h"
#include "geo/geo_edits.h"
#include "jel/matter.h"
#include "logic/logic_store.h"
#include "logic/logic_system.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/scene_wide_records.h"
#include "scene/work_folders.h"

static const float kDefaultBounds[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};

// The logic store and its service entries.
static void FreeLogicRecords(SceneRecords& s) {
  if (s.logic) {
    GVRemoveLogicServices();
    GVFreeLogicStore(s.logic);
    delete s.logic;
    s.logic = nullptr;
  }
}

// The vehicle goes before the world and the Geo list it takes its Jels and
// wheel Geos from.
static void RemoveVehicle() {
  if (GVSceneServices().deleteVehicle) GVSceneServices().deleteVehicle();
}

// The logic, the vehicle, the Geo list and the world, in that order. The
// world's destructor deletes every Jel, not only those of group 1.
static void FreeSceneObjects(SceneRecords& s) {
  FreeLogicRecords(s);
  RemoveVehicle();
  if (s.geoList) GVFreeGeoList(&s.geoList);
  if (s.world) {
    GVFreeJelWorld(s.world);
    s.world = nullptr;
  }
}

void GVAppStartup() {
  if (!GVInitFolders()) {
    GVSceneMessage(kNoCurrentDirMessage);
    return;
  }
  SceneRecords& s = GVScene();
  FreeSceneObjects(s);

  s.geoList = new (std::nothrow) ObjHandle;
  if (s.geoList) {
    GVNewGeoList(s.geoList);
    if (!s.geoList->object) {
      delete s.geoList;
      s.geoList = nullptr;
    }
  }
  s.world = new (std::nothrow) HWorld*(nullptr);
  if (s.world && !GVInitWorldHandle(s.world)) {
    delete s.world;
    s.world = nullptr;
  }
  // Whoever deletes a Jel later, no Geo of the scene keeps it.
  if (s.world) GVWatchJelsLeaving(*s.world, &s.geoList);
  for (int i = 0; i < 6; ++i) s.bounds[i] = kDefaultBounds[i];
  GVInitGlobalBlock();
  s.viewPair[0] = s.viewPair[1] = 0;
  GVCreateSceneWideRecords();
  s.logic = new (std::nothrow) LogicSystem;
  if (s.logic && s.context) {
    GVInitLogicStore(s.logic, s.context);
    GVInstallLogicServices();
  } else {
    delete s.logic;
    s.logic = nullptr;
  }
}

void GVAppShutdown() {
  SceneRecords& s = GVScene();
  GVFreeSceneContext();
  FreeSceneObjects(s);
  GVFreeSceneWideRecords();
}
