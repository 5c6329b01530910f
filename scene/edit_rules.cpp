#include "scene/edit_rules.h"

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "geo/mesh_normals.h"
#include "jel/jel_object.h"
#include "scene/display_settings.h"
#include "records/heap_string.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

const SceneServices& services() { return GVSceneServices(); }
bool viewThere() { return GVMainWindowExists() && GVViewExists(); }

// The view's state words; a missing entry reads as free.
bool viewToolActive() { return services().viewToolActive && services().viewToolActive() != 0; }
bool viewBusy() { return services().viewBusy && services().viewBusy() != 0; }

CameraRec* viewCamera() { return services().viewCamera ? services().viewCamera() : nullptr; }

void status(const char* text) {
  if (services().showStatusLine) services().showStatusLine(text);
}
void beep() {
  if (services().beep) services().beep();
}
// A refusal the user is told about.
int32_t refuse(const char* text) {
  status(text);
  beep();
  return 1;
}

// 1 when the cleaner left the name as typed; else beeps. Without a cleaner no
// name can be vouched for.
bool nameAccepted(char* name) {
  if (!name || !services().checkRenameName) return false;
  if (services().checkRenameName(name) == 1) return true;
  beep();
  return false;
}

int32_t stateMode() {
  const HWorld* world = GVWorldOf(GVScene().world);
  return world ? world->params.stateMode : 0;
}

bool geoKeyFramed(const GObject* g) { return g->keyTrack && g->keyTrack->firstKey; }

}  // namespace

int32_t GVRenameGeo(char* name, int32_t id) {
  const SceneServices& s = services();
  if (!GVRenderStarted() || !s.createGeoRenderObj || !s.destroyGeoRenderObj || id < 1 || !viewThere()) return 0;
  ObjHandle* list = GVScene().geoList;
  ObjHandle* cell = GVFindGeo(list, id);
  GObject* geo = GVGeoOf(cell);
  if (!geo) return 0;
  const CameraRec* cam = viewCamera();
  const int32_t mode = cam ? cam->geoDisplayMode : 1;
  if (!nameAccepted(name)) return 0;
  if (GVFindGeoByName(GVGeoListOf(list), name) != 0) {
    refuse("Warning: GEO object NOT re-named. New name is not unique.");
    return 0;
  }
  // A script material is tied to the old name's objects: the Geo shows its
  // own material while they are rebuilt, and takes the script back after.
  const bool script = geo->materialType == 2;
  if (script) {
    geo->materialType = 1;
    if (s.assignGeoMaterial) s.assignGeoMaterial(id);
    if (s.setGeoMaterial) s.setGeoMaterial(id, mode);
  }
  s.destroyGeoRenderObj(geo);
  GVSetString(&geo->name, name);
  s.createGeoRenderObj(id, 16, GEO_SEL_RESET_BOUND);
  if (script) {
    geo->materialType = 2;
    if (s.setGeoMaterial) s.setGeoMaterial(id, mode);
  }
  status("GEO object re-named.");
  return 1;
}

int32_t GVRenameJel(char* name, int32_t id) {
  const SceneServices& s = services();
  if (!GVRenderStarted() || !s.createJelRenderObj || !s.destroyJelRenderObj || id < 1 || !viewThere()) return 0;
  HWorld** world = GVScene().world;
  HObject* jel = GVJelOf(GVFindJel(world, id));
  if (!jel) return 0;
  const CameraRec* cam = viewCamera();
  const int32_t mode = cam ? cam->jelDisplayMode : 1;
  if (!nameAccepted(name)) return 0;
  if (GVFindJelByName(GVWorldOf(world), name) != 0) {
    refuse("Warning: JEL object NOT re-named. New name is not unique.");
    return 0;
  }
  s.destroyJelRenderObj(jel);
  GVSetString(&jel->name, name);
  s.createJelRenderObj(id, mode);
  status("JEL object re-named.");
  return 1;
}

