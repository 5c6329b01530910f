// Labels, the labelled button field and the separator.
#include "toolkit/label.h"

#include <cstring>

#include "platform/gdi32.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/window_classes.h"

namespace {

// 12 gives Arial -12 and -16 Arial 16; other heights are reported and fall back.
HFONT labelFont(int pixelHeight) { return QWGetFont(1, pixelHeight, 0); }

void paintLabel(HwLabel& label, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, QwPens.brushBackground);
  if (label.pixelHeight == 0) label.pixelHeight = 20;
  labelFont(label.pixelHeight);
  HGDIOBJ old = SelectObject(dc, label.font);
  int mode = SetBkMode(dc, TRANSPARENT);
  COLORREF colour = SetTextColor(dc, RGB(220, 220, 220));
  int n = static_cast<int>(std::strlen(label.text));
  SIZE extent = {};
  GetTextExtentPoint32A(dc, label.text, n, &extent);
  int y = (r.bottom - QwTextHeight(dc)) / 2;
  int x = label.alignment == -1  ? label.margin
          : label.alignment == 1 ? r.right - label.margin - extent.cx
                                 : (r.right - extent.cx) / 2;
  TextOutA(dc, x, y, label.text, n);
  SetTextColor(dc, colour);
  SetBkMode(dc, mode);
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}

}  // namespace

HwLabel::HwLabel(HWND parent, const char* labelText, HINSTANCE instance, int x, int y, int w, int h, int points,
                 int pixels, int align, int labelMargin)
    : width(w), height(h), alignment(align), margin(labelMargin) {
  pixelHeight = points ? QwPixelValue(parent, points) : pixels ? pixels : 20;
  // The field holds 399 characters; longer texts are cut.
  std::strncpy(text, labelText ? labelText : "", kHwLabelText - 1);
  text[kHwLabelText - 1] = 0;
  window = CreateWindowExA(0, "LabelClass", text, borderFlag ? kGVChildStyle | WS_BORDER : kGVChildStyle, x, y, width,
                           height, parent, nullptr, instance, nullptr);
  font = labelFont(pixelHeight);
  SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
}

int HwLabelWidthFor(HWND parent, const char* text, int width, int margin) {
  if (!text || !*text) return width;
  HDC dc = GetDC(parent);
  if (!dc) return width;
  HGDIOBJ old = SelectObject(dc, labelFont(QwPixelValue(parent, 12)));
  SIZE extent = {};
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &extent);
  SelectObject(dc, old);
  ReleaseDC(parent, dc);
  // Two columns spare, so that the first glyph's left edge is clear of the border.
  return extent.cx + margin + 2 > width ? extent.cx + margin + 2 : width;
}

HwLabel::~HwLabel() {
  GVDetachObject(window, this);
}

void HwLabel::move(int x, int y, int w, int h) {
  if (window) MoveWindow(window, x, y, w, h, TRUE);
}

LRESULT CALLBACK HwLabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* label = reinterpret_cast<HwLabel*>(GetWindowLongA(hwnd, GWL_USERDATA));
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY:
    case WM_COMMAND: return 0;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: {
      // A label is part of what it names: its double clicks are the parent's
      // (a slider group offers to minimise its range).
      HWND parent = GetParent(hwnd);
      if (!parent) return 0;
      POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      MapWindowPoints(hwnd, parent, &p, 1);
      SendMessageA(parent, msg, wp, MAKELPARAM(p.x, p.y));
      return 0;
    }
    case WM_PAINT:
      if (label && label->window == hwnd) {
        paintLabel(*label, hwnd);
        return 0;
      }
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void HwBaseControl::createButton(HINSTANCE instance, HWND parent, int x, int y, int w, int h, const char* labelText,
                                 const char* buttonText, int buttonWidth, int labelMargin, HwButtonCB callback,
                                 void* user) {
  word = buttonWidth;
  createFrame(parent, instance, x, y, w, h);
  int innerW = width - 2 * border, innerH = height - 2 * border;
  labelWidth = innerW - buttonWidth - 4;
  label = new HwLabel(window, labelText, instance, 1, 1, labelWidth, innerH - 2, 12, 0, 1, labelMargin);
  button = new HwBMButton();
  button->createTextButton(window, instance, 141, 142, buttonText ? buttonText : "", 12, innerW - buttonWidth - 1, 1,
                           buttonWidth, innerH - 2, 3, callback, user);
}

void HwBaseControl::createFrame(HWND parent, HINSTANCE instance, int x, int y, int w, int h) {
  width = w;
  height = h;
  frame.create(parent, instance, x, y, width, height, 0, 0);
  border = frame.border;
  window = frame.createInner("BaseControlClass", "TXT", instance, nullptr);
}

void HwBaseControl::moveFrame(int x, int y, int w, int h) {
  width = w;
  height = h;
  frame.moveWithInner(window, x, y, width, height);
}

void HwBaseControl::moveButton(int x, int y, int w, int h) {
  moveFrame(x, y, w, h);
  int innerW = width - 2 * border, innerH = height - 2 * border;
  labelWidth = innerW - word - 4;
  if (label) label->move(1, 1, labelWidth, innerH - 2);
  if (button) button->move(innerW - word - 1, 1, word, innerH - 2);
}

void HwBaseControl::destroy() {
  frame.destroy();
  delete label;
  delete button;
  delete editButton;
  label = nullptr;
  button = nullptr;
  editButton = nullptr;
}

LRESULT CALLBACK HwSeparatorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* rec = reinterpret_cast<GVSeparatorRec*>(GetWindowLongA(hwnd, GWL_USERDATA));
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY: return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (rec && rec->window == hwnd && rec->drawFlag) {
        RECT r;
        GetClientRect(hwnd, &r);
        LoadImageStrXYWH(dc, rec->bitmapId, 0, 0, r.right, 3);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
