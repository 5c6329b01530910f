// The Jel record of scene and object files and of item-stream images.
//
// Each form is laid out once, by a walker templated on the direction: the same
// function reads a record (into a staging record that owns what it took) and
// writes one (from a view of a Jel), so reader and writer cannot drift apart.
// Only when a whole record has parsed and its counts agree does the staging
// record move into the Jel; a refused record leaves the Jel default and frees
// everything taken.
//
// File record, little-endian 32-bit values:
//   lead word, version v
//   head:  v >= 3  name (u32 length, bytes), id, group mask, flags, node count,
//                  cell size (float), one unused word
//          v = 2   48-byte block: name (20 bytes, zero-terminated), id, group
//                  mask, flags, node count, cell size, two unused words
//          v 0, 1  88-byte block: the v2 words, then ten unused words
//          v < 0   none
//   nine channel-data blocks, each an element count c (0 = absent) and, for
//   c != 0, the store: frame store, auxiliary stores 1..4 (the third only from
//   v2 on), three blocks read and dropped, position cache
//   part masks: k, then k + 1 words when k != 0; node kinds the same
//   play parameters: 20 words
//   v >= 4: k (0..64), then k words of the kept block
//   v >= 2: one unused word
//
// Image: two lead ints; name; ints id, group mask, flags, node count; float cell
// size; ints face count, edge count; the nine blocks as in the file (count int,
// then the store's image); part masks and node kinds, each k and k + 1 ints;
// play words 0..3 as ints, 4 as a float, 5..19 as ints; k (0..64) and k ints of
// the kept block; two tail ints.
#include "jel/jel_record_io.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "jel/chan_data.h"
#include "jel/deformation_map.h"
#include "jel/frame_params.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "records/binary_file.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

namespace {


// The nine channel-data blocks in record order.
enum StoreBlock : int {
  kFrameStoreBlock,
  kAuxBlock1,
  kAuxBlock2,
  kAuxBlock3,
  kAuxBlock4,
  kDroppedBlock1,
  kDroppedBlock2,
  kDroppedBlock3,
  kPosCacheBlock,
  kStoreBlocks
};

constexpr int32_t kKeptBlockWords = 64;
constexpr int32_t kMaxStoredFrames = 100;  // slots 1..100 after the start slot
constexpr int32_t kMaxCacheSlots = 10001;
constexpr int32_t kAux3Count = 32;         // the third auxiliary store's elements
constexpr int32_t kLeadWord = 1;           // what the writers put in the lead
constexpr size_t kHeadV2Bytes = 48;
constexpr size_t kHeadV1Bytes = 88;
constexpr size_t kHeadNameBytes = 20;

// Element count a block must have for a Jel of n nodes; -1: any.
int32_t expectedCount(int block, int32_t n) {
  switch (block) {
    case kAuxBlock3:
      return kAux3Count;
    case kDroppedBlock1:
    case kDroppedBlock2:
    case kDroppedBlock3:
      return -1;
    default:
      return n;
  }
}

bool isDropped(int block) { return block >= kDroppedBlock1 && block <= kDroppedBlock3; }

// Everything a record carries. A reader's copy owns its pointers; a writer's
// is a view of a Jel and owns nothing.
struct JelRecord {
  char* name = nullptr;
  int32_t id = 0;
  uint32_t groupMask = 2;
  uint32_t flags = 0;
  int32_t nodeCount = 0;
  float cellSize = 1.0f;
  int32_t faceCount = 0;  // image only; the rebuild recomputes both
  int32_t edgeCount = 0;
  ChanData* stores[kStoreBlocks] = {};
  uint32_t* partMask = nullptr;
  int32_t* nodeKind = nullptr;
  FrameParams play;
  int32_t* keptBlock = nullptr;
};

void freeRecord(JelRecord& r) {
  GVFreeString(&r.name);
  for (ChanData*& cd : r.stores) {
    GVFreeChanData(cd);
    cd = nullptr;
  }
  delete[] r.partMask;
  delete[] r.nodeKind;
  delete[] r.keptBlock;
  r.partMask = nullptr;
  r.nodeKind = nullptr;
  r.keptBlock = nullptr;
}

// The play words a read Jel starts with: at its start frame, no step in
// progress, the initial state. The writer writes them so, the words a run
// sets afresh, and a file read and written again is the same file.
void startingPlayWords(FrameParams& p) {
  p.loopStart = p.recordFirst = p.currentFrame = p.computedFrame = p.recordLast = p.startFrame;
  p.stateMode = 0;
  p.subStepIndex = 0;
  p.subSteps = 1;
}

JelRecord viewOf(const HObject& jel) {
  JelRecord r;
  r.name = jel.name;
  r.id = jel.id;
  r.groupMask = jel.groupMask;
  r.flags = jel.flags;
  r.nodeCount = jel.nodeCount;
  r.cellSize = jel.cellSize;
  r.faceCount = jel.faceCount;
  r.edgeCount = jel.edgeCount;
  r.stores[kFrameStoreBlock] = jel.frameStore;
  for (int k = 0; k < 4; ++k) r.stores[kAuxBlock1 + k] = jel.auxStores[k];
  r.stores[kPosCacheBlock] = jel.posCache;
  r.partMask = jel.partMask;
  r.nodeKind = jel.nodeKind;
  r.play = jel.playParams;
  startingPlayWords(r.play);
  r.keptBlock = jel.fileBlock;
  return r;
}

int chanResult(int rc) {
  switch (rc) {
    case kChanReadOk:
      return kJelReadOk;
    case kChanReadShort:
      return kJelReadTruncated;
    case kChanReadNoMemory:
      return kJelReadNoMemory;
    default:
      return kJelReadBadCount;
  }
}

// A store that is written must hold elements; one of count 0 would read back
// as absent, so it is written as absent.
bool writesStore(const ChanData* cd) { return cd && cd->count > 0; }

template <class T>
T* newZeroed(size_t count) {
  return new (std::nothrow) T[count]();
}

// ---- File form ---------------------------------------------------------------

class FileReader {
 public:
  static constexpr bool kReading = true;

