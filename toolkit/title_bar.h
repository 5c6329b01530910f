// HwTitleBar: the strip across the top of a dialog or of the main window: a
// stretched bitmap, the centred title, up to three bitmap buttons (minimise,
// maximise, close) and dragging of the window that owns it.
#pragma once

#include "platform/user32.h"
#include "toolkit/buttons.h"

constexpr int kHwTitleMax = 255;

class HwTitleBar {
 public:
  HwTitleBar() = default;
  ~HwTitleBar();
  HwTitleBar(const HwTitleBar&) = delete;
  HwTitleBar& operator=(const HwTitleBar&) = delete;

  // style 1: no buttons; 2: minimise and close; 3, 4: minimise, maximise and
  // close. flags bit 0 or 2: the bar does not drag its owner. The callbacks get
  // the user word.
  void create(const char* text, HINSTANCE instance, HWND owner, int x, int y, int width, int height, int style,
              int flags, HwButtonCB minimiseCB, HwButtonCB maximiseCB, HwButtonCB closeCB, void* user);
  void move(int x, int y, int width, int height);
  // A missing, empty or over-long text empties the title and is reported.
  void setText(const char* text);
  // Frees the button objects.
  void freeBuffers();

  HWND owner = nullptr;
  HWND window = nullptr;
  HwBMButton* minimiseButton = nullptr;
  HwBMButton* maximiseButton = nullptr;
  HwBMButton* closeButton = nullptr;
  int width = 0, height = 0;
  int buttonSize = 23;
  int style = 0;
  int flags = 0;
  char text[kHwTitleMax + 1] = {};
  int textAreaWidth = 0;
  void* user = nullptr;
};

LRESULT CALLBACK HwTitleBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
