#include <gtest/gtest.h>

#include "gdi_test_support.h"
#include "platform/pixel_surface.h"

namespace {

HBITMAP load(int id) {
  return static_cast<HBITMAP>(
      LoadImageA(nullptr, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

TEST(ToolkitBitmaps, EveryResourceIdLoadsAtItsSize) {
  struct Case {
    int id, width, height;
  } cases[] = {{130, 16, 16}, {131, 16, 16}, {132, 16, 16}, {133, 16, 16}, {134, 16, 16},
               {135, 16, 16}, {136, 16, 16}, {137, 16, 16}, {138, 16, 16}, {139, 16, 16},
               {140, 16, 16}, {141, 40, 20}, {142, 40, 20}, {160, 20, 20}, {161, 20, 20},
               {162, 20, 20}, {163, 20, 20}, {165, 21, 21}, {166, 64, 20}, {167, 40, 20},
               {168, 40, 20}, {194, 32, 21}, {195, 15, 10}, {196, 15, 10}, {198, 21, 21},
               {199, 21, 32}};
  for (const Case& c : cases) {
    HBITMAP b = load(c.id);
    ASSERT_NE(b, nullptr) << c.id;
    BITMAP bm;
    ASSERT_EQ(GetObjectA(b, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, c.width) << c.id;
    EXPECT_EQ(bm.bmHeight, c.height) << c.id;
    DeleteObject(b);
  }
}

// The toolkit's frame drawing: four corners copied, four edges stretched.
void drawFrame(HDC dest, int style, int w, int h) {
  const int corner[6] = {0, 1, 2, 3, 3, 3};
  int c = corner[style];
  HBITMAP b = load(135 + style);
  HDC mem = CreateCompatibleDC(dest);
  HGDIOBJ old = SelectObject(mem, b);
  BITMAP bm;
  GetObjectA(b, sizeof bm, &bm);
  BitBlt(dest, 0, 0, c, c, mem, 0, 0, SRCCOPY);
  BitBlt(dest, w - c, 0, c, c, mem, bm.bmWidth - c, 0, SRCCOPY);
  BitBlt(dest, 0, h - c, c, c, mem, 0, bm.bmHeight - c, SRCCOPY);
  BitBlt(dest, w - c, h - c, c, c, mem, bm.bmWidth - c, bm.bmHeight - c, SRCCOPY);
  StretchBlt(dest, c, 0, w - 2 * c, c, mem, c, 0, bm.bmWidth - 2 * c, c, SRCCOPY);
  StretchBlt(dest, c, h - c, w - 2 * c, c, mem, c, bm.bmHeight - c, bm.bmWidth - 2 * c, c, SRCCOPY);
  StretchBlt(dest, 0, c, c, h - 2 * c, mem, 0, c, c, bm.bmHeight - 2 * c, SRCCOPY);
  StretchBlt(dest, w - c, c, c, h - 2 * c, mem, bm.bmWidth - c, c, c, bm.bmHeight - 2 * c, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(b);
}

TEST(ToolkitBitmaps, FramesDrawOnlyTheirBorder) {
  for (int style = 1; style <= 5; style++) {
    MemoryCanvas c(60, 40, RGB(1, 1, 1));
    drawFrame(c.dc, style, 60, 40);
    const int border[6] = {0, 1, 2, 3, 3, 3};
    int b = border[style];
    int inside = 0, ring = 0;
    for (int y = 0; y < 40; y++)
      for (int x = 0; x < 60; x++) {
        bool inBorder = x < b || y < b || x >= 60 - b || y >= 40 - b;
        bool untouched = c.at(x, y) == RGB(1, 1, 1);
        if (!inBorder) inside += untouched;
        if (inBorder) ring += !untouched;
      }
    EXPECT_EQ(inside, (60 - 2 * b) * (40 - 2 * b)) << style;
    EXPECT_EQ(ring, 60 * 40 - (60 - 2 * b) * (40 - 2 * b)) << style;
  }
}

TEST(ToolkitBitmaps, SheetIsWrittenForALook) {
  MemoryCanvas c(330, 70, RGB(65, 65, 65));
  const int ids[] = {130, 131, 132, 133, 135, 134, 141, 142, 160, 161, 162, 163, 165, 166, 167, 168,
                     194, 195, 196, 198, 199};
  int x = 4, y = 4;
  for (int id : ids) {
    HBITMAP b = load(id);
    BITMAP bm;
    GetObjectA(b, sizeof bm, &bm);
    if (x + bm.bmWidth > 326) x = 4, y += 34;
    HDC mem = CreateCompatibleDC(c.dc);
    HGDIOBJ old = SelectObject(mem, b);
    BitBlt(c.dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(b);
    x += bm.bmWidth + 4;
  }
  GVSurface s;
  s.resize(330, 70, 0);
  for (int yy = 0; yy < 70; yy++)
    for (int xx = 0; xx < 330; xx++) s.row(yy)[xx] = GVPixelFromColorRef(c.at(xx, yy));
  EXPECT_TRUE(GVSavePng(s, "toolkit_bitmaps.png"));
}

}  // namespace
