// Shared steps of the block fuzz targets: the input as an item-stream
// container, the cursors put back to the start, and a write-and-read-again
// check of what a reader accepted.
#pragma once

#include <cstdint>
#include <cstdio>

#include "records/item_stream.h"

// Puts every cursor of the stream back to the start of its array.
inline void FuzzRewindStream(ItemStream* s) { s->byteCount = s->intCount = s->floatCount = s->itemCount = 0; }

// Reads the bytes as a container, cursors at 0; false when they do not read.
inline bool FuzzReadStream(const uint8_t* data, size_t size, ItemStream* stream) {
  FILE* f = std::tmpfile();
  if (!f) return false;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  const bool ok = GVItemStreamRead(stream, f) == kItemStreamOk;
  std::fclose(f);
  FuzzRewindStream(stream);
  return ok;
}

// Counts, puts and reads the record back into itself; a block the writer made
// must always read.
template <typename Rec, typename Count, typename Put, typename Get>
void FuzzRewrite(Rec* rec, Count count, Put put, Get get) {
  ItemStream s;
  count(&s, rec);
  if (GVItemStreamAlloc(&s) != kItemStreamOk) return;
  FuzzRewindStream(&s);
  if (put(&s, rec) != 1) __builtin_trap();
  FuzzRewindStream(&s);
  if (get(&s, rec) != 1) __builtin_trap();
  GVItemStreamReset(&s);
}
