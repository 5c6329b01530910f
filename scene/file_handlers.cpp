// The file handlers: opening a scene, a tutorial, an MGVB scene or an import
// from the files list, saving and exporting from the name dialog, and the
// export dialog's choices.
#include "scene/file_handlers.h"
#include "scene/object_import.h"

#include <string>
#include <utility>

#include "camera/camera_record.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "logic/object_refs.h"
#include "scene/app_selection.h"
#include "scene/display_settings.h"
#include "scene/edit_rules.h"
#include "scene/editor_links.h"
#include "scene/frame_driver.h"
#include "scene/geo_editor_links.h"
#include "scene/geo_id_blocks.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"
#include "records/item_stream.h"
#include "scene/light_list.h"
#include "scene/object_import.h"
#include "scene/scene_access.h"
#include "scene/scene_bounds.h"
#include "scene/scene_files.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"

namespace {

int32_t gReloading = 0;

constexpr float kFitMargin = 1.0f;
constexpr int32_t kDefaultLastFrame = 100;

// The handlers need the main window and its 3-D view.
bool HaveWindow(void* mainWindow) { return mainWindow && GVViewExists(); }

void DisplayModes(int32_t* geoMode, int32_t* jelMode) {
  const SceneServices& s = GVSceneServices();
  CameraRec* cam = s.viewCamera ? s.viewCamera() : nullptr;
  *geoMode = cam ? cam->geoDisplayMode : 0;
  *jelMode = cam ? cam->jelDisplayMode : 0;
}

// The scene camera cell the readers fill (its record is the view's).
CameraRec* SceneCamera() {
  const SceneServices& s = GVSceneServices();
  return s.viewStartCamera ? s.viewStartCamera() : nullptr;
}

void ChangeDirectory(uint32_t flags) {
  if (flags & kFileGeos) GVSetDirGeos();
  if (flags & kFileJels) GVSetDirJels();
  if (flags & kFileTutorial) GVSetDirTutorials();
  if (flags & kFileScenes) GVSetDirScenes();
  if (flags & kFileImport) GVSetDirScenes();
  if (flags & kFileMGVB) GVSetDirScenesMGVB();
}

// After a whole scene was read: time bar and loop, lights, bounds, title.
void RestoreSceneSettings(const char* name) {
  SceneRecords& sc = GVScene();
  const SceneServices& s = GVSceneServices();
  const DisplaySettings* d = sc.display;
  if (s.setTimeBarRange) s.setTimeBarRange(d ? d->frameWords[0] : 0, d ? d->frameWords[1] : kDefaultLastFrame);
  if (HWorld* world = GVWorldOf(sc.world)) {
    GVSetWorldFrameParam(sc.world, d ? d->frameWords[2] : 0);
    GVSetWorldLoop(world, d && d->frameWords[3] ? 1 : 0);
  }
  if (LightList* l = sc.lights; l && l->count == 1 && l->lights) {
    LightRec& light = l->lights[0];
    if (!light.colour1 && !light.colour2 && !light.colour3) GVInitLightRec(&light);
  }
  GVFitSceneBounds(kFitMargin);
  sc.file = name ? name : "";
  if (s.setSceneName) s.setSceneName(name);
}

// The current Geo and Jel of an opened scene: the first of each (the Jels of
// group 1), 0 for none.
void PickCurrentObjects() {
  SceneRecords& sc = GVScene();
  AppSelection& sel = GVAppSelection();
  sel.geoId = GVNextGeoSel(GVGeoListOf(sc.geoList), 0);
  sel.jelId = GVNextJelInSel(GVWorldOf(sc.world), -1, 0, 0);
}

// The view after an open: cameras, selection, tools, lights, render scene.
void ResetViewAfterOpen() {
  const SceneServices& s = GVSceneServices();
  CameraRec* view = s.viewCamera ? s.viewCamera() : nullptr;
  CameraRec* scene = SceneCamera();
  if (view && scene) {
    GVCopyCamera(scene, view);
    if (s.setViewProjection) s.setViewProjection();
    if (s.selectDisplayItem) {
      s.selectDisplayItem(0, GVDisplayModeItem(view->geoDisplayMode));
      s.selectDisplayItem(1, GVDisplayModeItem(view->jelDisplayMode));
    }
  }
  GVClearViewCurrentGeo();
  if (!(s.pickPending && s.pickPending())) {
    GVResetSelectionDisplay();
    if (int32_t* jel = s.currentJelRecord ? s.currentJelRecord() : nullptr) jel[0] = jel[1] = 0;
    if (s.showSelectionHighlight) s.showSelectionHighlight();
    GVClearMarkedParts();
    if (s.notifyViewOwner) s.notifyViewOwner(1, 2, 0, 0);
  }
  if (s.clearPendingPicks) s.clearPendingPicks();
  if (s.setViewProjection) s.setViewProjection();
  if (s.vehicleCamFromView) s.vehicleCamFromView();
  if (s.releaseCameraButtons) s.releaseCameraButtons();
  if (s.endEditModes) s.endEditModes();
  if (s.resetMoveTool) s.resetMoveTool();
  if (s.updateRenderLight) s.updateRenderLight(4, 0);
  if (GVScene().logic) GVLogicPrepareCollGeos(GVScene().logic, -1);
  gReloading = 1;
  int32_t geoMode = 0, jelMode = 0;
  DisplayModes(&geoMode, &jelMode);
  if (s.buildRenderScene) s.buildRenderScene(geoMode, jelMode);
}

void RefreshPanelsAfterOpen() {
  const SceneServices& s = GVSceneServices();
  const AppSelection& sel = GVAppSelection();
  if (const auto refreshLights = GVGeoEditorLinks().lightsEditorUpdateFields) refreshLights();
  if (s.endLightEdit) s.endLightEdit();
  if (s.updatePanels) s.updatePanels(sel.geoId, sel.jelId);
  ObjHandle* vehicle = GVScene().vehicle;
  const bool haveVehicle = vehicle && s.vehicleIsEmpty && !s.vehicleIsEmpty(vehicle);
  const bool shown = s.vehiclePanelVisible && s.vehiclePanelVisible();
  if (s.refreshVehiclePanel) s.refreshVehiclePanel();
  if (haveVehicle) {
    if (!shown && s.showVehiclePanel) s.showVehiclePanel(1);
    if (s.showLogicPanel) s.showLogicPanel(0);
  } else if (shown && s.showVehiclePanel) {
    s.showVehiclePanel(0);
  }
}

// Sets the display settings and scene options aside, the records at their
// defaults until putBack. A read starts from the defaults, so that a file
// without them does not inherit the last scene's; a failed read gets the open
// scene's back, a successful one frees them.
class KeptSceneSettings {
 public:
  KeptSceneSettings() : display_(GVScene().display), options_(GVScene().options) {
    if (display_) {
      keptDisplay_ = *display_;
      GVInitDisplaySettings(display_);
    }
    if (options_) {
      keptOptions_ = *options_;
      GVInitSceneOpts(options_);
    }
  }
  KeptSceneSettings(const KeptSceneSettings&) = delete;
  KeptSceneSettings& operator=(const KeptSceneSettings&) = delete;
  ~KeptSceneSettings() {
    GVFreeDisplaySettingsText(&keptDisplay_);
    GVClearSceneOptsParts(&keptOptions_);
  }
  void putBack() {
    if (display_) {
      GVFreeDisplaySettingsText(display_);
      *display_ = keptDisplay_;
      keptDisplay_ = DisplaySettings{};
    }
    if (options_) {
      GVClearSceneOptsParts(options_);
      *options_ = keptOptions_;
      keptOptions_ = SceneOpts{};
    }
  }

