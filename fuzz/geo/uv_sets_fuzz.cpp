// Feeds arbitrary bytes to the file readers of UV sets, materials and colour
// sets. The first byte chooses the legacy or current form; the rest is read as
// the three containers in the order a Geo record holds them. Whatever is read
// is written again, read back and compared, so reader and writer stay mirrors.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "geo/uv_set_io.h"

static std::vector<unsigned char> contents(FILE* f) {
  std::vector<unsigned char> out;
  std::rewind(f);
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<unsigned char>(c));
  std::rewind(f);
  return out;
}

static void writeAll(FILE* f, int legacy, const GeoColourSetArray* c, const UVSetArray* u,
                     const GeoMaterialArray* m) {
  GVWriteColourSets(f, legacy, c);
  GVWriteUVSets(f, legacy, u);
  GVWriteGeoMaterials(f, legacy, m);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int legacy = data[0] & 1;
  FILE* f = std::tmpfile();
  if (!f) return 0;
  std::fwrite(data + 1, 1, size - 1, f);
  std::rewind(f);

  GeoColourSetArray col{0, nullptr};
  UVSetArray uv{0, nullptr};
  GeoMaterialArray mat{0, nullptr};
  GVReadColourSets(f, legacy, &col);
  GVReadUVSets(f, legacy, &uv);
  GVReadGeoMaterials(f, legacy, &mat);
  std::fclose(f);

  FILE* a = std::tmpfile();
  FILE* b = std::tmpfile();
  if (a && b) {
    writeAll(a, legacy, &col, &uv, &mat);
    std::rewind(a);
    GeoColourSetArray col2{0, nullptr};
    UVSetArray uv2{0, nullptr};
    GeoMaterialArray mat2{0, nullptr};
    if (!GVReadColourSets(a, legacy, &col2) || !GVReadUVSets(a, legacy, &uv2) ||
        !GVReadGeoMaterials(a, legacy, &mat2))
      std::abort();
    writeAll(b, legacy, &col2, &uv2, &mat2);
    if (contents(a) != contents(b)) std::abort();
    delete[] col2.sets;
    delete[] uv2.sets;
    delete[] mat2.materials;
  }
  if (a) std::fclose(a);
  if (b) std::fclose(b);
  delete[] col.sets;
  delete[] uv.sets;
  delete[] mat.materials;
  return 0;
}
