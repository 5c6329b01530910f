// Where windows are: frames and client areas, SetWindowPos with its messages,
// showing, hiding, minimising and maximising, coordinate mapping and the screen.
//
// SetWindowPos follows Win32's conversation: WM_WINDOWPOSCHANGING (the procedure
// may edit the request), WM_NCCALCSIZE when the size or frame changes, then
// WM_WINDOWPOSCHANGED, whose default handling sends WM_MOVE and WM_SIZE. So a
// MoveWindow delivers WM_SIZE before it returns.
#include <algorithm>
#include <cstdlib>

#include "platform/kernel32.h"
#include "platform/wm_state.h"


// Internal SetWindowPos flag: the minimised/maximised state changed, so WM_SIZE is
// owed even when the client size happens to stay.
static const UINT kStateChanged = 0x8000;

static const int kCaptionHeight = 20;
static const int kThickFrame = 3;
static const int kIconWidth = 160;
static const int kIconHeight = 26;

static LONG rw(const RECT& r) { return r.right - r.left; }
static LONG rh(const RECT& r) { return r.bottom - r.top; }

RECT gvFrameInsets(DWORD style, DWORD exStyle, bool iconic) {
  if (iconic) return RECT{0, 0, 0, 0};
  int f = 0;
  if (style & WS_THICKFRAME) f = kThickFrame;
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) f = kThickFrame;
  else if (style & WS_BORDER) f = 1;
  if (exStyle & WS_EX_CLIENTEDGE) f += 2;
  int caption = (style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
  return RECT{f, f + caption, f, f};
}

RECT gvClientRect(const GVWindow* w) {
  if (w->style & WS_MINIMIZE) return RECT{w->rect.left, w->rect.top, w->rect.left, w->rect.top};
  RECT c{w->rect.left + w->clientInset.left, w->rect.top + w->clientInset.top,
         w->rect.right - w->clientInset.right, w->rect.bottom - w->clientInset.bottom};
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return c;
}

POINT gvClientOrigin(const GVWindow* w) {
  if (!w || !w->parent) return POINT{w ? w->rect.left : 0, w ? w->rect.top : 0};
  POINT p = gvClientOrigin(w->parent);
  RECT c = gvClientRect(w);
  return POINT{p.x + c.left, p.y + c.top};
}

RECT gvScreenWindowRect(const GVWindow* w) {
  if (!w->parent) return w->rect;
  POINT p = gvClientOrigin(w->parent);
  return RECT{w->rect.left + p.x, w->rect.top + p.y, w->rect.right + p.x, w->rect.bottom + p.y};
}

bool gvShowing(const GVWindow* w) {
  for (; w; w = w->parent)
    if (!(w->style & WS_VISIBLE) || w->dead) return false;
  return true;
}

static void invalidateTree(GVWindow* w) {
  gvInvalidate(w, nullptr, true, false);
  for (GVWindow* c : w->children) invalidateTree(c);
}

static bool sameSize(const RECT& a, const RECT& b) { return rw(a) == rw(b) && rh(a) == rh(b); }

