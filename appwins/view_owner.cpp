// The view's owner callback: one function per event, each doing what its
// event asks of the scene, the view and the open panels. Panels and editors
// that are not built yet have no step here; each adds its own next to the
// event that concerns it.
#include "appwins/view_owner.h"

#include <cmath>
#include <cstdio>

#include "camera/camera_record.h"
#include "GVAppWins/info_panels.h"
#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_jel_objects.h"
#include "GVAppWins/view_window.h"
#include "appwins/anim_dialog.h"
#include "appwins/app_main_win.h"
#include "appwins/logic_cntrl.h"
#include "appwins/vehicle_panel.h"
#include "dynamics/world.h"
#include "geo/geo_object.h"
#include "jel/jel_object.h"
#include "logic/command_args.h"
#include "logic/line_services.h"
#include "logic/program_store.h"
#include "scene/app_selection.h"
#include "scene/editor_links.h"
#include "scene/frame_driver.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "scene/jel_editor_callbacks.h"
#include "scene/menu_commands.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/dialog_window.h"
#include "vehicle/chase_camera.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_record.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kSteerLimit = 50.0f;
constexpr float kSteerDragRange = 330.0f;  // pixels of drag for the full 50 degrees
constexpr int32_t kNaturalState = -1;
constexpr int32_t kPartOne = 1;

constexpr const char* kBadAssociation = "Warning: bad association: GEO object too far outside JEL object";
constexpr const char* kGeoRemassoced = "GEO object sucessfully RE-MASSOCD with JEL object ... and JEL object RE-ALIGNED";
constexpr const char* kJelRemassoced = "JEL object sucessfully RE-MASSOCD with GEO object ... and JEL object RE-ALIGNED";
constexpr const char* kAttachmentsApplied = "GEO ATTACHMENTS have been re-applied";

// One call: who reports, what about, and the main window with its view.
struct Event {
  int source;
  intptr_t id;
  intptr_t extra;
  GVAppMainWin* main;
  GVView* view;
  CameraRec* camera;
};

const SceneServices& sv() { return GVSceneServices(); }
HWorld* world() { return GVWorldOf(GVScene().world); }
ObjHandle* geoList() { return GVScene().geoList; }
int32_t stateMode() { return world() ? world()->params.stateMode : 0; }

void status(const Event& e, const char* text) {
  if (sv().showStatusLine)
    sv().showStatusLine(text);
  else
    GVShowStatusLine(e.view, text);
}

void beep() {
  if (sv().beep) sv().beep();
}

// While the lights editor looks through its light, picks in the view are
// not the user's choice of object: the camera is placing the light.
bool lightsPlacing(const Event&) {
  const GeoEditorLinks& l = GVGeoEditorLinks();
  return l.lightsEditorCameraOn && l.lightsEditorCameraOn();
}

// The view's current Jel (record word 0), 0 without one.
int32_t currentJel(const Event& e) { return e.view->currentJel ? e.view->currentJel[0] : 0; }

// An open editor's refresh entry, when the editor exists (and is visible
// when asked so).
void refreshEditor(const Event& e, int code, int32_t geoId, int32_t jelId, bool onlyVisible) {
  HwDialogWindow* editor = e.main->editors[code];
  const GVEditorEntry* entry = GVEditorEntryOf(code);
  if (!editor || !entry || !entry->refresh || (onlyVisible && !editor->isVisible())) return;
  entry->refresh(editor, geoId, jelId);
}

// Logic lines, the view and the current object's description.
void refreshTail(const Event& e) {
  e.main->redrawLogicLines();
  e.main->redrawView();
  GVShowObjectInfo(e.view);
}

void restartScene() {
  FrameClock& clock = GVFrameClock();
  clock.currentFrame = clock.restartFrame;
  GVStepFrame(clock.restartFrame, 1);
}

VehicleRec* nonEmptyVehicle() {
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  return v && !GVVehicleIsEmpty(v) ? v : nullptr;
}

