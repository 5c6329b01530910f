// The time bar: layout, the frame scale and ticks, numbers, markers, the cursor,
// the ruler's mouse handling and the last-frame box.
#include "toolkit/time_bar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "scene/scene_limits.h"
#include "toolkit/drawing.h"
#include "toolkit/edit_control.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/window_classes.h"

namespace {

constexpr DWORD kStripStyle = 0x50000000;  // child, visible
constexpr int kBarHeight = 50;
constexpr int kBoxWidth = 78;  // six digits whole beside the step arrows
constexpr int kBoxGap = 4;     // between the strips and the last-frame box
constexpr int kRulerInset = 4;  // the scale leaves these pixels of the strip's width
constexpr int kFrameStep = 10;  // the last-frame box's step buttons

const COLORREF kGrey65 = RGB(65, 65, 65);
const COLORREF kCursorRed = RGB(250, 0, 0);

struct Scheme {
  COLORREF background, tick, number, erasePen, eraseBrush;
};
const Scheme kSchemes[3] = {
    {kGrey65, RGB(0, 0, 50), RGB(0, 0, 50), RGB(70, 70, 70), kGrey65},
    {kGrey65, RGB(250, 250, 100), RGB(0, 0, 50), RGB(70, 70, 70), kGrey65},
    {RGB(0, 0, 0), RGB(0, 250, 0), RGB(0, 250, 0), RGB(0, 0, 0), RGB(0, 0, 0)},
};

const Scheme& schemeOf(const HwTimeBar& bar) { return kSchemes[bar.mode >= 0 && bar.mode <= 2 ? bar.mode : 1]; }

HwTimeBarCB gDefaultCallback = nullptr;
HwTimeBarSceneHooks gHooks = {};

// The ruler that holds the mouse while it is pressed, and the last pointer place.
HWND gCaptureWindow = nullptr;
int gPointerX = 0, gPointerY = 0;

int clientWidth(HWND hwnd) {
  RECT r = {0, 0, 0, 0};
  if (hwnd) GetClientRect(hwnd, &r);
  return r.right;
}

int clientHeight(HWND hwnd) {
  RECT r = {0, 0, 0, 0};
  if (hwnd) GetClientRect(hwnd, &r);
  return r.bottom;
}

void fillBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  RECT r = {left, top, right, bottom};
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

// Rectangle with a 1-pixel outline.
void outlinedBox(HDC dc, int left, int top, int right, int bottom, COLORREF pen, COLORREF fill) {
  HPEN p = CreatePen(PS_SOLID, 1, pen);
  HBRUSH b = CreateSolidBrush(fill);
  HGDIOBJ oldPen = SelectObject(dc, p);
  HGDIOBJ oldBrush = SelectObject(dc, b);
  Rectangle(dc, left, top, right, bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(p);
  DeleteObject(b);
}

// The first multiple of unit at or above from.
int firstMultiple(int from, int unit) {
  int q = from / unit;
  if (q * unit < from) q++;
  return q * unit;
}

// The place and tick spacing of one strip's drawing.
struct Scale {
  float pixelsPerFrame;
  int unit;
  int first;
  // Frames a file gave far off the ruler land a little beyond its ends.
  int x(int64_t frame) const {
    return static_cast<int>(std::clamp(static_cast<double>(frame - first) * pixelsPerFrame, -1.0e6, 1.0e6));
  }
};

Scale scaleOf(const HwTimeBar& bar, HWND strip) {
  float p = bar.scale(clientWidth(strip));
  return {p, HwTimeBar::tickUnit(p), bar.firstFrame};
}

// The ticks of the multiples of the unit from `from` to `to`, within the range.
void tickSpan(const HwTimeBar& bar, HDC dc, const Scale& s, int from, int to, int height) {
  if (from < bar.firstFrame) from = bar.firstFrame;
  if (to > bar.lastFrame) to = bar.lastFrame;
  HPEN pen = CreatePen(PS_SOLID, 2, schemeOf(bar).tick);
  HGDIOBJ old = SelectObject(dc, pen);
  int mid = height / 2;
  for (int f = firstMultiple(from, s.unit); f <= to; f += s.unit) {
    int reach = f % (10 * s.unit) == 0 ? 4 : 1;
    GVDrawLine(dc, s.x(f), mid + reach, s.x(f), mid - reach);
    if (f > to - s.unit) break;  // the next step would pass INT_MAX
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}


struct MarkContext {
  HwTimeBar* bar;
  HDC dc;
  Scale scale;
};

void visitKeyFrame(int frame, void* context) {
  auto* c = static_cast<MarkContext*>(context);
  if (frame < c->bar->firstFrame || frame > c->bar->lastFrame) return;
  int x = c->scale.x(frame);
  if (x == 0)
    fillBox(c->dc, -1, 2, 2, 5, kCursorRed);
  else
    fillBox(c->dc, x - 1, 2, x + 1, 5, kCursorRed);
}

void paintWindow(HwTimeBar& bar, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  fillBox(dc, 0, 0, r.right, r.bottom, hwnd == bar.window ? kGrey65 : schemeOf(bar).background);
  if (hwnd == bar.markerStrip)
    bar.drawMarkers(dc);
  else if (hwnd == bar.ruler)
    bar.drawTicks(dc);
  else if (hwnd == bar.numberStrip)
    bar.drawNumbers(dc);
  EndPaint(hwnd, &ps);
}

HWND stripWindow(HWND parent, DWORD style, int x, int y, int w, int h, HINSTANCE instance, HwTimeBar* bar,
                 bool withId) {
  HMENU id = withId ? reinterpret_cast<HMENU>(static_cast<intptr_t>(QwTakeControlId())) : nullptr;
  HWND hwnd = CreateWindowExA(0, "TimeBarClass", "TXT", style, x, y, w, h, parent, id, instance, nullptr);
  if (hwnd) SetWindowLongA(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(bar));
  return hwnd;
}

void moveIf(HWND hwnd, int x, int y, int w, int h) {
  if (hwnd) MoveWindow(hwnd, x, y, w, h, TRUE);
}

}  // namespace

void HwTimeBar::setDefaultCallback(HwTimeBarCB cb) { gDefaultCallback = cb; }

void HwTimeBar::setSceneHooks(const HwTimeBarSceneHooks& hooks) { gHooks = hooks; }

void HwTimeBar::create(HINSTANCE instance, HWND parent, int w, int barFlags, void* geos, void* jelWorld,
                       void* userWord) {
  x = y = 0;
  width = w;
  height = kBarHeight;
  firstFrame = 0;
  lastFrame = currentFrame = previousFrame = 200;
  geoList = geos;
  world = jelWorld;
  mode = 1;
  frameKind = 2;
  flags = barFlags;
  callback = gDefaultCallback;
  user = userWord;
  frame.create(parent, instance, 0, 0, width, height, frameKind, flags & 1);
  border = frame.border;
  int innerW = width - 2 * border, innerH = height - 2 * border;
  int stripW = innerW - kBoxWidth - kBoxGap;
  window = frame.createInner("TimeBarClass", "TXT", instance, this);
  stripArea = stripWindow(window, kGVChildStyle, 0, 0, stripW, innerH, instance, this, false);
  markerStrip = stripWindow(stripArea, kStripStyle, 0, 0, stripW, 12, instance, this, true);
  ruler = stripWindow(stripArea, kStripStyle, 0, 12, stripW, 15, instance, this, true);
  numberStrip = stripWindow(stripArea, kStripStyle, 0, 27, stripW, 19, instance, this, true);
  lastFrameBox = new HwEditButControl(window, instance, innerW - kBoxWidth, 2, kBoxWidth, innerH - 4, 0, 0, lastFrame,
                                      0, lastFrameCB, nullptr, this);
  lastFrameBox->setIntRange(0, kGVFrameLimit);
  for (HWND hwnd : {window, stripArea, markerStrip, ruler, numberStrip}) {
    if (!hwnd) continue;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
  }
}

HwTimeBar::~HwTimeBar() {
  for (HWND hwnd : {window, stripArea, markerStrip, ruler, numberStrip}) {
    if (gCaptureWindow == hwnd && hwnd) gCaptureWindow = nullptr;
    GVDetachObject(hwnd, this);
  }
  delete lastFrameBox;
  lastFrameBox = nullptr;
  frame.destroy();
}

void HwTimeBar::move(int newX, int newY, int w, int h) {
  x = newX;
  y = newY;
  width = w;
  height = h;
  frame.moveWithInner(window, x, y, width, height);
  int innerW = w - 2 * border, innerH = h - 2 * border;
  int stripW = innerW - kBoxWidth - kBoxGap;
  int rulerH = static_cast<int>(innerH * 0.33);
  int markerH = (innerH - rulerH) / 2 - 3;
  moveIf(stripArea, 0, 0, stripW, innerH);
  moveIf(markerStrip, 0, 0, stripW, markerH);
  moveIf(ruler, 0, markerH, stripW, rulerH);
  moveIf(numberStrip, 0, markerH + rulerH, stripW, innerH - markerH - rulerH);
  if (lastFrameBox) lastFrameBox->move(innerW - kBoxWidth, 2, kBoxWidth, innerH - 4);
}

// A last frame typed as the first would give no range to divide by; it is
// drawn as a range of one frame.
float HwTimeBar::scale(int stripWidth) const {
  int range = lastFrame - firstFrame;
  if (range < 1) range = 1;
  return static_cast<float>(stripWidth - kRulerInset) / static_cast<float>(range);
}

int HwTimeBar::tickUnit(float pixelsPerFrame) {
  float q = pixelsPerFrame / 4;
  if (q < 0.001f) return 10000;
  if (q < 0.01f) return 1000;
  if (q < 0.1f) return 100;
  if (q < 1.0f) return 10;
  return 1;
}

int HwTimeBar::frameAt(int px) const {
  int w = clientWidth(ruler) - kRulerInset;
  int64_t s = static_cast<int64_t>(lastFrame) - firstFrame;
  int64_t f = firstFrame;
  if (s != 0 && w > 0) {
    // Half a frame's width to the left, so the pointer takes the nearest frame.
    int64_t half = static_cast<int64_t>(static_cast<double>(w) * -0.5 / static_cast<double>(s));
    f = (px - half) * s / w + firstFrame;
  }
  if (f > lastFrame) f = lastFrame;
  if (f < 0) f = 0;
  return static_cast<int>(f);
}

int HwTimeBar::ask(int code, int what, int value) { return callback ? callback(code, what, value, user) : 0; }

void HwTimeBar::drawCursor(HDC dc, int n) {
  if (n < firstFrame || n - 2 > lastFrame) return;
  Scale s = scaleOf(*this, ruler);
  int h = clientHeight(ruler);
  const Scheme& c = schemeOf(*this);
  int xp = s.x(previousFrame);
  outlinedBox(dc, xp - 1, 0, xp + 1, h, c.erasePen, c.eraseBrush);
  if (n - 1 > lastFrame) return;
  tickSpan(*this, dc, s, previousFrame - s.unit / 2, previousFrame + s.unit / 2, h);
  int xn = s.x(n);
  outlinedBox(dc, xn - 1, 0, xn + 1, h, kCursorRed, kCursorRed);
}

void HwTimeBar::moveMarker(int n) {
  if (!ruler) return;
  HDC dc = GetDC(ruler);
  if (!dc) return;
  drawCursor(dc, n);
  ReleaseDC(ruler, dc);
}

void HwTimeBar::drawTicks(HDC dc) {
  Scale s = scaleOf(*this, ruler);
  tickSpan(*this, dc, s, firstFrame, lastFrame, clientHeight(ruler));
  drawCursor(dc, currentFrame);
}

void HwTimeBar::drawNumbers(HDC dc) {
  Scale s = scaleOf(*this, numberStrip);
  int mode0 = SetBkMode(dc, TRANSPARENT);
  COLORREF colour0 = SetTextColor(dc, schemeOf(*this).number);
  int step = 10 * s.unit;
  for (int f = firstMultiple(firstFrame, step); f <= lastFrame; f += step) {
    char text[16];
    int n = std::snprintf(text, sizeof text, "%d", f);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, text, n, &extent);
    int at = s.x(f);
    int left = f == firstFrame ? at + 1 : f == lastFrame ? at - extent.cx : at - extent.cx / 2;
    TextOutA(dc, left, 1, text, n);
    if (f > lastFrame - step) break;  // the next step would pass INT_MAX
  }
  SetTextColor(dc, colour0);
  SetBkMode(dc, mode0);
}

void HwTimeBar::drawMarkers(HDC dc) {
  Scale s = scaleOf(*this, markerStrip);
  int h = clientHeight(markerStrip);
  HwTimeBarPlayMarks play = {};
  if (world && gHooks.playMarks && gHooks.playMarks(world, &play)) {
    if (play.mode != 0) {
      int x0 = s.x(play.recordFirst);
      if (play.recordFirst != 0) fillBox(dc, x0 - 1, 1, x0 + 1, 3, kCursorRed);
      int x1 = s.x(play.recordLast);
      fillBox(dc, x1 - 1, 1, x1 + 2, 5, RGB(250, 150, 200));
    }
    if (play.loop != 0) {
      int x0 = s.x(play.loopStart);
      if (play.loopStart != 0) fillBox(dc, x0 - 1, 5, x0 + 1, h + 5, RGB(0, 250, 0));
      int x1 = s.x(int64_t{play.loopStart} + play.loopLength);
      fillBox(dc, x1 - 1, 5, x1 + 1, h + 5, RGB(0, 250, 0));
    }
  }
  selectedGeo = ask(1, 2, 0);
  if (geoList && gHooks.keyFrames) {
    MarkContext context = {this, dc, s};
    gHooks.keyFrames(geoList, selectedGeo, visitKeyFrame, &context);
  }
  selectedJel = ask(1, 4, 0);
  if (world && gHooks.nextStoredFrame) {
    // Stored frames come in ascending order; anything else ends the walk.
    for (int f = gHooks.nextStoredFrame(world, selectedJel, -1), after = -1; f > after;
         after = f, f = gHooks.nextStoredFrame(world, selectedJel, f)) {
      if (f < firstFrame || f > lastFrame) continue;
      int xf = s.x(f);
      fillBox(dc, xf - 1, 7, xf + 1, 10, RGB(0, 0, 50));
    }
  }
}

void HwTimeBar::redraw() {
  if (lastFrameBox) lastFrameBox->redraw();
  for (HWND hwnd : {markerStrip, ruler, numberStrip})
    if (hwnd) RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

int HwTimeBar::lastFrameCB(int code, int value, void* object) {
  auto* bar = static_cast<HwTimeBar*>(object);
  int v = GVStepIntWithin(code, value, 0, kGVFrameLimit, kFrameStep);
  if (bar->callback) {
    HwLifeWatch watch(bar->life);
    v = bar->callback(code, 1, v, bar->user);
    if (watch.gone()) return v;  // the owner freed the bar
  }
  bar->lastFrame = v;
  if (bar->lastFrameBox && bar->lastFrameBox->edit) bar->lastFrameBox->edit->setInt(bar->lastFrame);
  bar->redraw();
  return bar->lastFrame;
}

LRESULT CALLBACK HwTimeBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return 0;
    case WM_ERASEBKGND: return 1;
    case WM_DESTROY:
      // The bar going must not end the program: no quit message here.
      if (gCaptureWindow == hwnd) gCaptureWindow = nullptr;
      return 0;
    default: break;
  }
  auto* bar = reinterpret_cast<HwTimeBar*>(GetWindowLongA(hwnd, GWL_USERDATA));
  if (!bar) return DefWindowProcA(hwnd, msg, wp, lp);
  int px = static_cast<short>(LOWORD(lp));
  int py = static_cast<short>(HIWORD(lp));
  bool onRuler = hwnd == bar->ruler;
  switch (msg) {
    case WM_PAINT: paintWindow(*bar, hwnd); return 0;
    case WM_LBUTTONDOWN:
      if (!onRuler) return 0;
      SetCapture(hwnd);
      gCaptureWindow = hwnd;
      gPointerX = px, gPointerY = py;
      bar->ask(0, 32, bar->frameAt(px));
      return 0;
    case WM_MOUSEMOVE:
      if (!onRuler || gCaptureWindow != hwnd) return 0;
      gPointerX = px, gPointerY = py;
      bar->ask(0, 32, bar->frameAt(px));
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (!onRuler || gCaptureWindow != hwnd) return 0;
      gPointerX = px, gPointerY = py;
      bar->ask(0, 8, bar->frameAt(px));
      ReleaseCapture();
      gCaptureWindow = nullptr;
      return 0;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}
