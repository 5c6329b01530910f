// The in-process window manager: registered classes, window records in a tree
// under one desktop window, creation and destruction with the messages a Win32
// program sees, window words and texts, and the tree queries. Placement, focus,
// painting state, the queue and input routing live in their own files; all share
// the state of wm_state.h.
//
// Handles index a table of live records with a generation (handle_table.h). A
// destroyed record leaves the table at once (so its handle is refused, even once
// a new window takes the slot) and is freed only when no window procedure is
// running, so code still unwinding through it stays safe.
#include <algorithm>
#include <cstring>
#include <strings.h>

#include "platform/kernel32.h"
#include "platform/wm_state.h"

static LRESULT CALLBACK desktopProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

GVWMState& gvState() {
  static GVWMState* state = nullptr;
  if (!state) {
    state = new GVWMState();
    static GVWindowClass desktopClass;
    desktopClass.name = "#32769";
    desktopClass.proc = desktopProc;
    desktopClass.internal = true;
    GVWindow* d = new GVWindow();
    d->cls = &desktopClass;
    d->proc = desktopProc;
    d->style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
    d->rect = state->screen;
    state->desktop = d;
    d->handle = reinterpret_cast<HWND>(state->handles.add(d));
  }
  return *state;
}

GVPlatformHooks& GVHooks() {
  static GVPlatformHooks hooks;
  return hooks;
}

LRESULT gvSend(GVWindow* w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!gvIsLive(w)) return 0;
  GVWMState& s = gvState();
  WNDPROC proc = w->proc;
  ++s.procDepth;
  LRESULT r = proc ? proc(w->handle, message, wParam, lParam) : DefWindowProcA(w->handle, message, wParam, lParam);
  --s.procDepth;
  return r;
}

GVWindow* gvCheckHandle(HWND hwnd) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

GVWindow* GVWindowFromHandle(HWND hwnd) {
  return gvState().handles.find(reinterpret_cast<uintptr_t>(hwnd));
}

bool gvIsTopLevel(const GVWindow* w) { return w && w->parent == gvState().desktop; }

GVWindow* gvRoot(GVWindow* w) {
  GVWMState& s = gvState();
  if (!w || w == s.desktop) return w;
  while (w->parent && w->parent != s.desktop) w = w->parent;
  return w;
}

bool gvIsDescendant(const GVWindow* ancestor, const GVWindow* w) {
  if (!ancestor || !w) return false;
  for (const GVWindow* p = w->parent; p; p = p->parent)
    if (p == ancestor) return true;
  return false;
}

void gvNotify(GVWindow* w, GVWindowEvent event) {
  GVPlatformHooks& h = GVHooks();
  if (h.windowEvent) h.windowEvent(w->handle, event, h.windowEventUser);
}

void gvFlushGraveyard() {
  GVWMState& s = gvState();
  if (s.procDepth > 0) return;
  for (GVWindow* w : s.graveyard) delete w;
  s.graveyard.clear();
}

// ---- Classes ------------------------------------------------------------------------

static GVWindowClass* findClass(LPCSTR name, HINSTANCE instance, bool exactInstance) {
  GVWMState& s = gvState();
  if (!name) return nullptr;
  GVWindowClass* any = nullptr;
  for (auto& c : s.classes) {
    bool match = IS_INTRESOURCE(name) ? c->atom == (ATOM)(ULONG_PTR)name : strcasecmp(c->name.c_str(), name) == 0;
    if (!match) continue;
    if (c->instance == instance) return c.get();
    if (!any) any = c.get();
  }
  return exactInstance ? nullptr : any;
}

