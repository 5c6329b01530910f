#include "platform/compositor.h"

#include <algorithm>
#include <cstring>

namespace {

const size_t kMaxDirtyRects = 48;

bool contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

RECT GVLayerVisibleRect(const GVLayer& layer) {
  if (!layer.surface) return RECT{0, 0, 0, 0};
  RECT extent = {layer.origin.x, layer.origin.y, layer.origin.x + layer.surface->width,
                 layer.origin.y + layer.surface->height};
  return GVRectIntersect(extent, layer.clip);
}

void GVCompositor::resize(int width, int height) {
  if (width == screen_.width && height == screen_.height) return;
  screen_.resize(width, height, background_);
  invalidateAll();
}

void GVCompositor::setBackground(uint32_t pixel) {
  if (pixel == background_) return;
  background_ = pixel;
  invalidateAll();
}

void GVCompositor::invalidate(const RECT& r) { addDirty(r); }

void GVCompositor::invalidateAll() {
  dirty_.clear();
  addDirty(RECT{0, 0, screen_.width, screen_.height});
}

void GVCompositor::forgetLayers() {
  previous_.clear();
  invalidateAll();
}

// Overlapping rectangles are merged so that no pixel is composed twice; past a
// limit everything collapses into one bounding box, which is cheaper than a
// long list of slivers.
void GVCompositor::addDirty(RECT r) {
  r = GVRectIntersect(r, RECT{0, 0, screen_.width, screen_.height});
  if (GVRectEmpty(r)) return;
  for (;;) {
    bool merged = false;
    for (size_t i = 0; i < dirty_.size(); i++) {
      if (contains(dirty_[i], r)) return;
      if (!GVRectEmpty(GVRectIntersect(dirty_[i], r))) {
        r = GVRectUnion(r, dirty_[i]);
        dirty_[i] = dirty_.back();
        dirty_.pop_back();
        merged = true;
        break;
      }
    }
    if (!merged) break;
  }
  dirty_.push_back(r);
  if (dirty_.size() > kMaxDirtyRects) {
    RECT all = dirty_[0];
    for (const RECT& d : dirty_) all = GVRectUnion(all, d);
    dirty_.assign(1, all);
  }
}

const std::vector<RECT>& GVCompositor::compose(const std::vector<GVLayer>& layers) {
  std::vector<RECT> visible(layers.size());
  std::unordered_map<const void*, Placed> current;
  current.reserve(layers.size());
  // Order among the layers present in both lists: a layer whose rank changed
  // is redrawn where it stands now and where it stood.
  size_t rank = 0;
  std::vector<size_t> previousOrder;
  previousOrder.reserve(layers.size());
  for (size_t i = 0; i < layers.size(); i++) {
    auto it = previous_.find(layers[i].key);
    if (it != previous_.end()) previousOrder.push_back(it->second.order);
  }
  std::vector<size_t> sortedOrder = previousOrder;
  std::sort(sortedOrder.begin(), sortedOrder.end());
  for (size_t i = 0; i < layers.size(); i++) {
    const GVLayer& l = layers[i];
    visible[i] = GVLayerVisibleRect(l);
    Placed p = {l.surface, l.surface ? l.surface->width : 0, l.surface ? l.surface->height : 0,
                l.origin, visible[i], i};
    auto it = previous_.find(l.key);
    if (it == previous_.end()) {
      addDirty(visible[i]);
    } else {
      const Placed& old = it->second;
      bool moved = old.surface != p.surface || old.width != p.width || old.height != p.height ||
                   old.origin.x != p.origin.x || old.origin.y != p.origin.y ||
                   !sameRect(old.visible, p.visible);
      bool reordered = sortedOrder[rank] != old.order;
      rank++;
      if (moved || reordered) {
        addDirty(old.visible);
        addDirty(visible[i]);
      } else if (l.surface && l.surface->hasDamage()) {
        addDirty(GVRectIntersect(GVRectOffset(l.surface->damage, l.origin.x, l.origin.y), visible[i]));
      }
      previous_.erase(it);
    }
    if (l.surface) l.surface->clearDamage();
    current.emplace(l.key, p);
  }
  for (const auto& gone : previous_) addDirty(gone.second.visible);
  previous_.swap(current);

  composed_.swap(dirty_);
  dirty_.clear();
  for (const RECT& d : composed_) composeRect(d, layers, visible);
  return composed_;
}

// Each pixel of the rectangle is written once: the rectangle is cut into bands
// between the layers' top and bottom edges; within a band the layers are walked
// from the top and each gets only the part of its span that no higher layer
// took; the background fills what is left.
void GVCompositor::composeRect(const RECT& d, const std::vector<GVLayer>& layers,
                               const std::vector<RECT>& visible) {
  std::vector<size_t> hits;
  std::vector<int> edges = {static_cast<int>(d.top), static_cast<int>(d.bottom)};
  for (size_t i = layers.size(); i-- > 0;) {
    RECT r = GVRectIntersect(d, visible[i]);
    if (GVRectEmpty(r)) continue;
    hits.push_back(i);
    edges.push_back(r.top);
    edges.push_back(r.bottom);
    if (contains(visible[i], d)) break;  // nothing below it can show
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  struct Span {
    int left, right;
  };
  std::vector<Span> covered, parts;
  for (size_t b = 0; b + 1 < edges.size(); b++) {
    int y0 = edges[b], y1 = edges[b + 1];
    covered.clear();
    for (size_t i : hits) {
      const RECT& v = visible[i];
      if (v.top > y0 || v.bottom < y1) continue;
      int l = std::max<int>(v.left, d.left), r = std::min<int>(v.right, d.right);
      if (l >= r) continue;
      // The parts of [l, r) that no higher layer covers.
      parts.clear();
      int x = l;
      for (const Span& c : covered) {
        if (c.right <= x) continue;
        if (c.left >= r) break;
        if (c.left > x) parts.push_back(Span{x, c.left});
        x = std::max(x, c.right);
        if (x >= r) break;
      }
      if (x < r) parts.push_back(Span{x, r});
      const GVSurface& s = *layers[i].surface;
      for (const Span& p : parts) {
        size_t bytes = static_cast<size_t>(p.right - p.left) * sizeof(uint32_t);
        int sx = p.left - layers[i].origin.x;
        for (int y = y0; y < y1; y++)
          std::memcpy(screen_.row(y) + p.left, s.row(y - layers[i].origin.y) + sx, bytes);
      }
      // Merge [l, r) into the covered list, keeping it sorted and disjoint.
      Span n = {l, r};
      std::vector<Span> merged;
      merged.reserve(covered.size() + 1);
      bool placed = false;
      for (const Span& c : covered) {
        if (c.right < n.left) {
          merged.push_back(c);
        } else if (c.left > n.right) {
          if (!placed) merged.push_back(n), placed = true;
          merged.push_back(c);
        } else {
          n.left = std::min(n.left, c.left);
          n.right = std::max(n.right, c.right);
        }
      }
      if (!placed) merged.push_back(n);
      covered.swap(merged);
      if (covered.size() == 1 && covered[0].left <= d.left && covered[0].right >= d.right) break;
    }
    int x = d.left;
    for (const Span& c : covered) {
      if (c.left > x)
        for (int y = y0; y < y1; y++) std::fill(screen_.row(y) + x, screen_.row(y) + c.left, background_);
      x = std::max(x, c.right);
    }
    if (x < d.right)
      for (int y = y0; y < y1; y++) std::fill(screen_.row(y) + x, screen_.row(y) + d.right, background_);
  }
}
