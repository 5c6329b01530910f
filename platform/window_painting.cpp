// Painting windows: every window owns a pixel surface the size of its window
// rectangle (frame included); window device contexts draw into it, BeginPaint
// and EndPaint work from the window manager's update rectangle, and the screen
// image is composed from the surfaces of the showing windows.
#include <algorithm>
#include <unordered_map>
#include <cstring>
#include <vector>

#include "platform/compositor.h"
#include "platform/gdi_internal.h"
#include "platform/kernel32.h"
#include "platform/screen_image.h"
#include "platform/window_internal.h"

namespace {

struct WindowPaint {
  GVSurface surface;
  std::vector<HDC> dcs;  // device contexts handed out and not yet released
  DWORD frameStyle = 0;  // the style the frame was last drawn for
};

struct ScreenState {
  GVCompositor compositor;
  // Every surface handed out, by window handle. A window manager reset drops
  // its records without telling us; the sweep below frees what is left over.
  std::unordered_map<HWND, WindowPaint*> surfaces;
  std::vector<HDC> screenDcs;
  // The caret as last drawn on the screen image.
  RECT caretDrawn = {0, 0, 0, 0};
  // What every compose changed since the display presenter last sent pixels:
  // composing for a screenshot must not keep them from the display.
  GVRectList owedToDisplay;
  bool ready = false;
};

ScreenState& screenState() {
  static ScreenState s;
  return s;
}

WindowPaint* paintOf(GVWindow* w) { return static_cast<WindowPaint*>(w->surface); }

void freePaint(WindowPaint* p) {
  for (HDC hdc : p->dcs) GVDestroySurfaceDC(hdc);
  delete p;
}

// Frees the surfaces of windows that are gone.
void sweepSurfaces() {
  ScreenState& s = screenState();
  for (auto it = s.surfaces.begin(); it != s.surfaces.end();) {
    GVWindow* live = GVWindowFromHandle(it->first);
    if (live && live->surface == it->second) {
      ++it;
      continue;
    }
    freePaint(it->second);
    it = s.surfaces.erase(it);
  }
}

uint32_t classBackground(GVWindow* w) {
  uint32_t p = 0;
  if (w->cls && GVBrushPixel(w->cls->background, &p)) return p;
  return GVPixelFromColorRef(GetSysColor(COLOR_WINDOW));
}

RECT windowBox(GVWindow* w) {
  return RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
}

RECT clientInSurface(GVWindow* w) {
  RECT b = windowBox(w);
  return RECT{w->clientInset.left, w->clientInset.top, b.right - w->clientInset.right,
              b.bottom - w->clientInset.bottom};
}

// The non-client frame: a one-pixel line for a plain border, a raised face for
// dialog and sizing frames. The program draws its own chrome inside client
// areas, so this only shows around frames the window manager adds.
void drawFrame(GVWindow* w, WindowPaint& p) {
  const RECT& in = w->clientInset;
  p.frameStyle = w->style;
  if (in.left <= 0 && in.top <= 0 && in.right <= 0 && in.bottom <= 0) return;
  GVSurface& s = p.surface;
  RECT box = windowBox(w);
  RECT client = clientInSurface(w);
  uint32_t line = GVPixelFromColorRef(GetSysColor(COLOR_WINDOWFRAME));
  uint32_t face = GVPixelFromColorRef(GetSysColor(COLOR_BTNFACE));
  bool plain = in.left <= 1 && in.top <= 1;
  for (int y = 0; y < s.height; y++) {
    uint32_t* row = s.row(y);
    for (int x = 0; x < s.width; x++) {
      if (x >= client.left && x < client.right && y >= client.top && y < client.bottom) continue;
      bool edge = x == 0 || y == 0 || x == box.right - 1 || y == box.bottom - 1;
      row[x] = plain || edge ? line : face;
    }
  }
  s.damageAll();
}

// Makes the surface follow the window's size, keeping what overlaps and filling
// new area with the class background.
WindowPaint* ensureSurface(GVWindow* w) {
  WindowPaint* p = paintOf(w);
  if (!p) {
    sweepSurfaces();
    p = new WindowPaint();
    w->surface = p;
    screenState().surfaces[w->handle] = p;
  }
  RECT box = windowBox(w);
  int wdt = std::max<int>(box.right, 0), hgt = std::max<int>(box.bottom, 0);
  if (p->surface.width != wdt || p->surface.height != hgt || p->surface.pixels.empty()) {
    GVSurface old;
    old.width = p->surface.width;
    old.height = p->surface.height;
    old.pixels.swap(p->surface.pixels);
    p->surface.resize(wdt, hgt, classBackground(w));
    int cw = std::min(old.width, wdt), ch = std::min(old.height, hgt);
    // A minimised window has no pixels to keep.
    if (cw > 0)
      for (int y = 0; y < ch; y++) std::memcpy(p->surface.row(y), old.row(y), size_t(cw) * 4);
    drawFrame(w, *p);
    // Device contexts still open on the window keep drawing into the new pixels.
    for (HDC hdc : p->dcs)
      if (GVDeviceContext* dc = GVDcFromHandle(hdc)) dc->target = &p->surface;
  } else if (p->frameStyle != w->style) {
    drawFrame(w, *p);
  }
  return p;
}

void releaseWindow(GVWindow* w) {
  WindowPaint* p = paintOf(w);
  if (!p) return;
  screenState().surfaces.erase(w->handle);
  freePaint(p);
  w->surface = nullptr;
}

void onWindowEvent(HWND hwnd, GVWindowEvent event, void*) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w) return;
  switch (event) {
    case GV_WINDOW_DESTROYED:
      GVGLWindowDestroyed(hwnd);
      releaseWindow(w);
      break;
    case GV_WINDOW_MOVED:
    case GV_WINDOW_STYLE:
      if (paintOf(w)) ensureSurface(w);
      GVGLWindowResized(hwnd);
      break;
    default: break;
  }
}

