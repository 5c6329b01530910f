// File and item-stream forms of channel data. Each form's reader and writer sit
// side by side and walk the record in the same order.
//
// Both forms: a header of the element count and, per channel in flag order, its
// slot count m and a presence word; then, per present channel, slots 0..m, each
// a (word, frame, presence) triple followed, when present, by its n + 1
// elements. The block channel's element is 32 entry triples, each followed by
// n + 1 vec3 when present.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "jel/chan_data.h"
#include "jel/chan_data_internal.h"
#include "jel/element_order.h"
#include "records/binary_file.h"
#include "records/file_version.h"
#include "records/item_stream.h"

namespace {

constexpr int kFullHeaderWords = 17;
constexpr int kShortHeaderWords = 15;
constexpr int kSlotWords = 3;
constexpr int kBlockIndex = 7;

// Channels a header form carries.
int channelsOf(ChanHeaderForm form) { return form == kChanHeaderShort ? 7 : 8; }

// Channels 2, 32 and 64 are stored shuffled from file-version word 1 on.
bool isShuffled(int index) { return index == 0 || index == 4 || index == 5; }

int wordsOf(int index) { return GVChanElementWords(GVChanFlagAt(index)); }

// The image carries channels 2 and 32 in the int array, the rest in the floats.
bool inIntArray(int index) { return index == 0 || index == 4; }

uint32_t floatBits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

float bitsFloat(uint32_t u) {
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

// ---- Words of an element array ----------------------------------------------
// The stored forms see a slot's array as one sequence of 32-bit words, element 0
// first, each element's fields in order.

uint32_t loadWord(int index, const void* data, size_t i) {
  switch (index) {
    case 0:
      return static_cast<uint32_t>(static_cast<const int32_t*>(data)[i]);
    case 4:
      return static_cast<uint32_t>(static_cast<const JelStateRec*>(data)[i / 19].w[i % 19]);
    case 5:
      return floatBits(static_cast<const JelNodeRec*>(data)[i / 72].f[i % 72]);
    case 6:
      return floatBits(GVMatterField(&static_cast<const MatterProps*>(data)[i / 12],
                                     static_cast<int>(i % 12)));
    default:  // channels 4, 8 and 16: plain floats
      return floatBits(static_cast<const float*>(data)[i]);
  }
}

void storeWord(int index, void* data, size_t i, uint32_t v) {
  switch (index) {
    case 0:
      static_cast<int32_t*>(data)[i] = static_cast<int32_t>(v);
      break;
    case 4:
      static_cast<JelStateRec*>(data)[i / 19].w[i % 19] = static_cast<int32_t>(v);
      break;
    case 5:
      static_cast<JelNodeRec*>(data)[i / 72].f[i % 72] = bitsFloat(v);
      break;
    case 6:
      GVMatterSetField(&static_cast<MatterProps*>(data)[i / 12], static_cast<int>(i % 12),
                       bitsFloat(v));
      break;
    default:
      static_cast<float*>(data)[i] = bitsFloat(v);
      break;
  }
}

// The order table for n positions at the current version word, kept between
// calls: every slot of a store has the same length.
const int32_t* orderTable(int32_t n, int32_t step) {
  thread_local std::vector<int32_t> table;
  thread_local int32_t tableN = -1, tableStep = 0;
  if (n != tableN || step != tableStep) {
    table.assign(static_cast<size_t>(n) + 1, 0);
    GVMakeOrderTable(table.data(), n, step);
    tableN = n;
    tableStep = step;
  }
  return table.data();
}

// The stored word sequence of a slot array. Shuffled, stored word 0 is 0 and
// the other words of element 0 are stored as 0 too: the reader zeroes element 0,
// so the writer stores what the reader keeps and a second write matches the
// first.
void toStored(int index, const void* data, int32_t n, std::vector<uint32_t>& out) {
  const size_t w = static_cast<size_t>(wordsOf(index));
  const size_t total = w * (static_cast<size_t>(n) + 1);
  out.resize(total);
  const int32_t version = GVGetFileVersion();
  if (!isShuffled(index) || version < 1) {
    for (size_t i = 0; i < total; ++i) out[i] = loadWord(index, data, i);
    return;
  }
  const int32_t* t = orderTable(static_cast<int32_t>(total - 1), version);
  out[0] = 0;
  for (size_t i = 1; i < total; ++i) {
    const size_t from = static_cast<size_t>(t[i]);
    out[i] = from < w ? 0 : loadWord(index, data, from);
  }
}

// Puts a stored word sequence back into a fresh slot array.
void fromStored(int index, void* data, int32_t n, const std::vector<uint32_t>& in) {
  const size_t w = static_cast<size_t>(wordsOf(index));
  const size_t total = w * (static_cast<size_t>(n) + 1);
  const int32_t version = GVGetFileVersion();
  if (!isShuffled(index) || version < 1) {
    for (size_t i = 0; i < total; ++i) storeWord(index, data, i, in[i]);
    return;
  }
  const int32_t* t = orderTable(static_cast<int32_t>(total - 1), version);
  for (size_t i = 1; i < total; ++i) storeWord(index, data, static_cast<size_t>(t[i]), in[i]);
  for (size_t i = 0; i < w; ++i) storeWord(index, data, i, 0);
}

// Image order of the 72 floats of a JelNodeRec: floats 0..8, then the nine
// per-link groups taken link slot by link slot.
struct NodeImageOrder {
  int at[72];
  NodeImageOrder() {
    int q = 0;
    for (int i = 0; i < 9; ++i) at[q++] = i;
    for (int j = 0; j < 7; ++j)
      for (int g = 0; g < 9; ++g) at[q++] = 9 + 7 * g + j;
  }
};
const NodeImageOrder kNodeImage;

// ---- File form --------------------------------------------------------------

struct FileIn {
  FILE* f;
  int64_t remaining;  // bytes left in the file; INT64_MAX when it cannot tell

  bool words(uint32_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      if (!GVFileReadU32(f, &out[i])) return false;
      remaining -= 4;
    }
    return true;
  }
  // Reads count words in one piece; fails without reading when they are not all
  // in the file.
  bool block(std::vector<uint32_t>& out, size_t count) {
    if (static_cast<uint64_t>(remaining) / 4 < count) return false;
    std::vector<unsigned char> bytes(count * 4);
    if (!GVFileReadBytes(f, bytes.data(), bytes.size())) return false;
    remaining -= static_cast<int64_t>(bytes.size());
    out.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const unsigned char* b = &bytes[i * 4];
      out[i] = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
    return true;
  }
};

struct FileOut {
  explicit FileOut(FILE* file) : f(file) {}
  FILE* f;
  bool ok = true;
  std::vector<unsigned char> buf;

