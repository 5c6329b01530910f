// The main window's two small tool bars. GVMoveToolDialog is a column of three
// exclusive buttons that put the view's manipulator into translate, rotate or
// scale mode; GVCamDialog is a row of camera buttons: clear the display modes,
// six exclusive camera-drag modes, fix the point of interest, set it, and
// align the camera with z. Both forward codes to the owner and show the state
// it returns.
#pragma once

#include "platform/win32.h"

class HwBMButton;
class HwFrameWindow;

// (code, state before the click, user) -> the pressed button's new state.
typedef int (*GVToolCommandFn)(int code, int state, void* user);
// (request, user) -> answer; request 2: 1 while the point of interest is fixed.
typedef int (*GVToolStateFn)(int request, void* user);

struct GVMoveToolDialog {
  HwFrameWindow* frame = nullptr;
  HwBMButton* translate = nullptr;
  HwBMButton* rotate = nullptr;
  HwBMButton* scale = nullptr;
  int x = 3, y = 77, width = 0, height = 0;
  int style = 2, inset = 2;
  void* user = nullptr;
  GVToolCommandFn command = nullptr;
  char* helpTopic = nullptr;
};

constexpr int kCamButtonCount = 10;

struct GVCamDialog {
  HwFrameWindow* frame = nullptr;
  // clear, Pa, Ti, Ra, Tr, Do, Zo, "Fix POI", "Set POI", z-align: codes 1-10.
  HwBMButton* buttons[kCamButtonCount] = {};
  int x = 340, y = 31, width = 0, height = 0;
  int style = 2, inset = 2;
  void* user = nullptr;
  GVToolStateFn state = nullptr;
  GVToolCommandFn command = nullptr;
  char* helpTopic = nullptr;
};

void GVCreateMoveToolDialog(GVMoveToolDialog* dialog, HINSTANCE instance, HWND parent, GVToolCommandFn command,
                            void* user);
void GVFreeMoveToolDialog(GVMoveToolDialog* dialog);
// The three buttons released and redrawn.
void GVRedrawMoveToolButtons(GVMoveToolDialog* dialog);

void GVCreateCamDialog(GVCamDialog* dialog, HINSTANCE instance, HWND parent, GVToolStateFn state,
                       GVToolCommandFn command, void* user);
void GVFreeCamDialog(GVCamDialog* dialog);
// Sends code 11 (state 0), then releases the clear button and the six modes.
void GVClearCamModeButtons(GVCamDialog* dialog);
// "Fix POI" shown pressed while the owner answers request 2 with non-zero.
void GVUpdateCamModeButton(GVCamDialog* dialog);

// The frames moved to (x, y); the dialogs keep their size.
void GVMoveToolDialogMove(GVMoveToolDialog* dialog, int x, int y);
void GVCamDialogMove(GVCamDialog* dialog, int x, int y);