float clampSteer(float value) { return value < -kSteerLimit ? -kSteerLimit : value > kSteerLimit ? kSteerLimit : value; }

// ---- picks ----

int geoPicked(const Event& e) {
  if (lightsPlacing(e)) return 0;
  if (e.source == 0) {
    if (e.id >= 1) {
      // The menu commands act on the object the user picked last.
      GVAppSelection().geoId = static_cast<int32_t>(e.id);
      e.main->updatePanels(static_cast<int>(e.id), 0);
    } else {
      e.main->redrawLogicLines();
    }
    e.main->redrawTimeBar();
  } else if (e.source == 1 && e.main->logicPanel) {
    HwLogicCntrl* w = e.main->logicPanel;
    w->highlightGeo = e.view->currentGeo ? e.view->currentGeo[0] : 0;
    w->highlightJel = w->highlightPart = 0;
    w->redrawLines();
  }
  return 0;
}

int jelPicked(const Event& e) {
  if (lightsPlacing(e)) return 0;
  if (e.source == 0) {
    if (e.id >= 1) {
      GVAppSelection().jelId = static_cast<int32_t>(e.id);
      e.main->updatePanels(0, static_cast<int>(e.id));
    } else {
      e.main->redrawLogicLines();
    }
    e.main->redrawTimeBar();
  } else if (e.source == 1 && e.main->logicPanel) {
    HwLogicCntrl* w = e.main->logicPanel;
    w->highlightGeo = 0;
    w->highlightJel = e.view->currentJel ? e.view->currentJel[0] : 0;
    w->highlightPart = e.view->currentJel ? e.view->currentJel[1] : 0;
    w->redrawLines();
  }
  return 0;
}

int jelCreated(const Event& e) {
  const int32_t id = static_cast<int32_t>(e.id);
  // A Jel made again under its name replaces the render objects of the old one.
  GVDestroyOgreJelObj(GVFindJel(GVScene().world, id));
  GVCreateOgreJelObj(id, e.camera->jelDisplayMode);
  if (sv().setViewCurrentJel) sv().setViewCurrentJel(id);
  GVAppSelection().jelId = id;
  refreshTail(e);
  return 0;
}

// ---- Geo changes ----

GObject* findGeo(intptr_t id) {
  return id >= 1 ? GVGeoOf(GVFindGeo(geoList(), static_cast<int32_t>(id))) : nullptr;
}

// The key-frame editor, when it exists, shows the Geo at the current frame.
void showInKeyFrameEditor(const Event& e) {
  GVShowGeoInKeyFrameEditor(static_cast<int32_t>(e.id), GVCurrentFrameFloat(GVScene().world), e.source, 0);
}

int geoTransform(const Event& e) {
  if (!findGeo(e.id)) return 0;
  showInKeyFrameEditor(e);
  GVUpdateOgreObjects();
  GVShowTransformInfo(e.view);
  return 0;
}

// The scene's attachments placed again, unless an attached Geo carries a
// scale that must be baked first.
void reapplyAttachments(const Event& e) {
  const GeoList* list = GVGeoListOf(geoList());
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next) {
    if (!GVGeoHasAttachment(g->handle)) continue;
    if (const int32_t id = GVFindUnscaledAttachGeo(geoList(), g->handle); id > 0) {
      char name[120], text[220];
      GVWriteGeoName(GVFindGeo(geoList(), id), name, sizeof name);
      std::snprintf(text, sizeof text,
                    "Warning: NON-UNIT SCALE of Geo \"%s\" must be BAKED for this attachment method !", name);
      status(e, text);
      return;
    }
  }
  GVApplySceneAttachments(geoList(), GVScene().world);
  status(e, kAttachmentsApplied);
}

