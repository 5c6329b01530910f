#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gdi_test_support.h"
#include "platform/fonts.h"
#include "platform/pixel_surface.h"

namespace {

// The advance sum of a string computed with FreeType directly, independently of
// the font code: hinted advances at the given pixel size.
int freeTypeAdvanceSum(const std::string& file, int index, int pixelSize, const char* text) {
  FT_Library lib;
  if (FT_Init_FreeType(&lib)) return -1;
  FT_Face face;
  int sum = -1;
  if (FT_New_Face(lib, file.c_str(), index, &face) == 0) {
    FT_Set_Pixel_Sizes(face, 0, pixelSize);
    sum = 0;
    for (const char* p = text; *p; p++) {
      FT_Load_Char(face, static_cast<unsigned char>(*p), FT_LOAD_DEFAULT);
      sum += static_cast<int>((face->glyph->advance.x + 32) >> 6);
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(lib);
  return sum;
}

HFONT makeFont(int height, int weight, const char* face) {
  return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, OUT_OUTLINE_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH, face);
}

TEST(Fonts, WindowsFaceNamesFindTheMetricCompatibleFaces) {
  struct Case {
    const char* face;
    int weight;
    const char* file;
  } cases[] = {
      {"Arial", 0, "LiberationSans-Regular"},
      {"Arial", 700, "LiberationSans-Bold"},
      {"TimesRoman", 400, "LiberationSerif-Regular"},
      {"Times New Roman", 700, "LiberationSerif-Bold"},
      {"Courier New", 400, "LiberationMono-Regular"},
  };
  for (const Case& c : cases) {
    std::string file;
    int index = -1;
    ASSERT_TRUE(GVFindFontFile(c.face, c.weight, false, &file, &index)) << c.face;
    EXPECT_NE(file.find(c.file), std::string::npos) << c.face << " -> " << file;
  }
}

TEST(TextExtent, HelloInArialMinus12IsTheFreeTypeAdvanceSum) {
  MemoryCanvas c(10, 10);
  HFONT f = makeFont(-12, 0, "Arial");
  ASSERT_NE(f, nullptr);
  SelectObject(c.dc, f);
  SIZE s;
  ASSERT_TRUE(GetTextExtentPoint32A(c.dc, "Hello", 5, &s));
  std::string file;
  int index;
  ASSERT_TRUE(GVFindFontFile("Arial", 0, false, &file, &index));
  EXPECT_EQ(s.cx, freeTypeAdvanceSum(file, index, 12, "Hello"));
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
  EXPECT_EQ(s.cy, tm.tmHeight);
  // The character widths add up to the extent.
  INT w[256];
  ASSERT_TRUE(GetCharWidth32A(c.dc, 0, 255, w));
  EXPECT_EQ(w['H'] + w['e'] + 2 * w['l'] + w['o'], s.cx);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(TextMetrics, NegativeHeightIsTheEmAndPositiveTheCell) {
  MemoryCanvas c(10, 10);
  struct Case {
    int height;
    const char* face;
  } cases[] = {{-10, "Arial"}, {-12, "Arial"}, {-16, "Arial"}, {16, "Arial"}, {16, "TimesRoman"}, {19, "TimesRoman"}};
  for (const Case& k : cases) {
    HFONT f = makeFont(k.height, 0, k.face);
    ASSERT_NE(f, nullptr);
    SelectObject(c.dc, f);
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    if (k.height < 0) {
      EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -k.height) << k.face << k.height;
    } else {
      EXPECT_NEAR(tm.tmHeight, k.height, 1) << k.face << k.height;
    }
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
  }
}

TEST(TextMetrics, DefaultFontIsFixedAtSevenPixelAverage) {
  MemoryCanvas c(10, 10);
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetricsA(c.dc, &tm));
  EXPECT_EQ(tm.tmAveCharWidth, 7);
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmWeight, FW_BOLD);
}

