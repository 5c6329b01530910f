#include "gdi_test_support.h"

MemoryCanvas::MemoryCanvas(int w, int h, COLORREF fill) : width(w), height(h) {
  dc = CreateCompatibleDC(nullptr);
  bitmap = CreateBitmap(w, h, 1, 32, nullptr);
  previous = SelectObject(dc, bitmap);
  HBRUSH b = CreateSolidBrush(fill);
  RECT r = {0, 0, w, h};
  FillRect(dc, &r, b);
  DeleteObject(b);
}

MemoryCanvas::~MemoryCanvas() {
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

std::string MemoryCanvas::pattern(int left, int top, int right, int bottom, COLORREF ink) const {
  std::string s;
  for (int y = top; y < bottom; y++) {
    for (int x = left; x < right; x++) s += at(x, y) == ink ? '#' : '.';
    s += '\n';
  }
  return s;
}

int MemoryCanvas::count(COLORREF colour) const {
  int n = 0;
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) n += at(x, y) == colour;
  return n;
}