 private:
  DisplaySettings* display_;
  SceneOpts* options_;
  DisplaySettings keptDisplay_{};
  SceneOpts keptOptions_{};
};

// Scene or tutorial: 0, or the reader's code (the scene then is as it was).
int32_t OpenScene(uint32_t flags, const char* name) {
  const SceneServices& s = GVSceneServices();
  // The logic window's edit must not outlive the lines a read replaces.
  if (s.endLogicTextEdit) s.endLogicTextEdit();
  KeptSceneSettings settings;
  // The Geo-id blocks go with the scene they came with; a failed read gets them back.
  GeoIdBlockList& blocks = GVGeoIdBlocks();
  GeoIdBlockList old;
  GVInitGeoIdBlockList(&old);
  std::swap(old, blocks);
  char* notes = nullptr;
  CameraRec* camera = SceneCamera();
  int32_t rc = 0;
  if (flags & kFileScenes) rc = GVLoadSceneStream(name, &camera, &notes);
  if (rc == 0 && (flags & kFileTutorial)) rc = GVLoadTutorialScene(name, &camera, &notes);
  if (rc != 0) std::swap(old, blocks);
  GVDeleteGeoIdBlockList(&old);
  if (rc != 0) {
    settings.putBack();
    GVFreeString(&notes);
    return rc;
  }
  // Only a scene that read replaces the old one's look (sky, shadows,
  // render-to-texture): the reset works from default settings, as it always
  // did, and the file's come back for the build.
  if (s.resetRenderExtras) {
    KeptSceneSettings read;
    s.resetRenderExtras();
    read.putBack();
  }
  if (s.setSceneNotes) s.setSceneNotes(notes ? notes : "");
  GVFreeString(&notes);
  RestoreSceneSettings(name);
  PickCurrentObjects();
  if (HWorld* world = GVWorldOf(GVScene().world); world && world->params.stateMode == -1) {
    GVSetWorldStateMode(world, 0);
    GVShowEditorStateMode(0);
  }
  ResetViewAfterOpen();
  RefreshPanelsAfterOpen();
  return 0;
}

void OpenMGVB(const char* name) {
  const SceneServices& s = GVSceneServices();
  GVOpenMGVB(name);
  if (s.detachManipulator) s.detachManipulator();
  if (s.clearPendingPicks) s.clearPendingPicks();
  if (s.endLightEdit) s.endLightEdit();
  GVClearViewCurrentGeo();
  GVResetSelectionDisplay();
  if (s.updatePanels) s.updatePanels(0, 0);
}

int32_t ImportObjects(uint32_t flags, const char* name) {
  const SceneServices& s = GVSceneServices();
  // An imported program joins the main one: no comment edit stays open over it.
  if (s.endLogicTextEdit) s.endLogicTextEdit();
  const int32_t mode = GVImportModeFromFlags(flags);
  int32_t geoId = 0, jelId = 0;
  CameraRec* camera = SceneCamera();
  const int32_t rc = GVImportObjectsStream(name, &camera, mode, &geoId, &jelId);
  if (rc != 0) return rc;
  if (mode == kImportLightsOnly) {  // the lights changed and nothing else
    if (s.endLightEdit) s.endLightEdit();
    if (s.recreateRenderLights) s.recreateRenderLights();
    return 0;
  }
  GVFitSceneBounds(kFitMargin);
  if (s.updateRenderSceneBounds) s.updateRenderSceneBounds(GVScene().bounds);
  if (s.endLightEdit) s.endLightEdit();
  ObjHandle* vehicle = GVScene().vehicle;
  if ((mode & 1 || mode & 8) && vehicle && s.vehicleIsEmpty && !s.vehicleIsEmpty(vehicle) && s.showVehiclePanel &&
      !(s.vehiclePanelVisible && s.vehiclePanelVisible()))
    s.showVehiclePanel(1);
  if ((mode & 1 || mode & 8) && s.refreshVehiclePanel) s.refreshVehiclePanel();
  int32_t geoMode = 0, jelMode = 0;
  DisplayModes(&geoMode, &jelMode);
  if (s.rebuildRenderObjects) s.rebuildRenderObjects(geoId, jelId, geoMode, jelMode);
  return 0;
}

void ClosingSteps() {
  FrameClock& clock = GVFrameClock();
  clock.currentFrame = 0;
  clock.timeBarFrame = 0;
  GVStepFrame(0, 0);
  // The panels were refreshed before this step: the transform editor shows
  // the Geo as frame 0 draws it.
  GVReshowKeyFrameEditor();
  gReloading = 0;
  const SceneServices& s = GVSceneServices();
  if (s.refreshLogicWindow) s.refreshLogicWindow();
}

std::string WithExtension(const char* name) { return std::string(name ? name : "") + ".gvs"; }

}  // namespace

