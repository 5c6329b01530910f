#include "vehicle/vehicle_io.h"

#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <cstring>
#include <new>

#include "dynamics/rigid_parts.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/record_codec.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/matter.h"
#include "records/item_stream.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"
#include "vehicle/vehicle_setup.h"

namespace {

constexpr int kSlots = 12;
constexpr int32_t kItemLead[2] = {0, 3};

struct PartSlot {
  VhclPartRec** VehicleRec::*slot;
  bool rotator;
};
// Stored order of the part slots.
constexpr PartSlot kPartSlots[kSlots] = {
    {&VehicleRec::rotorL, true},    {&VehicleRec::rotorR, true},    {&VehicleRec::wheelFL, false},
    {&VehicleRec::wheelFR, false},  {&VehicleRec::wheelBL, false},  {&VehicleRec::wheelBR, false},
    {&VehicleRec::rotorL2, true},   {&VehicleRec::rotorR2, true},   {&VehicleRec::wheel2FL, false},
    {&VehicleRec::wheel2FR, false}, {&VehicleRec::wheel2BL, false}, {&VehicleRec::wheel2BR, false}};

VhclPartRec* partIn(const VehicleRec* v, int k) {
  VhclPartRec** cell = v->*kPartSlots[k].slot;
  return cell ? *cell : nullptr;
}

// Runs of record fields that both stored forms keep in this order.
using IntField = int32_t VehicleRec::*;
using FloatField = float VehicleRec::*;
constexpr IntField kGroupInts[] = {&VehicleRec::groupChassis, &VehicleRec::groupAll, &VehicleRec::number};
constexpr IntField kTypeInts[] = {&VehicleRec::type,       &VehicleRec::reserved7,  &VehicleRec::reserved8,
                                  &VehicleRec::groupExtra, &VehicleRec::reserved10, &VehicleRec::reserved11};
constexpr FloatField kSpinFloats[] = {&VehicleRec::speedUp,   &VehicleRec::wheelOffset, &VehicleRec::hubWidth,
                                      &VehicleRec::frontSpin, &VehicleRec::rearSpin,    &VehicleRec::subStepFactor};
constexpr IntField kJelInts[] = {&VehicleRec::chassisJel, &VehicleRec::bodyJel, &VehicleRec::suspensionJel};
constexpr IntField kAxleInts[] = {&VehicleRec::chassisPart, &VehicleRec::rigidWheels, &VehicleRec::driveAxles,
                                  &VehicleRec::brakeAxles};
// Followed by the three reserved floats.
constexpr FloatField kTuneFloats[] = {
    &VehicleRec::speedLimit, &VehicleRec::steerRate,     &VehicleRec::heading,       &VehicleRec::driveGain,
    &VehicleRec::driveScale, &VehicleRec::limitGain,     &VehicleRec::limitScale,    &VehicleRec::defaultForceA,
    &VehicleRec::defaultForceB, &VehicleRec::frontGrip,  &VehicleRec::rearGrip,      &VehicleRec::speed,
    &VehicleRec::fRatioFactor, &VehicleRec::scTFactor};

template <class Codec, size_t N>
void ints(Codec& c, VehicleRec* v, const IntField (&fields)[N]) {
  for (IntField f : fields) c.i32(v->*f);
}

template <class Codec, size_t N>
void floats(Codec& c, VehicleRec* v, const FloatField (&fields)[N]) {
  for (FloatField f : fields) c.f32(v->*f);
}

template <class Codec>
void tuneFloats(Codec& c, VehicleRec* v) {
  floats(c, v, kTuneFloats);
  for (float& f : v->reserved51) c.f32(f);
}

// The item's own values up to the presence words; the parts follow them.
template <class Codec>
void itemHead(Codec& c, VehicleRec* v, int32_t lead[2], int32_t present[kSlots]) {
  c.i32(lead[0]);
  c.i32(lead[1]);
  ints(c, v, kGroupInts);
  c.f32(v->scale);
  ints(c, v, kTypeInts);
  floats(c, v, kSpinFloats);
  ints(c, v, kAxleInts);
  tuneFloats(c, v);
  for (int32_t* f : {&v->headingNode, &v->suspBodyPart, &v->suspPart}) c.i32(*f);
  ints(c, v, kJelInts);
  for (int k = 0; k < kSlots; ++k) c.i32(present[k]);
}

void rebuildContactGrids(const VehicleRec* v) {
  for (int32_t id : {v->chassisJel, v->bodyJel, v->suspensionJel})
    if (HObject* j = GVVehicleJel(v->world, id))
      if (j->state) j->state->rebuildContactGrid(0.5f * j->cellSize, 0);
}

void freePartCells(VehicleRec* v) {
  for (const PartSlot& s : kPartSlots) {
    GVFreeVhclPartCell(v->*s.slot);
    v->*s.slot = nullptr;
  }
}

// The repairs both readers end with.
void finishRead(VehicleRec* v) {
  if (v->headingNode == 0) GVVehicleFindHeadingNode(v);
  if (HAState* s = GVVehicleJelState(v->world, v->chassisJel)) GVCapturePartRestShape(s, v->chassisPart);
  if (HAState* s = GVVehicleJelState(v->world, v->bodyJel)) GVCapturePartRestShape(s, 1);
  v->heading = 0.0f;
  v->speed = 0.0f;
  GVVehicleSteerRatio(v);
  if (GVVehicleWheelsOneSide(v) && v->hubWidth < 0.1f) v->hubWidth = 0.5f;
  if (!(v->subStepFactor >= 1.0f)) v->subStepFactor = 1.0f;
}

// ---- the tagged record's versions ----

constexpr int kVersionWords[kVehicleTaggedVersion + 1] = {35, 45, 54, 59};
constexpr int kRecordWords = 60;

void move(uint32_t* to, int at, const uint32_t* from, int first, int n) {
  for (int i = 0; i < n; ++i) to[at + i] = from[first + i];
}

uint32_t floatWord(float f) {
  uint32_t w;
  std::memcpy(&w, &f, sizeof w);
  return w;
}

// Version n's words into version n + 1's (3 into the current record); what
// the newer form has and the older lacks starts cleared.
void upgrade(int version, const uint32_t* a, uint32_t* b) {
  switch (version) {
    case 0:
      move(b, 2, a, 2, 6);
      move(b, 15, a, 8, 2);
      move(b, 24, a, 16, 4);
      move(b, 28, a, 20, 12);
      move(b, 42, a, 32, 1);
      move(b, 44, a, 34, 1);
      break;
    case 1:
      move(b, 2, a, 2, 13);
      move(b, 18, a, 15, 3);
      move(b, 33, a, 24, 4);
      move(b, 37, a, 28, 12);
      move(b, 49, a, 40, 3);
      move(b, 53, a, 44, 1);
      break;
    case 2:
      move(b, 2, a, 2, 19);
      move(b, 33, a, 33, 8);
      b[41] = floatWord(1.0f);
      move(b, 42, a, 41, 1);
      b[43] = floatWord(1.0f);
      move(b, 44, a, 42, 7);
      move(b, 54, a, 49, 3);
      move(b, 58, a, 53, 1);
      break;
    default:
      move(b, 2, a, 2, 19);
      move(b, 33, a, 33, 24);
      move(b, 58, a, 58, 1);
      break;
  }
}

// Takes 32-bit words from a run of the record in order, as a file codec
// would.
struct WordReader {
  const uint32_t* w;
  int k;
  void i32(int32_t& v) { v = static_cast<int32_t>(w[k++]); }
  void f32(float& v) { std::memcpy(&v, &w[k++], sizeof v); }
};

// The current record's words into the record's fields: the pointer words (0,
// 1, the part slots and the auxiliary array) and the steering ratio are not
// taken.
void takeWords(const uint32_t* w, VehicleRec* v) {
  WordReader r{w, 2};
  ints(r, v, kGroupInts);
  r.f32(v->scale);
  ints(r, v, kTypeInts);
  floats(r, v, kSpinFloats);
  ints(r, v, kJelInts);
  r.k = 33;
  ints(r, v, kAxleInts);
  tuneFloats(r, v);
  for (int32_t* f : {&v->suspBodyPart, &v->suspPart, &v->auxCount}) r.i32(*f);
  r.k = 58;
  r.i32(v->headingNode);
}

// The suspension is stepped by the vehicle's own sub-steps (flag 4 keeps the
// world's step off it), and its F-Ratio covers the sub-steps its matter needs.
void prepareSuspension(VehicleRec* v) {
  HObject* susp = GVVehicleJel(v->world, v->suspensionJel);
  if (!susp) return;
  susp->flags |= 4;
  MatterProps m;
  GVSetMatterDefaults(&m);
  susp->getNodeMatter(1, 0, kMatterAllFields, &m);
  m.fRatio = GVVehicleSuspensionFRatio(&m, susp->cellSize);
  if (susp->playParams.mode != kWorldReplay) susp->setPartMatter(1, 0, kMatterFRatio, &m);
}

// Largest auxiliary array a tagged record may bring.
constexpr int64_t kMaxAux = 1 << 20;

}  // namespace

