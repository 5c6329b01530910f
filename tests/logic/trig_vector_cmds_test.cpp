#include "logic/trig_vector_cmds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "logic_fixture.h"

namespace {
constexpr int32_t T = kLogicTrig;
constexpr int32_t V = kLogicVector;
}  // namespace

TEST(TrigCmds, DegreesUnlessTheLineSaysRadians) {
  LogicStore s;
  LogicProgram& p = s.Main();
  s.Add(T, kTrigCos, FVar(1), {FConst(60)});
  s.Add(T, kTrigCos, FVar(2), {FConst(60)})->flags = kLineRadians;
  p.f[3] = 9.0f;
  s.Add(T, kTrigAcos, FVar(3), {});
  s.Add(T, kTrigAtan, FVar(4), {IConst(1)});
  s.Add(T, kTrigAsin, FVar(5), {FConst(1)})->flags = kLineRadians;
  s.Add(T, kTrigDeg, FVar(6), {FConst(kLogicPi)});
  s.RunAt(0);
  EXPECT_NEAR(p.f[1], 0.5f, 1e-6f);
  EXPECT_FLOAT_EQ(p.f[2], std::cos(60.0f));
  EXPECT_EQ(p.f[3], 0.0f);
  EXPECT_NEAR(p.f[4], 45.0f, 1e-4f);
  EXPECT_FLOAT_EQ(p.f[5], kLogicPi / 2);
  EXPECT_NEAR(p.f[6], 180.0f, 1e-4f);
}

TEST(VectorCmds, NormComponentsAndRotations) {
  LogicStore s;
  LogicProgram& p = s.Main();
  p.v[1][0] = 3.0f;
  p.v[1][1] = 4.0f;
  s.Add(V, kVecNorm, FVar(1), {VVar(1)});
  s.Add(V, kVecNorm, VVar(2), {VVar(1)});
  p.f[2] = 7.0f;
  p.v[3][0] = 7.0f;
  s.Add(V, kVecCompnt, FVar(2), {VVar(1), IConst(4)});
  s.Add(V, kVecCompnt, VVar(3), {MVar(1), IConst(4)});
  s.Add(V, kVecCompnt, FVar(3), {VVar(1), IConst(2)});
  s.Add(V, kVecRotMtx, MVar(2), {FConst(0), FConst(0), FConst(90)});
  p.v[4][0] = 1.0f;
  s.Add(V, kVecRotByMtx, VVar(5), {VVar(4), MVar(2)});
  s.Add(V, kVecTranspose, MVar(3), {MVar(2)});
  s.Add(V, kVecInvMtx, MVar(4), {MVar(2)});
  s.RunAt(0);
  EXPECT_FLOAT_EQ(p.f[1], 5.0f);
  EXPECT_FLOAT_EQ(p.v[2][0], 0.6f);
  EXPECT_FLOAT_EQ(p.v[2][1], 0.8f);
  EXPECT_EQ(p.v[2][2], 0.0f);
  EXPECT_EQ(p.f[2], 0.0f);
  EXPECT_EQ(p.v[3][0], 7.0f);
  EXPECT_EQ(p.f[3], 4.0f);
  // A quarter turn about z takes x to y.
  const float quarter[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
  for (int k = 0; k < 9; ++k) {
    EXPECT_NEAR(p.m[2][k], quarter[k], 1e-6f) << k;
    EXPECT_NEAR(p.m[3][k], p.m[4][k], 1e-6f) << k;  // a rotation's inverse is its transpose
  }
  EXPECT_NEAR(p.v[5][1], 1.0f, 1e-6f);
}

TEST(VectorCmds, WorldToLocalUndoesLocalToWorld) {
  LogicStore s;
  LogicProgram& p = s.Main();
  s.Add(kLogicArithmetic, 0, AxVar(2), {VVar(2), MVar(2)});  // a point and orientation
  s.Add(V, kVecRotMtx, MVar(1), {VVar(3)});
  s.Add(kLogicArithmetic, 0, AxVar(1), {VVar(1), MVar(1)});  // the frame
  s.Add(V, kVecLocalToWorld, AxVar(3), {AxVar(2), AxVar(1)});
  s.Add(V, kVecWorldToLocal, AxVar(4), {AxVar(3), AxVar(1)});
  s.Add(V, kVecLocalToWorld, VVar(4), {VVar(5), AxVar(1)});  // the zero vector goes to the origin
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-5.0f, 5.0f);
  for (int n = 0; n < 100; ++n) {
    for (int k = 0; k < 3; ++k) {
      p.v[1][k] = u(rng);
      p.v[2][k] = u(rng);
      p.v[3][k] = u(rng) * 36.0f;  // degrees
    }
    for (int k = 0; k < 9; ++k) p.m[2][k] = u(rng);
    s.RunAt(0);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(p.axVec[4][k], p.v[2][k], 1e-5f);
      EXPECT_EQ(p.v[4][k], p.v[1][k]);
    }
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(p.axMat[4][k], p.m[2][k], 1e-5f);
  }
}