int32_t GVSceneReloading() { return gReloading; }
void GVSetSceneReloading(int32_t on) { gReloading = on; }

int32_t GVImportModeFromFlags(uint32_t flags) {
  static const int32_t kModes[8] = {1, 4, 2, 6, 12, 10, 14, 32};
  int32_t mode = 0;
  for (int bit = 20; bit <= 27; ++bit)
    if (flags & (1u << bit)) mode = kModes[bit - 20];
  if (!(flags & (1u << 27))) mode |= 16;
  return mode;
}

std::string GVExportFileName(int32_t geoId, int32_t jelId, const std::string& sceneName) {
  if (geoId && jelId) return "XPRTD_g" + std::to_string(geoId) + "h" + std::to_string(jelId) + ".gvs";
  if (geoId) return "XPRTD_g" + std::to_string(geoId) + ".gvs";
  if (jelId) return "XPRTD_h" + std::to_string(jelId) + ".gvs";
  const std::string base = sceneName.size() > 5 ? sceneName.substr(0, sceneName.size() - 4) : sceneName;
  return "XPRTD_CNS_" + base + ".gvs";
}

int32_t GVFilesListCB(uint32_t flags, int32_t value, const char* name, void* mainWindow) {
  GVFileOpenCB(flags, name, mainWindow);
  return value;
}

