// GDI objects and device contexts: creation, selection, deletion and the small
// per-context state (colours, modes). Handles index tables of live records with
// a generation (handle_table.h), so that a stale or foreign handle fails instead
// of crashing or reaching a newer object.
#include <cstring>

#include "platform/fonts.h"
#include "platform/gdi_internal.h"
#include "platform/handle_table.h"
#include "platform/test_api.h"

namespace {

GVHandleTable<GVGdiObject>& objects() {
  static GVHandleTable<GVGdiObject> table;
  return table;
}

GVHandleTable<GVDeviceContext>& dcs() {
  static GVHandleTable<GVDeviceContext> table;
  return table;
}

// Null when the handle table is full.
GVGdiObject* newObject(GVGdiKind kind) {
  GVGdiObject* o = new GVGdiObject();
  o->kind = kind;
  o->handle = reinterpret_cast<HGDIOBJ>(objects().add(o));
  if (!o->handle) {
    delete o;
    return nullptr;
  }
  return o;
}

void freeObject(GVGdiObject* o) {
  objects().remove(reinterpret_cast<uintptr_t>(o->handle));
  delete o;
}

GVGdiObject* makeStockPen(int style, COLORREF c) {
  GVGdiObject* o = newObject(GVGdiKind::Pen);
  o->stock = true;
  o->style = style;
  o->colour = c;
  return o;
}

GVGdiObject* makeStockBrush(int style, COLORREF c) {
  GVGdiObject* o = newObject(GVGdiKind::Brush);
  o->stock = true;
  o->style = style;
  o->colour = c;
  return o;
}

struct StockObjects {
  GVGdiObject* brushes[6];
  GVGdiObject* pens[3];
  GVGdiObject* defaultBitmap;
  GVGdiObject* guiFont;
  StockObjects() {
    brushes[WHITE_BRUSH] = makeStockBrush(BS_SOLID, RGB(255, 255, 255));
    brushes[LTGRAY_BRUSH] = makeStockBrush(BS_SOLID, RGB(192, 192, 192));
    brushes[GRAY_BRUSH] = makeStockBrush(BS_SOLID, RGB(128, 128, 128));
    brushes[DKGRAY_BRUSH] = makeStockBrush(BS_SOLID, RGB(64, 64, 64));
    brushes[BLACK_BRUSH] = makeStockBrush(BS_SOLID, RGB(0, 0, 0));
    brushes[NULL_BRUSH] = makeStockBrush(BS_NULL, 0);
    pens[0] = makeStockPen(PS_SOLID, RGB(255, 255, 255));
    pens[1] = makeStockPen(PS_SOLID, RGB(0, 0, 0));
    pens[2] = makeStockPen(PS_NULL, 0);
    // A fresh memory context holds a 1x1 monochrome bitmap, as on Win32.
    defaultBitmap = newObject(GVGdiKind::Bitmap);
    defaultBitmap->stock = true;
    defaultBitmap->bitsPixel = 1;
    defaultBitmap->surface.resize(1, 1, 0);
    guiFont = newObject(GVGdiKind::Font);
    guiFont->stock = true;
    guiFont->logFont.lfHeight = -11;
    guiFont->logFont.lfWeight = FW_NORMAL;
    std::strcpy(guiFont->logFont.lfFaceName, "Arial");
  }
};

StockObjects& stock() {
  static StockObjects s;
  return s;
}

// The classic 3-D colour scheme; the program paints its own chrome, so these only
// serve class backgrounds given as COLOR_x + 1 and DrawEdge.
COLORREF sysColour(int index) {
  switch (index) {
    case COLOR_BACKGROUND: return RGB(0, 128, 128);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME: return RGB(100, 100, 100);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(105, 105, 105);
    case COLOR_3DLIGHT: return RGB(227, 227, 227);
    default: return RGB(192, 192, 192);
  }
}

void select(GVGdiObject* o) {
  if (o) o->selections++;
}

void deselect(HGDIOBJ handle) {
  GVGdiObject* o = GVGdiObjectFromHandle(handle);
  if (!o) return;
  o->selections--;
  if (o->selections <= 0 && o->deletePending) freeObject(o);
}

void bindBitmap(GVDeviceContext& dc, GVGdiObject* bitmap) {
  dc.bitmap = bitmap->handle;
  dc.target = &bitmap->surface;
  dc.bitsPixel = bitmap->bitsPixel;
  dc.origin = POINT{0, 0};
  dc.clip = RECT{0, 0, bitmap->surface.width, bitmap->surface.height};
}

GVDeviceContext* newDc() {
  GVDeviceContext* dc = new GVDeviceContext();
  dc->handle = reinterpret_cast<HDC>(dcs().add(dc));
  if (!dc->handle) {
    delete dc;
    return nullptr;
  }
  GVGdiObject* pen = stock().pens[1];
  GVGdiObject* brush = stock().brushes[WHITE_BRUSH];
  GVGdiObject* font = GVDefaultFontObject();
  dc->pen = pen->handle;
  dc->brush = brush->handle;
  dc->font = font ? font->handle : nullptr;
  select(pen);
  select(brush);
  select(font);
  return dc;
}

void freeDc(GVDeviceContext* dc) {
  dcs().remove(reinterpret_cast<uintptr_t>(dc->handle));
  delete dc;
}

void releaseDcObjects(GVDeviceContext* dc) {
  deselect(dc->pen);
  deselect(dc->brush);
  deselect(dc->font);
  if (dc->bitmap) deselect(dc->bitmap);
}

}  // namespace

