// The main window's panels: building and laying them out, the side panels
// shown and hidden, the choosers and opacity buttons, and the refreshes.
#include "appwins/app_main_win.h"

#include <algorithm>
#include <new>

#include "GVAppWins/info_panels.h"
#include "GVAppWins/manipulator.h"
#include "GVAppWins/ogre_materials.h"
#include "GVAppWins/view_picking.h"
#include "GVAppWins/view_window.h"
#include "appwins/anim_dialog.h"
#include "appwins/editor_bar.h"
#include "scene/editor_links.h"
#include "appwins/create_jel.h"
#include "appwins/create_geo.h"
#include "appwins/file_list.h"
#include "appwins/file_save.h"
#include "appwins/help_window.h"
#include "appwins/key_frame_bar.h"
#include "appwins/logic_cntrl.h"
#include "appwins/menu_bar.h"
#include "appwins/notes_window.h"
#include "appwins/panel_handlers.h"
#include "appwins/tool_dialogs.h"
#include "appwins/vehicle_panel.h"
#include "appwins/view_owner.h"
#include "GVAppWins/view_links.h"
#include "appwins/message_dlg.h"
#include "dynamics/constraint_cmds.h"
#include "dynamics/group_ops.h"
#include "geo/geo_object.h"
#include "logic/program_store.h"
#include "scene/app_selection.h"
#include "scene/display_settings.h"
#include "scene/file_handlers.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/menu_commands.h"
#include "scene/scene_limits.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/buttons.h"
#include "toolkit/edit_control.h"
#include "toolkit/choosers.h"
#include "toolkit/form.h"
#include "toolkit/time_bar.h"
#include "toolkit/window_classes.h"

namespace {

GVAppMainWin* gMainWin = nullptr;

// The logic control window is built at this height; the form gives it its own.
constexpr int kLogicBuildHeight = 600;
constexpr int kTimeBarHeight = 50;
constexpr int kVehiclePanelHeight = 200;
// The Geo and Jel display modes of chooser items 1 to 4.
constexpr int kDisplayModes[4] = {1, 2, 16, 32};

// The display settings words the main window reads and writes.
float* jelOpacity(DisplaySettings* d) { return d ? &d->renderValue1 : nullptr; }
int32_t* rateBits(DisplaySettings* d) { return d ? &d->optionWord : nullptr; }

void moveLogicWindow(void* control, int x, int y, int width, int height) {
  static_cast<HwLogicCntrl*>(control)->move(x, y, width, height);
}

void logicWindowSize(const void* control, int* width, int* height) {
  const auto* w = static_cast<const HwLogicCntrl*>(control);
  *width = w->width;
  *height = w->height;
}

// The tool dialogs keep their own size wherever the form puts them.
void moveAnimPanel(void* control, int x, int y, int width, int height) {
  GVMoveAnimDialog(static_cast<GVAnimDialog*>(control), x, y, width, height);
}
void animPanelSize(const void* control, int* width, int* height) {
  const auto* d = static_cast<const GVAnimDialog*>(control);
  *width = d->frame ? d->frame->width : 0;
  *height = d->frame ? d->frame->height : 0;
}
void moveKeyFrameBar(void* control, int x, int y, int, int) {
  GVMoveKeyFrameBar(static_cast<GVKeyFrameBar*>(control), x, y);
}
void keyFrameBarSize(const void* control, int* width, int* height) {
  const auto* b = static_cast<const GVKeyFrameBar*>(control);
  *width = b->frame ? b->frame->width : 0;
  *height = b->frame ? b->frame->height : 0;
}
void moveCamPanel(void* control, int x, int y, int, int) { GVCamDialogMove(static_cast<GVCamDialog*>(control), x, y); }
void camPanelSize(const void* control, int* width, int* height) {
  const auto* d = static_cast<const GVCamDialog*>(control);
  *width = d->width;
  *height = d->height;
}
void moveMoveTool(void* control, int x, int y, int, int) {
  GVMoveToolDialogMove(static_cast<GVMoveToolDialog*>(control), x, y);
}
void moveToolSize(const void* control, int* width, int* height) {
  const auto* d = static_cast<const GVMoveToolDialog*>(control);
  *width = d->width;
  *height = d->height;
}

// The panels' owners: the main window's request handlers.
int animState(int request, int value, void* dialog) { return GVAnimPanelQueryCB(request, value, dialog); }
int camState(int request, void* window) { return GVCameraPanelQueryCB(request, window); }

void moveVehiclePanel(void* control, int x, int y, int width, int height) {
  static_cast<HwVehicle*>(control)->move(x, y, width, height);
}
void vehiclePanelSize(const void* control, int* width, int* height) {
  const auto* p = static_cast<const HwVehicle*>(control);
  *width = p->frame.width;
  *height = p->frame.height;
}

void moveMenuBar(void* control, int x, int y, int width, int height) {
  GVMenuBarMove(static_cast<GVMenuBar*>(control), x, y, width, height);
}

void moveEditorBar(void* control, int x, int y, int width, int height) {
  GVMoveEditorFrame(static_cast<GVEditorBar*>(control), x, y, width, height);
}

void editorBarSize(const void*, int* width, int* height) {
  *width = kEditorBarWidth;
  *height = kEditorBarHeight;
}

void moveView(void* control, int x, int y, int width, int height) {
  GVMoveView(static_cast<GVView*>(control), x, y, width, height);
}

HwDropDownCntrl* makeChooser(HWND parent, HINSTANCE instance, const char* label, int width, int labelWidth,
                             const char* const* items, int count, int selected, HwDropDownCB callback,
                             void* user) {
  auto* d = new (std::nothrow) HwDropDownCntrl(instance, label, parent, 0, 0, width, 28, labelWidth, 0.2f, callback,
                                               user);
  if (!d) return nullptr;
  d->fillList(items, count);
  d->selectItem(selected);
  return d;
}

HwBMButton* makeOpacityButton(HWND parent, HINSTANCE instance, int y, const char* tip, HwButtonCB callback,
                              void* user) {
  auto* b = new (std::nothrow) HwBMButton();
  if (b) b->create(parent, instance, "", 1, 0, 0, 0, 0, 0, 312, y, 15, 12, 0, tip, 0, 0, callback, user);
  return b;
}

// The frame rate of the first rate bit set (MAX without any), and its item.
int rateItem(int32_t bits) {
  for (int i = 0; i < kRateCount; ++i)
    if (bits & kRateBits[i]) return i + 1;
  return 1;
}

// The view paces the frame step; the message loop reads the scene's clock.
void applyFrameRate(GVView* view, int fps) {
  GVSetFrameRate(view, fps);
  FrameClock& clock = GVFrameClock();
  clock.timerMode = gFrameTimer.timerMode;
  clock.msPerFrame = static_cast<int32_t>(gFrameTimer.msPerFrame);
  if (fps > 0) clock.fps = fps;
}

}  // namespace

