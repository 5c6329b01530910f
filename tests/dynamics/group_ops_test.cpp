#include "dynamics/group_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "dynamics/rigid_parts.h"
#include "jel/frame_store.h"
#include "jel/time_step.h"
#include "jel/vector_math.h"
#include "part_block.h"

namespace {

const float kGravity[3] = {0.0f, -9.8f, 0.0f};
const float kBox[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};

std::vector<float> snapshot(const Vec3f* a, int n) {
  std::vector<float> out(3 * (n + 1));
  std::memcpy(out.data(), a, sizeof(float) * out.size());
  return out;
}

float centreOf(HAState* s, int part, int axis, bool inStep) {
  double m = 0.0, x = 0.0;
  for (int i = 1; i <= s->nodeCount; ++i)
    if (s->inPart(i, part)) {
      m += s->mass[i];
      x += s->mass[i] * (s->pos[i][axis] + (inStep ? s->disp[i][axis] : 0.0f));
    }
  return static_cast<float>(x / m);
}

}  // namespace

TEST(GroupOpsFix, FixedPartStaysExactlyInPlaceWhileTheRestFalls) {
  const float origin[3] = {0.0f, 5.0f, 0.0f};
  PartBlock b(3, 3, 2, 1.0f, origin);
  b.addPart(3, [](int x, int, int) { return x == 0; });
  HAState* s = b.state();
  const std::vector<float> start = snapshot(s->pos, s->nodeCount);
  GVFixPartBegin(s, 3, nullptr, nullptr);
  for (int frame = 0; frame < 60; ++frame) {
    b.beginStep(kGravity);
    GVFixPartStep(s, nullptr, 3, nullptr);
    b.commitStep();
    for (int i = 1; i <= s->nodeCount; ++i) {
      if (!s->inPart(i, 3)) continue;
      for (int k = 0; k < 3; ++k) ASSERT_EQ(s->pos[i][k], start[3 * i + k]) << "node " << i << " frame " << frame;
    }
  }
  // The free nodes fell.
  EXPECT_LT(s->pos[b.at(2, 0, 0)][1], start[3 * b.at(2, 0, 0) + 1] - 1.0f);
}

TEST(GroupOpsFix, FixedPartHoldsWhileTheElasticRestSagsUnderGravity) {
  const float origin[3] = {0.0f, 5.0f, 0.0f};
  PartBlock b(5, 3, 2, 0.5f, origin);
  b.addPart(3, [](int x, int, int) { return x == 0; });
  HAState* s = b.state();
  for (int i = 1; i <= s->nodeCount; ++i) s->matter[i].forceY = -9.8f;
  s->deriveMatterCoefficients();
  s->updateNodeCoeffs(kFrameCommitted);
  const std::vector<float> start = snapshot(s->pos, s->nodeCount);
  const int substeps = GVCalcSubstepsNeeded(s);
  s->params->subSteps = substeps;
  GVFixPartBegin(s, 3, nullptr, nullptr);
  for (int frame = 0; frame < 30; ++frame) {
    for (int k = 1; k <= substeps; ++k) {
      s->params->subStepIndex = k;
      s->computeForces();
      GVFixPartStep(s, nullptr, 3, nullptr);
      s->integrate();
    }
    for (int i = 1; i <= s->nodeCount; ++i) {
      for (int k = 0; k < 3; ++k) ASSERT_TRUE(std::isfinite(s->pos[i][k]));
      if (!s->inPart(i, 3)) continue;
      for (int k = 0; k < 3; ++k) ASSERT_EQ(s->pos[i][k], start[3 * i + k]) << "node " << i << " frame " << frame;
    }
  }
  // The free end hangs below where it started; the held end did not move.
  const int tip = b.at(4, 0, 0);
  EXPECT_LT(s->pos[tip][1], start[3 * tip + 1] - 0.01f);
  // ...but hangs from it: no further than the beam is long.
  EXPECT_GT(s->pos[tip][1], start[3 * tip + 1] - 3.0f);
}

