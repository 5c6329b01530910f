// Pieces shared by the item-stream blocks of the scene-wide records: the colour
// block and its optional form, and a put that writes a block whole or not at
// all. The walkers take any codec of geo/record_codec.h.
#pragma once

#include <cstdint>
#include <new>

#include "geo/geo_object.h"
#include "geo/record_codec.h"
#include "scene/item_stream.h"

// A colour: its mode word, then red, green, blue and alpha.
template <typename C>
void GVWalkColour(C& c, GColour& col) {
  c.i32(col.mode);
  c.f32(col.r);
  c.f32(col.g);
  c.f32(col.b);
  c.f32(col.a);
}

// An owned colour that may be missing: a present word, then the colour. A
// reader frees what the pointer held and allocates a new colour when the word
// says one follows.
template <typename C>
void GVWalkOptionalColour(C& c, GColour*& col) {
  int32_t present = c.writing() ? (col ? 1 : 0) : 0;
  c.i32(present);
  if (!c.ok) return;
  if (c.reading()) {
    delete col;
    col = nullptr;
    if (!present) return;
    if (!(col = new (std::nothrow) GColour{0, 0.0f, 0.0f, 0.0f, 0.0f})) {
      c.ok = false;
      return;
    }
  } else if (!present) {
    return;
  }
  GVWalkColour(c, *col);
}

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
