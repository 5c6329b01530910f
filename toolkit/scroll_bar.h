// HwScrollBar: a vertical 18 px scroll bar that counts in text lines. The owner
// learns of presses, drags and releases through one callback with the first
// visible line.
#pragma once

#include "platform/user32.h"
#include "toolkit/frames.h"
#include "toolkit/life_watch.h"

// code 1 press, 2 drag, 3 release (or notifyOwner); line is the 1-based first line.
typedef void (*HwScrollCB)(int code, int line, void* user);

class HwScrollBar {
 public:
  HwScrollBar() = default;
  ~HwScrollBar();
  HwScrollBar(const HwScrollBar&) = delete;
  HwScrollBar& operator=(const HwScrollBar&) = delete;

  void create(HWND owner, HINSTANCE instance, int trackLength, int lineHeight, int viewHeight, int totalLines,
              HwScrollCB callback, void* user);
  // The knob's size and the pixels per line from the counts; keeps the first
  // line in range.
  void recalc();
  // 0 when everything fits; otherwise the new first line.
  int scrollBy(int delta);
  // 1 when the bar went from nothing to scroll to something, -1 the reverse, else 0.
  int setTotal(int totalLines);
  int setViewHeight(int pixels);
  void notifyOwner();
  // Calls the owner; false when it freed the bar.
  bool tellOwner(int code, int line);
  void move(int x, int y, int width, int height);

  int knobTop() const;
  // The first line that puts the knob's centre at track position y.
  int lineAt(int y) const;
  void redraw();

  HwFrame frame;
  HWND window = nullptr;
  int barWidth = 18;
  int trackLength = 0;
  int lineHeight = 1;
  int viewHeight = 0;
  int totalLines = 0;
  int visibleLines = 0;
  int firstLine = 1;
  int dragging = 0;
  int usableTrack = 0;
  int overflow = 0;
  float pixelsPerLine = 0;
  int knobSize = 0;
  HwScrollCB callback = nullptr;
  void* user = nullptr;
  HwLifeToken life;
};

LRESULT CALLBACK HwScrollBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// The older text-scroll class: registered, never made into a window.
LRESULT CALLBACK HwTextScrollOldProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
