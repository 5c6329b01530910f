#include "vehicle/wheel_rim.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"

namespace {

// A real 16-segment wheel part; the wheel's live state with its centre.
struct RimTest : ::testing::Test {
  RimTest() {
    part = GVNewVhclWheelPart(&world, 0, 0, "mot", "whl", 1.0f, -3, -4, 0);
    s = GVVehicleJelState(&world, (*part)->jelB);
    GVGetGroupCentre(s, 1, kFrameCommitted, kAxesAll, o);
  }
  ~RimTest() override { GVDeleteVhclPart(part); }

  void NewPos(int32_t i, float out[3]) const {
    for (int k = 0; k < 3; ++k) out[k] = s->pos[i][k] + s->disp[i][k];
  }
  // Places node i + 18 (in-step) at o + M (p_i - o), p_i the new position of node i.
  void PairSecondHalf(const float M[9]) {
    for (int32_t i = 1; i <= 18; ++i) {
      float p[3], r[3], q[3];
      NewPos(i, p);
      GVVecSub(r, p, o);
      GVMat3MulVec(q, M, r);
      for (int k = 0; k < 3; ++k) s->disp[i + 18][k] = q[k] + o[k] - s->pos[i + 18][k];
    }
  }

  HWorld world;
  VhclPartRec** part = nullptr;
  HAState* s = nullptr;
  float o[3] = {0, 0, 0};
};

TEST_F(RimTest, TwistOfTheRingsIsMeasuredAsTheTurnBetweenThem) {
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->nodeCount, 36);
  float w[3];
  GVWheelRimAngularVelocity(s, o, w);  // as built: the rings a segment apart
  EXPECT_NEAR(w[2], std::sin(3.1415927f / 8), 0.01f * 0.3827f);
  EXPECT_NEAR(std::hypot(w[0], w[1]), 0.0f, 1e-3f);

  const float turn[3] = {0.0f, 0.0f, 0.05f};
  float M[9];
  GVRotationFromVector(turn, M);
  PairSecondHalf(M);
  GVWheelRimAngularVelocity(s, o, w);
  EXPECT_NEAR(w[2], 0.05f, 0.01f * 0.05f);
  EXPECT_NEAR(std::hypot(w[0], w[1]), 0.0f, 1e-4f);

  // Pair vectors along the radii carry no turn.
  const float stretch[9] = {1.2f, 0, 0, 0, 1.2f, 0, 0, 0, 1.2f};
  PairSecondHalf(stretch);
  GVWheelRimAngularVelocity(s, o, w);
  EXPECT_NEAR(GVVecLength(w), 0.0f, 1e-5f);
}

TEST_F(RimTest, TwistMovesTheHalvesAgainstEachOtherAndKeepsTheHubs) {
  float before[37][3];
  std::memcpy(before, s->disp, sizeof before);
  const float w[3] = {0.0f, 0.0f, 1.0f};
  GVWheelTwistHalves(s, o, w, 0.1f);
  for (int32_t hub : {5, 14, 23, 32})
    for (int k = 0; k < 3; ++k) EXPECT_EQ(s->disp[hub][k], before[hub][k]) << hub;
  // Rim node 1 turns by -0.05 about z, its partner 19 by +0.05.
  float p1[3], p19[3];
  NewPos(1, p1);
  NewPos(19, p19);
  const float a1 = std::atan2(p1[1] - o[1], p1[0] - o[0]) - std::atan2(s->pos[1][1] - o[1], s->pos[1][0] - o[0]);
  const float a19 = std::atan2(p19[1] - o[1], p19[0] - o[0]) - std::atan2(s->pos[19][1] - o[1], s->pos[19][0] - o[0]);
  EXPECT_NEAR(a1, -0.05f, 1e-3f);
  EXPECT_NEAR(a19, 0.05f, 1e-3f);

  float a[3], b[3], h[3];
  GVWheelHubAxlePoints(s, a, b);
  for (int32_t hub : {5, 23}) {
    NewPos(hub, h);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(h[k], a[k]);
  }
}

TEST_F(RimTest, CentringHalvesAlreadyCentredChangesNothing) {
  GVWheelCentreHalves(s, o);
  for (int32_t i = 1; i <= 36; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s->disp[i][k], 0.0f, 1e-5f) << i;
  // Off-centre target: each half's centre lands on it.
  const float t[3] = {o[0] + 0.3f, o[1], o[2] - 0.2f};
  GVWheelCentreHalves(s, t);
  for (int32_t first : {1, 19}) {
    float m = 0, c[3] = {0, 0, 0}, p[3];
    for (int32_t i = first; i < first + 18; ++i) {
      NewPos(i, p);
      m += s->mass[i];
      for (int k = 0; k < 3; ++k) c[k] += s->mass[i] * p[k];
    }
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(c[k] / m, t[k], 1e-5f);
  }
}

}  // namespace