TEST(GroupOpsFix, OffsetAndMatrixMapTheReferences) {
  PartBlock b(2, 2, 2);
  HAState* s = b.state();
  const float o[3] = {1.0f, 2.0f, 3.0f};
  const float half[9] = {2, 0, 0, 0, 2, 0, 0, 0, 2};
  GVFixPartBegin(s, 1, o, half);
  // The same offset and matrix pin the part where it began.
  b.beginStep(kGravity);
  GVFixPartStep(s, half, 1, o);
  for (int i = 1; i <= s->nodeCount; ++i) {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s->disp[i][k], 0.0f, 1e-5f);
    EXPECT_TRUE(s->contactFlags[i] & kNodeFixed);
  }
  // A quarter turn about z instead: each node lands on R (x - o) / 2 + o.
  const float quarter[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
  GVFixPartStep(s, quarter, 1, o);
  for (int i = 1; i <= s->nodeCount; ++i) {
    float r[3], t[3];
    for (int k = 0; k < 3; ++k) r[k] = (s->pos[i][k] - o[k]) * 0.5f;
    GVMat3MulVec(t, quarter, r);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s->pos[i][k] + s->disp[i][k], t[k] + o[k], 1e-5f);
  }
}

TEST(GroupOpsFix, SingularMatrixKeepsReferencesFinite) {
  PartBlock b(2, 2, 2);
  HAState* s = b.state();
  const float flat[9] = {1, 0, 0, 0, 1, 0, 0, 0, 0};
  const float nan[9] = {NAN, 0, 0, 0, 1, 0, 0, 0, 1};
  for (const float* m : {flat, nan}) {
    GVFixPartBegin(s, 1, nullptr, m);
    GVFixOriPartBegin(s, 1, m);
    GVLoadPartRef(s, kPartRefFix, 1);
    for (int i = 1; i <= s->nodeCount; ++i)
      for (int k = 0; k < 3; ++k) EXPECT_EQ(s->partRef[i][k], s->pos[i][k]);
    b.beginStep(nullptr);
    GVFixOriPartStep(s, 1, m);
    for (int i = 1; i <= s->nodeCount; ++i)
      for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::isfinite(s->disp[i][k]));
    b.commitStep();
  }
}

TEST(GroupOpsFix, CorrectionGoesIntoTheCorrectionArrayOnly) {
  PartBlock b(2, 2, 1);
  HAState* s = b.state();
  GVFixPartBegin(s, 1, nullptr, nullptr);
  b.beginStep(kGravity);
  const std::vector<float> d = snapshot(s->disp, s->nodeCount);
  GVFixPartCorrect(s, nullptr, 1, nullptr);
  for (int i = 1; i <= s->nodeCount; ++i) {
    EXPECT_EQ(s->contactFlags[i], 0u);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(s->disp[i][k], d[3 * i + k]);
      EXPECT_NEAR(s->pos[i][k] + s->disp[i][k] + s->contactCorr[i][k], s->pos[i][k], 1e-6f);
    }
  }
}

TEST(GroupOpsFix, ReferenceStoresKeepPartsOneToThirtyOne) {
  PartBlock b(2, 2, 1);
  b.addPart(31, [](int, int, int) { return true; });
  HAState* s = b.state();
  EXPECT_EQ(GVStorePartRef(s, 0, kPartRefFix), 0);
  EXPECT_EQ(GVStorePartRef(s, 32, kPartRefFix), 0);
  EXPECT_EQ(GVStorePartRef(s, 1, 9), 0);
  EXPECT_EQ(GVLoadPartRef(s, kPartRefShape, 1), 0);  // nothing stored yet
  for (int i = 1; i <= s->nodeCount; ++i) s->partRef[i][0] = static_cast<float>(i);
  EXPECT_EQ(GVStorePartRef(s, 31, kPartRefFixPos), 1);
  for (int i = 1; i <= s->nodeCount; ++i) s->partRef[i][0] = -1.0f;
  // Fix and fixed-position references share the fix store; the orientation
  // store is separate.
  EXPECT_EQ(GVLoadPartRef(s, kPartRefOrient, 31), 0);
  EXPECT_EQ(GVLoadPartRef(s, kPartRefFix, 31), 1);
  for (int i = 1; i <= s->nodeCount; ++i) EXPECT_EQ(s->partRef[i][0], static_cast<float>(i));
}

