// Device input: raw events from the presenter or tests wait in the queue and are
// routed when the program takes them, the way Win32 does it, so a capture set by
// the procedure that handled a button-down already steers the button-up.
//
// Routing of a mouse event: the capture window takes it in client coordinates
// (which may be negative); otherwise the window under the pointer is asked
// WM_NCHITTEST, a press on an inactive window asks WM_MOUSEACTIVATE and activates,
// WM_SETCURSOR follows, and the event becomes a client or non-client message.
// Double clicks: a second press of the same button on the same window within
// 500 ms and 4 px (2 px either way) becomes a ...DBLCLK when the window's class has
// CS_DBLCLKS, giving down, up, double-click, up.
//
// Interactive sizing of a WS_THICKFRAME window (started by DefWindowProcA) is run
// here without a nested loop: while it lasts, mouse events resize the window and
// reach no procedure.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/kernel32.h"
#include "platform/test_api.h"
#include "platform/wm_state.h"

static const UINT kDoubleClickMs = 500;
static const int kDoubleClickHalf = 2;  // half of the 4 px double-click box
static const int kHoverHalf = 2;        // half of the 4 px hover box

UINT GetDoubleClickTime(void) { return kDoubleClickMs; }

WORD gvMouseKeyFlags() {
  const BYTE* k = gvState().asyncKeys;
  WORD mk = 0;
  if (k[VK_LBUTTON] & 0x80) mk |= MK_LBUTTON;
  if (k[VK_RBUTTON] & 0x80) mk |= MK_RBUTTON;
  if (k[VK_MBUTTON] & 0x80) mk |= MK_MBUTTON;
  if (k[VK_SHIFT] & 0x80) mk |= MK_SHIFT;
  if (k[VK_CONTROL] & 0x80) mk |= MK_CONTROL;
  return mk;
}

static void queueInput(GVRawInput e) {
  GVWMState& s = gvState();
  e.seq = s.nextInputSeq++;
  e.time = GetTickCount();
  e.mk = gvMouseKeyFlags();
  e.cooked = false;
  e.discard = false;
  e.msg = MSG{};
  s.input.push_back(e);
}

static bool pointInClient(GVWindow* w, POINT p) {
  RECT c = gvClientRect(w);
  POINT o = gvClientOrigin(w);
  return p.x >= o.x && p.y >= o.y && p.x < o.x + (c.right - c.left) && p.y < o.y + (c.bottom - c.top);
}

// TME_LEAVE: the pointer left the tracked window's client area (or another window
// now covers the point). Posted at once, so it is taken before the move that
// caused it.
void gvTrackLeaveCheck() {
  GVWMState& s = gvState();
  GVTrackState& t = s.track;
  if (!t.window) return;
  if (!gvIsLive(t.window)) {
    t = GVTrackState();
    return;
  }
  bool inside = pointInClient(t.window, s.cursor) && gvHitTestWindow(s.cursor) == t.window;
  if (!inside) {
    GVWindow* w = t.window;
    bool leave = t.leave;
    t = GVTrackState();
    if (leave) gvPostMessage(w, WM_MOUSELEAVE, 0, 0);
    return;
  }
  if (t.hover && (std::abs(s.cursor.x - t.hoverAnchor.x) > kHoverHalf ||
                  std::abs(s.cursor.y - t.hoverAnchor.y) > kHoverHalf)) {
    t.hoverAnchor = s.cursor;
    t.hoverStart = gvNow();
  }
}

void gvCheckHover(uint64_t now) {
  GVWMState& s = gvState();
  GVTrackState& t = s.track;
  if (!t.window || !t.hover || now < t.hoverStart + t.hoverTime) return;
  if (!gvIsLive(t.window)) {
    t = GVTrackState();
    return;
  }
  t.hover = false;  // one notice per request
  GVWindow* w = t.window;
  if (!t.leave) t.window = nullptr;
  if (pointInClient(w, s.cursor)) {
    POINT o = gvClientOrigin(w);
    gvPostMessage(w, WM_MOUSEHOVER, gvMouseKeyFlags(),
                  MAKELPARAM((WORD)(short)(s.cursor.x - o.x), (WORD)(short)(s.cursor.y - o.y)));
  }
}

