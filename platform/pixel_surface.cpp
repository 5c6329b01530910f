#include "platform/pixel_surface.h"

#include <algorithm>

void GVSurface::resize(int w, int h, uint32_t fill) {
  width = std::max(w, 0);
  height = std::max(h, 0);
  pixels.assign(static_cast<size_t>(width) * height, fill);
  damageAll();
}

void GVSurface::addDamage(const RECT& r) {
  RECT c = GVRectIntersect(r, RECT{0, 0, width, height});
  damage = GVRectUnion(damage, c);
}

RECT GVRectIntersect(const RECT& a, const RECT& b) {
  RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
  if (GVRectEmpty(r)) return RECT{0, 0, 0, 0};
  return r;
}

RECT GVRectUnion(const RECT& a, const RECT& b) {
  if (GVRectEmpty(a)) return GVRectEmpty(b) ? RECT{0, 0, 0, 0} : b;
  if (GVRectEmpty(b)) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

RECT GVRectOffset(const RECT& r, int dx, int dy) {
  return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