bool gvSetWindowPos(GVWindow* w, HWND after, int x, int y, int cx, int cy, UINT flags) {
  GVWMState& s = gvState();
  if (!gvIsLive(w) || w == s.desktop) return false;
  const bool top = gvIsTopLevel(w);
  if ((flags & SWP_SHOWWINDOW) && (w->style & WS_VISIBLE)) flags &= ~SWP_SHOWWINDOW;
  if ((flags & SWP_HIDEWINDOW) && !(w->style & WS_VISIBLE)) flags &= ~SWP_HIDEWINDOW;
  if (!top) flags |= SWP_NOACTIVATE;

  const RECT old = w->rect;
  WINDOWPOS wp{w->handle, after, x, y, cx, cy, flags & ~kStateChanged};
  if (flags & SWP_NOMOVE) {
    wp.x = old.left;
    wp.y = old.top;
  }
  if (flags & SWP_NOSIZE) {
    wp.cx = rw(old);
    wp.cy = rh(old);
  }
  if (!(flags & SWP_NOSENDCHANGING)) {
    gvSend(w, WM_WINDOWPOSCHANGING, 0, (LPARAM)&wp);
    if (!gvIsLive(w)) return false;
  }
  flags = (wp.flags & ~kStateChanged) | (flags & kStateChanged);
  RECT nr{wp.x, wp.y, wp.x + std::max(wp.cx, 0), wp.y + std::max(wp.cy, 0)};
  const bool moved = nr.left != old.left || nr.top != old.top;
  const bool sized = !sameSize(nr, old);
  const RECT oldClient = gvClientRect(w);
  const bool wasShowing = gvShowing(w);

  RECT inset = w->clientInset;
  if (sized || (flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS p{};
    p.rgrc[0] = nr;
    p.rgrc[1] = old;
    p.rgrc[2] = oldClient;
    p.lppos = &wp;
    gvSend(w, WM_NCCALCSIZE, TRUE, (LPARAM)&p);
    if (!gvIsLive(w)) return false;
    const RECT& c = p.rgrc[0];
    inset = RECT{std::max<LONG>(0, c.left - nr.left), std::max<LONG>(0, c.top - nr.top),
                 std::max<LONG>(0, nr.right - c.right), std::max<LONG>(0, nr.bottom - c.bottom)};
  }
  const bool frameChanged = inset.left != w->clientInset.left || inset.top != w->clientInset.top ||
                            inset.right != w->clientInset.right || inset.bottom != w->clientInset.bottom;

  w->rect = nr;
  w->clientInset = inset;
  bool zChanged = false;
  if (!(flags & SWP_NOZORDER)) zChanged = gvReorder(w, after);
  if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  const RECT newClient = gvClientRect(w);
  const bool clientSized = !sameSize(oldClient, newClient);
  const bool clientMoved = oldClient.left != newClient.left || oldClient.top != newClient.top;

  if (!(flags & SWP_NOREDRAW)) {
    if (flags & SWP_SHOWWINDOW) {
      invalidateTree(w);
    } else if (gvShowing(w) && (clientSized || frameChanged)) {
      UINT cs = w->cls->style;
      bool whole = frameChanged || (rw(oldClient) != rw(newClient) && (cs & CS_HREDRAW)) ||
                   (rh(oldClient) != rh(newClient) && (cs & CS_VREDRAW));
      if (whole) {
        gvInvalidate(w, nullptr, true, false);
      } else {
        if (rw(newClient) > rw(oldClient)) {
          RECT strip{rw(oldClient), 0, rw(newClient), rh(newClient)};
          gvInvalidate(w, &strip, true, false);
        }
        if (rh(newClient) > rh(oldClient)) {
          RECT strip{0, rh(oldClient), rw(newClient), rh(newClient)};
          gvInvalidate(w, &strip, true, false);
        }
      }
    }
    // The parent shows again where the window used to be.
    if (!top && wasShowing && (moved || sized || (flags & SWP_HIDEWINDOW))) {
      RECT area = old;
      gvInvalidate(w->parent, &area, true, false);
    }
  }

  if (moved || sized || frameChanged) gvNotify(w, GV_WINDOW_MOVED);
  if (zChanged) gvNotify(w, GV_WINDOW_ZORDER);
  if (flags & SWP_SHOWWINDOW) gvNotify(w, GV_WINDOW_SHOWN);
  if (flags & SWP_HIDEWINDOW) gvNotify(w, GV_WINDOW_HIDDEN);

  wp.x = nr.left;
  wp.y = nr.top;
  wp.cx = rw(nr);
  wp.cy = rh(nr);
  wp.flags = flags & ~(kStateChanged | SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE);
  if (!clientSized && !(flags & kStateChanged)) wp.flags |= SWP_NOCLIENTSIZE;
  if (!clientMoved) wp.flags |= SWP_NOCLIENTMOVE;
  gvSend(w, WM_WINDOWPOSCHANGED, 0, (LPARAM)&wp);
  if (!gvIsLive(w)) return true;

  if (flags & SWP_HIDEWINDOW) {
    if (top && (s.active == w)) gvActivateOther(w);
  } else if (top && !(flags & SWP_NOACTIVATE) && (w->style & WS_VISIBLE)) {
    gvActivate(w, false);
  }
  return true;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return FALSE;
  return gvSetWindowPos(w, insertAfter, x, y, width, height,
                        flags & ~(kStateChanged | SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE))
             ? TRUE
             : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return FALSE;
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW);
  return gvSetWindowPos(w, nullptr, x, y, width, height, flags) ? TRUE : FALSE;
}

