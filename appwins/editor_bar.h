// The editor selector bar: a strip of sixteen 30 x 30 buttons in four groups
// (Jel editors, Geo editors, walls, scene-wide tools) in the main window's top
// row. Each button calls the owner callback (the dialog opener) with its
// editor code and the user value.
#pragma once

#include "platform/user32.h"
#include "toolkit/frames.h"

class HwBMButton;
struct GVEditorBar;

constexpr int kEditorBarButtons = 16;
constexpr int kEditorBarWidth = 502;
constexpr int kEditorBarHeight = 38;
constexpr int kEditorBarStyle = 3;

typedef int (*GVEditorBarOwner)(int code, void* user);

// What one button hands its callback: the bar and the button's editor code.
struct GVEditorBarLink {
  GVEditorBar* bar = nullptr;
  int code = 0;
};

struct GVEditorBar {
  HwFrame frame;         // style 3, border 3, 502 x 38
  HWND inner = nullptr;  // "BaseControlClass" at (3, 3), 496 x 32
  HwBMButton* buttons[kEditorBarButtons] = {};  // null where creation failed
  GVEditorBarLink links[kEditorBarButtons];
  GVEditorBarOwner owner = nullptr;
  void* user = nullptr;
  int x = 0, y = 0, width = 0, height = 0;
};

// The button table, left to right.
struct GVEditorBarButton {
  const char* toolTip;
  int upBitmap, downBitmap;  // 0 for a text face
  const char* text;          // face text, or null
  int code;
  int group;  // 0 Jel editors, 1 Geo editors, 2 walls, 3 scene-wide tools
};
extern const GVEditorBarButton kEditorBarTable[kEditorBarButtons];

// Creates the frame, the inner window (shown and updated) and the buttons;
// the owner is the dialog opener with the main window as user value. A
// button that cannot be made is left out and the ones after it close up.
void GVBuildEditorFrame(GVEditorBar* bar, HWND parent, void* mainWindow);
// The form's move operation (kind 20).
void GVMoveEditorFrame(GVEditorBar* bar, int x, int y, int width, int height);
// Deletes the buttons (their windows go with the frame's).
void GVFreeEditorFrame(GVEditorBar* bar);

// The allocation of each button; tests put a failing one in place. Null
// restores the plain allocation.
typedef HwBMButton* (*GVEditorButtonAllocator)();
void GVSetEditorButtonAllocator(GVEditorButtonAllocator allocate);