// ---------------------------------------------------------------------------
// Walls

struct WallCase {
  const char* name;
  int axis;
  float dir;         // +1 towards the upper wall
  uint32_t bit;
};

TEST(GroupOpsWalls, NodeHeadingForEachWallEndsExactlyOnIt) {
  const WallCase cases[] = {
      {"x min", 0, -1.0f, kWallMinX}, {"x max", 0, 1.0f, kWallMaxX}, {"y min", 1, -1.0f, kWallMinY},
      {"y max", 1, 1.0f, kWallMaxY},  {"z min", 2, -1.0f, kWallMinZ}, {"z max", 2, 1.0f, kWallMaxZ},
  };
  for (const WallCase& c : cases) {
    SCOPED_TRACE(c.name);
    const float origin[3] = {-0.5f, 11.5f, -0.5f};
    PartBlock b(2, 2, 2, 1.0f, origin);
    HAState* s = b.state();
    float v[3] = {0, 0, 0};
    v[c.axis] = c.dir * 30.0f * 20.0f;  // 20 units in one step: well past the wall
    b.setVelocity(v);
    b.beginStep(nullptr);
    const int32_t hit = GVConstrainPartToBox(s, 1, static_cast<uint32_t>(-1), kBox);
    EXPECT_EQ(static_cast<uint32_t>(hit), c.bit);
    const float wall = kBox[2 * c.axis + (c.dir > 0 ? 1 : 0)];
    for (int i = 1; i <= s->nodeCount; ++i) {
      EXPECT_EQ(s->pos[i][c.axis] + s->disp[i][c.axis], wall);
      EXPECT_TRUE(s->contactFlags[i] & kNodeOnWall);
      // The reaction pushes back into the box.
      EXPECT_LT(s->reactionAccum[i][c.axis] * c.dir, 0.0f);
    }
  }
}

TEST(GroupOpsWalls, MinWallWinsWhenBothWallsOfTheAxisAreEnabled) {
  PartBlock b(1, 1, 1);
  HAState* s = b.state();
  b.beginStep(nullptr);
  s->disp[1][0] = -5.0f;
  const float inverted[6] = {1.0f, -1.0f, -10, 10, -10, 10};  // both walls of x would claim the node
  EXPECT_EQ(GVConstrainPartToBox(s, 1, kWallMinX | kWallMaxX, inverted), static_cast<int32_t>(kWallMinX));
  EXPECT_EQ(s->pos[1][0] + s->disp[1][0], 1.0f);
  // Disabled walls are ignored.
  s->disp[1][0] = -50.0f;
  EXPECT_EQ(GVConstrainPartToBox(s, 1, kWallMaxX, kBox), 0);
  EXPECT_EQ(s->disp[1][0], -50.0f);
}

TEST(GroupOpsWalls, FrictionBudgetLimitsTheSliding) {
  struct Case {
    float friction;
    float tangential;  // sliding along x while 1 unit into the floor
    float expected;
  } cases[] = {{0.0f, 0.3f, 0.3f}, {1.0f, 0.3f, 0.0f}, {0.5f, 0.3f, 0.0f}, {0.2f, 0.3f, 0.1f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.friction);
    PartBlock b(1, 1, 1);
    HAState* s = b.state();
    b.setFriction(c.friction);
    b.beginStep(nullptr);
    s->disp[1][0] = c.tangential;
    s->disp[1][1] = -1.0f;
    GVConstrainPartToBox(s, 1, kWallsAll, kBox);
    EXPECT_NEAR(s->disp[1][0], c.expected, 1e-6f);
    EXPECT_EQ(s->disp[1][1], 0.0f);
  }
}