// ---- Showing, minimising, maximising ------------------------------------------------------

// Minimised top-level windows line up as small bars along the bottom of the work
// area (there is no task bar to hold them); a click on one restores it.
static RECT iconSlot(GVWindow* w) {
  GVWMState& s = gvState();
  RECT area = gvIsTopLevel(w) ? s.workArea : RECT{0, 0, rw(gvClientRect(w->parent)), rh(gvClientRect(w->parent))};
  int perRow = std::max<int>(1, rw(area) / kIconWidth);
  for (int slot = 0;; ++slot) {
    RECT r{area.left + (slot % perRow) * kIconWidth, area.bottom - (slot / perRow + 1) * kIconHeight, 0, 0};
    r.right = r.left + kIconWidth;
    r.bottom = r.top + kIconHeight;
    bool taken = false;
    for (GVWindow* o : w->parent->children)
      if (o != w && (o->style & WS_MINIMIZE) && o->rect.left == r.left && o->rect.top == r.top) taken = true;
    if (!taken || slot > 256) return r;
  }
}

static RECT maximizedRect(GVWindow* w) {
  GVWMState& s = gvState();
  RECT f = gvFrameInsets(w->style, w->exStyle, false);
  RECT area = gvIsTopLevel(w) ? s.workArea : RECT{0, 0, rw(gvClientRect(w->parent)), rh(gvClientRect(w->parent))};
  return RECT{area.left - f.left, area.top - f.top, area.right + f.right, area.bottom + f.bottom};
}

void gvShowMinMax(GVWindow* w, int command) {
  GVWMState& s = gvState();
  const bool iconic = w->style & WS_MINIMIZE;
  const bool zoomed = w->style & WS_MAXIMIZE;
  UINT show = (w->style & WS_VISIBLE) ? 0 : SWP_SHOWWINDOW;
  bool minimize = command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE;
  bool maximize = command == SW_MAXIMIZE;
  if (minimize) {
    if (iconic) return;
    if (!zoomed) w->restoreRect = w->rect;
    w->restoreMaximized = zoomed;
    w->style = (w->style & ~WS_MAXIMIZE) | WS_MINIMIZE;
    RECT r = iconSlot(w);
    if (show) gvSend(w, WM_SHOWWINDOW, TRUE, 0);
    gvSetWindowPos(w, nullptr, r.left, r.top, rw(r), rh(r),
                   SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER | show | kStateChanged);
    if (!gvIsLive(w)) return;
    gvNotify(w, GV_WINDOW_MINIMIZED);
    if (s.active == w) gvActivateOther(w);
    return;
  }
  if (maximize) {
    if (iconic) {
      if (!gvSend(w, WM_QUERYOPEN, 0, 0) || !gvIsLive(w)) return;
    } else if (!zoomed) {
      w->restoreRect = w->rect;
    }
    w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
    RECT r = maximizedRect(w);
    if (show) gvSend(w, WM_SHOWWINDOW, TRUE, 0);
    gvSetWindowPos(w, nullptr, r.left, r.top, rw(r), rh(r), SWP_FRAMECHANGED | show | kStateChanged);
    if (gvIsLive(w) && iconic) gvNotify(w, GV_WINDOW_RESTORED);
    return;
  }
  // Restore.
  if (!iconic && !zoomed) return;
  if (iconic && (!gvSend(w, WM_QUERYOPEN, 0, 0) || !gvIsLive(w))) return;
  RECT r = w->restoreRect;
  if (iconic && w->restoreMaximized) {
    w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
    r = maximizedRect(w);
  } else {
    w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
  }
  if (show) gvSend(w, WM_SHOWWINDOW, TRUE, 0);
  gvSetWindowPos(w, nullptr, r.left, r.top, rw(r), rh(r), SWP_FRAMECHANGED | show | kStateChanged);
  if (gvIsLive(w) && iconic) gvNotify(w, GV_WINDOW_RESTORED);
}