static ATOM registerClass(const WNDCLASSEXA& wc) {
  GVWMState& s = gvState();
  if (!wc.lpszClassName || (!IS_INTRESOURCE(wc.lpszClassName) && !wc.lpszClassName[0]) ||
      IS_INTRESOURCE(wc.lpszClassName)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (findClass(wc.lpszClassName, wc.hInstance, true)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_unique<GVWindowClass>();
  c->name = wc.lpszClassName;
  c->atom = s.nextAtom++;
  c->style = wc.style;
  c->proc = wc.lpfnWndProc;
  c->instance = wc.hInstance;
  c->icon = wc.hIcon;
  c->iconSmall = wc.hIconSm;
  c->cursor = wc.hCursor;
  c->background = wc.hbrBackground;
  if (wc.lpszMenuName && !IS_INTRESOURCE(wc.lpszMenuName)) c->menuName = wc.lpszMenuName;
  ATOM atom = c->atom;
  s.classes.push_back(std::move(c));
  return atom;
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return registerClass(*wc);
}

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXA ex{};
  ex.cbSize = sizeof ex;
  ex.style = wc->style;
  ex.lpfnWndProc = wc->lpfnWndProc;
  ex.hInstance = wc->hInstance;
  ex.hIcon = wc->hIcon;
  ex.hCursor = wc->hCursor;
  ex.hbrBackground = wc->hbrBackground;
  ex.lpszMenuName = wc->lpszMenuName;
  ex.lpszClassName = wc->lpszClassName;
  return registerClass(ex);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
  GVWMState& s = gvState();
  GVWindowClass* c = findClass(className, instance, true);
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (c->windowCount > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  s.classes.erase(std::remove_if(s.classes.begin(), s.classes.end(),
                                 [c](const std::unique_ptr<GVWindowClass>& p) { return p.get() == c; }),
                  s.classes.end());
  return TRUE;
}

BOOL GetClassInfoExA(HINSTANCE instance, LPCSTR className, WNDCLASSEXA* out) {
  GVWindowClass* c = findClass(className, instance, false);
  if (!c || !out) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  out->style = c->style;
  out->lpfnWndProc = c->proc;
  out->cbClsExtra = 0;
  out->cbWndExtra = 0;
  out->hInstance = c->instance;
  out->hIcon = c->icon;
  out->hCursor = c->cursor;
  out->hbrBackground = c->background;
  out->lpszMenuName = c->menuName.empty() ? nullptr : c->menuName.c_str();
  out->lpszClassName = c->name.c_str();
  out->hIconSm = c->iconSmall;
  return c->atom ? c->atom : TRUE;
}

ULONG_PTR GetClassLongA(HWND hwnd, int index) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return 0;
  GVWindowClass* c = w->cls;
  switch (index) {
    case GCL_HBRBACKGROUND: return (ULONG_PTR)c->background;
    case GCL_HCURSOR: return (ULONG_PTR)c->cursor;
    case GCL_HICON: return (ULONG_PTR)c->icon;
    case GCL_WNDPROC: return (ULONG_PTR)c->proc;
    case GCL_STYLE: return c->style;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
}

ULONG_PTR SetClassLongA(HWND hwnd, int index, LONG_PTR value) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return 0;
  GVWindowClass* c = w->cls;
  ULONG_PTR old = 0;
  switch (index) {
    case GCL_HBRBACKGROUND: old = (ULONG_PTR)c->background; c->background = (HBRUSH)value; break;
    case GCL_HCURSOR: old = (ULONG_PTR)c->cursor; c->cursor = (HCURSOR)value; break;
    case GCL_HICON: old = (ULONG_PTR)c->icon; c->icon = (HICON)value; break;
    case GCL_WNDPROC: old = (ULONG_PTR)c->proc; c->proc = (WNDPROC)value; break;
    case GCL_STYLE: old = c->style; c->style = (UINT)value; break;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
  return old;
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int size) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  int n = (int)std::min<size_t>(w->cls->name.size(), (size_t)size - 1);
  memcpy(buffer, w->cls->name.data(), n);
  buffer[n] = 0;
  return n;
}

// ---- Z-order among siblings -----------------------------------------------------------

static bool isTopmost(const GVWindow* w) { return gvIsTopLevel(w) && (w->exStyle & WS_EX_TOPMOST); }

// Index at which a window goes when it is raised to the top of its band: top-most
// windows above all others.
static size_t bandTop(const GVWindow* parent, const GVWindow* w) {
  if (!isTopmost(w) && gvIsTopLevel(w)) {
    size_t i = 0;
    while (i < parent->children.size() && isTopmost(parent->children[i])) ++i;
    return i;
  }
  return 0;
}

static size_t bandBottom(const GVWindow* parent, const GVWindow* w) {
  if (isTopmost(w)) {
    size_t i = 0;
    while (i < parent->children.size() && isTopmost(parent->children[i])) ++i;
    return i;
  }
  return parent->children.size();
}

static void unlinkChild(GVWindow* w) {
  auto& v = w->parent->children;
  v.erase(std::remove(v.begin(), v.end(), w), v.end());
}

// Owned top-level windows stay above their owners within a band.
static void keepOwnedAboveOwners() {
  GVWindow* d = gvState().desktop;
  auto& v = d->children;
  for (int pass = 0; pass < 8; ++pass) {
    bool moved = false;
    for (size_t i = 0; i < v.size(); ++i) {
      GVWindow* o = v[i];
      if (!o->owner || isTopmost(o) != isTopmost(o->owner)) continue;
      size_t ownerAt = std::find(v.begin(), v.end(), o->owner) - v.begin();
      if (ownerAt < v.size() && ownerAt < i) {
        v.erase(v.begin() + i);
        v.insert(v.begin() + ownerAt, o);
        moved = true;
      }
    }
    if (!moved) break;
  }
}

// Moves w to the place that SetWindowPos's insert-after argument names. Returns
// whether the order changed.
bool gvReorder(GVWindow* w, HWND after) {
  GVWindow* parent = w->parent;
  auto& v = parent->children;
  std::vector<GVWindow*> before = v;
  if (gvIsTopLevel(w)) {
    if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (after == HWND_NOTOPMOST || after == HWND_BOTTOM) w->exStyle &= ~WS_EX_TOPMOST;
  }
  unlinkChild(w);
  size_t at;
  if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
    at = bandTop(parent, w);
  } else if (after == HWND_BOTTOM) {
    at = bandBottom(parent, w);
  } else {
    auto it = std::find(v.begin(), v.end(), GVWindowFromHandle(after));
    at = it == v.end() ? bandTop(parent, w) : (size_t)(it - v.begin()) + 1;
    at = std::max(at, bandTop(parent, w));
    at = std::min(at, bandBottom(parent, w));
  }
  v.insert(v.begin() + std::min(at, v.size()), w);
  if (gvIsTopLevel(w)) keepOwnedAboveOwners();
  return v != before;
}