TEST(GroupOpsWalls, JelPushedAgainstEveryWallNeverLeavesTheBox) {
  for (int wall = 0; wall < 6; ++wall) {
    SCOPED_TRACE(wall);
    const float origin[3] = {-1.0f, 10.0f, -1.0f};
    PartBlock b(3, 3, 3, 1.0f, origin);
    HAState* s = b.state();
    float push[3] = {0.0f, 0.0f, 0.0f};
    push[wall / 2] = (wall % 2 ? 1.0f : -1.0f) * 40.0f;  // a steady acceleration into the wall
    push[1] += kGravity[1];
    const float slide[3] = {3.0f, 0.0f, -2.0f};
    b.setVelocity(slide);
    for (int frame = 0; frame < 90; ++frame) {
      b.beginStep(push);
      GVConstrainPartToBox(s, 1, kWallsAll, kBox);
      b.commitStep();
      for (int i = 1; i <= s->nodeCount; ++i)
        for (int a = 0; a < 3; ++a) {
          ASSERT_GE(s->pos[i][a], kBox[2 * a]) << "frame " << frame;
          ASSERT_LE(s->pos[i][a], kBox[2 * a + 1]) << "frame " << frame;
        }
    }
  }
}

TEST(GroupOpsWalls, SlidingOnTheFloorKeepsOrLosesItsSpeedWithFriction) {
  for (float friction : {0.0f, 1.0f}) {
    SCOPED_TRACE(friction);
    PartBlock b(2, 1, 2, 1.0f);  // resting on the floor (y = 0)
    HAState* s = b.state();
    b.setFriction(friction);
    const float v[3] = {2.0f, 0.0f, 0.0f};
    b.setVelocity(v);
    for (int frame = 0; frame < 60; ++frame) {
      b.beginStep(kGravity);
      GVConstrainPartToBox(s, 1, kWallsAll, kBox);
      b.commitStep();
    }
    for (int i = 1; i <= s->nodeCount; ++i) {
      EXPECT_EQ(s->pos[i][1], 0.0f);
      // Coulomb friction of 1: 9.8 units/s^2 stops 2 units/s well within the run.
      if (friction == 0.0f) {
        EXPECT_NEAR(s->vel[i][0], 2.0f, 1e-4f);
      } else {
        EXPECT_EQ(s->vel[i][0], 0.0f);
      }
    }
  }
}

TEST(GroupOpsWalls, CorrectionTestsTheCorrectedPositionAndLeavesDisplacement) {
  PartBlock b(1, 1, 1, 1.0f);
  HAState* s = b.state();
  b.beginStep(nullptr);
  s->disp[1][1] = 0.5f;
  s->contactCorr[1][1] = -1.0f;  // the correction would push it through the floor
  s->contactCorr[1][0] = 0.25f;
  b.setFriction(1.0f);
  EXPECT_EQ(GVCorrectPartToBox(s, 1, kWallsAll, kBox), static_cast<int32_t>(kWallMinY));
  EXPECT_EQ(s->disp[1][1], 0.5f);
  EXPECT_EQ(s->pos[1][1] + s->disp[1][1] + s->contactCorr[1][1], 0.0f);
  EXPECT_EQ(s->contactFlags[1], 0u);
  // Friction of 1 with a 0.5 push cancels the 0.25 slide.
  EXPECT_NEAR(s->contactCorr[1][0], 0.0f, 1e-6f);
}

// ---------------------------------------------------------------------------
// Plane

