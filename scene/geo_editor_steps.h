// Small steps the Geo and scene editors' callbacks share: the view and
// window services they call (an empty entry skips its step) and the scene
// records they read. Only the callbacks' own files include this header.
#pragma once

#include <cstdint>

#include "dynamics/world.h"
#include "geo/geo_object.h"
#include "scene/app_selection.h"
#include "scene/geo_list_services.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/selection_rule.h"

namespace geoedit {

inline const SceneServices& sv() { return GVSceneServices(); }

inline bool ready(void* mainWin) { return GVEditorCallbackReady(mainWin); }

inline void status(const char* text) {
  if (sv().showStatusLine) sv().showStatusLine(text);
}
inline void beep() {
  if (sv().beep) sv().beep();
}
inline void redrawView() {
  if (sv().redrawView) sv().redrawView();
}
inline void setProjection() {
  if (sv().setViewProjection) sv().setViewProjection();
}
inline void updateAllRenderObjects() {
  if (sv().updateRenderObjects) sv().updateRenderObjects();
}
inline void recentreManipulator() {
  if (sv().recentreManipulator) sv().recentreManipulator();
}
inline void showWarning(int32_t code, int32_t geoId, int32_t jelId) {
  if (sv().showWarning) sv().showWarning(code, geoId, jelId);
}

// Main-window steps.
inline void redrawLogicLines() {
  if (sv().redrawLogicLines) sv().redrawLogicLines();
}
inline void redrawTimeBar() {
  if (sv().redrawTimeBar) sv().redrawTimeBar();
}
inline void renderFrame() {
  if (sv().renderFrame) sv().renderFrame();
}
inline void showObjectInfo() {
  if (sv().showObjectInfo) sv().showObjectInfo();
}
inline void clearInfoPanel() {
  if (sv().clearInfoPanel) sv().clearInfoPanel();
}
inline void updatePanels(int32_t geoId, int32_t jelId) {
  if (sv().updatePanels) sv().updatePanels(geoId, jelId);
}
inline void setViewCurrentGeo(int32_t id) {
  if (sv().setViewCurrentGeo) sv().setViewCurrentGeo(id);
}
// The view's current Geo; 0 for none or without a view.
inline int32_t viewCurrentGeo() {
  const int32_t* record = sv().currentGeoRecord ? sv().currentGeoRecord() : nullptr;
  return record ? record[0] : 0;
}

// The selection-change rule for the Geo or Jel an editor shows.
inline void selectGeo(int32_t code, int32_t id, uint32_t redraw = 0) {
  GVSelectionChange c;
  c.kind = kSelectGeo;
  c.code = code;
  c.id = id;
  c.redraw = redraw;
  GVApplySelectionChange(c);
}
inline void selectJel(int32_t code, int32_t id, uint32_t redraw = 0) {
  GVSelectionChange c;
  c.kind = kSelectJel;
  c.code = code;
  c.id = id;
  c.redraw = redraw;
  GVApplySelectionChange(c);
}

// Render steps of one Geo.
inline void refreshMesh(GObject* g) {
  if (g && sv().refreshGeoRenderMesh) sv().refreshGeoRenderMesh(g);
}
inline void updateMesh(GObject* g, int32_t selector) {
  if (g && sv().updateGeoMeshBy) sv().updateGeoMeshBy(g, selector);
}
inline void setNodeTransform(GObject* g, int32_t selector) {
  if (g && sv().setGeoNodeTransform) sv().setGeoNodeTransform(g, selector);
}
inline void createGeoObj(int32_t id, int32_t mode, int32_t selector) {
  if (sv().createGeoRenderObj) sv().createGeoRenderObj(id, mode, selector);
}
inline void destroyGeoObj(GObject* g) {
  if (g && sv().destroyGeoRenderObj) sv().destroyGeoRenderObj(g);
}
inline void setGeoMaterial(int32_t id, int32_t mode) {
  if (sv().setGeoMaterial) sv().setGeoMaterial(id, mode);
}

// Scene records.
inline ObjHandle* geoList() { return GVScene().geoList; }
inline HWorld* world() { return GVScene().world ? *GVScene().world : nullptr; }
inline int32_t stateMode() { return world() ? world()->params.stateMode : 0; }
inline int32_t currentFrame() { return GVFrameClock().currentFrame; }
inline GObject* findGeo(int32_t id) { return GVGeoOf(GVFindGeo(geoList(), id)); }
inline CameraRec* viewCamera() { return sv().viewCamera ? sv().viewCamera() : nullptr; }

}  // namespace geoedit
