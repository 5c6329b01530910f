// Feeds arbitrary bytes, as an item-stream container, to the image readers of
// colour sets, UV sets and materials, in the order a Geo image holds them.
#include <cstdint>
#include <cstdio>

#include "geo/uv_set_io.h"
#include "scene/item_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  ItemStream stream;
  if (GVItemStreamRead(&stream, f) == kItemStreamOk) {
    stream.byteCount = stream.intCount = stream.floatCount = stream.itemCount = 0;
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
  std::fclose(f);
  return 0;
}
