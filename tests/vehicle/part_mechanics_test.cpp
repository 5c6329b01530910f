#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"
#include "vehicle_scene.h"

namespace {

constexpr float kCell = 1.0f;  // the vehicle builder's scale

// One 16-segment motor-wheel part standing on the floor under gravity,
// played by the frame driver with the wheel driven in every sub-step.
struct WheelScene {
  WheelScene() {
    part = GVNewVhclWheelPart(player.world(), 0, 0, "mot", "whl", kCell, -3, -4, 0);
    const float at[3] = {0.0f, kCell * 1.42f + 0.02f, 0.0f};
    GVVhclPartPlaceAt(*part, at);
    GVVhclPartSetFy(*part, -9.81f);
    player.part = *part;
    WheelRequest& q = player.request;
    q.drive = q.brake = 1;
    q.gear = 1;
    q.driveMode = 2;
    q.throttle = 1.0f;
    q.driveFactor = 5.0f;
    q.limitFactor = 3.0f;
    q.grip = 1.0f;
    q.hubWidth = 1.0f;
  }
  ~WheelScene() { GVDeleteVhclPart(part); }

  HObject* Wheel() const { return GVVehicleJel(player.world(), (*part)->jelB); }
  float Spin() const { return player.request.result; }
  float HubGap() const {
    const HObject* w = Wheel();
    float d[3];
    return GVVecLength(GVVecSub(d, w->pos[14], w->pos[5]));
  }
  float CentreX() const {
    float c[3] = {0, 0, 0};
    GVGetGroupCentre(Wheel()->state, 1, kFrameCommitted, kAxesAll, c);
    return c[0];
  }

  ScenePlayer player;
  VhclPartRec** part = nullptr;
};

TEST(WheelDrive, DriveSpinsTheWheelUpAndItRollsForwardThenBrakeSlowsIt) {
  WheelScene s;
  s.player.PlayTo(10);
  const float early = s.Spin();
  const float x0 = s.CentreX();
  s.player.PlayTo(60);
  const float spun = s.Spin();
  EXPECT_GT(early, 0.0f);
  EXPECT_GT(spun, 2.0f * early);
  EXPECT_GT(s.CentreX(), x0 + 0.1f);  // gear 1 rolls towards +x
  EXPECT_NEAR(s.HubGap(), kCell, 1e-3f);

  s.player.request.driveMode = 1;
  s.player.PlayTo(90);
  EXPECT_LT(s.Spin(), 0.5f * spun);
  for (int32_t i = 1; i <= 36; ++i)
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(std::isfinite(s.Wheel()->pos[i][k]));
}

TEST(WheelDrive, EachBrakeCallTakesATenthOfTheSpinTimesTheThrottle) {
  for (float throttle : {1.0f, 0.5f}) {
    WheelScene s;
    s.player.PlayTo(40);
    // The in-step state of a step without forces: each node moves on by its
    // velocity.
    for (int32_t id : {(*s.part)->jelA, (*s.part)->jelB}) {
      HAState* st = GVVehicleJelState(s.player.world(), id);
      for (int32_t i = 1; i <= st->nodeCount; ++i)
        for (int k = 0; k < 3; ++k) st->disp[i][k] = st->vel[i][k] * st->stepTime();
    }
    WheelRequest q = s.player.request;
    q.driveMode = 1;
    q.throttle = throttle;
    GVDriveWheelPart(*s.part, &q, 0.0f);
    const float before = q.result;
    ASSERT_GT(std::fabs(before), 1.0f);
    GVDriveWheelPart(*s.part, &q, 0.0f);
    EXPECT_NEAR(q.result / before, 1.0f - 0.1f * throttle, 0.01f) << throttle;
  }
}

TEST(WheelDrive, NoCounterDriveAppliesNoBrakingTorqueToAFastWheel) {
  // Spun up fast, then asked for a fifth of that speed.
  auto spinAfter = [](int32_t gear, int32_t noCounter) {
    WheelScene s;
    s.player.PlayTo(40);
    s.player.request.driveFactor = 1.0f;
    s.player.request.gear = gear;
    s.player.request.noCounterDrive = noCounter;
    s.player.PlayTo(50);
    return s.Spin();
  };
  const float free = spinAfter(0, 0);
  EXPECT_FLOAT_EQ(spinAfter(1, 1), free);
  EXPECT_LT(spinAfter(1, 0), free - 0.1f);
}

TEST(WheelDrive, HubWidthOutsideItsRangeLeavesTheAxlePointsUnshifted) {
  auto gap = [](float hubWidth) {
    WheelScene s;
    s.player.request.hubWidth = hubWidth;
    s.player.PlayTo(3);
    return s.HubGap();
  };
  for (float w : {0.05f, 1.5f, 1.0f}) EXPECT_NEAR(gap(w), kCell, 1e-4f) << w;
  EXPECT_NEAR(gap(0.1f), kCell * 0.1f, 1e-4f);
  EXPECT_NEAR(gap(0.5f), kCell * 0.5f, 1e-4f);
}

TEST(WheelDrive, AWheelPartWithoutItsWheelGivesNoSpin) {
  WheelScene s;
  s.player.PlayTo(5);
  GVVehicleDeleteJels(s.player.world(), (*s.part)->jelB);
  s.player.request.result = 7.0f;
  s.player.PlayTo(6);
  EXPECT_EQ(s.Spin(), 0.0f);
}

TEST(RotatorSteer, TheTwoCubesTurnApartByTheAngleAboutTheirCommonCentre) {
  ScenePlayer player;
  HWorld* world = player.world();
  VhclPartRec** part = GVNewVhclRotPart(world, 0, 0, "rotA", "rotB", kCell, -3);
  const float at[3] = {0.0f, 5.0f, 0.0f};
  GVVhclPartPlaceAt(*part, at);
  player.rotator = *part;
  player.steer = 0.3f;
  player.PlayTo(8);
  HAState* a = GVVehicleJelState(world, (*part)->jelA);
  HAState* b = GVVehicleJelState(world, (*part)->jelB);
  float oa[3], fa[9], ob[3], fb[9], ca[3], cb[3];
  ASSERT_TRUE(HBState::nodeTangents(a, 1, oa, fa));
  ASSERT_TRUE(HBState::nodeTangents(b, 1, ob, fb));
  // The x tangents differ by the angle about y.
  const float turn = std::atan2(fa[2], fa[0]) - std::atan2(fb[2], fb[0]);
  EXPECT_NEAR(std::fabs(turn), 0.3f, 0.02f);
  EXPECT_NEAR(std::fabs(fa[1]), 0.0f, 0.02f);
  GVGetGroupCentre(a, 1, kFrameCommitted, kAxesAll, ca);
  GVGetGroupCentre(b, 1, kFrameCommitted, kAxesAll, cb);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(ca[k], cb[k], 1e-3f);
  GVDeleteVhclPart(part);
}

}  // namespace
