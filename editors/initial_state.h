// HwInitialState, the "Initial State Editor": for one Jel, every Jel or a Jel
// group, the state a run starts from (initial state, frame 0) or the rest
// shape (natural state, frame -1), whichever the world's state-mode word
// names: the first and last frame, the centre of mass, the mean velocity and
// the spin, and five commands (put on floor, clear velocity, align to Geo,
// set initial state, set natural state). Each change is made on the Jels at
// once and reported to GVInitialStateCB with one event bit.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "scene/editor_links.h"
#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwDropDownCntrl;
class HwEditButControl;
class HwFrameWindow;
class HwSelectorTool;
class HwSliderGroup;

class HwInitialState : public HwDialogTemp {
 public:
  // Opens at x with the Jel selection id; user is the main window.
  HwInitialState(int x, int32_t id, void* user);
  ~HwInitialState() override;

  // The main window's panel update: id 0 keeps a current Jel that still exists.
  void refresh(int32_t id);
  // Makes id current and shows its values.
  void updateFields(int32_t id);
  // The state mode changed elsewhere: the drop-down follows and the values are
  // read again.
  void showStateMode(int32_t stateMode);

  int32_t current() const { return id_; }

  enum { kFirst, kLast, kPosX, kPosY, kPosZ, kVelX, kVelY, kVelZ, kAVelX, kAVelY, kAVelZ, kSliders };
  enum { kFloor, kClearVel, kAlign, kSetInitial, kSetNatural, kCommands };
  HwSelectorTool* selector = nullptr;
  HwDropDownCntrl* stateDrop = nullptr;
  HwFrameWindow* frames[4] = {};
  HwSliderGroup* sliders[kSliders] = {};
  HwBaseControl* commands[kCommands] = {};
  HwEditButControl* floorHeight = nullptr;
  GVJelEditorLink link;

 private:
  void build();
  void setCurrent(int32_t id);
  void send(int32_t code, uint32_t event, float value);
  // Slider groups of three from the first index.
  float positionEdit(int axis, int event, float value);
  float velocityEdit(int axis, int event, float value, bool angular);
  void syncRanges(int slider);
  void refitGroup(int first);
  int firstFrameEdit(int event, int value);
  int lastFrameEdit(int event, int value);
  int command(int which);

  template <int Axis> static float posCB(int e, float v, void* d);
  template <int Axis> static float velCB(int e, float v, void* d);
  template <int Axis> static float aVelCB(int e, float v, void* d);
  template <int Which> static int commandCB(int state, void* d);
  static int firstCB(int e, int v, void* d);
  static int lastCB(int e, int v, void* d);
  static int stateCB(int item, void* d);
  static float floorCB(int step, float v, void* d);
  static void chooserCB(int action, char* text, void* d);

  int32_t id_ = 0;
  void* user_ = nullptr;
};

// The opener's entry of code 1.
GVEditorEntry GVInitialStateEntry();
