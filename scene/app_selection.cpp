#include "scene/app_selection.h"

#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {
AppSelection gAppSelection;
AppSelection gExportSelection;
}  // namespace

AppSelection& GVAppSelection() { return gAppSelection; }
AppSelection& GVExportSelection() { return gExportSelection; }

void GVResetSelectionDisplay() {
  const SceneServices& s = GVSceneServices();
  if (s.pickPending && s.pickPending()) return;
  int32_t* jel = s.currentJelRecord ? s.currentJelRecord() : nullptr;
  int32_t* geo = s.currentGeoRecord ? s.currentGeoRecord() : nullptr;
  if (jel) jel[0] = jel[1] = 0;
  if (s.showSelectionHighlight) s.showSelectionHighlight();
  if (s.notifyViewOwner) s.notifyViewOwner(1, 2, jel ? jel[0] : 0, 0);
  const bool nothingCurrent = (!geo || geo[0] == 0) && (!jel || jel[0] == 0);
  if (nothingCurrent && s.clearInfoPanel) s.clearInfoPanel();
}

void GVClearViewCurrentGeo() {
  const SceneServices& s = GVSceneServices();
  if (int32_t* geo = s.currentGeoRecord ? s.currentGeoRecord() : nullptr) geo[0] = 0;
}

void GVClearMarkedParts() {
  HWorld* world = GVWorldOf(GVScene().world);
  for (HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j))
    for (uint32_t& w : j->markedParts) w = 0;
}
