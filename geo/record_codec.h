// The record layouts' codecs (records/codec_core.h) and the field groups the
// Geo records share.
#pragma once

#include <new>

#include "geo/geo_object.h"
#include "records/codec_core.h"

// --- field groups shared by the Geo records ------------------------------------

template <typename C>
void codeVec3(C& c, float* v) {
  c.f32(v[0]);
  c.f32(v[1]);
  c.f32(v[2]);
}

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
