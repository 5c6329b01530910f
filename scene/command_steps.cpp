#include "scene/command_steps.h"

#include <cstdio>

#include "camera/camera_record.h"
#include "geo/mesh_normals.h"
#include "logic/object_refs.h"
#include "scene/app_selection.h"
#include "scene/edit_rules.h"
#include "geo/geo_list_services.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

CameraRec* GVCommandCamera() {
  const SceneServices& sv = GVSceneServices();
  return sv.viewCamera ? sv.viewCamera() : nullptr;
}

int32_t GVCommandDisplayMode(bool jel) {
  const CameraRec* cam = GVCommandCamera();
  if (!cam) return 0;
  return jel ? cam->jelDisplayMode : cam->geoDisplayMode;
}

void GVRaiseDisplayMode(bool jel) {
  CameraRec* cam = GVCommandCamera();
  if (!cam) return;
  int32_t& mode = jel ? cam->jelDisplayMode : cam->geoDisplayMode;
  if (mode != 1) return;
  mode = 2;
  const SceneServices& sv = GVSceneServices();
  if (sv.selectDisplayItem) sv.selectDisplayItem(jel ? 1 : 0, GVDisplayModeItem(mode));
}

void GVTakeNewGeo(ObjHandle* cell, bool prepareCollision) {
  GObject* geo = GVGeoOf(cell);
  if (!geo) return;
  if (prepareCollision && GVScene().logic) GVLogicPrepareCollGeo(GVScene().logic, cell);
  GVCalcGeoFaceNormals(geo);
  GVCalcGeoVertexNormals(geo);
  const SceneServices& sv = GVSceneServices();
  constexpr int32_t kTransformSelector = -7;
  if (sv.createGeoRenderObj) sv.createGeoRenderObj(geo->id, GVCommandDisplayMode(false), kTransformSelector);
}

bool GVTakeNewGeoById(int32_t id, const char* caller) {
  ObjHandle* cell = GVFindGeo(GVScene().geoList, id);
  if (!cell) {
    char text[96];
    std::snprintf(text, sizeof text, "%s: bad geo %d", caller, id);
    GVSceneMessage(text);
    return false;
  }
  GVTakeNewGeo(cell, true);
  return true;
}

static void closingSteps(int32_t panelGeo, int32_t panelJel) {
  const SceneServices& sv = GVSceneServices();
  if (sv.updatePanels) sv.updatePanels(panelGeo, panelJel);
  if (sv.redrawView) sv.redrawView();
  if (sv.showObjectInfo) sv.showObjectInfo();
}

void GVShowNewCurrentGeo(int32_t geoId) {
  const SceneServices& sv = GVSceneServices();
  GVAppSelection().geoId = geoId;
  if (sv.resetMoveTool) sv.resetMoveTool();
  if (sv.setViewCurrentGeo) sv.setViewCurrentGeo(geoId);
  closingSteps(geoId, 0);
}

void GVShowNewCurrentJel(int32_t jelId, int32_t panelGeo) {
  const SceneServices& sv = GVSceneServices();
  GVAppSelection().jelId = jelId;
  if (sv.resetMoveTool) sv.resetMoveTool();
  if (sv.setViewCurrentJel) sv.setViewCurrentJel(jelId);
  closingSteps(panelGeo, jelId);
}

void GVReleaseStuckTransformTool() {
  const SceneServices& sv = GVSceneServices();
  if (sv.manipulatorCanMove && !sv.manipulatorCanMove() && sv.releaseMoveToolButtons) sv.releaseMoveToolButtons();
}

void GVAfterObjectsDeleted() {
  const SceneServices& sv = GVSceneServices();
  GVClearViewCurrentGeo();
  GVResetSelectionDisplay();
  if (sv.updatePanels) sv.updatePanels(0, 0);
  GVReleaseStuckTransformTool();
}

void GVRefuseWithStatus(const char* text, bool beep) {
  const SceneServices& sv = GVSceneServices();
  if (beep && sv.beep) sv.beep();
  if (sv.showStatusLine) sv.showStatusLine(text);
}
