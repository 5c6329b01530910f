#include "platform/compositor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// More rectangles than this cost more in per-rectangle work (and X requests)
// than the few pixels a merge wastes.
const size_t kMaxRects = 64;

bool contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

long long area(const RECT& r) {
  return GVRectEmpty(r) ? 0 : static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
}

}  // namespace

void GVRectList::add(const RECT& r) {
  if (GVRectEmpty(r)) return;
  insert(r);
  while (rects_.size() > kMaxRects) mergeCheapestPair();
}

void GVRectList::insert(RECT r) {
  for (size_t i = 0; i < rects_.size(); i++) {
    const RECT d = rects_[i];
    if (contains(d, r)) return;
    long long overlap = area(GVRectIntersect(d, r));
    RECT box = GVRectUnion(d, r);
    if (area(box) <= area(d) + area(r) - overlap) {
      // The two fill their bounding box exactly: one rectangle serves both.
      rects_[i] = rects_.back();
      rects_.pop_back();
      insert(box);
      return;
    }
    if (overlap == 0) continue;
    // What of r lies outside d: bands above and below, pieces left and right.
    RECT pieces[4];
    int n = 0;
    LONG top = std::max(r.top, d.top), bottom = std::min(r.bottom, d.bottom);
    if (r.top < d.top) pieces[n++] = RECT{r.left, r.top, r.right, d.top};
    if (r.bottom > d.bottom) pieces[n++] = RECT{r.left, d.bottom, r.right, r.bottom};
    if (r.left < d.left) pieces[n++] = RECT{r.left, top, d.left, bottom};
    if (r.right > d.right) pieces[n++] = RECT{d.right, top, r.right, bottom};
    for (int k = 0; k < n; k++) insert(pieces[k]);
    return;
  }
  rects_.push_back(r);
}

// Merges the pair whose bounding box adds the fewest pixels, then lets that box
// absorb whatever it overlaps, so the list shrinks and stays disjoint.
void GVRectList::mergeCheapestPair() {
  size_t a = 0, b = 1;
  long long best = -1;
  for (size_t i = 0; i < rects_.size(); i++)
    for (size_t j = i + 1; j < rects_.size(); j++) {
      long long waste = area(GVRectUnion(rects_[i], rects_[j])) - area(rects_[i]) - area(rects_[j]);
      if (best < 0 || waste < best) best = waste, a = i, b = j;
    }
  RECT box = GVRectUnion(rects_[a], rects_[b]);
  rects_[b] = rects_.back();
  rects_.pop_back();
  rects_[a] = rects_.back();
  rects_.pop_back();
  for (bool grew = true; grew;) {
    grew = false;
    for (size_t i = 0; i < rects_.size(); i++) {
      if (GVRectEmpty(GVRectIntersect(rects_[i], box))) continue;
      box = GVRectUnion(box, rects_[i]);
      rects_[i] = rects_.back();
      rects_.pop_back();
      grew = true;
      break;
    }
  }
  rects_.push_back(box);
}

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
  previousIndexed_ = false;
  invalidateAll();
}

void GVCompositor::addDirty(const RECT& r) {
  dirty_.add(GVRectIntersect(r, RECT{0, 0, screen_.width, screen_.height}));
}

size_t GVCompositor::findPrevious(size_t i, const void* key) {
  // Usually the list is the one of the last compose, in the same order.
  if (i < previous_.size() && previous_[i].key == key) return i;
  if (!previousIndexed_) {
    previousIndex_.clear();
    for (size_t j = 0; j < previous_.size(); j++) previousIndex_.emplace(previous_[j].key, j);
    previousIndexed_ = true;
  }
  auto it = previousIndex_.find(key);
  return it == previousIndex_.end() ? SIZE_MAX : it->second;
}

const std::vector<RECT>& GVCompositor::compose(const std::vector<GVLayer>& layers) {
  size_t n = layers.size();
  visible_.resize(n);
  hits_.resize(n);  // here: each layer's index in the previous table
  matchedOrder_.clear();
  for (Placed& p : previous_) p.seen = false;
  for (size_t i = 0; i < n; i++) {
    hits_[i] = findPrevious(i, layers[i].key);
    if (hits_[i] != SIZE_MAX) matchedOrder_.push_back(hits_[i]);
  }
  // Order among the layers present in both lists: a layer whose rank changed
  // is redrawn where it stands now and where it stood.
  sortedOrder_.assign(matchedOrder_.begin(), matchedOrder_.end());
  if (!std::is_sorted(sortedOrder_.begin(), sortedOrder_.end()))
    std::sort(sortedOrder_.begin(), sortedOrder_.end());
  current_.clear();
  size_t rank = 0;
  for (size_t i = 0; i < n; i++) {
    const GVLayer& l = layers[i];
    visible_[i] = GVLayerVisibleRect(l);
    Placed p = {l.key, l.surface, l.surface ? l.surface->width : 0, l.surface ? l.surface->height : 0,
                l.origin, visible_[i], false};
    size_t j = hits_[i];
    if (j == SIZE_MAX) {
      addDirty(visible_[i]);
    } else {
      Placed& old = previous_[j];
      old.seen = true;
      bool moved = old.surface != p.surface || old.width != p.width || old.height != p.height ||
                   old.origin.x != p.origin.x || old.origin.y != p.origin.y ||
                   !sameRect(old.visible, p.visible);
      bool reordered = sortedOrder_[rank++] != j;
      if (moved || reordered) {
        addDirty(old.visible);
        addDirty(visible_[i]);
      } else if (l.surface && l.surface->hasDamage()) {
        addDirty(GVRectIntersect(GVRectOffset(l.surface->damage, l.origin.x, l.origin.y), visible_[i]));
      }
    }
    if (l.surface) l.surface->clearDamage();
    current_.push_back(p);
  }
  for (const Placed& gone : previous_)
    if (!gone.seen) addDirty(gone.visible);
  previous_.swap(current_);
  previousIndexed_ = false;

  composed_.clear();
  dirty_.swap(composed_);
  for (const RECT& d : composed_) composeRect(d, layers);
  return composed_;
}

// Each pixel of the rectangle is written once: the rectangle is cut into bands
// between the layers' top and bottom edges; within a band the layers are walked
// from the top and each gets only the part of its span that no higher layer
// took; the background fills what is left.
void GVCompositor::composeRect(const RECT& d, const std::vector<GVLayer>& layers) {
  const std::vector<RECT>& visible = visible_;
  std::vector<size_t>& hits = hits_;
  std::vector<int>& edges = edges_;
  std::vector<Span>& covered = covered_;
  std::vector<Span>& parts = parts_;
  hits.clear();
  edges.assign({static_cast<int>(d.top), static_cast<int>(d.bottom)});
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
      std::vector<Span>& merged = merged_;
      merged.clear();
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
