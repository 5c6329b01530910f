#include "scene/jel_editor_callbacks.h"

#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_binding.h"
#include "geo/geo_jel_links.h"
#include "geo/geo_transform.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "scene/app_selection.h"
#include "scene/edit_rules.h"
#include "scene/editor_links.h"
#include "scene/frame_driver.h"
#include "scene/geo_editor_steps.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/selection_rule.h"

namespace {

using geoedit::placeManipulator;
using geoedit::recentreManipulator;
using geoedit::redrawLogicLines;
using geoedit::redrawTimeBar;
using geoedit::redrawView;
using geoedit::renderFrame;
using geoedit::showObjectInfo;
using geoedit::stateMode;
using geoedit::status;

const SceneServices& services() { return GVSceneServices(); }

// Without a world the frame step does nothing, so neither do these.
void stepToCurrentFrame() { GVStepToCurrentFrame(1); }
void stepToTimeBarFrame() {
  FrameClock& clock = GVFrameClock();
  clock.currentFrame = clock.timeBarFrame;
  GVStepFrame(clock.timeBarFrame, 1);
}


GObject* boundGeoOf(int32_t jelId) {
  ObjHandle* list = GVScene().geoList;
  return GVGeoOf(GVFindGeo(list, GVGeoIdOfJel(jelId, list)));
}

void selectJelParts(int32_t jelId, int32_t part) {
  if (services().selectJel) services().selectJel(jelId, part);
}

// The initial or natural state was re-set: in natural-state mode the Jel's
// Geo is bound to it again where it now lies.
void resetState(int32_t code, int32_t jelId) {
  GVRunWorldToFrame0();
  bool told = false;
  if (stateMode() == -1 && (code == 0 || code == 1)) {
    HObject* jel = GVJelOf(GVFindJel(GVScene().world, jelId));
    GObject* geo = jel ? boundGeoOf(jelId) : nullptr;
    if (geo) {
      status(GVRemassocGeoWithJel(geo, jel)
                 ? "JEL object sucessfully RE-MASSOCD with GEO object ... and JEL object RE-ALIGNED"
                 : "Warning: bad association: GEO object too far outside JEL object");
      told = true;
    }
  }
  placeManipulator();
  stepToTimeBarFrame();
  if (!told) showObjectInfo();
}

void stateModeChanged(int32_t code) {
  const SceneServices& sv = services();
  if (sv.setAnimInitButton && (code == -1 || code == 0)) sv.setAnimInitButton(code);
  GVReshowKeyFrameEditor();
  if (sv.manipulatorCanMove && !sv.manipulatorCanMove() && sv.releaseMoveToolButtons) sv.releaseMoveToolButtons();
  if (stateMode() == -1 && sv.refreshAllGeoRenderMeshes) sv.refreshAllGeoRenderMeshes();
  stepToTimeBarFrame();
  placeManipulator();
}

void initialStateSet(int32_t jelId) {
  GObject* geo = boundGeoOf(jelId);
  if (!geo) return;
  if (GVGeoIsKeyFramed(geo->handle)) GVRefreshGeosOfJel(jelId);
  recentreManipulator();
  stepToCurrentFrame();
  redrawTimeBar();
  status("JEL object's Initial state has been RE-SET");
}

}  // namespace

int32_t GVRemassocGeoWithJel(GObject* geo, HObject* jel) {
  if (!geo || !jel) return 0;
  GVUpdateJelDeform(jel, 0);
  GVApplyGeoTransform(geo, GEO_SEL_START);
  const uint32_t bound = geo->flags & GEO_FLAG_BOUND;
  GVMassocGeo(geo, jel);
  geo->flags = (geo->flags & ~uint32_t(GEO_FLAG_BOUND)) | bound;
  if (geo->flags & GEO_FLAG_TOO_FAR_OUTSIDE) return 0;
  SceneRecords& scene = GVScene();
  GVRefreshJelGeos(scene.geoList, scene.world, jel->handle);
  return 1;
}

void GVInitialStateCB(int32_t code, uint32_t event, float /*value*/, void* mainWindow) {
  const GVJelEditorLink* editor = GVEditors().initialState;
  if (!GVEditorCallbackReady(mainWindow) || !editor) return;
  const int32_t jelId = editor->jelId;
  switch (event) {
    case kInitStateChooser: {
      GVSelectionChange change;
      change.code = code;
      change.id = jelId;
      change.panelGeo = 0;
      change.redraw = kSelectLogicLines | kSelectTimeBar;
      GVApplySelectionChange(change);
      return;
    }
    case kInitStateMode:
      stateModeChanged(code);
      return;
    case kInitStateSet:
      initialStateSet(jelId);
      return;
    case kInitStateNaturalKeyFramed:
      status("Warning: Jel Natural State NOT re-set if associated GEO object is keyframed");
      return;
    case kInitStateInitialKeyFramed: {
      const GObject* geo = boundGeoOf(jelId);
      if (geo && !(geo->flags & GEO_FLAG_CELL_BINDING))
        status("Warning: Jel Initial State NOT re-set if associated GEO object is keyframed");
      return;
    }
    case kInitStateResetNatural:
    case kInitStateResetA:
    case kInitStateResetB:
      resetState(code, jelId);
      break;
    case 0x20: case 0x40: case 0x80: case 0x100: case 0x200: case 0x400:
    case 0x4000: case 0x8000: case 0x10000: case 0x20000:
      stepToTimeBarFrame();
      break;
    case kInitStatePlaceGeos:
      GVRefreshGeosOfJel(jelId);
      placeManipulator();
      stepToCurrentFrame();
      break;
    default:
      break;
  }
  redrawTimeBar();
}

