// Shapes: rectangles, lines with GDI's pixel rules, edges and single pixels.
#include <algorithm>
#include <cstdlib>

#include "platform/gdi_internal.h"

namespace {

// A colour as it lands in the target: monochrome targets take black or white.
uint32_t targetPixel(const GVDeviceContext& dc, COLORREF c) {
  uint32_t p = GVPixelFromColorRef(c);
  if (dc.bitsPixel == 1) {
    int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
    return sum >= 3 * 128 ? 0xFFFFFF : 0;
  }
  return p;
}

GVGdiObject* dcPen(const GVDeviceContext& dc) {
  GVGdiObject* pen = GVGdiObjectFromHandle(dc.pen);
  return pen && pen->kind == GVGdiKind::Pen && pen->style != PS_NULL ? pen : nullptr;
}

// A square pen tip of the given width centred on (x, y) in logical coordinates:
// even widths reach one pixel further up and left, as GDI's wide lines do.
void stamp(GVDeviceContext& dc, int64_t x, int64_t y, int w, uint32_t pixel) {
  int64_t left = x - w / 2 + dc.origin.x, top = y - w / 2 + dc.origin.y;
  if (left < -(1 << 30) || left > (1 << 30) || top < -(1 << 30) || top > (1 << 30)) return;
  GVDcFillSurfaceRect(dc, RECT{static_cast<LONG>(left), static_cast<LONG>(top),
                               static_cast<LONG>(left + w), static_cast<LONG>(top + w)},
                      pixel);
}

// Whether step k of a styled pen is drawn (dashes and dots of a 1-pixel pen).
bool styleOn(int style, int64_t k) {
  switch (style) {
    case PS_DASH: return (k % 24) < 18;
    case PS_DOT: return (k % 6) < 3;
    default: return true;
  }
}

// Line from (x0, y0) towards (x1, y1). A 1-pixel pen leaves out the end point
// (so polylines do not draw shared corners twice); wider pens cover both ends.
void drawLine(GVDeviceContext& dc, int x0, int y0, int x1, int y1) {
  GVGdiObject* pen = dcPen(dc);
  if (!pen || !dc.target) return;
  uint32_t pixel = targetPixel(dc, pen->colour);
  int w = pen->width;
  int64_t dx = int64_t(x1) - x0, dy = int64_t(y1) - y0;
  int64_t adx = std::llabs(dx), ady = std::llabs(dy);
  int64_t n = std::max(adx, ady);
  int64_t last = w > 1 ? n : n - 1;
  if (last < 0) {
    if (w > 1) stamp(dc, x0, y0, w, pixel);
    return;
  }
  bool xMajor = adx >= ady;
  int64_t major0 = xMajor ? x0 : y0;
  int sMajor = (xMajor ? dx : dy) < 0 ? -1 : 1;
  int sMinor = (xMajor ? dy : dx) < 0 ? -1 : 1;
  int64_t amin = xMajor ? ady : adx;
  // Only steps whose major coordinate can touch the clip box are walked, so a
  // line with far-away end points costs no more than its visible part.
  RECT clip = GVDcClipRect(dc);
  int64_t lo = (xMajor ? clip.left - dc.origin.x : clip.top - dc.origin.y) - w;
  int64_t hi = (xMajor ? clip.right - dc.origin.x : clip.bottom - dc.origin.y) + w;
  int64_t k0 = 0, k1 = last;
  if (sMajor > 0) {
    k0 = std::max(k0, lo - major0);
    k1 = std::min(k1, hi - major0);
  } else {
    k0 = std::max(k0, major0 - hi);
    k1 = std::min(k1, major0 - lo);
  }
  for (int64_t k = k0; k <= k1; k++) {
    if (pen->width == 1 && !styleOn(pen->style, k)) continue;
    int64_t minor = n == 0 ? 0 : (2 * k * amin + n) / (2 * n);
    int64_t major = major0 + sMajor * k;
    int64_t minorPos = (xMajor ? y0 : x0) + sMinor * minor;
    if (xMajor)
      stamp(dc, major, minorPos, w, pixel);
    else
      stamp(dc, minorPos, major, w, pixel);
  }
}

void fillLogical(GVDeviceContext& dc, int left, int top, int right, int bottom, uint32_t pixel) {
  GVDcFillSurfaceRect(dc,
                      RECT{left + dc.origin.x, top + dc.origin.y, right + dc.origin.x,
                           bottom + dc.origin.y},
                      pixel);
}

}  // namespace

