#include "appwins/panel_handlers.h"

#include <cstdio>

#include "GVAppWins/info_panels.h"
#include "GVAppWins/manipulator.h"
#include "GVAppWins/view_window.h"
#include "appwins/anim_dialog.h"
#include "appwins/app_main_win.h"
#include "appwins/tool_dialogs.h"
#include "appwins/vehicle_panel.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "jel/jel_object.h"
#include "logic/line_services.h"
#include "scene/app_selection.h"
#include "scene/display_settings.h"
#include "scene/editor_links.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/buttons.h"
#include "toolkit/edit_control.h"
#include "toolkit/time_bar.h"
#include "vehicle/chase_camera.h"
#include "vehicle/vehicle_commands.h"
#include "vehicle/vehicle_record.h"
#include "vehicle/vehicle_render_objects.h"

namespace {

constexpr int32_t kPartOne = 1;
constexpr int32_t kLiveCommitted = -2;
constexpr int32_t kAxesXYZ = 14;
constexpr int32_t kSelectable = -1;  // Jels of id -1 or in group 1

// The main window with its view, or null: every handler starts here.
GVAppMainWin* ready(void* user) {
  auto* w = static_cast<GVAppMainWin*>(user);
  return w && w->view ? w : nullptr;
}

HWorld** worldCell() { return GVScene().world; }
HWorld* world() { return GVWorldOf(GVScene().world); }
FrameClock& frames() { return GVFrameClock(); }
const SceneServices& sv() { return GVSceneServices(); }

CameraRec* viewCamera(const GVView* v) { return v->camera ? *v->camera : nullptr; }
CameraRec* storedCamera(const GVView* v) { return v->sceneCamera ? *v->sceneCamera : nullptr; }
int32_t currentGeo(const GVView* v) { return v->currentGeo ? v->currentGeo[0] : 0; }
int32_t currentJel(const GVView* v) { return v->currentJel ? v->currentJel[0] : 0; }

void status(const char* text) {
  if (sv().showStatusLine) sv().showStatusLine(text);
}

// re-step to f: the world restarts and steps to the frame.
void restep(int32_t frame) {
  frames().currentFrame = frame;
  GVStepFrame(frame, 0);
}

// restart at 0.
void restart() {
  frames().restartFrame = 0;
  frames().currentFrame = 0;
  GVStepFrame(0, 0);
}

void reshowKeyFrameEditor() { GVReshowKeyFrameEditor(); }

// A visible key-frame editor shows its Geo at the world's frame, its
// evaluation source taken from the Geo's drive mode.
void refreshKeyFrameEditorFully() {
  const GVKeyFrameEditorLink* k = GVEditors().keyFrame;
  if (k && k->visible) GVShowGeoInKeyFrameEditor(k->geoId, static_cast<float>(GVCurrentFrame(worldCell())), 0, 1);
}

// The manipulator follows its object again (once the view can place it).
void recentreManipulator() {
  if (sv().recentreManipulator) sv().recentreManipulator();
}

void showAnimFrame(GVAppMainWin* w, int32_t frame) {
  GVAnimDialog* a = w->animationPanel;
  if (!a || !a->loopLength || !a->loopLength->edit) return;
  a->loopLength->edit->setInt(frame);
  a->loopLength->redraw();
}

void moveTimeBarMarker(GVAppMainWin* w, int32_t frame) {
  HwTimeBar* bar = w->timeBar;
  if (!bar) return;
  bar->previousFrame = bar->currentFrame;
  bar->currentFrame = frame;
  bar->moveMarker(frame);
}

// The camera the scene is saved with follows the view camera while the
// initial state is shown at frame 0.
void storeCamera(const GVView* v) {
  const HWorld* wd = world();
  CameraRec* cam = viewCamera(v);
  CameraRec* stored = storedCamera(v);
  if (frames().currentFrame != 0 || !wd || wd->params.stateMode != 0 || !cam || !stored) return;
  GVCopyCamera(cam, stored);
}

// Centre of mass of part 1 of the selected Jels' live states; false without mass.
bool jelCentre(int32_t selection, float centre[3]) {
  HWorld* wd = world();
  float mass = 0.0f, sum[3] = {0.0f, 0.0f, 0.0f};
  for (HObject* j = wd ? wd->head : nullptr; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || !j->state) continue;
    float m = 0.0f, s[3] = {0.0f, 0.0f, 0.0f};
    j->getPartMass(kPartOne, kLiveCommitted, &m);
    j->getPartMassPosSum(kPartOne, kLiveCommitted, kAxesXYZ, s);
    mass += m;
    for (int a = 0; a < 3; ++a) sum[a] += s[a];
  }
  if (mass == 0.0f) return false;
  for (int a = 0; a < 3; ++a) centre[a] = sum[a] / mass;
  return true;
}

