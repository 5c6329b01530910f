#include "vehicle/vehicle_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <cstring>
#include <vector>

#include "driven_vehicle.h"
#include "dynamics/world.h"
#include "records/item_stream.h"
#include "scene/scene_records.h"
#include "tagged_vehicle_files.h"
#include "vehicle/vehicle_record.h"

namespace {

uint32_t Bits(float f) {
  uint32_t w;
  std::memcpy(&w, &f, sizeof w);
  return w;
}

// The vehicle item of a record, written by the two passes.
struct Item {
  explicit Item(const VehicleRec* v) {
    GVCountVehicleItem(&s, v);
    ints = s.intCount;
    floats = s.floatCount;
    EXPECT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
    s.intCount = s.floatCount = 0;
    EXPECT_EQ(GVPutVehicleItem(v, &s), 1);
    EXPECT_EQ(s.intCount, ints);
    EXPECT_EQ(s.floatCount, floats);
    s.intCount = s.floatCount = 0;
  }
  ~Item() { GVItemStreamReset(&s); }
  std::vector<int32_t> Ints() const { return std::vector<int32_t>(s.ints, s.ints + ints); }
  std::vector<float> Floats() const { return std::vector<float>(s.floats, s.floats + floats); }
  ItemStream s;
  uint32_t ints = 0, floats = 0;
};

struct Record {
  Record() : cell(GVNewVehicle()), v(GVVehicleOf(cell)) {}
  ~Record() { GVDeleteVehicleHandle(cell); }
  ObjHandle* cell;
  VehicleRec* v;
};

// The version-3 words that a record of an older version converts to.
std::vector<uint32_t> AsVersion3(int version, const std::vector<uint32_t>& src) {
  std::vector<uint32_t> w(59, 0);
  const auto from = [&](int to, int first, int n) {
    for (int i = 0; i < n; ++i) w[to + i] = src[first + i];
  };
  const uint32_t one = Bits(1.0f);
  switch (version) {
    case 0:
      from(2, 2, 6), from(18, 8, 2), from(33, 16, 4), from(37, 20, 4), from(42, 24, 1), from(44, 25, 7);
      from(56, 32, 1), from(58, 34, 1);
      break;
    case 1:
      from(2, 2, 13), from(18, 15, 3), from(33, 24, 4), from(37, 28, 4), from(42, 32, 1), from(44, 33, 7);
      from(54, 40, 3), from(58, 44, 1);
      break;
    default:
      from(2, 2, 19), from(33, 33, 8), from(42, 41, 1), from(44, 42, 7), from(54, 49, 3), from(58, 53, 1);
      break;
  }
  w[41] = w[43] = one;
  return w;
}

// Reads a tagged file of the version; expects the whole file consumed.
int32_t ReadTagged(VehicleRec* v, HWorld* world, int32_t version, const std::vector<uint32_t>& words,
                   const std::vector<float>& aux, size_t cut = 0) {
  FILE* f = std::tmpfile();
  WriteTaggedVehicle(f, version, words, aux);
  const long size = std::ftell(f);
  std::fflush(f);
  if (cut) EXPECT_EQ(ftruncate(fileno(f), size - static_cast<long>(cut)), 0);
  std::rewind(f);
  const int32_t ok = GVReadVehicleTagged(v, f, world);
  if (ok) EXPECT_EQ(std::ftell(f), size);
  std::fclose(f);
  return ok;
}

std::vector<uint32_t> Words(int count) {
  std::vector<uint32_t> w;
  for (int k = 0; k < count; ++k) w.push_back(100 + k);
  return w;
}

}  // namespace

TEST(VehicleIo, ItemKeepsEveryStoredFieldAndWritesBackTheSame) {
  DrivenVehicle d(5, 9, 8, false);
  VehicleRec* v = d.v;
  v->reserved7 = 77;
  v->reserved51[2] = 5.5f;
  v->hubWidth = 0.3f;
  Item first(v);
  EXPECT_EQ(first.ints, 33u + 2 * 9 + 4 * 15 + 1);
  EXPECT_EQ(first.floats, 24u + 2 * 6);
  Record back;
  ASSERT_EQ(GVGetVehicleItem(d.World(), back.v, &first.s), 1);
  EXPECT_EQ(first.s.intCount, first.ints);
  EXPECT_EQ(back.v->world, d.World());
  EXPECT_EQ(back.v->auxCount, 0);
  Item second(back.v);
  EXPECT_EQ(second.Ints(), first.Ints());
  EXPECT_EQ(second.Floats(), first.Floats());

  // Heading and speed come back 0, the factor at least 1, the array zeroed.
  v->heading = 12.0f;
  v->speed = 3.0f;
  v->subStepFactor = 0.5f;
  v->aux[2] = 7.0f;
  Item moving(v);
  ASSERT_EQ(GVReloadVehicleFromImage(GVScene().vehicle, &moving.s, d.World()), 1);
  EXPECT_EQ(v->handle, GVScene().vehicle);
  EXPECT_EQ(v->heading, 0.0f);
  EXPECT_EQ(v->speed, 0.0f);
  EXPECT_EQ(v->subStepFactor, 1.0f);
  ASSERT_EQ(v->auxCount, 5);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(v->aux[k], 0.0f);
  EXPECT_EQ(v->reserved7, 77);
  EXPECT_EQ(v->chassisJel, 1);
}

