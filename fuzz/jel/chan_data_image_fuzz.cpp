// Channel data parsed from a damaged item-stream image: refused whole or taken
// whole, never a crash or a leak; what was taken puts, parses and puts again to
// the same values.
//
// Input: one selector byte (the file-version word 0..255), then an item-stream
// file whose int array starts with the element count the caller expects.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "jel/chan_data.h"
#include "records/file_version.h"
#include "records/item_stream.h"

static void putImage(const ChanData* cd, ItemStream* s) {
  GVCountChanData(cd, s);
  if (GVItemStreamAlloc(s) != kItemStreamOk) std::abort();
  s->intCount = s->floatCount = 0;
  if (GVPutChanData(cd, s) != 1) std::abort();
}

static bool sameArrays(const ItemStream& a, const ItemStream& b) {
  if (a.intCount != b.intCount || a.floatCount != b.floatCount) return false;
  if (a.intCount && std::memcmp(a.ints, b.ints, 4 * size_t(a.intCount)) != 0) return false;
  return !a.floatCount || std::memcmp(a.floats, b.floats, 4 * size_t(a.floatCount)) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  GVSetFileVersion(data[0]);
  FILE* f = fmemopen(const_cast<uint8_t*>(data + 1), size - 1, "rb");
  if (!f) return 0;
  ItemStream stream;
  const int rc = GVItemStreamRead(&stream, f);
  std::fclose(f);
  if (rc != kItemStreamOk) return 0;
  stream.byteCount = stream.intCount = stream.floatCount = stream.itemCount = 0;

  int32_t n = 0;
  if (GVItemStreamTakeInt(&stream, &n) && n >= 0 && n <= 4096) {
    ChanData* cd = GVNewChanData(n);
    if (GVGetChanData(cd, &stream) == kChanReadOk) {
      ItemStream first, second;
      putImage(cd, &first);
      first.intSize = first.intCount;
      first.floatSize = first.floatCount;
      const uint32_t ints = first.intCount, floats = first.floatCount;
      first.intCount = first.floatCount = 0;
      ChanData* back = GVNewChanData(n);
      if (GVGetChanData(back, &first) != kChanReadOk) std::abort();
      putImage(back, &second);
      first.intCount = ints;
      first.floatCount = floats;
      if (!sameArrays(first, second)) std::abort();
      GVFreeChanData(back);
      GVItemStreamReset(&first);
      GVItemStreamReset(&second);
    }
    GVFreeChanData(cd);
  }
  GVItemStreamReset(&stream);
  return 0;
}