GVAppMainWin* GVMainAppWin() { return gMainWin; }
void GVSetMainAppWin(GVAppMainWin* window) { gMainWin = window; }

GVAppMainWin::GVAppMainWin(HINSTANCE inst, int referenceHeight) {
  create(inst, referenceHeight);
  buildPanels();
}

GVAppMainWin::~GVAppMainWin() {
  freeEditors();
  delete fileList;
  delete saveDialog;
  fileList = nullptr;
  saveDialog = nullptr;
  delete geoDisplay;
  delete jelDisplay;
  delete opacityUp;
  delete opacityDown;
  geoDisplay = jelDisplay = nullptr;
  opacityUp = opacityDown = nullptr;
  GVFreeCamDialog(cameraPanel);
  delete cameraPanel;
  cameraPanel = nullptr;
  if (selectorBar) {
    GVFreeEditorFrame(selectorBar);
    delete selectorBar;
    selectorBar = nullptr;
  }
  GVFreeAnimDialog(animationPanel);
  delete animationPanel;
  animationPanel = nullptr;
  GVDestroyKeyFrameBar(keyFrameBar);
  delete keyFrameBar;
  keyFrameBar = nullptr;
  delete fpsChooser;
  fpsChooser = nullptr;
  delete timeBar;
  timeBar = nullptr;
  // A later bar does not report to this window.
  HwTimeBar::setDefaultCallback(nullptr);
  HwTimeBar::setSceneHooks({});
  GVFreeMoveToolDialog(moveToolPanel);
  delete moveToolPanel;
  moveToolPanel = nullptr;
  // The swept-shape dialog takes its preview out of the view first.
  delete createGeoVR;
  createGeoVR = nullptr;
  if (view) {
    if (GVMainView() == view) GVSetMainView(nullptr);
    GVDestroyView(view);
    delete view;
    view = nullptr;
  }
  delete logicPanel;
  logicPanel = nullptr;
  delete vehiclePanel;
  vehiclePanel = nullptr;
  if (menuBar) {
    GVFreeMenuBar(menuBar);
    delete menuBar;
    menuBar = nullptr;
  }
  delete createJelDialog;
  delete createGJelDialog;
  createJelDialog = nullptr;
  createGJelDialog = nullptr;
  delete createGeoPlane;
  delete createGeoBlock;
  createGeoPlane = nullptr;
  createGeoBlock = nullptr;
  if (gMainWin == this) gMainWin = nullptr;
}

