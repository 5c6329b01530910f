#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "jel/live_state.h"
#include "jel/time_step.h"
#include "jel/vector_math.h"
#include "step_block.h"

namespace {

// Part 5 holds the nodes with an even index.
void markEvenNodesPart5(HAState* s) {
  for (int i = 1; i <= s->nodeCount; ++i)
    if (i % 2 == 0) s->partMask[i] |= 1u << 5;
}

}  // namespace

TEST(PartRoutines, PointOperationsTouchOnlyThePart) {
  StepBlock b(2, 2, 1);
  HAState* s = b.state();
  markEvenNodesPart5(s);
  const int n = s->nodeCount;
  std::vector<float> in(3 * (n + 1)), out(3 * (n + 1), -7.0f);
  for (size_t k = 0; k < in.size(); ++k) in[k] = 0.5f * float(k);
  auto I = reinterpret_cast<Vec3f*>(in.data());
  auto O = reinterpret_cast<Vec3f*>(out.data());
  const float v[3] = {1.0f, -2.0f, 3.0f};
  const float R[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};  // quarter turn about z, column form

  struct Op {
    const char* name;
    void (*run)(const HAState*, const Vec3f*, Vec3f*, const float*, const float*);
    void (*expect)(const float* in, const float* v, const float* R, float* out);
  } ops[] = {
      {"add", [](const HAState* st, const Vec3f* a, Vec3f* o, const float* vv, const float*) { GVAddVecToPartPoints(st, 5, a, o, vv); },
       [](const float* a, const float* vv, const float*, float* o) { for (int c = 0; c < 3; ++c) o[c] = a[c] + vv[c]; }},
      {"sub", [](const HAState* st, const Vec3f* a, Vec3f* o, const float* vv, const float*) { GVSubVecFromPartPoints(st, 5, a, o, vv); },
       [](const float* a, const float* vv, const float*, float* o) { for (int c = 0; c < 3; ++c) o[c] = a[c] - vv[c]; }},
      {"mul", [](const HAState* st, const Vec3f* a, Vec3f* o, const float*, const float* m) { GVMulPartPoints(st, 5, a, o, m); },
       [](const float* a, const float*, const float*, float* o) { o[0] = -a[1]; o[1] = a[0]; o[2] = a[2]; }},
      {"copy", [](const HAState* st, const Vec3f* a, Vec3f* o, const float*, const float*) { GVCopyPartPoints(st, 5, a, o); },
       [](const float* a, const float*, const float*, float* o) { std::memcpy(o, a, 3 * sizeof(float)); }},
  };
  for (const Op& op : ops) {
    std::fill(out.begin(), out.end(), -7.0f);
    op.run(s, I, O, v, R);
    for (int i = 0; i <= n; ++i) {
      float e[3] = {-7.0f, -7.0f, -7.0f};
      if (i >= 1 && i % 2 == 0) op.expect(I[i], v, R, e);
      for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(O[i][c], e[c]) << op.name << " node " << i;
    }
  }
}

TEST(PartRoutines, AngularStateRecoversTheRotationOfADisplacement) {
  StepBlock b(3, 2, 2);
  HAState* s = b.state();
  const int n = s->nodeCount;
  std::vector<float> r(3 * (n + 1)), d(3 * (n + 1));
  auto R = reinterpret_cast<Vec3f*>(r.data());
  auto D = reinterpret_cast<Vec3f*>(d.data());
  const float w[3] = {0.01f, -0.02f, 0.015f};
  for (int i = 1; i <= n; ++i) {
    std::memcpy(R[i], s->pos[i], sizeof(Vec3f));  // the block is centred on the origin
    D[i][0] = w[1] * R[i][2] - w[2] * R[i][1];
    D[i][1] = w[2] * R[i][0] - w[0] * R[i][2];
    D[i][2] = w[0] * R[i][1] - w[1] * R[i][0];
  }
  float L[3], Jinv[9], omega[3];
  GVGetPartAngularState(s, D, R, R, 1, L, Jinv);
  GVMat3MulVec(omega, Jinv, L);
  // L is taken as d x r, so the rotation that cancels the displacement comes out.
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(omega[c], -w[c], 1e-6f);
}

