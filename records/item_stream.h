// The item-stream container of scene and export files: four typed arrays
// (bytes, 32-bit ints, 32-bit floats, 8-byte items) that writers fill in two
// passes and readers parse with running cursors.
//
// Writing: zero the container, add every item's sizes to the four counts
// (counting pass), GVItemStreamAlloc, set the counts to zero, put every value at
// its cursor (filling pass; the counts become the cursors and end as the sizes
// filled), GVItemStreamWrite, GVItemStreamReset.
//
// Reading: GVItemStreamRead, set the counts to zero, parse with the counts as
// cursors, GVItemStreamReset.
//
// File form, little-endian, no padding: u32 byte count, u32 int count, u32 float
// count, u32 item count, then the bytes, the ints, the floats and the items.
#pragma once

#include <cstdint>
#include <cstdio>

// Result codes of the container reader and writer. The first two follow the
// scene readers' numbering; the others are this container's own.
enum : int {
  kItemStreamOk = 0,
  kItemStreamHeaderNotRead = -1,  // the file ends inside the 16-byte header
  kItemStreamNoFile = -5,         // no file was given
  kItemStreamBadCounts = -7,      // a declared count is impossible (see GVItemStreamRead)
  kItemStreamTruncated = -8,      // the file ends before the declared arrays
  kItemStreamNoMemory = -9,       // an array could not be allocated
  kItemStreamWriteFailed = -10,   // the file refused the bytes
};

// Largest total of array bytes a container may declare. The format comes from a
// 32-bit program, which could never have held more.
constexpr uint64_t kItemStreamMaxBytes = 0x7fffffffu;

struct ItemStream {
  // Sizes while counting; cursors while filling or parsing; sizes again when
  // written.
  uint32_t byteCount = 0;
  uint32_t intCount = 0;
  uint32_t floatCount = 0;
  uint32_t itemCount = 0;
  // Each array holds its size + 1 elements when allocated, else is null.
  uint8_t* bytes = nullptr;
  int32_t* ints = nullptr;
  float* floats = nullptr;
  double* items = nullptr;
  // Elements each array can hold (the spare one not included), kept by
  // GVItemStreamAlloc and GVItemStreamRead. A parser keeps its cursors within
  // these; the writer refuses a cursor that ran past them.
  uint32_t byteSize = 0;
  uint32_t intSize = 0;
  uint32_t floatSize = 0;
  uint32_t itemSize = 0;
};

// Allocates, zero-filled, count + 1 elements for every array whose count is not
// zero (an array already held is freed first); an array whose count is zero
// keeps its pointer. Returns kItemStreamOk, or kItemStreamNoMemory with the
// arrays of this call freed again.
int GVItemStreamAlloc(ItemStream* stream);

// Counts to zero, arrays freed and null, sizes to zero.
void GVItemStreamReset(ItemStream* stream);

// Frees the arrays and touches nothing else (the pointers dangle). For a holder
// that gives the container up on a failure path and never looks at it again.
void GVItemStreamFreeArrays(ItemStream* stream);

// Writes the four counts and then every array whose count is not zero.
// kItemStreamNoFile when file is null; kItemStreamBadCounts (nothing written)
// when a non-zero count has no array or exceeds the array's size;
// kItemStreamWriteFailed when the file takes fewer bytes; else kItemStreamOk.
int GVItemStreamWrite(const ItemStream* stream, FILE* file);

// Resets the container and reads one from the file's current position.
// kItemStreamNoFile when file is null (the container is not touched). On any
// other failure the container is left reset, nothing allocated:
//   kItemStreamHeaderNotRead  the file ends inside the header;
//   kItemStreamBadCounts      a count of 0xffffffff, or arrays declared larger
//                             than kItemStreamMaxBytes, or larger than what
//                             remains of a seekable file;
//   kItemStreamTruncated      the file ends inside the arrays;
//   kItemStreamNoMemory       an array could not be allocated.
// A header of four zero counts reads back as an empty container.
int GVItemStreamRead(ItemStream* stream, FILE* file);

// 1 when the cursors can advance by the given numbers of values without leaving
// the arrays (which must then exist), else 0.
int GVItemStreamHasRoom(const ItemStream* stream, uint32_t bytes, uint32_t ints,
                        uint32_t floats, uint32_t items);

// Bounds-checked takes for parsers: store the value at the cursor and advance it,
// returning 1; return 0 and leave cursor and output alone at the array's end.
int GVItemStreamTakeInt(ItemStream* stream, int32_t* out);
int GVItemStreamTakeFloat(ItemStream* stream, float* out);
int GVItemStreamTakeItem(ItemStream* stream, double* out);
