#include <gtest/gtest.h>

#include "gdi_test_support.h"

namespace {

// A 1-bit bitmap from rows of '1' and '0'.
HBITMAP monoBitmap(const char* const* rows, int w, int h) {
  unsigned char bits[64] = {};
  int stride = ((w + 15) / 16) * 2;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      if (rows[y][x] == '1') bits[y * stride + x / 8] |= 0x80 >> (x % 8);
  return CreateBitmap(w, h, 1, 1, bits);
}

TEST(BitBlt, CopiesTheAreaAndClipsToBothSurfaces) {
  MemoryCanvas src(4, 4, RGB(10, 20, 30));
  SetPixel(src.dc, 0, 0, RGB(1, 1, 1));
  SetPixel(src.dc, 3, 3, RGB(2, 2, 2));
  MemoryCanvas dst(8, 8);
  ASSERT_TRUE(BitBlt(dst.dc, 2, 3, 4, 4, src.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(dst.at(2, 3), RGB(1, 1, 1));
  EXPECT_EQ(dst.at(5, 6), RGB(2, 2, 2));
  EXPECT_EQ(dst.count(RGB(10, 20, 30)), 14);
  // Source pixels beyond the source bitmap leave the destination as it was.
  MemoryCanvas d2(8, 8);
  BitBlt(d2.dc, 0, 0, 8, 8, src.dc, 2, 2, SRCCOPY);
  EXPECT_EQ(d2.count(RGB(0, 0, 0)), 64 - 4);
  EXPECT_EQ(d2.at(1, 1), RGB(2, 2, 2));
  // A copy within one bitmap reads the source before writing.
  MemoryCanvas s(6, 1);
  for (int x = 0; x < 6; x++) SetPixel(s.dc, x, 0, RGB(x, 0, 0));
  BitBlt(s.dc, 1, 0, 5, 1, s.dc, 0, 0, SRCCOPY);
  for (int x = 1; x < 6; x++) EXPECT_EQ(s.at(x, 0), RGB(x - 1, 0, 0));
}

TEST(BitBlt, RasterOperationsFollowTheirTruthTables) {
  struct Case {
    DWORD rop;
    COLORREF expected;  // source 0x0F0F0F (as RGB(15,15,15)) over destination 0x333333
  } cases[] = {{SRCCOPY, RGB(0x0F, 0x0F, 0x0F)},  {SRCAND, RGB(0x03, 0x03, 0x03)},
               {SRCPAINT, RGB(0x3F, 0x3F, 0x3F)}, {SRCINVERT, RGB(0x3C, 0x3C, 0x3C)},
               {NOTSRCCOPY, RGB(0xF0, 0xF0, 0xF0)}, {DSTINVERT, RGB(0xCC, 0xCC, 0xCC)},
               {BLACKNESS, RGB(0, 0, 0)},          {WHITENESS, RGB(255, 255, 255)},
               {SRCERASE, RGB(0x0C, 0x0C, 0x0C)}};
  for (const Case& c : cases) {
    MemoryCanvas src(1, 1, RGB(0x0F, 0x0F, 0x0F));
    MemoryCanvas dst(1, 1, RGB(0x33, 0x33, 0x33));
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, c.rop));
    EXPECT_EQ(dst.at(0, 0), c.expected) << std::hex << c.rop;
  }
}

TEST(BitBlt, MonochromeSourcePaintsInTextAndBackgroundColours) {
  const char* rows[] = {"10", "01"};
  HBITMAP mono = monoBitmap(rows, 2, 2);
  HDC mdc = CreateCompatibleDC(nullptr);
  SelectObject(mdc, mono);
  MemoryCanvas dst(2, 2);
  SetTextColor(dst.dc, RGB(200, 0, 0));
  SetBkColor(dst.dc, RGB(0, 0, 200));
  BitBlt(dst.dc, 0, 0, 2, 2, mdc, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.at(0, 0), RGB(0, 0, 200));  // 1 bits take the background colour
  EXPECT_EQ(dst.at(1, 0), RGB(200, 0, 0));  // 0 bits the text colour
  DeleteDC(mdc);
  DeleteObject(mono);
}

TEST(StretchBlt, ScalesByNearestPixelAndMirrorsOnNegativeWidth) {
  MemoryCanvas src(2, 1);
  SetPixel(src.dc, 0, 0, RGB(1, 0, 0));
  SetPixel(src.dc, 1, 0, RGB(2, 0, 0));
  MemoryCanvas dst(4, 2);
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 2, src.dc, 0, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(dst.at(0, 0), RGB(1, 0, 0));
  EXPECT_EQ(dst.at(1, 1), RGB(1, 0, 0));
  EXPECT_EQ(dst.at(2, 0), RGB(2, 0, 0));
  EXPECT_EQ(dst.at(3, 1), RGB(2, 0, 0));
  MemoryCanvas m(2, 1);
  StretchBlt(m.dc, 1, 0, -2, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(m.at(0, 0), RGB(2, 0, 0));
  EXPECT_EQ(m.at(1, 0), RGB(1, 0, 0));
  // Shrinking picks pixel centres.
  MemoryCanvas wide(6, 1);
  for (int x = 0; x < 6; x++) SetPixel(wide.dc, x, 0, RGB(x, 0, 0));
  MemoryCanvas narrow(3, 1);
  StretchBlt(narrow.dc, 0, 0, 3, 1, wide.dc, 0, 0, 6, 1, SRCCOPY);
  EXPECT_EQ(narrow.at(0, 0), RGB(1, 0, 0));
  EXPECT_EQ(narrow.at(2, 0), RGB(5, 0, 0));
}

TEST(MaskBlt, CopiesWhereTheMaskIsSetAndAndsElsewhere) {
  // Four cells cover the truth table: mask bit x source x destination.
  const char* rows[] = {"1100", "1100"};
  HBITMAP mask = monoBitmap(rows, 4, 2);
  MemoryCanvas src(4, 2);
  MemoryCanvas dst(4, 2);
  const COLORREF s[2] = {RGB(0xF0, 0x0F, 0xFF), RGB(0x00, 0xFF, 0x0F)};
  const COLORREF d[2] = {RGB(0x3C, 0x3C, 0x3C), RGB(0xFF, 0x00, 0xF0)};
  for (int x = 0; x < 4; x++)
    for (int y = 0; y < 2; y++) {
      SetPixel(src.dc, x, y, s[x % 2]);
      SetPixel(dst.dc, x, y, d[y]);
    }
  ASSERT_TRUE(MaskBlt(dst.dc, 0, 0, 4, 2, src.dc, 0, 0, mask, 0, 0, MAKEROP4(SRCCOPY, SRCAND)));
  EXPECT_EQ(MAKEROP4(SRCCOPY, SRCAND), 0x88CC0020u);
  for (int x = 0; x < 4; x++)
    for (int y = 0; y < 2; y++) {
      COLORREF expected = x < 2 ? s[x % 2] : (s[x % 2] & d[y]);
      EXPECT_EQ(dst.at(x, y), expected) << x << "," << y;
    }
  // A mask smaller than the area fails and changes nothing.
  MemoryCanvas untouched(8, 8, RGB(7, 7, 7));
  EXPECT_FALSE(MaskBlt(untouched.dc, 0, 0, 8, 8, src.dc, 0, 0, mask, 0, 0, 0x88CC0020u));
  EXPECT_EQ(untouched.count(RGB(7, 7, 7)), 64);
  DeleteObject(mask);
}

TEST(PatBlt, PaintsTheSelectedBrush) {
  MemoryCanvas c(4, 4);
  HBRUSH b = CreateSolidBrush(RGB(5, 6, 7));
  SelectObject(c.dc, b);
  ASSERT_TRUE(PatBlt(c.dc, 1, 1, 2, 2, PATCOPY));
  EXPECT_EQ(c.count(RGB(5, 6, 7)), 4);
  EXPECT_FALSE(PatBlt(c.dc, 0, 0, 1, 1, SRCCOPY));  // needs a source
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(b);
}

}  // namespace