// Centre of a Geo's bounds as it shows at the current frame.
bool geoCentre(int32_t id, float centre[3]) {
  GObject* g = GVGeoOf(GVFindGeo(GVScene().geoList, id));
  if (!g) return false;
  const HWorld* wd = world();
  const int mode = GVGetGeoDriveMode(frames().currentFrame, g, wd ? wd->params.stateMode : 0);
  if (mode != 0) GVApplyGeoTransform(g, mode);
  float box[6];
  if (!GVGeoSelBounds(GVGeoListOf(GVScene().geoList), id, box)) return false;
  for (int a = 0; a < 3; ++a) centre[a] = 0.5f * (box[2 * a] + box[2 * a + 1]);
  return true;
}

// The selection display reset as a pick of nothing would: current Jel and
// part cleared, highlights, marked parts, and the view's owner told.
void clearJelSelection() {
  if (sv().pickPending && sv().pickPending()) return;
  GVResetSelectionDisplay();
  GVClearMarkedParts();
}

// The clear button and the six drag modes released (the handler itself sets
// the drag mode, so no code goes back to it).
void releaseCamModes(GVCamDialog* c) {
  for (int i = 0; i <= 6; ++i)
    if (c->buttons[i]) c->buttons[i]->setState(0);
}

void redrawAndDescribe(GVAppMainWin* w) {
  w->redrawView();
  GVShowObjectInfo(w->view);
}

}  // namespace

// ---- move tool ----

int GVMoveToolCB(int mode, int off, void* user) {
  GVAppMainWin* w = ready(user);
  if (!w) return 0;
  GVView* v = w->view;
  if (off != 0) {
    if (v->manipulator) {
      v->manipulator->mode = 0;
      GVSetManipulatorFromSelection(0, 0, v->manipulator);
    }
    gViewModeFlags.moveTool = 0;
    w->redrawView();
    return 0;
  }
  GVClearInfoPanel(v);
  // The manipulator acts on the view's current Geo or Jel.
  const int32_t geo = currentGeo(v), jel = currentJel(v);
  bool placed = false;
  if (v->manipulator) {
    v->manipulator->mode = mode;
    placed = GVSetManipulatorFromSelection(geo, geo != 0 ? 0 : jel, v->manipulator) != 0;
  }
  gViewModeFlags.moveTool = placed ? 1 : 0;
  w->redrawView();
  if (placed) GVShowTransformInfo(v);
  return placed ? 1 : 0;
}

// ---- time bar ----

int GVTimeBarCB(int, int what, int value, void* user) {
  GVAppMainWin* w = ready(user);
  if (!w) return 0;
  GVView* v = w->view;
  char text[120];
  switch (what) {
    case 1: return value;
    case 2: return currentGeo(v);
    case 4: return currentJel(v);
    case 0x20: {
      const HWorld* wd = world();
      if (wd && wd->params.mode == kWorldReplay) {
        restep(value);
      } else {
        std::snprintf(text, sizeof text, "... frame %d", value);
        status(text);
      }
      return value;
    }
    case 8: {
      if (value == frames().currentFrame) return value;
      const int32_t noticed = GVLongStepNotice(value, GVLongStepFrames(value, frames().currentFrame));
      frames().timeBarFrame = value;
      restep(value);
      if (noticed) {
        std::snprintf(text, sizeof text, "... frame %d ... DONE", value);
        status(text);
      }
      reshowKeyFrameEditor();
      recentreManipulator();
      w->redrawView();
      showAnimFrame(w, value);
      return value;
    }
    default: return 0;
  }
}

