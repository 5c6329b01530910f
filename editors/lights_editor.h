// HwLight, "Edit Ogre Lights": the scene's background and ambient colours and
// its lights, one at a time (kind, shadow flag, diffuse and specular colour,
// position, direction, spot angles, shadow clip range). Values go straight
// into the light list and the display settings; GVLightsDlgCB is then told
// which field changed. "Cam" looks through the current light: the view camera
// is kept, moved to the light and given back when the mode ends.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "toolkit/dialog_window.h"

class HwBMButton;
class HwDropDownCntrl;
class HwFrameWindow;
class HwSelectorTool;
class HwSliderGroup;
struct CameraRec;
struct DisplaySettings;
struct LightList;
struct LightRec;

class HwLight : public HwDialogTemp {
 public:
  // Opens at x; user is the main window.
  HwLight(int x, void* user);
  ~HwLight() override;

  void resize(int width, int height) override;
  // index becomes current; the chooser text and every field are shown again.
  void refresh(int32_t index);
  // The scene colours and light index (which becomes current).
  void showLight(int32_t index);
  // Only the position and direction sliders, from the current light.
  void updateFields();
  // Leaves the camera mode when it is on (the view camera is given back).
  void cancelMode();
  void clearLightFields();

  int32_t current() const { return index_; }
  bool cameraMode() const { return cameraMode_ != 0; }
  CameraRec* savedCamera(int k) const;

  enum {
    kBgR, kBgG, kBgB, kAmbR, kAmbG, kAmbB, kDiffR, kDiffG, kDiffB, kSpec,
    kPosX, kPosY, kPosZ, kDirX, kDirY, kDirZ, kSpotIn, kSpotOut, kClipNear, kClipFar, kSliders
  };
  HwFrameWindow* frames[9] = {};
  HwSliderGroup* sliders[kSliders] = {};
  HwSelectorTool* selector = nullptr;
  HwDropDownCntrl* typeDrop = nullptr;
  HwBMButton* shadowButton = nullptr;
  HwBMButton* camButton = nullptr;

  static void chooseLight(int action, char* text, void* editor);
  int setType(int item);
  int toggleShadow();
  int toggleCamera();

 private:
  void build();
  LightRec* light() const;
  DisplaySettings* display() const;
  LightList* lights() const;
  void tell(int32_t value, int32_t request);
  void endCameraMode();
  float edit(int slider, int action, float value);
  float editDirection(int axis, float value);
  float editClipFar(int action, float value);

  template <int Slider>
  static float sliderCB(int action, float value, void* editor);

  int32_t index_ = 0;
  int cameraMode_ = 0;
  CameraRec** saved_[2] = {};
  void* user_ = nullptr;
};

// The opener's entry of code 17.
GVEditorEntry GVLightsEntry();
// The scene services' endLightEdit: the lights editor leaves its camera mode.
void GVEndLightEdit();
