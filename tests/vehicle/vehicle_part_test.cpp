#include "vehicle/vehicle_part.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "records/item_stream.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"

namespace {

constexpr float kPi = 3.1415927f;

TEST(VehiclePartBuild, WheelsAreRoundRingsOfEightOrSixteenSegments) {
  for (int32_t flags : {0, int32_t(kWheelEightSegments)}) {
    HWorld world;
    VhclPartRec** part = GVNewVhclWheelPart(&world, 0, 0, "mot", "whl", 1.0f, -3, -4, flags);
    const HObject* motor = GVVehicleJel(&world, (*part)->jelA);
    const HObject* wheel = GVVehicleJel(&world, (*part)->jelB);
    ASSERT_TRUE(motor && wheel);
    const int32_t n = flags ? 18 : 36;
    EXPECT_EQ(wheel->nodeCount, n);
    EXPECT_EQ(motor->nodeCount, 8);
    EXPECT_TRUE(motor->flags & kJelVehicleMotor);
    EXPECT_TRUE(wheel->flags & kJelVehicleWheel);
    EXPECT_EQ(GVVhclPartIsWheel36(*part), flags ? 0 : 1);
    EXPECT_TRUE(wheel->groupMask & (1u << 3) && wheel->groupMask & (1u << 4));

    // Hubs on the axle, every other node on one circle, one node per segment
    // angle, and both rings of a 16-segment wheel within one layer pair.
    std::set<int> angles;
    float radius = -1.0f;
    for (int32_t i = 1; i <= n; ++i) {
      const float* p = wheel->pos[i];
      const float r = std::hypot(p[0], p[1]);
      EXPECT_LE(std::fabs(p[2]), 0.5f + 1e-5f) << i;
      if (i == 5 || i == 14 || i == 23 || i == 32) {
        EXPECT_NEAR(r, 0.0f, 1e-5f) << i;
        continue;
      }
      if (radius < 0.0f) radius = r;
      EXPECT_NEAR(r, radius, 1e-5f) << i;
      const float steps = std::atan2(p[1], p[0]) / (2.0f * kPi / (n == 36 ? 16 : 8));
      EXPECT_NEAR(steps + 0.5f, std::round(steps + 0.5f), 1e-3f) << i;  // half a segment off the axes
      angles.insert(static_cast<int>(std::lround(steps * 2.0f)));
    }
    EXPECT_NEAR(radius, std::sqrt(2.0f), 1e-5f);
    EXPECT_EQ(angles.size(), n == 36 ? 16u : 8u);
    GVDeleteVhclPart(part);
    EXPECT_EQ(world.head, nullptr);
  }
}

TEST(VehiclePartBuild, RotatorIsTwoCubesWithTablesSizedFromTheirNodes) {
  HWorld world;
  VhclPartRec** part = GVNewVhclRotPart(&world, 7, 9, "A", "B", 0.5f, -3);
  EXPECT_EQ((*part)->jelA, 7);
  EXPECT_EQ((*part)->jelBKey, 9);
  for (int32_t id : {7, 9}) {
    const HObject* j = GVVehicleJel(&world, id);
    ASSERT_NE(j, nullptr);
    EXPECT_EQ(j->nodeCount, 8);
    EXPECT_TRUE(j->flags & kJelVehicleMotor);
  }
  ASSERT_TRUE((*part)->nodeTableA && (*part)->nodeTableB);
  GVDeleteVhclPart(part);
}

// Puts one part into a fresh image of exactly its counted size.
template <class Count, class Put>
std::vector<int32_t> Image(ItemStream* s, Count count, Put put, uint32_t* floats) {
  GVItemStreamReset(s);
  count(s);
  *floats = s->floatCount;
  const uint32_t ints = s->intCount;
  EXPECT_EQ(GVItemStreamAlloc(s), kItemStreamOk);
  s->intCount = s->floatCount = 0;
  EXPECT_EQ(put(s), 1);
  std::vector<int32_t> out(s->ints, s->ints + ints);
  for (uint32_t k = 0; k < *floats; ++k) {
    int32_t w;
    std::memcpy(&w, &s->floats[k], 4);
    out.push_back(w);
  }
  return out;
}

TEST(VehiclePartImage, WriteReadWriteIsIdenticalAndSizesAreFixed) {
  HWorld world;
  VhclPartRec** rot = GVNewVhclRotPart(&world, 0, 0, "A", "B", 1.0f, -3);
  VhclPartRec** whl = GVNewVhclWheelPart(&world, 0, 0, "m", "w", 1.0f, -5, -6, 1);
  for (int k = 0; k < 6; ++k) {
    const float f = 0.25f * k - 1.0f;
    std::memcpy(&(*rot)->params[k], &f, 4);
    (*whl)->params[k] = static_cast<uint32_t>(k * 3 - 4);
  }
  struct Kind {
    VhclPartRec** part;
    void (*count)(ItemStream*);
    int32_t (*put)(const VhclPartRec*, ItemStream*);
    int32_t (*read)(VhclPartRec*, HWorld*, ItemStream*);
    uint32_t ints, floats;
  };
  for (const Kind& k : {Kind{rot, GVCountVhclRotPart, GVPutVhclRotPart, GVReadVhclRotPartImage, 9, 6},
                        Kind{whl, GVCountVhclWheelPart, GVPutVhclWheelPart, GVReadVhclWheelPartImage, 15, 0}}) {
    ItemStream s;
    uint32_t floats = 0;
    const std::vector<int32_t> first =
        Image(&s, k.count, [&](ItemStream* st) { return k.put(*k.part, st); }, &floats);
    EXPECT_EQ(first.size(), k.ints + k.floats);
    EXPECT_EQ(floats, k.floats);
    s.intCount = s.floatCount = 0;
    VhclPartRec** copy = GVNewVhclPartCell();
    ASSERT_EQ(k.read(*copy, &world, &s), 1);
    EXPECT_EQ((*copy)->world, &world);
    EXPECT_EQ((*copy)->handle, copy);
    EXPECT_EQ(Image(&s, k.count, [&](ItemStream* st) { return k.put(*copy, st); }, &floats), first);

    // One value short: refused, nothing taken, the record as it was.
    s.intCount = s.floatCount = 0;
    if (k.floats) s.floatSize--; else s.intSize--;
    VhclPartRec** other = GVNewVhclPartCell();
    EXPECT_EQ(k.read(*other, &world, &s), 0);
    EXPECT_EQ(s.intCount, 0u);
    EXPECT_EQ((*other)->jelA, 0);
    GVItemStreamReset(&s);
    GVFreeVhclPartCell(copy);
    GVFreeVhclPartCell(other);
  }
  GVDeleteVhclPart(rot);
  GVDeleteVhclPart(whl);
}

TEST(VehiclePartTagged, ReadsTheFifteenWordsAfterTheHeaderAndRefusesAShortBlock) {
  HWorld world;
  VhclPartRec** whl = GVNewVhclWheelPart(&world, 0, 0, "m", "w", 1.0f, -5, -6, 1);
  const VhclPartRec& p = **whl;
  HObject* wheel = GVVehicleJel(&world, p.jelB);
  wheel->flags &= ~kJelVehicleWheel;
  const int32_t words[15] = {0x1234, 0x5678, p.groupSel, p.jelA, p.jelB, p.jelAKey, 99, p.jelBKey, 99,
                             1, 2, 3, 4, 5, 6};
  for (size_t keep : {sizeof words, sizeof words - 2}) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    const char header[8] = {'V', 'P', 'R', 'T', 0, 0, 0, 0};
    std::fwrite(header, 1, 8, f);
    std::fwrite(words, 1, keep, f);
    std::rewind(f);
    VhclPartRec** read = GVNewVhclPartCell();
    const int32_t ok = GVReadVhclWheelPart(f, *read, &world);
    std::fclose(f);
    if (keep == sizeof words) {
      ASSERT_EQ(ok, 1);
      EXPECT_EQ((*read)->jelB, p.jelB);
      EXPECT_EQ((*read)->params[5], 6u);
      EXPECT_EQ((*read)->nodeTableA, nullptr);
      EXPECT_TRUE(wheel->flags & kJelVehicleWheel);
    } else {
      EXPECT_EQ(ok, 0);
      EXPECT_EQ((*read)->jelB, 0);
    }
    GVFreeVhclPartCell(read);
  }
  GVDeleteVhclPart(whl);
}

}  // namespace
