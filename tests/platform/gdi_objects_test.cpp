#include <gtest/gtest.h>

#include "gdi_test_support.h"

namespace {

TEST(SelectObject, ReturnsThePreviousObjectOfTheSameKind) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  EXPECT_EQ(oldBrush, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(dc, oldPen), pen);
  EXPECT_EQ(SelectObject(dc, oldBrush), brush);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
  // Freed handles are refused rather than used.
  EXPECT_EQ(SelectObject(dc, pen), nullptr);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(DeleteObject, ASelectedObjectStaysUsableUntilDeselected) {
  MemoryCanvas c(4, 1);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
  SelectObject(c.dc, pen);
  EXPECT_TRUE(DeleteObject(pen));
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 4, 0);
  EXPECT_EQ(c.count(RGB(9, 9, 9)), 4);
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(c.dc, pen), nullptr);  // now really gone
}

TEST(Bitmaps, GetObjectDescribesSizeAndDepth) {
  HBITMAP colour = CreateBitmap(30, 20, 1, 32, nullptr);
  BITMAP bm = {};
  ASSERT_EQ(GetObjectA(colour, sizeof bm, &bm), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(bm.bmWidth, 30);
  EXPECT_EQ(bm.bmHeight, 20);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(bm.bmWidthBytes, 120);
  EXPECT_EQ(GetObjectA(colour, 4, &bm), 0);  // too small a buffer
  HBITMAP mono = CreateBitmap(17, 3, 1, 1, nullptr);
  GetObjectA(mono, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmWidthBytes, 4);
  DeleteObject(colour);
  DeleteObject(mono);
}

TEST(Bitmaps, CompatibleWithAFreshMemoryContextIsMonochrome) {
  // The classic trap: a new memory DC holds a 1x1 monochrome bitmap.
  HDC fresh = CreateCompatibleDC(nullptr);
  HBITMAP b = CreateCompatibleBitmap(fresh, 8, 8);
  BITMAP bm;
  GetObjectA(b, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  DeleteObject(b);
  MemoryCanvas colour(2, 2);
  b = CreateCompatibleBitmap(colour.dc, 8, 8);
  GetObjectA(b, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  // A bitmap goes into one memory context at a time.
  EXPECT_NE(SelectObject(fresh, b), nullptr);
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, b), nullptr);
  DeleteDC(other);
  DeleteDC(fresh);
  DeleteObject(b);
}

TEST(DeviceContext, StateSettersReturnThePreviousValue) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(SetTextColor(dc, RGB(4, 5, 6)), RGB(1, 2, 3));
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, 7), 0);  // not a mode
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(SetBkColor(dc, RGB(9, 9, 9)), RGB(255, 255, 255));
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
  DeleteDC(dc);
}

TEST(Fonts, CreateFontAndGetObjectRoundTrip) {
  HFONT f = CreateFontA(-12, 0, 0, 0, 700, 0, 0, 0, DEFAULT_CHARSET, OUT_OUTLINE_PRECIS,
                        CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH, "Arial");
  ASSERT_NE(f, nullptr);
  LOGFONTA lf;
  ASSERT_EQ(GetObjectA(f, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfHeight, -12);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  DeleteObject(f);
}

}  // namespace
