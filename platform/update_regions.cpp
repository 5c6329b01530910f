// Update rectangles: what part of each window owes a WM_PAINT, and the paint
// order the compositor draws in. A window's update area is kept as one bounding
// rectangle in client coordinates; validating part of it shrinks it only when a
// whole band is taken off, which can only over-paint, never miss.
#include <algorithm>

#include "platform/test_api.h"
#include "platform/wm_state.h"

static bool emptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

static RECT clientBox(const GVWindow* w) {
  RECT c = gvClientRect(w);
  return RECT{0, 0, c.right - c.left, c.bottom - c.top};
}

static RECT intersect(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

void gvInvalidate(GVWindow* w, const RECT* rect, bool erase, bool children) {
  if (!gvIsLive(w) || w == gvState().desktop || !gvShowing(w)) return;
  RECT box = clientBox(w);
  RECT r = rect ? intersect(*rect, box) : box;
  if (!emptyRect(r)) {
    if (w->updatePending) {
      w->updateRect = RECT{std::min(w->updateRect.left, r.left), std::min(w->updateRect.top, r.top),
                           std::max(w->updateRect.right, r.right), std::max(w->updateRect.bottom, r.bottom)};
    } else {
      w->updateRect = r;
      w->updatePending = true;
    }
    if (erase) w->erasePending = true;
    gvNotify(w, GV_WINDOW_INVALIDATED);
  }
  if (!children || emptyRect(r)) return;
  for (GVWindow* k : w->children) {
    RECT kc = gvClientRect(k);  // in w's client coordinates
    RECT part = intersect(r, kc);
    if (emptyRect(part)) continue;
    RECT local{part.left - kc.left, part.top - kc.top, part.right - kc.left, part.bottom - kc.top};
    gvInvalidate(k, &local, erase, true);
  }
}

void GVInvalidateWindow(HWND hwnd, const RECT* rect, bool erase, bool children) {
  gvInvalidate(GVWindowFromHandle(hwnd), rect, erase, children);
}

void GVValidateWindow(HWND hwnd, const RECT* rect) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w || !w->updatePending) return;
  RECT& u = w->updateRect;
  if (!rect || (rect->left <= u.left && rect->top <= u.top && rect->right >= u.right && rect->bottom >= u.bottom)) {
    w->updatePending = false;
    w->erasePending = false;
    u = RECT{0, 0, 0, 0};
    return;
  }
  const RECT& v = *rect;
  if (v.left <= u.left && v.right >= u.right) {
    if (v.top <= u.top && v.bottom > u.top) u.top = v.bottom;
    else if (v.bottom >= u.bottom && v.top < u.bottom) u.bottom = v.top;
  } else if (v.top <= u.top && v.bottom >= u.bottom) {
    if (v.left <= u.left && v.right > u.left) u.left = v.right;
    else if (v.right >= u.right && v.left < u.right) u.right = v.left;
  }
  if (emptyRect(u)) {
    w->updatePending = false;
    w->erasePending = false;
  }
}

bool GVTakeUpdateRegion(HWND hwnd, RECT* update, bool* erase) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  bool pending = w && w->updatePending;
  if (update) *update = pending ? w->updateRect : RECT{0, 0, 0, 0};
  if (erase) *erase = pending && w->erasePending;
  if (pending) {
    w->updatePending = false;
    w->erasePending = false;
    w->updateRect = RECT{0, 0, 0, 0};
  }
  return pending;
}

void GVPaintNow(HWND hwnd, bool children) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w) return;
  if (w->updatePending && gvShowing(w)) gvSend(w, WM_PAINT, 0, 0);
  if (!children || !gvIsLive(w)) return;
  std::vector<GVWindow*> kids = w->children;
  for (GVWindow* k : kids)
    if (gvIsLive(k) && k->parent == w) GVPaintNow(k->handle, true);
}

bool GVWindowIsShowing(HWND hwnd) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  return w && gvShowing(w);
}

static void collectBackToFront(GVWindow* w, std::vector<HWND>* out) {
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    GVWindow* k = *it;
    if (!(k->style & WS_VISIBLE)) continue;
    out->push_back(k->handle);
    collectBackToFront(k, out);
  }
}

void GVWindowsInPaintOrder(std::vector<HWND>* out) {
  out->clear();
  collectBackToFront(gvState().desktop, out);
}

// The next window owed a WM_PAINT: top-level windows from the top of the z-order,
// each before its children.
static GVWindow* findPaint(GVWindow* w, GVWindow* filter, bool inside) {
  for (GVWindow* k : w->children) {
    if (!(k->style & WS_VISIBLE)) continue;
    bool in = inside || !filter || k == filter;
    if (in && k->updatePending) return k;
    if (GVWindow* found = findPaint(k, filter, in)) return found;
  }
  return nullptr;
}

GVWindow* gvFindPaintWindow(GVWindow* filter) { return findPaint(gvState().desktop, filter, false); }

bool GVTestUpdateRect(HWND hwnd, RECT* rect) {
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w || !w->updatePending) return false;
  if (rect) *rect = w->updateRect;
  return true;
}
