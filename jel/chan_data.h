// Channel-data stores: per-element data over a sequence of frame slots. A store
// holds an element count n and up to eight channels chosen by flag bits; a
// channel is an array of slots 0..m, and a slot owns one array of n + 1 elements
// (entry 0 holds nothing, as in every node array). Jels keep their stored frames,
// auxiliary per-frame stores and position cache in these; logic lines keep their
// recorded data in them.
#pragma once

#include <cstdint>
#include <cstdio>

#include "jel/matter.h"

struct ItemStream;

// Channel flag bits, listed in the record's fixed channel order.
constexpr int32_t kChanInt = 2;          // one int32 per element
constexpr int32_t kChanFloat = 4;        // one float per element
constexpr int32_t kChanVec3 = 8;         // 3 floats per element
constexpr int32_t kChanMat3 = 16;        // 9 floats per element (column form)
constexpr int32_t kChanStateRec = 32;    // JelStateRec per element
constexpr int32_t kChanNodeRec = 64;     // JelNodeRec per element
constexpr int32_t kChanMatter = 128;     // MatterProps per element
constexpr int32_t kChanVecBlock = 0x4000;  // one ChanBlock per slot
constexpr int kChanCount = 8;
constexpr int32_t kChanAll = 2 | 4 | 8 | 16 | 32 | 64 | 128 | 0x4000;

// Per-node link and glue words of a stored frame: 4 cell flag, 5..7 grid indices
// x, y, z, 8..13 neighbours -x, +x, -y, +y, -z, +z, 14 glue Jel id, 15 glue node,
// 16..18 further glue words.
struct JelStateRec {
  int32_t w[19];
};

// Per-node state of a stored frame: 0..2 natural-state position, 3..5 position,
// 6..8 velocity, then three blocks of 21 per-link values (7 x, 7 y, 7 z each).
struct JelNodeRec {
  float f[72];
};

// A frame slot: a word for the store's user (0 when free), the frame number and
// the element array (null = not allocated). In the vector-block channel the
// array is a ChanBlock.
struct ChanSlot {
  int32_t word;
  int32_t frame;
  void* data;
};

// The vector-block channel keeps, per slot, a copy of another store's 32 vec3
// slots: 32 slot-like entries whose arrays hold n + 1 vec3 (3 floats each).
constexpr int kChanBlockEntries = 32;
struct ChanBlock {
  ChanSlot entries[kChanBlockEntries];
};

struct ChanChannel {
  int32_t slotCount;  // m: the channel has slots 0..m
  ChanSlot* slots;    // m + 1 slots; null = channel absent
};

struct ChanData {
  int32_t count;                       // element count n
  ChanChannel channels[kChanCount];    // in flag order 2, 4, ..., 128, 0x4000
};

// Index 0..7 of a single channel flag in the record, -1 for anything else.
int GVChanIndex(int32_t flag);
// Element width of a channel in 32-bit words (0 for the block channel and for
// unknown flags).
int GVChanElementWords(int32_t flag);

// The channel of a flag, null when the record or the channel is absent.
ChanChannel* GVChanChannel(ChanData* cd, int32_t flag);
const ChanChannel* GVChanChannel(const ChanData* cd, int32_t flag);
// Slot k of a channel, null when the channel is absent or k is outside 0..m.
ChanSlot* GVChanSlot(ChanData* cd, int32_t flag, int32_t k);
const ChanSlot* GVChanSlot(const ChanData* cd, int32_t flag, int32_t k);

// Typed element arrays of slot k (null when not allocated).
int32_t* GVChanInts(ChanData* cd, int32_t k);          // channel 2
float* GVChanFloats(ChanData* cd, int32_t k);          // channel 4
float* GVChanVec3s(ChanData* cd, int32_t k);           // channel 8, 3 floats per element
float* GVChanMat3s(ChanData* cd, int32_t k);           // channel 16, 9 floats per element
JelStateRec* GVChanStateRecs(ChanData* cd, int32_t k); // channel 32
JelNodeRec* GVChanNodeRecs(ChanData* cd, int32_t k);   // channel 64
MatterProps* GVChanMatter(ChanData* cd, int32_t k);    // channel 128
ChanBlock* GVChanBlock(ChanData* cd, int32_t k);       // channel 0x4000

// A new record with count n and every channel absent; null for n < 0 or when
// memory runs out.
ChanData* GVNewChanData(int32_t n);
// Frees every element array and slot array, then the record. Null is fine.
void GVFreeChanData(ChanData* cd);