GVGdiObject* GVGdiObjectFromHandle(HGDIOBJ handle) {
  if (!handle) return nullptr;
  stock();
  return objects().find(reinterpret_cast<uintptr_t>(handle));
}

GVDeviceContext* GVDcFromHandle(HDC hdc) {
  return dcs().find(reinterpret_cast<uintptr_t>(hdc));
}

bool GVBrushPixel(HBRUSH brush, uint32_t* pixel) {
  uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (v > 0 && v <= 64) {
    *pixel = GVPixelFromColorRef(sysColour(static_cast<int>(v) - 1));
    return true;
  }
  GVGdiObject* o = GVGdiObjectFromHandle(brush);
  if (!o || o->kind != GVGdiKind::Brush || o->style == BS_NULL) return false;
  *pixel = GVPixelFromColorRef(o->colour);
  return true;
}

HDC GVCreateSurfaceDC(HWND window, GVSurface* target, POINT origin, RECT clip) {
  GVDeviceContext* dc = newDc();
  if (!dc) return nullptr;
  dc->kind = GVDcKind::Window;
  dc->window = window;
  dc->target = target;
  dc->origin = origin;
  dc->clip = clip;
  return dc->handle;
}

void GVDestroySurfaceDC(HDC hdc) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc) return;
  releaseDcObjects(dc);
  freeDc(dc);
}