  void word(uint32_t v) {
    for (int i = 0; i < 4; ++i) buf.push_back(static_cast<unsigned char>(v >> (8 * i)));
    if (buf.size() >= 65536) flush();
  }
  void flush() {
    if (!buf.empty() && !GVFileWriteBytes(f, buf.data(), buf.size())) ok = false;
    buf.clear();
  }
};

int readBlockEntries(FileIn& in, ChanBlock* block, int32_t n) {
  const size_t values = 3 * (static_cast<size_t>(n) + 1);
  std::vector<uint32_t> stored;
  for (ChanSlot& e : block->entries) {
    uint32_t rec[kSlotWords];
    if (!in.words(rec, kSlotWords)) return kChanReadShort;
    e.word = static_cast<int32_t>(rec[0]);
    e.frame = static_cast<int32_t>(rec[1]);
    if (!rec[2]) continue;
    if (!in.block(stored, values)) return kChanReadShort;
    float* v = static_cast<float*>(GVChanAllocVec3s(n));
    if (!v) return kChanReadNoMemory;
    for (size_t i = 0; i < values; ++i) v[i] = bitsFloat(stored[i]);
    e.data = v;
  }
  return kChanReadOk;
}

void writeBlockEntries(FileOut& out, const ChanBlock* block, int32_t n) {
  const size_t values = 3 * (static_cast<size_t>(n) + 1);
  for (const ChanSlot& e : block->entries) {
    out.word(static_cast<uint32_t>(e.word));
    out.word(static_cast<uint32_t>(e.frame));
    out.word(e.data ? 1u : 0u);
    if (!e.data) continue;
    const float* v = static_cast<const float*>(e.data);
    for (size_t i = 0; i < values; ++i) out.word(floatBits(v[i]));
  }
}

int readSlotArray(FileIn& in, ChanData* cd, int index, ChanSlot& slot) {
  const int32_t n = cd->count;
  if (index == kBlockIndex) {
    slot.data = GVChanAllocArray(index, n);
    if (!slot.data) return kChanReadNoMemory;
    return readBlockEntries(in, static_cast<ChanBlock*>(slot.data), n);
  }
  std::vector<uint32_t> stored;
  const size_t total = static_cast<size_t>(wordsOf(index)) * (static_cast<size_t>(n) + 1);
  if (!in.block(stored, total)) return kChanReadShort;
  void* data = GVChanAllocArray(index, n);
  if (!data) return kChanReadNoMemory;
  fromStored(index, data, n, stored);
  slot.data = data;
  return kChanReadOk;
}

void writeSlotArray(FileOut& out, const ChanData* cd, int index, const ChanSlot& slot) {
  if (index == kBlockIndex) {
    writeBlockEntries(out, static_cast<const ChanBlock*>(slot.data), cd->count);
    return;
  }
  std::vector<uint32_t> stored;
  toStored(index, slot.data, cd->count, stored);
  for (uint32_t v : stored) out.word(v);
}

bool hasChannels(const ChanData* cd) {
  for (const ChanChannel& ch : cd->channels)
    if (ch.slots) return true;
  return false;
}

}  // namespace

