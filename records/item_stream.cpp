#include "records/item_stream.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

#include "records/binary_file.h"

// The four arrays in file order, seen as raw storage. Writer and reader loop over
// this one description so that they keep the same order.
namespace {
struct ArrayView {
  uint32_t count;
  uint32_t size;
  unsigned char* data;
  size_t elementSize;
};
}  // namespace

static void ViewArrays(const ItemStream* s, ArrayView out[4]) {
  out[0] = {s->byteCount, s->byteSize, reinterpret_cast<unsigned char*>(s->bytes), 1};
  out[1] = {s->intCount, s->intSize, reinterpret_cast<unsigned char*>(s->ints), 4};
  out[2] = {s->floatCount, s->floatSize, reinterpret_cast<unsigned char*>(s->floats), 4};
  out[3] = {s->itemCount, s->itemSize, reinterpret_cast<unsigned char*>(s->items), 8};
}

static bool HostIsLittleEndian() {
  const uint16_t probe = 1;
  unsigned char first;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

// Reverses each element of an array in place; used only on big-endian hosts.
static void SwapElements(unsigned char* data, size_t count, size_t elementSize) {
  for (size_t i = 0; i < count; ++i) {
    unsigned char* e = data + i * elementSize;
    for (size_t a = 0, b = elementSize - 1; a < b; ++a, --b) {
      unsigned char t = e[a];
      e[a] = e[b];
      e[b] = t;
    }
  }
}

static void PutU32(unsigned char* out, uint32_t v) {
  out[0] = static_cast<unsigned char>(v);
  out[1] = static_cast<unsigned char>(v >> 8);
  out[2] = static_cast<unsigned char>(v >> 16);
  out[3] = static_cast<unsigned char>(v >> 24);
}

static uint32_t GetU32(const unsigned char* in) {
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

template <typename T>
static bool MakeArray(uint32_t count, T** made) {
  *made = nullptr;
  if (count == 0) return true;
  *made = static_cast<T*>(std::calloc(static_cast<size_t>(count) + 1, sizeof(T)));
  return *made != nullptr;
}

template <typename T>
static void TakeArray(uint32_t count, T* made, T** array, uint32_t* size) {
  if (count == 0) return;
  std::free(*array);
  *array = made;
  *size = count;
}

int GVItemStreamAlloc(ItemStream* stream) {
  assert(stream);
  uint8_t* bytes;
  int32_t* ints;
  float* floats;
  double* items;
  bool ok = MakeArray(stream->byteCount, &bytes);
  ok = MakeArray(ok ? stream->intCount : 0, &ints) && ok;
  ok = MakeArray(ok ? stream->floatCount : 0, &floats) && ok;
  ok = MakeArray(ok ? stream->itemCount : 0, &items) && ok;
  if (!ok) {
    std::free(bytes);
    std::free(ints);
    std::free(floats);
    std::free(items);
    return kItemStreamNoMemory;
  }
  TakeArray(stream->byteCount, bytes, &stream->bytes, &stream->byteSize);
  TakeArray(stream->intCount, ints, &stream->ints, &stream->intSize);
  TakeArray(stream->floatCount, floats, &stream->floats, &stream->floatSize);
  TakeArray(stream->itemCount, items, &stream->items, &stream->itemSize);
  return kItemStreamOk;
}

void GVItemStreamReset(ItemStream* stream) {
  assert(stream);
  GVItemStreamFreeArrays(stream);
  *stream = ItemStream{};
}

void GVItemStreamFreeArrays(ItemStream* stream) {
  assert(stream);
  std::free(stream->bytes);
  std::free(stream->ints);
  std::free(stream->floats);
  std::free(stream->items);
}

int GVItemStreamWrite(const ItemStream* stream, FILE* file) {
  if (!file) return kItemStreamNoFile;
  assert(stream);
  ArrayView arrays[4];
  ViewArrays(stream, arrays);
  for (const ArrayView& a : arrays) {
    if (a.count != 0 && (!a.data || a.count > a.size)) return kItemStreamBadCounts;
  }

  unsigned char header[16];
  for (int i = 0; i < 4; ++i) PutU32(header + 4 * i, arrays[i].count);
  if (std::fwrite(header, 1, sizeof header, file) != sizeof header) return kItemStreamWriteFailed;

  const bool little = HostIsLittleEndian();
  for (const ArrayView& a : arrays) {
    if (a.count == 0) continue;
    const unsigned char* src = a.data;
    if (little || a.elementSize == 1) {
      if (std::fwrite(src, a.elementSize, a.count, file) != a.count) return kItemStreamWriteFailed;
      continue;
    }
    // Big-endian host: reorder through a small staging buffer.
    unsigned char stage[4096];
    const size_t perChunk = sizeof stage / a.elementSize;
    for (size_t done = 0; done < a.count;) {
      size_t n = a.count - done < perChunk ? a.count - done : perChunk;
      std::memcpy(stage, src + done * a.elementSize, n * a.elementSize);
      SwapElements(stage, n, a.elementSize);
      if (std::fwrite(stage, a.elementSize, n, file) != n) return kItemStreamWriteFailed;
      done += n;
    }
  }
  return kItemStreamOk;
}

int GVItemStreamRead(ItemStream* stream, FILE* file) {
  if (!file) return kItemStreamNoFile;
  assert(stream);
  GVItemStreamReset(stream);

  unsigned char header[16];
  if (std::fread(header, 1, sizeof header, file) != sizeof header) return kItemStreamHeaderNotRead;

  ItemStream loaded;
  loaded.byteCount = GetU32(header);
  loaded.intCount = GetU32(header + 4);
  loaded.floatCount = GetU32(header + 8);
  loaded.itemCount = GetU32(header + 12);
  ArrayView arrays[4];
  ViewArrays(&loaded, arrays);
  uint64_t total = 0;
  for (const ArrayView& a : arrays) {
    if (a.count == UINT32_MAX) return kItemStreamBadCounts;
    total += static_cast<uint64_t>(a.count) * a.elementSize;
  }
  if (total == 0) return kItemStreamOk;
  if (total > kItemStreamMaxBytes) return kItemStreamBadCounts;
  const long long remaining = GVFileRemaining(file);
  if (remaining >= 0 && total > static_cast<uint64_t>(remaining)) return kItemStreamBadCounts;

  if (GVItemStreamAlloc(&loaded) != kItemStreamOk) return kItemStreamNoMemory;
  ViewArrays(&loaded, arrays);
  const bool little = HostIsLittleEndian();
  for (const ArrayView& a : arrays) {
    if (a.count == 0) continue;
    if (std::fread(a.data, a.elementSize, a.count, file) != a.count) {
      GVItemStreamReset(&loaded);
      return kItemStreamTruncated;
    }
    if (!little && a.elementSize > 1) SwapElements(a.data, a.count, a.elementSize);
  }
  *stream = loaded;
  return kItemStreamOk;
}

int GVItemStreamHasRoom(const ItemStream* stream, uint32_t bytes, uint32_t ints, uint32_t floats,
                        uint32_t items) {
  assert(stream);
  ArrayView arrays[4];
  ViewArrays(stream, arrays);
  const uint32_t wanted[4] = {bytes, ints, floats, items};
  for (int i = 0; i < 4; ++i) {
    if (wanted[i] == 0) continue;
    if (!arrays[i].data || arrays[i].count > arrays[i].size) return 0;
    if (wanted[i] > arrays[i].size - arrays[i].count) return 0;
  }
  return 1;
}

int GVItemStreamTakeInt(ItemStream* stream, int32_t* out) {
  if (!GVItemStreamHasRoom(stream, 0, 1, 0, 0)) return 0;
  *out = stream->ints[stream->intCount++];
  return 1;
}

int GVItemStreamTakeFloat(ItemStream* stream, float* out) {
  if (!GVItemStreamHasRoom(stream, 0, 0, 1, 0)) return 0;
  *out = stream->floats[stream->floatCount++];
  return 1;
}

int GVItemStreamTakeItem(ItemStream* stream, double* out) {
  if (!GVItemStreamHasRoom(stream, 0, 0, 0, 1)) return 0;
  *out = stream->items[stream->itemCount++];
  return 1;
}