RECT GVDcClipRect(const GVDeviceContext& dc) {
  if (!dc.target) return RECT{0, 0, 0, 0};
  return GVRectIntersect(dc.clip, RECT{0, 0, dc.target->width, dc.target->height});
}

void GVDcFillSurfaceRect(GVDeviceContext& dc, RECT r, uint32_t pixel) {
  RECT c = GVRectIntersect(r, GVDcClipRect(dc));
  if (GVRectEmpty(c)) return;
  for (int y = c.top; y < c.bottom; y++) std::fill(dc.target->row(y) + c.left, dc.target->row(y) + c.right, pixel);
  dc.target->addDamage(c);
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  uint32_t pixel;
  if (!dc || !rect || !GVBrushPixel(brush, &pixel)) return 0;
  if (dc->bitsPixel == 1) pixel = targetPixel(*dc, GVColorRefFromPixel(pixel));
  fillLogical(*dc, rect->left, rect->top, rect->right, rect->bottom, pixel);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  uint32_t pixel;
  if (!dc || !rect || !GVBrushPixel(brush, &pixel)) return 0;
  if (dc->bitsPixel == 1) pixel = targetPixel(*dc, GVColorRefFromPixel(pixel));
  const RECT& r = *rect;
  if (GVRectEmpty(r)) return 1;
  fillLogical(*dc, r.left, r.top, r.right, r.top + 1, pixel);
  fillLogical(*dc, r.left, r.bottom - 1, r.right, r.bottom, pixel);
  fillLogical(*dc, r.left, r.top, r.left + 1, r.bottom, pixel);
  fillLogical(*dc, r.right - 1, r.top, r.right, r.bottom, pixel);
  return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc) return FALSE;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  GVGdiObject* pen = dcPen(*dc);
  uint32_t fill;
  bool hasFill = GVBrushPixel(dc->brush, &fill);
  if (hasFill && dc->bitsPixel == 1) fill = targetPixel(*dc, GVColorRefFromPixel(fill));
  if (!pen) {
    // Without a pen the filled area is one pixel narrower and lower.
    if (hasFill) fillLogical(*dc, left, top, right - 1, bottom - 1, fill);
    return TRUE;
  }
  // The outline runs through the outermost pixels of [left, right) x [top, bottom);
  // an inside-frame pen is pulled in so that its whole width stays inside.
  int inset = pen->style == PS_INSIDEFRAME ? pen->width / 2 : 0;
  int l = left + inset, t = top + inset, r = right - 1 - inset, b = bottom - 1 - inset;
  if (hasFill) fillLogical(*dc, l + 1, t + 1, r, b, fill);
  uint32_t pixel = targetPixel(*dc, pen->colour);
  int w = pen->width;
  if (w == 1 && pen->style != PS_DASH && pen->style != PS_DOT) {
    if (r < l || b < t) return TRUE;
    fillLogical(*dc, l, t, r + 1, t + 1, pixel);
    fillLogical(*dc, l, b, r + 1, b + 1, pixel);
    fillLogical(*dc, l, t, l + 1, b + 1, pixel);
    fillLogical(*dc, r, t, r + 1, b + 1, pixel);
    return TRUE;
  }
  if (w == 1) {
    // Styled outline: four open segments that together close the loop.
    drawLine(*dc, l, t, r, t);
    drawLine(*dc, r, t, r, b);
    drawLine(*dc, r, b, l, b);
    drawLine(*dc, l, b, l, t);
    return TRUE;
  }
  int lo = w / 2;
  fillLogical(*dc, l - lo, t - lo, r - lo + w, t - lo + w, pixel);
  fillLogical(*dc, l - lo, b - lo, r - lo + w, b - lo + w, pixel);
  fillLogical(*dc, l - lo, t - lo, l - lo + w, b - lo + w, pixel);
  fillLogical(*dc, r - lo, t - lo, r - lo + w, b - lo + w, pixel);
  return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->position;
  dc->position = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc) return FALSE;
  drawLine(*dc, dc->position.x, dc->position.y, x, y);
  dc->position = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || !points || count < 2) return FALSE;
  for (int i = 1; i < count; i++) drawLine(*dc, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
  return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc) return CLR_INVALID;
  uint32_t p = targetPixel(*dc, colour);
  RECT r = {x + dc->origin.x, y + dc->origin.y, x + dc->origin.x + 1, y + dc->origin.y + 1};
  if (GVRectEmpty(GVRectIntersect(r, GVDcClipRect(*dc)))) return CLR_INVALID;
  GVDcFillSurfaceRect(*dc, r, p);
  return GVColorRefFromPixel(p);
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || !dc->target) return CLR_INVALID;
  int sx = x + dc->origin.x, sy = y + dc->origin.y;
  RECT c = GVDcClipRect(*dc);
  if (sx < c.left || sx >= c.right || sy < c.top || sy >= c.bottom) return CLR_INVALID;
  return GVColorRefFromPixel(dc->target->at(sx, sy));
}