TEST(TextOut, GlyphsLieInsideTheCellAndTheCapitalsReachTheAscent) {
  MemoryCanvas c(200, 40, RGB(255, 255, 255));
  HFONT f = makeFont(-16, 0, "Arial");
  SelectObject(c.dc, f);
  SetBkMode(c.dc, TRANSPARENT);
  SetTextColor(c.dc, RGB(0, 0, 0));
  const char* text = "Hg|jy\xC9W";
  ASSERT_TRUE(TextOutA(c.dc, 10, 10, text, static_cast<int>(std::strlen(text))));
  TEXTMETRICA tm;
  GetTextMetricsA(c.dc, &tm);
  SIZE ext;
  GetTextExtentPoint32A(c.dc, text, static_cast<int>(std::strlen(text)), &ext);
  int inkTop = 1000, inkBottom = -1, inkLeft = 1000, inkRight = -1;
  for (int y = 0; y < 40; y++)
    for (int x = 0; x < 200; x++)
      if (c.at(x, y) != RGB(255, 255, 255)) {
        inkTop = std::min(inkTop, y);
        inkBottom = std::max(inkBottom, y);
        inkLeft = std::min(inkLeft, x);
        inkRight = std::max(inkRight, x);
      }
  ASSERT_GE(inkBottom, 0) << "nothing drawn";
  EXPECT_GE(inkTop, 10);
  EXPECT_LT(inkBottom, 10 + tm.tmHeight);
  EXPECT_GE(inkLeft, 10);
  EXPECT_LT(inkRight, 10 + ext.cx + 1);
  // Descenders reach below the baseline.
  EXPECT_GT(inkBottom, 10 + tm.tmAscent - 1);
  // The top of 'H' stands the em's cap height above the baseline: within the
  // internal leading of the cell top.
  MemoryCanvas h(40, 40, RGB(255, 255, 255));
  SelectObject(h.dc, f);
  SetBkMode(h.dc, TRANSPARENT);
  TextOutA(h.dc, 5, 5, "H", 1);
  int hTop = -1;
  for (int y = 0; y < 40 && hTop < 0; y++)
    for (int x = 0; x < 40; x++)
      if (h.at(x, y) != RGB(255, 255, 255)) {
        hTop = y;
        break;
      }
  int capHeight = 5 + tm.tmAscent - hTop;
  EXPECT_NEAR(capHeight, 0.716 * 16, 1.0);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  SelectObject(h.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(TextOut, OpaqueModeFillsTheCellInTheBackgroundColour) {
  MemoryCanvas c(100, 30);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, RGB(200, 200, 200));
  SetTextColor(c.dc, RGB(20, 20, 20));
  TextOutA(c.dc, 3, 4, "ab", 2);
  SIZE s;
  GetTextExtentPoint32A(c.dc, "ab", 2, &s);
  EXPECT_EQ(c.at(3, 4), RGB(200, 200, 200));
  EXPECT_EQ(c.at(3 + s.cx - 1, 4 + s.cy - 1), RGB(200, 200, 200));
  EXPECT_EQ(c.at(3 + s.cx, 4), RGB(0, 0, 0));
  EXPECT_EQ(c.at(3, 4 + s.cy), RGB(0, 0, 0));
  // Transparent mode leaves the background alone.
  MemoryCanvas t(100, 30);
  SetBkMode(t.dc, TRANSPARENT);
  SetBkColor(t.dc, RGB(200, 200, 200));
  TextOutA(t.dc, 3, 4, "ab", 2);
  EXPECT_EQ(t.count(RGB(200, 200, 200)), 0);
}

TEST(TabbedText, DefaultStopsAreEightAverageCharacters) {
  MemoryCanvas c(10, 10);
  TEXTMETRICA tm;
  GetTextMetricsA(c.dc, &tm);
  SIZE a;
  GetTextExtentPoint32A(c.dc, "a", 1, &a);
  int stop = 8 * tm.tmAveCharWidth;
  DWORD e = GetTabbedTextExtentA(c.dc, "a\tb", 3, 0, nullptr);
  SIZE b;
  GetTextExtentPoint32A(c.dc, "b", 1, &b);
  EXPECT_EQ(LOWORD(e), stop + b.cx);
  EXPECT_EQ(HIWORD(e), tm.tmHeight);
  EXPECT_EQ(LOWORD(GetTabbedTextExtentA(c.dc, "\t\t", 2, 0, nullptr)), 2 * stop);
  // One given stop is the spacing; several are positions.
  INT every = 30;
  EXPECT_EQ(LOWORD(GetTabbedTextExtentA(c.dc, "\t\t", 2, 1, &every)), 60);
  INT list[2] = {12, 50};
  EXPECT_EQ(LOWORD(GetTabbedTextExtentA(c.dc, "\t\t", 2, 2, list)), 50);
  // Drawing returns the same width and height.
  LONG drawn = TabbedTextOutA(c.dc, 0, 0, "a\tb", 3, 0, nullptr, 0);
  EXPECT_EQ(static_cast<DWORD>(drawn), e);
}

TEST(TextOut, ScreenshotOfSeveralFontsIsWritten) {
  // Written for a person to look at: the toolkit's seven fonts and the default.
  MemoryCanvas c(420, 190, RGB(65, 65, 65));
  SetBkMode(c.dc, TRANSPARENT);
  SetTextColor(c.dc, RGB(220, 220, 220));
  struct Line {
    int height, weight;
    const char* face;
  } lines[] = {{-10, 700, "Arial"},      {-12, 0, "Arial"},      {-12, 700, "Arial"},
               {-16, 700, "Arial"},      {16, 0, "Arial"},       {16, 400, "TimesRoman"},
               {19, 0, "TimesRoman"}};
  int y = 4;
  for (const Line& l : lines) {
    HFONT f = makeFont(l.height, l.weight, l.face);
    HGDIOBJ old = SelectObject(c.dc, f);
    char text[128];
    std::snprintf(text, sizeof text, "%s %d/%d: The quick brown fox jumps 0123456789", l.face,
                  l.height, l.weight);
    TextOutA(c.dc, 6, y, text, static_cast<int>(std::strlen(text)));
    TEXTMETRICA tm;
    GetTextMetricsA(c.dc, &tm);
    y += tm.tmHeight + 4;
    SelectObject(c.dc, old);
    DeleteObject(f);
  }
  TextOutA(c.dc, 6, y, "Default font: frame  120", 24);
  BITMAP bm;
  GetObjectA(c.bitmap, sizeof bm, &bm);
  GVSurface s;
  s.resize(bm.bmWidth, bm.bmHeight, 0);
  for (int yy = 0; yy < s.height; yy++)
    for (int x = 0; x < s.width; x++) s.row(yy)[x] = GVPixelFromColorRef(c.at(x, yy));
  EXPECT_TRUE(GVSavePng(s, "text_screenshot.png"));
}

}  // namespace