  FileReader(FILE* f, ChanHeaderForm form) : f_(f), form_(form) {}

  int result() const { return rc_; }
  bool ok() const { return rc_ == kJelReadOk; }
  void fail(int rc) {
    if (ok()) rc_ = rc;
  }
  ChanHeaderForm form() const { return form_; }
  void setForm(ChanHeaderForm form) { form_ = form; }

  void i32(int32_t& v) {
    if (ok() && !GVFileReadI32(f_, &v)) fail(kJelReadTruncated);
  }
  void u32(uint32_t& v) {
    if (ok() && !GVFileReadU32(f_, &v)) fail(kJelReadTruncated);
  }
  void f32(float& v) {
    if (ok() && !GVFileReadF32(f_, &v)) fail(kJelReadTruncated);
  }
  void unused() {
    int32_t v;
    i32(v);
  }
  void bytes(unsigned char* data, size_t n) {
    if (ok() && !GVFileReadBytes(f_, data, n)) fail(kJelReadTruncated);
  }
  void name(char*& text) {
    if (ok() && !GVReadString(f_, &text)) fail(kJelReadTruncated);
  }
  void play(FrameParams& p) {
    uint8_t raw[kFrameParamsFileBytes];
    bytes(raw, sizeof raw);
    if (ok()) GVFrameParamsFromBytes(&p, raw);
  }

  // A channel-data block: its count, then the store.
  void store(ChanData*& cd, int32_t expect) {
    int32_t c = 0;
    i32(c);
    if (!ok() || c == 0) return;
    if (c < 0 || (expect >= 0 && c != expect) || c > kJelMaxNodes) return fail(kJelReadBadCount);
    cd = GVNewChanData(c);
    if (!cd) return fail(kJelReadNoMemory);
    const int rc = chanResult(GVReadChanData(cd, f_, form_));
    if (rc != kJelReadOk) fail(rc);
  }

  // k, then k + 1 values when k != 0; k must be the node count.
  template <class T>
  void nodeArray(T*& a, int32_t n) {
    int32_t k = 0;
    i32(k);
    if (!ok() || k == 0) return;
    if (k != n) return fail(kJelReadBadCount);
    const size_t count = static_cast<size_t>(k) + 1;
    const long long left = GVFileRemaining(f_);
    if (left >= 0 && static_cast<unsigned long long>(left) / 4 < count) return fail(kJelReadTruncated);
    a = newZeroed<T>(count);
    if (!a) return fail(kJelReadNoMemory);
    for (size_t i = 0; i < count && ok(); ++i) {
      uint32_t v = 0;
      u32(v);
      a[i] = static_cast<T>(v);
    }
  }