void GVAppMainWin::buildPanels() {
  if (!form || !client) return;
  HWND parent = client;
  HwForm& f = *form;

  menuBar = new (std::nothrow) GVMenuBar();
  if (menuBar) GVBuildMenuBar(menuBar, parent, this);
  f.addDefinition(menuBar, kKindMenuBar, 1, 0, nullptr, 0, 2, 10, nullptr, 0, 3, 10, nullptr, 0, 18, 26, nullptr, 0);

  static const char* const kGeoItems[] = {"NONE", "WE_L", "HS_L", "HL_L"};
  static const char* const kJelItems[] = {"NONE", "WE", "HS", "HL_L"};
  geoDisplay = makeChooser(parent, instance, "Geo Dply:", 150, 73, kGeoItems, 4, 4, geoDisplayCB, this);
  f.addDefinition(geoDisplay, 12, 9, 9, menuBar, kKindMenuBar, 2, 10, nullptr, 0, 17, 150, nullptr, 0, 18, 28,
                  nullptr, 0);
  jelDisplay = makeChooser(parent, instance, "Jel Dply:", 150, 73, kJelItems, 4, 4, jelDisplayCB, this);
  f.addDefinition(jelDisplay, 12, 9, 9, menuBar, kKindMenuBar, 10, 0, geoDisplay, 12, 17, 150, nullptr, 0, 18, 28,
                  nullptr, 0);

  opacityUp = makeOpacityButton(parent, instance, 36, "step opacity", opacityUpCB, this);
  opacityDown = makeOpacityButton(parent, instance, 48, nullptr, opacityDownCB, this);

  cameraPanel = new (std::nothrow) GVCamDialog();
  if (cameraPanel) GVCreateCamDialog(cameraPanel, instance, parent, camState, GVCameraPanelCB, this);
  f.addDefinition(cameraPanel, kKindCamera, 9, 4, menuBar, kKindMenuBar, 10, 30, jelDisplay, 12, 19, 0, nullptr, 0,
                  20, 0, nullptr, 0);
  selectorBar = new (std::nothrow) GVEditorBar();
  if (selectorBar) GVBuildEditorFrame(selectorBar, parent, this);
  f.addDefinition(selectorBar, kKindSelectorBar, 9, 4, menuBar, kKindMenuBar, 10, 10, cameraPanel, kKindCamera, 19,
                  0, nullptr, 0, 20, 0, nullptr, 0);
  moveToolPanel = new (std::nothrow) GVMoveToolDialog();
  if (moveToolPanel) GVCreateMoveToolDialog(moveToolPanel, instance, parent, GVMoveToolCB, this);
  f.addDefinition(moveToolPanel, kKindMoveTool, 9, 8, cameraPanel, kKindCamera, 2, 3, nullptr, 0, 19, 0, nullptr, 0,
                  20, 0, nullptr, 0);
  vehiclePanel = new (std::nothrow)
      HwVehicle(instance, parent, clientWidth - 20, kVehiclePanelHeight, 1, GVVehiclePanelCB, this);
  f.addDefinition(vehiclePanel, kKindVehicle, 20, 0, nullptr, 0, 2, 10, nullptr, 0, 3, 10, nullptr, 0, 4, 10,
                  nullptr, 0);

  // The bar takes its owner and scene hooks when it is made.
  GVInstallTimeBarOwner();
  timeBar = new (std::nothrow) HwTimeBar();
  if (timeBar) {
    timeBar->create(instance, parent, clientWidth - 20, 0, GVScene().geoList, GVScene().world, this);
    timeBar->frameCallback = GVFrameCallback;
    timeBar->afterFrameCallback = GVUpdateAfterStep;
  }
  f.addDefinition(timeBar, kKindTimeBar, 18, kTimeBarHeight, nullptr, 0, 2, 10, nullptr, 0, 3, 10, nullptr, 0, 12,
                  10, vehiclePanel, kKindVehicle);
  animationPanel = new (std::nothrow) GVAnimDialog();
  if (animationPanel) GVCreateAnimDialog(animationPanel, instance, parent, 0, GVAnimPanelCB, animState, this);
  f.addDefinition(animationPanel, kKindAnimation, 18, 35, nullptr, 0, 2, 42, nullptr, 0, 17, 400, nullptr, 0, 12,
                  10, timeBar, kKindTimeBar);
  keyFrameBar = new (std::nothrow) GVKeyFrameBar();
  if (keyFrameBar) GVCreateKeyFrameBar(keyFrameBar, instance, parent, 542, GVKeyFrameBarCB, this);
  f.addDefinition(keyFrameBar, kKindKeyFrameBar, 18, 35, nullptr, 0, 10, 100, animationPanel, kKindAnimation, 17,
                  150, nullptr, 0, 12, 10, timeBar, kKindTimeBar);

  static const char* const kRateItems[] = {"MAX", "60", "48", "30", "16"};
  fpsChooser = makeChooser(parent, instance, "fps:", 116, 43, kRateItems, kRateCount, 1, fpsCB, this);
  f.addDefinition(fpsChooser, 12, 18, 28, nullptr, 0, 17, 116, nullptr, 0, 3, 11, nullptr, 0, 12, 10, timeBar,
                  kKindTimeBar);

  logicPanel = new (std::nothrow)
      HwLogicCntrl(instance, parent, clientWidth - 10 - logicPanelWidth, logicPanelWidth, kLogicBuildHeight, 1, this);
  if (logicPanel) logicPanel->owner = GVLogicPanelCB;
  f.addDefinition(logicPanel, kKindLogic, 9, 7, cameraPanel, kKindCamera, 17, 0, nullptr, 0, 3, 10, nullptr, 0, 12,
                  7, animationPanel, kKindAnimation);

  view = new (std::nothrow) GVView();
  if (view) {
    GVCreateView(view, instance, parent, clientWidth / 2, clientHeight / 2, GVScene().geoList, GVScene().world,
                 this);
    GVSetMainView(view);
  }
  f.addDefinition(view, kKindView, 9, 10, cameraPanel, kKindCamera, 10, 3, moveToolPanel, kKindMoveTool, 11, 3,
                  logicPanel, kKindLogic, 12, 10, animationPanel, kKindAnimation);

  f.resolveReferences();
  f.setSize(clientWidth, clientHeight);
}

void GVAppMainWin::resize(int w, int h) {
  if (form) form->setSize(w, h);
  GVPlaceNotesWindow();
}

void GVAppMainWin::redrawView() {
  if (view && !minimised) GVRedrawView(view);
}