int GVReadChanData(ChanData* cd, FILE* file, ChanHeaderForm form) {
  if (!cd || !file) return kChanReadNothing;
  if (hasChannels(cd)) return kChanReadNotEmpty;
  const long long left = GVFileRemaining(file);
  FileIn in{file, left < 0 ? INT64_MAX : static_cast<int64_t>(left)};

  uint32_t header[kFullHeaderWords] = {};
  const int headerWords = form == kChanHeaderShort ? kShortHeaderWords : kFullHeaderWords;
  if (!in.words(header, static_cast<size_t>(headerWords))) return kChanReadShort;
  if (static_cast<int32_t>(header[0]) != cd->count) return kChanReadBadCount;

  // Every slot of a present channel costs at least its triple: slot counts that
  // the file cannot hold are refused before anything is allocated.
  const int channels = channelsOf(form);
  int64_t least = 0;
  for (int c = 0; c < channels; ++c) {
    if (!header[2 + 2 * c]) continue;
    const int32_t m = static_cast<int32_t>(header[1 + 2 * c]);
    if (m < 0) return kChanReadBadCount;
    least += (static_cast<int64_t>(m) + 1) * kSlotWords * 4;
    if (least > in.remaining) return kChanReadBadCount;
  }

  for (int c = 0; c < channels; ++c) {
    if (!header[2 + 2 * c]) continue;
    const int32_t m = static_cast<int32_t>(header[1 + 2 * c]);
    if (!GVAllocChannels(cd, GVChanFlagAt(c), m)) {
      GVChanFreeChannels(cd);
      return kChanReadNoMemory;
    }
    ChanSlot* slots = cd->channels[c].slots;
    for (int32_t k = 0; k <= m; ++k) {
      uint32_t rec[kSlotWords];
      if (!in.words(rec, kSlotWords)) return kChanReadShort;
      slots[k].word = static_cast<int32_t>(rec[0]);
      slots[k].frame = static_cast<int32_t>(rec[1]);
      if (!rec[2]) continue;
      const int rc = readSlotArray(in, cd, c, slots[k]);
      if (rc != kChanReadOk) return rc;
    }
  }
  return kChanReadOk;
}

int GVWriteChanData(const ChanData* cd, FILE* file, ChanHeaderForm form) {
  if (!cd || !file) return 0;
  FileOut out(file);
  const int channels = channelsOf(form);
  out.word(static_cast<uint32_t>(cd->count));
  for (int c = 0; c < channels; ++c) {
    const ChanChannel& ch = cd->channels[c];
    out.word(ch.slots ? static_cast<uint32_t>(ch.slotCount) : 0u);
    out.word(ch.slots ? 1u : 0u);
  }
  for (int c = 0; c < channels; ++c) {
    const ChanChannel& ch = cd->channels[c];
    if (!ch.slots) continue;
    for (int32_t k = 0; k <= ch.slotCount; ++k) {
      const ChanSlot& slot = ch.slots[k];
      out.word(static_cast<uint32_t>(slot.word));
      out.word(static_cast<uint32_t>(slot.frame));
      out.word(slot.data ? 1u : 0u);
      if (slot.data) writeSlotArray(out, cd, c, slot);
    }
  }
  out.flush();
  return out.ok ? 1 : 0;
}

// ---- Item-stream image -----------------------------------------------------