namespace {

bool timeBarPlayMarks(const void* worldCell, HwTimeBarPlayMarks* out) {
  const HWorld* wd = GVWorldOf(static_cast<HWorld* const*>(worldCell));
  if (!wd) return false;
  const FrameParams& p = wd->params;
  *out = HwTimeBarPlayMarks{p.mode, p.recordFirst, p.recordLast, p.loopFlag, p.loopStart, p.loopLength};
  return true;
}

// Geo selections: -1 every Geo, an id that Geo, -2 .. -31 a group bit.
bool geoInSelection(const GObject* g, int selection) {
  if (selection == -1) return true;
  if (selection > 0) return g->id == selection;
  if (selection <= -2 && selection >= -31) return (g->groupMask >> ((-selection) & 31)) & 1u;
  return false;
}

void timeBarKeyFrames(const void* listCell, int selection, void (*visit)(int, void*), void* context) {
  const GeoList* list = GVGeoListOf(static_cast<const ObjHandle*>(listCell));
  if (selection == 0) return;
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next) {
    if (!g->keyTrack || !geoInSelection(g, selection)) continue;
    for (const KeyFrame* k = g->keyTrack->firstKey; k; k = k->next) visit(k->frame, context);
  }
}

int timeBarNextStoredFrame(const void* worldCell, int selection, int after) {
  const HWorld* wd = GVWorldOf(static_cast<HWorld* const*>(worldCell));
  return wd && selection != 0 ? GVNextStoredFrame(wd, selection, after) : -1;
}

}  // namespace

void GVInstallTimeBarOwner() {
  HwTimeBar::setDefaultCallback(GVTimeBarCB);
  HwTimeBar::setSceneHooks({timeBarPlayMarks, timeBarKeyFrames, timeBarNextStoredFrame});
}

// ---- camera panel ----

int GVCameraPanelQueryCB(int what, void* user) {
  GVAppMainWin* w = ready(user);
  if (!w) return 0;
  const CameraRec* cam = viewCamera(w->view);
  if (what == 1) return w->view->toolMode;
  if (what == 2) return cam && cam->mode == 1 ? 1 : 0;
  return 0;
}

int GVCameraPanelCB(int code, int state, void* user) {
  GVAppMainWin* w = ready(user);
  if (!w || !w->cameraPanel) return 0;
  GVView* v = w->view;
  CameraRec* cam = viewCamera(v);
  // The view's camera drag modes of codes 2-7.
  static const int kDragModes[6] = {1, 2, 3, 4, 6, 5};
  switch (code) {
    case 11: v->toolMode = 0; return 0;
    case 1:
      releaseCamModes(w->cameraPanel);
      v->toolMode = 0;
      if (sv().setCurrentGeo) sv().setCurrentGeo(0);
      clearJelSelection();
      w->redrawLogicLines();
      redrawAndDescribe(w);
      return 0;
    case 2: case 3: case 4: case 5: case 6: case 7:
      releaseCamModes(w->cameraPanel);
      v->toolMode = 0;
      storeCamera(v);
      if (state != 0) return 0;
      v->toolMode = kDragModes[code - 2];
      w->redrawView();
      GVShowCameraInfo(v);
      return 1;
    case 8:
      if (!cam) return 0;
      cam->mode = cam->mode == 1 ? 0 : 1;
      storeCamera(v);
      if (cam->mode == 1) return 1;
      SendMessageA(v->window, WM_KEYUP, 0, 0);
      return 0;
    case 9: {
      if (!cam) return 0;
      float target[3] = {0.0f, 0.0f, 0.0f};
      const int32_t jel = currentJel(v), geo = currentGeo(v);
      if (!(jel != 0 && jelCentre(jel, target)) && !(geo != 0 && geoCentre(geo, target)))
        target[0] = target[1] = target[2] = 0.0f;
      GVSetCameraTarget(cam, target);
      storeCamera(v);
      GVSetViewProjection(v);
      w->redrawView();
      return 0;
    }
    case 10:
      if (!cam) return 0;
      if (cam->mode == 0) {
        cam->target[0] += cam->eye[0];
        cam->target[1] += cam->eye[1];
      }
      cam->eye[0] = cam->eye[1] = 0.0f;
      GVUpdateCameraAngles(cam);
      GVSetCameraElevation(cam, 0.0f);
      GVSetCameraHeading(cam, 0.0f);
      GVSetViewProjection(v);
      storeCamera(v);
      w->redrawView();
      GVShowCameraInfo(v);
      return 0;
    default: return 0;
  }
}