void GVAppMainWin::updatePanels(int geoId, int jelId) {
  if (!view) return;
  GVUpdateCamModeButton(cameraPanel);
  GVRefreshAnimDialog(animationPanel);
  refreshEditors(geoId, jelId);
  if (vehiclePanel) vehiclePanel->refreshFromScene();
  // The export panel joins here as it comes.
  DisplaySettings* display = GVScene().display;
  if (fpsChooser && display) {
    const int item = rateItem(*rateBits(display));
    applyFrameRate(view, kRateFps[item - 1]);
    fpsChooser->selectItem(item);
  }
  if (createGJelDialog) createGJelDialog->setGeo(geoId);
  // An active manipulator follows a lone selection.
  if (view && view->manipulator && view->manipulator->mode != 0 && (geoId != 0) != (jelId != 0))
    GVSetManipulatorFromSelection(geoId, jelId, view->manipulator);
  redrawTimeBar();
  redrawLogicLines();
}

void GVAppMainWin::showLogicPanel(int show) {
  if (!form || !logicPanel) return;
  form->changeDefinition(logicPanel, kKindLogic, 9, 7, cameraPanel, kKindCamera, 17, show ? logicPanelWidth : 0, 12,
                         7, animationPanel, kKindAnimation);
  if (logicPanel->frame && logicPanel->frame->outer)
    ShowWindow(logicPanel->frame->outer, show ? SW_SHOW : SW_HIDE);
  form->resolveReferences();
  form->doArrange();
  GVPlaceNotesWindow();
  GVNotesBehindMainWindow(show);
  if (show) logicPanel->refreshLines();
}

void GVAppMainWin::showVehiclePanel(int show) {
  if (!form) return;
  if (vehiclePanel) {
    form->changeDefinition(vehiclePanel, kKindVehicle, 18, show ? kVehiclePanelHeight : 0, nullptr, 0, 2, 10, 4, 10,
                           nullptr, 0);
    if (vehiclePanel->frame.outer) ShowWindow(vehiclePanel->frame.outer, show ? SW_SHOW : SW_HIDE);
    if (show) vehiclePanel->redrawReadout();
  }
  if (timeBar) {
    form->changeDefinition(timeBar, kKindTimeBar, 18, show ? 0 : kTimeBarHeight, nullptr, 0, 2, 10, 12, 10,
                           vehiclePanel, kKindVehicle);
    if (timeBar->frame.window) ShowWindow(timeBar->frame.window, show ? SW_HIDE : SW_SHOW);
  }
  form->resolveReferences();
  form->doArrange();
  GVPlaceNotesWindow();
  if (view) {
    GVClearInfoPanel(view);
    GVShowWindowSize(view);
  }
}

void GVAppMainWin::redrawLogicLines() {
  if (logicPanel) logicPanel->redrawLines();
}

void GVAppMainWin::redrawTimeBar() {
  if (timeBar) timeBar->redraw();
}

void GVAppMainWin::resetMoveTool() {
  if (view && view->manipulator) {
    view->manipulator->mode = 0;
    GVSetManipulatorFromSelection(0, 0, view->manipulator);
  }
  gViewModeFlags.moveTool = 0;
  GVRedrawMoveToolButtons(moveToolPanel);
}

void GVAppMainWin::endEditModes() {
  GVEditorLinks& e = GVEditors();
  GVEndEditorMode(e.structure);
  GVEndEditorMode(e.jelPart);
  GVEndEditorMode(e.geoPart);
}

void GVAppMainWin::showFilesList(int mode) {
  if (!fileList) {
    fileList = new (std::nothrow) HwListDlg(650, 500, mode, filesListOwner, this);
    if (fileList) fileList->show();
    return;
  }
  fileList->listFiles(mode);
  if (!fileList->isVisible()) fileList->show();
}

void GVAppMainWin::showSaveDialog(int mode, const char* name) {
  if (!saveDialog) {
    saveDialog = new (std::nothrow) HwFileSave(mode, name, saveDialogOwner, this);
    if (saveDialog) saveDialog->show();
    return;
  }
  saveDialog->setMode(mode, name);
  if (!saveDialog->isVisible()) saveDialog->show();
}

void GVAppMainWin::showCreateDialog(int dialog, int mode, int geoId, int jelId) {
  switch (dialog) {
    case kCreateDialogSweptGeo:
      if (!createGeoVR) {
        createGeoVR = new (std::nothrow) HwCreateGeoVR(mode, geoId, view, this);
        return;
      }
      createGeoVR->show(mode);
      return;
    case kCreateDialogPlaneGeo:
      if (!createGeoPlane) {
        createGeoPlane = new (std::nothrow) HwCreateGeoPlane(geoId, this);
        return;
      }
      createGeoPlane->show();
      return;
    case kCreateDialogBlockGeo:
      if (!createGeoBlock) {
        createGeoBlock = new (std::nothrow) HwCreateGeoBlock(geoId, this);
        return;
      }
      createGeoBlock->show();
      return;
    case kCreateDialogBlockJel:
      if (!createJelDialog) {
        createJelDialog = new (std::nothrow) HwCreateJel(this, jelId);
        return;
      }
      createJelDialog->showJel(jelId);
      createJelDialog->show();
      return;
    case kCreateDialogJelFromGeo:
      if (!createGJelDialog) {
        createGJelDialog = new (std::nothrow) HwCreateGJel(this, geoId, jelId);
        return;
      }
      createGJelDialog->setGeo(geoId);
      createGJelDialog->show();
      return;
    default: return;
  }
}

