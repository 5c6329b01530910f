// Scroll bar arithmetic, mouse handling and painting.
#include "toolkit/scroll_bar.h"

#include <algorithm>

#include "platform/gdi32.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/window_classes.h"

namespace {

// Where the pointer held the knob, relative to its centre, during a drag.
int gGripOffset = 0;

void bevel(HDC dc, int top, int width, int size, bool dragging, bool grip) {
  HPEN light = CreatePen(PS_SOLID, 1, dragging ? RGB(90, 90, 90) : RGB(40, 40, 40));
  HPEN dark = CreatePen(PS_SOLID, 1, dragging ? RGB(50, 50, 50) : RGB(90, 90, 90));
  int right = width - 1, bottom = top + size - 1;
  HGDIOBJ old = SelectObject(dc, light);
  GVDrawLine(dc, 0, bottom, 0, top);
  GVDrawLine(dc, 0, top, right, top);
  SelectObject(dc, dark);
  GVDrawLine(dc, right, top, right, bottom);
  GVDrawLine(dc, right, bottom, 0, bottom);
  // Three grip lines across the middle of a knob that has room for them, so the
  // knob reads against the track.
  if (grip && size >= 12 && width >= 10) {
    SelectObject(dc, dragging ? dark : light);
    for (int d = -3; d <= 3; d += 3) GVDrawLine(dc, 4, top + size / 2 + d, width - 4, top + size / 2 + d);
  }
  SelectObject(dc, old);
  DeleteObject(light);
  DeleteObject(dark);
}

void paint(const HwScrollBar& bar, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, QwPens.brushBackground);
  LoadImageFr(4, r.right, r.bottom, dc);
  int top = bar.knobTop();
  bool full = bar.knobSize >= bar.trackLength;
  GVFillRect(0, top, r.right, bar.knobSize, dc, full ? QwPens.brushBackground : QwPens.brushGrey90);
  bevel(dc, top, r.right, bar.knobSize, bar.dragging != 0, !full);
  EndPaint(hwnd, &ps);
}

int hasOverflow(const HwScrollBar& bar) { return bar.overflow > 0 ? 1 : 0; }

}  // namespace

HwScrollBar::~HwScrollBar() {
  GVDetachObject(window, this);
  frame.destroy();
}

void HwScrollBar::create(HWND owner, HINSTANCE instance, int track, int line, int view, int total,
                         HwScrollCB cb, void* userWord) {
  trackLength = track;
  lineHeight = line;
  viewHeight = view;
  totalLines = total;
  callback = cb;
  user = userWord;
  firstLine = 1;
  dragging = 0;
  frame.create(owner, instance, 0, 0, barWidth, trackLength, 0, 0);
  window = frame.createInner("ScrollBarClass", "TXT", instance, this);
  recalc();
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
}

void HwScrollBar::recalc() {
  // A caller's line height of 0 would divide by zero; a line is at least a pixel.
  if (lineHeight < 1) lineHeight = 1;
  visibleLines = viewHeight / lineHeight;
  overflow = totalLines - visibleLines;
  if (overflow <= 0) {
    knobSize = trackLength;
    usableTrack = 0;
    pixelsPerLine = 0;
  } else {
    int knob0 = static_cast<int>(static_cast<float>(visibleLines) / static_cast<float>(totalLines) * trackLength);
    usableTrack = trackLength - knob0;
    pixelsPerLine = static_cast<float>(usableTrack) / static_cast<float>(overflow);
    knobSize = knob0 + usableTrack - static_cast<int>(pixelsPerLine * overflow);
    if (firstLine > overflow + 1) firstLine = overflow + 1;
  }
  if (totalLines <= visibleLines) firstLine = 1;
}

int HwScrollBar::knobTop() const {
  int line = std::min(firstLine, std::max(overflow + 1, 1));
  return static_cast<int>((line - 1) * pixelsPerLine);
}

int HwScrollBar::lineAt(int y) const {
  int from = std::max(y - knobSize / 2, 0);
  int line = pixelsPerLine == 0 ? 1 : static_cast<int>((from + pixelsPerLine / 2) / pixelsPerLine) + 1;
  return std::clamp(line, 1, std::max(overflow + 1, 1));
}

void HwScrollBar::redraw() {
  if (window) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

int HwScrollBar::scrollBy(int delta) {
  if (totalLines <= visibleLines) return 0;
  int line = std::clamp(firstLine + delta, 1, std::max(totalLines - visibleLines + 1, 1));
  if (line != firstLine) {
    firstLine = line;
    redraw();
  }
  return firstLine;
}

int HwScrollBar::setTotal(int total) {
  int before = hasOverflow(*this);
  totalLines = total;
  recalc();
  redraw();
  return hasOverflow(*this) - before;
}

int HwScrollBar::setViewHeight(int pixels) {
  int before = hasOverflow(*this);
  viewHeight = pixels;
  recalc();
  redraw();
  return hasOverflow(*this) - before;
}

void HwScrollBar::notifyOwner() {
  if (tellOwner(3, firstLine)) redraw();
}

bool HwScrollBar::tellOwner(int code, int line) {
  if (!callback) return true;
  HwLifeWatch watch(life);
  callback(code, line, user);
  return !watch.gone();
}

void HwScrollBar::move(int x, int y, int w, int h) {
  frame.moveWithInner(window, x, y, w, h);
  trackLength = frame.innerHeight;
  recalc();
}

LRESULT CALLBACK HwScrollBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* bar = reinterpret_cast<HwScrollBar*>(GetWindowLongA(hwnd, GWL_USERDATA));
  if (msg == WM_ERASEBKGND) return 1;
  if (!bar || bar->window != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
  int y = static_cast<short>(HIWORD(lp));
  switch (msg) {
    case WM_PAINT: paint(*bar, hwnd); return 0;
    case WM_LBUTTONDOWN: {
      bar->dragging = 1;
      SetCapture(hwnd);
      int top = bar->knobTop();
      if (y > top && y < top + bar->knobSize) {
        gGripOffset = y - bar->knobSize / 2 - top;
      } else {
        gGripOffset = 0;
        bar->firstLine = bar->lineAt(y);
        if (!bar->tellOwner(1, bar->firstLine)) return 0;
      }
      bar->redraw();
      return 0;
    }
    case WM_MOUSEMOVE:
      if (bar->dragging) {
        int line = bar->lineAt(y - gGripOffset);
        if (line != bar->firstLine) {
          bar->firstLine = line;
          if (!bar->tellOwner(2, line)) return 0;
        }
        bar->redraw();
      }
      return 0;
    case WM_LBUTTONUP:
      ReleaseCapture();
      bar->dragging = 0;
      if (bar->tellOwner(3, bar->firstLine)) bar->redraw();
      return 0;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK HwTextScrollOldProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // Destroying such a window must not end the program: no quit message here.
  if (msg == WM_CREATE || msg == WM_DESTROY) return 0;
  return DefWindowProcA(hwnd, msg, wp, lp);
}
