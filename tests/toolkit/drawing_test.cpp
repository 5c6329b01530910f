#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/resource_data.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit_fixture.h"

namespace {

const COLORREF kGrey65 = RGB(65, 65, 65);

class Drawing : public ToolkitTest {
 protected:
  // A window of the plain background class at the screen origin, drawn into
  // through its DC and composed.
  template <typename F>
  void drawIn(int w, int h, F draw) {
    if (!canvas_) canvas_ = popup("BaseControlClass", 0, 0, w, h);
    HDC dc = GetDC(canvas_);
    draw(dc);
    ReleaseDC(canvas_, dc);
    GVComposeScreen();
  }
  HWND canvas_ = nullptr;
};

// The pixels of a bitmap resource, read back through a memory DC.
struct ResourcePixels {
  int width = 0, height = 0;
  std::vector<COLORREF> px;
  explicit ResourcePixels(int id) {
    HBITMAP b = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP,
                                                0, 0, LR_CREATEDIBSECTION));
    BITMAP info = {};
    GetObjectA(b, sizeof info, &info);
    width = info.bmWidth, height = info.bmHeight;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b);
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) px.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(b);
  }
  COLORREF at(int x, int y) const { return px[y * width + x]; }
};

TEST_F(Drawing, FillRectFillsExactlyItsRectangle) {
  drawIn(100, 60, [](HDC dc) { GVFillRect(10, 20, 30, 15, dc, QwPens.brushPink); });
  EXPECT_EQ(countScreen(RGB(250, 150, 200), RECT{0, 0, 100, 60}), 30 * 15);
  EXPECT_EQ(screen(10, 20), RGB(250, 150, 200));
  EXPECT_EQ(screen(39, 34), RGB(250, 150, 200));
  EXPECT_EQ(screen(40, 34), kGrey65);
  EXPECT_EQ(screen(39, 35), kGrey65);
}

TEST_F(Drawing, CentredTextInkIsCentredAndRestoresTheDC) {
  const int left = 20, width = 160;
  for (int mode : {0, -1}) {
    COLORREF colourAfter = 0;
    int modeAfter = 0;
    drawIn(200, 40, [&](HDC dc) {
      GVFillRect(0, 0, 200, 40, dc, QwPens.brushBackground);
      SelectObject(dc, QwFontTable[3]);
      SetTextColor(dc, RGB(1, 1, 1));
      GVDrawTextCentred(left, 0, width, 40, 7, mode, RGB(255, 255, 255), "HIH", dc);
      colourAfter = GetTextColor(dc);
      modeAfter = GetBkMode(dc);
    });
    EXPECT_EQ(colourAfter, RGB(1, 1, 1));
    EXPECT_EQ(modeAfter, OPAQUE);
    int inkLeft = 200, inkRight = -1, inkTop = 40, inkBottom = -1;
    for (int y = 0; y < 40; y++)
      for (int x = 0; x < 200; x++)
        if (screen(x, y) != kGrey65) {
          inkLeft = std::min(inkLeft, x), inkRight = std::max(inkRight, x);
          inkTop = std::min(inkTop, y), inkBottom = std::max(inkBottom, y);
        }
    ASSERT_GE(inkRight, inkLeft) << mode;
    if (mode == 0) {
      EXPECT_NEAR((inkLeft + inkRight + 1) / 2.0, left + width / 2.0, 1.0);
    } else {
      EXPECT_GE(inkLeft, left + 7);
      EXPECT_LE(inkLeft, left + 7 + 2);
    }
  }
}