int GVAppMainWin::jelFromGeoDialogGeo() const { return createGJelDialog ? createGJelDialog->geoSel : 0; }

void GVAppMainWin::filesListOwner(int code, int item, const char* text, void* window) {
  GVFilesListCB(static_cast<uint32_t>(code), item, text, window);
}

void GVAppMainWin::saveDialogOwner(int code, int modeCode, const char* text, void* window) {
  // "Save" hands over no text: the name is what the field held when it was pressed.
  auto* w = static_cast<GVAppMainWin*>(window);
  if ((modeCode & 8) && (!text || !text[0]) && w && w->saveDialog && w->saveDialog->savedName)
    text = w->saveDialog->savedName;
  GVSaveSceneCB(code, static_cast<uint32_t>(modeCode), text, window);
}

int GVAppMainWin::setDisplayMode(int item, bool jel) {
  if (item < 1 || item > 4) return 0;
  if (!view || !view->camera || !*view->camera) return item;
  const int mode = kDisplayModes[item - 1];
  for (CameraRec** cell : {view->camera, view->sceneCamera}) {
    if (!cell || !*cell) continue;
    (jel ? (*cell)->jelDisplayMode : (*cell)->geoDisplayMode) = mode;
  }
  const SceneServices& s = GVSceneServices();
  if (s.setGeoUVMaterials) s.setGeoUVMaterials(jel ? 0 : mode, jel ? mode : 0);
  if (s.updateRenderObjects) s.updateRenderObjects();
  redrawView();
  return item;
}

int GVAppMainWin::geoDisplayCB(int item, void* window) {
  auto* w = static_cast<GVAppMainWin*>(window);
  return w ? w->setDisplayMode(item, false) : 0;
}

int GVAppMainWin::jelDisplayCB(int item, void* window) {
  auto* w = static_cast<GVAppMainWin*>(window);
  return w ? w->setDisplayMode(item, true) : 0;
}

int GVAppMainWin::fpsCB(int item, void* window) {
  auto* w = static_cast<GVAppMainWin*>(window);
  if (!w || item < 1 || item > kRateCount) return 0;
  if (w->fpsChooser && item == w->fpsChooser->selected) return item;
  applyFrameRate(w->view, kRateFps[item - 1]);
  if (int32_t* bits = rateBits(GVScene().display)) {
    for (int b : kRateBits) *bits &= ~b;
    *bits |= kRateBits[item - 1];
  }
  return item;
}

void GVAppMainWin::stepOpacity(float step) {
  if (float* opacity = jelOpacity(GVScene().display)) {
    float v = *opacity + step;
    *opacity = v > 1.0f ? 1.0f : v < 0.0f ? 0.0f : v;
  }
  if (!view || !view->camera || !*view->camera) return;
  GVUpdateAllOgreJelMaterials((*view->camera)->jelDisplayMode);
  redrawView();
}

int GVAppMainWin::opacityUpCB(int, void* window) {
  if (auto* w = static_cast<GVAppMainWin*>(window)) w->stepOpacity(0.1f);
  return 0;
}

int GVAppMainWin::opacityDownCB(int, void* window) {
  if (auto* w = static_cast<GVAppMainWin*>(window)) w->stepOpacity(-0.1f);
  return 0;
}

void GVUpdateFramePanels(int frame, int subStep, int lastSubStep) {
  GVAppMainWin* w = gMainWin;
  if (w && w->logicPanel && HwLogicCntrl::valuesMode() && subStep == lastSubStep) w->logicPanel->showValues();
  if (!w || !w->view) return;
  // Only a restart straightens the steering; a run keeps what the driver set.
  if (frame == 0 && w->vehiclePanel) w->vehiclePanel->centreSteering();
  if (!w->view->drag) return;
  const ViewDragRec& d = *w->view->drag;
  if (!d.active) return;
  HWorld* world = GVScene().world ? *GVScene().world : nullptr;
  if (!world) return;
  DragCmd cmd;
  cmd.active = d.active;
  cmd.node = d.node;
  cmd.part = d.part;
  cmd.jelId = d.jelId;
  for (int i = 0; i < 3; ++i) cmd.target[i] = d.grabWorld[i];
  GVApplyDynCmdToJel(world, &cmd);
}

void GVAppMainWin::notesPlacement(RECT* place) const {
  // Within the main window's client area as it is now laid out: above the
  // vehicle panel or the time bar, whichever shows, and left of its right edge.
  RECT area = {0, 0, 0, 0};
  if (!client || !GetWindowRect(client, &area)) {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    area.right -= 2 * border;
    area.bottom -= 2 * border + 35;
  }
  int bottom = area.bottom - 50;
  RECT r = {0, 0, 0, 0};
  const bool vehicleShown = vehiclePanel && vehiclePanel->isVisible();
  if (vehicleShown && GetWindowRect(vehiclePanel->frame.outer, &r))
    bottom = r.top - 8;
  else if (timeBar && timeBar->frame.window && IsWindowVisible(timeBar->frame.window) &&
           GetWindowRect(timeBar->frame.window, &r))
    bottom = r.top + timeBar->frame.border;
  if (logicPanel && logicPanel->isVisible() && GetWindowRect(logicPanel->frame->inner, &r)) {
    *place = RECT{r.left, r.top, r.right - r.left, r.bottom - r.top};
    return;
  }
  if (!cameraPanel || !cameraPanel->frame || !GetWindowRect(cameraPanel->frame->outer, &r)) return;
  const int b = cameraPanel->frame->border;
  const int width = logicPanelWidth - 2 * b;
  const int y = r.bottom + b + 7;
  const int height = bottom - 2 * b - y - 7;
  *place = RECT{area.right - border - 10 - width + b, y, width, height > 1 ? height : 1};
}

