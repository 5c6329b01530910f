// Activation, keyboard focus, mouse capture and enabling. One top-level window is
// active (it is also the foreground window: there is one program); the focus is
// that window or one of its descendants.
//
// Activation order as Win32 sends it: the newly active window is raised first, the
// old one gets WM_NCACTIVATE(FALSE) and WM_ACTIVATE(WA_INACTIVE, new window), then
// the new one WM_NCACTIVATE(TRUE) and WM_ACTIVATE(WA_ACTIVE, old window), whose
// default handling moves the focus (WM_KILLFOCUS, WM_SETFOCUS).
#include <vector>

#include "platform/input.h"
#include "platform/kernel32.h"
#include "platform/wm_state.h"


// The program as a whole gains or loses the activation.
static void sendActivateApp(BOOL active) {
  std::vector<GVWindow*> tops = gvState().desktop->children;
  for (GVWindow* t : tops)
    if (gvIsLive(t)) gvSend(t, WM_ACTIVATEAPP, active, 0);
}

static bool canActivate(const GVWindow* w) {
  return gvIsLive(w) && !w->destroying && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED);
}

void gvActivate(GVWindow* w, bool byClick) {
  GVWMState& s = gvState();
  w = gvRoot(w);
  if (w == s.desktop) w = nullptr;
  if (w == s.active) return;
  if (w && (!gvIsLive(w) || (w->style & WS_DISABLED))) return;
  GVWindow* old = s.active;
  if (w && !gvAtTopOfBand(w)) {
    gvSetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!gvIsLive(w)) return;
  }
  s.active = w;
  if (gvIsLive(old)) {
    gvSend(old, WM_NCACTIVATE, FALSE, 0);
    if (gvIsLive(old))
      gvSend(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (old->style & WS_MINIMIZE) ? 1 : 0), (LPARAM)GVHandleOf(w));
  }
  if (s.active != w) return;  // a procedure activated something else meanwhile
  if (!old && w) sendActivateApp(TRUE);
  if (old && !w) sendActivateApp(FALSE);
  if (s.active != w) return;
  if (gvIsLive(w)) {
    gvSend(w, WM_NCACTIVATE, TRUE, 0);
    if (gvIsLive(w))
      gvSend(w, WM_ACTIVATE, MAKEWPARAM(byClick ? WA_CLICKACTIVE : WA_ACTIVE, (w->style & WS_MINIMIZE) ? 1 : 0),
             (LPARAM)GVHandleOf(old));
  }
  // The focus never stays in a window that is no longer active.
  if (s.focus && s.active == w && s.focus != w && !gvIsDescendant(w, s.focus)) gvSetFocus(nullptr);
}

// The activation passes to a window the user can see: shown, not minimised,
// and with some area (a drop-down rolled shut stays shown at no height).
static bool canTakeOver(const GVWindow* w) {
  return canActivate(w) && !(w->style & WS_MINIMIZE) && w->rect.right > w->rect.left && w->rect.bottom > w->rect.top;
}

void gvActivateOther(GVWindow* leaving) {
  GVWMState& s = gvState();
  GVWindow* next = nullptr;
  if (leaving && leaving->owner && canTakeOver(leaving->owner)) next = leaving->owner;
  for (size_t i = 0; !next && i < s.desktop->children.size(); ++i) {
    GVWindow* t = s.desktop->children[i];
    if (t != leaving && t->owner != leaving && canTakeOver(t) && !(t->exStyle & WS_EX_NOACTIVATE)) next = t;
  }
  if (next) {
    gvActivate(next, false);
  } else {
    if (s.active == leaving) {
      GVWindow* old = s.active;
      s.active = nullptr;
      if (gvIsLive(old)) {
        gvSend(old, WM_NCACTIVATE, FALSE, 0);
        if (gvIsLive(old)) gvSend(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
      }
      if (!s.active) sendActivateApp(FALSE);
    }
    if (s.focus && (s.focus == leaving || gvIsDescendant(leaving, s.focus))) gvSetFocus(nullptr);
  }
}

GVWindow* gvSetFocus(GVWindow* w) {
  GVWMState& s = gvState();
  GVWindow* old = s.focus;
  if (w == old) return old;
  if (w) {
    GVWindow* root = gvRoot(w);
    if (root != s.active) {
      gvActivate(root, false);
      if (!gvIsLive(w)) return nullptr;
      if (s.focus == w) return old;
    }
  }
  GVWindow* previous = s.focus;
  s.focus = w;
  if (gvIsLive(previous)) gvSend(previous, WM_KILLFOCUS, (WPARAM)GVHandleOf(w), 0);
  if (w && s.focus == w && gvIsLive(w)) gvSend(w, WM_SETFOCUS, (WPARAM)GVHandleOf(previous), 0);
  return old;
}

GVWindow* gvSetCapture(GVWindow* w) {
  GVWMState& s = gvState();
  GVWindow* old = s.capture;
  s.capture = w;
  if (s.sizing.window && s.sizing.window != w) gvEndSizingForCapture();
  if (gvIsLive(old) && old != w) gvSend(old, WM_CAPTURECHANGED, 0, (LPARAM)GVHandleOf(w));
  return old;
}

// The display's own window gained or lost the keyboard focus of the desktop: the
// program loses its activation, and gets it back on the window that had it.
void GVInputAppActivation(bool active) {
  static HWND lastActive = nullptr;
  GVWMState& s = gvState();
  if (!active) {
    if (!s.active) return;
    lastActive = GVHandleOf(s.active);
    gvActivate(nullptr, false);
  } else if (!s.active) {
    GVWindow* w = GVWindowFromHandle(lastActive);
    lastActive = nullptr;
    if (w && canActivate(w)) gvActivate(w, false);
    else gvActivateOther(nullptr);
  }
}

HWND GetActiveWindow(void) { return GVHandleOf(gvState().active); }
HWND GetForegroundWindow(void) { return GVHandleOf(gvState().active); }

HWND SetActiveWindow(HWND hwnd) {
  GVWMState& s = gvState();
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return nullptr;
  GVWindow* old = s.active;
  gvActivate(w, false);
  return GVHandleOf(old);
}

BOOL SetForegroundWindow(HWND hwnd) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return FALSE;
  gvActivate(w, false);
  return gvState().active == gvRoot(w) ? TRUE : FALSE;
}

HWND GetFocus(void) { return GVHandleOf(gvState().focus); }

HWND SetFocus(HWND hwnd) {
  GVWindow* w = nullptr;
  if (hwnd && !(w = gvCheckHandle(hwnd))) return nullptr;
  return GVHandleOf(gvSetFocus(w));
}

HWND GetCapture(void) { return GVHandleOf(gvState().capture); }

HWND SetCapture(HWND hwnd) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return nullptr;
  return GVHandleOf(gvSetCapture(w));
}

BOOL ReleaseCapture(void) {
  if (gvState().capture) gvSetCapture(nullptr);
  return TRUE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  GVWMState& s = gvState();
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return FALSE;
  const BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable && wasDisabled) {
    w->style &= ~WS_DISABLED;
    gvSend(w, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    w->style |= WS_DISABLED;
    if (s.focus == w || gvIsDescendant(w, s.focus)) gvSetFocus(nullptr);
    // Its children lose the mouse with it: a button whose click raised a modal
    // box would otherwise take the box's first click.
    if (s.capture == w || gvIsDescendant(w, s.capture)) gvSetCapture(nullptr);
    if (gvIsLive(w)) gvSend(w, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled;
}
