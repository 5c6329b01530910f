#include "jel/chan_data.h"

#include <cstdlib>
#include <cstring>

#include "jel/chan_data_internal.h"

static_assert(sizeof(JelStateRec) == 76, "a JelStateRec is 19 words");
static_assert(sizeof(JelNodeRec) == 288, "a JelNodeRec is 72 floats");
static_assert(sizeof(MatterProps) == 48, "a MatterProps is 12 floats");

static constexpr int32_t kFlags[kChanCount] = {2, 4, 8, 16, 32, 64, 128, 0x4000};
static constexpr int kWords[kChanCount] = {1, 1, 3, 9, 19, 72, 12, 0};

int GVChanIndex(int32_t flag) {
  for (int i = 0; i < kChanCount; ++i)
    if (kFlags[i] == flag) return i;
  return -1;
}

int32_t GVChanFlagAt(int index) { return kFlags[index]; }

int GVChanElementWords(int32_t flag) {
  const int i = GVChanIndex(flag);
  return i < 0 ? 0 : kWords[i];
}

ChanChannel* GVChanChannel(ChanData* cd, int32_t flag) {
  const int i = GVChanIndex(flag);
  if (!cd || i < 0 || !cd->channels[i].slots) return nullptr;
  return &cd->channels[i];
}

const ChanChannel* GVChanChannel(const ChanData* cd, int32_t flag) {
  return GVChanChannel(const_cast<ChanData*>(cd), flag);
}

ChanSlot* GVChanSlot(ChanData* cd, int32_t flag, int32_t k) {
  ChanChannel* ch = GVChanChannel(cd, flag);
  if (!ch || k < 0 || k > ch->slotCount) return nullptr;
  return &ch->slots[k];
}

const ChanSlot* GVChanSlot(const ChanData* cd, int32_t flag, int32_t k) {
  return GVChanSlot(const_cast<ChanData*>(cd), flag, k);
}

static void* slotData(ChanData* cd, int32_t flag, int32_t k) {
  ChanSlot* s = GVChanSlot(cd, flag, k);
  return s ? s->data : nullptr;
}

int32_t* GVChanInts(ChanData* cd, int32_t k) {
  return static_cast<int32_t*>(slotData(cd, kChanInt, k));
}
float* GVChanFloats(ChanData* cd, int32_t k) {
  return static_cast<float*>(slotData(cd, kChanFloat, k));
}
float* GVChanVec3s(ChanData* cd, int32_t k) {
  return static_cast<float*>(slotData(cd, kChanVec3, k));
}
float* GVChanMat3s(ChanData* cd, int32_t k) {
  return static_cast<float*>(slotData(cd, kChanMat3, k));
}
JelStateRec* GVChanStateRecs(ChanData* cd, int32_t k) {
  return static_cast<JelStateRec*>(slotData(cd, kChanStateRec, k));
}
JelNodeRec* GVChanNodeRecs(ChanData* cd, int32_t k) {
  return static_cast<JelNodeRec*>(slotData(cd, kChanNodeRec, k));
}
MatterProps* GVChanMatter(ChanData* cd, int32_t k) {
  return static_cast<MatterProps*>(slotData(cd, kChanMatter, k));
}
ChanBlock* GVChanBlock(ChanData* cd, int32_t k) {
  return static_cast<ChanBlock*>(slotData(cd, kChanVecBlock, k));
}

// ---- Element arrays --------------------------------------------------------

void* GVChanAllocVec3s(int32_t n) {
  return std::calloc(static_cast<size_t>(n) + 1, 3 * sizeof(float));
}

void* GVChanAllocArray(int index, int32_t n) {
  if (n < 0) return nullptr;
  if (kFlags[index] == kChanVecBlock) return std::calloc(1, sizeof(ChanBlock));
  const size_t count = static_cast<size_t>(n) + 1;
  if (kFlags[index] == kChanMatter) {
    MatterProps* m = static_cast<MatterProps*>(std::calloc(count, sizeof(MatterProps)));
    if (!m) return nullptr;
    // A fresh matter slot is a range seed, not the default record: the largest
    // F-Ratio and smallest Density found are gathered into it.
    MatterProps seed;
    const float zeros[kMatterFields] = {};
    GVMatterFromFloats(&seed, zeros);
    seed.fRatio = 1.0f;
    seed.density = 9e30f;
    for (size_t i = 0; i < count; ++i) m[i] = seed;
    return m;
  }
  return std::calloc(count, static_cast<size_t>(kWords[index]) * 4);
}