void defaultPaint(HWND hwnd) {
  PAINTSTRUCT ps;
  BeginPaint(hwnd, &ps);
  EndPaint(hwnd, &ps);
}

BOOL eraseBackground(HWND hwnd, HDC hdc, HBRUSH brush) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w || !brush) return FALSE;
  RECT c = clientInSurface(w);
  RECT r = {0, 0, c.right - c.left, c.bottom - c.top};
  return FillRect(hdc, &r, brush) ? TRUE : FALSE;
}

HDC openDc(GVWindow* w, bool wholeWindow, RECT clipClient) {
  WindowPaint* p = ensureSurface(w);
  RECT client = clientInSurface(w);
  POINT origin = wholeWindow ? POINT{0, 0} : POINT{client.left, client.top};
  RECT clip = wholeWindow ? windowBox(w)
                          : GVRectIntersect(GVRectOffset(clipClient, client.left, client.top), client);
  HDC dc = GVCreateSurfaceDC(w->handle, &p->surface, origin, clip);
  p->dcs.push_back(dc);
  return dc;
}

bool closeDc(GVWindow* w, HDC hdc) {
  WindowPaint* p = w ? paintOf(w) : nullptr;
  if (!p) return false;
  auto it = std::find(p->dcs.begin(), p->dcs.end(), hdc);
  if (it == p->dcs.end()) return false;
  p->dcs.erase(it);
  GVDestroySurfaceDC(hdc);
  return true;
}

RECT bigRect() { return RECT{-(1 << 28), -(1 << 28), 1 << 28, 1 << 28}; }

}  // namespace

void GVInstallPaintHooks() {
  GVPlatformHooks& h = GVHooks();
  if (h.windowEvent == onWindowEvent) return;
  h.windowEvent = onWindowEvent;
  h.windowEventUser = nullptr;
  h.defaultPaint = defaultPaint;
  h.eraseBackground = eraseBackground;
  GVInstallMessageBoxPainter();
}

GVSurface* GVWindowSurface(HWND hwnd) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w) return nullptr;
  GVInstallPaintHooks();
  return &ensureSurface(w)->surface;
}

bool GVWindowClientInSurface(HWND hwnd, RECT* client) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w) return false;
  *client = clientInSurface(w);
  return true;
}

