#include <gtest/gtest.h>

#include "gdi_test_support.h"

namespace {

const COLORREF kInk = RGB(250, 250, 100);

TEST(FillRect, ExactPixelsAndNothingOutside) {
  MemoryCanvas c(40, 30);
  HBRUSH b = CreateSolidBrush(RGB(65, 65, 65));
  RECT r = {5, 6, 25, 16};
  ASSERT_TRUE(FillRect(c.dc, &r, b));
  for (int y = 0; y < 30; y++)
    for (int x = 0; x < 40; x++) {
      bool inside = x >= 5 && x < 25 && y >= 6 && y < 16;
      ASSERT_EQ(c.at(x, y), inside ? RGB(65, 65, 65) : RGB(0, 0, 0)) << x << "," << y;
    }
  DeleteObject(b);
}

TEST(FillRect, ClipsToTheBitmapAndAcceptsSystemColourBrushes) {
  MemoryCanvas c(10, 10);
  RECT r = {-100, -100, 100, 100};
  EXPECT_TRUE(FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)));
  EXPECT_EQ(c.count(GetSysColor(COLOR_WINDOW)), 100);
  // A null brush paints nothing and reports failure.
  EXPECT_FALSE(FillRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))));
}

struct LineCase {
  const char* name;
  int width;
  POINT from, to;
  const char* expected;  // rows 0..5 of columns 0..11
};

TEST(LineTo, FollowsGdiPixelRules) {
  const LineCase cases[] = {
      {"horizontal leaves out the last pixel", 1, {0, 0}, {10, 0},
       "##########..\n............\n............\n............\n............\n............\n"},
      {"right to left", 1, {10, 1}, {0, 1},
       "............\n.##########.\n............\n............\n............\n............\n"},
      {"vertical", 1, {2, 0}, {2, 4},
       "..#.........\n..#.........\n..#.........\n..#.........\n............\n............\n"},
      {"diagonal", 1, {0, 0}, {4, 4},
       "#...........\n.#..........\n..#.........\n...#........\n............\n............\n"},
      {"shallow slope rounds to nearest", 1, {0, 0}, {8, 2},
       "##..........\n..####......\n......##....\n............\n............\n............\n"},
      {"a zero-length line draws nothing", 1, {3, 3}, {3, 3},
       "............\n............\n............\n............\n............\n............\n"},
      {"width 2 covers the row above and both ends", 2, {1, 2}, {5, 2},
       "............\n######......\n######......\n............\n............\n............\n"},
      {"width 3 is centred", 3, {2, 2}, {2, 3},
       "............\n.###........\n.###........\n.###........\n.###........\n............\n"},
  };
  for (const LineCase& lc : cases) {
    MemoryCanvas c(12, 6);
    HPEN pen = CreatePen(PS_SOLID, lc.width, kInk);
    HGDIOBJ old = SelectObject(c.dc, pen);
    MoveToEx(c.dc, lc.from.x, lc.from.y, nullptr);
    LineTo(c.dc, lc.to.x, lc.to.y);
    EXPECT_EQ(c.pattern(0, 0, 12, 6, kInk), lc.expected) << lc.name;
    SelectObject(c.dc, old);
    DeleteObject(pen);
  }
}

TEST(LineTo, UpdatesTheCurrentPositionAndSurvivesHugeCoordinates) {
  MemoryCanvas c(20, 20);
  HPEN pen = CreatePen(PS_SOLID, 1, kInk);
  SelectObject(c.dc, pen);
  POINT prev;
  MoveToEx(c.dc, 1, 1, nullptr);
  LineTo(c.dc, 5, 1);
  MoveToEx(c.dc, 0, 10, &prev);
  EXPECT_EQ(prev.x, 5);
  EXPECT_EQ(prev.y, 1);
  // A line running far outside the bitmap costs its visible part only.
  LineTo(c.dc, 2000000000, 10);
  EXPECT_EQ(c.pattern(0, 10, 20, 11, kInk), "####################\n");
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
}

TEST(Rectangle, OutlineWithPenAndInteriorWithBrush) {
  MemoryCanvas c(8, 7);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(250, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(0, 250, 0));
  SelectObject(c.dc, pen);
  SelectObject(c.dc, brush);
  ASSERT_TRUE(Rectangle(c.dc, 1, 1, 7, 6));
  EXPECT_EQ(c.pattern(0, 0, 8, 7, RGB(250, 0, 0)),
            "........\n.######.\n.#....#.\n.#....#.\n.#....#.\n.######.\n........\n");
  EXPECT_EQ(c.pattern(0, 0, 8, 7, RGB(0, 250, 0)),
            "........\n........\n..####..\n..####..\n..####..\n........\n........\n");
  // Without a pen the fill is one pixel narrower and lower.
  MemoryCanvas d(8, 7);
  SelectObject(d.dc, GetStockObject(NULL_PEN));
  SelectObject(d.dc, brush);
  Rectangle(d.dc, 1, 1, 7, 6);
  EXPECT_EQ(d.pattern(0, 0, 8, 7, RGB(0, 250, 0)),
            "........\n.#####..\n.#####..\n.#####..\n.#####..\n........\n........\n");
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  SelectObject(d.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(pen);
  DeleteObject(brush);
}

TEST(Rectangle, TimeBarCursorIsTwoPixelsWide) {
  // The time bar draws its cursor as Rectangle(x - 1, 0, x + 1, h) in red.
  MemoryCanvas c(10, 5);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(250, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(250, 0, 0));
  SelectObject(c.dc, pen);
  SelectObject(c.dc, brush);
  Rectangle(c.dc, 4, 0, 6, 5);
  EXPECT_EQ(c.pattern(0, 0, 10, 5, RGB(250, 0, 0)),
            "....##....\n....##....\n....##....\n....##....\n....##....\n");
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(pen);
  DeleteObject(brush);
}

TEST(DrawEdge, EtchedIsAShadowRingAroundAHighlightRing) {
  MemoryCanvas c(6, 6, RGB(1, 2, 3));
  RECT r = {0, 0, 6, 6};
  ASSERT_TRUE(DrawEdge(c.dc, &r, EDGE_ETCHED, BF_RECT | BF_ADJUST));
  COLORREF shadow = GetSysColor(COLOR_3DSHADOW), light = GetSysColor(COLOR_3DHILIGHT);
  EXPECT_EQ(c.at(0, 0), shadow);
  EXPECT_EQ(c.at(5, 0), light);  // the outer ring's right edge is light
  EXPECT_EQ(c.at(0, 5), light);
  EXPECT_EQ(c.at(1, 1), light);  // inner ring: light top-left
  EXPECT_EQ(c.at(4, 4), shadow);  // inner ring: shadow bottom-right
  EXPECT_EQ(c.at(2, 2), RGB(1, 2, 3));
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.bottom, 4);
}

TEST(SetPixel, OutsideTheBitmapFails) {
  MemoryCanvas c(4, 4);
  EXPECT_EQ(SetPixel(c.dc, 1, 2, RGB(9, 8, 7)), RGB(9, 8, 7));
  EXPECT_EQ(c.at(1, 2), RGB(9, 8, 7));
  EXPECT_EQ(SetPixel(c.dc, 4, 0, RGB(9, 8, 7)), CLR_INVALID);
  EXPECT_EQ(GetPixel(c.dc, -1, 0), CLR_INVALID);
}

}  // namespace