int geoPlacement(const Event& e) {
  GObject* geo = findGeo(e.id);
  if (!geo) return 0;
  showInKeyFrameEditor(e);
  if (stateMode() == kNaturalState) {
    if (geo->jelId != 0) {  // bound to that Jel
      HObject* jel = GVGetJelById(world(), geo->jelId);
      if (GVRemassocGeoWithJel(geo, jel)) {
        status(e, kGeoRemassoced);
      } else {
        beep();
        status(e, kBadAssociation);
      }
    }
    if (!GVGeoIsKeyFramed(geo->handle) && GVGeoHasAttachment(geo->handle)) reapplyAttachments(e);
  }
  refreshEditor(e, kEditorGeoProperties, geo->id, 0, false);
  GVUpdateOgreObjects();
  return 0;
}

// ---- Jel changes ----

int jelStructure(const Event& e) {
  HObject* jel = e.id >= 1 ? GVGetJelById(world(), static_cast<int32_t>(e.id)) : nullptr;
  if (jel) {
    jel->updateNormals();
    GVUpdateOgreJelMesh(jel->handle);
  }
  GVShowTransformInfo(e.view);
  if (e.id >= 1) refreshEditor(e, kEditorInitialState, 0, static_cast<int32_t>(e.id), false);
  return 0;
}

int jelRealigned(const Event& e) {
  int rebound = 0;
  if (stateMode() == kNaturalState && e.id >= 1) {
    const int32_t jelId = static_cast<int32_t>(e.id);
    GObject* geo = GVGeoOf(GVFindGeo(geoList(), GVGeoIdOfJel(jelId, geoList())));
    if (geo) {
      rebound = GVRemassocGeoWithJel(geo, GVGetJelById(world(), jelId));
      if (!rebound) status(e, kBadAssociation);
    }
  }
  restartScene();
  if (rebound) status(e, kJelRemassoced);
  if (e.id >= 1) {
    refreshEditor(e, kEditorInitialState, 0, static_cast<int32_t>(e.id), true);
    refreshEditor(e, kEditorMatter, 0, static_cast<int32_t>(e.id), true);
  }
  return 0;
}

// ---- panels and view state ----

int moveToolEnded(const Event&) {
  if (sv().releaseMoveToolButtons) sv().releaseMoveToolButtons();
  return 0;
}

int statusText(const Event& e) {
  if (e.extra) status(e, reinterpret_cast<const char*>(e.extra));
  return 0;
}

int restart(const Event&) {
  restartScene();
  return 0;
}

int clearInfo(const Event& e) {
  GVClearInfoPanel(e.view);
  return 0;
}

int cameraMode(const Event&) {
  if (sv().updateCameraModeButton) sv().updateCameraModeButton();
  return 0;
}

int logicPick(const Event& e) {
  int32_t* pair = GVScene().viewPair;
  pair[0] = 1;
  pair[1] = currentJel(e);
  return 0;
}

// The next selectable Jel (id -1 or in group 1) after the current one in list
// order, wrapping to the first; 0 when none is selectable.
int32_t nextSelectableJel(int32_t current) {
  int32_t first = 0;
  bool passed = false;
  for (HObject* j = world() ? world()->head : nullptr; j; j = GVNextJel(j)) {
    if (j->id != -1 && !GVJelInSel(j, -1)) {
      if (j->id == current) passed = true;
      continue;
    }
    if (passed) return j->id;
    if (!first) first = j->id;
    if (j->id == current) passed = true;
  }
  return first;
}

// The main program's GEOPOINTER Geo follows the chosen Jels' centre.
void moveGeoPointer(const float centre[3]) {
  LogicLine* line = GVLogicFindGeoPointer();
  LogicProgram* main = line ? GVLogicProgram(GVScene().logic, 1) : nullptr;
  if (!main) return;
  ObjHandle* cell = GVFindGeo(geoList(), GVLogicArgInt(main, line, 0));
  GObject* geo = GVGeoOf(cell);
  if (!geo) return;
  for (int slot : {GEO_SLOT_FRAME, GEO_SLOT_FRAME2})
    for (int a = 0; a < 3; ++a) geo->xform[slot].position[a] = centre[a];
  GVSetOgreGeoNodeTransform(cell, -2);
}

