// The Geo group editor's callback: selection, merging a group into one Geo
// and splitting a merged Geo into its pieces.
#include <cstdio>

#include "geo/geo_edits.h"
#include "geo/geo_merge.h"
#include "scene/frame_driver.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "scene/geo_editor_steps.h"

using namespace geoedit;

namespace {

// Render objects of new Geos are made hidden-line, with the frame selector.
constexpr int32_t kNewGeoDisplayMode = 32;
constexpr int32_t kNewGeoSelector = -7;

void mergeGroup(int32_t group, int32_t event) {
  ObjHandle* list = geoList();
  const int32_t newId = GVNextGeoId(list);
  char name[40];
  std::snprintf(name, sizeof name, "GeoMRGD_%d", newId);
  if (sv().checkNewName && !sv().checkNewName(name)) return;
  ObjHandle* merged = event == 0x100 ? GVMergeGeoGroup(list, group, name, newId)
                                     : GVMergeGeoGroupUV(list, group, name, newId);
  if (!merged) {
    status(kGeoMergeRefusedMessage);
    beep();
    return;
  }
  GVRunWorldToFrame0();
  createGeoObj(newId, kNewGeoDisplayMode, kNewGeoSelector);
  setGeoMaterial(newId, kNewGeoDisplayMode);
  updateMesh(GVGeoOf(merged), stateMode());
  updateAllRenderObjects();
  GVResetSelectionDisplay();
  selectGeo(2, newId, kSelectLogicLines);
  updatePanels(newId, 0);
}

void unMergeCurrent(int32_t id) {
  char text[160];
  if (id == 0) {
    GVUnMergeMessage(0, -1, text, sizeof text);
    GVSceneMessage(text);
    return;
  }
  if (id < 0) {
    GVUnMergeMessage(id, 0, text, sizeof text);
    GVSceneMessage(text);
    return;
  }
  int32_t first = 0, last = 0;
  const int32_t n = GVUnMergeGeo(geoList(), id, &first, &last);
  if (n < 0 || first == 0 || last == 0) {
    GVUnMergeMessage(id, n < 0 ? n : 0, text, sizeof text);
    GVSceneMessage(text);
    return;
  }
  for (int32_t newId = first; newId <= last; ++newId)
    if (findGeo(newId)) createGeoObj(newId, kNewGeoDisplayMode, kNewGeoSelector);
  updatePanels(id, 0);
  selectGeo(2, id, kSelectLogicLines);
  GVUnMergeMessage(id, n, text, sizeof text);
  GVSceneMessage(text);
}

}  // namespace

void GVUnMergeGeos(int32_t code, int32_t event, int32_t id, int32_t, void* mainWin) {
  if (!ready(mainWin)) return;
  switch (event) {
    case 2:
    case 4: {
      const GeoEditorLinks& l = GVGeoEditorLinks();
      const int32_t chosen = l.groupEditorGeo ? l.groupEditorGeo() : 0;
      selectGeo(code, code == 3 ? chosen : id, kSelectResetIfNone);
      return;
    }
    case 0x10:
    case 0x20:
      setViewCurrentGeo(0);
      GVResetSelectionDisplay();
      redrawLogicLines();
      renderFrame();
      showObjectInfo();
      return;
    case 0x100:
    case 0x200:
      mergeGroup(id, event);
      return;
    case 0x400:
      unMergeCurrent(viewCurrentGeo());
      return;
    default:
      return;
  }
}