HGDIOBJ GetStockObject(int index) {
  StockObjects& s = stock();
  if (index >= WHITE_BRUSH && index <= NULL_BRUSH) return s.brushes[index]->handle;
  if (index >= WHITE_PEN && index <= NULL_PEN) return s.pens[index - WHITE_PEN]->handle;
  if (index == DEFAULT_GUI_FONT || index == ANSI_VAR_FONT) return s.guiFont->handle;
  if (index >= OEM_FIXED_FONT && index <= SYSTEM_FIXED_FONT) {
    GVGdiObject* font = GVDefaultFontObject();
    return font ? font->handle : nullptr;
  }
  return nullptr;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  GVGdiObject* o = newObject(GVGdiKind::Pen);
  if (!o) return nullptr;
  o->style = style;
  o->width = width < 1 ? 1 : width;
  o->colour = colour & 0xFFFFFF;
  return o->handle;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  GVGdiObject* o = newObject(GVGdiKind::Brush);
  if (!o) return nullptr;
  o->style = BS_SOLID;
  o->colour = colour & 0xFFFFFF;
  return o->handle;
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  GVGdiObject* o = newObject(GVGdiKind::Font);
  if (!o) return nullptr;
  o->logFont = *font;
  o->logFont.lfFaceName[LF_FACESIZE - 1] = 0;
  // Realise now so that a face that cannot be found fails at creation, where
  // the caller reports it, rather than at the first paint.
  if (!GVRealiseFont(*o)) {
    freeObject(o);
    return nullptr;
  }
  return o->handle;
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR faceName) {
  LOGFONTA lf = {};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic);
  lf.lfUnderline = static_cast<BYTE>(underline);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width < 0 || height < 0 || planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32))
    return nullptr;
  if (static_cast<int64_t>(width) * height > (int64_t(1) << 28)) return nullptr;
  if (width == 0 || height == 0) {
    // Win32 hands back the stock 1x1 monochrome bitmap for an empty size.
    return stock().defaultBitmap->handle;
  }
  GVGdiObject* o = newObject(GVGdiKind::Bitmap);
  if (!o) return nullptr;
  o->bitsPixel = static_cast<int>(bitsPerPixel);
  o->surface.resize(width, height, 0);
  if (bits) {
    const uint8_t* b = static_cast<const uint8_t*>(bits);
    if (bitsPerPixel == 1) {
      int stride = ((width + 15) / 16) * 2;  // rows are WORD-aligned
      for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
          o->surface.row(y)[x] = (b[y * stride + x / 8] & (0x80 >> (x % 8))) ? 0xFFFFFF : 0;
    } else {
      for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
          const uint8_t* p = b + (static_cast<size_t>(y) * width + x) * 4;
          o->surface.row(y)[x] = (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
        }
    }
  }
  return o->handle;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc) return nullptr;
  // Compatible with the context's current surface: a fresh memory context still
  // holds its monochrome bitmap, so it yields a monochrome bitmap, as on Win32.
  return CreateBitmap(width, height, 1, dc->bitsPixel == 1 ? 1 : 32, nullptr);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE,
                         DWORD) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biCompression != BI_RGB || (h.biBitCount != 32 && h.biBitCount != 1)) return nullptr;
  int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (h.biWidth <= 0 || height <= 0) return nullptr;
  HBITMAP b = CreateBitmap(h.biWidth, height, 1, h.biBitCount, nullptr);
  if (b && bits && h.biBitCount == 32) *bits = GVGdiObjectFromHandle(b)->surface.pixels.data();
  return b;
}

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !GVDcFromHandle(hdc)) return nullptr;
  GVDeviceContext* dc = newDc();
  if (!dc) return nullptr;
  dc->kind = GVDcKind::Memory;
  GVGdiObject* bm = stock().defaultBitmap;
  select(bm);
  bindBitmap(*dc, bm);
  return dc->handle;
}

BOOL DeleteDC(HDC hdc) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || dc->kind != GVDcKind::Memory) return FALSE;
  releaseDcObjects(dc);
  freeDc(dc);
  return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  GVGdiObject* o = GVGdiObjectFromHandle(object);
  if (!dc || !o || o->deletePending) return nullptr;
  HGDIOBJ old = nullptr;
  switch (o->kind) {
    case GVGdiKind::Pen: old = dc->pen; dc->pen = o->handle; break;
    case GVGdiKind::Brush: old = dc->brush; dc->brush = o->handle; break;
    case GVGdiKind::Font: old = dc->font; dc->font = o->handle; break;
    case GVGdiKind::Bitmap:
      // Bitmaps go only into memory contexts, and into one context at a time.
      if (dc->kind != GVDcKind::Memory) return nullptr;
      if (o->handle != dc->bitmap && o->selections > 0 && !o->stock) return nullptr;
      old = dc->bitmap;
      bindBitmap(*dc, o);
      break;
  }
  select(o);
  deselect(old);
  return old;
}

