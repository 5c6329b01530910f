#include "scene/menu_commands.h"

#include <cstdio>
#include <cstring>

#include "camera/camera_record.h"
#include "geo/geo_object.h"
#include "jel/jel_object.h"
#include "logic/line_services.h"
#include "logic/program_store.h"
#include "scene/app_selection.h"
#include "scene/command_steps.h"
#include "scene/file_handlers.h"
#include "scene/frame_driver.h"
#include "scene/geo_editor_links.h"
#include "scene/geo_id_blocks.h"
#include "geo/geo_list_services.h"
#include "scene/object_commands.h"
#include "scene/renumber.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"

namespace {

constexpr float kNewSceneBounds[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};

const char* const kHelpPages[] = {"hlp_whatgv", "hlp_cntlsoverview", "hlp_helpoverview"};

void statusLine(const char* text) {
  const SceneServices& sv = GVSceneServices();
  if (sv.showStatusLine) sv.showStatusLine(text);
}

void newScene() {
  SceneRecords& scene = GVScene();
  const SceneServices& sv = GVSceneServices();
  FrameClock& clock = GVFrameClock();
  clock.currentFrame = 0;
  clock.timeBarFrame = 0;
  if (scene.vehicle && sv.deleteVehicle) sv.deleteVehicle();
  GVFreeGeoIdBlocks(&GVGeoIdBlocks());
  GVDeleteGeos(scene.geoList, -1);
  // Every Jel goes, also those taken out of group 1, as loading and shutdown
  // remove them.
  GVDeleteEveryJel(scene.world);
  GVAppSelection() = AppSelection{};

  GVSetSceneReloading(1);
  if (sv.resetRenderExtras) sv.resetRenderExtras();
  if (sv.clearNotes) sv.clearNotes();
  if (sv.setViewCurrentGeo) sv.setViewCurrentGeo(0);
  if (sv.setViewCurrentJel) sv.setViewCurrentJel(0);
  if (sv.updatePanels) sv.updatePanels(0, 0);
  scene.file.clear();
  if (sv.setSceneName) sv.setSceneName("");

  if (sv.endLogicTextEdit) sv.endLogicTextEdit();
  if (LogicSystem* logic = scene.logic) {
    GVLogicClearAllLines(logic);
    GVLogicEnsureLine(logic, 1);
  }
  if (sv.refreshLogicWindow) sv.refreshLogicWindow();

  std::memcpy(scene.bounds, kNewSceneBounds, sizeof kNewSceneBounds);
  if (sv.updateRenderSceneBounds) sv.updateRenderSceneBounds(scene.bounds);
  if (sv.recreateRenderLights) sv.recreateRenderLights();
  if (const auto refreshLights = GVGeoEditorLinks().lightsEditorUpdateFields) refreshLights();

  // The camera looks at the new bounds; what the user chose to see stays.
  if (CameraRec* cam = GVCommandCamera()) {
    const int32_t geoMode = cam->geoDisplayMode, jelMode = cam->jelDisplayMode;
    if (sv.resetViewCamera) sv.resetViewCamera();
    cam->geoDisplayMode = geoMode;
    cam->jelDisplayMode = jelMode;
    if (sv.setViewProjection) sv.setViewProjection();
    if (CameraRec* stored = sv.viewStartCamera ? sv.viewStartCamera() : nullptr) GVCopyCamera(cam, stored);
  }

  if (sv.clearPendingPicks) sv.clearPendingPicks();
  if (sv.vehicleCamFromView) sv.vehicleCamFromView();
  // The vehicle controls show the new scene's camera choice.
  if (sv.refreshVehiclePanel) sv.refreshVehiclePanel();
  if (sv.releaseCameraButtons) sv.releaseCameraButtons();
  if (sv.endEditModes) sv.endEditModes();
  if (sv.resetMoveTool) sv.resetMoveTool();
  if (sv.redrawTimeBar) sv.redrawTimeBar();
  if (sv.endLightEdit) sv.endLightEdit();

  GVStepFrame(0, 0);
  GVSetSceneReloading(0);
}

// Save under the stored name, which already ends in ".gvs".
void saveScene(void* mainWindow) {
  const SceneServices& sv = GVSceneServices();
  const char* name = sv.sceneName ? sv.sceneName() : nullptr;
  if (!name || !*name)
    GVMenuCommand(kMenuFile, 3, 0, mainWindow);
  else
    GVWriteSceneFile(name);
}

void listFiles(int (*enterFolder)(), int32_t mode) {
  enterFolder();
  const SceneServices& sv = GVSceneServices();
  if (sv.showFilesList) sv.showFilesList(mode);
}

void exportObjects() {
  AppSelection& chosen = GVExportSelection();
  if (chosen.geoId == 0 && chosen.jelId == 0) chosen = GVAppSelection();
  const SceneServices& sv = GVSceneServices();
  if (sv.showExportDialog) sv.showExportDialog(chosen.geoId);
}

void saveBackgroundImage(const char* file, int32_t type) {
  const SceneServices& sv = GVSceneServices();
  if (!sv.saveViewImage || !sv.saveViewImage(file, type)) {
    char text[160];
    std::snprintf(text, sizeof text, "Gv error: could not save the background scene image %s", file);
    GVSceneMessage(text);
    return;
  }
  char text[160];
  std::snprintf(text, sizeof text, "Background scene image \"saved in %s\" in main app folder", file);
  statusLine(text);
}

void fileMenu(int32_t item, int32_t subItem, void* mainWindow) {
  const SceneServices& sv = GVSceneServices();
  switch (item) {
    case 1: newScene(); break;
    case 2: saveScene(mainWindow); break;
    case 3:
      if (sv.showSaveDialog) sv.showSaveDialog(kFileSaves | kFileScenes, sv.sceneName ? sv.sceneName() : "");
      break;
    case 4: listFiles(GVSetDirScenes, kFileScenes); break;
    case 5: listFiles(GVSetDirTutorials, kFileTutorial); break;
    case 6: listFiles(GVSetDirScenesMGVB, kFileMGVB); break;
    // The importer reads from the Scenes folder: its list shows that folder.
    case 7: listFiles(GVSetDirScenes, GVImportListMode(subItem)); break;
    case 8: exportObjects(); break;
    case 9: saveBackgroundImage(kBGImageJpg, 0); break;
    case 10: saveBackgroundImage(kBGImagePng, 1); break;
    case 11:
      if (sv.exitProgram) sv.exitProgram();
      break;
    default: break;
  }
}

void showCreateDialog(int32_t dialog, int32_t mode) {
  const SceneServices& sv = GVSceneServices();
  const AppSelection& sel = GVAppSelection();
  if (sv.showCreateDialog) sv.showCreateDialog(dialog, mode, sel.geoId, sel.jelId);
}

// The view keeps the object it shows through a renumbering: its record takes
// that object's new id (a group selection stays; an id naming nothing is
// dropped). The view's choice may differ from the menu's current object.
template <typename Object, typename Find, typename Renumber>
void renumberKeepingView(int32_t* viewRecord, Find find, Renumber renumber) {
  const int32_t viewId = viewRecord ? viewRecord[0] : 0;
  const Object* shown = viewId >= 1 ? find(viewId) : nullptr;
  renumber();
  if (viewId >= 1) viewRecord[0] = shown ? shown->id : 0;
}

void renumber(bool jels) {
  AppSelection& sel = GVAppSelection();
  const SceneServices& sv = GVSceneServices();
  SceneRecords& scene = GVScene();
  if (jels) {
    int32_t* view = sv.currentJelRecord ? sv.currentJelRecord() : nullptr;
    renumberKeepingView<HObject>(
        view, [&](int32_t id) { return GVJelOf(GVFindJel(scene.world, id)); },
        [&] { sel.jelId = GVRenumberJels(sel.jelId); });
  } else {
    int32_t* view = sv.currentGeoRecord ? sv.currentGeoRecord() : nullptr;
    renumberKeepingView<GObject>(
        view, [&](int32_t id) { return GVGeoOf(GVFindGeo(scene.geoList, id)); },
        [&] { sel.geoId = GVRenumberGeos(sel.geoId); });
  }
  if (sv.updatePanels) sv.updatePanels(sel.geoId, sel.jelId);
  if (sv.redrawLogicValues) sv.redrawLogicValues();
  if ((jels ? sel.jelId : sel.geoId) != 0 && sv.showObjectInfo) sv.showObjectInfo();
}

void createMenu(int32_t item, int32_t subItem, void* mainWindow) {
  const SceneServices& sv = GVSceneServices();
  if (item == 1) {
    switch (subItem) {
      case 1: showCreateDialog(kCreateDialogSweptGeo, 0); break;
      case 2: showCreateDialog(kCreateDialogPlaneGeo, 0); break;
      case 3: showCreateDialog(kCreateDialogSweptGeo, 1); break;
      case 4: showCreateDialog(kCreateDialogSweptGeo, 2); break;
      case 5: showCreateDialog(kCreateDialogBlockGeo, 0); break;
      case 6: CreateGeoFromJelCB(mainWindow); break;
      case 7: GVCopyGeoCmd(mainWindow, 0); break;
      case 8: GVCopyGeoCmd(mainWindow, 1); break;
      default: break;
    }
    return;
  }
  if (item == 2) {
    switch (subItem) {
      case 1: showCreateDialog(kCreateDialogBlockJel, 0); break;
      case 2: showCreateDialog(kCreateDialogJelFromGeo, 0); break;
      case 3: GVCopyJelCmd(mainWindow); break;
      default: break;
    }
    return;
  }
  switch (item) {
    case 3: GVDeleteGeoCmd(mainWindow); break;
    case 4: GVDeleteJelCmd(mainWindow); break;
    case 5: GVDeleteVehicleGeosCmd(mainWindow); break;
    case 6: GVDeleteVehicleJelsCmd(mainWindow); break;
    case 8: renumber(false); break;
    case 9: renumber(true); break;
    case 10:
    case 11:
      if (sv.createRtt) sv.createRtt(item - 10);
      if (sv.redrawView) sv.redrawView();
      break;
    default: break;  // 7 "Create Trk": nothing
  }
}

void notesMenu(int32_t item, int32_t subItem) {
  const SceneServices& sv = GVSceneServices();
  if (!sv.showNotesWindow) return;
  if (subItem == 0)
    sv.showNotesWindow(0);
  else if (item != 0)
    sv.showNotesWindow(1);
}

}  // namespace

int32_t GVImportListMode(int32_t subItem) {
  switch (subItem) {
    case 1: return 0x200000 | kFileImport;
    case 2: return 0x400000 | kFileImport;
    case 3: return 0x800000 | kFileImport;
    case 4: return 0x8000000 | kFileImport;
    default: return 0;
  }
}

void GVMenuCommand(int32_t menu, int32_t item, int32_t subItem, void* mainWindow) {
  if (!mainWindow || !GVCommandCamera()) return;
  const SceneServices& sv = GVSceneServices();
  switch (menu) {
    case kMenuFile: fileMenu(item, subItem, mainWindow); break;
    case kMenuCreate: createMenu(item, subItem, mainWindow); break;
    case kMenuHelp:
      if (item >= 1 && item <= 3 && sv.showHelpPage) sv.showHelpPage(kHelpPages[item - 1]);
      break;
    case kMenuNotes: notesMenu(item, subItem); break;
    default: break;
  }
}
