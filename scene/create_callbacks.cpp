#include "scene/create_callbacks.h"

#include <cstdio>

#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/matter.h"
#include "scene/app_selection.h"
#include "scene/command_steps.h"
#include "scene/edit_rules.h"
#include "scene/editor_links.h"
#include "scene/frame_driver.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/selection_rule.h"

namespace {

void newJelMatter(MatterProps* matter) {
  if (!matter) return;
  const GVJelEditorLink* editor = GVEditors().matter;
  if (HObject** jel = editor ? GVFindJel(GVScene().world, editor->jelId) : nullptr) {
    GVGetJelMatter(jel, 0, kMatterAllFields, matter);
    return;
  }
  *matter = MatterProps{};
  matter->fRatio = 4.0f;
  matter->elasticity = 3.0f;
  matter->damping = 4.0f;
  matter->friction = 1.0f;
  matter->forceY = -10.0f;
}

// The dialog's Geo choice: the editors' selection rule, with a frame rendered.
void geoChoice(int32_t code, int32_t geoId) {
  GVSelectionChange change;
  change.kind = kSelectGeo;
  change.code = code;
  change.id = geoId;
  change.panelJel = 0;
  change.redraw = kSelectLogicLines | kSelectTimeBar | kSelectRenderFrame;
  GVApplySelectionChange(change);
}

void stateReset(int32_t jelId) {
  const SceneServices& sv = GVSceneServices();
  GVRefreshGeosOfJel(jelId);
  if (sv.recentreManipulator) sv.recentreManipulator();
  GVStepToCurrentFrame(1);
  if (sv.redrawTimeBar) sv.redrawTimeBar();
  if (sv.showStatusLine) sv.showStatusLine(kJelStateResetMessage);
}

void newJel(uint32_t event, int32_t jelId) {
  SceneRecords& scene = GVScene();
  const SceneServices& sv = GVSceneServices();
  GVRaiseDisplayMode(true);
  if (HObject* jel = GVJelOf(GVFindJel(scene.world, jelId))) {
    jel->computeFaceNormals();
    jel->computeNodeNormals();
    if (sv.createJelRenderObj) sv.createJelRenderObj(jelId, GVCommandDisplayMode(true));
    const int32_t start = GVJelStartFrame(scene.world, jelId);
    if (start > 0 && sv.showStatusLine) {
      char text[80];
      std::snprintf(text, sizeof text, "Warning: New Jel object's lifespan starts at frame %d", start);
      sv.showStatusLine(text);
    }
  }
  const int32_t panelGeo =
      event == kCreateJelFromGeo && sv.jelFromGeoDialogGeo ? sv.jelFromGeoDialogGeo() : 0;
  if (sv.setViewCurrentGeo) sv.setViewCurrentGeo(0);
  GVStepToCurrentFrame(1);
  GVShowNewCurrentJel(jelId, panelGeo);
}

}  // namespace

void CreateGeoMenuCB(int32_t, int32_t geoId, void* mainWindow) {
  if (!mainWindow || !GVCommandCamera()) return;
  GVAppSelection().geoId = geoId;
  GVRaiseDisplayMode(false);
  if (GVGeoListOf(GVScene().geoList) && !GVTakeNewGeoById(geoId, "CreateGeoMenuCB")) return;
  GVShowNewCurrentGeo(geoId);
}

int32_t GVCreateJelCB(int32_t code, uint32_t event, int32_t jelId, intptr_t arg, void* mainWindow) {
  if (!mainWindow || !GVCommandCamera()) return 0;
  switch (event) {
    case kCreateJelGeoChoice: geoChoice(code, static_cast<int32_t>(arg)); return 0;
    case kCreateJelMayRebuild: return GVJelStructureEditAllowed(jelId);
    case kCreateJelMatter: newJelMatter(reinterpret_cast<MatterProps*>(arg)); return 0;
    case kCreateJelStateReset: stateReset(jelId); return 0;
    case kCreateJelBlock:
    case kCreateJelFromGeo: newJel(event, jelId); return 0;
    default: return 0;
  }
}
