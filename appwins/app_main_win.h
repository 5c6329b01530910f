// GVAppMainWin: the main window with every permanent panel laid out by its
// form, the display and frame-rate choosers, the Jel opacity buttons, and the
// one refresh of all panels after an edit.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "appwins/main_app_window.h"
#include "toolkit/frames.h"

class HwBMButton;
class HwDialogWindow;
struct GVEditorBar;
struct GVKeyFrameBar;
class HwCreateGJel;
class HwCreateJel;
class HwCreateGeoBlock;
class HwCreateGeoPlane;
class HwCreateGeoVR;
class HwDropDownCntrl;
class HwFileSave;
class HwListDlg;
class HwLogicCntrl;
class HwTimeBar;
class HwVehicle;
struct GVAnimDialog;
struct GVCamDialog;
struct GVMenuBar;
struct GVMoveToolDialog;
struct GVView;

// Form kinds of the main window's panels.
enum GVMainFormKind {
  kKindAnimation = 15,
  kKindKeyFrameBar = 16,
  kKindMoveTool = 17,
  kKindCamera = 18,
  kKindMenuBar = 19,
  kKindSelectorBar = 20,
  kKindTimeBar = 21,
  kKindView = 22,
  kKindLogic = 25,
  kKindVehicle = 26,
};

// Frame-rate choices of the "fps:" chooser, item 1 first.
constexpr int kRateCount = 5;
constexpr int kRateFps[kRateCount] = {0, 60, 48, 30, 16};
constexpr int kRateBits[kRateCount] = {1, 2, 4, 8, 16};

class GVAppMainWin : public HwMainAppWindow {
 public:
  // referenceHeight: the work-area height x 1233 / its width.
  GVAppMainWin(HINSTANCE instance, int referenceHeight);
  ~GVAppMainWin() override;

  void buildPanels();
  void resize(int width, int height) override;
  // Refreshes every panel that exists for these objects; nothing without a view.
  void updatePanels(int geoId, int jelId);
  void showLogicPanel(int show);
  void showVehiclePanel(int show);
  void redrawLogicLines();
  void redrawTimeBar();
  void resetMoveTool();
  void endEditModes();
  // The files list and the save-name dialog: made on first use (their owner
  // is the file handlers' callback) and kept; later uses switch the mode and
  // show them.
  void showFilesList(int mode);
  void showSaveDialog(int mode, const char* name);
  // A creation dialog of the Create menu (kCreateDialog... with its mode and
  // the current ids): made on first use and kept; later uses show it again,
  // reloaded for the current objects.
  void showCreateDialog(int dialog, int mode, int geoId, int jelId);
  // The Geo the Jel-from-Geo dialog shows; 0 without the dialog.
  int jelFromGeoDialogGeo() const;
  // Where the notes window goes, in screen pixels (x, y, width, height in
  // left, top, right, bottom): over the logic control window when it shows,
  // else where it would be.
  void notesPlacement(RECT* place) const;

  static int geoDisplayCB(int item, void* window);
  static int jelDisplayCB(int item, void* window);
  static int fpsCB(int item, void* window);
  static int opacityUpCB(int state, void* window);
  static int opacityDownCB(int state, void* window);

  // Redraws the 3-D view unless the window is minimised.
  void redrawView();

  GVMenuBar* menuBar = nullptr;
  HwDropDownCntrl* geoDisplay = nullptr;
  HwDropDownCntrl* jelDisplay = nullptr;
  HwBMButton* opacityUp = nullptr;
  HwBMButton* opacityDown = nullptr;
  GVCamDialog* cameraPanel = nullptr;
  GVEditorBar* selectorBar = nullptr;
  GVAnimDialog* animationPanel = nullptr;
  GVKeyFrameBar* keyFrameBar = nullptr;
  HwDropDownCntrl* fpsChooser = nullptr;
  GVView* view = nullptr;
  HwTimeBar* timeBar = nullptr;
  GVMoveToolDialog* moveToolPanel = nullptr;
  HwLogicCntrl* logicPanel = nullptr;
  HwVehicle* vehiclePanel = nullptr;
  int logicPanelWidth = 475;
  HwListDlg* fileList = nullptr;
  HwFileSave* saveDialog = nullptr;
  // The property editors by editor code (GVEditorFrameCB), null until first
  // opened; freed with the window.
  HwDialogWindow* editors[kEditorCodeEnd] = {};

  // The editors' steps of updatePanels, in code order; the editors freed.
  void refreshEditors(int geoId, int jelId);
  void freeEditors();
  // The creation dialogs, freed last.
  HwCreateJel* createJelDialog = nullptr;
  HwCreateGJel* createGJelDialog = nullptr;
  HwCreateGeoBlock* createGeoBlock = nullptr;
  HwCreateGeoPlane* createGeoPlane = nullptr;
  HwCreateGeoVR* createGeoVR = nullptr;

 private:
  static void filesListOwner(int code, int item, const char* text, void* window);
  static void saveDialogOwner(int code, int modeCode, const char* text, void* window);
  int setDisplayMode(int item, bool jel);
  void stepOpacity(float step);
};

// The main window of the run (null before start-up made it and after shutdown).
GVAppMainWin* GVMainAppWin();
void GVSetMainAppWin(GVAppMainWin* window);

// Per stepped frame: applies the view's pending drag to its Jel and refreshes
// the panels that follow the frame; a run starting again (frame 0) steers
// straight ahead.
void GVUpdateFramePanels(int frame, int subStep, int lastSubStep);

// Registers the main window's class and form kinds and installs the message
// box, before the toolkit's start-up.
void GVInstallAppWindows();
// The scene service entries the main window and its view answer (whether the
// main window exists among them); cleared again when the window goes. The
// forms without a table work on the process-wide one.
struct SceneServices;
void GVInstallMainWindowServices(SceneServices* services);
void GVRemoveMainWindowServices(SceneServices* services);
void GVInstallMainWindowServices();
void GVRemoveMainWindowServices();
// The part of them the file handlers, menu commands and editor callbacks use
// (refreshes, the view's selection, time bar, title, side panels, file dialogs).
void GVInstallPanelServices(SceneServices* services);
void GVRemovePanelServices(SceneServices* services);