void GVInstallAppWindows() {
  GVSetWindowClassRegistrar("MainAppWindowClass", HwMainAppWindow::registerClass);
  GVSetWindowClassRegistrar("ListWindowClass", HwListDlg::registerClass);
  GVSetWindowClassRegistrar("CreateGeoVRClass", HwCreateGeoVR::registerClass);
  GVSetFormKind(kKindMenuBar, {moveMenuBar, nullptr});
  GVSetFormKind(kKindView, {moveView, nullptr});
  GVSetFormKind(kKindSelectorBar, {moveEditorBar, editorBarSize});
  GVSetFormKind(kKindAnimation, {moveAnimPanel, animPanelSize});
  GVSetFormKind(kKindCamera, {moveCamPanel, camPanelSize});
  GVSetFormKind(kKindMoveTool, {moveMoveTool, moveToolSize});
  GVSetWindowClassRegistrar("LogicCntrlClass", HwLogicCntrl::registerClass);
  GVSetFormKind(kKindLogic, {moveLogicWindow, logicWindowSize});
  GVSetFormKind(kKindKeyFrameBar, {moveKeyFrameBar, keyFrameBarSize});
  GVSetFormKind(kKindVehicle, {moveVehiclePanel, vehiclePanelSize});
  GVSetWindowClassRegistrar("VehicleClass", HwVehicle::registerClass);
  GVInstallAppMessageBox();
  // The view the main window makes reports its events to the application.
  GVSetDefaultViewOwner(GVViewOwnerCB);
  GVSetToolkitWindowHooks({nullptr, GVFreeHelpWindow, GVFreeNotesWindow});
}

namespace {

GVView* mainView() { return gMainWin ? gMainWin->view : nullptr; }

HwLogicCntrl* logicWindow() { return gMainWin ? gMainWin->logicPanel : nullptr; }

int32_t* currentGeoRecord() {
  GVView* v = mainView();
  return v ? v->currentGeo : nullptr;
}

int32_t* currentJelRecord() {
  GVView* v = mainView();
  return v ? v->currentJel : nullptr;
}

void showHighlights() { GVRefreshViewHighlights(mainView()); }

void notifyOwner(int32_t a, int32_t code, int32_t p1, int32_t p2) { GVTellViewOwner(mainView(), a, code, p1, p2); }

void setViewCurrentGeo(int32_t id) { GVSetCurrentGeo(mainView(), id); }
void setViewCurrentJel(int32_t id) { GVSetCurrentJel(mainView(), id); }

}  // namespace

