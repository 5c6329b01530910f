// Fonts of the GDI stand-in: faces found through fontconfig, rasterised by
// FreeType at 96 dpi, with Win32's metric conventions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi32.h"

struct GVGlyph {
  int advance = 0;  // whole pixels, as GDI lays text out
  int left = 0;     // bitmap offset from the pen position
  int top = 0;      // bitmap top above the baseline
  int width = 0;
  int height = 0;
  std::vector<uint8_t> coverage;  // width * height, 0..255
  bool loaded = false;
};

struct GVFont {
  std::string file;
  int faceIndex = 0;
  int pixelSize = 0;  // em size in pixels
  TEXTMETRICA metrics = {};
  GVGlyph glyphs[256];
  void* face = nullptr;  // FT_Face, kept open for lazy glyph loading
  ~GVFont();
  const GVGlyph& glyph(unsigned char c);
};

// The file and face index fontconfig picks for a Win32 face name; family names
// the program uses are mapped to the metric-compatible free faces first.
bool GVFindFontFile(const char* faceName, int weight, bool italic, std::string* file,
                    int* faceIndex);

// The Unicode code point a byte of the program's text stands for (Windows-1252).
uint32_t GVCodePointFromAnsi(unsigned char c);

// Width of text laid out from x = 0 with the given tab stops (Win32's rules:
// no stops means every 8 average characters); returns the width in pixels.
int GVTextWidth(GVFont& font, const char* text, int length, int tabCount, const INT* tabStops,
                int tabOrigin, bool expandTabs);
