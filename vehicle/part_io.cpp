// The stored forms of a vehicle part. One walker gives the layout of the
// record's words to the tagged-file reader and to the image reader, counter
// and writer. The table words are written as 0 and never trusted on reading:
// the tables are rebuilt from the Jels' node counts.
#include <initializer_list>
#include <cstring>
#include <new>

#include "dynamics/rigid_parts.h"
#include "geo/record_codec.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "records/item_stream.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_part.h"

namespace {

constexpr size_t kTaggedHeaderBytes = 8;
constexpr int32_t kImageKindRotator = 0;
constexpr int32_t kImageKindWheel = 1;

enum class ParamForm { kRaw, kFloat };

template <class Codec>
void pointerWord(Codec& c) {
  int32_t w = 0;
  c.i32(w);
}

// groupSel .. the last parameter: the thirteen words every form shares.
template <class Codec>
void partWords(Codec& c, VhclPartRec* p) {
  c.i32(p->groupSel);
  c.i32(p->jelA);
  c.i32(p->jelB);
  c.i32(p->jelAKey);
  pointerWord(c);
  c.i32(p->jelBKey);
  pointerWord(c);
}

template <class Codec>
void paramWords(Codec& c, VhclPartRec* p, ParamForm form) {
  for (uint32_t& w : p->params) {
    if (form == ParamForm::kRaw) {
      c.u32(w);
      continue;
    }
    float f;
    std::memcpy(&f, &w, sizeof f);
    c.f32(f);
    std::memcpy(&w, &f, sizeof w);
  }
}

// The image: two kind words, the shared words, and the parameters (floats of
// a rotator in the float array, ints of a wheel in the int array).
template <class Codec>
void imageLayout(Codec& c, VhclPartRec* p, int32_t kind) {
  int32_t lead[2] = {0, kind};
  c.i32(lead[0]);
  c.i32(lead[1]);
  partWords(c, p);
  paramWords(c, p, kind == kImageKindRotator ? ParamForm::kFloat : ParamForm::kRaw);
}

void freeTables(VhclPartRec* p) {
  delete[] p->nodeTableA;
  delete[] p->nodeTableB;
  p->nodeTableA = p->nodeTableB = nullptr;
}

int32_t* tableFor(const HWorld* world, int32_t id) {
  const HObject* j = GVVehicleJel(world, id);
  return j ? new (std::nothrow) int32_t[j->nodeCount + 1]() : nullptr;
}

void rebuildContactGrid(const HWorld* world, int32_t id) {
  if (HObject* j = GVVehicleJel(world, id))
    if (j->state) j->state->rebuildContactGrid(0.5f * j->cellSize, 0);
}

void captureShape(const HWorld* world, int32_t id) {
  if (HAState* s = GVVehicleJelState(world, id)) GVCapturePartRestShape(s, 1);
}

void setFlags(const HWorld* world, int32_t id, uint32_t flags) {
  if (HObject* j = GVVehicleJel(world, id)) j->flags |= flags;
}

// Hands what was read over to the record, keeping its cell, and finishes the
// part against its world.
void takeOver(VhclPartRec* part, const VhclPartRec& read, HWorld* world, bool rotator, bool grids, bool flags) {
  freeTables(part);
  VhclPartRec** cell = part->handle;
  *part = read;
  part->handle = cell;
  part->world = world;
  if (rotator) {
    part->nodeTableA = tableFor(world, part->jelA);
    part->nodeTableB = tableFor(world, part->jelB);
  }
  for (int32_t id : {part->jelA, part->jelB}) {
    if (grids) rebuildContactGrid(world, id);
    if (flags) setFlags(world, id, id == part->jelB && !rotator ? kJelVehicleWheel : kJelVehicleMotor);
    captureShape(world, id);
  }
}

int32_t readTagged(VhclPartRec* part, FILE* file, HWorld* world, bool rotator) {
  if (!part || !file || !world) return 0;
  VhclPartRec read;
  FileCodecCore c(file, false);
  c.unused(kTaggedHeaderBytes);
  pointerWord(c);  // back-pointer
  pointerWord(c);  // world
  partWords(c, &read);
  paramWords(c, &read, ParamForm::kRaw);
  if (!c.ok) return 0;
  takeOver(part, read, world, rotator, true, true);
  return 1;
}

int32_t readImage(VhclPartRec* part, HWorld* world, ItemStream* image, int32_t kind) {
  if (!part || !image) return 0;
  const ItemStream start = *image;
  VhclPartRec read;
  ImageCodecCore c(image, ImageCodecCore::kRead);
  imageLayout(c, &read, kind);
  if (!c.ok) {
    image->intCount = start.intCount;
    image->floatCount = start.floatCount;
    return 0;
  }
  const bool rotator = kind == kImageKindRotator;
  takeOver(part, read, world, rotator, !rotator, false);
  return 1;
}

void countImage(ItemStream* image, int32_t kind) {
  if (!image) return;
  VhclPartRec blank;
  ImageCodecCore c(image, ImageCodecCore::kCount);
  imageLayout(c, &blank, kind);
}

int32_t putImage(const VhclPartRec* part, ItemStream* image, int32_t kind) {
  if (!part || !image) return 0;
  VhclPartRec copy;
  copy.groupSel = part->groupSel;
  copy.jelA = part->jelA;
  copy.jelB = part->jelB;
  copy.jelAKey = part->jelAKey;
  copy.jelBKey = part->jelBKey;
  std::memcpy(copy.params, part->params, sizeof copy.params);
  ImageCodecCore c(image, ImageCodecCore::kPut);
  imageLayout(c, &copy, kind);
  return c.ok ? 1 : 0;
}

}  // namespace

int32_t GVReadVhclRotPart(VhclPartRec* part, FILE* file, HWorld* world) { return readTagged(part, file, world, true); }

int32_t GVReadVhclWheelPart(FILE* file, VhclPartRec* part, HWorld* world) {
  return readTagged(part, file, world, false);
}

int32_t GVReadVhclRotPartImage(VhclPartRec* part, HWorld* world, ItemStream* image) {
  return readImage(part, world, image, kImageKindRotator);
}

int32_t GVReadVhclWheelPartImage(VhclPartRec* part, HWorld* world, ItemStream* image) {
  return readImage(part, world, image, kImageKindWheel);
}

void GVCountVhclRotPart(ItemStream* image) { countImage(image, kImageKindRotator); }
void GVCountVhclWheelPart(ItemStream* image) { countImage(image, kImageKindWheel); }

int32_t GVPutVhclRotPart(const VhclPartRec* part, ItemStream* image) {
  return putImage(part, image, kImageKindRotator);
}

int32_t GVPutVhclWheelPart(const VhclPartRec* part, ItemStream* image) {
  return putImage(part, image, kImageKindWheel);
}
