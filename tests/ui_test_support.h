// Driving and reading the screen in the window tests, one way for every folder:
// run the queue, click and drag as a user does, and find ink on the composed
// screen image. Every click comes a second after the last, so none joins an
// earlier one into a double click unless asked.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/win32.h"

namespace gvui {

// Runs the queue and composes the screen.
inline void settle() {
  GVTestPumpMessages();
  GVComposeScreen();
}

// Moves the virtual clock on in timer-sized steps, running the queue at each.
inline void elapse(DWORD ms, DWORD step = 5) {
  for (DWORD t = 0; t < ms; t += step) {
    GVTestAdvanceClock(step < ms - t ? step : ms - t);
    GVTestPumpMessages();
  }
  GVComposeScreen();
}

inline RECT rectOf(HWND hwnd) {
  RECT r = {0, 0, 0, 0};
  GetWindowRect(hwnd, &r);
  return r;
}

inline POINT centre(RECT r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
inline POINT centre(HWND hwnd) { return centre(rectOf(hwnd)); }

// `clicks` clicks at p (2: a double click), then the queue is run.
inline void click(POINT p, int clicks = 1) {
  GVTestAdvanceClock(1000);
  for (int i = 0; i < clicks; i++) GVTestClick(p.x, p.y);
  settle();
}
inline void click(HWND hwnd, int clicks = 1) { click(centre(hwnd), clicks); }

// A press at `from`, moves along the path and the release at its end; each step
// is run, since the handlers read the pointer as they go.
inline void drag(POINT from, const std::vector<POINT>& path) {
  GVTestAdvanceClock(1000);
  GVTestMouseDown(from.x, from.y);
  settle();
  for (POINT p : path) GVTestMouseMove(p.x, p.y), settle();
  POINT end = path.empty() ? from : path.back();
  GVTestMouseUp(end.x, end.y);
  settle();
}

inline COLORREF screen(int x, int y) { return GVColorRefFromPixel(GVScreenImage().at(x, y)); }

inline int countScreen(COLORREF c, RECT area) {
  int n = 0;
  for (int y = area.top; y < area.bottom; y++)
    for (int x = area.left; x < area.right; x++) n += screen(x, y) == c;
  return n;
}

// The leftmost and rightmost columns of the area holding anything but `paper`;
// (area.right, area.left - 1) when there is no ink.
inline std::pair<int, int> ink(RECT area, COLORREF paper) {
  int left = area.right, right = area.left - 1;
  for (int y = area.top; y < area.bottom; y++)
    for (int x = area.left; x < area.right; x++)
      if (screen(x, y) != paper) left = std::min(left, x), right = std::max(right, x);
  return {left, right};
}

// A label shown whole on the screen: its text's first column lies right of
// the label window's left edge (a text wider than its window is cut there).
inline bool labelWhole(HWND label) {
  RECT r = rectOf(label);
  const RECT parent = rectOf(GetParent(label));  // where the parent cuts the window off
  r.top = std::max(r.top, parent.top);
  r.bottom = std::min(r.bottom, parent.bottom);
  const std::pair<int, int> columns = ink(r, screen(r.right - 1, r.top));
  return columns.first > r.left && columns.second >= columns.first;
}

}  // namespace gvui
