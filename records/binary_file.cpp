#include "records/binary_file.h"

#include <cstring>

namespace {

uint32_t loadLE32(const unsigned char* b) {
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

void storeLE32(unsigned char* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = (unsigned char)(v >> (8 * i));
}

}  // namespace

int GVFileReadBytes(FILE* f, void* out, size_t n) {
  if (!f) return 0;
  return n == 0 || std::fread(out, 1, n, f) == n;
}

int GVFileSkip(FILE* f, size_t n) {
  unsigned char buf[256];
  while (n > 0) {
    size_t k = n < sizeof buf ? n : sizeof buf;
    if (!GVFileReadBytes(f, buf, k)) return 0;
    n -= k;
  }
  return 1;
}

int GVFileReadU32(FILE* f, uint32_t* out) {
  unsigned char b[4];
  if (!GVFileReadBytes(f, b, 4)) return 0;
  *out = loadLE32(b);
  return 1;
}

int GVFileReadI32(FILE* f, int32_t* out) {
  uint32_t v;
  if (!GVFileReadU32(f, &v)) return 0;
  *out = int32_t(v);
  return 1;
}

int GVFileReadF32(FILE* f, float* out) {
  uint32_t v;
  if (!GVFileReadU32(f, &v)) return 0;
  std::memcpy(out, &v, 4);
  return 1;
}

int GVFileReadF64(FILE* f, double* out) {
  unsigned char b[8];
  if (!GVFileReadBytes(f, b, 8)) return 0;
  uint64_t v = uint64_t(loadLE32(b)) | uint64_t(loadLE32(b + 4)) << 32;
  std::memcpy(out, &v, 8);
  return 1;
}

int GVFileWriteBytes(FILE* f, const void* data, size_t n) {
  if (!f) return 0;
  return n == 0 || std::fwrite(data, 1, n, f) == n;
}

int GVFileWriteU32(FILE* f, uint32_t v) {
  unsigned char b[4];
  storeLE32(b, v);
  return GVFileWriteBytes(f, b, 4);
}

int GVFileWriteI32(FILE* f, int32_t v) { return GVFileWriteU32(f, uint32_t(v)); }

int GVFileWriteF32(FILE* f, float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  return GVFileWriteU32(f, u);
}

int GVFileWriteF64(FILE* f, double v) {
  uint64_t u;
  std::memcpy(&u, &v, 8);
  unsigned char b[8];
  storeLE32(b, uint32_t(u));
  storeLE32(b + 4, uint32_t(u >> 32));
  return GVFileWriteBytes(f, b, 8);
}

long long GVFileRemaining(FILE* f) {
  if (!f) return -1;
  long here = std::ftell(f);
  if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(f);
  std::fseek(f, here, SEEK_SET);
  if (end < here) return -1;
  return (long long)(end - here);
}
