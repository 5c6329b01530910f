// A Jel record read from a damaged scene or object file: refused whole (the
// Jel left default, nothing leaked) or taken whole; a taken record writes in
// the newest version, reads back and writes again to the same bytes.
//
// Input: one selector byte (bit 0: the channel-data header form records of
// version 3 on inherit, 1 = short; bits 1..3: the file-version word 0..7),
// then the record.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "jel/jel_object.h"
#include "jel/jel_record_io.h"
#include "records/file_version.h"

static std::vector<unsigned char> recordBytes(const HObject& jel) {
  char* buf = nullptr;
  size_t size = 0;
  FILE* f = open_memstream(&buf, &size);
  if (!f) std::abort();
  if (jel.write(f) != 1) std::abort();
  std::fclose(f);
  std::vector<unsigned char> out(buf, buf + size);
  std::free(buf);
  return out;
}

static int readRecord(HObject* jel, const unsigned char* data, size_t size, ChanHeaderForm form) {
  // fmemopen refuses an empty buffer; an empty file has no lead.
  if (!size) return jel->read(nullptr, &form);
  FILE* f = fmemopen(const_cast<unsigned char*>(data), size, "rb");
  if (!f) std::abort();
  const int rc = jel->read(f, &form);
  std::fclose(f);
  return rc;
}

static bool isDefault(const HObject& jel) {
  return jel.nodeCount == 0 && !jel.frameStore && !jel.partMask && !jel.pos && !jel.state;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const ChanHeaderForm form = (data[0] & 1) ? kChanHeaderShort : kChanHeaderFull;
  GVSetFileVersion((data[0] >> 1) & 7);

  HObject jel;
  if (readRecord(&jel, data + 1, size - 1, form) != kJelReadOk) {
    if (!isDefault(jel)) std::abort();
    return 0;
  }
  const std::vector<unsigned char> first = recordBytes(jel);
  HObject again;
  if (readRecord(&again, first.data(), first.size(), kChanHeaderFull) != kJelReadOk) std::abort();
  if (recordBytes(again) != first) std::abort();
  return 0;
}