namespace {

struct ImageSize {
  uint64_t ints = 0;
  uint64_t floats = 0;
};

// Values one present slot array adds to the image.
void addArraySize(int index, const void* data, int32_t n, ImageSize& size) {
  const uint64_t elements = static_cast<uint64_t>(n) + 1;
  if (index == kBlockIndex) {
    const ChanBlock* b = static_cast<const ChanBlock*>(data);
    for (const ChanSlot& e : b->entries) {
      size.ints += kSlotWords;
      if (e.data) size.floats += 3 * elements;
    }
    return;
  }
  const uint64_t values = static_cast<uint64_t>(wordsOf(index)) * elements;
  if (inIntArray(index))
    size.ints += values;
  else
    size.floats += values;
}

ImageSize imageSize(const ChanData* cd) {
  ImageSize size;
  size.ints = kFullHeaderWords;
  for (int c = 0; c < kChanCount; ++c) {
    const ChanChannel& ch = cd->channels[c];
    if (!ch.slots) continue;
    for (int32_t k = 0; k <= ch.slotCount; ++k) {
      size.ints += kSlotWords;
      if (ch.slots[k].data) addArraySize(c, ch.slots[k].data, cd->count, size);
    }
  }
  return size;
}

// Position of stored word i of a slot array inside its image run: only the
// node records are reordered within an element.
size_t imagePlace(int index, size_t i) {
  if (index != 5) return i;
  return (i / 72) * 72 + static_cast<size_t>(kNodeImage.at[i % 72]);
}

void putWords(ItemStream* s, int index, const std::vector<uint32_t>& stored) {
  if (inIntArray(index)) {
    int32_t* to = s->ints + s->intCount;
    for (size_t i = 0; i < stored.size(); ++i) to[i] = static_cast<int32_t>(stored[i]);
    s->intCount += static_cast<uint32_t>(stored.size());
  } else {
    float* to = s->floats + s->floatCount;
    for (size_t i = 0; i < stored.size(); ++i) to[i] = bitsFloat(stored[imagePlace(index, i)]);
    s->floatCount += static_cast<uint32_t>(stored.size());
  }
}

void takeWords(ItemStream* s, int index, std::vector<uint32_t>& stored, size_t count) {
  stored.resize(count);
  if (inIntArray(index)) {
    const int32_t* from = s->ints + s->intCount;
    for (size_t i = 0; i < count; ++i) stored[i] = static_cast<uint32_t>(from[i]);
    s->intCount += static_cast<uint32_t>(count);
  } else {
    const float* from = s->floats + s->floatCount;
    for (size_t i = 0; i < count; ++i) stored[imagePlace(index, i)] = floatBits(from[i]);
    s->floatCount += static_cast<uint32_t>(count);
  }
}

void putInt(ItemStream* s, int32_t v) { s->ints[s->intCount++] = v; }
int32_t takeInt(ItemStream* s) { return s->ints[s->intCount++]; }

// Walks an image at the stream's cursors without taking anything and checks
// that every count fits in the arrays; the parse that follows can then take
// values unchecked.
bool imageFits(const ItemStream* s, int32_t n) {
  const uint64_t intEnd = s->intSize, floatEnd = s->floatSize;
  uint64_t ip = s->intCount, fp = s->floatCount;
  if (!s->ints || ip > intEnd || fp > floatEnd) return false;
  if (intEnd - ip < kFullHeaderWords) return false;
  const int32_t* h = s->ints + ip;
  if (h[0] != n) return false;
  ip += kFullHeaderWords;
  const uint64_t elements = static_cast<uint64_t>(n) + 1;
  for (int c = 0; c < kChanCount; ++c) {
    if (!h[2 + 2 * c]) continue;
    const int32_t m = h[1 + 2 * c];
    if (m < 0) return false;
    for (int64_t k = 0; k <= m; ++k) {
      if (intEnd - ip < kSlotWords) return false;
      const int32_t present = s->ints[ip + 2];
      ip += kSlotWords;
      if (!present) continue;
      if (c == kBlockIndex) {
        for (int e = 0; e < kChanBlockEntries; ++e) {
          if (intEnd - ip < kSlotWords) return false;
          const int32_t entryPresent = s->ints[ip + 2];
          ip += kSlotWords;
          if (!entryPresent) continue;
          if (!s->floats || floatEnd - fp < 3 * elements) return false;
          fp += 3 * elements;
        }
        continue;
      }
      const uint64_t values = static_cast<uint64_t>(wordsOf(c)) * elements;
      if (inIntArray(c)) {
        if (intEnd - ip < values) return false;
        ip += values;
      } else {
        if (!s->floats || floatEnd - fp < values) return false;
        fp += values;
      }
    }
  }
  return true;
}

}  // namespace

