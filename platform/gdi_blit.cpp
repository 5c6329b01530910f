// Blits between device contexts: BitBlt, StretchBlt, MaskBlt and PatBlt with
// the ternary raster operations, including the monochrome conversions (a
// monochrome source paints 0 bits in the text colour and 1 bits in the
// background colour of the destination).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gdi_internal.h"

namespace {

const uint32_t kRgbMask = 0xFFFFFF;

// Evaluates a ternary raster operation bitwise: bit i of the code gives the
// result for pattern bit (i & 4), source bit (i & 2) and destination bit (i & 1).
inline uint32_t applyRop3(unsigned rop3, uint32_t p, uint32_t s, uint32_t d) {
  switch (rop3) {
    case 0xCC: return s;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0xF0: return p;
    case 0x00: return 0;
    case 0xFF: return kRgbMask;
    default: break;
  }
  uint32_t r = 0;
  for (int i = 0; i < 8; i++) {
    if (!(rop3 & (1u << i))) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & kRgbMask;
}

inline bool ropUsesSource(unsigned rop3) { return ((rop3 >> 2) & 0x33) != (rop3 & 0x33); }

// A source pixel as the destination sees it.
struct SourceConverter {
  int srcBits, dstBits;
  uint32_t zeroTo, oneTo;  // monochrome to colour
  uint32_t srcBk;          // colour to monochrome: the source background becomes 1
  uint32_t operator()(uint32_t s) const {
    if (srcBits == dstBits) return s;
    if (srcBits == 1) return s ? oneTo : zeroTo;
    return s == srcBk ? 0xFFFFFF : 0;
  }
};

SourceConverter converter(const GVDeviceContext& dst, const GVDeviceContext* src) {
  SourceConverter c;
  c.srcBits = src ? src->bitsPixel : dst.bitsPixel;
  c.dstBits = dst.bitsPixel;
  c.zeroTo = GVPixelFromColorRef(dst.textColour);
  c.oneTo = GVPixelFromColorRef(dst.bkColour);
  c.srcBk = src ? GVPixelFromColorRef(src->bkColour) : 0;
  return c;
}

uint32_t patternPixel(const GVDeviceContext& dc) {
  uint32_t p = 0;
  if (!GVBrushPixel(dc.brush, &p)) return 0;
  if (dc.bitsPixel == 1) {
    int sum = ((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff);
    return sum >= 3 * 128 ? 0xFFFFFF : 0;
  }
  return p;
}

// The general blit: for destination pixel (i, j) of the w x h area, the source
// pixel comes from srcX(i), srcY(j); a mask (when given) picks the operation.
struct BlitJob {
  GVDeviceContext* dst = nullptr;
  const GVDeviceContext* src = nullptr;
  int x = 0, y = 0, w = 0, h = 0;  // destination area, logical
  std::vector<int> srcCols, srcRows;  // source surface coordinates per column / row
  const GVSurface* mask = nullptr;
  int maskX = 0, maskY = 0;
  unsigned foreRop = 0xCC, backRop = 0xCC;
  bool unscaled = false;  // srcCols and srcRows step by one from their first entry
};

bool runBlit(BlitJob& job) {
  GVDeviceContext& dst = *job.dst;
  if (!dst.target) return true;
  bool needSrc = ropUsesSource(job.foreRop) || ropUsesSource(job.backRop);
  if (needSrc && (!job.src || !job.src->target)) return false;
  RECT area = {job.x + dst.origin.x, job.y + dst.origin.y, job.x + dst.origin.x + job.w,
               job.y + dst.origin.y + job.h};
  RECT c = GVRectIntersect(area, GVDcClipRect(dst));
  if (GVRectEmpty(c)) return true;
  const GVSurface* srcSurface = needSrc ? job.src->target : nullptr;
  // A blit within one surface reads a copy so that overlapping areas come out
  // as if the source had been read first.
  GVSurface copy;
  if (srcSurface == dst.target) {
    copy = *srcSurface;
    srcSurface = &copy;
  }
  SourceConverter conv = converter(dst, needSrc ? job.src : nullptr);
  uint32_t p = patternPixel(dst);
  RECT srcClip = needSrc ? GVDcClipRect(*job.src) : RECT{0, 0, 0, 0};
  if (job.unscaled && !job.mask && job.foreRop == 0xCC && conv.srcBits == conv.dstBits) {
    // Plain copies (every bitmap the toolkit draws) move whole row spans.
    int col0 = job.srcCols.empty() ? 0 : job.srcCols[0];
    int i0 = std::max<int>(c.left - area.left, srcClip.left - col0);
    int i1 = std::min<int>(c.right - area.left, srcClip.right - col0);
    RECT done = {0, 0, 0, 0};
    if (i0 < i1) {
      for (int sy = c.top; sy < c.bottom; sy++) {
        int srow = job.srcRows[sy - area.top];
        if (srow < srcClip.top || srow >= srcClip.bottom) continue;
        std::memcpy(dst.target->row(sy) + area.left + i0, srcSurface->row(srow) + col0 + i0,
                    size_t(i1 - i0) * sizeof(uint32_t));
        done = GVRectUnion(done, RECT{area.left + i0, sy, area.left + i1, sy + 1});
      }
    }
    dst.target->addDamage(done);
    return true;
  }
  for (int sy = c.top; sy < c.bottom; sy++) {
    int j = sy - area.top;
    int srow = needSrc ? job.srcRows[j] : 0;
    if (needSrc && (srow < srcClip.top || srow >= srcClip.bottom)) continue;
    uint32_t* drow = dst.target->row(sy);
    for (int sx = c.left; sx < c.right; sx++) {
      int i = sx - area.left;
      uint32_t s = 0;
      if (needSrc) {
        int scol = job.srcCols[i];
        if (scol < srcClip.left || scol >= srcClip.right) continue;
        s = conv(srcSurface->at(scol, srow));
      }
      unsigned rop = job.foreRop;
      if (job.mask) rop = job.mask->at(job.maskX + i, job.maskY + j) ? job.foreRop : job.backRop;
      drow[sx] = applyRop3(rop, p, s, drow[sx]);
    }
  }
  dst.target->addDamage(c);
  return true;
}

void identityMap(std::vector<int>& out, int origin, int start, int n) {
  out.resize(n > 0 ? n : 0);
  for (int i = 0; i < n; i++) out[i] = origin + start + i;
}

// Nearest-pixel mapping of n destination pixels onto m source pixels; a sign
// difference between the two extents mirrors the image.
void stretchMap(std::vector<int>& out, int origin, int start, int m, int n, bool mirror) {
  out.resize(n);
  for (int i = 0; i < n; i++) {
    int64_t k = (int64_t(2 * i + 1) * m) / (2 * int64_t(n));
    if (mirror) k = m - 1 - k;
    out[i] = origin + start + static_cast<int>(k);
  }
}

bool sizesSane(int w, int h) { return std::abs(w) <= (1 << 16) && std::abs(h) <= (1 << 16); }

}  // namespace

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  unsigned rop3 = (rop >> 16) & 0xFF;
  if (!dc || ropUsesSource(rop3) || !sizesSane(width, height)) return FALSE;
  if (width < 0) x += width, width = -width;
  if (height < 0) y += height, height = -height;
  BlitJob job;
  job.dst = dc;
  job.x = x, job.y = y, job.w = width, job.h = height;
  job.foreRop = job.backRop = rop3;
  return runBlit(job) ? TRUE : FALSE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
            DWORD rop) {
  GVDeviceContext* d = GVDcFromHandle(dest);
  const GVDeviceContext* s = GVDcFromHandle(src);
  unsigned rop3 = (rop >> 16) & 0xFF;
  if (!d || width < 0 || height < 0 || !sizesSane(width, height)) return FALSE;
  if (ropUsesSource(rop3) && !s) return FALSE;
  BlitJob job;
  job.dst = d;
  job.src = s;
  job.x = x, job.y = y, job.w = width, job.h = height;
  job.foreRop = job.backRop = rop3;
  job.unscaled = true;
  if (s) {
    identityMap(job.srcCols, s->origin.x, srcX, width);
    identityMap(job.srcRows, s->origin.y, srcY, height);
  }
  return runBlit(job) ? TRUE : FALSE;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop) {
  GVDeviceContext* d = GVDcFromHandle(dest);
  const GVDeviceContext* s = GVDcFromHandle(src);
  unsigned rop3 = (rop >> 16) & 0xFF;
  if (!d || !sizesSane(width, height) || !sizesSane(srcWidth, srcHeight)) return FALSE;
  if (ropUsesSource(rop3) && !s) return FALSE;
  if (width == 0 || height == 0) return TRUE;
  if (ropUsesSource(rop3) && (srcWidth == 0 || srcHeight == 0)) return FALSE;
  // Normalise to a positive destination and source; each sign flip mirrors.
  bool mirrorX = (width < 0) != (srcWidth < 0), mirrorY = (height < 0) != (srcHeight < 0);
  if (width < 0) x += width + 1, width = -width;
  if (height < 0) y += height + 1, height = -height;
  if (srcWidth < 0) srcX += srcWidth + 1, srcWidth = -srcWidth;
  if (srcHeight < 0) srcY += srcHeight + 1, srcHeight = -srcHeight;
  BlitJob job;
  job.dst = d;
  job.src = s;
  job.x = x, job.y = y, job.w = width, job.h = height;
  job.foreRop = job.backRop = rop3;
  if (s) {
    stretchMap(job.srcCols, s->origin.x, srcX, srcWidth, width, mirrorX);
    stretchMap(job.srcRows, s->origin.y, srcY, srcHeight, height, mirrorY);
  }
  return runBlit(job) ? TRUE : FALSE;
}

BOOL MaskBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
             HBITMAP mask, int maskX, int maskY, DWORD rop4) {
  unsigned fore = (rop4 >> 16) & 0xFF, back = (rop4 >> 24) & 0xFF;
  if (!mask) return BitBlt(dest, x, y, width, height, src, srcX, srcY, rop4 & 0xFFFFFF);
  GVDeviceContext* d = GVDcFromHandle(dest);
  const GVDeviceContext* s = GVDcFromHandle(src);
  GVGdiObject* m = GVGdiObjectFromHandle(mask);
  if (!d || !m || m->kind != GVGdiKind::Bitmap || m->bitsPixel != 1) return FALSE;
  if (width < 0 || height < 0 || !sizesSane(width, height)) return FALSE;
  if ((ropUsesSource(fore) || ropUsesSource(back)) && !s) return FALSE;
  // The mask must cover the whole area.
  if (maskX < 0 || maskY < 0 || maskX + width > m->surface.width ||
      maskY + height > m->surface.height)
    return FALSE;
  BlitJob job;
  job.dst = d;
  job.src = s;
  job.x = x, job.y = y, job.w = width, job.h = height;
  job.mask = &m->surface;
  job.maskX = maskX, job.maskY = maskY;
  job.foreRop = fore;
  job.backRop = back;
  if (s) {
    identityMap(job.srcCols, s->origin.x, srcX, width);
    identityMap(job.srcRows, s->origin.y, srcY, height);
  }
  return runBlit(job) ? TRUE : FALSE;
}
