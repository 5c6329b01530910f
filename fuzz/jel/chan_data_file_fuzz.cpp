// Channel data read from a damaged file: never crashes or leaks, and whatever
// was read writes, reads back and writes again to the same bytes.
//
// Input: one selector byte (bit 0: short header form; bits 1..7: file-version
// word 0..127), a little-endian u32 whose low 10 bits are the element count the
// caller expects, then the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "jel/chan_data.h"
#include "records/file_version.h"

static std::vector<unsigned char> writeToBytes(const ChanData* cd, ChanHeaderForm form) {
  char* buf = nullptr;
  size_t size = 0;
  FILE* f = open_memstream(&buf, &size);
  if (!f) std::abort();
  if (GVWriteChanData(cd, f, form) != 1) std::abort();
  std::fclose(f);
  std::vector<unsigned char> out(buf, buf + size);
  std::free(buf);
  return out;
}

static ChanData* readFromBytes(const unsigned char* data, size_t size, int32_t n,
                               ChanHeaderForm form, int* rc) {
  ChanData* cd = GVNewChanData(n);
  // fmemopen refuses an empty buffer; an empty file reads as a short header.
  static unsigned char none[1];
  FILE* f = fmemopen(size ? const_cast<unsigned char*>(data) : none, size ? size : 1, "rb");
  if (!f) std::abort();
  if (!size) std::fgetc(f);
  *rc = GVReadChanData(cd, f, form);
  std::fclose(f);
  return cd;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const ChanHeaderForm form = (data[0] & 1) ? kChanHeaderShort : kChanHeaderFull;
  GVSetFileVersion(data[0] >> 1);
  uint32_t word;
  std::memcpy(&word, data + 1, 4);
  const int32_t n = static_cast<int32_t>(word & 1023);

  int rc = 0;
  ChanData* cd = readFromBytes(data + 5, size - 5, n, form, &rc);
  const std::vector<unsigned char> first = writeToBytes(cd, form);
  ChanData* again = readFromBytes(first.data(), first.size(), n, form, &rc);
  if (rc != kChanReadOk) std::abort();
  if (writeToBytes(again, form) != first) std::abort();
  GVFreeChanData(cd);
  GVFreeChanData(again);
  return 0;
}
