// Title bars: creation, placement of the buttons, painting and the owner drag.
#include "toolkit/title_bar.h"

#include <cstring>
#include <initializer_list>

#include "platform/gdi32.h"
#include "toolkit/drawing.h"
#include "toolkit/messages.h"
#include "toolkit/window_classes.h"

namespace {

constexpr int kButtonStep = 25;
constexpr int kBackgroundBitmap = 166;

// One drag at a time: whether it may move the owner, the cursor and the owner's
// corner at the press.
bool gDragAllowed = false;
POINT gDragCursor = {};
POINT gDragCorner = {};

int buttonCount(int style) {
  if (style == 2) return 2;
  return style == 3 || style == 4 ? 3 : 0;
}

bool hasMaximise(int style) { return style == 3 || style == 4; }

bool copyTitle(char* dst, const char* text) {
  size_t n = text ? std::strlen(text) : 0;
  if (n < 1 || n > static_cast<size_t>(kHwTitleMax)) {
    dst[0] = 0;
    return false;
  }
  std::memcpy(dst, text, n + 1);
  return true;
}

void paint(const HwTitleBar& bar, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  LoadImageStr(dc, kBackgroundBitmap, r.right, r.bottom);
  if (bar.text[0]) GVDrawTextCentred(0, 0, bar.textAreaWidth, r.bottom, 0, 0, RGB(220, 220, 220), bar.text, dc);
  EndPaint(hwnd, &ps);
}

}  // namespace

HwTitleBar::~HwTitleBar() {
  GVDetachObject(window, this);
  freeBuffers();
}

void HwTitleBar::create(const char* title, HINSTANCE instance, HWND ownerWindow, int x, int y, int w, int h,
                        int barStyle, int barFlags, HwButtonCB minimiseCB, HwButtonCB maximiseCB,
                        HwButtonCB closeCB, void* userWord) {
  owner = ownerWindow;
  width = w;
  height = h;
  style = barStyle;
  flags = barFlags;
  user = userWord;
  buttonSize = 23;
  copyTitle(text, title);
  int rowY = (height - buttonSize) / 2 - 4;
  textAreaWidth = width - kButtonStep * buttonCount(style);
  window = CreateWindowExA(0, "TitleBarClass", "TXT", kGVChildStyle, x, y, width, height, owner, nullptr, instance,
                           nullptr);
  SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (style == 1) return;
  int bx = textAreaWidth;
  minimiseButton = new HwBMButton();
  minimiseButton->createBitmapButton(window, instance, 130, 131, bx, rowY, buttonSize, buttonSize, minimiseCB, user);
  if (hasMaximise(style)) {
    bx += kButtonStep;
    maximiseButton = new HwBMButton();
    maximiseButton->createBitmapButton(window, instance, 132, 133, bx, rowY, buttonSize, buttonSize, maximiseCB,
                                       user);
  }
  bx += kButtonStep;
  closeButton = new HwBMButton();
  closeButton->createBitmapButton(window, instance, 135, 134, bx, rowY, buttonSize, buttonSize, closeCB, user);
}

void HwTitleBar::move(int x, int y, int w, int h) {
  int n = hasMaximise(style) ? 3 : 2;
  textAreaWidth = w - kButtonStep * n;
  int bx = textAreaWidth;
  for (HwBMButton* b : {minimiseButton, maximiseButton, closeButton}) {
    if (!b) continue;
    b->move(bx, y, buttonSize, buttonSize);
    bx += kButtonStep;
  }
  if (window) MoveWindow(window, x, y, w, h, TRUE);
}

void HwTitleBar::setText(const char* title) {
  if (!copyTitle(text, title)) GVMessage("HwTitleBar got bad string!");
  if (window) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void HwTitleBar::freeBuffers() {
  delete minimiseButton;
  delete maximiseButton;
  delete closeButton;
  minimiseButton = maximiseButton = closeButton = nullptr;
}

LRESULT CALLBACK HwTitleBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* bar = reinterpret_cast<HwTitleBar*>(GetWindowLongA(hwnd, GWL_USERDATA));
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY:
    case WM_SIZE: return 0;
    case WM_ERASEBKGND: return 1;
  }
  if (!bar || bar->window != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_PAINT: paint(*bar, hwnd); return 0;
    case WM_LBUTTONDOWN: {
      SetCapture(hwnd);
      gDragAllowed = !(bar->flags & 5);
      GetCursorPos(&gDragCursor);
      RECT r;
      GetWindowRect(bar->owner, &r);
      gDragCorner = {r.left, r.top};
      return 0;
    }
    case WM_MOUSEMOVE:
      if (gDragAllowed && GetCapture() == hwnd && !IsZoomed(bar->owner)) {
        POINT now;
        GetCursorPos(&now);
        SetWindowPos(bar->owner, HWND_TOP, gDragCorner.x + now.x - gDragCursor.x,
                     gDragCorner.y + now.y - gDragCursor.y, 0, 0, SWP_NOSIZE);
      }
      return 0;
    case WM_LBUTTONUP:
      gDragAllowed = false;
      ReleaseCapture();
      return 0;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}
