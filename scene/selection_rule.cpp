#include "scene/selection_rule.h"

#include "scene/app_selection.h"
#include "scene/scene_services.h"

namespace {

void MakeCurrent(const SceneServices& sv, int32_t kind, int32_t id) {
  if (kind == kSelectGeo) {
    GVAppSelection().geoId = id;
    if (sv.setViewCurrentGeo) sv.setViewCurrentGeo(id);
  } else {
    GVAppSelection().jelId = id;
    if (sv.setViewCurrentJel) sv.setViewCurrentJel(id);
  }
}

void ResetMoveTool(const SceneServices& sv) {
  if (sv.resetMoveTool) sv.resetMoveTool();
}

}  // namespace

void GVApplySelectionChange(const GVSelectionChange& c) {
  const SceneServices& sv = GVSceneServices();
  switch (c.code) {
    case -1:
    case 1:
      MakeCurrent(sv, c.kind, c.id);
      ResetMoveTool(sv);
      break;
    case 2:
      MakeCurrent(sv, c.kind, c.id);
      break;
    case 3:
      if (c.id != 0) {
        auto refresh = c.kind == kSelectGeo ? sv.refreshGeoSelection : sv.refreshJelSelection;
        if (refresh) refresh(c.id);
      } else if (c.redraw & kSelectResetIfNone) {
        GVResetSelectionDisplay();
      }
      ResetMoveTool(sv);
      break;
    case 0:
      if (sv.updatePanels) {
        const AppSelection& cur = GVAppSelection();
        sv.updatePanels(c.panelGeo == kSelectCurrentId ? cur.geoId : c.panelGeo,
                        c.panelJel == kSelectCurrentId ? cur.jelId : c.panelJel);
      }
      break;
    default:
      break;
  }
  if ((c.redraw & kSelectLogicLines) && sv.redrawLogicLines) sv.redrawLogicLines();
  if ((c.redraw & kSelectTimeBar) && sv.redrawTimeBar) sv.redrawTimeBar();
  if (c.redraw & kSelectRenderFrame) {
    if (sv.renderFrame) sv.renderFrame();
  } else if (sv.redrawView) {
    sv.redrawView();
  }
  if ((c.code == -1 || c.code == 1 || c.code == 2) && sv.showObjectInfo) sv.showObjectInfo();
}

bool GVEditorCallbackReady(const void* mainWindow) {
  return mainWindow && GVViewExists();
}