// For each requested channel in flag order: when it already exists the call
// ends there (it and the later ones are left alone); otherwise it gets slots
// 0..m, all free. Nothing for m < 0. Returns 1 when every requested channel
// was made, 0 otherwise.
int GVAllocChannels(ChanData* cd, int32_t mask, int32_t m);

// For each requested channel in flag order, allocates and initialises slot k's
// element array (zero; matter elements get F-Ratio 1 and Density 9e30, the rest
// 0). Ends at the first requested channel that is absent, has no slot k or
// already has an array there. Returns 1 when every requested array was made.
int GVAllocChannelFrame(ChanData* cd, int32_t mask, int32_t k);

// Gives every present channel slots 0..m: arrays past m are freed, new slots are
// free. Returns 1, or 0 (nothing changed in the channels not yet done) when
// memory runs out or m < 0.
int GVResizeChannels(ChanData* cd, int32_t m);

// Frees slot k's array in each requested channel and clears the slot.
void GVFreeChannelFrame(ChanData* cd, int32_t mask, int32_t k);

// In every present channel: removes slot j (j >= 1; later slots move down, the
// removed array goes to the last slot, which becomes (0, 0, array)).
void GVShiftSlotsDown(ChanData* cd, int32_t j);
// In every present channel: opens slot j (j >= 1; slots j..m-1 move up, the last
// slot's array is reused as slot j's, which becomes (0, 0, array)).
void GVInsertSlot(ChanData* cd, int32_t j);

// A deep copy; null for a null source or when memory runs out.
ChanData* GVCopyChanData(const ChanData* src);

// Changes the element count to n: every element array is reallocated with n + 1
// zeroed elements and elements 1..min(old n, n) are copied. Returns 1, or 0 with
// the record unchanged (n < 0 or memory exhausted).
int GVResizeChanData(ChanData* cd, int32_t n);

// Copies the 32 vec3 slots of source (a store with channel 8) into the vector
// block of target slot k, making the block channel (slots 0..k), block and entry
// arrays as needed; an entry whose source slot has no array is freed and
// cleared. Both stores must have the same count. Returns 1, or 0 when refused.
int GVChanDataSaveBlock(ChanData* target, const ChanData* source, int32_t k);
// The reverse: gives target a channel 8 of 32 slots when it has none and copies
// every entry present in source's block k into target slot e. Returns 1 or 0.
int GVChanDataLoadBlock(const ChanData* source, ChanData* target, int32_t k);

// ---- File and item-stream forms ----------------------------------------------

// The two header forms of the file layout: 68 bytes (all eight channels) and the
// short 60 bytes of old records (no vector-block channel).
enum ChanHeaderForm { kChanHeaderShort = 0, kChanHeaderFull = 1 };

// Results of the readers.
enum : int {
  kChanReadOk = 1,
  kChanReadNothing = 0,      // null record, file or stream
  kChanReadShort = -1,       // the data ended early; what was read whole stays
  kChanReadBadCount = -2,    // a count disagrees with the record or the data present
  kChanReadNotEmpty = -3,    // the record already holds channels
  kChanReadNoMemory = -4,
};

// Reads a store in the file layout into cd, which must have every channel
// absent and the count the caller expects. The header's element count must
// equal cd's count and every slot count must fit in what the file still holds;
// otherwise the record is refused (kChanReadBadCount) and left with no channel.
// A file that ends early keeps the slots read whole (kChanReadShort).
int GVReadChanData(ChanData* cd, FILE* file, ChanHeaderForm form);
// Writes cd in the file layout; the short form cannot carry the vector-block
// channel and leaves it out. Returns 1, or 0 when the file refused the bytes.
int GVWriteChanData(const ChanData* cd, FILE* file, ChanHeaderForm form);

// Item-stream image: the counting pass, the filling pass (at the stream's int
// and float cursors; 0 and nothing put when the arrays lack room) and the parse.
void GVCountChanData(const ChanData* cd, ItemStream* stream);
int GVPutChanData(const ChanData* cd, ItemStream* stream);
// Parses an image into cd (every channel absent, the count the caller expects).
// A header whose count differs from cd's, or counts that run past the arrays,
// are refused before anything is taken: the cursors and cd stay as they were.
int GVGetChanData(ChanData* cd, ItemStream* stream);