  // k (0..64), then k words; the block always exists afterwards.
  void keptBlock(int32_t*& block) {
    int32_t k = 0;
    i32(k);
    if (!ok()) return;
    if (k < 0 || k > kKeptBlockWords) return fail(kJelReadBadCount);
    block = newZeroed<int32_t>(kKeptBlockWords);
    if (!block) return fail(kJelReadNoMemory);
    for (int32_t i = 0; i < k && ok(); ++i) i32(block[i]);
  }

 private:
  FILE* f_;
  ChanHeaderForm form_;
  int rc_ = kJelReadOk;
};

class FileWriter {
 public:
  static constexpr bool kReading = false;

  explicit FileWriter(FILE* f) : f_(f) {}

  int result() const { return ok_ ? 1 : 0; }
  bool ok() const { return ok_; }
  ChanHeaderForm form() const { return kChanHeaderFull; }

  void i32(int32_t v) { ok_ = ok_ && GVFileWriteI32(f_, v); }
  void u32(uint32_t v) { ok_ = ok_ && GVFileWriteU32(f_, v); }
  void f32(float v) { ok_ = ok_ && GVFileWriteF32(f_, v); }
  void unused() { i32(0); }
  void name(const char* text) { ok_ = ok_ && GVWriteString(f_, text); }
  void play(const FrameParams& p) {
    uint8_t raw[kFrameParamsFileBytes];
    GVFrameParamsToBytes(&p, raw);
    ok_ = ok_ && GVFileWriteBytes(f_, raw, sizeof raw);
  }
  void store(const ChanData* cd, int32_t) {
    if (!writesStore(cd)) return i32(0);
    i32(cd->count);
    ok_ = ok_ && GVWriteChanData(cd, f_, kChanHeaderFull);
  }
  template <class T>
  void nodeArray(const T* a, int32_t n) {
    if (!a || n <= 0) return i32(0);
    i32(n);
    for (int32_t i = 0; i <= n; ++i) u32(static_cast<uint32_t>(a[i]));
  }
  void keptBlock(const int32_t* block) {
    if (!block) return i32(0);
    i32(kKeptBlockWords);
    for (int32_t i = 0; i < kKeptBlockWords; ++i) i32(block[i]);
  }

 private:
  FILE* f_;
  bool ok_ = true;
};

// The fixed head blocks of versions 0 to 2 (only ever read).
void unpackFixedHead(const unsigned char* b, JelRecord& r) {
  auto word = [b](int i) {
    const unsigned char* p = b + 4 * i;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  };
  char text[kHeadNameBytes + 1];
  std::memcpy(text, b, kHeadNameBytes);
  text[kHeadNameBytes] = '\0';
  GVSetString(&r.name, text);
  r.id = static_cast<int32_t>(word(5));
  r.groupMask = word(6);
  r.flags = word(7);
  r.nodeCount = static_cast<int32_t>(word(8));
  const uint32_t bits = word(9);
  std::memcpy(&r.cellSize, &bits, 4);
}

template <class IO>
void fileHead(IO& io, JelRecord& r, int32_t v) {
  if (v >= 3) {
    io.name(r.name);
    io.i32(r.id);
    io.u32(r.groupMask);
    io.u32(r.flags);
    io.i32(r.nodeCount);
    io.f32(r.cellSize);
    io.unused();
    return;
  }
  if constexpr (IO::kReading) {
    if (v < 0) return;
    unsigned char block[kHeadV1Bytes];
    const size_t size = v == 2 ? kHeadV2Bytes : kHeadV1Bytes;
    io.bytes(block, size);
    if (io.ok()) unpackFixedHead(block, r);
    io.setForm(v == 2 ? kChanHeaderFull : kChanHeaderShort);
  }
}

// The whole file record after the lead and version words.
template <class IO>
void fileRecord(IO& io, JelRecord& r, int32_t v) {
  fileHead(io, r, v);
  if constexpr (IO::kReading) {
    if (io.ok() && (r.nodeCount < 0 || r.nodeCount > kJelMaxNodes)) io.fail(kJelReadBadCount);
  }
  for (int b = 0; b < kStoreBlocks; ++b) {
    if (b == kAuxBlock3 && v < 2) continue;
    io.store(r.stores[b], expectedCount(b, r.nodeCount));
    if constexpr (IO::kReading) {
      if (isDropped(b)) {
        GVFreeChanData(r.stores[b]);
        r.stores[b] = nullptr;
      }
    }
  }
  io.nodeArray(r.partMask, r.nodeCount);
  io.nodeArray(r.nodeKind, r.nodeCount);
  io.play(r.play);
  if (v >= 4) io.keptBlock(r.keptBlock);
  if (v >= 2) io.unused();
}

// ---- Item-stream image ---------------------------------------------------------

class ImageReader {
 public:
  static constexpr bool kReading = true;