bool gvAtTopOfBand(const GVWindow* w) {
  const auto& v = w->parent->children;
  size_t at = bandTop(w->parent, w);
  return at < v.size() && v[at] == w;
}

// ---- Creation ------------------------------------------------------------------------

static void parentNotify(GVWindow* child, WPARAM wParam, LPARAM lParam) {
  GVWindow* w = child;
  while (gvIsLive(w) && (w->style & WS_CHILD) && !(w->exStyle & WS_EX_NOPARENTNOTIFY) && w->parent) {
    w = w->parent;
    gvSend(w, WM_PARENTNOTIFY, wParam, lParam);
  }
}

void gvParentNotifyClick(GVWindow* child, UINT message, POINT screen) {
  GVWindow* w = child;
  while (gvIsLive(w) && (w->style & WS_CHILD) && !(w->exStyle & WS_EX_NOPARENTNOTIFY) && w->parent) {
    w = w->parent;
    POINT o = gvClientOrigin(w);
    gvSend(w, WM_PARENTNOTIFY, MAKEWPARAM(message, 0), MAKELPARAM(screen.x - o.x, screen.y - o.y));
  }
}

static void releaseRecord(GVWindow* w);

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parentHandle, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  GVWMState& s = gvState();
  GVWindowClass* cls = findClass(className, instance, false);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  GVWindow* parent = s.desktop;
  GVWindow* owner = nullptr;
  if (style & WS_CHILD) {
    if (!parentHandle) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    if (!(parent = gvCheckHandle(parentHandle))) return nullptr;
    exStyle &= ~WS_EX_TOPMOST;
  } else if (parentHandle) {
    GVWindow* o = gvCheckHandle(parentHandle);
    if (!o) return nullptr;
    owner = o == s.desktop ? nullptr : gvRoot(o);
  }
  // An overlapped window always has a caption and clips its siblings.
  if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CLIPSIBLINGS | WS_CAPTION;
  if (x == CW_USEDEFAULT) x = y = (style & WS_CHILD) ? 0 : 32;
  if (width == CW_USEDEFAULT) {
    width = (style & WS_CHILD) ? 0 : (s.workArea.right - s.workArea.left) * 3 / 4;
    height = (style & WS_CHILD) ? 0 : (s.workArea.bottom - s.workArea.top) * 3 / 4;
  }
  width = std::max(width, 0);
  height = std::max(height, 0);

  GVWindow* w = new GVWindow();
  w->serial = s.nextSerial++;
  w->cls = cls;
  w->proc = cls->proc;
  w->instance = instance;
  w->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  w->exStyle = exStyle;
  w->parent = parent;
  w->owner = owner;
  if (style & WS_CHILD) w->id = (LONG_PTR)menu;
  w->rect = RECT{x, y, x + width, y + height};
  w->clientInset = gvFrameInsets(w->style, exStyle, false);
  w->handle = reinterpret_cast<HWND>(s.handles.add(w));
  if (!w->handle) {
    delete w;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  ++cls->windowCount;
  if (style & WS_CHILD) {
    parent->children.push_back(w);  // children join below their siblings
  } else {
    parent->children.insert(parent->children.begin() + bandTop(parent, w), w);
    keepOwnedAboveOwners();
  }
  gvNotify(w, GV_WINDOW_CREATED);

  if (!(style & WS_CHILD) && (style & (WS_THICKFRAME | WS_CAPTION))) {
    MINMAXINFO mmi{};
    RECT f = gvFrameInsets(w->style, exStyle, false);
    mmi.ptMaxSize = POINT{s.workArea.right - s.workArea.left + f.left + f.right,
                          s.workArea.bottom - s.workArea.top + f.top + f.bottom};
    mmi.ptMaxPosition = POINT{-f.left, -f.top};
    mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mmi.ptMaxTrackSize = POINT{s.screen.right + f.left + f.right, s.screen.bottom + f.top + f.bottom};
    gvSend(w, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
  }

  CREATESTRUCTA cs{param, instance, menu, parentHandle, height, width, y, x, (LONG)style,
                   windowName, className, exStyle};
  if (gvIsLive(w) && !gvSend(w, WM_NCCREATE, 0, (LPARAM)&cs)) {
    gvSend(w, WM_NCDESTROY, 0, 0);
    if (gvIsLive(w)) releaseRecord(w);
    return nullptr;
  }
  if (!gvIsLive(w)) return nullptr;
  RECT r = w->rect;
  gvSend(w, WM_NCCALCSIZE, FALSE, (LPARAM)&r);
  if (!gvIsLive(w)) return nullptr;
  w->clientInset = RECT{std::max<LONG>(0, r.left - w->rect.left), std::max<LONG>(0, r.top - w->rect.top),
                        std::max<LONG>(0, w->rect.right - r.right), std::max<LONG>(0, w->rect.bottom - r.bottom)};
  if (gvSend(w, WM_CREATE, 0, (LPARAM)&cs) == -1) {
    if (gvIsLive(w)) DestroyWindow(w->handle);
    return nullptr;
  }
  if (!gvIsLive(w)) return nullptr;
  RECT c = gvClientRect(w);
  gvSend(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right - c.left, c.bottom - c.top));
  gvSend(w, WM_MOVE, 0, MAKELPARAM(c.left, c.top));
  if (!gvIsLive(w)) return nullptr;
  if (style & WS_MINIMIZE) gvShowMinMax(w, (style & WS_VISIBLE) ? SW_SHOWMINIMIZED : SW_MINIMIZE);
  else if (style & WS_MAXIMIZE) gvShowMinMax(w, SW_SHOWMAXIMIZED);
  else if (style & WS_VISIBLE) ShowWindow(w->handle, SW_SHOW);
  if (!gvIsLive(w)) return nullptr;
  if (style & WS_CHILD) parentNotify(w, MAKEWPARAM(WM_CREATE, (WORD)w->id), (LPARAM)w->handle);
  return gvIsLive(w) ? w->handle : nullptr;
}

