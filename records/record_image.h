// Pieces shared by the item-stream blocks of the scene-wide records: a put
// that writes a block whole or not at all, and the passes of a record's walk.
// The walkers take any codec of records/codec_core.h.
#pragma once

#include <cstdint>

#include "records/codec_core.h"
#include "records/item_stream.h"

// Counts what walk(codec) puts; then puts it only when every array has room for
// all of it, so that a block is never left half written. 1 put, 0 nothing put.
template <typename Walk>
int GVPutImageWhole(ItemStream* stream, Walk walk) {
  if (!stream) return 0;
  ItemStream need;
  ImageCodecCore count(&need, ImageCodecCore::kCount);
  walk(count);
  if (!GVItemStreamHasRoom(stream, need.byteCount, need.intCount, need.floatCount, need.itemCount))
    return 0;
  ImageCodecCore put(stream, ImageCodecCore::kPut);
  walk(put);
  return put.ok ? 1 : 0;
}

// The counting pass and the put of a record's walk. A walk takes its record by
// reference; the writers change nothing, so they walk a shallow copy.
template <typename Rec, typename Walk>
void GVCountImageOf(ItemStream* stream, const Rec* rec, Walk walk) {
  if (!stream || !rec) return;
  Rec copy = *rec;
  ImageCodecCore c(stream, ImageCodecCore::kCount);
  walk(c, copy);
}
template <typename Rec, typename Walk>
int GVPutImageOf(ItemStream* stream, const Rec* rec, Walk walk) {
  if (!rec) return 0;
  Rec copy = *rec;
  return GVPutImageWhole(stream, [&](ImageCodecCore& c) { walk(c, copy); });
}
// Reads the walk in place: 1, or 0 when it ran past the arrays.
template <typename Rec, typename Walk>
int GVGetImageOf(ItemStream* stream, Rec* rec, Walk walk) {
  if (!stream || !rec) return 0;
  ImageCodecCore c(stream, ImageCodecCore::kRead);
  walk(c, *rec);
  return c.ok ? 1 : 0;
}