TEST(PartRoutines, AngularStateOfDegenerateOrMissingPartsTurnsNothing) {
  StepBlock b(2, 2, 2);
  HAState* s = b.state();
  const int n = s->nodeCount;
  std::vector<float> r(3 * (n + 1), 1.0f);
  auto R = reinterpret_cast<Vec3f*>(r.data());
  float L[3], Jinv[9];
  // Part 9 has no node; part 6 a single node; part 7 nodes on a line.
  s->partMask[4] |= 1u << 6;
  for (int i = 1; i <= n; ++i) {
    R[i][0] = float(i);
    R[i][1] = R[i][2] = 0.0f;
    s->partMask[i] |= 1u << 7;
  }
  for (int part : {9, 6, 7}) {
    GVGetPartAngularState(s, R, R, R, part, L, Jinv);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(Jinv[k], 0.0f) << "part " << part;
  }
  GVGetPartAngularState(s, R, R, R, 0, L, Jinv);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(Jinv[k], k % 4 == 0 ? 1.0f : 0.0f);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(L[c], 0.0f);
  GVGetPartAngularState(s, nullptr, R, R, 1, L, Jinv);
  EXPECT_EQ(Jinv[0], 1.0f);
}

TEST(PartRoutines, InertiaOfPart1MatchesPointMasses) {
  StepBlock b(1, 1, 1);  // eight unit masses on a unit cube's corners, centred
  HAState* s = b.state();
  for (int i = 1; i <= s->nodeCount; ++i) s->mass[i] = 1.0f;
  const float c[3] = {0, 0, 0};
  float I[9];
  GVGetPart1Inertia(s, c, I);
  // Each corner is 0.5 from every axis plane: I_xx = 8 (0.25 + 0.25) = 4.
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(I[k], k % 4 == 0 ? 4.0f : 0.0f, 1e-6f);
  const float off[3] = {0.5f, 0.5f, 0.5f};
  GVGetPart1Inertia(s, off, I);
  // Parallel axes: I_xx = 4 + 8 (0.25 + 0.25), I_xy = -8 (0.25).
  EXPECT_NEAR(I[0], 8.0f, 1e-5f);
  EXPECT_NEAR(I[1], -2.0f, 1e-5f);
  EXPECT_EQ(I[1], I[3]);
  EXPECT_EQ(I[2], I[6]);
  EXPECT_EQ(I[5], I[7]);
}

TEST(PartRoutines, SpinOffsetsAndRotationWorkOnTheDisplacement) {
  StepBlock b(2, 1, 1);
  HAState* s = b.state();
  const int n = s->nodeCount;
  const float c[3] = {0, 0, 0};
  const float w[3] = {0.0f, 0.0f, 0.1f};
  const float v[3] = {0.01f, 0.0f, 0.0f};
  GVAddPart1Spin(s, w, c, v);
  for (int i = 1; i <= n; ++i) {
    EXPECT_FLOAT_EQ(s->disp[i][0], 0.01f - 0.1f * s->pos[i][1]);
    EXPECT_FLOAT_EQ(s->disp[i][1], 0.1f * s->pos[i][0]);
  }
  GVSavePart1Displacements(s);
  const float dv[3] = {0.0f, 0.0f, 0.2f};
  for (int i = 1; i <= n; ++i) s->disp[i][2] += dv[2];
  GVSavePart1Offsets(s, c);
  for (int i = 1; i <= n; ++i) {
    for (int k = 0; k < 3; ++k) {
      EXPECT_FLOAT_EQ(s->scratchVec[0][i][k], s->pos[i][k]);
      EXPECT_FLOAT_EQ(s->scratchVec[1][i][k], s->pos[i][k] + s->disp[i][k]);
      EXPECT_NEAR(s->scratchVec[2][i][k], dv[k], 1e-7f);
    }
  }
  // Part p keeps its snapshot apart from part 1's.
  GVSavePartDisplacements(s, 2);
  for (int i = 1; i <= n; ++i) {
    const bool inPart2 = (s->partMask[i] & 4u) != 0;
    if (inPart2) {
      EXPECT_EQ(std::memcmp(s->scratchVec[4][i], s->disp[i], sizeof(Vec3f)), 0);
    }
  }
  std::vector<float> before(&s->disp[1][0], &s->disp[n][2] + 1);
  GVAddPartRotation(s, 1, w);
  for (int i = 1; i <= n; ++i) {
    const float* q = s->scratchVec[1][i];
    EXPECT_NEAR(s->disp[i][0], before[3 * (i - 1)] - 0.1f * q[1], 1e-6f);
    EXPECT_NEAR(s->disp[i][1], before[3 * (i - 1) + 1] + 0.1f * q[0], 1e-6f);
  }
}