void GVMatterDlgCB(int32_t code, uint32_t event, float /*value*/, void* mainWindow) {
  const GVJelEditorLink* editor = GVEditors().matter;
  if (!GVEditorCallbackReady(mainWindow) || !editor || event != 1) return;
  GVSelectionChange change;
  change.code = code;
  change.id = editor->jelId;
  change.redraw = kSelectLogicLines;
  GVApplySelectionChange(change);
}

int32_t GVEditStructCB(int32_t code, uint32_t event, int32_t jelId, void* mainWindow) {
  if (!GVEditorCallbackReady(mainWindow)) return 0;
  switch (event) {
    case kEditStructMayStart: {
      int32_t vehicle = 0;
      if (!GVJelStructureEditAllowed(jelId, &vehicle)) return 0;
      if (vehicle && services().showWarning) services().showWarning(kWarnCheckAttachments, 0, jelId);
      return 1;
    }
    case kEditStructModeChanged:
      if (code == 0 && stateMode() == -1) {
        SceneRecords& scene = GVScene();
        GVRemassocJelGeos(GVWorldOf(scene.world), jelId, GVGeoListOf(scene.geoList));
        if (services().showWarning) services().showWarning(1, 0, jelId);
      }
      GVEndEditorMode(GVEditors().jelPart);
      GVEndEditorMode(GVEditors().geoPart);
      return 0;
    case kEditStructChooser: {
      GVSelectionChange change;
      change.code = code;
      change.id = jelId;
      GVApplySelectionChange(change);
      return 0;
    }
    default:
      return 0;
  }
}

void GVEditPartCB(int32_t code, uint32_t event, int32_t jelId, int32_t part, void* mainWindow) {
  if (!GVEditorCallbackReady(mainWindow)) return;
  if (event == 2) {
    GVSelectionChange change;
    change.code = code;
    change.id = jelId;
    GVApplySelectionChange(change);
  } else if (event == 4 || event == 8) {
    selectJelParts(jelId, part);
    renderFrame();
    if (event == 8) GVEndEditorMode(GVEditors().structure);
  }
}

int32_t GVEditJelGroupCB(int32_t code, uint32_t event, int32_t id, int32_t /*group*/, void* mainWindow) {
  if (!GVEditorCallbackReady(mainWindow)) return 0;
  int32_t result = 0;
  if (event == 1 || event == 8) {
    GVSelectionChange change;
    change.code = code;
    change.id = id;
    if (event == 1 && code == 3) {
      const GVJelGroupEditorLink* editor = GVEditors().jelGroup;
      change.id = editor ? editor->chosen : 0;
    }
    change.panelGeo = 0;
    change.panelJel = id;
    change.redraw = kSelectLogicLines | kSelectRenderFrame;
    GVApplySelectionChange(change);
    // The rule shows the information only for the codes that make the object
    // current; this editor wants it after every change.
    if (code != -1 && code != 1 && code != 2) showObjectInfo();
    return 0;
  }
  if (event == 0x40 || event == 0x80) {
    GVAppSelection().jelId = id;
    if (services().setViewCurrentJel) services().setViewCurrentJel(id);
  } else if (event == kJelGroupVehicleGroup) {
    const SceneServices& sv = services();
    ObjHandle* vehicle = GVScene().vehicle;
    result = vehicle && sv.vehicleExtraGroup ? sv.vehicleExtraGroup(vehicle) : 0;
    if (result != 0) {
      GVAppSelection().jelId = result;
      if (sv.setViewCurrentJel) sv.setViewCurrentJel(result);
    }
  } else {
    return 0;
  }
  redrawLogicLines();
  renderFrame();
  showObjectInfo();
  return result;
}

void GVEditGlueCB(int32_t code, uint32_t event, int32_t first, int32_t second, void* mainWindow) {
  if (!GVEditorCallbackReady(mainWindow) || !GVEditors().glue) return;
  const SceneServices& sv = services();
  int32_t glue[4] = {};  // show flag, first Jel, first Jel again, second Jel
  if (sv.viewGlueDisplay) sv.viewGlueDisplay(glue);
  auto store = [&] {
    if (sv.setViewGlueDisplay) sv.setViewGlueDisplay(glue);
    redrawView();
  };
  switch (event) {
    case 0x10:
      glue[0] = 1;
      store();
      break;
    case 0x20:
      glue[0] = 0;
      store();
      break;
    case 4:
    case 8:
    case 0x40:
      glue[0] = code;
      glue[1] = glue[2] = first;
      glue[3] = second;
      store();
      break;
    case 2:
      selectJelParts(first, second);
      // The flag is set before the redraw so that the view shows it at once.
      if (code == 3 && sv.setViewGlueDisplay) {
        glue[0] = sv.viewNodePairsShown && sv.viewNodePairsShown() ? 0 : 1;
        sv.setViewGlueDisplay(glue);
      }
      redrawLogicLines();
      redrawView();
      break;
    case 1: {
      GVSelectionChange change;
      change.code = code;
      change.id = first;
      GVApplySelectionChange(change);
      break;
    }
    default:
      break;
  }
}