// ---- Destruction -----------------------------------------------------------------------

static void releaseRecord(GVWindow* w) {
  GVWMState& s = gvState();
  gvNotify(w, GV_WINDOW_DESTROYED);
  if (w->parent) unlinkChild(w);
  for (GVWindow* c : w->children) c->parent = nullptr;  // already released
  s.handles.remove(reinterpret_cast<uintptr_t>(w->handle));
  --w->cls->windowCount;
  gvPurgeWindow(w);
  gvCaretWindowGone(w);
  if (s.focus == w) s.focus = nullptr;
  if (s.active == w) s.active = nullptr;
  if (s.capture == w) s.capture = nullptr;
  if (s.lastClick.window == w) s.lastClick = GVClickState();
  if (s.track.window == w) s.track = GVTrackState();
  if (s.sizing.window == w) s.sizing = GVSizingState();
  for (GVWindow* t : s.desktop->children)
    if (t->owner == w) t->owner = nullptr;
  w->dead = true;
  s.graveyard.push_back(w);
}

// WM_DESTROY reaches a window and then its descendants (each still whole while it
// handles it); WM_NCDESTROY follows once they are gone, children before parents.
static void sendDestroy(GVWindow* w) {
  gvSend(w, WM_DESTROY, 0, 0);
  std::vector<GVWindow*> kids = w->children;
  for (GVWindow* k : kids)
    if (gvIsLive(k) && k->parent == w) sendDestroy(k);
}

