#include "geo/key_interp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "geo/key_frames.h"
#include "jel/vector_math.h"

namespace {

const double kPi = 3.14159265358979;

void expectMatNear(const float* a, const float* b, float tol) {
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(a[i], b[i], tol) << "element " << i;
}

TEST(KeyInterp, BezierByDeCasteljau) {
  EXPECT_DOUBLE_EQ(GVScalarBezier3(0, 1, 2, 3, 0.5), 1.5);
  EXPECT_DOUBLE_EQ(GVScalarBezier2(0, 1, 0, 0.5), 0.5);
  EXPECT_DOUBLE_EQ(GVScalarBezier3(2, 7, -4, 9, 0.0), 2.0);
  EXPECT_DOUBLE_EQ(GVScalarBezier3(2, 7, -4, 9, 1.0), 9.0);
  float p0[3] = {0, 0, 0}, p1[3] = {1, 2, 3}, p2[3] = {2, 4, 6}, p3[3] = {3, 6, 9}, out[3];
  GVVecBezier3(p0, p1, p2, p3, 0.25, out);
  EXPECT_FLOAT_EQ(out[0], 0.75f);
  EXPECT_FLOAT_EQ(out[2], 2.25f);
  GVVecLerp(out, p0, p3, 0.5);
  EXPECT_FLOAT_EQ(out[1], 3.0f);
}

TEST(KeyInterp, SlerpEndsAndDegenerateCases) {
  double q[4] = {0.5, 0.5, 0.5, 0.5}, nq[4] = {-0.5, -0.5, -0.5, -0.5}, out[4];
  GVQuatSlerp(q, q, 0.3, out);
  for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(out[i], q[i]);
  // q and −q are one rotation: the result stays at q rather than swinging round.
  GVQuatSlerp(q, nq, 0.7, out);
  for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(out[i], q[i]);

  double a[4] = {1, 0, 0, 0}, b[4] = {std::cos(0.6), 0, 0, std::sin(0.6)};
  GVQuatSlerp(a, b, 0.0, out);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(out[i], a[i], 1e-12);
  GVQuatSlerp(a, b, 1.0, out);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(out[i], b[i], 1e-12);
  GVQuatSlerp(a, b, 0.5, out);
  EXPECT_NEAR(out[0], std::cos(0.3), 1e-12);
  EXPECT_NEAR(out[3], std::sin(0.3), 1e-12);
}

TEST(KeyInterp, QuaternionPickAndUnwrapRules) {
  float id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  double ref[4] = {-1, 0, 0, 0}, out[4];
  GVQuatFromMat3Near(out, id, ref);
  EXPECT_DOUBLE_EQ(out[0], -1.0);
  GVQuatFromMat3Near(out, id, nullptr);
  EXPECT_DOUBLE_EQ(out[0], 1.0);

  const double twoPi = 6.2831854820251465;
  EXPECT_DOUBLE_EQ(GVAngleUnwrap(0.1, 6.3), 0.1 + twoPi);
  EXPECT_DOUBLE_EQ(GVAngleUnwrap(0.1, 3.2), 0.1);
  EXPECT_DOUBLE_EQ(GVAngleUnwrap(0.1, 3.3), 0.1 + twoPi);
  EXPECT_DOUBLE_EQ(GVAngleUnwrap(0.1, -6.3), 0.1 - twoPi);

  double pair[4];
  GVQuatHalfTurnPair(0.5, pair);
  EXPECT_NEAR(pair[0] * pair[0] + pair[1] * pair[1], 1.0, 1e-12);
  EXPECT_NEAR(pair[0] * pair[1], 0.5, 1e-12);
  GVQuatHalfTurnPair(0.6, pair);
  EXPECT_EQ(pair[0], 0.0);

  double c1[4] = {1, 0, 0, 0}, c2[4] = {0, 1, 0, 0}, near2[4] = {0.1, 0.9, 0, 0};
  EXPECT_EQ(GVQuatPickNearest(c1, c2, nullptr, nullptr, out, near2), 2);
  EXPECT_EQ(GVQuatPickNearest(c1, c2, nullptr, nullptr, out, nullptr), 1);
  EXPECT_EQ(GVQuatPickNearest(nullptr, c2, nullptr, nullptr, out, near2), 0);
}

// The quaternion of any rotation matrix, half turns included, gives the matrix back.
TEST(KeyInterp, QuaternionOfMatrixReproducesIt) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> ang(-3.1f, 3.1f);
  for (int trial = 0; trial < 200; ++trial) {
    float e[3] = {ang(rng), ang(rng), ang(rng)};
    float m[9], back[9];
    GVMat3FromEuler(e, m);
    double q[4];
    GVQuatFromMat3Near(q, m, nullptr);
    GVQuatToMat3(q, back);
    expectMatNear(m, back, 2e-5f);
  }
  const float halfTurns[][3] = {{3.1415927f, 0, 0}, {0, 3.1415927f, 0}, {0, 0, 3.1415927f}};
  for (const auto& e : halfTurns) {
    float m[9], back[9];
    GVMat3FromEuler(e, m);
    double q[4];
    GVQuatFromMat3Near(q, m, nullptr);
    GVQuatToMat3(q, back);
    expectMatNear(m, back, 2e-5f);
  }
  // A half turn about a diagonal axis.
  float axis[3] = {2.2214415f, 2.2214415f, 0};  // π · (1, 1, 0)/√2
  float m[9], back[9];
  GVRotationFromVector(axis, m);
  double q[4];
  GVQuatFromMat3Near(q, m, nullptr);
  GVQuatToMat3(q, back);
  expectMatNear(m, back, 2e-5f);
}

