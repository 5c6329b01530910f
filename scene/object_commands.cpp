#include "scene/object_commands.h"

#include <cstdio>
#include <new>

#include "dynamics/world.h"
#include "geo/geo_edits.h"
#include "geo/geo_from_jel.h"
#include "geo/geo_jel_links.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "scene/app_selection.h"
#include "scene/command_steps.h"
#include "scene/geo_id_blocks.h"
#include "records/heap_string.h"
#include "scene/object_import.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

constexpr size_t kNameCapacity = 128;

// A copy of the Geo under the name and the next id, appended; 0 when memory
// ran out or the copy was refused (nothing is left behind).
int32_t appendGeoCopy(ObjHandle* list, ObjHandle* source, const char* name) {
  ObjHandle* cell = new (std::nothrow) ObjHandle;
  if (!cell) return 0;
  if (!GVNewGeoCopy(cell, source, name, GVNextGeoId(list))) {
    delete cell;
    return 0;
  }
  GObject* geo = GVGeoOf(cell);
  if (geo->id < 1) {  // a refused copy leaves a default Geo in the cell
    delete geo;
    delete cell;
    return 0;
  }
  GVAddGeoToScene(list, cell);
  return geo->id;
}

// The vehicle's part groups (chassis, the six parts, all), when the scene has
// a vehicle that is not empty; false otherwise.
bool vehicleGroups(int32_t groups[kSceneVehicleGroups]) {
  const SceneServices& sv = GVSceneServices();
  ObjHandle* vehicle = GVScene().vehicle;
  if (!vehicle || !sv.vehicleGroups || (sv.vehicleIsEmpty && sv.vehicleIsEmpty(vehicle))) return false;
  sv.vehicleGroups(vehicle, groups);
  return true;
}

// The emptied vehicle goes with its driving entries.
void dropEmptyVehicle() {
  const SceneServices& sv = GVSceneServices();
  ObjHandle* vehicle = GVScene().vehicle;
  if (vehicle && sv.vehicleIsEmpty && sv.vehicleIsEmpty(vehicle) && sv.deleteVehicle) sv.deleteVehicle();
}

// The Jels of the selection go; the Geos let go of them first, so that no
// Geo keeps a Jel that is gone.
void deleteJelSelection(int32_t selection) {
  SceneRecords& scene = GVScene();
  const SceneServices& sv = GVSceneServices();
  HWorld* world = GVWorldOf(scene.world);
  GeoList* geos = GVGeoListOf(scene.geoList);
  if (sv.refreshJelGeoRenderMeshes) sv.refreshJelGeoRenderMeshes(selection);
  GVReleaseGeosFromJelSel(geos, world, selection);
  GVDeleteJels(scene.world, selection);
  GVRelinkGeosToJels(geos, world);
  if (!GVFindJel(scene.world, GVAppSelection().jelId)) GVAppSelection().jelId = 0;
  dropEmptyVehicle();
  if (sv.updateRenderObjects) sv.updateRenderObjects();
  GVAfterObjectsDeleted();
  if (sv.redrawView) sv.redrawView();
  if (sv.showObjectInfo) sv.showObjectInfo();
}

// The view's current Geo (a selection) or Jel; 0 without a view.
int32_t viewCurrent(bool jel) {
  const SceneServices& sv = GVSceneServices();
  int32_t* (*record)() = jel ? sv.currentJelRecord : sv.currentGeoRecord;
  const int32_t* r = record ? record() : nullptr;
  return r ? r[0] : 0;
}

}  // namespace

void GVCopyGeoCmd(void* mainWindow, int32_t mode) {
  SceneRecords& scene = GVScene();
  ObjHandle* list = scene.geoList;
  ObjHandle* source = GVFindGeo(list, GVAppSelection().geoId);
  if (!mainWindow || !GVCommandCamera() || !source) return;
  int32_t newId = 0;
  if (mode == 0) {
    char name[kNameCapacity];
    GVWriteGeoName(source, name, sizeof name);
    if (GVMakeUniqueGeoName(GVGeoListOf(list), name, sizeof name) < 0) {
      GVRefuseWithStatus(kCopyGeoBadNameMessage, false);
      return;
    }
    newId = appendGeoCopy(list, source, name);
    if (newId) GVTakeNewGeo(GVFindGeo(list, newId), true);
  } else {
    newId = GVInvertGeo(list, GVGeoOf(source)->id, "%s_INV");
    if (!newId) {
      GVRefuseWithStatus(kInvertGeoBadNameMessage, false);
      return;
    }
    GVTakeNewGeo(GVFindGeo(list, newId), false);
  }
  if (newId) GVShowNewCurrentGeo(newId);
}