bool gvHoverDeadline(uint64_t* when) {
  const GVTrackState& t = gvState().track;
  if (!t.window || !t.hover) return false;
  *when = t.hoverStart + t.hoverTime;
  return true;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT tme) {
  GVWMState& s = gvState();
  if (!tme) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  GVTrackState& t = s.track;
  if (tme->dwFlags & TME_QUERY) {
    tme->dwFlags = (t.hover ? TME_HOVER : 0) | (t.leave ? TME_LEAVE : 0);
    tme->hwndTrack = GVHandleOf(t.window);
    tme->dwHoverTime = t.hoverTime;
    return TRUE;
  }
  GVWindow* w = gvCheckHandle(tme->hwndTrack);
  if (!w) return FALSE;
  if (tme->dwFlags & TME_CANCEL) {
    if (t.window == w) {
      if (tme->dwFlags & TME_HOVER) t.hover = false;
      if (tme->dwFlags & TME_LEAVE) t.leave = false;
      if (!t.hover && !t.leave) t = GVTrackState();
    }
    return TRUE;
  }
  if (!pointInClient(w, s.cursor) || gvHitTestWindow(s.cursor) != w) {
    if (tme->dwFlags & TME_LEAVE) gvPostMessage(w, WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }
  if (t.window != w) t = GVTrackState();
  t.window = w;
  if (tme->dwFlags & TME_HOVER) {
    t.hover = true;
    t.hoverTime = tme->dwHoverTime == HOVER_DEFAULT ? 400 : tme->dwHoverTime;
    t.hoverStart = gvNow();
    t.hoverAnchor = s.cursor;
  }
  if (tme->dwFlags & TME_LEAVE) t.leave = true;
  return TRUE;
}

// ---- Raw input -------------------------------------------------------------------------------

void GVInputMouseMove(int x, int y) {
  GVWMState& s = gvState();
  x = std::max<int>(s.screen.left, std::min<int>(x, s.screen.right - 1));
  y = std::max<int>(s.screen.top, std::min<int>(y, s.screen.bottom - 1));
  if (x == s.cursor.x && y == s.cursor.y) return;  // no movement, no message
  s.cursor = POINT{x, y};
  // A move still waiting behind another move replaces it.
  if (!s.input.empty() && s.input.back().kind == GVRawInput::MOVE && !s.input.back().cooked) {
    GVRawInput& e = s.input.back();
    e.pt = s.cursor;
    e.time = GetTickCount();
    e.mk = gvMouseKeyFlags();
  } else {
    GVRawInput e{};
    e.kind = GVRawInput::MOVE;
    e.pt = s.cursor;
    queueInput(e);
  }
  gvTrackLeaveCheck();
}

void GVInputMouseButton(GVMouseButton button, bool down) {
  GVWMState& s = gvState();
  static const UINT vks[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
  int b = std::max(0, std::min((int)button, 2));
  if (down) s.asyncKeys[vks[b]] |= 0x80;
  else s.asyncKeys[vks[b]] &= ~0x80;
  GVRawInput e{};
  e.kind = GVRawInput::BUTTON;
  e.pt = s.cursor;
  e.button = b;
  e.down = down;
  queueInput(e);
}

void GVInputMouseWheel(int delta) {
  GVRawInput e{};
  e.kind = GVRawInput::WHEEL;
  e.pt = gvState().cursor;
  e.wheelDelta = delta;
  queueInput(e);
}

static void setKey(BYTE* keys, UINT vk, bool down) {
  if (down) {
    if (!(keys[vk] & 0x80)) keys[vk] ^= 0x01;  // toggled on each press
    keys[vk] |= 0x80;
  } else {
    keys[vk] &= ~0x80;
  }
  // The side-specific modifiers also drive the generic ones.
  auto generic = [keys](UINT g, UINT l, UINT r) {
    if ((keys[l] & 0x80) || (keys[r] & 0x80)) keys[g] |= 0x80;
    else keys[g] &= ~0x80;
  };
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) generic(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) generic(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  if (vk == VK_LMENU || vk == VK_RMENU) generic(VK_MENU, VK_LMENU, VK_RMENU);
}

// Left and right modifier keys reach the program as the one generic key, as they
// do on Win32; GetKeyState still tells the sides apart.
static UINT genericKey(UINT vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

void GVInputKey(UINT vk, bool down) {
  GVWMState& s = gvState();
  vk &= 0xFF;
  GVRawInput e{};
  e.kind = GVRawInput::KEY;
  e.pt = s.cursor;
  e.vk = genericKey(vk);
  e.button = (int)vk;  // the side-specific key, for the key state
  e.down = down;
  e.repeat = down && (s.asyncKeys[e.vk] & 0x80);
  setKey(s.asyncKeys, vk, down);
  queueInput(e);
}

void GVInputReleaseAll() {
  GVWMState& s = gvState();
  for (UINT vk = 0x08; vk < 256; ++vk)
    if (s.asyncKeys[vk] & 0x80) GVInputKey(vk, false);
  if (s.asyncKeys[VK_LBUTTON] & 0x80) GVInputMouseButton(GV_BUTTON_LEFT, false);
  if (s.asyncKeys[VK_RBUTTON] & 0x80) GVInputMouseButton(GV_BUTTON_RIGHT, false);
  if (s.asyncKeys[VK_MBUTTON] & 0x80) GVInputMouseButton(GV_BUTTON_MIDDLE, false);
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = gvState().cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  GVInputMouseMove(x, y);
  GVPlatformHooks& h = GVHooks();
  POINT c = gvState().cursor;
  if (h.cursorWarped) h.cursorWarped(c.x, c.y);
  return TRUE;
}

SHORT GetKeyState(int vk) {
  BYTE k = gvState().syncKeys[vk & 0xFF];
  return (SHORT)(((k & 0x80) ? 0x8000 : 0) | (k & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  BYTE k = gvState().asyncKeys[vk & 0xFF];
  return (SHORT)((k & 0x80) ? 0x8000 : 0);
}

// ---- Interactive sizing ------------------------------------------------------------------------

void gvStartSizing(GVWindow* w, int edge, POINT start) {
  GVWMState& s = gvState();
  if (!gvIsLive(w) || s.sizing.window) return;
  MINMAXINFO mmi{};
  mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi.ptMaxTrackSize = POINT{s.screen.right + 16, s.screen.bottom + 16};
  gvSend(w, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
  if (!gvIsLive(w)) return;
  gvSetCapture(w);
  s.sizing.window = w;
  s.sizing.edge = edge;
  s.sizing.start = start;
  s.sizing.startRect = w->rect;
  s.sizing.limits = mmi;
  gvSend(w, WM_ENTERSIZEMOVE, 0, 0);
}

void gvEndSizing(bool cancel) {
  GVWMState& s = gvState();
  GVWindow* w = s.sizing.window;
  if (!w) return;
  RECT r = s.sizing.startRect;
  s.sizing = GVSizingState();
  if (cancel && gvIsLive(w))
    gvSetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (s.capture == w) gvSetCapture(nullptr);
  if (gvIsLive(w)) gvSend(w, WM_EXITSIZEMOVE, 0, 0);
}

void gvEndSizingForCapture() {
  GVWMState& s = gvState();
  GVWindow* w = s.sizing.window;
  s.sizing = GVSizingState();
  if (gvIsLive(w)) gvSend(w, WM_EXITSIZEMOVE, 0, 0);
}

static void sizingMove(POINT p) {
  GVWMState& s = gvState();
  GVSizingState& z = s.sizing;
  GVWindow* w = z.window;
  int dx = p.x - z.start.x, dy = p.y - z.start.y;
  RECT r = z.startRect;
  int e = z.edge;
  if (e == 0) {
    r = RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
  } else {
    bool left = e == WMSZ_LEFT || e == WMSZ_TOPLEFT || e == WMSZ_BOTTOMLEFT;
    bool right = e == WMSZ_RIGHT || e == WMSZ_TOPRIGHT || e == WMSZ_BOTTOMRIGHT;
    bool topEdge = e == WMSZ_TOP || e == WMSZ_TOPLEFT || e == WMSZ_TOPRIGHT;
    bool bottom = e == WMSZ_BOTTOM || e == WMSZ_BOTTOMLEFT || e == WMSZ_BOTTOMRIGHT;
    LONG minW = z.limits.ptMinTrackSize.x, minH = z.limits.ptMinTrackSize.y;
    LONG maxW = z.limits.ptMaxTrackSize.x, maxH = z.limits.ptMaxTrackSize.y;
    if (left) r.left = std::min(std::max(r.left + dx, r.right - maxW), r.right - minW);
    if (right) r.right = std::max(std::min(r.right + dx, r.left + maxW), r.left + minW);
    if (topEdge) r.top = std::min(std::max(r.top + dy, r.bottom - maxH), r.bottom - minH);
    if (bottom) r.bottom = std::max(std::min(r.bottom + dy, r.top + maxH), r.top + minH);
  }
  // WM_SIZING and WM_MOVING speak screen coordinates.
  POINT o = w->parent ? gvClientOrigin(w->parent) : POINT{0, 0};
  RECT screen{r.left + o.x, r.top + o.y, r.right + o.x, r.bottom + o.y};
  gvSend(w, e == 0 ? WM_MOVING : WM_SIZING, (WPARAM)e, (LPARAM)&screen);
  if (!gvIsLive(w)) return;
  r = RECT{screen.left - o.x, screen.top - o.y, screen.right - o.x, screen.bottom - o.y};
  gvSetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (e == 0 ? SWP_NOSIZE : 0));
}

// ---- Routing ---------------------------------------------------------------------------------------

static UINT buttonMessage(int button, bool down, bool client) {
  static const UINT clientDown[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static const UINT ncDown[3] = {WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN};
  UINT m = client ? clientDown[button] : ncDown[button];
  return down ? m : m + 1;
}

static bool cookMouse(GVRawInput& e) {
  GVWMState& s = gvState();
  if (s.sizing.window) {
    if (!gvIsLive(s.sizing.window)) {
      s.sizing = GVSizingState();
    } else {
      if (e.kind == GVRawInput::MOVE) sizingMove(e.pt);
      else if (e.kind == GVRawInput::BUTTON && !e.down && e.button == GV_BUTTON_LEFT) gvEndSizing(false);
      return false;
    }
  }
  if (e.kind == GVRawInput::WHEEL) {
    // The window under the pointer scrolls, focused or not, as on the X11
    // desktop; the focus only when the pointer is over none of ours.
    GVWindow* target = gvHitTestWindow(e.pt);
    if (target && (target->style & WS_DISABLED)) return false;
    if (!target) target = gvIsLive(s.focus) ? s.focus : s.active;
    if (!gvIsLive(target)) return false;
    e.msg = MSG{target->handle, WM_MOUSEWHEEL, MAKEWPARAM(e.mk, (WORD)(short)e.wheelDelta),
                MAKELPARAM((WORD)(short)e.pt.x, (WORD)(short)e.pt.y), e.time, e.pt};
    return true;
  }
  GVWindow* target;
  LRESULT hit = HTCLIENT;
  const bool captured = gvIsLive(s.capture);
  if (captured) {
    target = s.capture;
  } else {
    target = gvHitTestWindow(e.pt);
    if (!target) return false;
    if (target->style & WS_DISABLED) {
      // A click on a window disabled by a modal box only beeps.
      if (e.kind == GVRawInput::BUTTON && e.down) MessageBeep(MB_OK);
      return false;
    }
    hit = (short)gvSend(target, WM_NCHITTEST, 0, MAKELPARAM((WORD)(short)e.pt.x, (WORD)(short)e.pt.y));
    if (!gvIsLive(target)) return false;
    if (hit == HTTRANSPARENT || hit == HTERROR) hit = HTNOWHERE;
  }
  const bool client = hit == HTCLIENT;
  UINT message = e.kind == GVRawInput::MOVE ? (client ? WM_MOUSEMOVE : WM_NCMOUSEMOVE)
                                            : buttonMessage(e.button, e.down, client);
  if (e.kind == GVRawInput::BUTTON && e.down && !captured) {
    GVWindow* root = gvRoot(target);
    if (root != s.active) {
      LRESULT ma = gvSend(target, WM_MOUSEACTIVATE, (WPARAM)GVHandleOf(root), MAKELPARAM((WORD)hit, (WORD)message));
      if (!gvIsLive(target)) return false;
      if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT) gvActivate(root, true);
      if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT || !gvIsLive(target)) return false;
    }
  }
  if (e.kind == GVRawInput::BUTTON && e.down) {
    GVClickState& c = s.lastClick;
    bool allowed = client ? (target->cls->style & CS_DBLCLKS) != 0 : true;
    bool isDouble = allowed && c.window == target && c.downMessage == message && !c.wasDouble &&
                    (DWORD)(e.time - c.time) <= kDoubleClickMs && std::abs(e.pt.x - c.pt.x) <= kDoubleClickHalf &&
                    std::abs(e.pt.y - c.pt.y) <= kDoubleClickHalf;
    if (isDouble) {
      c.wasDouble = true;
      message += 2;  // ...BUTTONDOWN to ...BUTTONDBLCLK
    } else {
      c = GVClickState{target, message, e.time, e.pt, false};
      if (client && (target->style & WS_CHILD)) {
        gvParentNotifyClick(target, message, e.pt);
        if (!gvIsLive(target)) return false;
      }
    }
  }
  if (!gvIsLive(s.capture)) {
    gvSend(target, WM_SETCURSOR, (WPARAM)target->handle, MAKELPARAM((WORD)hit, (WORD)message));
    if (!gvIsLive(target)) return false;
  }
  WPARAM wp;
  LPARAM lp;
  if (client) {
    POINT o = gvClientOrigin(target);
    wp = e.mk;
    lp = MAKELPARAM((WORD)(short)(e.pt.x - o.x), (WORD)(short)(e.pt.y - o.y));
  } else {
    wp = (WPARAM)hit;
    lp = MAKELPARAM((WORD)(short)e.pt.x, (WORD)(short)e.pt.y);
  }
  e.msg = MSG{target->handle, message, wp, lp, e.time, e.pt};
  return true;
}

// ---- Hot keys ----------------------------------------------------------------------------------

static const GVHotKey* hotKeyFor(UINT modifiers, UINT vk) {
  for (const GVHotKey& k : gvState().hotKeys)
    if (k.modifiers == modifiers && k.vk == vk) return &k;
  return nullptr;
}

BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk) {
  GVWindow* w = nullptr;
  if (hwnd && !(w = gvCheckHandle(hwnd))) return FALSE;
  UINT mods = modifiers & (MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN);
  if (hotKeyFor(mods, vk)) {
    SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
    return FALSE;
  }
  gvState().hotKeys.push_back(GVHotKey{w, id, mods, vk, (modifiers & MOD_NOREPEAT) != 0});
  return TRUE;
}

BOOL UnregisterHotKey(HWND hwnd, int id) {
  GVWindow* w = nullptr;
  if (hwnd && !(w = gvCheckHandle(hwnd))) return FALSE;
  std::vector<GVHotKey>& keys = gvState().hotKeys;
  for (size_t i = 0; i < keys.size(); i++)
    if (keys[i].window == w && keys[i].id == id) {
      keys.erase(keys.begin() + static_cast<long>(i));
      return TRUE;
    }
  SetLastError(ERROR_HOTKEY_NOT_REGISTERED);
  return FALSE;
}

// A registered combination pressed: WM_HOTKEY to its owner instead of the key
// message to the focus.
static bool cookHotKey(GVRawInput& e) {
  const BYTE* keys = gvState().syncKeys;
  UINT mods = ((keys[VK_MENU] & 0x80) ? MOD_ALT : 0) | ((keys[VK_CONTROL] & 0x80) ? MOD_CONTROL : 0) |
              ((keys[VK_SHIFT] & 0x80) ? MOD_SHIFT : 0) |
              (((keys[VK_LWIN] | keys[VK_RWIN]) & 0x80) ? MOD_WIN : 0);
  const GVHotKey* k = hotKeyFor(mods, e.vk);
  if (!k || (e.repeat && k->noRepeat)) return false;
  e.msg = MSG{GVHandleOf(k->window), WM_HOTKEY, (WPARAM)k->id, MAKELPARAM((WORD)mods, (WORD)e.vk), e.time, e.pt};
  return true;
}

static bool cookKey(GVRawInput& e) {
  GVWMState& s = gvState();
  setKey(s.syncKeys, (UINT)e.button, e.down);
  if (s.sizing.window) {
    if (e.down && e.vk == VK_ESCAPE) gvEndSizing(true);
    return false;
  }
  if (e.down && cookHotKey(e)) return true;
  GVWindow* target = gvIsLive(s.focus) ? s.focus : s.active;
  if (!gvIsLive(target)) return false;
  bool alt = s.syncKeys[VK_MENU] & 0x80;
  bool ctrl = s.syncKeys[VK_CONTROL] & 0x80;
  bool sys = !gvIsLive(s.focus) || (alt && !ctrl) || e.vk == VK_F10 || e.vk == VK_MENU;
  UINT message = e.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  DWORD lp = 1u;
  if (alt) lp |= 1u << 29;
  if (e.down) {
    if (e.repeat) lp |= 1u << 30;
  } else {
    lp |= (1u << 30) | (1u << 31);
  }
  e.msg = MSG{target->handle, message, (WPARAM)e.vk, (LPARAM)lp, e.time, e.pt};
  return true;
}

bool gvCookInput(GVRawInput& e) {
  return e.kind == GVRawInput::KEY ? cookKey(e) : cookMouse(e);
}

void gvResetInput() {
  GVWMState& s = gvState();
  memset(s.asyncKeys, 0, sizeof s.asyncKeys);
  memset(s.syncKeys, 0, sizeof s.syncKeys);
  s.cursor = POINT{0, 0};
  s.lastClick = GVClickState();
  s.track = GVTrackState();
  s.sizing = GVSizingState();
  s.currentCursor = nullptr;
  s.hotKeys.clear();
}

// ---- Scripted input for tests -----------------------------------------------------------------

void GVTestMouseMove(int x, int y) { GVInputMouseMove(x, y); }

void GVTestMouseDown(int x, int y, GVMouseButton button) {
  GVInputMouseMove(x, y);
  GVInputMouseButton(button, true);
}

void GVTestMouseUp(int x, int y, GVMouseButton button) {
  GVInputMouseMove(x, y);
  GVInputMouseButton(button, false);
}

void GVTestClick(int x, int y, GVMouseButton button) {
  GVTestMouseDown(x, y, button);
  GVInputMouseButton(button, false);
}

void GVTestKeyPress(UINT vk) {
  GVInputKey(vk, true);
  GVInputKey(vk, false);
}