static void freeTree(GVWindow* w) {
  std::vector<GVWindow*> kids = w->children;
  for (GVWindow* k : kids)
    if (gvIsLive(k) && k->parent == w) freeTree(k);
  gvSend(w, WM_NCDESTROY, 0, 0);
  if (gvIsLive(w)) releaseRecord(w);
}

static void destroyTree(GVWindow* w) {
  sendDestroy(w);
  freeTree(w);
}

static void markDestroying(GVWindow* w) {
  w->destroying = true;
  for (GVWindow* c : w->children) markDestroying(c);
}

BOOL DestroyWindow(HWND hwnd) {
  GVWMState& s = gvState();
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || w == s.desktop || w->destroying) return FALSE;
  // Owned windows go first.
  if (gvIsTopLevel(w)) {
    std::vector<GVWindow*> owned;
    for (GVWindow* t : s.desktop->children)
      if (t->owner == w) owned.push_back(t);
    for (GVWindow* o : owned)
      if (gvIsLive(o) && !o->destroying) DestroyWindow(o->handle);
    if (!gvIsLive(w) || w->destroying) return TRUE;
  }
  if (w->style & WS_CHILD) {
    parentNotify(w, MAKEWPARAM(WM_DESTROY, (WORD)w->id), (LPARAM)w->handle);
    if (!gvIsLive(w) || w->destroying) return TRUE;
  }
  if (w->style & WS_VISIBLE) {
    gvSetWindowPos(w, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!gvIsLive(w) || w->destroying) return TRUE;
  }
  if (s.active == w) gvActivateOther(w);
  if (!gvIsLive(w) || w->destroying) return TRUE;
  markDestroying(w);
  if (s.capture == w || gvIsDescendant(w, s.capture)) gvSetCapture(nullptr);
  if (s.focus == w || gvIsDescendant(w, s.focus)) gvSetFocus(nullptr);
  destroyTree(w);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return GVWindowFromHandle(hwnd) ? TRUE : FALSE; }

BOOL IsChild(HWND parent, HWND hwnd) {
  GVWindow* p = GVWindowFromHandle(parent);
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!p || !w) return FALSE;
  for (GVWindow* a = w; a && (a->style & WS_CHILD); a = a->parent)
    if (a->parent == p) return TRUE;
  return FALSE;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  GVWMState& s = gvState();
  ++s.procDepth;
  LRESULT r = proc(hwnd, message, wParam, lParam);
  --s.procDepth;
  return r;
}

// ---- Window words and text ------------------------------------------------------------

LONG_PTR GetWindowLongA(HWND hwnd, int index) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_USERDATA: return w->userData;
    case GWL_STYLE: return (LONG_PTR)(LONG)w->style;
    case GWL_EXSTYLE: return (LONG_PTR)(LONG)w->exStyle;
    case GWL_ID: return w->id;
    case GWL_WNDPROC: return (LONG_PTR)w->proc;
    case GWL_HINSTANCE: return (LONG_PTR)w->instance;
    case GWL_HWNDPARENT:
      return (LONG_PTR)GVHandleOf((w->style & WS_CHILD) ? w->parent : w->owner);
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
}