// ---- animation panel ----

int GVAnimPanelQueryCB(int what, int item, void*) {
  const HWorld* wd = world();
  if (!wd) return 0;
  const FrameParams& p = wd->params;
  switch (what) {
    case 1: return p.stateMode;
    case 2: return p.mode;
    case 3: return p.loopFlag ? 1 : 0;
    case 4: return p.loopLength;
    case 5: return item == kWorldRecord ? 2 : item == kWorldReplay ? 3 : item == kWorldOutsideRecord ? 4 : 0;
    case 6: return item == 2 ? kWorldRecord : item == 3 ? kWorldReplay : item == 4 ? kWorldOutsideRecord : 0;
    default: return 0;
  }
}

namespace {

int32_t cycleWorldMode(GVAppMainWin* w, HWorld* wd) {
  FrameParams& p = wd->params;
  GVResetSelToWorld(wd, kSelectable);
  int32_t mode = p.mode == kWorldSimulate ? kWorldRecord : kWorldSimulate;
  p.mode = mode;
  GVPushWorldParams(wd, &p, kFpMode);
  if (mode != kWorldSimulate) {
    const int32_t c = p.currentFrame;
    mode = c < p.lastRecordedFrame ? kWorldReplay : kWorldRecord;
    if (c < p.recordFirst || (p.recordLast != 0 && c > p.recordLast)) mode = kWorldOutsideRecord;
    p.mode = mode;
    GVPushWorldParams(wd, &p, kFpMode);
  }
  const int32_t c = p.currentFrame;
  if (mode == kWorldRecord && p.lastRecordedFrame < p.computedFrame)
    GVSeekStoredFrame(wd, p.lastRecordedFrame);
  else if (mode != kWorldReplay && c != p.computedFrame)
    GVSeekStoredFrame(wd, c);
  GVReserveJelFrameCaches(wd);
  if (mode != kWorldReplay) GVAdvanceToFrame(wd, frames().currentFrame, GVFrameCallback, nullptr);
  GVDeformBoundGeos(GVScene().geoList, worldCell());
  bool loopedOn = false;
  if (mode != kWorldSimulate) {
    loopedOn = GVSetWorldLoop(wd, 4) == 0;
    GVSetWorldLoop(wd, 1);
    if (p.loopLength >= 0) GVClampJelFrameWord16(wd, p.loopLength);
  }
  frames().currentFrame = GVCurrentFrame(worldCell());
  w->redrawView();
  GVAnimDialog* a = w->animationPanel;
  if (a && a->loopButton && loopedOn) a->loopButton->setState(1);
  moveTimeBarMarker(w, frames().currentFrame);
  w->redrawTimeBar();
  return GVAnimPanelQueryCB(5, p.mode, a);
}

int32_t clearStoredFrames(GVAppMainWin* w, HWorld* wd) {
  FrameParams& p = wd->params;
  GVResetSelToWorld(wd, kSelectable);
  GVPushWorldParams(wd, &p, kFpMode | kFpLastRecorded);
  const int32_t c = frames().currentFrame;
  GVSetWorldFrameWord14(wd, c);
  if (c >= p.recordFirst) GVFreeJelFrameCaches(wd);
  if (p.mode == kWorldReplay) {
    GVSetWorldMode(wd, kWorldRecord);
    GVSeekStoredFrame(wd, c);
  }
  frames().currentFrame = GVCurrentFrame(worldCell());
  w->redrawView();
  moveTimeBarMarker(w, frames().currentFrame);
  GVSyncAnimModeButton(w->animationPanel, p.mode);
  return frames().currentFrame;
}

int32_t toggleLoop(GVAppMainWin* w, HWorld* wd) {
  const int32_t on = GVSetWorldLoop(wd, 2);
  GVPushWorldParams(wd, &wd->params, kFpLoop);
  if (!on) {
    const int32_t mode = GVSetWorldMode(wd, wd->params.mode);
    GVAnimDialog* a = w->animationPanel;
    if (mode == kWorldSimulate && a && a->play && a->play->state != 0) GVPressAnimButton(a);
  }
  w->redrawTimeBar();
  GVRefreshAnimDialog(w->animationPanel);
  return on ? 1 : 0;
}

}  // namespace