void CreateGeoFromJelCB(void* mainWindow) {
  SceneRecords& scene = GVScene();
  ObjHandle* list = scene.geoList;
  if (!mainWindow || !GVCommandCamera() || !GVGeoListOf(list) || !GVWorldOf(scene.world)) return;
  int32_t newId = 0;
  const int32_t jelId = GVAppSelection().jelId;
  if (HObject* jel = GVJelOf(GVFindJel(scene.world, jelId))) {
    char name[kNameCapacity];
    std::snprintf(name, sizeof name, "G%s", jel->name ? jel->name : "");
    if (GVGeoIdOfJel(jelId, list) != 0) {
      GVSceneMessage(kGeoFromJelBoundExistsMessage);
      return;
    }
    if (GVFindGeoByName(GVGeoListOf(list), name) != 0) {
      GVSceneMessage(kGeoFromJelExistsMessage);
      return;
    }
    newId = GVCreateGeoFromJel(list, jel, name);
  }
  GVRaiseDisplayMode(false);
  if (newId && !GVTakeNewGeoById(newId, "CreateGeoFromJelCB")) return;
  GVShowNewCurrentGeo(newId);
}

void GVCopyJelCmd(void* mainWindow) {
  SceneRecords& scene = GVScene();
  HWorld* world = GVWorldOf(scene.world);
  const int32_t sourceId = GVAppSelection().jelId;
  HObject* source = GVJelOf(GVFindJel(scene.world, sourceId));
  if (!mainWindow || !GVCommandCamera() || !world || !source) return;
  int32_t groups[kSceneVehicleGroups] = {};
  if (vehicleGroups(groups)) {
    for (int k = 1; k <= 6; ++k)
      if (groups[k] != 0 && GVJelIdInSel(sourceId, groups[k], scene.world)) {
        GVRefuseWithStatus(kCopyVehicleJelMessage, true);
        return;
      }
  }
  char name[kNameCapacity];
  GVGetJelName(source->handle, name, sizeof name);
  GVMakeUniqueJelName(world, name, sizeof name);
  if (!name[0]) {
    GVRefuseWithStatus(kCopyJelBadNameMessage, false);
    return;
  }
  const int32_t newId = GVNextJelId(scene.world);
  HObject** cell = GVNewJel();
  if (!cell) return;
  HObject* copy = *cell;
  if (!copy->copyFrom(source, newId)) {
    GVDeleteJelHandle(cell);
    return;
  }
  GVSetString(&copy->name, name);
  copy->id = newId;
  GVAddJelToScene(scene.world, cell);
  copy->computeFaceNormals();
  copy->computeNodeNormals();
  const SceneServices& sv = GVSceneServices();
  if (sv.createJelRenderObj) sv.createJelRenderObj(newId, GVCommandDisplayMode(true));
  GVShowNewCurrentJel(newId, 0);
}

void GVDeleteGeoCmd(void* mainWindow) {
  SceneRecords& scene = GVScene();
  const int32_t selection = viewCurrent(false);
  GeoList* geos = GVGeoListOf(scene.geoList);
  if (!mainWindow || !GVCommandCamera() || selection == 0 || !geos) return;
  for (GObject* g = geos->head; g; g = g->next) {
    if (!GVGeoMatches(g->handle, selection)) continue;
    g->flags &= ~uint32_t(GEO_FLAG_VERTEX_BINDING);
    GVClearGeoIdFromBlocks(g->id);
  }
  GVDeleteGeos(scene.geoList, selection);
  if (!GVFindGeo(scene.geoList, GVAppSelection().geoId)) GVAppSelection().geoId = 0;
  GVAfterObjectsDeleted();
  const SceneServices& sv = GVSceneServices();
  if (sv.renderFrame) sv.renderFrame();
  if (sv.showObjectInfo) sv.showObjectInfo();
}

void GVDeleteJelCmd(void* mainWindow) {
  SceneRecords& scene = GVScene();
  const int32_t jelId = viewCurrent(true);
  if (!mainWindow || !GVCommandCamera() || !GVWorldOf(scene.world) || !GVFindJel(scene.world, jelId)) return;
  deleteJelSelection(jelId);
}

void GVDeleteVehicleGeosCmd(void* mainWindow) {
  SceneRecords& scene = GVScene();
  int32_t groups[kSceneVehicleGroups] = {};
  if (!mainWindow || !vehicleGroups(groups)) return;
  GVDeleteMatchingGeos(scene.geoList, scene.vehicle);
  GVReleaseStuckTransformTool();
  const SceneServices& sv = GVSceneServices();
  if (sv.redrawView) sv.redrawView();
}

void GVDeleteVehicleJelsCmd(void* mainWindow) {
  SceneRecords& scene = GVScene();
  int32_t groups[kSceneVehicleGroups] = {};
  if (!mainWindow || !GVCommandCamera() || !GVWorldOf(scene.world) || !vehicleGroups(groups) || groups[0] == 0)
    return;
  GeoList* geos = GVGeoListOf(scene.geoList);
  for (const char* wheel : {"GWheelFL", "GWheelFR", "GWheelBL", "GWheelBR"})
    if (const int32_t id = GVFindGeoByName(geos, wheel)) GVDeleteGeos(scene.geoList, id);
  deleteJelSelection(groups[0]);
}
