// Stacks window surfaces into the screen image. Each compose compares the layer
// list with the previous one (layers that appeared, went, moved or changed order)
// and collects what the surfaces report as drawn, so that only changed areas are
// copied again; the presenter then sends just those rectangles to the display.
#pragma once

#include <unordered_map>
#include <vector>

#include "platform/pixel_surface.h"

// Screen areas owed a recompose or a present, kept as a short list of disjoint
// rectangles: an added rectangle is cut around the ones already listed, and two
// are merged only where their bounding box costs no more pixels than they do
// apart. Past a limit the pair whose merge wastes least is merged.
class GVRectList {
 public:
  void add(const RECT& r);
  void clear() { rects_.clear(); }
  bool empty() const { return rects_.empty(); }
  const std::vector<RECT>& rects() const { return rects_; }
  void swap(std::vector<RECT>& other) { rects_.swap(other); }

 private:
  void insert(RECT r);
  void mergeCheapestPair();
  std::vector<RECT> rects_;
};

struct GVLayer {
  const void* key = nullptr;     // identifies the layer from one compose to the next
  GVSurface* surface = nullptr;  // its damage is taken (and cleared) by compose
  POINT origin = {0, 0};         // screen position of the surface's pixel (0, 0)
  RECT clip = {0, 0, 0, 0};      // screen area the layer may show in
};

class GVCompositor {
 public:
  void resize(int width, int height);
  void setBackground(uint32_t pixel);
  // Marks a screen area for recomposing at the next compose.
  void invalidate(const RECT& screenRect);
  void invalidateAll();
  // Layers back to front. Returns the screen rectangles recomposed.
  const std::vector<RECT>& compose(const std::vector<GVLayer>& layers);
  const GVSurface& screen() const { return screen_; }
  GVSurface& screen() { return screen_; }
  // Forgets the previous layer list (after the layers' surfaces were freed).
  void forgetLayers();

 private:
  // A layer as it stood at the last compose.
  struct Placed {
    const void* key;
    GVSurface* surface;
    int width, height;
    POINT origin;
    RECT visible;
    bool seen;  // matched by a layer of the current compose
  };
  struct Span {
    int left, right;
  };
  void addDirty(const RECT& r);
  size_t findPrevious(size_t i, const void* key);
  void composeRect(const RECT& d, const std::vector<GVLayer>& layers);

  GVSurface screen_;
  uint32_t background_ = 0x000000;
  GVRectList dirty_;
  std::vector<RECT> composed_;
  // The layer table of the last compose, kept between composes (with a key
  // index built only when the list changed shape) so that a steady frame
  // allocates nothing; the vectors below are scratch reused by every compose.
  std::vector<Placed> previous_, current_;
  std::unordered_map<const void*, size_t> previousIndex_;
  bool previousIndexed_ = false;
  std::vector<RECT> visible_;
  std::vector<size_t> matchedOrder_, sortedOrder_, hits_;
  std::vector<int> edges_;
  std::vector<Span> covered_, parts_, merged_;
};

// The visible part of a layer: its clip and its surface's extent.
RECT GVLayerVisibleRect(const GVLayer& layer);