void GVCountChanData(const ChanData* cd, ItemStream* stream) {
  if (!cd || !stream) return;
  const ImageSize size = imageSize(cd);
  stream->intCount += static_cast<uint32_t>(size.ints);
  stream->floatCount += static_cast<uint32_t>(size.floats);
}

int GVPutChanData(const ChanData* cd, ItemStream* stream) {
  if (!cd || !stream) return 0;
  const ImageSize size = imageSize(cd);
  if (size.ints > UINT32_MAX || size.floats > UINT32_MAX ||
      !GVItemStreamHasRoom(stream, 0, static_cast<uint32_t>(size.ints),
                           static_cast<uint32_t>(size.floats), 0))
    return 0;
  putInt(stream, cd->count);
  for (const ChanChannel& ch : cd->channels) {
    putInt(stream, ch.slots ? ch.slotCount : 0);
    putInt(stream, ch.slots ? 1 : 0);
  }
  std::vector<uint32_t> stored;
  for (int c = 0; c < kChanCount; ++c) {
    const ChanChannel& ch = cd->channels[c];
    if (!ch.slots) continue;
    for (int32_t k = 0; k <= ch.slotCount; ++k) {
      const ChanSlot& slot = ch.slots[k];
      putInt(stream, slot.word);
      putInt(stream, slot.frame);
      putInt(stream, slot.data ? 1 : 0);
      if (!slot.data) continue;
      if (c == kBlockIndex) {
        const size_t values = 3 * (static_cast<size_t>(cd->count) + 1);
        for (const ChanSlot& e : static_cast<const ChanBlock*>(slot.data)->entries) {
          putInt(stream, e.word);
          putInt(stream, e.frame);
          putInt(stream, e.data ? 1 : 0);
          if (!e.data) continue;
          std::memcpy(stream->floats + stream->floatCount, e.data, values * sizeof(float));
          stream->floatCount += static_cast<uint32_t>(values);
        }
        continue;
      }
      toStored(c, slot.data, cd->count, stored);
      putWords(stream, c, stored);
    }
  }
  return 1;
}

int GVGetChanData(ChanData* cd, ItemStream* stream) {
  if (!cd || !stream || !stream->ints) return kChanReadNothing;
  if (hasChannels(cd)) return kChanReadNotEmpty;
  if (!imageFits(stream, cd->count)) return kChanReadBadCount;
  const uint32_t intStart = stream->intCount, floatStart = stream->floatCount;
  const int32_t n = cd->count;

  int32_t header[kFullHeaderWords];
  for (int32_t& h : header) h = takeInt(stream);

  std::vector<uint32_t> stored;
  bool ok = true;
  for (int c = 0; c < kChanCount && ok; ++c) {
    if (!header[2 + 2 * c]) continue;
    const int32_t m = header[1 + 2 * c];
    if (!GVAllocChannels(cd, GVChanFlagAt(c), m)) {
      ok = false;
      break;
    }
    ChanSlot* slots = cd->channels[c].slots;
    for (int32_t k = 0; k <= m && ok; ++k) {
      slots[k].word = takeInt(stream);
      slots[k].frame = takeInt(stream);
      if (!takeInt(stream)) continue;
      slots[k].data = GVChanAllocArray(c, n);
      if (!slots[k].data) {
        ok = false;
        break;
      }
      if (c == kBlockIndex) {
        const size_t values = 3 * (static_cast<size_t>(n) + 1);
        for (ChanSlot& e : static_cast<ChanBlock*>(slots[k].data)->entries) {
          e.word = takeInt(stream);
          e.frame = takeInt(stream);
          if (!takeInt(stream)) continue;
          e.data = GVChanAllocVec3s(n);
          if (!e.data) {
            ok = false;
            break;
          }
          std::memcpy(e.data, stream->floats + stream->floatCount, values * sizeof(float));
          stream->floatCount += static_cast<uint32_t>(values);
        }
        continue;
      }
      takeWords(stream, c, stored, static_cast<size_t>(wordsOf(c)) * (static_cast<size_t>(n) + 1));
      fromStored(c, slots[k].data, n, stored);
    }
  }
  if (!ok) {
    GVChanFreeChannels(cd);
    stream->intCount = intStart;
    stream->floatCount = floatStart;
    return kChanReadNoMemory;
  }
  return kChanReadOk;
}
