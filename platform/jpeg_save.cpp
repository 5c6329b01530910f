// Saving a surface as a baseline JPEG (the 3-D view's background images).
#include <cstdio>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include <csetjmp>
#include <vector>

#include "platform/image_file.h"
#include "platform/pixel_surface.h"

namespace {

struct JpegError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void onError(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void onMessage(j_common_ptr) {}

}  // namespace

bool GVSaveJpeg(const GVSurface& surface, const char* path, int quality) {
  if (surface.width <= 0 || surface.height <= 0) return false;
  GVImageFile out;
  if (!GVOpenImageFile(path, &out)) return false;
  jpeg_compress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.base);
  error.base.error_exit = onError;
  error.base.output_message = onMessage;
  std::vector<JSAMPLE> row(static_cast<size_t>(surface.width) * 3);
  volatile bool ok = false;  // set after setjmp, read after a longjmp
  if (setjmp(error.jump) == 0) {
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out.file);
    info.image_width = static_cast<JDIMENSION>(surface.width);
    info.image_height = static_cast<JDIMENSION>(surface.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality < 1 ? 1 : quality > 100 ? 100 : quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      GVPixelsToRgb(surface.row(static_cast<int>(info.next_scanline)), surface.width, row.data());
      JSAMPROW rows[1] = {row.data()};
      jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    ok = true;
  }
  jpeg_destroy_compress(&info);
  return GVCloseImageFile(&out, ok);
}