TEST(KeyInterp, EulerRoundTripAwayFromGimbalLock) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> ang(-1.4f, 1.4f);
  for (int trial = 0; trial < 200; ++trial) {
    float e[3] = {ang(rng), ang(rng), ang(rng)};
    float m[9], out[3], back[9];
    GVMat3FromEuler(e, m);
    ASSERT_EQ(GVMat3ToAnglesNear(nullptr, 0, nullptr, m, out, 0.0), 1);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], e[i], 1e-5) << "trial " << trial;
    GVMat3FromEuler(out, back);
    expectMatNear(m, back, 1e-5f);
  }
}

// In gimbal lock only x + z (or z − x) is fixed; whatever the split, the angles
// must rebuild the matrix, for both signs of the y angle and every mode.
TEST(KeyInterp, GimbalLockSplitsAndStillReproducesTheMatrix) {
  KeyFrame a, b;
  GVInitKeyFrame(&a);
  GVInitKeyFrame(&b);
  float ra[3] = {0.2f, 0.0f, 0.1f}, rb[3] = {0.6f, 0.0f, 0.9f};
  a.rotation = ra;
  b.rotation = rb;
  a.frame = 0;
  b.frame = 10;
  for (float y : {1.5707964f, -1.5707964f}) {
    float e[3] = {0.3f, y, 0.5f};
    float m[9], out[3], back[9];
    GVMat3FromEuler(e, m);
    struct Case {
      const KeyFrame* b;
      int mode;
      const KeyFrame* a;
    } cases[] = {{nullptr, 0, nullptr}, {&b, -1, nullptr}, {&b, 2, &a}};
    for (const Case& c : cases) {
      ASSERT_EQ(GVMat3ToAnglesNear(c.b, c.mode, c.a, m, out, 5.0), 1);
      EXPECT_NEAR(out[1], y, 1e-6);
      GVMat3FromEuler(out, back);
      expectMatNear(m, back, 2e-5f);
    }
    ASSERT_EQ(GVMat3ToAnglesNear(nullptr, 0, nullptr, m, out, 0.0), 1);
    EXPECT_NEAR(std::fabs(out[0]), std::fabs(out[2]), 1e-6);  // the even split of mode 0
  }
  // Mode −1 keeps B's x angle.
  float e[3] = {0.3f, 1.5707964f, 0.5f}, m[9], out[3];
  GVMat3FromEuler(e, m);
  GVMat3ToAnglesNear(&b, -1, nullptr, m, out, 0.0);
  EXPECT_NEAR(out[0], rb[0], 1e-6);

  // m6 = 1 with an inconsistent sine term is no rotation: no angles.
  float bad[9] = {0, 0, 0, 0, 1, 0, 1, 0, 0};
  bad[5] = 0.5f;
  bad[1] = 0.5f;
  bad[4] = 1.0f;
  bad[2] = 0.0f;
  EXPECT_EQ(GVMat3ToAnglesNear(nullptr, 0, nullptr, bad, out, 0.0), 0);
  a.rotation = b.rotation = nullptr;
}

TEST(KeyInterp, SetKeyKeepsQuaternionsInOneHemisphere) {
  KeyTrack t;
  GVKeyTrackInit(&t);
  float r1[3] = {0, 0, 6.2f}, r2[3] = {0, 0, 0.1f};
  ASSERT_NE(GVKeyTrackSetKey(0, &t, 0, nullptr, r1, nullptr), nullptr);
  KeyFrame* k2 = GVKeyTrackSetKey(10, &t, 0, nullptr, r2, nullptr);
  ASSERT_NE(k2, nullptr);
  KeyFrame* k1 = t.firstKey;
  double d = 0;
  for (int i = 0; i < 4; ++i) d += k1->quat[i] * k2->quat[i];
  EXPECT_GT(d, 0.0);
  // Halfway the rotation is the short one: about 0.1 rad past 6.2 − 2π.
  float m[9];
  ASSERT_EQ(GVEvalKeyTrack(&t, nullptr, nullptr, m, nullptr, 5.0), 1);
  double angle = std::atan2(m[1], m[0]);
  EXPECT_NEAR(angle, ((6.2 - 2 * kPi) + 0.1) / 2, 1e-4);
  GVTruncKeyTrack(0, &t);
}

TEST(KeyInterp, SetKeyFromMatrixStoresItsAngles) {
  KeyTrack t;
  GVKeyTrackInit(&t);
  float e[3] = {0.4f, -0.3f, 1.2f}, m[9], out[9];
  GVMat3FromEuler(e, m);
  KeyFrame* k = GVKeyTrackSetKeyFromMatrix(m, &t, 3, 0, nullptr, nullptr);
  ASSERT_NE(k, nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(k->rotation[i], e[i], 1e-5);
  ASSERT_EQ(GVEvalKeyTrack(&t, nullptr, nullptr, out, nullptr, 3.0), 1);
  expectMatNear(m, out, 1e-5f);
  GVTruncKeyTrack(0, &t);
}

}  // namespace