  explicit ImageReader(ItemStream* s) : s_(s) {}

  bool ok() const { return rc_ == kJelReadOk; }
  int result() const { return rc_; }
  void fail(int rc) {
    if (ok()) rc_ = rc;
  }

  void i32(int32_t& v) {
    if (ok() && !GVItemStreamTakeInt(s_, &v)) fail(kJelReadTruncated);
  }
  void u32(uint32_t& v) {
    int32_t w = 0;
    i32(w);
    v = static_cast<uint32_t>(w);
  }
  void f32(float& v) {
    if (ok() && !GVItemStreamTakeFloat(s_, &v)) fail(kJelReadTruncated);
  }
  void marker(int32_t) {
    int32_t v;
    i32(v);
  }
  void name(char*& text) {
    if (ok() && !GVItemStreamGetNewString(s_, &text)) fail(kJelReadTruncated);
  }
  void play(FrameParams& p) { GVCodeFrameParamsImage(*this, p); }
  void store(ChanData*& cd, int32_t expect) {
    int32_t c = 0;
    i32(c);
    if (!ok() || c == 0) return;
    if (c < 0 || (expect >= 0 && c != expect) || c > kJelMaxNodes) return fail(kJelReadBadCount);
    cd = GVNewChanData(c);
    if (!cd) return fail(kJelReadNoMemory);
    const int rc = chanResult(GVGetChanData(cd, s_));
    if (rc != kJelReadOk) fail(rc);
  }
  // k, then k + 1 ints (one when k is 0, the array staying absent).
  template <class T>
  void nodeArray(T*& a, int32_t n) {
    int32_t k = 0;
    i32(k);
    if (!ok()) return;
    if (k != 0 && k != n) return fail(kJelReadBadCount);
    const uint64_t count = static_cast<uint64_t>(k) + 1;
    if (!GVItemStreamHasRoom(s_, 0, static_cast<uint32_t>(count), 0, 0)) return fail(kJelReadTruncated);
    if (k == 0) {
      s_->intCount += 1;
      return;
    }
    a = newZeroed<T>(count);
    if (!a) return fail(kJelReadNoMemory);
    for (uint64_t i = 0; i < count; ++i) a[i] = static_cast<T>(s_->ints[s_->intCount++]);
  }
  void keptBlock(int32_t*& block) {
    int32_t k = 0;
    i32(k);
    if (!ok()) return;
    if (k < 0 || k > kKeptBlockWords) return fail(kJelReadBadCount);
    if (!GVItemStreamHasRoom(s_, 0, static_cast<uint32_t>(k), 0, 0)) return fail(kJelReadTruncated);
    block = newZeroed<int32_t>(kKeptBlockWords);
    if (!block) return fail(kJelReadNoMemory);
    for (int32_t i = 0; i < k; ++i) block[i] = s_->ints[s_->intCount++];
  }

 private:
  ItemStream* s_;
  int rc_ = kJelReadOk;
};

// Counting and filling share one writer: counting adds to the counts, filling
// puts at the cursors after checking the room.
class ImageWriter {
 public:
  static constexpr bool kReading = false;

  ImageWriter(ItemStream* s, bool counting) : s_(s), counting_(counting) {}

  int result() const { return ok_ ? 1 : 0; }
  bool ok() const { return ok_; }

