// The main window's frame: creation over the work area, the banner, the
// title-bar buttons, the sizing border that comes with the pointer over the
// frame, and the one window procedure of frame and client.
#include "appwins/main_app_window.h"

#include <new>

#include "GVAppWins/view_window.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/form.h"
#include "toolkit/messages.h"
#include "toolkit/title_bar.h"
#include "toolkit/window_classes.h"

namespace {

const char* const kClassName = "MainAppWindowClass";
const char* const kProductBanner = "Gelvane Demo";
constexpr DWORD kClientStyle = 0x56000000;  // child, visible, clipping siblings and children
constexpr int kSizingStep = 3;

HwMainAppWindow* windowOf(HWND hwnd) {
  return reinterpret_cast<HwMainAppWindow*>(GetWindowLongA(hwnd, GWL_USERDATA));
}

int sizingExtra(const HwMainAppWindow& w) { return w.sizingBorder ? 2 * kSizingStep : 0; }

// The minimised mark holds the engine's redraws until the window is sized again.
void setMinimised(HwMainAppWindow& w, int on) {
  w.minimised = on;
  gViewModeFlags.renderHold = on;
}

void dropSizingBorder(HWND frame) {
  ReleaseCapture();
  LONG_PTR style = GetWindowLongA(frame, GWL_STYLE);
  if (style & WS_THICKFRAME) SetWindowLongA(frame, GWL_STYLE, style & ~WS_THICKFRAME);
}

// The frame grows by the sizing border when it comes and shrinks when it goes,
// so the client stays where it was.
void onStyleChanged(HwMainAppWindow& w) {
  const int on = GetWindowLongA(w.frame, GWL_STYLE) & WS_THICKFRAME ? 1 : 0;
  if (on == w.sizingBorder) return;
  const int step = on ? kSizingStep : -kSizingStep;
  RECT r;
  GetWindowRect(w.frame, &r);
  w.sizingBorder = on;
  SetWindowPos(w.frame, HWND_TOP, r.left - step, r.top - step, r.right - r.left + 2 * step,
               r.bottom - r.top + 2 * step, SWP_FRAMECHANGED);
}

void paint(HwMainAppWindow& w, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  if (hwnd == w.frame)
    LoadImageFr(w.frameStyle, r.right, r.bottom, dc);
  else
    FillRect(dc, &r, QwPens.brushBackground);
  EndPaint(hwnd, &ps);
}

void onFrameSize(HwMainAppWindow& w, int width, int height) {
  if (w.titleBar) w.titleBar->move(w.border, w.border, width - 2 * w.border, w.titleHeight);
  if (w.client)
    MoveWindow(w.client, w.border, w.border + w.titleHeight, width - 2 * w.border,
               height - 2 * w.border - w.titleHeight, TRUE);
}

}  // namespace

ATOM HwMainAppWindow::registerClass(HINSTANCE instance) {
  return GVRegisterToolkitClass(instance, kClassName, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, HwMainAppWindowProc,
                                QwPens.brushBackground, 109);
}

HwMainAppWindow::~HwMainAppWindow() {
  delete form;
  form = nullptr;
  if (titleBar) {
    if (titleBar->window) DestroyWindow(titleBar->window);
    delete titleBar;  // frees its buttons
    titleBar = nullptr;
  }
  GVDetachObject(frame, this);
  GVDetachObject(client, this);
  if (frame && IsWindow(frame)) DestroyWindow(frame);
  if (minimised) setMinimised(*this, 0);
}

void HwMainAppWindow::create(HINSTANCE inst, int referenceHeight) {
  instance = inst;
  restore[0] = restore[1] = 0;
  restore[2] = kMainDesignWidth;
  restore[3] = referenceHeight;
  restorePending = 1;
  sizingBorder = 0;
  border = GVFrameBorder(frameStyle);

  RECT work = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  if (work.right <= work.left) work = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  x = work.left, y = work.top;
  width = work.right - work.left, height = work.bottom - work.top;
  frame = CreateWindowExA(0, kClassName, "Gelvane Demo", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                          nullptr, instance, nullptr);
  if (!frame) return;
  SetWindowLongA(frame, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));

  clientWidth = width - 2 * border - sizingExtra(*this);
  titleBar = new (std::nothrow) HwTitleBar();
  if (titleBar)
    titleBar->create("", instance, frame, border, border, clientWidth, titleHeight, kMainFrameStyle, 0, closeCB,
                     maximiseCB, quitCB, this);
  setTitle("");

  clientHeight = height - 2 * border - titleHeight - sizingExtra(*this);
  client = CreateWindowExA(0, kClassName, "TXT", kClientStyle, border, titleHeight + border, clientWidth,
                           clientHeight, frame, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMainClientId)),
                           instance, nullptr);
  if (client) SetWindowLongA(client, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  form = new (std::nothrow) HwForm(client, 0);
  if (!form) {
    GVMessage("MainAppWin: Cant create form");
    return;
  }
  form->width = clientWidth;
  form->height = clientHeight;
  UpdateWindow(frame);
  ShowWindow(frame, SW_SHOW);
  UpdateWindow(client);
  ShowWindow(client, SW_SHOW);
}