TEST(VehicleIo, ShortOrDamagedItemsAreRefused) {
  DrivenVehicle d(5, 9, 8, false);
  Item item(d.v);
  Record r;
  r.v->number = 42;
  // Every shortened int or float array is refused, cursors and record kept.
  for (uint32_t cut : {1u, 15u, 60u}) {
    for (bool ints : {true, false}) {
      ItemStream s = item.s;
      (ints ? s.intSize : s.floatSize) -= std::min(cut, ints ? item.ints : item.floats);
      EXPECT_EQ(GVGetVehicleItem(d.World(), r.v, &s), 0);
      EXPECT_EQ(s.intCount, 0u);
      EXPECT_EQ(s.floatCount, 0u);
      EXPECT_EQ(r.v->number, 42);
      EXPECT_EQ(r.v->wheelFL, nullptr);
    }
  }
  item.s.ints[1] = 4;  // a lead word that is not the item's
  EXPECT_EQ(GVGetVehicleItem(d.World(), r.v, &item.s), 0);
  EXPECT_EQ(GVGetVehicleItem(nullptr, r.v, &item.s), 0);
}

TEST(VehicleIo, TaggedVersionsConvertToTheCurrentRecord) {
  HWorld world;
  Record v3;
  ASSERT_EQ(ReadTagged(v3.v, &world, 3, Words(59), {0.5f, 1.5f, 2.5f}), 1);
  const VehicleRec& r = *v3.v;
  EXPECT_EQ(r.world, &world);
  EXPECT_EQ(std::vector<int32_t>({r.groupChassis, r.number, r.type, r.groupExtra, r.chassisJel, r.bodyJel,
                                  r.suspensionJel, r.chassisPart, r.brakeAxles, r.suspBodyPart, r.suspPart,
                                  r.headingNode}),
            std::vector<int32_t>({102, 104, 106, 109, 118, 119, 120, 133, 136, 154, 155, 158}));
  EXPECT_EQ(Bits(r.scale), 105u);
  EXPECT_EQ(Bits(r.frontGrip), 146u);
  EXPECT_EQ(Bits(r.reserved51[2]), 153u);
  EXPECT_EQ(r.rotorL, nullptr);
  ASSERT_EQ(r.auxCount, 3);
  EXPECT_EQ(r.aux[2], 2.5f);

  for (int version = 0; version < 3; ++version) {
    Record old, expected;
    const std::vector<uint32_t> words = Words(kTaggedVehicleWords[version]);
    ASSERT_EQ(ReadTagged(old.v, &world, version, words, {}), 1) << version;
    ASSERT_EQ(ReadTagged(expected.v, &world, 3, AsVersion3(version, words), {}), 1) << version;
    Item a(old.v), b(expected.v);
    EXPECT_EQ(a.Ints(), b.Ints()) << version;
    EXPECT_EQ(a.Floats(), b.Floats()) << version;
    if (version == 0) {
      EXPECT_EQ(old.v->driveScale, 1.0f);
      EXPECT_EQ(old.v->limitScale, 1.0f);
      EXPECT_EQ(old.v->chassisJel, 108);
    }
  }

  Record bad;
  EXPECT_EQ(ReadTagged(bad.v, &world, 4, Words(59), {}), 0);
  EXPECT_EQ(ReadTagged(bad.v, &world, -1, Words(35), {}), 0);
  EXPECT_EQ(ReadTagged(bad.v, &world, 2, Words(54), {1.0f}, 6), 0);   // ends inside the array
  EXPECT_EQ(ReadTagged(bad.v, &world, 1, Words(45), {}, 4 * 10), 0);  // ends inside the presence words
}
