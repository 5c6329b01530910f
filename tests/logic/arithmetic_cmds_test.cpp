#include "logic/arithmetic_cmds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "logic_fixture.h"

namespace {

constexpr int32_t A = kLogicArithmetic;
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

void SetVec(float* v, float x, float y, float z) {
  v[0] = x;
  v[1] = y;
  v[2] = z;
}

}  // namespace

TEST(ArithmeticCmds, ScalarCasesAndSafeConversions) {
  LogicStore s;
  LogicProgram& p = s.Main();
  p.i[1] = 3;
  p.f[1] = 0.5f;
  p.f[2] = 2.0f;
  p.i[9] = kIntMax;
  s.Add(A, kArMul, IVar(2), {IVar(1), FVar(1)});              // 3 x 0.5 into i
  s.Add(A, kArMul, FVar(3), {IVar(1), FVar(1)});              // into f
  s.Add(A, kArDiv, FVar(4), {FVar(2), FConst(0.0f)});         // by zero
  s.Add(A, kArMod, IVar(3), {IConst(-7), IConst(3)});
  s.Add(A, kArMod, IVar(4), {IConst(-7), IConst(0)});
  s.Add(A, kArRangeIn, FVar(5), {FConst(2), FConst(7), FConst(2)});
  s.Add(A, kArSub, IVar(5), {IConst(10), IVar(1), FConst(1.5f)});  // 10 - trunc(3 + 1.5)
  s.Add(A, kArAdd, IVar(6), {IVar(9), IConst(1)});            // wraps
  s.Add(A, kArMul, IVar(7), {IVar(9), IVar(9)});              // wraps
  s.Add(A, kArEqu, IVar(8), {FConst(kNaN)});
  s.Add(A, kArEqu, IVar(9), {FConst(-1e30f)});
  s.Add(A, kArDiv, IVar(1), {FConst(1e30f), FConst(1e-31f)});  // saturates
  s.Add(A, kArSqrt, FVar(6), {FConst(-4)});
  s.Add(A, kArLog, FVar(7), {FConst(std::exp(2.0f))});
  s.Add(A, kArClipL, FVar(8), {FVar(1), FConst(0.75f)});
  s.Add(A, kArClipU, FVar(9), {FVar(2), IConst(1)});
  s.RunAt(0);
  EXPECT_EQ(p.i[2], 1);
  EXPECT_FLOAT_EQ(p.f[3], 1.5f);
  EXPECT_FLOAT_EQ(p.f[4], 2.0f * (1.0f / 1e-30f));
  EXPECT_EQ(p.i[3], -1);
  EXPECT_EQ(p.i[4], 0);
  EXPECT_EQ(p.f[5], 0.0f);
  EXPECT_EQ(p.i[5], 6);
  EXPECT_EQ(p.i[6], kIntMin);
  EXPECT_EQ(p.i[7], 1);
  EXPECT_EQ(p.i[8], 0);
  EXPECT_EQ(p.i[9], kIntMin);
  EXPECT_EQ(p.i[1], kIntMax);
  EXPECT_EQ(p.f[6], 0.0f);
  EXPECT_NEAR(p.f[7], 2.0f, 1e-6f);
  EXPECT_EQ(p.f[8], 0.75f);
  EXPECT_EQ(p.f[9], 1.0f);
}

