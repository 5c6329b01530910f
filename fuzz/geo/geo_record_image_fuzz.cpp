// Feeds arbitrary bytes, taken as an item-stream container, to the Geo image
// reader, then puts what was read into a new image and reads that again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "geo/geo_object.h"
#include "geo/geo_record_io.h"
#include "scene/item_stream.h"

static void rewindStream(ItemStream* s) { s->byteCount = s->intCount = s->floatCount = s->itemCount = 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  ItemStream stream;
  if (GVItemStreamRead(&stream, f) == kItemStreamOk) {
    rewindStream(&stream);
    GObject geo;
    if (GVReadGeoImage(&geo, &stream)) {
      ItemStream out;
      GVCountGeoImage(&out, &geo);
      if (GVItemStreamAlloc(&out) != kItemStreamOk) std::abort();
      rewindStream(&out);
      if (!GVPutGeoImage(&out, &geo)) std::abort();
      rewindStream(&out);
      GObject again;
      if (!GVReadGeoImage(&again, &out)) std::abort();
      GVItemStreamReset(&out);
    }
  }
  GVItemStreamReset(&stream);
  std::fclose(f);
  return 0;
}