// The entries the file handlers, menu commands and editor callbacks use.
void GVInstallPanelServices(SceneServices* sp) {
  SceneServices& s = *sp;
  s.updatePanels = [](int32_t geoId, int32_t jelId) {
    if (gMainWin) gMainWin->updatePanels(geoId, jelId);
  };
  s.redrawLogicLines = [] {
    if (gMainWin) gMainWin->redrawLogicLines();
  };
  s.redrawTimeBar = [] {
    if (gMainWin) gMainWin->redrawTimeBar();
  };
  s.resetMoveTool = [] {
    if (gMainWin) gMainWin->resetMoveTool();
  };
  s.endEditModes = [] {
    if (gMainWin) gMainWin->endEditModes();
  };
  s.showObjectInfo = [] {
    if (GVView* v = mainView()) GVShowObjectInfo(v);
  };
  s.clearInfoPanel = [] {
    if (GVView* v = mainView()) GVClearInfoPanel(v);
  };
  s.renderFrame = [] {
    if (gMainWin) gMainWin->redrawView();
  };
  s.setViewCurrentGeo = setViewCurrentGeo;
  s.setViewCurrentJel = setViewCurrentJel;
  s.setCurrentGeo = setViewCurrentGeo;
  // The current Jel again, with its highlights, marks and report.
  s.setCurrentJel = [] {
    const int32_t* jel = currentJelRecord();
    if (jel) GVSetCurrentJel(mainView(), jel[0]);
  };
  s.selectJel = [](int32_t id, int32_t part) { GVSelectJel(mainView(), part, id); };
  s.currentGeoRecord = currentGeoRecord;
  s.currentJelRecord = currentJelRecord;
  s.pickPending = []() -> int32_t { return gViewModeFlags.partPick ? 1 : 0; };
  s.clearPendingPicks = [] {
    GVView* v = mainView();
    if (!v) return;
    v->glueOn = v->glueFirst = v->glueSecond = 0;
    if (v->drag) v->drag->active = 0;
  };
  s.showSelectionHighlight = showHighlights;
  s.notifyViewOwner = notifyOwner;
  s.detachManipulator = [] {
    GVView* v = mainView();
    if (!v || !v->manipulator) return;
    v->manipulator->mode = 0;
    GVSetManipulatorFromSelection(0, 0, v->manipulator);
  };
  s.setAnimInitButton = [](int32_t state) {
    if (gMainWin) GVSetAnimInitButton(gMainWin->animationPanel, state);
  };
  s.releaseMoveToolButtons = [] {
    if (gMainWin) GVRedrawMoveToolButtons(gMainWin->moveToolPanel);
  };
  s.updateCameraModeButton = [] {
    if (gMainWin) GVUpdateCamModeButton(gMainWin->cameraPanel);
  };
  s.releaseCameraButtons = [] {
    if (gMainWin) GVClearCamModeButtons(gMainWin->cameraPanel);
  };
  s.setTimeBarRange = [](int32_t first, int32_t last) {
    HwTimeBar* bar = gMainWin ? gMainWin->timeBar : nullptr;
    if (!bar) return;
    // A file's range is kept to the frames a user may type, first before
    // last: a damaged file's reversed range would leave the ruler blank.
    first = std::clamp(first, 0, kGVFrameLimit);
    last = std::clamp(last, 0, kGVFrameLimit);
    bar->firstFrame = std::min(first, last);
    bar->lastFrame = std::max(first, last);
    last = bar->lastFrame;
    if (bar->lastFrameBox && bar->lastFrameBox->edit) bar->lastFrameBox->edit->setInt(last);
    bar->redraw();
  };
  s.timeBarRange = [](int32_t* first, int32_t* last) -> int32_t {
    HwTimeBar* bar = gMainWin ? gMainWin->timeBar : nullptr;
    if (!bar) return 0;
    *first = bar->firstFrame;
    *last = bar->lastFrame;
    return 1;
  };
  s.sceneName = []() -> const char* { return gMainWin ? gMainWin->sceneName.c_str() : ""; };
  s.setSceneName = [](const char* name) {
    if (gMainWin) gMainWin->updateTitle(name);
  };
  s.setTitle = [](const char* text) {
    if (gMainWin) gMainWin->setTitle(text);
  };
  s.showVehiclePanel = [](int32_t show) {
    if (gMainWin) gMainWin->showVehiclePanel(show);
  };
  s.vehiclePanelVisible = []() -> int32_t {
    return gMainWin && gMainWin->vehiclePanel && gMainWin->vehiclePanel->isVisible() ? 1 : 0;
  };
  s.refreshVehiclePanel = [] {
    if (gMainWin && gMainWin->vehiclePanel) gMainWin->vehiclePanel->refreshFromScene();
  };
  s.showLogicPanel = [](int32_t show) {
    if (gMainWin) gMainWin->showLogicPanel(show);
  };
  s.showFilesList = [](int32_t mode) {
    if (gMainWin) gMainWin->showFilesList(mode);
  };
  s.showSaveDialog = [](int32_t mode, const char* name) {
    if (gMainWin) gMainWin->showSaveDialog(mode, name);
  };
  s.showExportDialog = [](int32_t geoId) { GVShowExportDialog(gMainWin, geoId); };
  s.hideExportDialog = [] { GVHideExportDialog(gMainWin); };
  s.notesText = []() -> char* {
    char* text = nullptr;
    GVGetNotesText(&text);
    return text;
  };
  s.setSceneNotes = GVSetSceneNotes;
  s.refreshGeoSelection = [](int32_t id) { GVRefreshGeoSelection(id, 1); };
  s.refreshJelSelection = [](int32_t id) { GVRefreshJelSelection(id, 1); };
  s.showCreateDialog = [](int32_t dialog, int32_t mode, int32_t geoId, int32_t jelId) {
    if (gMainWin) gMainWin->showCreateDialog(dialog, mode, geoId, jelId);
  };
  s.jelFromGeoDialogGeo = []() -> int32_t { return gMainWin ? gMainWin->jelFromGeoDialogGeo() : 0; };
  s.showLogicLineValue = [](int32_t program, int32_t row) {
    HwLogicCntrl* w = logicWindow();
    LogicProgram* p = w ? GVLogicProgram(w->logic, program) : nullptr;
    if (p) w->showLineValue(GVLogicGetLine(w->logic, program, p->topLine + row - 1), program, row);
  };
  s.endLogicTextEdit = [] {
    if (HwLogicCntrl* w = logicWindow()) w->endTextEdit();
  };
  s.refreshLogicWindow = [] {
    HwLogicCntrl* w = logicWindow();
    if (!w) return;
    w->endTextEdit();
    w->reset();
    w->clearValuePane();
    if (w->isVisible()) w->refreshLines();
  };
  s.redrawLogicValues = [] {
    HwLogicCntrl* w = logicWindow();
    if (w && w->isVisible()) w->showValues();
  };
}

