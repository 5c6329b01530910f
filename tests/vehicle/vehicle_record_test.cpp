#include "vehicle/vehicle_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle_scene.h"

namespace {

constexpr int32_t kChassisGroup = -5, kRotorGroup = -6, kFLGroup = -7, kBLGroup = -8, kWheelsGroup = -9;

// Three plain Jels (ids 1..3) and a vehicle of a chassis, a rotator part and
// two wheel parts (16-segment FL, 8-segment BL).
struct VehicleTest : ::testing::Test {
  VehicleTest() {
    for (int32_t id = 1; id <= 3; ++id) {
      const float c[3] = {-6.0f + 3.0f * id, 1.0f, 6.0f};
      AddCube(&world, id, c, false);
    }
    cell = GVNewVehicle();
    v = GVVehicleOf(cell);
    GVVehicleSetWorld(v, &world);
    const float c[3] = {0.0f, 3.0f, 0.0f};
    HObject* chassis = AddCube(&world, 4, c, true);
    chassis->setGroupBit(kChassisGroup, 1);
    v->chassisJel = 4;
    v->rotorL = GVNewVhclRotPart(&world, 0, 0, "V1_rotAL", "V1_rotBL", 1.0f, kRotorGroup);
    v->wheelFL = GVNewVhclWheelPart(&world, 0, 0, "V1_motFL", "V1_whlFL", 1.0f, kFLGroup, kWheelsGroup, 0);
    v->wheelBL =
        GVNewVhclWheelPart(&world, 0, 0, "V1_motBL", "V1_whlBL", 1.0f, kBLGroup, kWheelsGroup, kWheelEightSegments);
  }
  ~VehicleTest() override { GVDeleteVehicleHandle(cell); }

  std::vector<int32_t> WorldIds() const {
    std::vector<int32_t> ids;
    for (const HObject* j = world.head; j; j = j->next) ids.push_back(j->id);
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  HWorld world;
  ObjHandle* cell = nullptr;
  VehicleRec* v = nullptr;
};

TEST_F(VehicleTest, HolderLinksBothWaysAndFreePartsDeletesOnlyTheVehicleJels) {
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->handle, cell);
  for (VhclPartRec** part : {v->rotorL, v->wheelFL, v->wheelBL}) EXPECT_EQ((*part)->handle, part);
  int32_t ids[kVehicleJelIds];
  GVVehicleJelIds(v, ids);
  EXPECT_EQ(std::count_if(ids, ids + kVehicleJelIds, [](int32_t id) { return id != 0; }), 7);
  EXPECT_EQ(WorldIds().size(), 10u);
  EXPECT_EQ(GVVehicleHasWheelType18(v), 1);
  EXPECT_EQ(GVVehicleHasWheelType36(v), 1);
  EXPECT_EQ(GVVehicleHasJel(v, (*v->wheelBL)->jelB, 0), 1);
  EXPECT_EQ(GVVehicleHasJel(v, 2, 0), 0);