void GVChanFreeArray(int index, void* data) {
  if (!data) return;
  if (kFlags[index] == kChanVecBlock) {
    ChanBlock* b = static_cast<ChanBlock*>(data);
    for (ChanSlot& e : b->entries) std::free(e.data);
  }
  std::free(data);
}

// A copy of an element array of count n; the block channel copies its entries.
static void* copyArray(int index, const void* src, int32_t n) {
  if (!src) return nullptr;
  if (kFlags[index] == kChanVecBlock) {
    const ChanBlock* from = static_cast<const ChanBlock*>(src);
    ChanBlock* to = static_cast<ChanBlock*>(std::calloc(1, sizeof(ChanBlock)));
    if (!to) return nullptr;
    const size_t bytes = (static_cast<size_t>(n) + 1) * 3 * sizeof(float);
    for (int e = 0; e < kChanBlockEntries; ++e) {
      to->entries[e].word = from->entries[e].word;
      to->entries[e].frame = from->entries[e].frame;
      if (!from->entries[e].data) continue;
      to->entries[e].data = std::malloc(bytes);
      if (!to->entries[e].data) {
        GVChanFreeArray(index, to);
        return nullptr;
      }
      std::memcpy(to->entries[e].data, from->entries[e].data, bytes);
    }
    return to;
  }
  const size_t bytes = (static_cast<size_t>(n) + 1) * static_cast<size_t>(kWords[index]) * 4;
  void* to = std::malloc(bytes);
  if (to) std::memcpy(to, src, bytes);
  return to;
}

static void freeChannel(ChanChannel* ch, int index) {
  if (!ch->slots) return;
  for (int32_t k = 0; k <= ch->slotCount; ++k) GVChanFreeArray(index, ch->slots[k].data);
  std::free(ch->slots);
  ch->slots = nullptr;
  ch->slotCount = 0;
}

void GVChanFreeChannels(ChanData* cd) {
  for (int i = 0; i < kChanCount; ++i) freeChannel(&cd->channels[i], i);
}

// ---- Store operations ------------------------------------------------------

ChanData* GVNewChanData(int32_t n) {
  if (n < 0) return nullptr;
  ChanData* cd = static_cast<ChanData*>(std::calloc(1, sizeof(ChanData)));
  if (cd) cd->count = n;
  return cd;
}

void GVFreeChanData(ChanData* cd) {
  if (!cd) return;
  GVChanFreeChannels(cd);
  std::free(cd);
}

int GVAllocChannels(ChanData* cd, int32_t mask, int32_t m) {
  if (!cd || m < 0) return 0;
  for (int i = 0; i < kChanCount; ++i) {
    if (!(mask & kFlags[i])) continue;
    ChanChannel& ch = cd->channels[i];
    if (ch.slots) return 0;
    ch.slots = static_cast<ChanSlot*>(std::calloc(static_cast<size_t>(m) + 1, sizeof(ChanSlot)));
    if (!ch.slots) return 0;
    ch.slotCount = m;
  }
  return 1;
}

int GVAllocChannelFrame(ChanData* cd, int32_t mask, int32_t k) {
  if (!cd) return 0;
  for (int i = 0; i < kChanCount; ++i) {
    if (!(mask & kFlags[i])) continue;
    ChanChannel& ch = cd->channels[i];
    if (!ch.slots || k < 0 || k > ch.slotCount || ch.slots[k].data) return 0;
    ch.slots[k].data = GVChanAllocArray(i, cd->count);
    if (!ch.slots[k].data) return 0;
  }
  return 1;
}

