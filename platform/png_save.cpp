// Saving a surface as PNG: the screen image and single windows, for tests and
// the application's screenshots.
#include <png.h>

#include <vector>

#include "platform/image_file.h"
#include "platform/pixel_surface.h"

namespace {

// One writer for both forms: 8-bit RGB, or RGBA taking alpha from the pixels'
// top byte.
bool savePng(const GVSurface& surface, const char* path, bool alpha) {
  if (surface.width <= 0 || surface.height <= 0) return false;
  GVImageFile out;
  if (!GVOpenImageFile(path, &out)) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  const size_t channels = alpha ? 4 : 3;
  std::vector<png_byte> row(static_cast<size_t>(surface.width) * channels);
  volatile bool ok = false;  // set after setjmp, read after a longjmp
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, out.file);
    png_set_IHDR(png, info, surface.width, surface.height, 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < surface.height; y++) {
      if (alpha) {
        const uint32_t* p = surface.row(y);
        for (int x = 0; x < surface.width; x++) {
          png_byte* o = &row[static_cast<size_t>(x) * 4];
          o[0] = static_cast<png_byte>(p[x] >> 16);
          o[1] = static_cast<png_byte>(p[x] >> 8);
          o[2] = static_cast<png_byte>(p[x]);
          o[3] = static_cast<png_byte>(p[x] >> 24);
        }
      } else {
        GVPixelsToRgb(surface.row(y), surface.width, row.data());
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, info);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return GVCloseImageFile(&out, ok);
}

}  // namespace

bool GVSavePng(const GVSurface& surface, const char* path) { return savePng(surface, path, false); }

bool GVSavePngAlpha(const GVSurface& surface, const char* path) { return savePng(surface, path, true); }
