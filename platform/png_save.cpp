// Saving a surface as PNG: the screen image and single windows, for tests and
// the application's screenshots.
#include <png.h>

#include <vector>

#include "platform/image_file.h"
#include "platform/pixel_surface.h"

bool GVSavePng(const GVSurface& surface, const char* path) {
  if (surface.width <= 0 || surface.height <= 0) return false;
  GVImageFile out;
  if (!GVOpenImageFile(path, &out)) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(static_cast<size_t>(surface.width) * 3);
  volatile bool ok = false;  // set after setjmp, read after a longjmp
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, out.file);
    png_set_IHDR(png, info, surface.width, surface.height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < surface.height; y++) {
      GVPixelsToRgb(surface.row(y), surface.width, row.data());
      png_write_row(png, row.data());
    }
    png_write_end(png, info);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return GVCloseImageFile(&out, ok);
}