HDC GetDC(HWND hwnd) {
  GVInstallPaintHooks();
  if (!hwnd) {
    // The screen: drawing lands on the screen image until it is next composed.
    ScreenState& s = screenState();
    RECT scr = GVScreenRect();
    s.compositor.resize(scr.right - scr.left, scr.bottom - scr.top);
    HDC dc = GVCreateSurfaceDC(nullptr, &s.compositor.screen(), POINT{0, 0},
                               RECT{0, 0, s.compositor.screen().width, s.compositor.screen().height});
    s.screenDcs.push_back(dc);
    return dc;
  }
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w) return nullptr;
  return openDc(w, false, bigRect());
}

HDC GetWindowDC(HWND hwnd) {
  GVInstallPaintHooks();
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w) return nullptr;
  return openDc(w, true, bigRect());
}

int ReleaseDC(HWND hwnd, HDC hdc) {
  if (!hwnd) {
    ScreenState& s = screenState();
    auto it = std::find(s.screenDcs.begin(), s.screenDcs.end(), hdc);
    if (it == s.screenDcs.end()) return 0;
    s.screenDcs.erase(it);
    GVDestroySurfaceDC(hdc);
    return 1;
  }
  return closeDc(GVWindowFromHandle(hwnd), hdc) ? 1 : 0;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  GVInstallPaintHooks();
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w || !ps) return nullptr;
  std::memset(ps, 0, sizeof *ps);
  RECT update = {0, 0, 0, 0};
  bool erase = false;
  GVTakeUpdateRegion(hwnd, &update, &erase);
  // Painting is clipped to what was invalid, as on Win32; with nothing pending
  // the context draws nothing.
  HDC dc = openDc(w, false, update);
  ps->hdc = dc;
  ps->rcPaint = update;
  ps->fErase = TRUE;
  if (erase) ps->fErase = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w || !ps) return FALSE;
  closeDc(w, ps->hdc);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    // All windows: every top-level window with its descendants.
    std::vector<HWND> order;
    GVWindowsInPaintOrder(&order);
    for (HWND h : order) GVInvalidateWindow(h, nullptr, erase != FALSE, false);
    return TRUE;
  }
  if (!GVWindowFromHandle(hwnd)) return FALSE;
  GVInvalidateWindow(hwnd, rect, erase != FALSE, false);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  if (!GVWindowFromHandle(hwnd)) return FALSE;
  GVValidateWindow(hwnd, rect);
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w) return FALSE;
  if (rect) *rect = w->updatePending ? w->updateRect : RECT{0, 0, 0, 0};
  if (w->updatePending && erase && w->erasePending) {
    HDC dc = GetDC(hwnd);
    w->erasePending = false;
    SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(hwnd, dc);
  }
  return w->updatePending ? TRUE : FALSE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN, UINT flags) {
  std::vector<HWND> targets;
  if (hwnd) {
    GVWindow* w = GVWindowFromHandle(hwnd);
    if (!w) return FALSE;
    targets.push_back(hwnd);
  } else {
    std::vector<HWND> order;
    GVWindowsInPaintOrder(&order);
    for (HWND h : order) {
      GVWindow* w = GVWindowFromHandle(h);
      if (w && w->parent && !w->parent->parent) targets.push_back(h);
    }
    rect = nullptr;
  }
  bool children = (flags & RDW_ALLCHILDREN) != 0;
  for (HWND h : targets) {
    GVWindow* w = GVWindowFromHandle(h);
    if (!w) continue;
    if (flags & RDW_FRAME) {
      if (WindowPaint* p = paintOf(w)) drawFrame(w, *p);
    }
    if (flags & RDW_INVALIDATE) GVInvalidateWindow(h, rect, (flags & RDW_ERASE) != 0, children);
    if (flags & RDW_VALIDATE) GVValidateWindow(h, rect);
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) GVPaintNow(h, children);
  }
  return TRUE;
}

// ---- Composing the screen image ----