TEST(GroupOpsPlane, NodesBehindThePlaneAreMovedOntoIt) {
  PartBlock b(2, 2, 1, 1.0f);
  HAState* s = b.state();
  b.beginStep(nullptr);
  const float inv = 1.0f / std::sqrt(2.0f);
  const float n[3] = {inv, inv, 0.0f};
  const float q[3] = {1.0f, 0.0f, 0.0f};  // plane x + y = 1: node (0, 0) lies behind
  EXPECT_EQ(GVConstrainPartToPlane(s, 1, q, n), 1);
  for (int i = 1; i <= s->nodeCount; ++i) {
    float x[3];
    for (int k = 0; k < 3; ++k) x[k] = s->pos[i][k] + s->disp[i][k] - q[k];
    EXPECT_GE(GVVecDot(x, n), -1e-6f);
  }
  EXPECT_NEAR(s->disp[b.at(0, 0, 0)][0], 0.5f, 1e-6f);
  EXPECT_EQ(s->disp[b.at(1, 1, 0)][0], 0.0f);
  EXPECT_GT(s->reactionAccum[b.at(0, 0, 0)][0], 0.0f);
  // Everything now on or in front of the plane: nothing moves further.
  const std::vector<float> d = snapshot(s->disp, s->nodeCount);
  GVConstrainPartToPlane(s, 1, q, n);
  const std::vector<float> d2 = snapshot(s->disp, s->nodeCount);
  for (size_t k = 0; k < d.size(); ++k) EXPECT_NEAR(d[k], d2[k], 1e-6f);
}

// ---------------------------------------------------------------------------
// Centre stepping and drags

TEST(GroupOpsDrag, CentreSteppingLandsOnTheTargetAtTheLastSubStep) {
  PartBlock b(2, 2, 2);
  HAState* s = b.state();
  b.beginStep(kGravity);
  const float target[3] = {4.0f, -2.0f, 1.0f};
  const float c0[3] = {centreOf(s, 1, 0, false), centreOf(s, 1, 1, false), centreOf(s, 1, 2, false)};
  GVStepPartCentreTo(s, 1, 1, 2, target);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(centreOf(s, 1, k, true), 0.5f * (c0[k] + target[k]), 1e-5f);
  GVStepPartCentreTo(s, 1, 3, 3, target);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(centreOf(s, 1, k, true), target[k], 1e-5f);
  const std::vector<float> d = snapshot(s->disp, s->nodeCount);
  GVStepPartCentreTo(s, 1, 1, 0, target);
  EXPECT_EQ(d, snapshot(s->disp, s->nodeCount));
}

TEST(GroupOpsDrag, DragModesFreePlaneAndSphere) {
  PartBlock b(3, 2, 1);
  HAState* s = b.state();
  s->params->subSteps = 2;
  const int node = b.at(2, 0, 0);
  DragCmd drag;
  drag.node = node;
  drag.part = 1;
  const float target[3] = {2.0f, 2.0f, 2.0f};
  std::memcpy(drag.target, target, sizeof target);

  // Free: half way after the first sub-step, on the target after the last.
  s->params->subStepIndex = 1;
  b.beginStep(nullptr);
  GVDragNodeStep(s, &drag);
  EXPECT_NEAR(s->pos[node][1] + s->disp[node][1], 1.0f, 1e-6f);
  s->params->subStepIndex = 2;
  GVDragNodeStep(s, &drag);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(s->pos[node][k] + s->disp[node][k], target[k], 1e-6f);
  EXPECT_EQ(drag.state, 0);

  // Plane: no motion along the direction from node a to node b (x here).
  const float beyond[3] = {4.0f, 2.0f, 2.0f};
  std::memcpy(drag.target, beyond, sizeof beyond);
  s->disp[node][0] = s->disp[node][1] = s->disp[node][2] = 0.0f;
  GVMouseDragPart(s, b.at(0, 0, 0), node, 1);
  GVDragNodeStep(s, &drag);
  EXPECT_EQ(drag.state, 101);
  EXPECT_NEAR(s->disp[node][0], 0.0f, 1e-6f);
  EXPECT_NEAR(s->disp[node][1], 2.0f, 1e-6f);

  // Sphere: the node keeps its distance from the grab point (node a).
  s->disp[node][0] = s->disp[node][1] = s->disp[node][2] = 0.0f;
  GVMouseDragPart(s, b.at(0, 0, 0), node, 2);
  GVDragNodeStep(s, &drag);
  float r[3];
  for (int k = 0; k < 3; ++k) r[k] = s->pos[node][k] + s->disp[node][k] - s->pos[b.at(0, 0, 0)][k];
  EXPECT_NEAR(GVVecLength(r), 2.0f, 1e-5f);
  b.commitStep();

  // A whole-part drag steps the centre.
  DragCmd whole;
  whole.part = 1;
  std::memcpy(whole.target, target, sizeof target);
  s->params->subStepIndex = 1;
  s->params->subSteps = 1;
  b.beginStep(nullptr);
  GVDragNodeStep(s, &whole);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(centreOf(s, 1, k, true), target[k], 1e-5f);
}