  GVVehicleFreeParts(v);
  EXPECT_EQ(WorldIds(), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(v->rotorL, nullptr);
  EXPECT_EQ(v->chassisJel, 0);
}

TEST_F(VehicleTest, ValidateDropsWhatWasDeletedAndAnEmptyVehicleIsEmpty) {
  GVVehicleDeleteJels(&world, 4);
  GVVehicleValidate(v);
  EXPECT_EQ(v->chassisJel, 0);
  ASSERT_NE(v->wheelFL, nullptr);
  EXPECT_EQ(GVVehicleIsEmpty(v), 0);
  for (int32_t g : {kRotorGroup, kFLGroup, kBLGroup}) GVVehicleDeleteJels(&world, g);
  EXPECT_EQ(GVVehicleIsEmpty(v), 1);
  EXPECT_EQ(v->rotorL, nullptr);
  EXPECT_EQ(v->wheelBL, nullptr);
  EXPECT_EQ(WorldIds(), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(VehicleTest, RemapTurnsIdsMissingFromTheTableIntoZero) {
  const int32_t rotorA = (*v->rotorL)->jelA;
  const int32_t table[] = {0, 4, rotorA};
  GVVehicleRemapJelIds(v, 2, table);
  EXPECT_EQ(v->chassisJel, 1);
  EXPECT_EQ((*v->rotorL)->jelA, 2);
  EXPECT_EQ((*v->rotorL)->jelB, 0);
  EXPECT_EQ((*v->wheelFL)->jelA, 0);
}

TEST_F(VehicleTest, SteeringRatioFromTheMotorCentres) {
  v->wheelFR = GVNewVhclWheelPart(&world, 0, 0, "V1_motFR", "V1_whlFR", 1.0f, -10, kWheelsGroup, 1);
  const float fl[3] = {2, 3, -1}, fr[3] = {2, 3, 1};
  GVVhclPartPlaceAt(*v->wheelFL, fl);
  GVVhclPartPlaceAt(*v->wheelFR, fr);
  GVVhclPartPlaceAt(*v->wheelBL, fl);
  EXPECT_EQ(GVVehicleSteerRatio(v), 1.0f);
  const float bl[3] = {-2, 3, -1};
  GVVhclPartPlaceAt(*v->wheelBL, bl);
  v->wheelOffset = 0.25f;
  EXPECT_NEAR(GVVehicleSteerRatio(v), (2.0f - 0.5f) / 4.0f, 1e-4f);
  EXPECT_EQ(v->steerRatio, GVVehicleSteerRatio(v));
}

TEST_F(VehicleTest, WheelKindRebuildsSixteenSegmentWheelsInPlace) {
  HObject* old = GVVehicleJel(&world, (*v->wheelFL)->jelB);
  HObject** cellFL = old->handle;
  const int32_t id = old->id;
  const float x = old->pos[5][0], y = old->pos[5][1];
  EXPECT_EQ(GVVehicleSetWheelKind(v, 2), 2);  // BL becomes a 36-node wheel
  EXPECT_EQ(GVVehicleHasWheelType18(v), 0);
  EXPECT_EQ(GVVehicleSetWheelKind(v, 1), 1);  // both become 18-node wheels
  EXPECT_EQ(GVVehicleHasWheelType36(v), 0);
  EXPECT_EQ(GVVehicleSetWheelKind(v, 1), 0);
  HObject* now = GVVehicleJel(&world, id);
  ASSERT_NE(now, nullptr);
  EXPECT_EQ(now->nodeCount, 18);
  EXPECT_EQ(now->handle, cellFL);
  EXPECT_NEAR(now->pos[5][0], x, 1e-4f);
  EXPECT_NEAR(now->pos[5][1], y, 1e-4f);
  EXPECT_EQ(WorldIds().size(), 10u);
}

TEST(VehicleWheels, OneSideOnlyWhenBothWheelsOfOneSideAndNoneOfTheOther) {
  struct Case {
    bool fl, fr, bl, br;
    int32_t oneSide;
  };
  for (const Case& k : {Case{true, true, true, true, 0}, Case{true, true, false, false, 0},
                        Case{true, false, true, false, 1}, Case{false, true, false, true, 1}}) {
    HWorld world;
    ObjHandle* cell = GVNewVehicle();
    VehicleRec* v = GVVehicleOf(cell);
    GVVehicleSetWorld(v, &world);
    int32_t group = -10;
    for (auto [want, slot] : {std::pair{k.fl, &v->wheelFL}, std::pair{k.fr, &v->wheelFR},
                              std::pair{k.bl, &v->wheelBL}, std::pair{k.br, &v->wheelBR}})
      if (want) *slot = GVNewVhclWheelPart(&world, 0, 0, "m", "w", 1.0f, --group, -20, kWheelEightSegments);
    EXPECT_EQ(GVVehicleWheelsOneSide(v), k.oneSide);
    GVDeleteVehicleHandle(cell);
  }
}

}  // namespace
