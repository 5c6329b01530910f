// Records behind the GDI handles, shared by the drawing files of this folder.
#pragma once

#include <memory>

#include "platform/gdi32.h"
#include "platform/pixel_surface.h"

struct GVFont;  // a realised FreeType face at one size (fonts.cpp)

enum class GVGdiKind { Pen, Brush, Font, Bitmap };

struct GVGdiObject {
  HGDIOBJ handle = nullptr;  // what the program holds; refused once freed
  GVGdiKind kind;
  bool stock = false;
  int selections = 0;          // device contexts that hold it selected
  bool deletePending = false;  // deleted while selected: freed on the last deselect
  // Pen and brush
  int style = 0;
  int width = 1;
  COLORREF colour = 0;
  // Font
  LOGFONTA logFont = {};
  std::shared_ptr<GVFont> font;  // realised on first use
  // Bitmap: 32-bit pixels, or 1-bit ones stored as 0x000000 / 0xFFFFFF
  GVSurface surface;
  int bitsPixel = 32;
};

enum class GVDcKind { Memory, Window };

struct GVDeviceContext {
  HDC handle = nullptr;
  GVDcKind kind = GVDcKind::Memory;
  HWND window = nullptr;
  GVSurface* target = nullptr;  // where drawing lands; null draws nothing
  int bitsPixel = 32;           // of the target (1 for a monochrome bitmap)
  POINT origin = {0, 0};        // surface position of logical (0, 0)
  RECT clip = {0, 0, 0, 0};     // surface coordinates
  HPEN pen = nullptr;  // the selected objects, by handle
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HBITMAP bitmap = nullptr;
  COLORREF textColour = 0;
  COLORREF bkColour = 0xFFFFFF;
  int bkMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  POINT position = {0, 0};
  int pixelFormat = 0;
};

// Handle checks: a handle that is not live (never made, or freed) is refused.
GVGdiObject* GVGdiObjectFromHandle(HGDIOBJ handle);
GVDeviceContext* GVDcFromHandle(HDC hdc);

// Device contexts over a window surface (window_painting.cpp makes them).
HDC GVCreateSurfaceDC(HWND window, GVSurface* target, POINT origin, RECT clip);
void GVDestroySurfaceDC(HDC hdc);

// Drawing helpers in surface coordinates, clipped to the context's clip.
RECT GVDcClipRect(const GVDeviceContext& dc);
void GVDcFillSurfaceRect(GVDeviceContext& dc, RECT r, uint32_t pixel);
// The pixel a brush paints; false for a null brush. Small values are system
// colour brushes (COLOR_x + 1), as window classes give them.
bool GVBrushPixel(HBRUSH brush, uint32_t* pixel);

// Fonts (fonts.cpp)
std::shared_ptr<GVFont> GVRealiseFont(GVGdiObject& fontObject);
GVGdiObject* GVDefaultFontObject();

// Window painting glue (window_painting.cpp, message_box_painter.cpp, wgl_glx.cpp)
void GVInstallMessageBoxPainter();
void GVGLWindowDestroyed(HWND hwnd);
void GVGLWindowResized(HWND hwnd);
// Moves frames still in flight from GL into their windows (before a compose).
void GVGLFinishReadBacks();