BOOL ShowWindow(HWND hwnd, int command) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || w == gvState().desktop) return FALSE;
  const BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  const bool top = gvIsTopLevel(w);
  switch (command) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      gvSend(w, WM_SHOWWINDOW, FALSE, 0);
      if (gvIsLive(w))
        gvSetWindowPos(w, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_MAXIMIZE:
      gvShowMinMax(w, command);
      return wasVisible;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) {
        gvShowMinMax(w, SW_RESTORE);
        if (gvIsLive(w) && top) gvActivate(w, false);
        return wasVisible;
      }
      break;
    default:
      break;
  }
  // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE and a plain restore of a normal window.
  const bool activate = top && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE;
  if (!wasVisible) {
    gvSend(w, WM_SHOWWINDOW, TRUE, 0);
    if (!gvIsLive(w)) return wasVisible;
    UINT flags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (!activate) flags |= SWP_NOZORDER;
    gvSetWindowPos(w, HWND_TOP, 0, 0, 0, 0, flags);
  }
  if (activate && gvIsLive(w) && (w->style & WS_VISIBLE)) gvActivate(w, false);
  return wasVisible;
}

BOOL CloseWindow(HWND hwnd) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || !gvIsTopLevel(w)) return FALSE;
  gvShowMinMax(w, SW_MINIMIZE);
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return FALSE;
  GVPaintNow(w->handle, false);
  return TRUE;
}

BOOL IsWindowVisible(HWND hwnd) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  return w && gvShowing(w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

// ---- Rectangles and coordinates --------------------------------------------------------------

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || !rect) return FALSE;
  *rect = gvScreenWindowRect(w);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || !rect) return FALSE;
  RECT c = gvClientRect(w);
  *rect = RECT{0, 0, rw(c), rh(c)};
  return TRUE;
}

BOOL GetWindowInfo(HWND hwnd, PWINDOWINFO info) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || !info) return FALSE;
  RECT c = gvClientRect(w);
  POINT o = gvClientOrigin(w);
  info->cbSize = sizeof(WINDOWINFO);
  info->rcWindow = gvScreenWindowRect(w);
  info->rcClient = RECT{o.x, o.y, o.x + rw(c), o.y + rh(c)};
  info->dwStyle = w->style;
  info->dwExStyle = w->exStyle;
  info->dwWindowStatus = gvState().active == w ? WS_ACTIVECAPTION : 0;
  info->cxWindowBorders = (UINT)w->clientInset.left;
  info->cyWindowBorders = (UINT)w->clientInset.bottom;
  info->atomWindowType = w->cls->atom;
  info->wCreatorVersion = 0x0400;
  return TRUE;
}

bool GVWindowScreenRects(HWND hwnd, RECT* window, RECT* client) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w) return false;
  if (window) *window = gvScreenWindowRect(w);
  if (client) {
    RECT c = gvClientRect(w);
    POINT o = gvClientOrigin(w);
    *client = RECT{o.x, o.y, o.x + rw(c), o.y + rh(c)};
  }
  return true;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || !point) return FALSE;
  POINT o = gvClientOrigin(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || !point) return FALSE;
  POINT o = gvClientOrigin(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  GVWMState& s = gvState();
  GVWindow* a = from ? gvCheckHandle(from) : s.desktop;
  GVWindow* b = to ? gvCheckHandle(to) : s.desktop;
  if (!a || !b) return 0;
  POINT oa = gvClientOrigin(a), ob = gvClientOrigin(b);
  int dx = oa.x - ob.x, dy = oa.y - ob.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG((WORD)(short)dx, (WORD)(short)dy);
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL, DWORD exStyle) {
  if (!rect) return FALSE;
  RECT f = gvFrameInsets(style, exStyle, false);
  rect->left -= f.left;
  rect->top -= f.top;
  rect->right += f.right;
  rect->bottom += f.bottom;
  return TRUE;
}