void GVRemovePanelServices(SceneServices* sp) {
  SceneServices& s = *sp;
  s.updatePanels = nullptr;
  s.redrawLogicLines = s.redrawTimeBar = s.resetMoveTool = s.endEditModes = nullptr;
  s.showObjectInfo = s.clearInfoPanel = s.renderFrame = nullptr;
  s.setViewCurrentGeo = s.setViewCurrentJel = s.setCurrentGeo = nullptr;
  s.setCurrentJel = nullptr;
  s.selectJel = nullptr;
  s.currentGeoRecord = s.currentJelRecord = nullptr;
  s.pickPending = nullptr;
  s.clearPendingPicks = s.showSelectionHighlight = s.detachManipulator = nullptr;
  s.notifyViewOwner = nullptr;
  s.setAnimInitButton = nullptr;
  s.releaseMoveToolButtons = s.updateCameraModeButton = s.releaseCameraButtons = nullptr;
  s.setTimeBarRange = nullptr;
  s.timeBarRange = nullptr;
  s.sceneName = nullptr;
  s.setSceneName = s.setTitle = nullptr;
  s.showVehiclePanel = s.showLogicPanel = nullptr;
  s.vehiclePanelVisible = nullptr;
  s.refreshVehiclePanel = nullptr;
  s.showFilesList = nullptr;
  s.showSaveDialog = nullptr;
  s.showExportDialog = nullptr;
  s.hideExportDialog = nullptr;
  s.notesText = nullptr;
  s.setSceneNotes = nullptr;
  s.refreshGeoSelection = s.refreshJelSelection = nullptr;
  s.showCreateDialog = nullptr;
  s.jelFromGeoDialogGeo = nullptr;
  s.showLogicLineValue = nullptr;
  s.endLogicTextEdit = s.refreshLogicWindow = s.redrawLogicValues = nullptr;
}

void GVInstallMainWindowServices(SceneServices* sp) {
  SceneServices& s = *sp;
  s.mainWindowExists = []() -> int32_t { return gMainWin ? 1 : 0; };
  s.viewExists = []() -> int32_t { return GVMainView() ? 1 : 0; };
  s.updateFramePanels = [](int32_t frame, int32_t index, int32_t count) { GVUpdateFramePanels(frame, index, count); };
  s.moveTimeBar = [](int32_t frame) {
    GVAppMainWin* w = gMainWin;
    if (!w || !w->timeBar || !IsWindowVisible(w->timeBar->frame.window)) return;
    w->timeBar->previousFrame = w->timeBar->currentFrame;
    w->timeBar->currentFrame = frame;
    w->timeBar->moveMarker(frame);
  };
  s.syncAnimModeButton = [](int32_t worldMode) {
    if (gMainWin) GVSyncAnimModeButton(gMainWin->animationPanel, worldMode);
  };
  s.redrawVehicleReadout = [] {
    if (gMainWin && gMainWin->vehiclePanel && gMainWin->vehiclePanel->isVisible())
      gMainWin->vehiclePanel->redrawReadout();
  };
  s.selectDisplayItem = [](int32_t list, int32_t item) {
    GVAppMainWin* w = gMainWin;
    HwDropDownCntrl* d = !w ? nullptr : list == 0 ? w->geoDisplay : list == 1 ? w->jelDisplay : nullptr;
    if (d) d->selectItem(item);
  };
  s.viewCamera = []() -> CameraRec* {
    GVView* v = GVMainView();
    return v && v->camera ? *v->camera : nullptr;
  };
  s.redrawView = [] {
    if (gMainWin) gMainWin->redrawView();
  };
  s.viewStartCamera = []() -> CameraRec* {
    GVView* v = GVMainView();
    return v && v->sceneCamera ? *v->sceneCamera : nullptr;
  };
  s.viewSelection = [](int32_t* second) -> int32_t {
    GVView* v = GVMainView();
    if (!v || !v->currentJel) return 0;
    if (second) *second = v->currentJel[1];
    return v->currentJel[0];
  };
  s.setViewProjection = [] {
    if (GVView* v = GVMainView()) GVSetViewProjection(v);
  };
  s.viewResetFrame0 = [] {
    if (GVView* v = GVMainView()) v->frameZeroWord = 0;
  };
  s.viewSize = [](int32_t* width, int32_t* height) -> int32_t {
    GVView* v = GVMainView();
    RECT rc = {};
    if (!v || !v->window || !GetClientRect(v->window, &rc)) return 0;
    if (width) *width = rc.right - rc.left;
    if (height) *height = rc.bottom - rc.top;
    return 1;
  };
  s.viewToolActive = []() -> int32_t {
    GVView* v = GVMainView();
    return v && v->toolMode != 0 ? 1 : 0;
  };
  s.showStatusLine = [](const char* text) {
    if (GVView* v = GVMainView()) GVShowStatusLine(v, text);
  };
  GVInstallPanelServices(&s);
}

void GVRemoveMainWindowServices(SceneServices* sp) {
  SceneServices& s = *sp;
  s.mainWindowExists = s.viewExists = nullptr;
  s.updateFramePanels = nullptr;
  s.moveTimeBar = nullptr;
  s.syncAnimModeButton = nullptr;
  s.redrawVehicleReadout = nullptr;
  s.selectDisplayItem = nullptr;
  s.viewCamera = s.viewStartCamera = nullptr;
  s.viewSelection = nullptr;
  s.setViewProjection = s.redrawView = nullptr;
  s.viewResetFrame0 = nullptr;
  s.viewSize = nullptr;
  s.viewToolActive = nullptr;
  s.showStatusLine = nullptr;
  GVRemovePanelServices(&s);
}

void GVInstallMainWindowServices() {
  SceneServices s = GVSceneServices();
  GVInstallMainWindowServices(&s);
  GVSetSceneServices(s);
}

void GVRemoveMainWindowServices() {
  SceneServices s = GVSceneServices();
  GVRemoveMainWindowServices(&s);
  GVSetSceneServices(s);
}