void GVFileOpenCB(uint32_t flags, const char* name, void* mainWindow) {
  if (!HaveWindow(mainWindow)) return;
  if (flags & kFileChangeDir) {
    ChangeDirectory(flags);
    return;
  }
  if (flags & kFileOpen) {
    int32_t rc = 0;
    if (flags & (kFileScenes | kFileTutorial)) {
      rc = OpenScene(flags, name);
      if (rc != 0) GVOpenSceneWarning(rc, 1, name, mainWindow);
    } else if (flags & kFileMGVB) {
      OpenMGVB(name);
    } else if (flags & kFileImport) {
      rc = ImportObjects(flags, name);
      if (rc != 0) GVOpenSceneWarning(rc, 0, name, mainWindow);
    }
    if (rc != 0) return;
  }
  ClosingSteps();
}

void GVOpenSceneWarning(int32_t code, int32_t, const char* name, void*) {
  // A failed open keeps the scene that was open, and its title.
  const char* why = nullptr;
  switch (code) {
    case -1: why = "it could not be read"; break;
    case -2: why = "it is not a scene file"; break;
    case -3: why = "it is damaged (a part of it is of no known type or does not read whole)"; break;
    case -4: why = "its Geo and Jel groups do not fit together"; break;
    case -5: why = "its folder could not be entered"; break;
    case -6: why = "there is no such file"; break;
    // The container's own refusals say which.
    case kItemStreamBadCounts: why = "it is damaged (the sizes it gives for its data are impossible)"; break;
    case kItemStreamTruncated: why = "it is cut short"; break;
    case kItemStreamNoMemory: why = "there is not enough memory to read it"; break;
    default: why = code < 0 ? "it could not be read" : nullptr; break;
  }
  if (!why) return;
  const std::string text = "Warning: could not open scene file \"" + std::string(name ? name : "") + "\": " + why + ".";
  GVSceneMessage(text.c_str());
}