BOOL DrawEdge(HDC hdc, LPRECT rect, UINT edge, UINT flags) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || !rect) return FALSE;
  RECT r = *rect;
  // Each ring is one pixel: top and left take the first colour, bottom and
  // right the second. Outer ring first, then the inner one inside it.
  struct Ring {
    UINT raised, sunken;
    int raisedTL, raisedBR, sunkenTL, sunkenBR;
  };
  const Ring rings[2] = {
      {BDR_RAISEDOUTER, BDR_SUNKENOUTER, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_3DSHADOW,
       COLOR_3DHILIGHT},
      {BDR_RAISEDINNER, BDR_SUNKENINNER, COLOR_3DHILIGHT, COLOR_3DSHADOW, COLOR_3DDKSHADOW,
       COLOR_3DLIGHT},
  };
  for (const Ring& ring : rings) {
    int tl, br;
    if (edge & ring.raised) {
      tl = ring.raisedTL;
      br = ring.raisedBR;
    } else if (edge & ring.sunken) {
      tl = ring.sunkenTL;
      br = ring.sunkenBR;
    } else {
      continue;
    }
    if (flags & BF_FLAT) tl = br = COLOR_3DSHADOW;
    if (flags & BF_MONO) tl = br = COLOR_WINDOWFRAME;
    uint32_t ptl = targetPixel(*dc, GetSysColor(tl)), pbr = targetPixel(*dc, GetSysColor(br));
    if (GVRectEmpty(r)) break;
    if (flags & BF_TOP) fillLogical(*dc, r.left, r.top, r.right, r.top + 1, ptl);
    if (flags & BF_LEFT) fillLogical(*dc, r.left, r.top, r.left + 1, r.bottom, ptl);
    if (flags & BF_BOTTOM) fillLogical(*dc, r.left, r.bottom - 1, r.right, r.bottom, pbr);
    if (flags & BF_RIGHT) fillLogical(*dc, r.right - 1, r.top, r.right, r.bottom, pbr);
    if (flags & BF_TOP) r.top++;
    if (flags & BF_LEFT) r.left++;
    if (flags & BF_BOTTOM) r.bottom--;
    if (flags & BF_RIGHT) r.right--;
  }
  if ((flags & BF_MIDDLE) && !GVRectEmpty(r))
    fillLogical(*dc, r.left, r.top, r.right, r.bottom, targetPixel(*dc, GetSysColor(COLOR_BTNFACE)));
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}
