#include "scene/scene_holders.h"

#include <new>
#include <utility>

#include "dynamics/world.h"
#include "logic/program_store.h"
#include "records/heap_string.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

SceneHolders::SceneHolders() {
  GVInitGeoList(&geos);
  GVInitDisplaySettings(&display);
  GVInitSceneOpts(&options);
}

SceneHolders::~SceneHolders() {
  // The vehicle first: freeing it deletes its Jels from the holders' world.
  if (vehicle && GVSceneServices().freeVehicle) GVSceneServices().freeVehicle(vehicle);
  GVClearGeoList(&geos);
  delete world;
  GVLogicFreeLines(&logic);
  GVFreeLightListArray(&lights);
  GVFreeDisplaySettingsText(&display);
  GVClearSceneOptsParts(&options);
  GVFreeString(&notes);
  GVDeleteGeoIdBlockList(&blocks);
}

void GVLogicTempInit(LogicSystem* sys) {
  if (!sys) return;
  *sys = LogicSystem{};
  sys->minSubSteps = 1;
  sys->word14 = 1;
}

HWorld* GVHolderWorld(SceneHolders& h) {
  if (!h.world) {
    h.world = new (std::nothrow) HWorld;
    // A Jel the reader or the import filter drops lets go of the Geos read.
    GVWatchJelsLeavingList(h.world, &h.geos);
  }
  return h.world;
}

LogicSystem* GVHolderLogic(SceneHolders& h, const LogicSystem* target) {
  GVLogicFreeLines(&h.logic);
  GVLogicTempInit(&h.logic);
  h.logic.categories = target ? target->categories : nullptr;
  h.logic.highestCategory = kLogicCategories - 1;
  h.haveLogic = true;
  return &h.logic;
}

DisplaySettings* GVHolderDisplayFromScene(SceneHolders& h) {
  const DisplaySettings* scene = GVScene().display;
  if (!h.haveDisplay && scene) {
    char* name = h.display.imageName;
    h.display = *scene;
    h.display.imageName = name;
    GVSetString(&h.display.imageName, scene->imageName ? scene->imageName : "");
  }
  h.haveDisplay = true;
  return &h.display;
}

namespace {

template <typename T>
T* processWide(T*& record, T* (*init)(T*)) {
  if (!record) {
    T* made = new (std::nothrow) T;
    if (made) record = init(made);
  }
  return record;
}

LightList* newLightList(LightList* l) {
  *l = LightList{0, nullptr};
  return l;
}

}  // namespace

// Nothing here can fail but a handle cell; such an object is dropped rather
// than left unreachable.
void GVReplaceScene(SceneHolders& h, ObjHandle* geoList, HWorld** world, LogicSystem* logic, CameraRec** camera,
                    char** notes) {
  SceneRecords& sc = GVScene();
  const SceneServices& sv = GVSceneServices();
  // The old vehicle goes first, while its Jels are still the world's to delete.
  if (sv.replaceVehicle) sv.replaceVehicle(nullptr, nullptr);
  GVDeleteEveryJel(world);
  GVDeleteGeos(geoList, -1);
  if (h.world) GVMoveJelsInto(world, h.world);
  if (h.haveGeos) GVMoveGeosInto(geoList, &h.geos);
  if (h.vehicle && sv.replaceVehicle && GVWorldOf(world)) {
    sv.replaceVehicle(h.vehicle, GVWorldOf(world));
    h.vehicle = nullptr;
  }
  if (h.haveLogic && logic) {
    GVLogicFreeLines(logic);
    std::swap(logic->programs, h.logic.programs);
    std::swap(logic->programCount, h.logic.programCount);
    logic->layoutFlag = h.logic.layoutFlag;
    logic->storedWord = h.logic.storedWord;
  }
  if (h.haveBounds)
    for (int k = 0; k < 6; ++k) sc.bounds[k] = h.bounds[k];
  if (h.haveCamera && camera && *camera) GVCopyCamera(&h.camera, *camera);
  if (h.haveLights && processWide(sc.lights, newLightList)) std::swap(*sc.lights, h.lights);
  if (h.haveDisplay && processWide(sc.display, GVInitDisplaySettings)) std::swap(*sc.display, h.display);
  if (h.haveOptions && processWide(sc.options, GVInitSceneOpts)) std::swap(*sc.options, h.options);
  if (h.haveNotes && notes) std::swap(*notes, h.notes);
  if (h.haveBlocks) std::swap(GVGeoIdBlocks(), h.blocks);
}
