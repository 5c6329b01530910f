#include "dynamics/contact_nodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "block_lattice.h"
#include "dynamics/collision_tests.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

namespace {

class ContactNodesTest : public testing::Test {
 protected:
  // A 3 x 3 x 2 block: nodes on z = 0 and z = 1.
  void SetUp() override {
    jel = makeBlockJel(3, 3, 2, 1.0f);
    s = jel->state;
    ASSERT_NE(s, nullptr);
  }
  int at(int x, int y, int z) const { return 1 + x + 3 * (y + 3 * z); }

  std::unique_ptr<HObject> jel;
  HAState* s = nullptr;
};

TEST_F(ContactNodesTest, NodeNearFaceExcludesCornersAndTheirNeighbours) {
  const int a = at(0, 0, 0), b = at(1, 0, 0), c = at(1, 1, 0), d = at(0, 1, 0);
  struct Case {
    int node;
    bool want;
  } cases[] = {
      {a, true},          {c, true},            // corners
      {at(2, 0, 0), true},                      // +x neighbour of b
      {at(0, 0, 1), true},                      // +z neighbour of a
      {at(2, 2, 0), false},                     // diagonal of c only
      {at(2, 2, 1), false},
  };
  for (const Case& k : cases) EXPECT_EQ(GVNodeNearFace(k.node, s, a, b, c, d), k.want) << k.node;
  // A missing first corner excludes without looking at the lattice.
  EXPECT_TRUE(GVNodeNearFace(5, nullptr, 0, 1, 2, 3));
}

TEST_F(ContactNodesTest, AccumulatorsFollowTheirParts) {
  const int n = s->nodeCount;
  s->partMask[2] |= 1u << 5;  // node 2 also in part 5
  s->partMask[4] = 0;         // node 4 in no part
  for (int i = 0; i <= n; ++i)
    for (int k = 0; k < 3; ++k) {
      s->contactPassCorr[i][k] = 1.0f;
      s->contactCorr[i][k] = 2.0f;
      s->disp[i][k] = 0.5f;
    }
  GVAddPassCorr(s);
  EXPECT_EQ(s->contactCorr[1][0], 3.0f);
  EXPECT_EQ(s->contactCorr[4][0], 2.0f);  // not in part 1
  GVApplyCollDisp(5, s);
  EXPECT_EQ(s->disp[2][1], 3.5f);
  EXPECT_EQ(s->disp[1][1], 0.5f);
  GVClearCollDisp(5, s);
  EXPECT_EQ(s->contactCorr[2][2], 0.0f);
  EXPECT_EQ(s->contactCorr[1][2], 3.0f);
  GVClearCollAccums(s);
  EXPECT_EQ(s->contactCorr[1][2], 0.0f);
  EXPECT_EQ(s->contactPassCorr[1][2], 0.0f);
  EXPECT_EQ(s->contactPassCorr[4][2], 1.0f);
  GVClearPassCorr(s);
  for (int i = 0; i <= n; ++i) EXPECT_EQ(s->contactPassCorr[i][0], 0.0f) << i;

  s->contactFlags[3] = kGeoContactMark | 1u;
  GVClearGeoContactMarks(s);
  EXPECT_EQ(s->contactFlags[3], 1u);
}

// The pass sweeps over the listed nodes give the bits of the sweeps over
// every node, whoever wrote the accumulator.
TEST_F(ContactNodesTest, TouchedPassSweepsMatchWholeSweeps) {
  std::unique_ptr<HObject> other = makeBlockJel(3, 3, 2, 1.0f);
  HAState* t = other->state;
  const int n = s->nodeCount;
  auto write = [&](HAState* x) {
    x->partMask[x->faces[1][0]] = 0;  // a corner in no part: cleared, never added
    for (int i = 0; i <= n; ++i)
      for (int k = 0; k < 3; ++k) x->contactCorr[i][k] = 0.1f * static_cast<float>(i + k);
    const float c[3] = {0.3f, -0.7f, 0.01f}, centre[3] = {0.5f, 0.5f, 0.0f}, w[3] = {0.2f, 0.0f, -0.1f};
    float out[3];
    GVNodeImpulse(x, at(2, 2, 1), 0, c, 1.0f, out);
    GVNodeImpulse(x, at(2, 2, 1), at(1, 2, 1), c, 2.0f, out);  // a node written twice
    GVFaceAddRigidCorr(x, x->faces[1], centre, c, w);
  };
  write(s);
  write(t);
  GVAddPassCorr(s);
  GVClearPassCorr(s);
  GVFoldTouchedPassCorr(t);
  EXPECT_EQ(std::memcmp(s->contactCorr, t->contactCorr, sizeof(float) * 3 * (n + 1)), 0);
  EXPECT_EQ(std::memcmp(s->contactPassCorr, t->contactPassCorr, sizeof(float) * 3 * (n + 1)), 0);
  EXPECT_NE(s->contactCorr[at(2, 2, 1)][0], 0.1f * static_cast<float>(at(2, 2, 1)));

  // A clear of the listed nodes zeroes all; a whole clear empties the list.
  write(t);
  GVClearTouchedPassCorr(t);
  for (int i = 0; i <= n; ++i) EXPECT_EQ(t->contactPassCorr[i][1], 0.0f) << i;
  write(t);
  GVClearPassCorr(t);
  const float before = t->contactCorr[at(2, 2, 1)][0];
  GVFoldTouchedPassCorr(t);
  EXPECT_EQ(t->contactCorr[at(2, 2, 1)][0], before);
}

TEST_F(ContactNodesTest, StepAndCorrectedPositions) {
  const int a = at(0, 0, 0), b = at(2, 0, 0);
  for (int k = 0; k < 3; ++k) {
    s->disp[a][k] = 0.1f;
    s->disp[b][k] = 0.3f;
    s->contactCorr[a][k] = 1.0f;
    s->contactCorr[b][k] = 0.0f;
  }
  float p[3], q[3];
  GVNodeStepPos(s, a, 0, p);
  for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(p[k], s->pos[a][k] + 0.1f);
  GVNodeStepPos(s, a, b, p);
  GVNodeCorrPos(s, a, b, q);
  for (int k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(p[k], 0.5f * (s->pos[a][k] + s->pos[b][k]) + 0.2f);
    EXPECT_FLOAT_EQ(q[k], p[k] + 0.5f);
  }
}

TEST_F(ContactNodesTest, FaceDisplacementIsBilinearInCornerOrder) {
  ASSERT_GE(s->faceCount, 1);
  const int32_t* f = s->faces[1];
  const float corner[4] = {1.0f, 2.0f, 4.0f, 8.0f};  // by face corner 0..3
  for (int j = 0; j < 4; ++j) s->disp[f[j]][0] = corner[j];
  struct Case {
    float s, t, want;
  } cases[] = {
      {0, 0, 1.0f},  // corner 0
      {1, 0, 8.0f},  // s runs towards corner 3
      {0, 1, 2.0f},  // t runs towards corner 1
      {1, 1, 4.0f},
      {0.5f, 0.5f, (1 + 2 + 4 + 8) / 4.0f},
  };
  for (const Case& c : cases) {
    float out[3];
    GVFaceDispAt(s, 1, c.s, c.t, out);
    EXPECT_FLOAT_EQ(out[0], c.want) << c.s << "," << c.t;
  }
  float out[3] = {9, 9, 9};
  GVFaceDispAt(s, s->faceCount + 1, 0, 0, out);
  EXPECT_EQ(out[0], 0.0f);
}

TEST(ContactVectorTest, AddScaleCross) {
  float b[3] = {1, 2, 3}, out[3];
  const float a[3] = {1, 1, 1};
  GVVecAddTo(out, a, b);
  EXPECT_EQ(b[2], 4.0f);
  EXPECT_EQ(out[0], 2.0f);
  GVVecScaleTo(out, b, 0.5f);
  EXPECT_EQ(b[1], 1.5f);
  EXPECT_EQ(out[2], 2.0f);
  const float x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
  GVVecCross(out, x, y);
  EXPECT_EQ(out[2], 1.0f);
  float v[3] = {1, 2, 3};
  GVVecCross(v, v, x);  // may alias its output
  EXPECT_EQ(v[0], 0.0f);
  EXPECT_EQ(v[1], 3.0f);
  EXPECT_EQ(v[2], -2.0f);
}

}  // namespace