// ---------------------------------------------------------------------------
// Glue links

TEST(GroupOpsLinks, BreakingClearsBothGluePairs) {
  PartBlock b(2, 1, 1);
  HAState* s = b.state();
  const int a = 1, c = 2;
  auto glue = [&] {
    s->glueJel[a] = s->glueJel[c] = 7;
    s->glueNode[a] = 3;
    s->glueNode[c] = 4;
  };
  glue();
  EXPECT_EQ(GVBreakNodeLink(s, 0, c, 0.0f), 0);
  EXPECT_EQ(GVBreakNodeLink(s, a, 3, 0.0f), 0);
  // Distance 1: squared times (1 x 30)^2 = 900.
  EXPECT_EQ(GVBreakNodeLink(s, a, c, 901.0f), 0);
  EXPECT_EQ(s->glueJel[a], 7);
  EXPECT_EQ(GVBreakNodeLink(s, a, c, 899.0f), 1);
  EXPECT_EQ(s->glueJel[a] | s->glueJel[c] | s->glueNode[a] | s->glueNode[c], 0);
  glue();
  EXPECT_EQ(GVBreakNodeLink(s, a, c, 0.0f), 1);
  EXPECT_EQ(s->glueJel[c], 0);

  // Stored frames get the pair in their state records.
  GVSetFrameNodeFlags(s, a, 0, 5, 9);
  const JelStateRec* st = GVFrameStateRecs(s->frameStore, 0);
  EXPECT_EQ(st[a].w[kStateGlueJel], 5);
  EXPECT_EQ(st[a].w[kStateGlueNode], 9);
  GVSetFrameNodeFlags(s, a, 40, 5, 9);  // no such slot: nothing
}

// ---------------------------------------------------------------------------
// Expansion

TEST(GroupOpsExpand, ScaleOneRestoresTheCapturedDistances) {
  for (float scale : {1.0f, 1.5f}) {
    SCOPED_TRACE(scale);
    PartBlock b(3, 3, 3);
    HAState* s = b.state();
    GVCapturePartShape(s, 1);
    b.beginStep(nullptr);
    // Squash the block to half its height.
    for (int i = 1; i <= s->nodeCount; ++i) s->disp[i][1] = -0.5f * s->pos[i][1];
    const float c[3] = {centreOf(s, 1, 0, true), centreOf(s, 1, 1, true), centreOf(s, 1, 2, true)};
    GVExpandPart(s, 1, scale);
    for (int i = 1; i <= s->nodeCount; ++i) {
      float r[3];
      for (int k = 0; k < 3; ++k) r[k] = s->pos[i][k] + s->disp[i][k] - c[k];
      EXPECT_NEAR(GVVecLength(r), scale * GVVecLength(s->restOffset[i]), 1e-5f) << i;
    }
    const std::vector<float> d = snapshot(s->disp, s->nodeCount);
    GVExpandPart(s, 1, 1e-6f);
    EXPECT_EQ(d, snapshot(s->disp, s->nodeCount));
  }
}