int GVAnimPanelCB(int, int code, int value, void* user) {
  GVAppMainWin* w = ready(user);
  if (!w) return 0;
  frames().restartFrame = 0;
  HWorld* wd = world();
  GVView* v = w->view;
  switch (code) {
    case 1: {
      if (!wd) return 0;
      GVSetWorldStateMode(wd, wd->params.stateMode == -1 ? 0 : -1);
      if (wd->params.stateMode == -1 && sv().refreshAllGeoRenderMeshes) sv().refreshAllGeoRenderMeshes();
      frames().currentFrame = 0;
      GVStepFrame(0, 1);
      w->redrawView();
      reshowKeyFrameEditor();
      return wd->params.stateMode;
    }
    case 2:
      frames().currentFrame = 0;
      GVStepFrame(0, 1);
      recentreManipulator();
      w->redrawView();
      reshowKeyFrameEditor();
      return 0;
    case 3: {
      if (!wd || wd->params.mode != kWorldReplay) return 0;
      const int32_t f = frames().currentFrame > 0 ? frames().currentFrame - 1 : 0;
      frames().currentFrame = f;
      GVAdvanceToFrame(wd, f, GVFrameCallback, GVUpdateAfterStep);
      return 0;
    }
    case 4:
      if (frames().running) return frames().currentFrame;
      frames().running = 1;
      GVNextFrame();
      frames().running = 0;
      recentreManipulator();
      w->redrawView();
      GVClearInfoPanel(v);
      refreshKeyFrameEditorFully();
      return frames().currentFrame;
    case 5:
      if (value == 0) {
        frames().running = 1;
        frames().playState = 1;
        GVClearInfoPanel(v);
        if (GVLogicFindGeoPointer() && v->window) {
          EnableWindow(v->window, TRUE);
          SetActiveWindow(v->window);
          SetFocus(v->window);
        }
        return 1;
      }
      if (value == 1) {
        frames().running = 0;
        frames().playState = 0;
        recentreManipulator();
        w->redrawView();
        refreshKeyFrameEditorFully();
        return 0;
      }
      return value == 2 ? frames().playState : 0;
    case 6: return wd ? cycleWorldMode(w, wd) : 0;
    case 7: return wd ? clearStoredFrames(w, wd) : 0;
    case 8: return wd ? toggleLoop(w, wd) : 0;
    case 9: {
      const int32_t length = GVSetWorldFrameParam(worldCell(), value);
      if (wd) GVClampJelFrameWord16(wd, length);
      w->redrawTimeBar();
      return length;
    }
    default: return 0;
  }
}

// ---- key-frame button bar ----

int32_t GVKeyFrameBarCB(int32_t frame, int32_t event, int32_t geoId, const char* text, void* user) {
  GVAppMainWin* w = ready(user);
  if (!w) return 0;
  GVView* v = w->view;
  switch (event) {
    case 0x400: return currentGeo(v);
    case 0x40:
      if (geoId == 0) return 0;
      if (frames().currentFrame != 0 && sv().markViewReEvaluation) sv().markViewReEvaluation();
      GVShowWarning(1, v, geoId, 0);
      w->redrawTimeBar();
      return 0;
    case 0x100:
    case 0x200:
      GVLongStepNotice(frame, GVLongStepFrames(frame, frames().currentFrame));
      GVStepFrame(frame, 0);
      GVShowGeoInKeyFrameEditor(geoId, static_cast<float>(frame), 0, 1);
      if (sv().placeManipulatorAtGeo) sv().placeManipulatorAtGeo();
      w->redrawView();
      return 0;
    case 0x800:
      if (text) status(text);
      return 0;
    default: return 0;
  }
}

// ---- logic control window ----

int32_t GVLogicPanelCB(int32_t id, int32_t event, int32_t, void* user) {
  GVAppMainWin* w = ready(user);
  if (!w) return 0;
  switch (event) {
    case 8: restep(frames().currentFrame); return 0;
    case 0x10: restart(); return 0;
    case 2:
      w->redrawLogicLines();
      w->redrawView();
      return 0;
    case 0x20:
      clearJelSelection();
      if (sv().setCurrentGeo) sv().setCurrentGeo(id);
      w->redrawLogicLines();
      w->redrawTimeBar();
      redrawAndDescribe(w);
      return 0;
    case 0x40:
      if (sv().setViewCurrentJel) sv().setViewCurrentJel(id);
      if (sv().selectJel) sv().selectJel(id, 0);
      w->redrawLogicLines();
      w->redrawTimeBar();
      redrawAndDescribe(w);
      return 0;
    default: return 0;
  }
}

