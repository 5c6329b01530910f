// Text output and measurement: glyphs are blended in the text colour over the
// target; an opaque background fills the text's cell first.
#include <algorithm>
#include <cstring>

#include "platform/fonts.h"
#include "platform/gdi_internal.h"

namespace {

GVFont* dcFont(GVDeviceContext& dc) {
  GVGdiObject* o = GVGdiObjectFromHandle(dc.font);
  if (!o || o->kind != GVGdiKind::Font) o = GVDefaultFontObject();
  if (!o) return nullptr;
  std::shared_ptr<GVFont> f = GVRealiseFont(*o);
  return f.get();
}

const LOGFONTA* dcLogFont(GVDeviceContext& dc) {
  GVGdiObject* o = GVGdiObjectFromHandle(dc.font);
  if (!o || o->kind != GVGdiKind::Font) o = GVDefaultFontObject();
  return o ? &o->logFont : nullptr;
}

inline uint32_t blend(uint32_t dst, uint32_t src, unsigned a) {
  if (a >= 255) return src;
  unsigned ia = 255 - a;
  uint32_t rb = ((src & 0xFF00FF) * a + (dst & 0xFF00FF) * ia + 0x800080) >> 8;
  uint32_t g = ((src & 0x00FF00) * a + (dst & 0x00FF00) * ia + 0x008000) >> 8;
  // The >> 8 divides by 256 rather than 255; adding a rounding term keeps full
  // coverage exact, and partial coverage is within one level.
  return (rb & 0xFF00FF) | (g & 0x00FF00);
}

void drawGlyph(GVDeviceContext& dc, const GVGlyph& g, int penX, int baseline, uint32_t colour,
               const RECT& clip) {
  if (g.width == 0 || g.height == 0) return;
  int left = penX + g.left, top = baseline - g.top;
  RECT box = {left, top, left + g.width, top + g.height};
  RECT c = GVRectIntersect(box, clip);
  if (GVRectEmpty(c)) return;
  for (int y = c.top; y < c.bottom; y++) {
    const uint8_t* cov = g.coverage.data() + static_cast<size_t>(y - top) * g.width;
    uint32_t* row = dc.target->row(y);
    for (int x = c.left; x < c.right; x++) {
      unsigned a = cov[x - left];
      if (!a) continue;
      if (dc.bitsPixel == 1) {
        if (a >= 128) row[x] = colour;
      } else {
        row[x] = blend(row[x], colour, a);
      }
    }
  }
  dc.target->addDamage(c);
}

uint32_t monoOrColour(const GVDeviceContext& dc, COLORREF c) {
  if (dc.bitsPixel != 1) return GVPixelFromColorRef(c);
  return GetRValue(c) + GetGValue(c) + GetBValue(c) >= 3 * 128 ? 0xFFFFFF : 0;
}

// Lays the text out from logical (x, y) honouring alignment, background mode
// and tabs (when expandTabs); returns the text's width.
int drawText(GVDeviceContext& dc, int x, int y, const char* text, int length, int tabCount,
             const INT* tabStops, int tabOrigin, bool expandTabs) {
  GVFont* font = dcFont(dc);
  if (!font) return 0;
  const TEXTMETRICA& tm = font->metrics;
  int width = GVTextWidth(*font, text, length, tabCount, tabStops, tabOrigin - x, expandTabs);
  UINT h = dc.textAlign & 6, v = dc.textAlign & 24;
  if (h == TA_CENTER)
    x -= width / 2;
  else if (h == TA_RIGHT)
    x -= width;
  if (v == TA_BASELINE)
    y -= tm.tmAscent;
  else if (v == TA_BOTTOM)
    y -= tm.tmHeight;
  if (!dc.target) return width;
  int sx = x + dc.origin.x, sy = y + dc.origin.y;
  RECT clip = GVDcClipRect(dc);
  if (dc.bkMode == OPAQUE)
    GVDcFillSurfaceRect(dc, RECT{sx, sy, sx + width, sy + tm.tmHeight}, monoOrColour(dc, dc.bkColour));
  uint32_t colour = monoOrColour(dc, dc.textColour);
  int baseline = sy + tm.tmAscent;
  int pen = 0;
  for (int i = 0; i < length; i++) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\t' && expandTabs) {
      // Re-measure up to and including the tab to find where the next run starts.
      pen = GVTextWidth(*font, text, i + 1, tabCount, tabStops, tabOrigin - x, true);
      continue;
    }
    const GVGlyph& g = font->glyph(c);
    drawGlyph(dc, g, sx + pen, baseline, colour, clip);
    pen += g.advance;
  }
  const LOGFONTA* lf = dcLogFont(dc);
  if (lf && lf->lfUnderline) {
    int uy = baseline + std::max(1, static_cast<int>(tm.tmDescent) / 2);
    GVDcFillSurfaceRect(dc, RECT{sx, uy, sx + width, uy + 1}, colour);
  }
  if (lf && lf->lfStrikeOut) {
    int uy = baseline - static_cast<int>(tm.tmAscent) / 3;
    GVDcFillSurfaceRect(dc, RECT{sx, uy, sx + width, uy + 1}, colour);
  }
  return width;
}

bool textArgsOk(const char* text, int length) { return length >= 0 && (length == 0 || text); }

}  // namespace

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || !textArgsOk(text, length)) return FALSE;
  drawText(*dc, x, y, text, length, 0, nullptr, x, false);
  return TRUE;
}

LONG TabbedTextOutA(HDC hdc, int x, int y, LPCSTR text, int length, int tabCount,
                    const INT* tabStops, int tabOrigin) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || !textArgsOk(text, length)) return 0;
  GVFont* font = dcFont(*dc);
  if (!font) return 0;
  int width = drawText(*dc, x, y, text, length, tabCount, tabStops, tabOrigin, true);
  return MAKELONG(width, font->metrics.tmHeight);
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int length, LPSIZE size) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || !size || !textArgsOk(text, length)) return FALSE;
  GVFont* font = dcFont(*dc);
  if (!font) return FALSE;
  size->cx = GVTextWidth(*font, text, length, 0, nullptr, 0, false);
  size->cy = font->metrics.tmHeight;
  return TRUE;
}

DWORD GetTabbedTextExtentA(HDC hdc, LPCSTR text, int length, int tabCount, const INT* tabStops) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || !textArgsOk(text, length)) return 0;
  GVFont* font = dcFont(*dc);
  if (!font) return 0;
  int width = GVTextWidth(*font, text, length, tabCount, tabStops, 0, true);
  return static_cast<DWORD>(MAKELONG(width, font->metrics.tmHeight));
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || !metrics) return FALSE;
  GVFont* font = dcFont(*dc);
  if (!font) return FALSE;
  *metrics = font->metrics;
  return TRUE;
}

BOOL GetCharWidth32A(HDC hdc, UINT first, UINT last, INT* widths) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || !widths || last < first || last - first > 0xFFFF) return FALSE;
  GVFont* font = dcFont(*dc);
  if (!font) return FALSE;
  for (UINT c = first; c <= last; c++)
    widths[c - first] = font->glyph(static_cast<unsigned char>(c <= 0xFF ? c : 0x1F)).advance;
  return TRUE;
}