int nextJel(const Event& e) {
  const int32_t id = nextSelectableJel(currentJel(e));
  if (id != 0) {
    float centre[3];
    GVSelectionCentre(id, kFrameCommitted, centre);
    moveGeoPointer(centre);
  }
  if (sv().setViewCurrentJel) sv().setViewCurrentJel(id);
  GVAppSelection().jelId = id;
  refreshTail(e);
  return 0;
}

// ---- the vehicle ----

int vehicleQuery(const Event&) {
  int answer = GVFrameClock().running ? 1 : 0;
  if (VehicleRec* v = GVVehicleOf(GVScene().vehicle); v && !GVVehicleIsEmpty(v)) answer |= 2;
  return answer;
}

// The vehicle controls' gear lever, pedals and steering slider echo the
// driving events.
void echoPedals(const Event& e, bool leftPedal) {
  if (e.main && e.main->vehiclePanel) e.main->vehiclePanel->showPedals(leftPedal);
}
void echoSteering(const Event& e) {
  if (e.main && e.main->vehiclePanel) e.main->vehiclePanel->showSteering();
}

int driveForward(const Event& e) {
  if (!nonEmptyVehicle()) return 0;
  DriveInputs& in = GVDriveInputs();
  in.gear = 1;
  in.throttle = 1.0f;
  in.driveMode = 2;
  echoPedals(e, false);
  return 0;
}

int driveReverse(const Event& e) {
  if (!nonEmptyVehicle()) return 0;
  DriveInputs& in = GVDriveInputs();
  in.gear = -1;
  in.driveMode = 2;
  if (in.throttle < 0.1f) in.throttle = 1.0f;
  echoPedals(e, false);
  return 0;
}

int driveNeutral(const Event& e) {
  if (!nonEmptyVehicle()) return 0;
  DriveInputs& in = GVDriveInputs();
  in.throttle = 1.0f;
  in.driveMode = 1;
  in.gear = 0;
  echoPedals(e, true);
  return 0;
}

int steerDrag(const Event& e) {
  if (!nonEmptyVehicle()) return 0;
  DriveInputs& in = GVDriveInputs();
  in.steerTarget = clampSteer(in.steerTarget + static_cast<float>(e.id) * kSteerLimit / kSteerDragRange);
  echoSteering(e);
  return 0;
}

int driveKeys(const Event& e) {
  if (!nonEmptyVehicle()) return 0;
  DriveInputs& in = GVDriveInputs();
  if (e.id == 1 || e.id == -1) {
    in.steerTarget = clampSteer(in.steerTarget + 10.0f * static_cast<float>(e.id));
    echoSteering(e);
  } else if (e.id == 2 || e.id == -2) {
    float v = 0.1f * static_cast<float>(e.id) + static_cast<float>(in.gear) * in.throttle;
    v = v < -1.0f ? -1.0f : v > 1.0f ? 1.0f : v;
    in.gear = v > 0.0f ? 1 : -1;
    in.throttle = std::fabs(v);
    in.driveMode = 2;
    echoPedals(e, false);
  }
  return 0;
}

// The chassis centre in the live in-step state.
bool chassisCentre(float centre[3]) {
  VehicleRec* v = nonEmptyVehicle();
  if (!v) return false;
  GVSelectionCentre(v->groupChassis, kFrameInStep, centre);
  return true;
}

int camHeight(const Event& e) {
  float c[3];
  if (chassisCentre(c)) GVVehicleChaseCam().height = e.camera->eye[1] - c[1];
  return 0;
}

int camDistance(const Event& e) {
  float c[3];
  if (!chassisCentre(c)) return 0;
  const float dx = e.camera->eye[0] - c[0], dz = e.camera->eye[2] - c[2];
  GVVehicleChaseCam().distance = std::sqrt(dx * dx + dz * dz);
  return 0;
}

