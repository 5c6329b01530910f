// Feeds arbitrary bytes, as an item-stream container, to the image readers of
// colour sets, UV sets and materials, in the order a Geo image holds them.
#include <cstdint>
#include <cstdio>

#include "fuzz/stream_input.h"
#include "geo/uv_set_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ItemStream stream;
  if (FuzzReadStream(data, size, &stream)) {
    GeoColourSetArray col{0, nullptr};
    UVSetArray uv{0, nullptr};
    GeoMaterialArray mat{0, nullptr};
    GVReadColourSetsImage(&stream, &col);
    GVReadUVSetsImage(&stream, &uv);
    GVReadGeoMaterialsImage(&stream, &mat);
    delete[] col.sets;
    delete[] uv.sets;
    delete[] mat.materials;
  }
  GVItemStreamReset(&stream);
  return 0;
}