void GVSaveSceneCB(int32_t, uint32_t flags, const char* name, void* mainWindow) {
  if (!HaveWindow(mainWindow)) return;
  const SceneServices& s = GVSceneServices();
  if (flags & kFileChangeDir) {
    if (flags & kFileScenes) GVSetDirScenes();
    if (flags & kFileGeos) GVSetDirGeos();
    if (flags & kFileJels) GVSetDirJels();
    return;
  }
  // Enter in the name field of a Save As names nothing: one left without
  // saving leaves the scene its name and its file. An export's Enter exports.
  if (!(flags & kFileSaves) || !(flags & kFileScenes)) return;
  if ((flags & kFileNameEdited) && !(flags & kFileExport)) return;
  std::string checked(name ? name : "");
  const int32_t verdict = s.checkRenameName ? s.checkRenameName(checked.data()) : (checked.empty() ? -1 : 1);
  checked.resize(std::char_traits<char>::length(checked.c_str()));
  if (verdict == -1) {
    GVSceneMessage((std::string("Gv error: ILLEGAL file name : ") + (name ? name : "")).c_str());
    return;
  }
  const std::string file = WithExtension(checked.c_str());
  CameraRec* camera = SceneCamera();
  if (flags & kFileExport) {
    if (GVExportObjects(file.c_str(), &camera) && s.showStatusLine)
      s.showStatusLine(("Scene objects exported to file \"" + file + "\"").c_str());
    if (s.hideExportDialog) s.hideExportDialog();
    return;
  }
  // The scene goes by the name it was saved under, however the name was typed.
  if (GVWriteSceneFile(file.c_str()) && s.setSceneName) s.setSceneName(file.c_str());
}

int32_t GVWriteSceneFile(const char* file) {
  if (!file || !*file) return 0;
  const SceneServices& s = GVSceneServices();
  // Another file of that name is replaced only when the user says so; the
  // scene's own file (the one it came from or was last written to, whatever
  // name was typed since) is saved over without a question.
  if (s.askYesNo && GVScene().file != file && GVSceneFileExists(file) &&
      !s.askYesNo(("Replace the existing file \"" + std::string(file) + "\"?").c_str()))
    return 0;
  if (!GVSaveSceneAs(file)) return 0;
  GVScene().file = file;
  return 1;
}

int32_t GVSaveSceneAs(const char* file) {
  const SceneServices& s = GVSceneServices();
  CameraRec* camera = SceneCamera();
  SceneRecords& sc = GVScene();
  if (DisplaySettings* d = sc.display) {
    int32_t first = 0, last = kDefaultLastFrame;
    if (!(s.timeBarRange && s.timeBarRange(&first, &last))) first = 0, last = kDefaultLastFrame;
    HWorld* world = GVWorldOf(sc.world);
    d->frameWords[0] = first;
    d->frameWords[1] = last;
    d->frameWords[2] = world ? world->params.loopLength : 0;
    d->frameWords[3] = world ? world->params.loopFlag : 0;
  }
  char* notes = s.notesText ? s.notesText() : nullptr;
  const int32_t written = GVSaveScene(file, &notes, &camera, sc.bounds);
  delete[] notes;
  return written;
}

void GVExportCB(int32_t code, int32_t event, int32_t geoId, int32_t jelId, void* mainWindow) {
  if (!HaveWindow(mainWindow)) return;
  const SceneServices& s = GVSceneServices();
  AppSelection& exp = GVExportSelection();
  const bool jel = event == 4;
  if (event == 2 || event == 4) {
    const int32_t id = jel ? jelId : geoId;
    void (*makeCurrent)(int32_t) = jel ? s.setViewCurrentJel : s.setViewCurrentGeo;
    if (code == -1 || code == 1) {
      if (s.resetMoveTool) s.resetMoveTool();
      if (makeCurrent) makeCurrent(id);
      if (s.redrawLogicLines) s.redrawLogicLines();
    } else if (code == 2) {
      if (makeCurrent) makeCurrent(id);
    } else if (code == 3) {
      void (*refresh)(int32_t) = jel ? s.refreshJelSelection : s.refreshGeoSelection;
      if ((jel ? id != 0 : id > 0) && refresh) refresh(id);
      if (s.resetMoveTool) s.resetMoveTool();
    }
    void (*redraw)() = jel ? s.renderFrame : s.redrawView;
    if (redraw) redraw();
    if ((code == -1 || code == 1 || code == 2) && s.showObjectInfo) s.showObjectInfo();
    if (s.redrawTimeBar) s.redrawTimeBar();
    (jel ? exp.jelId : exp.geoId) = id;
  } else if (event == 16) {
    exp = AppSelection{};
  } else if (event == 8) {
    exp.geoId = geoId;
    exp.jelId = jelId;
    const std::string current = s.sceneName ? s.sceneName() : "";
    if (s.showSaveDialog) s.showSaveDialog(0x10210, GVExportFileName(geoId, jelId, current).c_str());
  }
}