int camFov(const Event& e) {
  GVVehicleChaseCam().fov = e.camera->fov * 180.0f / kPi;
  return 0;
}

int camHeading(const Event& e) {
  GVVehicleChaseCam().heading = e.camera->heading * 180.0f / kPi;
  return 0;
}

// ---- scene-wide ----

int openScene(const Event& e) {
  GVMenuCommand(kMenuFile, 4, 0, e.main);
  return 0;
}

// Render-to-texture is on only while its target exists.
int rttQuery(const Event&) { return sv().renderTargetExists && sv().renderTargetExists() ? 0 : 1; }

// The animation panel re-reads its buttons after the world's mode changed.
int animMode(const Event& e) {
  GVRefreshAnimDialog(e.main->animationPanel);
  return 0;
}

// The view camera moved: the lights editor's light follows it (its callback
// acts only while the editor looks through the light).
int lightChanged(const Event& e) {
  const GeoEditorLinks& l = GVGeoEditorLinks();
  if (l.lightsEditorVisible && l.lightsEditorLight) GVLightsDlgCB(0, 0x200000, l.lightsEditorLight(), e.main);
  return 0;
}

using Handler = int (*)(const Event&);

Handler handlerOf(uint32_t mask) {
  switch (mask) {
    case kViewGeoPicked: return geoPicked;
    case kViewJelPicked: return jelPicked;
    case kViewJelCreated: return jelCreated;
    case kViewGeoTransform: return geoTransform;
    case kViewGeoPlacement: return geoPlacement;
    case kViewJelStructure: return jelStructure;
    case kViewJelRealigned: return jelRealigned;
    case kViewMoveToolEnded: return moveToolEnded;
    case kViewStatusText: return statusText;
    case kViewRestart: return restart;
    case kViewClearInfo: return clearInfo;
    case kViewCameraMode: return cameraMode;
    case kViewVehicleQuery: return vehicleQuery;
    case kViewDriveForward: return driveForward;
    case kViewDriveReverse: return driveReverse;
    case kViewLogicPick: return logicPick;
    case kViewNextJel: return nextJel;
    case kViewDriveNeutral: return driveNeutral;
    case kViewSteerDrag: return steerDrag;
    case kViewCamHeight: return camHeight;
    case kViewCamDistance: return camDistance;
    case kViewCamFov: return camFov;
    case kViewCamHeading: return camHeading;
    case kViewLightChanged: return lightChanged;
    case kViewAnimMode: return animMode;
    case kViewDriveKeys: return driveKeys;
    case kViewOpenScene: return openScene;
    case kViewRttQuery: return rttQuery;
    default: return nullptr;
  }
}

}  // namespace

int GVSelectionCentre(int32_t selection, int32_t frame, float centre[3]) {
  float mass = 0.0f, sum[3] = {0.0f, 0.0f, 0.0f};
  for (HObject* j = world() ? world()->head : nullptr; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    float m = 0.0f, s[3] = {0.0f, 0.0f, 0.0f};
    j->getPartMass(kPartOne, frame, &m);
    j->getPartMassPosSum(kPartOne, frame, kAxesAll, s);
    mass += m;
    for (int a = 0; a < 3; ++a) sum[a] += s[a];
  }
  for (int a = 0; a < 3; ++a) centre[a] = mass != 0.0f ? sum[a] / mass : 0.0f;
  return mass != 0.0f ? 1 : 0;
}

int GVViewOwnerCB(int source, int mask, intptr_t id, intptr_t extra, void* user) {
  auto* main = static_cast<GVAppMainWin*>(user);
  GVView* view = main ? main->view : nullptr;
  CameraRec* camera = view && view->camera ? *view->camera : nullptr;
  if (!camera) return 0;
  const Handler handler = handlerOf(static_cast<uint32_t>(mask));
  return handler ? handler(Event{source, id, extra, main, view, camera}) : 0;
}