void HwMainAppWindow::setTitle(const char* name) {
  banner = kProductBanner;
  banner += "          ";
  banner += name && name[0] ? name : "(no name)";
  if (titleBar) titleBar->setText(banner.substr(0, kHwTitleMax).c_str());
}

void HwMainAppWindow::updateTitle(const char* name) {
  sceneName = name ? name : "";
  setTitle(sceneName.c_str());
}

int HwMainAppWindow::closeCB(int, void* window) {
  auto* w = static_cast<HwMainAppWindow*>(window);
  if (!w) return 0;
  CloseWindow(w->frame);
  setMinimised(*w, 1);
  return 0;
}

int HwMainAppWindow::maximiseCB(int, void* window) {
  auto* w = static_cast<HwMainAppWindow*>(window);
  if (!w) return 0;
  if (w->sizingBorder) dropSizingBorder(w->frame);
  if (w->restorePending) {
    w->restorePending = 0;
    MoveWindow(w->frame, w->restore[0], w->restore[1], w->restore[2], w->restore[3], TRUE);
  } else {
    RECT r;
    GetWindowRect(w->frame, &r);
    w->restore[0] = r.left, w->restore[1] = r.top;
    w->restore[2] = r.right - r.left, w->restore[3] = r.bottom - r.top;
    w->restorePending = 1;
    RECT work = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    MoveWindow(w->frame, work.left, work.top, work.right - work.left, work.bottom - work.top, TRUE);
  }
  return 0;
}

int HwMainAppWindow::quitCB(int, void*) {
  PostQuitMessage(0);
  return 0;
}

LRESULT CALLBACK HwMainAppWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY: return 0;
    case WM_ERASEBKGND:
    case WM_QUERYOPEN: return 1;
  }
  HwMainAppWindow* w = windowOf(hwnd);
  if (!w || (hwnd != w->frame && hwnd != w->client)) return DefWindowProcA(hwnd, msg, wp, lp);
  const bool isFrame = hwnd == w->frame;
  switch (msg) {
    case WM_SIZE: {
      const int width = LOWORD(lp), height = HIWORD(lp);
      if (wp == SIZE_MINIMIZED) return 0;
      if (isFrame) {
        RECT r;
        GetWindowRect(hwnd, &r);
        w->x = r.left, w->y = r.top, w->width = r.right - r.left, w->height = r.bottom - r.top;
        onFrameSize(*w, width, height);
      } else {
        w->clientWidth = width, w->clientHeight = height;
        w->resize(width, height);
      }
      if (w->minimised) setMinimised(*w, 0);
      return 0;
    }
    case WM_PAINT: paint(*w, hwnd); return 0;
    case WM_CLOSE:
      // The desktop's close request ends the program as the quit button does.
      if (isFrame) PostQuitMessage(0);
      return 0;
    case WM_MOUSEMOVE:
      if (isFrame && !w->sizingBorder) {
        LONG_PTR style = GetWindowLongA(hwnd, GWL_STYLE);
        SetWindowLongA(hwnd, GWL_STYLE, style | WS_THICKFRAME);
      } else if (!isFrame && w->sizingBorder) {
        dropSizingBorder(w->frame);
      }
      return 0;
    case WM_LBUTTONUP:
      if (w->sizingBorder) dropSizingBorder(w->frame);
      return 0;
    case WM_STYLECHANGED:
      if (isFrame && static_cast<int>(wp) == GWL_STYLE) onStyleChanged(*w);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      SetFocus(hwnd);
      return 0;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

void GVBoxCentre(const float box[6], float centre[3]) {
  for (int i = 0; i < 3; ++i) centre[i] = 0.5f * (box[2 * i] + box[2 * i + 1]);
}
