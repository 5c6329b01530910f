// Reading the composed screen image under a 3-D view: where scene points land
// on the screen, how many pixels of a rectangle pass a test, and how many
// engine objects exist (to see that rebuilds leave nothing behind).
#pragma once

#include <OGRE/Ogre.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/win32.h"

// A 1000 x 700 view in the main window at (10, 10), made the main view,
// without the world-axes triad so that the screen shows only the scene.
inline void GVTestOpenView(GVView& view, HWND main) {
  GVSetMainView(&view);
  GVCreateView(&view, GetModuleHandleA(nullptr), main, 1000, 700, nullptr, nullptr, nullptr);
  ASSERT_NE(gOgreData, nullptr);
  view.flags &= ~kViewAxesTriad;
  GVMoveView(&view, 10, 10, 1000, 700);
}

// Delivers what is queued, redraws the view and composes the screen image.
inline void GVTestShowView(GVView& view) {
  GVTestPumpMessages();
  GVRedrawView(&view);
  GVComposeScreen();
}

struct ScreenRect {
  int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
};

// Screen rectangle of the projected points.
inline ScreenRect GVTestFootprint(const GVView& view, const std::vector<std::array<float, 3>>& pts) {
  POINT o = {0, 0};
  ClientToScreen(view.window, &o);
  ScreenRect r;
  for (const auto& p : pts) {
    float q[3], px[3];
    GVProjectPoint(*view.camera, p.data(), q);
    GVNormalisedToScreen(view.viewport, q, px);
    r.x0 = std::min(r.x0, o.x + static_cast<int>(px[0]));
    r.y0 = std::min(r.y0, o.y + static_cast<int>(px[1]));
    r.x1 = std::max(r.x1, o.x + static_cast<int>(px[0]));
    r.y1 = std::max(r.y1, o.y + static_cast<int>(px[1]));
  }
  return r;
}

// The view's client area on the screen, for a view of width x height.
inline ScreenRect GVTestViewRect(const GVView& view, int width, int height) {
  POINT o = {0, 0};
  ClientToScreen(view.window, &o);
  ScreenRect r;
  r.x0 = o.x;
  r.y0 = o.y;
  r.x1 = o.x + width - 1;
  r.y1 = o.y + height - 1;
  return r;
}

// Pixels of the rectangle, grown by grow on every side, that pass pred.
template <typename Pred>
int GVTestCountPixels(const ScreenRect& r, Pred pred, int grow = 0) {
  const GVSurface& s = GVScreenImage();
  int n = 0;
  for (int y = r.y0 - grow; y <= r.y1 + grow; ++y)
    for (int x = r.x0 - grow; x <= r.x1 + grow; ++x) n += pred(s.at(x, y)) ? 1 : 0;
  return n;
}

// Meshes, materials, entities, manual objects and nodes the engine holds.
inline size_t GVTestEngineObjects() {
  size_t n = 0;
  for (auto it = Ogre::MeshManager::getSingleton().getResourceIterator(); it.hasMoreElements(); it.moveNext()) ++n;
  for (auto it = Ogre::MaterialManager::getSingleton().getResourceIterator(); it.hasMoreElements(); it.moveNext()) ++n;
  n += gOgreData->mSceneMgr->getMovableObjects("Entity").size();
  n += gOgreData->mSceneMgr->getMovableObjects("ManualObject").size();
  return n + gOgreData->mSceneMgr->getRootSceneNode()->numChildren();
}
