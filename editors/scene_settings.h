// HwEditScOG, "Edit Global Scene Props": the scene's display settings
// (shadows, background image or sky dome) and the render-to-texture choice of
// its option record. The dialog keeps no setting of its own: every value is
// read through GVSceneDlgCB and every change handed back to it.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwBMButton;
class HwDropDownCntrl;
class HwEditControl;
class HwFrameWindow;
class HwLabel;
class HwListDlg;
class HwSelectorTool;
class HwSliderGroup;

class HwEditScOG : public HwDialogTemp {
 public:
  // Opens at x with the render-to-texture Geo id; user is the main window.
  HwEditScOG(int x, int32_t rttGeo, void* user);
  ~HwEditScOG() override;

  void resize(int width, int height) override;
  // Reads every setting again.
  void refresh();
  // The neutral state: first items, image "NONE", sliders 0 in 0..100.
  void clear();
  void setRttGeo(int32_t id) { rttGeo_ = id; }
  int32_t rttGeo() const { return rttGeo_; }

  HwFrameWindow* frames[4] = {};
  HwDropDownCntrl* shadowType = nullptr;
  HwDropDownCntrl* textureSize = nullptr;
  HwSliderGroup* farDistance = nullptr;
  HwSliderGroup* extrusion = nullptr;
  HwDropDownCntrl* backgroundType = nullptr;
  HwLabel* imageLabel = nullptr;
  HwEditControl* imageField = nullptr;
  HwBMButton* loadButton = nullptr;
  HwListDlg* fileList = nullptr;
  HwBaseControl* skyTiles = nullptr;
  HwBaseControl* skySegments = nullptr;
  HwSliderGroup* skyDistance = nullptr;
  HwSliderGroup* skySpeed = nullptr;
  HwSelectorTool* rttSelector = nullptr;
  HwDropDownCntrl* viewStatus = nullptr;

 private:
  void build();
  // fn(a, b, ...) of the settings protocol.
  int32_t ask(int32_t code, int32_t* i, float* f, char* text);
  void write(int32_t state, int32_t code, int32_t i, float f, const char* text);
  void showImage(const char* name);
  void refreshRtt();
  float shadowSlider(int32_t code, HwSliderGroup* s, int action, float value);
  int skyCount(int32_t code, int step, int value);
  void openFileList();

  static void chooseRttGeo(int action, char* text, void* editor);
  static void fileListReport(int code, int item, const char* text, void* editor);

  int32_t rttGeo_ = 0;
  void* user_ = nullptr;
};

// The opener's entry of code 16.
GVEditorEntry GVSceneSettingsEntry();
