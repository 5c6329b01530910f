// Bitmap files come from the resource table and, with LR_LOADFROMFILE, from disk.
#include <cstddef>
#include <cstdint>

#include "platform/bmp_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GVDecodedBitmap out;
  if (GVDecodeBmp(data, size, &out)) {
    // A decoded image always has exactly width x height pixels.
    if (out.pixels.size() != size_t(out.width) * size_t(out.height)) __builtin_trap();
  }
  return 0;
}