void GVCountVehicleItem(ItemStream* image, const VehicleRec* v) {
  if (!image || !v) return;
  VehicleRec blank;
  int32_t lead[2] = {0, 0}, present[kSlots] = {};
  ImageCodecCore c(image, ImageCodecCore::kCount);
  itemHead(c, &blank, lead, present);
  for (int k = 0; k < kSlots; ++k) {
    if (!partIn(v, k)) continue;
    if (kPartSlots[k].rotator)
      GVCountVhclRotPart(image);
    else
      GVCountVhclWheelPart(image);
  }
  c.i32(lead[0]);
}

int32_t GVPutVehicleItem(const VehicleRec* v, ItemStream* image) {
  if (!v || !image) return 0;
  VehicleRec values = *v;  // a view of the fields to put; owns nothing
  int32_t lead[2] = {kItemLead[0], kItemLead[1]}, present[kSlots];
  for (int k = 0; k < kSlots; ++k) present[k] = partIn(v, k) ? 1 : 0;
  ImageCodecCore c(image, ImageCodecCore::kPut);
  itemHead(c, &values, lead, present);
  bool ok = c.ok;
  for (int k = 0; ok && k < kSlots; ++k) {
    if (!present[k]) continue;
    ok = (kPartSlots[k].rotator ? GVPutVhclRotPart(partIn(v, k), image) : GVPutVhclWheelPart(partIn(v, k), image)) == 1;
  }
  int32_t tail = 0;
  c.i32(tail);
  return ok && c.ok ? 1 : 0;
}

