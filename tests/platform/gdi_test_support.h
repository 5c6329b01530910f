// A memory device context over a 32-bit bitmap, for pixel tests.
#pragma once

#include <string>

#include "platform/gdi32.h"

struct MemoryCanvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  MemoryCanvas(int width, int height, COLORREF fill = RGB(0, 0, 0));
  ~MemoryCanvas();
  COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
  // Rows of the area as characters: '#' where the pixel equals `ink`, '.' else.
  std::string pattern(int left, int top, int right, int bottom, COLORREF ink) const;
  int count(COLORREF colour) const;
  int width, height;
};
