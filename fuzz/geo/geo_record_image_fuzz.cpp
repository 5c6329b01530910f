// Feeds arbitrary bytes, taken as an item-stream container, to the Geo image
// reader, then puts what was read into a new image and reads that again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/stream_input.h"
#include "geo/geo_object.h"
#include "geo/geo_record_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ItemStream stream;
  if (FuzzReadStream(data, size, &stream)) {
    GObject geo;
    if (GVReadGeoImage(&geo, &stream)) {
      ItemStream out;
      GVCountGeoImage(&out, &geo);
      if (GVItemStreamAlloc(&out) != kItemStreamOk) std::abort();
      FuzzRewindStream(&out);
      if (!GVPutGeoImage(&out, &geo)) std::abort();
      FuzzRewindStream(&out);
      GObject again;
      if (!GVReadGeoImage(&again, &out)) std::abort();
      GVItemStreamReset(&out);
    }
  }
  GVItemStreamReset(&stream);
  return 0;
}
