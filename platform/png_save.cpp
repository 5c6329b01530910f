// Saving a surface as PNG: the screen image and single windows, for tests and
// the application's screenshots.
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/pixel_surface.h"

bool GVSavePng(const GVSurface& surface, const char* path) {
  if (!path || surface.width <= 0 || surface.height <= 0) return false;
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  FILE* f = std::fopen(p.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(static_cast<size_t>(surface.width) * 3);
  volatile bool ok = false;  // set after setjmp, read after a longjmp
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_set_IHDR(png, info, surface.width, surface.height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < surface.height; y++) {
      const uint32_t* src = surface.row(y);
      for (int x = 0; x < surface.width; x++) {
        row[x * 3] = static_cast<png_byte>(src[x] >> 16);
        row[x * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
        row[x * 3 + 2] = static_cast<png_byte>(src[x]);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, info);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  bool closed = std::fclose(f) == 0;
  if (!ok || !closed) {
    std::remove(p.c_str());
    return false;
  }
  return true;
}