TEST(ArithmeticCmds, VectorsAndMatrices) {
  LogicStore s;
  LogicProgram& p = s.Main();
  SetVec(p.v[1], 1, 2, 3);
  SetVec(p.v[2], 0.5f, 0.5f, 0.5f);
  SetVec(p.v[3], 1, 1, 1);
  SetVec(p.v[4], 0, 0, 1);
  for (int k = 0; k < 9; ++k) p.m[1][k] = static_cast<float>(k + 1);
  p.m[2][0] = 9.0f;  // not touched: the constant gives the identity
  s.Add(A, kArSub, VVar(5), {VVar(1), VVar(2), VVar(3)});
  s.Add(A, kArEqu, MVar(2), {FConst(5.0f)});
  s.Add(A, kArMul, VVar(6), {VVar(3), VVar(4)});            // cross product
  s.Add(A, kArMul, FVar(1), {VVar(1), VVar(3)});            // dot product
  s.Add(A, kArMul, VVar(7), {MVar(1), VVar(4)});            // matrix times column
  s.Add(A, kArMul, VVar(8), {VVar(1), IConst(2), FConst(0.5f)});
  s.Add(A, kArEqu, MVar(3), {VVar(1), VVar(2), VVar(3)});   // rows
  s.Add(A, kArClipU, VVar(9), {VVar(1), FConst(2.5f)});
  s.Add(A, kArRangeOut, VVar(1), {VVar(3), FConst(0.25f), FConst(8)});  // number end = zero vector
  s.RunAt(0);
  auto expectVec = [](const float* v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v[0], x);
    EXPECT_FLOAT_EQ(v[1], y);
    EXPECT_FLOAT_EQ(v[2], z);
  };
  expectVec(p.v[5], -0.5f, 0.5f, 1.5f);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(p.m[2][k], k % 4 == 0 ? 1.0f : 0.0f);
  expectVec(p.v[6], 1, -1, 0);
  EXPECT_FLOAT_EQ(p.f[1], 6.0f);
  expectVec(p.v[7], 3, 6, 9);
  expectVec(p.v[8], 1, 2, 3);
  expectVec(p.m[3], 1, 2, 3);
  expectVec(p.m[3] + 6, 1, 1, 1);
  expectVec(p.v[9], 1, 2, 2.5f);
  expectVec(p.v[1], 0.75f, 0.75f, 0.75f);
}

TEST(ArithmeticCmds, RandomIsRepeatableAndCoversItsRange) {
  LogicStore s;
  LogicProgram& p = s.Main();
  s.Add(A, kArRandom, FVar(1), {IConst(17)});
  s.Add(A, kArRandom, FVar(2), {IConst(17)});
  LogicLine* pick = s.Add(A, kArRandom, IVar(1), {IConst(0), IConst(10)});
  std::set<int32_t> seen;
  for (int32_t k = 0; k < 1000; ++k) {
    pick->argInt[0] = k;
    s.RunAt(0);
    seen.insert(p.i[1]);
  }
  EXPECT_EQ(p.f[1], p.f[2]);
  EXPECT_GE(p.f[1], 0.0f);
  EXPECT_LE(p.f[1], 1.0f);
  EXPECT_EQ(seen, (std::set<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(ArithmeticCmds, PulsesFollowTheFrameCounter) {
  LogicStore s;
  LogicProgram& p = s.Main();
  s.Add(A, kArPulseSaw, FVar(1), {IConst(10), IConst(5), FConst(0)});
  s.Add(A, kArPulseBlk, IVar(1), {IConst(10), IConst(5), FConst(0)});
  // A period below 3 acts as 3, also for the random sign.
  LogicLine* low = s.Add(A, kArPulseSaw, FVar(2), {IConst(1), IConst(4), FConst(0)});
  LogicLine* three = s.Add(A, kArPulseSaw, FVar(3), {IConst(3), IConst(4), FConst(0)});
  low->flags = three->flags = kLineRandomSign;
  std::vector<float> saw;
  std::vector<int32_t> block;
  for (int32_t f = 0; f < 20; ++f) {
    s.RunAt(f);
    saw.push_back(p.f[1]);
    block.push_back(p.i[1]);
    EXPECT_EQ(p.f[2], p.f[3]) << f;
  }
  const std::vector<float> tooth = {0, 0, 0, 0, 0, 0, 0, 0.5f, 1, 0.5f};
  std::vector<float> twice = tooth;
  twice.insert(twice.end(), tooth.begin(), tooth.end());
  EXPECT_EQ(saw, twice);
  EXPECT_EQ(block, (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1}));
}
