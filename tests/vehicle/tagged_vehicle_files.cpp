#include "tagged_vehicle_files.h"

#include <cstring>

static void putWord(FILE* f, uint32_t w) {
  const unsigned char b[4] = {static_cast<unsigned char>(w), static_cast<unsigned char>(w >> 8),
                              static_cast<unsigned char>(w >> 16), static_cast<unsigned char>(w >> 24)};
  std::fwrite(b, 1, 4, f);
}

void WriteTaggedVehicle(FILE* f, int32_t version, const std::vector<uint32_t>& words,
                        const std::vector<float>& aux) {
  putWord(f, 0);
  putWord(f, static_cast<uint32_t>(version));
  for (uint32_t w : words) putWord(f, w);
  for (int k = 0; k < (version > 1 ? 12 : 6); ++k) putWord(f, 0);
  putWord(f, static_cast<uint32_t>(aux.size()));
  for (float a : aux) {
    uint32_t w;
    std::memcpy(&w, &a, sizeof w);
    putWord(f, w);
  }
  putWord(f, 0);
}