  void i32(int32_t v) {
    if (counting_) {
      s_->intCount += 1;
    } else if (ok_ && GVItemStreamHasRoom(s_, 0, 1, 0, 0)) {
      s_->ints[s_->intCount++] = v;
    } else {
      ok_ = false;
    }
  }
  void u32(uint32_t v) { i32(static_cast<int32_t>(v)); }
  void f32(float v) {
    if (counting_) {
      s_->floatCount += 1;
    } else if (ok_ && GVItemStreamHasRoom(s_, 0, 0, 1, 0)) {
      s_->floats[s_->floatCount++] = v;
    } else {
      ok_ = false;
    }
  }
  void marker(int32_t v) { i32(v); }
  void name(const char* text) {
    if (counting_)
      GVStreamCountString(s_, text);
    else
      ok_ = ok_ && GVItemStreamPutString(s_, text);
  }
  void play(const FrameParams& p) { GVCodeFrameParamsImage(*this, p); }
  void store(const ChanData* cd, int32_t) {
    if (!writesStore(cd)) return i32(0);
    i32(cd->count);
    if (counting_)
      GVCountChanData(cd, s_);
    else
      ok_ = ok_ && GVPutChanData(cd, s_);
  }
  template <class T>
  void nodeArray(const T* a, int32_t n) {
    if (!a || n <= 0) {
      i32(0);
      return i32(0);
    }
    i32(n);
    for (int32_t i = 0; i <= n; ++i) i32(static_cast<int32_t>(a[i]));
  }
  void keptBlock(const int32_t* block) {
    if (!block) return i32(0);
    i32(kKeptBlockWords);
    for (int32_t i = 0; i < kKeptBlockWords; ++i) i32(block[i]);
  }

