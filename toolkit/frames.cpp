// Frames and frame windows: creation, moves and their window procedures.
#include "toolkit/frames.h"

#include <cstring>
#include <new>

#include "platform/gdi32.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/form.h"
#include "toolkit/messages.h"
#include "toolkit/window_classes.h"

namespace {

char* copyText(const char* text) {
  if (!text) text = "";
  size_t n = std::strlen(text) + 1;
  char* copy = new char[n];
  std::memcpy(copy, text, n);
  return copy;
}

HwForm* makeForm(HWND window, int width, int height, int inset, const char* failure) {
  HwForm* form = new (std::nothrow) HwForm(window, inset);
  if (!form) {
    GVMessage(failure);
    return nullptr;
  }
  form->width = width;
  form->height = height;
  return form;
}

void drawBorder(HWND hwnd, int style, HDC dc) {
  RECT r;
  GetClientRect(hwnd, &r);
  LoadImageFr(style, r.right, r.bottom, dc);
}

}  // namespace

void HwFrame::create(HWND parent, HINSTANCE instance, int x, int y, int w, int h, int frameStyle, int hide) {
  window = nullptr;
  form = nullptr;
  width = w;
  height = h;
  innerWidth = innerHeight = 0;
  style = frameStyle;
  hidden = hide;
  border = GVFrameBorder(style);
  text = copyText("");
  window = CreateWindowExA(0, "FrameClass", "TXT", hidden ? kGVHiddenChildStyle : kGVChildStyle, x, y, width, height,
                           parent, nullptr, instance, nullptr);
  if (window) SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  innerWidth = width - 2 * border;
  innerHeight = height - 2 * border;
  form = makeForm(window, innerWidth, innerHeight, border, "Frame: Cant create form");
  if (!form || !window) return;
  if (!hidden) ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
}

void HwFrame::createLeft10(HWND parent, HINSTANCE instance, int y, int w, int h, int frameStyle, int hide) {
  create(parent, instance, 10, y, w, h, frameStyle, hide);
}

void HwFrame::move(int x, int y, int w, int h) {
  innerWidth = w - 2 * border;
  innerHeight = h - 2 * border;
  if (window) MoveWindow(window, x, y, w, h, TRUE);
  if (form) form->setSize(innerWidth, innerHeight);
}

HWND HwFrame::createInner(const char* className, const char* title, HINSTANCE instance, void* object) {
  HWND inner = CreateWindowExA(0, className, title, kGVChildStyle, border, border, innerWidth, innerHeight, window,
                               nullptr, instance, nullptr);
  if (inner && object) SetWindowLongA(inner, GWL_USERDATA, reinterpret_cast<LONG_PTR>(object));
  return inner;
}

void HwFrame::moveWithInner(HWND inner, int x, int y, int w, int h) {
  move(x, y, w, h);
  if (inner) MoveWindow(inner, border, border, innerWidth, innerHeight, TRUE);
}

void HwFrame::destroy() {
  GVDetachObject(window, this);
  delete form;
  form = nullptr;
  delete[] text;
  text = nullptr;
}

void HwFrameWindow::create(HWND parent, HINSTANCE instance, int x, int y, int w, int h, int frameStyle) {
  init(parent, instance, "", x, y, w, h, frameStyle, 0, nullptr);
}

void HwFrameWindow::createLeft10(HWND parent, HINSTANCE instance, int w, int h, int frameStyle) {
  init(parent, instance, "", 10, 0, w, h, frameStyle, 0, nullptr);
}

void HwFrameWindow::createStyled(HWND parent, HINSTANCE instance, const char* titleText, int x, int y, int w,
                                 int h, int frameStyle, int hide, HwFrameWindowCB cb) {
  init(parent, instance, titleText, x, y, w, h, frameStyle, hide, cb);
}

void HwFrameWindow::init(HWND parent, HINSTANCE instance, const char* titleText, int x, int y, int w, int h,
                         int frameStyle, int hide, HwFrameWindowCB cb) {
  outer = inner = nullptr;
  form = nullptr;
  width = w;
  height = h;
  style = frameStyle;
  hidden = hide;
  border = GVFrameBorder(style);
  title = copyText(titleText);
  callback = cb;
  outer = CreateWindowExA(0, "FrameWindowClass", "TXT", hidden ? kGVHiddenChildStyle : kGVChildStyle, x, y, width,
                          height, parent, nullptr, instance, nullptr);
  if (outer) SetWindowLongA(outer, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  inner = CreateWindowExA(0, "FrameWindowClass", "TXT", kGVChildStyle, border, border, width - 2 * border,
                          height - 2 * border, outer, nullptr, instance, nullptr);
  if (inner) SetWindowLongA(inner, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  form = makeForm(inner, width - 2 * border, height - 2 * border, 0, "FrameWindow: Cant create form");
  if (!form) return;
  if (outer) {
    if (!hidden) ShowWindow(outer, SW_SHOW);
    UpdateWindow(outer);
  }
  if (inner) {
    ShowWindow(inner, SW_SHOW);
    UpdateWindow(inner);
  }
}

void HwFrameWindow::move(int w, int h, int x, int y) {
  width = w;
  height = h;
  if (outer) MoveWindow(outer, x, y, width, height, TRUE);
  if (inner) MoveWindow(inner, border, border, width - 2 * border, height - 2 * border, TRUE);
  if (form) form->setSize(width - 2 * border, height - 2 * border);
}

void HwFrameWindow::destroy() {
  GVDetachObject(outer, this);
  GVDetachObject(inner, this);
  delete form;
  form = nullptr;
  delete[] title;
  title = nullptr;
}

LRESULT CALLBACK HwFrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY: return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      auto* frame = reinterpret_cast<HwFrame*>(GetWindowLongA(hwnd, GWL_USERDATA));
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (frame && frame->window == hwnd) drawBorder(hwnd, frame->style, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK HwFrameWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* frame = reinterpret_cast<HwFrameWindow*>(GetWindowLongA(hwnd, GWL_USERDATA));
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY: return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (frame && frame->outer == hwnd) {
        drawBorder(hwnd, frame->style, dc);
      } else if (frame && frame->inner == hwnd) {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, QwPens.brushBackground);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
      if (frame && frame->inner == hwnd && frame->callback) frame->callback(frame->title ? frame->title : "", 1);
      return 0;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}
