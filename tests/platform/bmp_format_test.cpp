#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gdi_test_support.h"
#include "platform/bmp_format.h"
#include "platform/pixel_surface.h"
#include "platform/resource_data.h"

namespace {

void put16(std::vector<uint8_t>& v, size_t at, uint16_t x) {
  v[at] = x & 0xff;
  v[at + 1] = x >> 8;
}
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; i++) v[at + i] = (x >> (8 * i)) & 0xff;
}

// A bottom-up BMP of the given depth whose pixel (x, y) comes from `pixel`.
std::vector<uint8_t> makeBmp(int w, int h, int bits, uint32_t (*pixel)(int, int),
                             int paletteSize = 0, const uint32_t* palette = nullptr) {
  size_t stride = ((size_t(w) * bits + 31) / 32) * 4;
  size_t offset = 14 + 40 + size_t(paletteSize) * 4;
  std::vector<uint8_t> v(offset + stride * h, 0);
  v[0] = 'B', v[1] = 'M';
  put32(v, 2, static_cast<uint32_t>(v.size()));
  put32(v, 10, static_cast<uint32_t>(offset));
  put32(v, 14, 40);
  put32(v, 18, w);
  put32(v, 22, h);
  put16(v, 26, 1);
  put16(v, 28, static_cast<uint16_t>(bits));
  put32(v, 46, paletteSize);
  for (int i = 0; i < paletteSize; i++) put32(v, 54 + 4 * i, palette[i]);
  for (int y = 0; y < h; y++) {
    uint8_t* row = v.data() + offset + stride * (h - 1 - y);
    for (int x = 0; x < w; x++) {
      uint32_t p = pixel(x, y);
      switch (bits) {
        case 1: if (p) row[x / 8] |= 0x80 >> (x % 8); break;
        case 8: row[x] = static_cast<uint8_t>(p); break;
        case 24: row[3 * x] = p & 0xff, row[3 * x + 1] = (p >> 8) & 0xff, row[3 * x + 2] = p >> 16; break;
        case 32: put32(v, offset + stride * (h - 1 - y) + 4 * x, p); break;
      }
    }
  }
  return v;
}

uint32_t gradient(int x, int y) { return (uint32_t(x * 40) << 16) | (uint32_t(y * 50) << 8) | 7; }
uint32_t checker(int x, int y) { return (x + y) % 2; }

TEST(BmpFormat, DecodesEachDepthTopDown) {
  const uint32_t palette[2] = {0x00FF0000, 0x0000FF00};
  struct Case {
    int bits;
    uint32_t (*pixel)(int, int);
    int paletteSize;
  } cases[] = {{24, gradient, 0}, {32, gradient, 0}, {8, checker, 2}, {1, checker, 2}};
  for (const Case& c : cases) {
    std::vector<uint8_t> file = makeBmp(5, 3, c.bits, c.pixel, c.paletteSize, palette);
    GVDecodedBitmap out;
    ASSERT_TRUE(GVDecodeBmp(file.data(), file.size(), &out)) << c.bits;
    EXPECT_EQ(out.width, 5);
    EXPECT_EQ(out.height, 3);
    for (int y = 0; y < 3; y++)
      for (int x = 0; x < 5; x++) {
        uint32_t expected = c.pixel(x, y);
        if (c.bits == 8) expected = palette[expected];
        if (c.bits == 1) expected = expected ? 0xFFFFFF : 0;
        EXPECT_EQ(out.pixels[y * 5 + x], expected) << c.bits << " at " << x << "," << y;
      }
    EXPECT_EQ(out.bitsPixel, c.bits == 1 ? 1 : 32);
  }
}

TEST(BmpFormat, RefusesDamagedFiles) {
  std::vector<uint8_t> good = makeBmp(4, 4, 24, gradient);
  GVDecodedBitmap out;
  ASSERT_TRUE(GVDecodeBmp(good.data(), good.size(), &out));
  // Every truncation fails cleanly.
  for (size_t n = 0; n < good.size(); n++) EXPECT_FALSE(GVDecodeBmp(good.data(), n, &out)) << n;
  struct Damage {
    size_t at;
    uint32_t value;
  } damages[] = {{0, 0x4141},        {10, 0xFFFFFF00}, {14, 8},       {18, 0},
                 {18, 0x7FFFFFFF},   {22, 0x80000000}, {28, 7},       {30, 1 /* RLE8 */}};
  for (const Damage& d : damages) {
    std::vector<uint8_t> bad = good;
    if (d.at == 0)
      put16(bad, 0, static_cast<uint16_t>(d.value));
    else if (d.at == 28)
      put16(bad, 28, static_cast<uint16_t>(d.value));
    else
      put32(bad, d.at, d.value);
    EXPECT_FALSE(GVDecodeBmp(bad.data(), bad.size(), &out)) << "damage at " << d.at;
  }
}

TEST(LoadImage, LoadsABitmapResourceById) {
  static std::vector<uint8_t> file = makeBmp(3, 2, 24, gradient);
  static const GVResource table[] = {{"BITMAP", 9001, file.data(), file.size()}};
  GVAddResources(table, 1);
  HBITMAP b = static_cast<HBITMAP>(
      LoadImageA(nullptr, MAKEINTRESOURCEA(9001), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(b, nullptr);
  BITMAP bm;
  GetObjectA(b, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmHeight, 2);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, b);
  EXPECT_EQ(GetPixel(dc, 2, 1), GVColorRefFromPixel(gradient(2, 1)));
  DeleteDC(dc);
  DeleteObject(b);
  EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCEA(9002), IMAGE_BITMAP, 0, 0, 0), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCEA(9001), IMAGE_ICON, 0, 0, 0), nullptr);
}

}  // namespace
