// A Jel image parsed from a damaged item stream: refused whole (cursors and Jel
// as they were) or taken whole; a taken image puts, parses and puts again to
// the same values.
//
// Input: one selector byte (the file-version word 0..7 in its low bits), then
// an item-stream file holding the image at the start of its arrays.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "jel/jel_object.h"
#include "jel/jel_record_io.h"
#include "records/file_version.h"
#include "records/item_stream.h"

static void putImage(const HObject& jel, ItemStream* s) {
  jel.countArrays(s);
  if (GVItemStreamAlloc(s) != kItemStreamOk) std::abort();
  s->intCount = s->floatCount = s->byteCount = 0;
  if (jel.writeArrays(s) != 1) std::abort();
  s->intSize = s->intCount;
  s->floatSize = s->floatCount;
  s->byteSize = s->byteCount;
}

static bool sameArrays(const ItemStream& a, const ItemStream& b) {
  if (a.intCount != b.intCount || a.floatCount != b.floatCount || a.byteCount != b.byteCount) return false;
  if (a.intCount && std::memcmp(a.ints, b.ints, 4 * size_t(a.intCount)) != 0) return false;
  if (a.byteCount && std::memcmp(a.bytes, b.bytes, size_t(a.byteCount)) != 0) return false;
  return !a.floatCount || std::memcmp(a.floats, b.floats, 4 * size_t(a.floatCount)) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  GVSetFileVersion(data[0] & 7);
  FILE* f = fmemopen(const_cast<uint8_t*>(data + 1), size - 1, "rb");
  if (!f) return 0;
  ItemStream stream;
  const int rc = GVItemStreamRead(&stream, f);
  std::fclose(f);
  if (rc != kItemStreamOk) return 0;
  stream.byteCount = stream.intCount = stream.floatCount = stream.itemCount = 0;

  HObject jel;
  if (jel.readArrays(&stream) != kJelReadOk) {
    if (stream.intCount || stream.floatCount || stream.byteCount) std::abort();
    if (jel.nodeCount != 0 || jel.frameStore || jel.pos || jel.state) std::abort();
    GVItemStreamReset(&stream);
    return 0;
  }
  GVItemStreamReset(&stream);

  ItemStream first, second;
  putImage(jel, &first);
  const ItemStream sizes = first;
  first.intCount = first.floatCount = first.byteCount = 0;
  HObject again;
  if (again.readArrays(&first) != kJelReadOk) std::abort();
  putImage(again, &second);
  first.intCount = sizes.intCount;
  first.floatCount = sizes.floatCount;
  first.byteCount = sizes.byteCount;
  if (!sameArrays(first, second)) std::abort();
  GVItemStreamReset(&first);
  GVItemStreamReset(&second);
  return 0;
}