int GVResizeChannels(ChanData* cd, int32_t m) {
  if (!cd || m < 0) return 0;
  for (int i = 0; i < kChanCount; ++i) {
    ChanChannel& ch = cd->channels[i];
    if (!ch.slots) continue;
    ChanSlot* slots =
        static_cast<ChanSlot*>(std::calloc(static_cast<size_t>(m) + 1, sizeof(ChanSlot)));
    if (!slots) return 0;
    for (int32_t k = 0; k <= ch.slotCount; ++k) {
      if (k <= m)
        slots[k] = ch.slots[k];
      else
        GVChanFreeArray(i, ch.slots[k].data);
    }
    std::free(ch.slots);
    ch.slots = slots;
    ch.slotCount = m;
  }
  return 1;
}

void GVFreeChannelFrame(ChanData* cd, int32_t mask, int32_t k) {
  if (!cd) return;
  for (int i = 0; i < kChanCount; ++i) {
    if (!(mask & kFlags[i])) continue;
    ChanChannel& ch = cd->channels[i];
    if (!ch.slots || k < 0 || k > ch.slotCount) continue;
    GVChanFreeArray(i, ch.slots[k].data);
    ch.slots[k] = ChanSlot{};
  }
}

void GVShiftSlotsDown(ChanData* cd, int32_t j) {
  if (!cd || j < 1) return;
  for (ChanChannel& ch : cd->channels) {
    if (!ch.slots || j > ch.slotCount) continue;
    void* freed = ch.slots[j].data;
    for (int32_t k = j; k < ch.slotCount; ++k) ch.slots[k] = ch.slots[k + 1];
    ch.slots[ch.slotCount] = ChanSlot{0, 0, freed};
  }
}

void GVInsertSlot(ChanData* cd, int32_t j) {
  if (!cd || j < 1) return;
  for (ChanChannel& ch : cd->channels) {
    if (!ch.slots || j > ch.slotCount) continue;
    void* reused = ch.slots[ch.slotCount].data;
    for (int32_t k = ch.slotCount; k > j; --k) ch.slots[k] = ch.slots[k - 1];
    ch.slots[j] = ChanSlot{0, 0, reused};
  }
}

ChanData* GVCopyChanData(const ChanData* src) {
  if (!src) return nullptr;
  ChanData* cd = GVNewChanData(src->count);
  if (!cd) return nullptr;
  for (int i = 0; i < kChanCount; ++i) {
    const ChanChannel& from = src->channels[i];
    if (!from.slots) continue;
    ChanChannel& to = cd->channels[i];
    to.slots = static_cast<ChanSlot*>(
        std::calloc(static_cast<size_t>(from.slotCount) + 1, sizeof(ChanSlot)));
    if (!to.slots) {
      GVFreeChanData(cd);
      return nullptr;
    }
    to.slotCount = from.slotCount;
    for (int32_t k = 0; k <= from.slotCount; ++k) {
      to.slots[k].word = from.slots[k].word;
      to.slots[k].frame = from.slots[k].frame;
      if (!from.slots[k].data) continue;
      to.slots[k].data = copyArray(i, from.slots[k].data, src->count);
      if (!to.slots[k].data) {
        GVFreeChanData(cd);
        return nullptr;
      }
    }
  }
  return cd;
}

namespace {
// One reallocated array waiting to replace its old one.
struct Pending {
  void** where;
  void* fresh;
};
}  // namespace

