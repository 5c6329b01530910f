// Small steps the property editors' callbacks share: the view and window
// services they call (an empty entry skips its step) and the scene records
// they read. Only the callbacks' own files include this header.
#pragma once

#include <cstdint>

#include "dynamics/world.h"
#include "geo/geo_object.h"
#include "scene/app_selection.h"
#include "geo/geo_list_services.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/selection_rule.h"

namespace geoedit {

inline const SceneServices& sv() { return GVSceneServices(); }

inline bool ready(void* mainWin) { return GVEditorCallbackReady(mainWin); }

// Calls a service entry when it is set; an empty entry skips the step.
template <typename... Params, typename... Args>
inline void call(void (*SceneServices::*entry)(Params...), Args... args) {
  if (auto f = sv().*entry) f(args...);
}

inline void status(const char* text) { call(&SceneServices::showStatusLine, text); }
inline void beep() { call(&SceneServices::beep); }
inline void redrawView() { call(&SceneServices::redrawView); }
inline void setProjection() { call(&SceneServices::setViewProjection); }
inline void updateAllRenderObjects() { call(&SceneServices::updateRenderObjects); }
inline void recentreManipulator() { call(&SceneServices::recentreManipulator); }
inline void placeManipulator() { call(&SceneServices::placeManipulatorAtGeo); }
inline void showWarning(int32_t code, int32_t geoId, int32_t jelId) {
  call(&SceneServices::showWarning, code, geoId, jelId);
}

// Main-window steps.
inline void redrawLogicLines() { call(&SceneServices::redrawLogicLines); }
inline void redrawTimeBar() { call(&SceneServices::redrawTimeBar); }
inline void renderFrame() { call(&SceneServices::renderFrame); }
inline void showObjectInfo() { call(&SceneServices::showObjectInfo); }
inline void clearInfoPanel() { call(&SceneServices::clearInfoPanel); }
inline void updatePanels(int32_t geoId, int32_t jelId) { call(&SceneServices::updatePanels, geoId, jelId); }
inline void setViewCurrentGeo(int32_t id) { call(&SceneServices::setViewCurrentGeo, id); }
// The view's current Geo; 0 for none or without a view.
inline int32_t viewCurrentGeo() {
  const int32_t* record = sv().currentGeoRecord ? sv().currentGeoRecord() : nullptr;
  return record ? record[0] : 0;
}

// The selection-change rule for the Geo or Jel an editor shows.
inline void selectObject(int32_t kind, int32_t code, int32_t id, uint32_t redraw) {
  GVSelectionChange c;
  c.kind = kind;
  c.code = code;
  c.id = id;
  c.redraw = redraw;
  GVApplySelectionChange(c);
}
inline void selectGeo(int32_t code, int32_t id, uint32_t redraw = 0) { selectObject(kSelectGeo, code, id, redraw); }
inline void selectJel(int32_t code, int32_t id, uint32_t redraw = 0) { selectObject(kSelectJel, code, id, redraw); }

// Render steps of one Geo (nothing for a null Geo).
inline void refreshMesh(GObject* g) {
  if (g) call(&SceneServices::refreshGeoRenderMesh, g);
}
inline void updateMesh(GObject* g, int32_t selector) {
  if (g) call(&SceneServices::updateGeoMeshBy, g, selector);
}
inline void setNodeTransform(GObject* g, int32_t selector) {
  if (g) call(&SceneServices::setGeoNodeTransform, g, selector);
}
inline void createGeoObj(int32_t id, int32_t mode, int32_t selector) {
  call(&SceneServices::createGeoRenderObj, id, mode, selector);
}
inline void destroyGeoObj(GObject* g) {
  if (g) call(&SceneServices::destroyGeoRenderObj, g);
}
inline void setGeoMaterial(int32_t id, int32_t mode) { call(&SceneServices::setGeoMaterial, id, mode); }

// Scene records.
inline ObjHandle* geoList() { return GVScene().geoList; }
inline HWorld* world() { return GVScene().world ? *GVScene().world : nullptr; }
inline int32_t stateMode() { return world() ? world()->params.stateMode : 0; }
inline int32_t currentFrame() { return GVFrameClock().currentFrame; }
inline GObject* findGeo(int32_t id) { return GVGeoOf(GVFindGeo(geoList(), id)); }
inline CameraRec* viewCamera() { return sv().viewCamera ? sv().viewCamera() : nullptr; }

}  // namespace geoedit