BOOL DeleteObject(HGDIOBJ object) {
  GVGdiObject* o = GVGdiObjectFromHandle(object);
  if (!o) return FALSE;
  if (o->stock) return TRUE;
  if (o->selections > 0) {
    // Still selected somewhere: keep it drawable until it is deselected.
    o->deletePending = true;
    return TRUE;
  }
  freeObject(o);
  return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID out) {
  GVGdiObject* o = GVGdiObjectFromHandle(object);
  if (!o) return 0;
  switch (o->kind) {
    case GVGdiKind::Bitmap: {
      if (!out) return sizeof(BITMAP);
      if (size < static_cast<int>(sizeof(BITMAP))) return 0;
      BITMAP bm = {};
      bm.bmWidth = o->surface.width;
      bm.bmHeight = o->surface.height;
      bm.bmPlanes = 1;
      bm.bmBitsPixel = static_cast<WORD>(o->bitsPixel);
      bm.bmWidthBytes =
          o->bitsPixel == 1 ? ((o->surface.width + 15) / 16) * 2 : o->surface.width * 4;
      bm.bmBits = o->bitsPixel == 32 ? o->surface.pixels.data() : nullptr;
      std::memcpy(out, &bm, sizeof bm);
      return sizeof(BITMAP);
    }
    case GVGdiKind::Pen: {
      if (!out) return sizeof(LOGPEN);
      if (size < static_cast<int>(sizeof(LOGPEN))) return 0;
      LOGPEN lp = {static_cast<UINT>(o->style), POINT{o->width, 0}, o->colour};
      std::memcpy(out, &lp, sizeof lp);
      return sizeof(LOGPEN);
    }
    case GVGdiKind::Brush: {
      if (!out) return sizeof(LOGBRUSH);
      if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
      LOGBRUSH lb = {static_cast<UINT>(o->style), o->colour, 0};
      std::memcpy(out, &lb, sizeof lb);
      return sizeof(LOGBRUSH);
    }
    case GVGdiKind::Font: {
      if (!out) return sizeof(LOGFONTA);
      int n = size < static_cast<int>(sizeof(LOGFONTA)) ? size : static_cast<int>(sizeof(LOGFONTA));
      if (n <= 0) return 0;
      std::memcpy(out, &o->logFont, n);
      return n;
    }
  }
  return 0;
}

int GetDeviceCaps(HDC hdc, int index) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc) return 0;
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case BITSPIXEL: return dc->bitsPixel;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case HORZRES: return dc->target ? dc->target->width : 0;
    case VERTRES: return dc->target ? dc->target->height : 0;
    default: return 0;
  }
}

DWORD GetSysColor(int index) { return sysColour(index); }

HBRUSH GetSysColorBrush(int index) {
  static GVGdiObject* brushes[32] = {};
  if (index < 0 || index >= 32) return nullptr;
  if (!brushes[index]) brushes[index] = makeStockBrush(BS_SOLID, sysColour(index));
  return brushes[index]->handle;
}

COLORREF SetTextColor(HDC hdc, COLORREF colour) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->textColour;
  dc->textColour = colour & 0xFFFFFF;
  return old;
}

COLORREF GetTextColor(HDC hdc) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  return dc ? dc->textColour : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF colour) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->bkColour;
  dc->bkColour = colour & 0xFFFFFF;
  return old;
}

COLORREF GetBkColor(HDC hdc) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  return dc ? dc->bkColour : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->bkMode;
  dc->bkMode = mode;
  return old;
}

int GetBkMode(HDC hdc) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  return dc ? dc->bkMode : 0;
}

UINT SetTextAlign(HDC hdc, UINT align) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  if (!dc) return 0xFFFFFFFFu;
  UINT old = dc->textAlign;
  dc->textAlign = align;
  return old;
}

size_t GVTestGdiObjectCount() {
  stock();
  size_t n = 0;
  objects().forEach([&n](const GVGdiObject& o) { n += !o.stock; });
  return n;
}

size_t GVTestMemoryDcCount() {
  size_t n = 0;
  dcs().forEach([&n](const GVDeviceContext& dc) { n += dc.kind == GVDcKind::Memory; });
  return n;
}
