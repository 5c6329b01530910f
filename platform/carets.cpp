// The one caret of the thread: its owner window, size, position and hide count.
// The GDI side draws it (GVGetCaretInfo) and blinks it; it is created hidden, and
// ShowCaret and HideCaret nest like Win32's.
#include "platform/kernel32.h"
#include "platform/wm_state.h"

static const UINT kCaretBlinkMs = 530;

static void caretChanged() {
  GVWindow* owner = gvState().caret.owner;
  if (owner) gvNotify(owner, GV_WINDOW_CARET);
}

BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height) {
  GVWMState& s = gvState();
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return FALSE;
  DestroyCaret();
  s.caret.owner = w;
  s.caret.bitmap = bitmap;
  s.caret.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
  s.caret.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
  s.caret.pos = POINT{0, 0};
  s.caret.hideCount = 1;
  caretChanged();
  return TRUE;
}

BOOL DestroyCaret(void) {
  GVWMState& s = gvState();
  if (!s.caret.owner) return FALSE;
  GVWindow* owner = s.caret.owner;
  s.caret = GVCaretState();
  if (gvIsLive(owner)) gvNotify(owner, GV_WINDOW_CARET);
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  GVWMState& s = gvState();
  if (!s.caret.owner) return FALSE;
  s.caret.pos = POINT{x, y};
  caretChanged();
  return TRUE;
}

BOOL GetCaretPos(LPPOINT point) {
  GVWMState& s = gvState();
  if (!s.caret.owner || !point) return FALSE;
  *point = s.caret.pos;
  return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
  GVWMState& s = gvState();
  if (!s.caret.owner || (hwnd && hwnd != GVHandleOf(s.caret.owner)) || s.caret.hideCount == 0) return FALSE;
  if (--s.caret.hideCount == 0) caretChanged();
  return TRUE;
}

BOOL HideCaret(HWND hwnd) {
  GVWMState& s = gvState();
  if (!s.caret.owner || (hwnd && hwnd != GVHandleOf(s.caret.owner))) return FALSE;
  if (s.caret.hideCount++ == 0) caretChanged();
  return TRUE;
}

UINT GetCaretBlinkTime(void) { return kCaretBlinkMs; }

GVCaretInfo GVGetCaretInfo() {
  const GVCaretState& c = gvState().caret;
  GVCaretInfo info{};
  info.owner = GVHandleOf(c.owner);
  info.rect = RECT{c.pos.x, c.pos.y, c.pos.x + c.width, c.pos.y + c.height};
  info.shown = c.owner && c.hideCount == 0;
  info.bitmap = c.bitmap;
  info.blinkMs = kCaretBlinkMs;
  return info;
}

void gvCaretWindowGone(GVWindow* w) {
  GVWMState& s = gvState();
  if (s.caret.owner == w) s.caret = GVCaretState();
}

void gvResetCaret() { gvState().caret = GVCaretState(); }