 private:
  ItemStream* s_;
  bool counting_;
  bool ok_ = true;
};

template <class IO>
void imageRecord(IO& io, JelRecord& r) {
  io.marker(kLeadWord);
  io.marker(kJelRecordVersion);
  io.name(r.name);
  io.i32(r.id);
  io.u32(r.groupMask);
  io.u32(r.flags);
  io.i32(r.nodeCount);
  io.f32(r.cellSize);
  io.i32(r.faceCount);
  io.i32(r.edgeCount);
  if constexpr (IO::kReading) {
    if (io.ok() && (r.nodeCount < 0 || r.nodeCount > kJelMaxNodes)) io.fail(kJelReadBadCount);
  }
  for (int b = 0; b < kStoreBlocks; ++b) {
    io.store(r.stores[b], expectedCount(b, r.nodeCount));
    if constexpr (IO::kReading) {
      if (isDropped(b)) {
        GVFreeChanData(r.stores[b]);
        r.stores[b] = nullptr;
      }
    }
  }
  io.nodeArray(r.partMask, r.nodeCount);
  io.nodeArray(r.nodeKind, r.nodeCount);
  io.play(r.play);
  io.keptBlock(r.keptBlock);
  io.marker(0);
  io.marker(0);
}

// ---- Agreement and rebuild -------------------------------------------------------

// The frame store of a Jel with nodes: the three channels kept in step, at most
// the start slot and 100 stored frames, and the start slot filled in each.
bool frameStoreAgrees(const ChanData* fs) {
  const ChanChannel* st = GVChanChannel(fs, kChanStateRec);
  const ChanChannel* nr = GVChanChannel(fs, kChanNodeRec);
  const ChanChannel* mp = GVChanChannel(fs, kChanMatter);
  if (!st || !nr || !mp || !st->slots || !nr->slots || !mp->slots) return false;
  if (st->slotCount != nr->slotCount || mp->slotCount != nr->slotCount) return false;
  if (nr->slotCount > kMaxStoredFrames) return false;
  // A stored frame is one the run reached (a free slot is labelled 0): one
  // before the start would have the player step up from there.
  for (int32_t k = 1; k <= nr->slotCount; ++k)
    if (nr->slots[k].frame < 0) return false;
  return st->slots[0].data && nr->slots[0].data && mp->slots[0].data;
}

int checkRecord(const JelRecord& r) {
  const ChanData* fs = r.stores[kFrameStoreBlock];
  if (r.nodeCount > 0 && (!fs || !frameStoreAgrees(fs))) return kJelReadBadCount;
  // Volumes, rest frames and the deformation map all scale by the cell size.
  if (r.nodeCount > 0 && !(std::isfinite(r.cellSize) && r.cellSize > 0.0f)) return kJelReadBadValue;
  const ChanChannel* cache = GVChanChannel(r.stores[kPosCacheBlock], kChanVec3);
  if (cache && cache->slots && cache->slotCount > kMaxCacheSlots) return kJelReadBadCount;
  return kJelReadOk;
}

// Records before version 2 carry no third auxiliary store: it gets as many
// slots as the second has, each allocated.
int makeThirdAuxStore(JelRecord& r) {
  const ChanChannel* second = GVChanChannel(r.stores[kAuxBlock2], kChanVec3);
  const int32_t m = second && second->slots ? second->slotCount : 1;
  ChanData* cd = GVNewChanData(kAux3Count);
  if (!cd || !GVAllocChannels(cd, kChanVec3, m)) {
    GVFreeChanData(cd);
    return kJelReadNoMemory;
  }
  for (int32_t k = 0; k <= m; ++k) {
    if (!GVAllocChannelFrame(cd, kChanVec3, k)) {
      GVFreeChanData(cd);
      return kJelReadNoMemory;
    }
  }
  r.stores[kAuxBlock3] = cd;
  return kJelReadOk;
}

bool isEmptyJel(const HObject* jel) {
  return !jel->frameStore && !jel->partMask && !jel->pos && !jel->state && !jel->cellFlag;
}

// Moves an agreed record into a default Jel and rebuilds what files do not
// carry: the per-node working arrays, the tables, the play words a run sets
// afresh, and the live state.
// kJelReadNoMemory when the live state finds no room.
int32_t adoptRecord(HObject* jel, JelRecord& r) {
  GVFreeString(&jel->name);
  jel->name = r.name;
  r.name = nullptr;
  jel->userWord = nullptr;
  jel->removalCB = nullptr;
  jel->id = r.id;
  jel->groupMask = r.groupMask;
  jel->flags = r.flags;
  jel->nodeCount = r.nodeCount;
  jel->cellSize = r.cellSize;
  jel->faceCount = r.faceCount;
  jel->edgeCount = r.edgeCount;
  jel->frameStore = r.stores[kFrameStoreBlock];
  for (int k = 0; k < 4; ++k) jel->auxStores[k] = r.stores[kAuxBlock1 + k];
  jel->posCache = r.stores[kPosCacheBlock];
  for (ChanData*& cd : r.stores) cd = nullptr;
  jel->partMask = r.partMask;
  jel->nodeKind = r.nodeKind;
  jel->fileBlock = r.keptBlock ? r.keptBlock : new int32_t[kKeptBlockWords]();
  r.partMask = nullptr;
  r.nodeKind = nullptr;
  r.keptBlock = nullptr;
  jel->playParams = r.play;
  jel->params = &jel->playParams;

  const size_t n1 = static_cast<size_t>(jel->nodeCount) + 1;
  jel->glueJel = new int32_t[n1]();
  jel->glueNode = new int32_t[n1]();
  for (auto& g : jel->glueExtra) g = new int32_t[n1]();
  jel->allocLatticeTables(jel->nodeCount);
  jel->pos = new Vec3f[n1]();
  jel->vel = new Vec3f[n1]();
  jel->disp = new Vec3f[n1]();
  jel->screenProj = new NodeScreenRec[n1]();
  for (auto& d : jel->deform) d = new float[n1]();
  jel->searchMarks = new int32_t[n1]();
  for (uint32_t& w : jel->markedParts) w = 0;

  // A read Jel starts at its start frame with no step in progress. The
  // sub-step count is set by the runner before every frame; until then it is
  // 1, never 0, so the step time is always defined.
  FrameParams& p = jel->playParams;
  // No run goes back before frame 0: frames a damaged file puts there read
  // as the start, which the player would otherwise step up from one by one.
  p.startFrame = std::max(p.startFrame, 0);
  p.highestComputedFrame = std::max(p.highestComputedFrame, 0);
  p.lastRecordedFrame = std::max(p.lastRecordedFrame, 0);
  ChanSlot* start = GVChanSlot(jel->frameStore, kChanNodeRec, 0);
  if (start) start->frame = p.startFrame;
  startingPlayWords(p);

  jel->finalize();
  if (!(jel->flags & kJelNoLiveState)) {
    if (!jel->createState()) return kJelReadNoMemory;
    GVUpdateJelDeform(jel, 0);
  }
  return kJelReadOk;
}

}  // namespace