const char kKeyframedGeoNotice[] = "Keyframed Geo: ... New transform will be lost unless keyframe is re-set";

int32_t GVIsGeoReconfigureBlocked(ObjHandle* cell, int32_t mode) {
  const GObject* geo = GVGeoOf(cell);
  if (!viewThere() || !geo || viewToolActive() || viewBusy()) return 1;
  const bool keyed = geoKeyFramed(geo);
  if ((geo->flags & GEO_FLAG_BOUND) &&
      (mode == 0 || ((geo->flags & GEO_FLAG_VERTEX_BINDING) && (mode == -1 || !keyed))))
    return refuse(
        "Gv warning: Cannot re-configure MASSOC'd GEO ... Clear Geo's Def Mode to re-configure (see Geo Props "
        "editor)");
  if (mode == 0 && GVGeoHasAttachment(cell))
    return refuse("Gv warning: Can only re-configure GEO with ATTACHMENT property in Natural State mode");
  if (keyed) status(kKeyframedGeoNotice);
  return 0;
}

int32_t GVIsJelTransformBlocked(int32_t selection, int32_t mode, int32_t tool) {
  HWorld** world = GVScene().world;
  if (selection < 0) {
    const HWorld* w = GVWorldOf(world);
    for (const HObject* j = w ? w->head : nullptr; j; j = j->next)
      if (GVJelInSel(j, selection) && GVIsJelTransformBlocked(j->id, mode, tool)) return 1;
    return 0;
  }
  if (!viewThere() || !GVFindJel(world, selection)) return 1;
  if (viewToolActive() && (tool == kToolSelect || tool == kToolRotate || tool == kToolScale)) return 1;
  if (viewBusy()) return 1;
  if (mode == -1) {
    if (tool == kToolRotate) return refuse("Gv warning: Cannot rotate Jel in Natural State mode");
    if (tool == kToolMove || tool == kToolMoveAlt)
      return refuse("Gv warning: Jel objects do not 'move' in Natural State mode");
  } else if (mode == 0) {
    if (tool == kToolScale) return refuse("Gv warning: Cannot scale JEL in Initial State mode");
    if (GVJelHasKeyframedGeo(selection))
      return refuse("Gv warning: JEL Initial State NOT re-set if associated GEO object is keyframed");
  }
  return 0;
}

int32_t GVJelHasKeyframedGeo(int32_t selection) {
  if (selection == 0 || stateMode() != 0) return 0;
  const GeoList* list = GVGeoListOf(GVScene().geoList);
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next)
    if ((g->flags & GEO_FLAG_VERTEX_BINDING) && geoKeyFramed(g)) return 1;
  return 0;
}

int32_t GVIsGeoAttachmentFree(ObjHandle* cell) {
  const GObject* geo = GVGeoOf(cell);
  if (!geo || stateMode() == -1) return 0;
  return (geo->flags & GEO_FLAG_VERTEX_BINDING) && !(geo->flags & GEO_FLAG_BOUND) ? 1 : 0;
}

int32_t GVGetGeoDriveModeSafe(ObjHandle* cell, int32_t frame, int32_t mode) {
  const GObject* geo = GVGeoOf(cell);
  return geo ? GVGetGeoDriveMode(frame, geo, mode) : -11;
}

void GVDestroyGeoOgreCB(ObjHandle* cell) {
  GObject* geo = GVGeoOf(cell);
  if (geo && services().destroyGeoRenderObj) services().destroyGeoRenderObj(geo);
}

void GVDestroyJelOgreCB(HObject** cell, int32_t, void*) {
  HObject* jel = GVJelOf(cell);
  if (jel && services().destroyJelRenderObj) services().destroyJelRenderObj(jel);
}

int32_t GVDisplayModeItem(int32_t mode) {
  switch (mode) {
    case 2: return 2;
    case 16: return 3;
    case 32: return 4;
    default: return 1;
  }
}

