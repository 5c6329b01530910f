// The primitive values of a record layout, read or written through one walker
// so that a record's reader and its writer cannot drift apart. A layout function
// takes either codec and calls i32, f32, str and the like for each field in
// order; the codec reads, counts or writes them. After the first failure every
// call does nothing and `ok` stays false.
#pragma once

#include <cstdint>
#include <cstdio>

#include "records/binary_file.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

// Little-endian values on a file.
struct FileCodecCore {
  FileCodecCore(FILE* file, bool writing) : f(file), out(writing) {}
  FILE* f;
  bool out;
  bool ok = true;

  bool reading() const { return !out; }
  bool writing() const { return out; }
  void u32(uint32_t& v) {
    if (ok) ok = out ? GVFileWriteU32(f, v) == 1 : GVFileReadU32(f, &v) == 1;
  }
  void i32(int32_t& v) {
    if (ok) ok = out ? GVFileWriteI32(f, v) == 1 : GVFileReadI32(f, &v) == 1;
  }
  void f32(float& v) {
    if (ok) ok = out ? GVFileWriteF32(f, v) == 1 : GVFileReadF32(f, &v) == 1;
  }
  void f64(double& v) {
    if (ok) ok = out ? GVFileWriteF64(f, v) == 1 : GVFileReadF64(f, &v) == 1;
  }
  void str(char*& s) {
    if (ok) ok = out ? GVWriteString(f, s) == 1 : GVReadString(f, &s) == 1;
  }
  // Bytes the layout does not use: skipped when reading, zeros when writing.
  void unused(size_t n) {
    if (!ok) return;
    if (!out) {
      ok = GVFileSkip(f, n) == 1;
      return;
    }
    static const unsigned char kZeros[128] = {};
    while (ok && n > 0) {
      const size_t k = n < sizeof kZeros ? n : sizeof kZeros;
      ok = GVFileWriteBytes(f, kZeros, k) == 1;
      n -= k;
    }
  }
  // Whether n entries of entryBytes each, n at most maxEntries, can still follow
  // in the file (reading only).
  bool roomInFile(int64_t n, int64_t entryBytes, int64_t maxEntries) {
    if (!ok || out) return ok;
    if (n < 0 || n > maxEntries) return ok = false;
    const long long left = GVFileRemaining(f);
    if (left >= 0 && n * entryBytes > left) ok = false;
    return ok;
  }
  void require(bool cond) {
    if (!cond) ok = false;
  }
};

// Values in an item stream's arrays: taken when reading, counted in the counting
// pass, put at the cursors in the filling pass.
struct ImageCodecCore {
  enum Mode { kRead, kCount, kPut };
  ImageCodecCore(ItemStream* stream, Mode m) : s(stream), mode(m) {}
  ItemStream* s;
  Mode mode;
  bool ok = true;

  bool reading() const { return mode == kRead; }
  bool writing() const { return mode != kRead; }
  void i32(int32_t& v) {
    if (!ok) return;
    if (mode == kRead) {
      ok = GVItemStreamTakeInt(s, &v) == 1;
    } else if (mode == kCount) {
      s->intCount++;
    } else if ((ok = GVItemStreamHasRoom(s, 0, 1, 0, 0) == 1)) {
      s->ints[s->intCount++] = v;
    }
  }
  void u32(uint32_t& v) {
    int32_t w = static_cast<int32_t>(v);
    i32(w);
    v = static_cast<uint32_t>(w);
  }
  void f32(float& v) {
    if (!ok) return;
    if (mode == kRead) {
      ok = GVItemStreamTakeFloat(s, &v) == 1;
    } else if (mode == kCount) {
      s->floatCount++;
    } else if ((ok = GVItemStreamHasRoom(s, 0, 0, 1, 0) == 1)) {
      s->floats[s->floatCount++] = v;
    }
  }
  // 8-byte values live in the item array.
  void f64(double& v) {
    if (!ok) return;
    if (mode == kRead) {
      ok = GVItemStreamTakeItem(s, &v) == 1;
    } else if (mode == kCount) {
      s->itemCount++;
    } else if ((ok = GVItemStreamHasRoom(s, 0, 0, 0, 1) == 1)) {
      s->items[s->itemCount++] = v;
    }
  }
  void str(char*& t) {
    if (!ok) return;
    if (mode == kRead)
      ok = GVItemStreamGetNewString(s, &t) == 1;
    else if (mode == kCount)
      GVStreamCountString(s, t);
    else
      ok = GVItemStreamPutString(s, t) == 1;
  }
  // Whether n entries of the given numbers of ints and floats each, n at
  // most maxEntries, can still be taken (reading only).
  bool roomInImage(int64_t n, int64_t ints, int64_t floats, int64_t maxEntries) {
    if (!ok || mode != kRead) return ok;
    if (n < 0 || n > maxEntries || ints < 0 || floats < 0) return ok = false;
    const int64_t intsLeft = s->ints && s->intCount <= s->intSize ? s->intSize - s->intCount : 0;
    const int64_t floatsLeft = s->floats && s->floatCount <= s->floatSize ? s->floatSize - s->floatCount : 0;
    if (n * ints > intsLeft || n * floats > floatsLeft) ok = false;
    return ok;
  }
  void require(bool cond) {
    if (!cond) ok = false;
  }
};