TEST_F(Drawing, FrameStylesCopyCornersAndStretchEdges) {
  const int kCorner[6] = {0, 1, 2, 3, 3, 3};
  const int w = 200, h = 100;
  for (int style = 1; style <= 5; style++) {
    ResourcePixels bmp(135 + style);
    ASSERT_GT(bmp.width, 6);
    bool ok = false;
    drawIn(w, h, [&](HDC dc) {
      GVFillRect(0, 0, w, h, dc, QwPens.brushBlack);
      ok = LoadImageFr(style, w, h, dc);
    });
    EXPECT_TRUE(ok);
    int c = kCorner[style];
    for (int y = 0; y < c; y++)
      for (int x = 0; x < c; x++) {
        EXPECT_EQ(screen(x, y), bmp.at(x, y)) << style;
        EXPECT_EQ(screen(w - c + x, y), bmp.at(bmp.width - c + x, y)) << style;
        EXPECT_EQ(screen(x, h - c + y), bmp.at(x, bmp.height - c + y)) << style;
        EXPECT_EQ(screen(w - c + x, h - c + y), bmp.at(bmp.width - c + x, bmp.height - c + y)) << style;
      }
    // The bevels run the length of each edge, so the middle of a stretched edge
    // shows the middle of the bitmap's edge; the inside is left alone.
    for (int k = 0; k < c; k++) {
      EXPECT_EQ(screen(w / 2, k), bmp.at(bmp.width / 2, k)) << style;
      EXPECT_EQ(screen(w / 2, h - c + k), bmp.at(bmp.width / 2, bmp.height - c + k)) << style;
      EXPECT_EQ(screen(k, h / 2), bmp.at(k, bmp.height / 2)) << style;
      EXPECT_EQ(screen(w - c + k, h / 2), bmp.at(bmp.width - c + k, bmp.height / 2)) << style;
    }
    EXPECT_EQ(screen(w / 2, h / 2), RGB(0, 0, 0)) << style;
  }
  for (int style : {0, 6}) {
    bool ok = false;
    drawIn(w, h, [&](HDC dc) {
      GVFillRect(0, 0, w, h, dc, QwPens.brushBlack);
      ok = LoadImageFr(style, w, h, dc);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(countScreen(RGB(0, 0, 0), RECT{0, 0, w, h}), w * h) << style;
  }
  EXPECT_TRUE(box_->texts.empty());
}

// A two-colour mask as a .bmp: the left `setColumns` columns set.
std::vector<unsigned char> maskBmp(int w, int h, int setColumns) {
  int stride = ((w + 31) / 32) * 4;
  std::vector<unsigned char> b(14 + 40 + 8 + stride * h, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 14 + 40 + 8);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  b[26] = 1, b[28] = 1;
  b[58] = b[59] = b[60] = 0xFF;  // palette: 0 black, 1 white
  for (int y = 0; y < h; y++)
    for (int x = 0; x < setColumns; x++) b[62 + y * stride + x / 8] |= 0x80 >> (x % 8);
  return b;
}

TEST_F(Drawing, MaskedImageIsCopiedWhereSetAndAndedElsewhere) {
  ResourcePixels image(141);
  static std::vector<unsigned char> fits, tooSmall;
  fits = maskBmp(image.width, image.height, image.width / 2);
  tooSmall = maskBmp(1, 1, 1);
  static GVResource masks[2];
  masks[0] = {"BITMAP", 9001, fits.data(), fits.size()};
  masks[1] = {"BITMAP", 9002, tooSmall.data(), tooSmall.size()};
  GVAddResources(masks, 2);
  const COLORREF under = RGB(0x5A, 0xC3, 0x3C);
  HBRUSH brush = CreateSolidBrush(under);
  bool ok = false;
  drawIn(100, 60, [&](HDC dc) {
    GVFillRect(0, 0, 100, 60, dc, brush);
    ok = LoadImageMsk(dc, 141, 9001, 5, 6, 2);
  });
  DeleteObject(brush);
  EXPECT_TRUE(ok);
  for (int y = 0; y < image.height; y++)
    for (int x = 0; x < image.width; x++) {
      COLORREF want = x < image.width / 2 ? image.at(x, y) : (image.at(x, y) & under);
      ASSERT_EQ(screen(7 + x, 8 + y), want) << x << "," << y;
    }
  EXPECT_EQ(screen(6, 7), under);
  size_t dcs = GVTestMemoryDcCount(), objects = GVTestGdiObjectCount();
  drawIn(100, 60, [&](HDC dc) { ok = LoadImageMsk(dc, 141, 9002, 0, 0, 0); });
  EXPECT_FALSE(ok);
  EXPECT_EQ(box_->texts.back(), "MaskBlt Failed");
  EXPECT_EQ(GVTestMemoryDcCount(), dcs);
  EXPECT_EQ(GVTestGdiObjectCount(), objects);
}

TEST_F(Drawing, MissingBitmapIsReportedAndLeavesNothingBehind) {
  drawIn(50, 50, [](HDC) {});
  size_t dcs = GVTestMemoryDcCount(), objects = GVTestGdiObjectCount();
  struct Case {
    bool (*draw)(HDC);
    const char* text;
  } cases[] = {
      {[](HDC dc) { return LoadImageXY(dc, 9999, 0, 0); }, "LoadImageXY Failed"},
      {[](HDC dc) { return LoadImageStr(dc, 9999, 10, 10); }, "LoadImageStr Failed"},
      {[](HDC dc) { return LoadImageStrXYWH(dc, 9999, 0, 0, 10, 10); }, "LoadImageStrXYWH Failed"},
      {[](HDC dc) { return LoadImageMsk(dc, 141, 9999, 0, 0, 0); }, "LoadImageMskMsk Failed"},
  };
  for (const Case& c : cases) {
    bool ok = true;
    drawIn(50, 50, [&](HDC dc) { ok = c.draw(dc); });
    EXPECT_FALSE(ok) << c.text;
    EXPECT_EQ(box_->texts.back(), c.text);
  }
  EXPECT_EQ(GVTestMemoryDcCount(), dcs);
  EXPECT_EQ(GVTestGdiObjectCount(), objects);
}

// Frames, the seven fonts and the shared brushes and pens on one screen, saved
// for a look by eye.
TEST_F(Drawing, GallerySavesAsPng) {
  GVTestSetScreen(640, 420);
  HWND gallery = popup("BaseControlClass", 0, 0, 640, 420);
  for (int style = 1; style <= 5; style++) {
    HWND frame = CreateWindowExA(0, "BaseControlClass", "", WS_CHILD | WS_VISIBLE, 10 + (style - 1) * 125, 10,
                                 115, 70, gallery, nullptr, instance_, nullptr);
    GVTestPumpMessages();
    HDC dc = GetDC(frame);
    EXPECT_TRUE(LoadImageFr(style, 115, 70, dc));
    char label[16];
    std::snprintf(label, sizeof label, "style %d", style);
    GVDrawTextCentred(0, 0, 115, 70, 0, 0, RGB(230, 230, 230), label, dc);
    ReleaseDC(frame, dc);
  }
  HDC dc = GetDC(gallery);
  for (int slot = 0; slot < kQwFontSlots; slot++) {
    HGDIOBJ old = SelectObject(dc, QwFontTable[slot]);
    char text[64];
    std::snprintf(text, sizeof text, "Font slot %d: Gelvane Demo 0123", slot + 1);
    GVDrawText(dc, 10, 95 + slot * 24, 240, 240, 200, text, static_cast<int>(std::strlen(text)));
    SelectObject(dc, old);
  }
  const HBRUSH brushes[] = {QwPens.brushGrey80,  QwPens.brushGrey100, QwPens.brushGrey191, QwPens.brushBlack,
                            QwPens.brushOrange,  QwPens.brushPink,    QwPens.brushSlate,   QwPens.brushLavender,
                            QwPens.brushNavy,    QwPens.brushGrey200, QwPens.brushGrey220, QwPens.brushToolTip,
                            QwPens.brushGrey170, QwPens.brushGrey90};
  int i = 0;
  for (HBRUSH b : brushes) GVFillRect(330 + (i % 7) * 42, 100 + (i / 7) * 42, 36, 36, dc, b), i++;
  const HPEN pens[] = {QwPens.penGrey100, QwPens.penBlack,   QwPens.penYellow2, QwPens.penYellow3,
                       QwPens.penGreen2,  QwPens.penLavender2, QwPens.penBlue,  QwPens.penNavy2,
                       QwPens.penGrey70,  QwPens.penGrey170,   QwPens.penRed};
  i = 0;
  for (HPEN p : pens) {
    HGDIOBJ old = SelectObject(dc, p);
    GVDrawLine(dc, 330, 200 + i * 10, 620, 200 + i * 10);
    SelectObject(dc, old);
    i++;
  }
  ReleaseDC(gallery, dc);
  GVComposeScreen();
  EXPECT_EQ(screen(330 + 5 * 42 + 5, 105), RGB(250, 150, 200));
  EXPECT_EQ(screen(400, 200 + 2 * 10), RGB(250, 250, 100));
  EXPECT_EQ(screen(400, 200 + 10 * 10), RGB(250, 0, 0));
  EXPECT_TRUE(GVSaveScreenPng("toolkit_gallery.png"));
}

}  // namespace