TEST(GroupOpsExpand, KeepsThePartSpinning) {
  PartBlock b(3, 3, 1);
  HAState* s = b.state();
  GVCapturePartShape(s, 1);
  const float c[3] = {1.0f, 1.0f, 0.0f};
  const float w = 0.01f;  // turn per sub-step about z
  b.beginStep(nullptr);
  for (int i = 1; i <= s->nodeCount; ++i) {
    s->disp[i][0] = -w * (s->pos[i][1] - c[1]);
    s->disp[i][1] = w * (s->pos[i][0] - c[0]);
  }
  GVExpandPart(s, 1, 1.0f);
  const int corner = b.at(2, 2, 0);
  // The corner still moves round the centre, not just out along its radius.
  EXPECT_NEAR(s->disp[corner][0], -w, 2e-4f);
  EXPECT_NEAR(s->disp[corner][1], w, 2e-4f);
}

// ---------------------------------------------------------------------------
// Face pressure

TEST(GroupOpsPressure, WindPushesTheWindwardFacesOnly) {
  PartBlock solid(2, 2, 2);
  HAState* s = solid.state();
  const float wind[3] = {6.0f, 0.0f, 0.0f};
  GVApplyFacePressure(s, 1, wind, 100.0f, 0);
  float total[3] = {0, 0, 0};
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) total[k] += s->pressureForce[i][k];
  EXPECT_GT(total[0], 0.0f);
  EXPECT_NEAR(total[1], 0.0f, 1e-6f);
  EXPECT_NEAR(total[2], 0.0f, 1e-6f);
  // Only the -x face (x = 0 nodes) faces the wind.
  for (int i = 1; i <= s->nodeCount; ++i)
    if (s->pos[i][0] > 0.5f) {
      EXPECT_EQ(s->pressureForce[i][0], 0.0f);
    }

  // A short ramp fades it in; half halves it off part 2.
  float faded[3] = {0, 0, 0}, halved[3] = {0, 0, 0};
  GVApplyFacePressure(s, 1, wind, 15.0f, 0);
  for (int i = 1; i <= s->nodeCount; ++i) faded[0] += s->pressureForce[i][0];
  EXPECT_NEAR(faded[0], total[0] * 0.5f, 1e-5f);
  GVApplyFacePressure(s, 1, wind, 100.0f, 1);
  for (int i = 1; i <= s->nodeCount; ++i) halved[0] += s->pressureForce[i][0];
  EXPECT_NEAR(halved[0], total[0] * 0.5f, 1e-5f);
}

// ---------------------------------------------------------------------------
// Replay

TEST(GroupOpsReplay, ReadOnlyStateIsNeverWritten) {
  PartBlock b(2, 2, 2);
  HAState* s = b.state();
  GVFixPartBegin(s, 1, nullptr, nullptr);
  GVCapturePartShape(s, 1);
  b.beginStep(kGravity);
  s->params->mode = 4;
  const std::vector<float> d = snapshot(s->disp, s->nodeCount);
  const float far[3] = {100, 100, 100};
  const float n[3] = {0, 1, 0};
  GVFixPartStep(s, nullptr, 1, nullptr);
  GVFixOriPartStep(s, 1, nullptr);
  EXPECT_EQ(GVConstrainPartToBox(s, 1, kWallsAll, kBox), 0);
  EXPECT_EQ(GVConstrainPartToPlane(s, 1, far, n), 0);
  GVStepPartCentreTo(s, 1, 1, 1, far);
  GVExpandPart(s, 1, 2.0f);
  GVApplyPartRotationDrive(s, 1);
  EXPECT_EQ(d, snapshot(s->disp, s->nodeCount));
}