// ---- vehicle controls ----

namespace {

VehicleRec* sceneVehicle() { return GVVehicleOf(GVScene().vehicle); }
bool vehicleNotEmpty() {
  VehicleRec* r = sceneVehicle();
  return r && !GVVehicleIsEmpty(r);
}
bool flyAwayScene() {
  const DisplaySettings* d = GVScene().display;
  return d && d->optionInts3[0] != 0;
}

// The camera target to the centre of mass of the vehicle's chassis Jels.
void aimAtChassis(const GVView* v, const VehicleRec* r) {
  CameraRec* cam = viewCamera(v);
  float centre[3] = {0.0f, 0.0f, 0.0f};
  if (!cam || !jelCentre(r->groupChassis, centre)) return;
  GVSetCameraTarget(cam, centre);
}

int32_t geoDisplayMode(const GVView* v) {
  const CameraRec* cam = viewCamera(v);
  return cam ? cam->geoDisplayMode : 1;
}

// An open editor's step of the panel refresh, for the view's current objects.
void refreshEditor(GVAppMainWin* w, int code) {
  const GVEditorEntry* e = GVEditorEntryOf(code);
  if (w->editors[code] && e && e->refresh) e->refresh(w->editors[code], currentGeo(w->view), currentJel(w->view));
}

}  // namespace

int32_t GVVehiclePanelCB(int32_t value, int32_t event, float, void* user) {
  GVAppMainWin* w = ready(user);
  if (!w || !w->vehiclePanel) return 0;
  GVView* v = w->view;
  const bool guarded = event == 1 || event == 0x2000 || event == 0x4000 || event == 4;
  if (guarded && vehicleNotEmpty() && flyAwayScene()) {
    MessageBeep(MB_ICONHAND);
    GVShowWarning(4, v, 0, 0);
    return 0;
  }
  VehicleRec* r = sceneVehicle();
  switch (event) {
    case 0x20000:
      if (value <= 1) status("");
      return value;
    case 1: {
      // The panel's suspension kind and body length (along x) and width.
      HwVehicle* p = w->vehiclePanel;
      GVMakeVehicle(p->suspensionKind, p->bodyLength, p->bodyWidth, 0, geoDisplayMode(v));
      p->refreshFromScene();
      refreshEditor(w, kEditorAttachment);
      w->redrawView();
      restart();
      return 0;
    }
    case 0x10: restart(); return 0;
    case 0x100:
      refreshEditor(w, kEditorMatter);
      restart();
      return 0;
    case 0x200: refreshEditor(w, kEditorMatter); return 0;
    case 0x20:
      if (!r) return 0;
      if (value == 1 || value == 2)
        GVVehicleCameraFollow();
      else if (value == 0)
        aimAtChassis(v, r);
      GVSetViewProjection(v);
      GVUpdateAfterStep(worldCell(), -1, nullptr);
      return 0;
    case 0x4000:
      if (!r || GVVehicleWheelsOneSide(r) || (value != 1 && value != 2)) return 0;
      if (!GVVehicleSetWheelKind(r, value)) return 0;
      GVCreateOgreVehicleParts(geoDisplayMode(v));
      restart();
      if (!GVVehicleWheelGeosOk())
        status("WARNING: GEO vhcl wheels must first be massoc'd with 8_Seg JEL wheels before upgrading to 16_Seg");
      return 0;
    case 0x2000: restep(frames().currentFrame); return 0;
    case 0x10000:
      if (vehicleNotEmpty()) {
        MessageBeep(MB_ICONHAND);
        status("WARNING: Vhcl wheels must be 'offset' in Natural State mode");
      }
      return 0;
    case 0x8000:
      restep(frames().currentFrame);
      status("WARNING: Geo Vhcl wheels are NOT interpolated in NAT state with 'wheel-offset' (see Notes)");
      return 0;
    default: return 0;
  }
}