static void caretRect(RECT* screenRect, bool* shown) {
  *shown = false;
  GVCaretInfo caret = GVGetCaretInfo();
  if (!caret.owner || !caret.shown || !GVWindowIsShowing(caret.owner)) return;
  if (caret.blinkMs > 0 && ((GetTickCount() / caret.blinkMs) % 2) == 1) return;
  RECT win, client;
  if (!GVWindowScreenRects(caret.owner, &win, &client)) return;
  RECT r = caret.rect;
  if (r.right - r.left < 1) r.right = r.left + 1;  // a zero width means one pixel
  r = GVRectOffset(r, client.left, client.top);
  *screenRect = GVRectIntersect(r, client);
  *shown = !GVRectEmpty(*screenRect);
}

const std::vector<RECT>& GVComposeScreen() {
  ScreenState& s = screenState();
  sweepSurfaces();
  GVGLFinishReadBacks();
  RECT scr = GVScreenRect();
  s.compositor.resize(scr.right - scr.left, scr.bottom - scr.top);
  std::vector<HWND> order;
  GVWindowsInPaintOrder(&order);
  std::vector<GVLayer> layers;
  layers.reserve(order.size());
  for (HWND h : order) {
    GVWindow* w = GVWindowFromHandle(h);
    if (!w || (w->style & WS_MINIMIZE)) continue;
    RECT win, client;
    if (!GVWindowScreenRects(h, &win, &client)) continue;
    // A child shows only inside the client areas of all its ancestors.
    RECT clip = RECT{0, 0, s.compositor.screen().width, s.compositor.screen().height};
    for (GVWindow* a = w->parent; a && a->parent; a = a->parent) {
      RECT aw, ac;
      if (!GVWindowScreenRects(a->handle, &aw, &ac)) break;
      clip = GVRectIntersect(clip, ac);
    }
    GVInstallPaintHooks();
    WindowPaint* p = ensureSurface(w);
    // Keyed by handle: a new window never takes a gone one's place.
    layers.push_back(GVLayer{h, &p->surface, POINT{win.left - scr.left, win.top - scr.top},
                             GVRectOffset(clip, -scr.left, -scr.top)});
  }
  // The caret is inverted onto the composed image; its area is recomposed on
  // every pass so that the inversion never accumulates.
  RECT caret = {0, 0, 0, 0};
  bool shown = false;
  caretRect(&caret, &shown);
  s.compositor.invalidate(s.caretDrawn);
  if (shown) s.compositor.invalidate(caret);
  const std::vector<RECT>& done = s.compositor.compose(layers);
  for (const RECT& r : done) s.owedToDisplay.add(r);
  s.caretDrawn = shown ? caret : RECT{0, 0, 0, 0};
  if (shown) {
    GVSurface& img = s.compositor.screen();
    RECT c = GVRectIntersect(caret, RECT{0, 0, img.width, img.height});
    for (int y = c.top; y < c.bottom; y++)
      for (int x = c.left; x < c.right; x++) img.row(y)[x] ^= 0xFFFFFF;
  }
  return done;
}

void GVTakeScreenChanges(std::vector<RECT>* out) {
  GVRectList& owed = screenState().owedToDisplay;
  out->clear();
  owed.swap(*out);
}

const GVSurface& GVScreenImage() { return screenState().compositor.screen(); }

void GVSetScreenBackground(COLORREF colour) {
  screenState().compositor.setBackground(GVPixelFromColorRef(colour));
}

bool GVSaveScreenPng(const char* path) {
  GVComposeScreen();
  return GVSavePng(GVScreenImage(), path);
}

bool GVWindowClientImage(HWND hwnd, GVSurface* out) {
  GVGLFinishReadBacks();
  GVSurface* s = GVWindowSurface(hwnd);
  RECT client;
  if (!s || !out || !GVWindowClientInSurface(hwnd, &client)) return false;
  client = GVRectIntersect(client, RECT{0, 0, s->width, s->height});
  if (GVRectEmpty(client)) return false;
  const int w = client.right - client.left, h = client.bottom - client.top;
  out->resize(w, h, 0);
  for (int y = 0; y < h; ++y) std::memcpy(out->row(y), s->row(client.top + y) + client.left, sizeof(uint32_t) * w);
  return true;
}

bool GVSaveWindowPng(HWND hwnd, const char* path) {
  GVGLFinishReadBacks();
  GVSurface* s = GVWindowSurface(hwnd);
  return s && GVSavePng(*s, path);
}