// Every array is reallocated before any is replaced, so running out of memory
// half-way leaves the record as it was rather than with arrays of two sizes.
int GVResizeChanData(ChanData* cd, int32_t n) {
  if (!cd || n < 0) return 0;
  const int32_t keep = cd->count < n ? cd->count : n;
  Pending* pending = nullptr;
  size_t used = 0, room = 0;
  bool ok = true;
  auto add = [&](void** where, size_t wordsPerElement) {
    if (!ok) return;
    void* fresh = std::calloc(static_cast<size_t>(n) + 1, wordsPerElement * 4);
    if (fresh && used == room) {
      room = room ? room * 2 : 16;
      Pending* grown = static_cast<Pending*>(std::realloc(pending, room * sizeof(Pending)));
      if (grown) {
        pending = grown;
      } else {
        std::free(fresh);
        fresh = nullptr;
      }
    }
    if (!fresh) {
      ok = false;
      return;
    }
    if (keep > 0)
      std::memcpy(static_cast<char*>(fresh) + wordsPerElement * 4,
                  static_cast<char*>(*where) + wordsPerElement * 4,
                  static_cast<size_t>(keep) * wordsPerElement * 4);
    pending[used++] = Pending{where, fresh};
  };
  for (int i = 0; i < kChanCount; ++i) {
    ChanChannel& ch = cd->channels[i];
    if (!ch.slots) continue;
    for (int32_t k = 0; k <= ch.slotCount; ++k) {
      if (!ch.slots[k].data) continue;
      if (kFlags[i] == kChanVecBlock) {
        ChanBlock* b = static_cast<ChanBlock*>(ch.slots[k].data);
        for (ChanSlot& e : b->entries)
          if (e.data) add(&e.data, 3);
      } else {
        add(&ch.slots[k].data, static_cast<size_t>(kWords[i]));
      }
    }
  }
  for (size_t p = 0; p < used; ++p) {
    if (ok) {
      std::free(*pending[p].where);
      *pending[p].where = pending[p].fresh;
    } else {
      std::free(pending[p].fresh);
    }
  }
  std::free(pending);
  if (ok) cd->count = n;
  return ok ? 1 : 0;
}

int GVChanDataSaveBlock(ChanData* target, const ChanData* source, int32_t k) {
  if (!target || !source || k < 0 || target->count != source->count) return 0;
  const ChanChannel* vecs = GVChanChannel(source, kChanVec3);
  if (!vecs) return 0;
  const int bi = GVChanIndex(kChanVecBlock);
  ChanChannel& ch = target->channels[bi];
  if (!ch.slots && !GVAllocChannels(target, kChanVecBlock, k)) return 0;
  if (k > ch.slotCount) return 0;
  if (!ch.slots[k].data && !GVAllocChannelFrame(target, kChanVecBlock, k)) return 0;
  ChanBlock* block = static_cast<ChanBlock*>(ch.slots[k].data);
  const size_t bytes = (static_cast<size_t>(source->count) + 1) * 3 * sizeof(float);
  int ok = 1;
  for (int e = 0; e < kChanBlockEntries; ++e) {
    ChanSlot& entry = block->entries[e];
    const void* from = e <= vecs->slotCount ? vecs->slots[e].data : nullptr;
    if (!from) {
      std::free(entry.data);
      entry = ChanSlot{};
      continue;
    }
    if (!entry.data) entry.data = GVChanAllocVec3s(target->count);
    if (!entry.data) {
      ok = 0;
      continue;
    }
    std::memcpy(entry.data, from, bytes);
  }
  return ok;
}

int GVChanDataLoadBlock(const ChanData* source, ChanData* target, int32_t k) {
  if (!source || !target || source->count != target->count) return 0;
  const ChanSlot* slot = GVChanSlot(source, kChanVecBlock, k);
  if (!slot || !slot->data) return 0;
  if (!GVChanChannel(target, kChanVec3)) GVAllocChannels(target, kChanVec3, kChanBlockEntries - 1);
  ChanChannel* vecs = GVChanChannel(target, kChanVec3);
  if (!vecs) return 0;
  const ChanBlock* block = static_cast<const ChanBlock*>(slot->data);
  const size_t bytes = (static_cast<size_t>(source->count) + 1) * 3 * sizeof(float);
  int ok = 1;
  for (int e = 0; e < kChanBlockEntries; ++e) {
    if (!block->entries[e].data) continue;
    if (e > vecs->slotCount) {
      ok = 0;
      continue;
    }
    if (!vecs->slots[e].data) GVAllocChannelFrame(target, kChanVec3, e);
    if (!vecs->slots[e].data) {
      ok = 0;
      continue;
    }
    std::memcpy(vecs->slots[e].data, block->entries[e].data, bytes);
  }
  return ok;
}