// Parses the record after its lead into r, checked; the header form it was
// read with goes to *form.
static int parseFileRecord(FILE* file, int32_t version, JelRecord& r, ChanHeaderForm* form) {
  GVSetString(&r.name, "");
  FileReader in(file, *form);
  fileRecord(in, r, version);
  int rc = in.result();
  if (rc == kJelReadOk) rc = checkRecord(r);
  if (rc == kJelReadOk && version < 2) rc = makeThirdAuxStore(r);
  if (rc != kJelReadOk) freeRecord(r);
  *form = in.form();
  return rc;
}

int32_t HObject::read(FILE* file, ChanHeaderForm* choice) {
  if (!file) return kJelReadNothing;
  if (!isEmptyJel(this)) return kJelReadNotEmpty;
  GVSetString(&name, "");
  userWord = nullptr;
  removalCB = nullptr;
  int32_t lead = 0, version = 0;
  if (!GVFileReadI32(file, &lead) || !GVFileReadI32(file, &version)) return kJelReadNothing;

  const long start = std::ftell(file);
  JelRecord r;
  ChanHeaderForm fresh = kChanHeaderFull;
  if (!choice) choice = &fresh;
  ChanHeaderForm form = *choice;
  int rc = parseFileRecord(file, version, r, &form);
  // Records from version 3 on inherit their header form; one written in the
  // other form parses whole only in that one.
  if (rc != kJelReadOk && rc != kJelReadNoMemory && version >= 3 && start >= 0 &&
      std::fseek(file, start, SEEK_SET) == 0) {
    form = *choice == kChanHeaderFull ? kChanHeaderShort : kChanHeaderFull;
    if (parseFileRecord(file, version, r, &form) == kJelReadOk) rc = kJelReadOk;
  }
  if (rc != kJelReadOk) return rc;
  *choice = form;
  return adoptRecord(this, r);
}

int32_t HObject::readArrays(ItemStream* stream) {
  if (!stream || !stream->ints) return kJelReadNothing;
  if (!isEmptyJel(this)) return kJelReadNotEmpty;
  const ItemStream cursors = *stream;
  JelRecord r;
  ImageReader in(stream);
  imageRecord(in, r);
  int rc = in.result();
  if (rc == kJelReadOk) rc = checkRecord(r);
  if (rc != kJelReadOk) {
    freeRecord(r);
    stream->byteCount = cursors.byteCount;
    stream->intCount = cursors.intCount;
    stream->floatCount = cursors.floatCount;
    stream->itemCount = cursors.itemCount;
    return rc;
  }
  return adoptRecord(this, r);
}

int32_t HObject::write(FILE* file) const {
  if (!file) return 0;
  JelRecord r = viewOf(*this);
  FileWriter out(file);
  out.i32(kLeadWord);
  out.i32(kJelRecordVersion);
  fileRecord(out, r, kJelRecordVersion);
  return out.result();
}

void HObject::countArrays(ItemStream* stream) const {
  if (!stream) return;
  JelRecord r = viewOf(*this);
  ImageWriter out(stream, true);
  imageRecord(out, r);
}

int32_t HObject::writeArrays(ItemStream* stream) const {
  if (!stream) return 0;
  JelRecord r = viewOf(*this);
  ImageWriter out(stream, false);
  imageRecord(out, r);
  return out.result();
}

HObject* HObject::HObjectFromFile(FILE* file, ChanHeaderForm* form) {
  HObject* jel = new (std::nothrow) HObject();
  if (jel && jel->read(file, form) != kJelReadOk) {
    delete jel;
    jel = nullptr;
  }
  return jel;
}

HObject* HObject::HObjectFromArrays(ItemStream* stream) {
  HObject* jel = new (std::nothrow) HObject();
  if (jel && jel->readArrays(stream) != kJelReadOk) {
    delete jel;
    jel = nullptr;
  }
  return jel;
}
