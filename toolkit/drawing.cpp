// Text, rectangle and line drawing for the controls' paint code.
#include "toolkit/drawing.h"

#include "platform/kernel32.h"

namespace {

// Draws with a colour and a transparent background, then puts both back.
struct TextState {
  HDC hdc;
  COLORREF colour;
  int mode;
  TextState(HDC dc, COLORREF c) : hdc(dc) {
    mode = SetBkMode(hdc, TRANSPARENT);
    colour = SetTextColor(hdc, c);
  }
  ~TextState() {
    SetTextColor(hdc, colour);
    SetBkMode(hdc, mode);
  }
};

}  // namespace

void GVDrawTextCentred(int x, int y, int width, int height, int offset, int mode, COLORREF colour,
                       const char* text, HDC hdc) {
  int length = lstrlenA(text);
  SIZE size = {0, 0};
  GetTextExtentPoint32A(hdc, text, length, &size);
  TextState state(hdc, colour);
  int left = mode == 0 ? x + (width - size.cx) / 2 : x + offset;
  TextOutA(hdc, left, y + (height - size.cy) / 2, text, length);
}

void GVDrawTabbedText(int y, int height, const char* text, int length, HDC hdc) {
  DWORD extent = GetTabbedTextExtentA(hdc, text, length, 0, nullptr);
  int textHeight = HIWORD(extent);
  TextState state(hdc, RGB(20, 20, 20));
  TabbedTextOutA(hdc, 8, y + (height - textHeight) / 2, text, length, 0, nullptr, 0);
}

void GVFillRect(int x, int y, int width, int height, HDC hdc, HBRUSH brush) {
  RECT r = {x, y, x + width, y + height};
  FillRect(hdc, &r, brush);
}

void GVDrawLine(HDC hdc, int x0, int y0, int x1, int y1) {
  MoveToEx(hdc, x0, y0, nullptr);
  LineTo(hdc, x1, y1);
}

void GVDrawText(HDC hdc, int x, int y, int red, int green, int blue, const char* text, int length) {
  TextState state(hdc, RGB(red & 0xFF, green & 0xFF, blue & 0xFF));
  TextOutA(hdc, x, y, text, length);
}

void GVDrawTextRGB(HDC hdc, const GVColourRec* colour, int x, int y, const char* text, int length) {
  GVDrawText(hdc, x, y, colour->red, colour->green, colour->blue, text, length);
}
