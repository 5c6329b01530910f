// Feeds arbitrary bytes to the Geo record reader of scene and object files,
// then writes what was read and reads that again: a record that reads must
// write and read back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "geo/geo_object.h"
#include "geo/geo_record_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  GObject geo;
  if (GVReadGeo(f, &geo)) {
    FILE* out = std::tmpfile();
    if (out) {
      if (!GVWriteGeo(out, &geo)) std::abort();
      std::rewind(out);
      GObject again;
      if (!GVReadGeo(out, &again)) std::abort();
      std::fclose(out);
    }
  }
  std::fclose(f);
  return 0;
}