static bool contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// Deepest visible window under the point; disabled child windows are passed over
// (their parent gets the mouse), a disabled top-level window is returned as is.
GVWindow* gvHitTestWindow(POINT screen) {
  GVWMState& s = gvState();
  GVWindow* hit = nullptr;
  for (GVWindow* t : s.desktop->children) {
    if ((t->style & WS_VISIBLE) && contains(gvScreenWindowRect(t), screen)) {
      hit = t;
      break;
    }
  }
  if (!hit || (hit->style & WS_DISABLED)) return hit;
  for (;;) {
    RECT c = gvClientRect(hit);
    POINT o = gvClientOrigin(hit);
    RECT client{o.x, o.y, o.x + rw(c), o.y + rh(c)};
    if (!contains(client, screen)) return hit;
    GVWindow* next = nullptr;
    for (GVWindow* k : hit->children) {
      if ((k->style & WS_VISIBLE) && !(k->style & WS_DISABLED) && contains(gvScreenWindowRect(k), screen)) {
        next = k;
        break;
      }
    }
    if (!next) return hit;
    hit = next;
  }
}

HWND GVWindowAtScreenPoint(POINT screen) { return GVHandleOf(gvHitTestWindow(screen)); }

HWND WindowFromPoint(POINT point) {
  GVWindow* w = gvHitTestWindow(point);
  return w && !(w->style & WS_DISABLED) ? w->handle : nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  GVWindow* p = gvCheckHandle(parent);
  if (!p) return nullptr;
  RECT c = gvClientRect(p);
  if (point.x < 0 || point.y < 0 || point.x >= rw(c) || point.y >= rh(c)) return nullptr;
  for (GVWindow* k : p->children)
    if (contains(k->rect, point)) return k->handle;
  return p->handle;
}

// ---- Screen ------------------------------------------------------------------------------------

void GVSetScreenSize(int width, int height) {
  GVWMState& s = gvState();
  bool workIsScreen = s.workArea.left == s.screen.left && s.workArea.top == s.screen.top &&
                      s.workArea.right == s.screen.right && s.workArea.bottom == s.screen.bottom;
  s.screen = RECT{0, 0, std::max(width, 1), std::max(height, 1)};
  if (workIsScreen) s.workArea = s.screen;
  s.desktop->rect = s.screen;
  s.cursor.x = std::min<LONG>(s.cursor.x, s.screen.right - 1);
  s.cursor.y = std::min<LONG>(s.cursor.y, s.screen.bottom - 1);
}

void GVSetWorkArea(const RECT& area) { gvState().workArea = area; }

RECT GVScreenRect() { return gvState().screen; }

BOOL SystemParametersInfoA(UINT action, UINT, LPVOID out, UINT) {
  if (!out) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  switch (action) {
    case SPI_GETWORKAREA: *(RECT*)out = gvState().workArea; return TRUE;
    case SPI_GETMOUSEHOVERTIME: *(UINT*)out = 400; return TRUE;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
  }
}

int GetSystemMetrics(int index) {
  GVWMState& s = gvState();
  switch (index) {
    case SM_CXSCREEN: return rw(s.screen);
    case SM_CYSCREEN: return rh(s.screen);
    case SM_CXFULLSCREEN: return rw(s.workArea);
    case SM_CYFULLSCREEN: return rh(s.workArea) - kCaptionHeight;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
    case SM_CXFRAME:
    case SM_CYFRAME: return kThickFrame;
    case SM_CYCAPTION: return kCaptionHeight;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXMINTRACK: return 2 * kThickFrame + 100;
    case SM_CYMINTRACK: return 2 * kThickFrame + kCaptionHeight;
    default: return 0;
  }
}