LONG_PTR SetWindowLongA(HWND hwnd, int index, LONG_PTR value) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  switch (index) {
    case GWL_USERDATA: old = w->userData; w->userData = value; return old;
    case GWL_ID: old = w->id; w->id = value; return old;
    case GWL_WNDPROC: old = (LONG_PTR)w->proc; w->proc = (WNDPROC)value; return old;
    case GWL_HINSTANCE: old = (LONG_PTR)w->instance; w->instance = (HINSTANCE)value; return old;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      // WM_STYLECHANGING and WM_STYLECHANGED arrive before this call returns; the
      // frame follows a changed style at the next SWP_FRAMECHANGED or resize.
      DWORD& field = index == GWL_STYLE ? w->style : w->exStyle;
      STYLESTRUCT ss{field, (DWORD)value};
      old = (LONG_PTR)(LONG)field;
      gvSend(w, WM_STYLECHANGING, (WPARAM)(LONG)index, (LPARAM)&ss);
      if (!gvIsLive(w)) return old;
      DWORD previous = field;
      DWORD next = ss.styleNew;
      if (index == GWL_STYLE) {
        // Visibility and the child/popup kind are not changed by a style word.
        next = (next & ~(WS_VISIBLE | WS_CHILD)) | (previous & (WS_VISIBLE | WS_CHILD));
      } else {
        next = (next & ~WS_EX_TOPMOST) | (previous & WS_EX_TOPMOST);
      }
      field = next;
      ss.styleOld = previous;
      ss.styleNew = next;
      gvNotify(w, GV_WINDOW_STYLE);
      gvSend(w, WM_STYLECHANGED, (WPARAM)(LONG)index, (LPARAM)&ss);
      return old;
    }
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return FALSE;
  return gvSend(w, WM_SETTEXT, 0, (LPARAM)(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  return (int)gvSend(w, WM_GETTEXT, (WPARAM)size, (LPARAM)buffer);
}

int GetWindowTextLengthA(HWND hwnd) {
  GVWindow* w = gvCheckHandle(hwnd);
  return w ? (int)gvSend(w, WM_GETTEXTLENGTH, 0, 0) : 0;
}

int GetDlgCtrlID(HWND hwnd) {
  GVWindow* w = gvCheckHandle(hwnd);
  return w && (w->style & WS_CHILD) ? (int)w->id : 0;
}

// ---- Tree queries ------------------------------------------------------------------------

HWND GetDesktopWindow(void) { return gvState().desktop->handle; }

HWND GetParent(HWND hwnd) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return nullptr;
  if (w->style & WS_CHILD) return GVHandleOf(w->parent);
  return (w->style & WS_POPUP) ? GVHandleOf(w->owner) : nullptr;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  GVWMState& s = gvState();
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w || w == s.desktop) return nullptr;
  switch (flags) {
    case GA_PARENT: return GVHandleOf(w->parent);
    case GA_ROOT: return GVHandleOf(gvRoot(w));
    case GA_ROOTOWNER: {
      GVWindow* r = gvRoot(w);
      while (r->owner) r = r->owner;
      return GVHandleOf(r);
    }
    default: return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT command) {
  GVWindow* w = gvCheckHandle(hwnd);
  if (!w) return nullptr;
  if (command == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
  if (command == GW_OWNER) return GVHandleOf(w->owner);
  if (!w->parent) return nullptr;
  const auto& v = w->parent->children;
  size_t i = std::find(v.begin(), v.end(), w) - v.begin();
  switch (command) {
    case GW_HWNDFIRST: return v.front()->handle;
    case GW_HWNDLAST: return v.back()->handle;
    case GW_HWNDNEXT: return i + 1 < v.size() ? v[i + 1]->handle : nullptr;
    case GW_HWNDPREV: return i > 0 ? v[i - 1]->handle : nullptr;
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  GVWindow* w = hwnd ? gvCheckHandle(hwnd) : gvState().desktop;
  return w && !w->children.empty() ? w->children.front()->handle : nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  for (GVWindow* w : gvState().desktop->children) {
    if (className && (IS_INTRESOURCE(className) ? w->cls->atom != (ATOM)(ULONG_PTR)className
                                                : strcasecmp(w->cls->name.c_str(), className) != 0))
      continue;
    if (windowName && w->text != windowName) continue;
    return GVHandleOf(w);
  }
  return nullptr;
}

// ---- Test reset ----------------------------------------------------------------------------

void gvResetWindows() {
  GVWMState& s = gvState();
  std::vector<GVWindow*> tops = s.desktop->children;
  for (GVWindow* w : tops)
    if (gvIsLive(w)) DestroyWindow(w->handle);
  s.classes.erase(std::remove_if(s.classes.begin(), s.classes.end(),
                                 [](const std::unique_ptr<GVWindowClass>& c) { return !c->internal; }),
                  s.classes.end());
  s.focus = s.active = s.capture = nullptr;
  s.procDepth = 0;
  gvFlushGraveyard();
  s.nextSerial = 1;
}