int32_t GVGetVehicleItem(HWorld* world, VehicleRec* v, ItemStream* image) {
  if (!world || !v || !image) return 0;
  const ItemStream start = *image;
  VehicleRec read;
  read.auxCount = v->auxCount;  // not part of the item
  int32_t lead[2] = {0, 0}, present[kSlots] = {};
  ImageCodecCore c(image, ImageCodecCore::kRead);
  itemHead(c, &read, lead, present);
  bool ok = c.ok && lead[0] == kItemLead[0] && lead[1] == kItemLead[1];
  for (int k = 0; ok && k < kSlots; ++k) {
    if (!present[k]) continue;
    read.*kPartSlots[k].slot =
        kPartSlots[k].rotator ? GVNewVhclRotPartFromImage(image, world) : GVNewVhclWheelPartFromImage(image, world);
    ok = read.*kPartSlots[k].slot != nullptr;
  }
  int32_t tail = 0;
  c.i32(tail);
  if (!ok || !c.ok) {
    freePartCells(&read);
    image->intCount = start.intCount;
    image->floatCount = start.floatCount;
    return 0;
  }

  freePartCells(v);
  delete[] v->aux;
  read.aux = nullptr;
  *v = read;
  v->handle = nullptr;
  v->world = world;
  rebuildContactGrids(v);
  if (v->auxCount > 0) {
    v->aux = new (std::nothrow) float[static_cast<size_t>(v->auxCount)]();
    if (!v->aux) v->auxCount = 0;
  }
  finishRead(v);
  return 1;
}

int32_t GVReadVehicleTagged(VehicleRec* v, FILE* file, HWorld* world) {
  if (!v || !file || !world) return 0;
  FileCodecCore c(file, false);
  uint32_t header[2] = {0, 0};
  c.u32(header[0]);
  c.u32(header[1]);
  const int32_t version = static_cast<int32_t>(header[1]);
  if (!c.ok || version < 0 || version > kVehicleTaggedVersion) return 0;
  uint32_t words[kRecordWords] = {};
  for (int k = 0; k < kVersionWords[version]; ++k) c.u32(words[k]);
  if (!c.ok) return 0;
  for (int n = version; n <= kVehicleTaggedVersion; ++n) {
    uint32_t next[kRecordWords] = {};
    upgrade(n, words, next);
    std::memcpy(words, next, sizeof words);
  }
  takeWords(words, v);
  v->world = world;
  rebuildContactGrids(v);
  prepareSuspension(v);

  const int slots = version > 1 ? kSlots : kSlots / 2;
  for (int k = 0; k < slots; ++k) {
    int32_t present = 0;
    c.i32(present);
    if (!c.ok) return 0;
    if (!present) continue;
    VhclPartRec**& slot = v->*kPartSlots[k].slot;
    GVFreeVhclPartCell(slot);
    slot = kPartSlots[k].rotator ? GVNewVhclRotPartFromFile(file, world) : GVNewVhclWheelPartFromFile(file, world);
    if (!slot) return 0;
  }
  int32_t count = 0;
  c.i32(count);
  delete[] v->aux;
  v->aux = nullptr;
  v->auxCount = 0;
  if (!c.ok || !c.roomInFile(count, 4, kMaxAux)) return 0;
  if (count > 0) {
    v->aux = new (std::nothrow) float[static_cast<size_t>(count)]();
    if (!v->aux) return 0;
    v->auxCount = count;
    for (int32_t k = 0; k < count; ++k) c.f32(v->aux[k]);
  }
  c.unused(4);
  if (!c.ok) return 0;
  finishRead(v);
  return 1;
}

int32_t GVInitVehicleFromFile(ObjHandle* cell, FILE* file, HWorld* world) {
  GVInitVehicleHandle(cell);
  VehicleRec* v = GVVehicleOf(cell);
  return v ? GVReadVehicleTagged(v, file, world) : 0;
}

int32_t GVInitVehicleFromImage(ObjHandle* cell, ItemStream* image, HWorld* world) {
  GVInitVehicleHandle(cell);
  VehicleRec* v = GVVehicleOf(cell);
  if (!v || !GVGetVehicleItem(world, v, image)) return 0;
  v->handle = cell;
  return 1;
}

int32_t GVReloadVehicleFromImage(ObjHandle* cell, ItemStream* image, HWorld* world) {
  VehicleRec* v = GVVehicleOf(cell);
  if (!v || !GVGetVehicleItem(world, v, image)) return 0;
  v->handle = cell;
  return 1;
}