// A display mode of 1 shows nothing: new parts would stay invisible.
static void showNewParts(int32_t* displayMode, int32_t list) {
  if (*displayMode != 1) return;
  *displayMode = 32;
  if (services().selectDisplayItem) services().selectDisplayItem(list, GVDisplayModeItem(32));
}

void GVCreateOgreVehicleJelObjs(int32_t mode, const int32_t jelIds[15]) {
  const SceneServices& s = services();
  if (!GVRenderStarted() || !s.createJelRenderObj || !jelIds) return;
  for (int i = 0; i < 15; ++i)
    if (jelIds[i] != 0) s.createJelRenderObj(jelIds[i], mode);
  if (CameraRec* cam = viewCamera()) showNewParts(&cam->jelDisplayMode, 1);
}

void GVCreateOgreVehicleGeoObj(int32_t firstId, int32_t mode) {
  const SceneServices& s = services();
  if (!GVRenderStarted() || !s.createGeoRenderObj) return;
  ObjHandle* list = GVScene().geoList;
  for (int32_t id = firstId; id < firstId + 4; ++id) {
    s.createGeoRenderObj(id, mode, GEO_SEL_RESET_BOUND);
    if (GObject* geo = GVGeoOf(GVFindGeo(list, id))) {
      GVCalcGeoFaceNormals(geo);
      GVCalcGeoVertexNormals(geo);
    }
  }
  CameraRec* cam = viewCamera();
  if (cam) showNewParts(&cam->geoDisplayMode, 0);
  if (s.setGeoUVMaterials) s.setGeoUVMaterials(cam ? cam->geoDisplayMode : mode, cam ? cam->jelDisplayMode : mode);
}

namespace {

int32_t refuseStructureEdit(int32_t warning, int32_t jelId) {
  beep();
  if (services().showWarning) services().showWarning(warning, 0, jelId);
  return 0;
}

bool jelHasShape(HWorld** world, int32_t id, int32_t nodes, int32_t faces) {
  const HObject* jel = id > 0 ? GVJelOf(GVFindJel(world, id)) : nullptr;
  return jel && jel->nodeCount == nodes && jel->faceCount == faces;
}

}  // namespace

int32_t GVJelStructureEditAllowed(int32_t jelId, int32_t* vehicleThere) {
  const SceneServices& s = services();
  const SceneRecords& scene = GVScene();
  if (vehicleThere) *vehicleThere = 0;
  ObjHandle* vehicle = scene.vehicle;
  if (!vehicle || !s.vehicleIsEmpty || s.vehicleIsEmpty(vehicle)) return 1;
  if (vehicleThere) *vehicleThere = 1;

  int32_t groups[kSceneVehicleGroups] = {};
  if (s.vehicleGroups) s.vehicleGroups(vehicle, groups);
  // Entries 1 to 6 are the groups of the six parts.
  for (int i = 1; i <= 6; ++i)
    if (groups[i] != 0 && GVJelIdInSel(jelId, groups[i], scene.world)) return refuseStructureEdit(kWarnPartJel, jelId);

  int32_t ids[kSceneVehicleJelIds] = {};
  if (s.vehicleJelIds) s.vehicleJelIds(vehicle, ids);
  const int32_t chassis = ids[0], body = ids[1], suspension = ids[2];
  if (suspension > 0 && jelId == suspension) return refuseStructureEdit(kWarnSuspensionJel, jelId);
  // The one-sided "bike" demo is told by the shape of its chassis and body.
  if (s.vehicleWheelsOneSide && s.vehicleWheelsOneSide(vehicle) &&
      ((jelId == chassis && jelHasShape(scene.world, jelId, 60, 58)) ||
       (jelId == body && jelHasShape(scene.world, jelId, 62, 60))))
    return refuseStructureEdit(kWarnBikeJel, jelId);
  if (scene.display && scene.display->optionInts3[0] != 0) return refuseStructureEdit(kWarnFlyAway, jelId);
  return 1;
}
