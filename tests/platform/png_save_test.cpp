#include <png.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "platform/pixel_surface.h"

namespace {

bool readPng(const char* path, GVSurface* out) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> buf(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buf.data(), 0, nullptr)) return false;
  out->resize(image.width, image.height, 0);
  for (size_t i = 0; i < out->pixels.size(); i++)
    out->pixels[i] = (uint32_t(buf[3 * i]) << 16) | (uint32_t(buf[3 * i + 1]) << 8) | buf[3 * i + 2];
  return true;
}

TEST(SavePng, PixelsRoundTripExactly) {
  GVSurface s;
  s.resize(7, 5, 0);
  for (int y = 0; y < 5; y++)
    for (int x = 0; x < 7; x++) s.row(y)[x] = (uint32_t(x * 36) << 16) | (uint32_t(y * 60) << 8) | 0x41;
  ASSERT_TRUE(GVSavePng(s, "roundtrip.png"));
  GVSurface back;
  ASSERT_TRUE(readPng("roundtrip.png", &back));
  EXPECT_EQ(back.width, 7);
  EXPECT_EQ(back.height, 5);
  EXPECT_EQ(back.pixels, s.pixels);
  std::remove("roundtrip.png");
}

TEST(SavePng, FailsForAnEmptySurfaceOrAnUnwritablePath) {
  GVSurface empty;
  EXPECT_FALSE(GVSavePng(empty, "empty.png"));
  GVSurface s;
  s.resize(2, 2, 0);
  EXPECT_FALSE(GVSavePng(s, "no/such/folder/x.png"));
}

}  // namespace

TEST(SavePng, AlphaFormKeepsEachPixelsTopByte) {
  GVSurface s;
  s.resize(3, 2, 0);
  s.pixels = {0x00102030u, 0xff405060u, 0x80708090u, 0x01a0b0c0u, 0xfe000000u, 0x7fffffffu};
  ASSERT_TRUE(GVSavePngAlpha(s, "alpha.png"));
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, "alpha.png"));
  EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_ALPHA);
  image.format = PNG_FORMAT_RGBA;
  std::vector<png_byte> buf(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, buf.data(), 0, nullptr));
  for (size_t i = 0; i < s.pixels.size(); i++) {
    const uint32_t back = (uint32_t(buf[4 * i + 3]) << 24) | (uint32_t(buf[4 * i]) << 16) |
                          (uint32_t(buf[4 * i + 1]) << 8) | buf[4 * i + 2];
    EXPECT_EQ(back, s.pixels[i]) << i;
  }
  std::remove("alpha.png");
  EXPECT_FALSE(GVSavePngAlpha(s, "no/such/folder/x.png"));
}
