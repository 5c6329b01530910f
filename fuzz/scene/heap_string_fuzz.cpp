// The string readers on arbitrary input: the counted file form, the checked
// stream form over ints and bytes cut from the input, and name cleaning.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "records/heap_string.h"
#include "records/item_stream.h"

static void FileStrings(const uint8_t* data, size_t size) {
  FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!f) return;
  char* text = nullptr;
  for (int guard = 0; guard < 1000 && GVReadString(f, &text); ++guard) {
    // Written back, a string reads as itself (up to an embedded zero).
    char* buf = nullptr;
    size_t len = 0;
    FILE* w = open_memstream(&buf, &len);
    GVWriteString(w, text);
    std::fclose(w);
    FILE* r = fmemopen(buf, len, "rb");
    char* again = nullptr;
    if (!r || !GVReadString(r, &again) || std::strcmp(again, text) != 0) std::abort();
    std::fclose(r);
    GVFreeString(&again);
    std::free(buf);
  }
  GVFreeString(&text);
  std::fclose(f);
}

static void StreamStrings(const uint8_t* data, size_t size) {
  // First byte: how many ints follow; the rest is the byte array.
  const size_t nInts = size ? data[0] : 0;
  if (size < 1 + 4 * nInts) return;
  ItemStream s;
  s.intCount = static_cast<uint32_t>(nInts);
  s.byteCount = static_cast<uint32_t>(size - 1 - 4 * nInts);
  if (GVItemStreamAlloc(&s) != kItemStreamOk) return;
  if (nInts) std::memcpy(s.ints, data + 1, 4 * nInts);
  if (s.byteCount) std::memcpy(s.bytes, data + 1 + 4 * nInts, s.byteCount);
  s.intCount = s.byteCount = 0;
  char* text = nullptr;
  char name[20];
  for (uint32_t i = 0;; ++i) {
    const int got = (i & 1) ? GVItemStreamGetString(&s, name, sizeof name) : GVItemStreamGetNewString(&s, &text);
    if (!got) break;
    if (s.intCount > s.intSize || s.byteCount > s.byteSize) std::abort();
  }
  GVFreeString(&text);
  GVItemStreamReset(&s);
}

static void CleanNames(const uint8_t* data, size_t size) {
  std::vector<char> name(data, data + size);
  name.push_back('\0');
  const int r = GVCleanName(name.data());
  if (r < 0) return;
  std::vector<char> once(name);
  const int again = GVCleanName(name.data());
  if (name[0] && (again != 1 || std::strcmp(name.data(), once.data()) != 0)) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FileStrings(data, size);
  StreamStrings(data, size);
  CleanNames(data, size);
  return 0;
}
