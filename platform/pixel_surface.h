// A 32-bit pixel surface: what every window, bitmap and the screen image draw
// into. Pixels are 0x00RRGGBB, rows top-down, which is also the byte order an X
// server with a 24-bit TrueColor visual takes without conversion.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"

struct GVSurface {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  // Bounding box of what changed since the compositor last looked, in surface
  // coordinates; empty when right <= left.
  RECT damage = {0, 0, 0, 0};

  void resize(int w, int h, uint32_t fill);
  uint32_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * width; }
  const uint32_t* row(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  void addDamage(const RECT& r);
  void damageAll() { addDamage(RECT{0, 0, width, height}); }
  bool hasDamage() const { return damage.right > damage.left && damage.bottom > damage.top; }
  void clearDamage() { damage = RECT{0, 0, 0, 0}; }
};

// COLORREF is 0x00BBGGRR; surfaces hold 0x00RRGGBB.
inline uint32_t GVPixelFromColorRef(COLORREF c) {
  return ((c & 0xffu) << 16) | (c & 0xff00u) | ((c >> 16) & 0xffu);
}
inline COLORREF GVColorRefFromPixel(uint32_t p) {
  return ((p >> 16) & 0xffu) | (p & 0xff00u) | ((p & 0xffu) << 16);
}

// Rectangle helpers shared by the drawing, composing and presenting code.
inline bool GVRectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
RECT GVRectIntersect(const RECT& a, const RECT& b);
RECT GVRectUnion(const RECT& a, const RECT& b);  // empty inputs are ignored
RECT GVRectOffset(const RECT& r, int dx, int dy);

// Writes the surface as an 8-bit RGB PNG; an old file of that name is replaced
// only once the new one is complete. False (the old file as it was, no new
// file left) on failure.
bool GVSavePng(const GVSurface& surface, const char* path);
// The same as an 8-bit RGBA PNG whose alpha is each pixel's top byte
// (0xAARRGGBB).
bool GVSavePngAlpha(const GVSurface& surface, const char* path);
// The same as a baseline JPEG of that quality (1..100).
bool GVSaveJpeg(const GVSurface& surface, const char* path, int quality);
