// The tool-tip popup.
#include "toolkit/tool_tip.h"

#include <cstring>

#include "platform/gdi32.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/window_classes.h"

void QwShowToolTip(QwToolTip* tip, int x, int y, const char* text, HWND ownerWindow, HINSTANCE instance) {
  tip->popup = nullptr;
  tip->x = x;
  tip->y = y;
  std::strncpy(tip->text, text ? text : "", sizeof tip->text - 1);
  tip->text[sizeof tip->text - 1] = 0;
  HDC dc = GetDC(ownerWindow);
  SIZE extent = {0, 0};
  GetTextExtentPoint32A(dc, tip->text, static_cast<int>(std::strlen(tip->text)), &extent);
  ReleaseDC(ownerWindow, dc);
  tip->width = extent.cx + 2;
  tip->height = extent.cy + 6;
  tip->owner = CreateWindowExA(0, "BaseControlClass", "", WS_DLGFRAME | 8, x, y, tip->width, tip->height, nullptr,
                               nullptr, instance, nullptr);
  ShowWindow(tip->owner, SW_HIDE);
  tip->popup = CreateWindowExA(0, "ToolTipWindowClass", "", WS_POPUP | WS_BORDER | 8, x, y, tip->width,
                               tip->height, tip->owner, nullptr, instance, nullptr);
  if (!tip->popup) return;
  SetWindowLongA(tip->popup, GWL_USERDATA, reinterpret_cast<LONG_PTR>(tip));
  ShowWindow(tip->popup, SW_SHOWNOACTIVATE);
}

void QwDestroyToolTip(QwToolTip* tip) {
  if (!tip) return;
  if (IsWindow(tip->popup)) {
    ShowWindow(tip->popup, SW_HIDE);
    SetWindowLongA(tip->popup, GWL_USERDATA, 0);
  }
  if (IsWindow(tip->owner)) DestroyWindow(tip->owner);
  delete tip;
}

LRESULT CALLBACK QwToolTipProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_DESTROY: return 0;
    case WM_PAINT: {
      auto* tip = reinterpret_cast<QwToolTip*>(GetWindowLongA(hwnd, GWL_USERDATA));
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (tip && tip->popup == hwnd && tip->text[0]) {
        HGDIOBJ old = SelectObject(dc, QWGetFont(1, 12, 0));
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, QwPens.brushGrey200);
        GVDrawTextCentred(0, 0, r.right, r.bottom, 4, -1, RGB(20, 20, 20), tip->text, dc);
        SelectObject(dc, old);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

ATOM QwRegisterToolTipClass(HINSTANCE instance) {
  return GVRegisterToolkitClass(instance, "ToolTipWindowClass", CS_HREDRAW | CS_VREDRAW, QwToolTipProc,
                                QwPens.brushToolTip, 0);
}
