// Stacks window surfaces into the screen image. Each compose compares the layer
// list with the previous one (layers that appeared, went, moved or changed order)
// and collects what the surfaces report as drawn, so that only changed areas are
// copied again; the presenter then sends just those rectangles to the display.
#pragma once

#include <unordered_map>
#include <vector>

#include "platform/pixel_surface.h"

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
  struct Placed {
    GVSurface* surface;
    int width, height;
    POINT origin;
    RECT visible;
    size_t order;
  };
  void addDirty(RECT r);
  void composeRect(const RECT& d, const std::vector<GVLayer>& layers,
                   const std::vector<RECT>& visible);

  GVSurface screen_;
  uint32_t background_ = 0x000000;
  std::vector<RECT> dirty_;
  std::vector<RECT> composed_;
  std::unordered_map<const void*, Placed> previous_;
};

// The visible part of a layer: its clip and its surface's extent.
RECT GVLayerVisibleRect(const GVLayer& layer);
