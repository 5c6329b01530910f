#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "platform/compositor.h"

namespace {

struct Window {
  GVSurface surface;
  Window(int w, int h, uint32_t fill) { surface.resize(w, h, fill); }
  GVLayer at(int x, int y, RECT clip = RECT{-100000, -100000, 100000, 100000}) {
    return GVLayer{this, &surface, POINT{x, y}, clip};
  }
};

int countPixels(const GVSurface& s, uint32_t p, RECT area) {
  int n = 0;
  for (int y = area.top; y < area.bottom; y++)
    for (int x = area.left; x < area.right; x++) n += s.at(x, y) == p;
  return n;
}

TEST(Compositor, StacksLayersBackToFrontOverTheBackground) {
  GVCompositor c;
  c.setBackground(0x101010);
  c.resize(100, 80);
  Window a(40, 30, 0xAA0000), b(40, 30, 0x00BB00);
  c.compose({a.at(10, 10), b.at(30, 20)});
  const GVSurface& s = c.screen();
  EXPECT_EQ(s.at(0, 0), 0x101010u);
  EXPECT_EQ(s.at(10, 10), 0xAA0000u);
  EXPECT_EQ(s.at(35, 25), 0x00BB00u);  // b lies over a
  EXPECT_EQ(s.at(69, 49), 0x00BB00u);
  EXPECT_EQ(s.at(70, 50), 0x101010u);
  EXPECT_EQ(countPixels(s, 0xAA0000, RECT{0, 0, 100, 80}), 40 * 30 - 20 * 20);
}

TEST(Compositor, ChildIsClippedToItsParentsClientArea) {
  GVCompositor c;
  c.resize(60, 60);
  Window parent(30, 30, 0x0000FF), child(40, 40, 0xFF0000);
  RECT parentClient = {10, 10, 40, 40};
  c.compose({parent.at(10, 10), child.at(20, 20, parentClient)});
  const GVSurface& s = c.screen();
  EXPECT_EQ(countPixels(s, 0xFF0000, RECT{0, 0, 60, 60}), 20 * 20);
  EXPECT_EQ(s.at(39, 39), 0xFF0000u);
  EXPECT_EQ(s.at(40, 40), 0u);
}

TEST(Compositor, TopMostPopupCoversASiblingTree) {
  GVCompositor c;
  c.resize(50, 50);
  Window frame(40, 40, 0x333333), control(20, 20, 0x777777), popup(10, 10, 0xFFFF00);
  RECT frameClip = {0, 0, 40, 40};
  // Paint order: the tree (parent, then child), top-most popups last.
  c.compose({frame.at(0, 0), control.at(10, 10, frameClip), popup.at(15, 15)});
  EXPECT_EQ(countPixels(c.screen(), 0xFFFF00, RECT{0, 0, 50, 50}), 100);
  EXPECT_EQ(c.screen().at(12, 12), 0x777777u);
}

TEST(Compositor, RecomposesOnlyWhatWasReportedDrawn) {
  GVCompositor c;
  c.resize(64, 64);
  Window a(64, 64, 0x202020);
  c.compose({a.at(0, 0)});
  EXPECT_TRUE(c.compose({a.at(0, 0)}).empty());  // nothing changed
  // Pixels changed without damage are not picked up (nothing else is copied)...
  a.surface.row(5)[5] = 0xFFFFFF;
  a.surface.row(40)[40] = 0xFFFFFF;
  a.surface.addDamage(RECT{40, 40, 41, 41});
  const std::vector<RECT>& done = c.compose({a.at(0, 0)});
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].left, 40);
  EXPECT_EQ(done[0].right, 41);
  EXPECT_EQ(c.screen().at(40, 40), 0xFFFFFFu);
  EXPECT_EQ(c.screen().at(5, 5), 0x202020u);
  EXPECT_FALSE(a.surface.hasDamage());
}

TEST(Compositor, MovingHidingAndRaisingRepaintWhatWasUncovered) {
  GVCompositor c;
  c.resize(50, 20);
  Window a(10, 10, 0xA), b(10, 10, 0xB);
  c.compose({a.at(0, 0), b.at(5, 0)});
  EXPECT_EQ(c.screen().at(7, 0), 0xBu);
  // Raise a above b.
  c.compose({b.at(5, 0), a.at(0, 0)});
  EXPECT_EQ(c.screen().at(7, 0), 0xAu);
  // Move a away: its old place shows b and the background again.
  c.compose({b.at(5, 0), a.at(30, 0)});
  EXPECT_EQ(c.screen().at(2, 0), 0u);
  EXPECT_EQ(c.screen().at(7, 0), 0xBu);
  EXPECT_EQ(c.screen().at(30, 0), 0xAu);
  // Hide b.
  c.compose({a.at(30, 0)});
  EXPECT_EQ(c.screen().at(7, 0), 0u);
}

