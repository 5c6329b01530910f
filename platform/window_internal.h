// The window record and the services the GDI side of the platform builds on:
// finding windows, their screen rectangles and paint order, the update rectangle
// that WM_PAINT and BeginPaint work from, and the hooks through which the
// compositor and the display presenter follow what the window manager does.
// Only platform/ includes this header.
#pragma once

#include <string>
#include <vector>

#include "platform/user32.h"

struct GVWindowClass {
  std::string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSmall = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::string menuName;
  int windowCount = 0;
  bool internal = false;  // registered by the platform itself; survives a test reset
};

struct GVWindow {
  HWND handle = nullptr;  // what the program holds; refused once the window is gone
  unsigned serial = 0;    // creation number, stable for logs and tests
  GVWindowClass* cls = nullptr;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  GVWindow* parent = nullptr;  // the desktop for top-level windows; null for the desktop
  GVWindow* owner = nullptr;   // top-level windows only
  std::vector<GVWindow*> children;  // z-order, topmost first
  std::string text;
  LONG_PTR id = 0;  // a child's control id
  LONG_PTR userData = 0;

  RECT rect{};         // window rectangle in the parent's client coordinates
  RECT clientInset{};  // widths of the non-client frame on each side
  RECT restoreRect{};  // normal placement while minimised or maximised
  bool restoreMaximized = false;

  // Painting, shared with the GDI side: the part of the client area that needs
  // WM_PAINT (client coordinates) and whether WM_ERASEBKGND is owed first.
  RECT updateRect{};
  bool updatePending = false;
  bool erasePending = false;
  void* surface = nullptr;    // the GDI side's pixels; released on GV_WINDOW_DESTROYED
  void* paintData = nullptr;  // free for the GDI side (own DCs and the like)

  bool destroying = false;
  bool dead = false;
};

struct GVIcon {
  int resourceId = 0;
  bool isCursor = false;
  HINSTANCE instance = nullptr;
};

// What happened to a window, for the compositor and presenter.
enum GVWindowEvent {
  GV_WINDOW_CREATED,
  GV_WINDOW_DESTROYED,  // the record is about to go; drop anything held for it
  GV_WINDOW_MOVED,      // window rectangle or frame changed
  GV_WINDOW_SHOWN,
  GV_WINDOW_HIDDEN,
  GV_WINDOW_ZORDER,
  GV_WINDOW_STYLE,
  GV_WINDOW_INVALIDATED,
  GV_WINDOW_MINIMIZED,
  GV_WINDOW_RESTORED,
  GV_WINDOW_CARET,  // the caret of this window moved, appeared or went
};

struct GVMessageBoxView;

// Hooks filled in by the GDI side; every one may stay null (headless).
struct GVPlatformHooks {
  void (*windowEvent)(HWND hwnd, GVWindowEvent event, void* user) = nullptr;
  void* windowEventUser = nullptr;
  // Reads pending display events (feeding them in through platform/input.h) and
  // presents; may block up to waitMs for new events. Called by every message
  // retrieval with 0, and with a wait when the queue is idle.
  void (*pump)(int waitMs, void* user) = nullptr;
  void* pumpUser = nullptr;
  void (*beep)(UINT type) = nullptr;
  // DefWindowProcA's WM_PAINT and WM_ERASEBKGND.
  void (*defaultPaint)(HWND hwnd) = nullptr;
  BOOL (*eraseBackground)(HWND hwnd, HDC hdc, HBRUSH brush) = nullptr;
  void (*cursorChanged)(HCURSOR cursor) = nullptr;
  void (*cursorWarped)(int x, int y) = nullptr;  // SetCursorPos moved the pointer
  // Paints the built-in message box (BeginPaint/EndPaint included).
  void (*paintMessageBox)(HWND hwnd, const GVMessageBoxView* view) = nullptr;
};
GVPlatformHooks& GVHooks();

// The built-in message box as its painter sees it (client coordinates).
struct GVMessageBoxView {
  const char* text;
  const char* caption;
  UINT type;
  RECT textRect;
  int buttonCount;
  RECT buttons[3];
  const char* labels[3];
  int defaultButton;  // index into buttons
  int pressedButton;  // -1 when none
};

// The live window of a handle, or null (never dereferences a stale handle).
GVWindow* GVWindowFromHandle(HWND hwnd);
// A record's handle; null for null.
inline HWND GVHandleOf(const GVWindow* w) { return w ? w->handle : nullptr; }
// Window and client rectangles in screen coordinates.
bool GVWindowScreenRects(HWND hwnd, RECT* window, RECT* client);
// Visible with every ancestor visible.
bool GVWindowIsShowing(HWND hwnd);
// Every showing window, back to front: a parent before its children, lower
// siblings before higher ones, top-most windows last.
void GVWindowsInPaintOrder(std::vector<HWND>* out);
// The deepest showing, enabled window under a screen point (input routing's rule).
HWND GVWindowAtScreenPoint(POINT screen);

// Update rectangle. rect is in client coordinates; null means the whole client.
// Invalidating a window that is not showing does nothing (it is painted whole when
// shown). children also invalidates the descendants where they overlap.
void GVInvalidateWindow(HWND hwnd, const RECT* rect, bool erase, bool children);
void GVValidateWindow(HWND hwnd, const RECT* rect);
// BeginPaint's half: hands out the update rectangle and the erase flag and clears
// both. Returns false when nothing was pending.
bool GVTakeUpdateRegion(HWND hwnd, RECT* update, bool* erase);
// Sends WM_PAINT now to the window (and, when asked, its descendants) where an
// update is pending.
void GVPaintNow(HWND hwnd, bool children);

// The caret, for the painter.
struct GVCaretInfo {
  HWND owner;        // null when no caret exists
  RECT rect;         // client coordinates of the owner
  bool shown;        // created and not hidden
  HBITMAP bitmap;
  UINT blinkMs;
};
GVCaretInfo GVGetCaretInfo();
HCURSOR GVCurrentCursor();

// Screen geometry (the presenter sets it from the display; default 1920x1080 with
// the work area covering the screen).
void GVSetScreenSize(int width, int height);
void GVSetWorkArea(const RECT& area);
RECT GVScreenRect();
