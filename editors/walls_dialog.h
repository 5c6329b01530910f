// HwWalls, the "Walls Editor": the six limits of the scene bounds (the box
// that is the walls and floor of the simulation) as six float fields. A value
// that would put a lower limit at or above its upper limit, or the reverse, is
// refused and the field shows the old limit again; every accepted change goes
// to the owner callback (direction, code, value, user).
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "toolkit/dialog_window.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"

typedef void (*HwWallsCB)(int32_t direction, int32_t code, float value, void* user);

class HwWalls : public HwDialogTemp {
 public:
  // bounds: lower x, upper x, lower y, upper y, lower z, upper z (null: the
  // fields show 0 and nothing can change).
  HwWalls(int x, float* bounds, HwWallsCB owner, void* user);
  ~HwWalls() override;

  // The six limits written into their fields.
  void refresh();

  static float setUpperX(int direction, float value, void* dialog);
  static float setLowerX(int direction, float value, void* dialog);
  static float setUpperY(int direction, float value, void* dialog);
  static float setLowerY(int direction, float value, void* dialog);
  static float setUpperZ(int direction, float value, void* dialog);
  static float setLowerZ(int direction, float value, void* dialog);

  // In the order Upper Y, Upper X, Lower X, Upper Z, Lower Z, Lower Y.
  HwFrameWindow frames[4];
  HwBaseControl fields[6];
  float* bounds = nullptr;
  HwWallsCB owner = nullptr;
  void* ownerUser = nullptr;
  int flag = 1;

 private:
  float change(int limit, int direction, float value);
};

// The opener's entry for the walls editor (code 12).
GVEditorEntry GVWallsEditorEntry();