TEST(Compositor, ManySmallDamagesCollapseButCoverEverything) {
  GVCompositor c;
  c.resize(400, 10);
  Window a(400, 10, 0);
  c.compose({a.at(0, 0)});
  for (int x = 0; x < 400; x += 4) {
    a.surface.row(3)[x] = 0x123456;
    a.surface.addDamage(RECT{x, 3, x + 1, 4});
  }
  c.compose({a.at(0, 0)});
  EXPECT_EQ(countPixels(c.screen(), 0x123456, RECT{0, 0, 400, 10}), 100);
}

TEST(Compositor, DamageListStaysDisjointAndCoversWhatWasAdded) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> pos(0, 180), size(1, 60);
  for (int count : {2, 10, 40, 200}) {
    GVRectList list;
    std::vector<uint8_t> added(240 * 240, 0), listed(240 * 240, 0);
    for (int i = 0; i < count; i++) {
      RECT r = {pos(rng), pos(rng), 0, 0};
      r.right = r.left + size(rng);
      r.bottom = r.top + size(rng);
      list.add(r);
      for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++) added[y * 240 + x] = 1;
    }
    size_t listedArea = 0, addedArea = 0;
    for (const RECT& r : list.rects()) {
      listedArea += size_t(r.right - r.left) * (r.bottom - r.top);
      for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++) listed[y * 240 + x]++;
    }
    for (size_t k = 0; k < added.size(); k++) {
      ASSERT_LE(listed[k], 1) << count << " rectangles: overlap";
      ASSERT_TRUE(!added[k] || listed[k]) << count << " rectangles: pixel lost";
      addedArea += added[k];
    }
    EXPECT_LE(list.rects().size(), 64u);
    EXPECT_LE(listedArea, 2 * addedArea) << count;
    if (count <= 10) EXPECT_EQ(listedArea, addedArea) << count;  // nothing merged beyond need
  }
}

TEST(Compositor, MatchesAPlainBackToFrontCopyForRandomScenes) {
  // Reference: every layer copied in full, back to front, into a fresh image.
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pos(-20, 150), size(1, 70), pick(0, 29);
  std::vector<std::unique_ptr<Window>> windows;
  std::vector<GVLayer> layers;
  for (int i = 0; i < 30; i++) {
    windows.push_back(std::make_unique<Window>(size(rng), size(rng), 0x010101u * (i + 1)));
    RECT clip = {pos(rng), pos(rng), 0, 0};
    clip.right = clip.left + 2 * size(rng);
    clip.bottom = clip.top + 2 * size(rng);
    layers.push_back(windows.back()->at(pos(rng), pos(rng), i % 3 ? RECT{-999, -999, 999, 999} : clip));
  }
  GVCompositor c;
  c.setBackground(0xABCDEF);
  c.resize(160, 140);
  for (int frame = 0; frame < 20; frame++) {
    // Change a few surfaces and move or raise a layer between frames.
    for (int k = 0; k < 3; k++) {
      Window& w = *windows[pick(rng)];
      int x = pick(rng) % w.surface.width, y = pick(rng) % w.surface.height;
      w.surface.row(y)[x] = 0xFF0000u + static_cast<uint32_t>(frame);
      w.surface.addDamage(RECT{x, y, x + 1, y + 1});
    }
    layers[pick(rng)].origin.x += 3;
    std::swap(layers[pick(rng)], layers[pick(rng)]);
    c.compose(layers);
    GVSurface ref;
    ref.resize(160, 140, 0xABCDEF);
    for (const GVLayer& l : layers) {
      RECT v = GVRectIntersect(GVLayerVisibleRect(l), RECT{0, 0, 160, 140});
      for (int y = v.top; y < v.bottom; y++)
        for (int x = v.left; x < v.right; x++) ref.row(y)[x] = l.surface->at(x - l.origin.x, y - l.origin.y);
    }
    ASSERT_EQ(c.screen().pixels, ref.pixels) << "frame " << frame;
  }
}

}  // namespace
