#include "dynamics/motion_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "part_block.h"
#include "runner_scene.h"

namespace {

constexpr float kEps = 1e-4f;

// Part bits of the drop blocks: part 1 every node, part 2 the surface nodes,
// part 3 the inner ones; part 5 is empty.
constexpr int32_t kEmptyPart = 5;

class MotionTest : public ::testing::Test {
 protected:
  ~MotionTest() override { GVResetJelList(&world); }
  // A block of cells^3 unit cells whose lowest corner is at (x, y, z).
  HObject* Add(int32_t id, float x, float y = 0.0f, float z = 0.0f, int cells = 2) {
    const float corner[3] = {x, y, z};
    HObject* j = MakeDropJel(cells, cells, cells, 1.0f, corner, id, 0.0f);
    GVAddJel(&world, j);
    return j;
  }
  // Every float a state could be changed in: live arrays and the start slot.
  static std::vector<float> Snapshot(const HObject* j) {
    std::vector<float> v;
    const JelNodeRec* rec = GVFrameNodeRecs(j->frameStore, 0);
    for (int32_t i = 1; i <= j->nodeCount; ++i)
      for (int k = 0; k < 3; ++k) {
        v.push_back(j->pos[i][k]);
        v.push_back(j->vel[i][k]);
        v.push_back(j->disp[i][k]);
        for (int f = 0; f < 9; ++f) v.push_back(rec[i].f[f]);
      }
    return v;
  }
  static void SetDisp(HObject* j, const float d[3]) {
    for (int32_t i = 1; i <= j->nodeCount; ++i) std::memcpy(j->disp[i], d, sizeof(float) * 3);
  }
  static float MassOf(HObject* j, int32_t part) { return GVGetLivePartMass(j, part); }

  HWorld world;
};

void ExpectVec(const float* got, float x, float y, float z, float tol = kEps) {
  EXPECT_NEAR(got[0], x, tol);
  EXPECT_NEAR(got[1], y, tol);
  EXPECT_NEAR(got[2], z, tol);
}

}  // namespace

// ---------------------------------------------------------------------------
// Position

TEST_F(MotionTest, SelectionMatchingNoJelReadsZeroAndChangesNothing) {
  HObject* a = Add(1, 3.0f, 1.0f, 2.0f);
  const std::vector<float> before = Snapshot(a);
  const float target[3] = {9, 9, 9};
  for (int32_t frame : {-3, -2, -1, 0}) {
    float out[3] = {7, 7, 7};
    GVGetSelPosition(&world, 1, 42, frame, kAxesAll, out, nullptr, nullptr);
    ExpectVec(out, 0, 0, 0);
    GVSetSelPosition(&world, 1, 42, frame, kAxesAll, target, nullptr, nullptr);
    GVSetSelVelocity(&world, 1, 42, frame, kAxesAll, target);
    GVSetSelAngVelocity(&world, 1, 42, frame, kAxesAll, target);
    GVSetSelNodeVelocities(&world, 42, frame, target);
  }
  GVSelApplyForce(&world, 42, 1, kAxesAll, target);
  EXPECT_EQ(Snapshot(a), before);
  // Selection 0 writes nothing at all.
  float untouched[3] = {7, 7, 7};
  GVGetSelPosition(&world, 1, 0, -2, kAxesAll, untouched, nullptr, nullptr);
  GVGetSelVelocity(&world, 1, 0, -2, kAxesAll, untouched);
  GVGetSelAngVelocity(&world, 1, 0, -2, kAxesAll, untouched);
  ExpectVec(untouched, 7, 7, 7);
}

TEST_F(MotionTest, CentreAtEveryFrameKind) {
  HObject* a = Add(1, 3.0f, 1.0f, 2.0f);
  const float d[3] = {0.5f, -0.25f, 1.0f};
  SetDisp(a, d);
  struct Case {
    int32_t frame;
    float x, y, z;
  } cases[] = {
      {-1, 4, 2, 3},                  // rest shape
      {0, 4, 2, 3},                   // start slot
      {-2, 4, 2, 3},                  // committed
      {-3, 4.5f, 1.75f, 4},           // within the step
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame);
    float out[3] = {0, 0, 0};
    GVGetSelPosition(&world, 1, 1, c.frame, kAxesAll, out, nullptr, nullptr);
    ExpectVec(out, c.x, c.y, c.z);
  }
}

TEST_F(MotionTest, GroupCentreIsMassWeighted) {
  HObject* small = Add(1, 0.0f);             // 2^3 cells, centre (1, 1, 1)
  HObject* big = Add(2, 10.0f, 0, 0, 4);     // 4^3 cells, centre (12, 2, 2)
  const float ms = MassOf(small, 1), mb = MassOf(big, 1);
  ASSERT_GT(mb, 7.0f * ms);
  float out[3];
  GVGetSelPosition(&world, 1, -1, -2, kAxesAll, out, nullptr, nullptr);
  ExpectVec(out, (ms * 1 + mb * 12) / (ms + mb), (ms * 1 + mb * 2) / (ms + mb), (ms * 1 + mb * 2) / (ms + mb));
}

TEST_F(MotionTest, CentreInAFrameWritesOnlyTheMaskedAxes) {
  Add(1, 3.0f, 1.0f, 2.0f);  // centre (4, 2, 3)
  const float origin[3] = {1, 1, 1};
  const float quarterZ[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};  // x axis to +y
  float out[3] = {7, 7, 7};
  GVGetSelPosition(&world, 1, 1, -2, kAxisX | kAxisZ, out, origin, quarterZ);
  // (3, 1, 2) from the origin is (1, -3, 2) along the turned axes.
  ExpectVec(out, 1, 7, 2);
  // Setting the frame-relative centre moves it in world coordinates.
  const float target[3] = {2, 0, 0};
  GVSetSelPosition(&world, 1, 1, -2, kAxisX, target, origin, quarterZ);
  GVGetSelPosition(&world, 1, 1, -2, kAxesAll, out, nullptr, nullptr);
  ExpectVec(out, 4, 3, 3);
}

TEST_F(MotionTest, SetPositionReachesTheTargetAtEveryFrameKind) {
  for (int32_t frame : {-1, 0, -2, -3}) {
    SCOPED_TRACE(frame);
    GVResetJelList(&world);
    Add(1, 3.0f, 1.0f, 2.0f);
    const float target[3] = {-2, 5, 0.5f};
    GVSetSelPosition(&world, 1, 1, frame, kAxesAll, target, nullptr, nullptr);
    float out[3];
    GVGetSelPosition(&world, 1, 1, frame, kAxesAll, out, nullptr, nullptr);
    ExpectVec(out, -2, 5, 0.5f);
    // The other frames kept their centre.
    for (int32_t other : {-1, 0, -2}) {
      if (other == frame) continue;
      GVGetSelPosition(&world, 1, 1, other, kAxesAll, out, nullptr, nullptr);
      ExpectVec(out, 4, 2, 3);
    }
  }
}

TEST_F(MotionTest, AxisOutsideTheMaskIsUnchanged) {
  HObject* a = Add(1, 3.0f, 1.0f, 2.0f);
  std::vector<float> y0;
  for (int32_t i = 1; i <= a->nodeCount; ++i) y0.push_back(a->pos[i][1]);
  const float target[3] = {-5, 50, 8};
  GVSetSelPosition(&world, 1, 1, -2, kAxisX | kAxisZ, target, nullptr, nullptr);
  GVSetSelPosition(&world, 1, 1, -3, kAxisX | kAxisZ, target, nullptr, nullptr);
  GVSetSelVelocity(&world, 1, 1, -2, kAxisX | kAxisZ, target);
  for (int32_t i = 1; i <= a->nodeCount; ++i) {
    ASSERT_EQ(a->pos[i][1], y0[i - 1]);
    ASSERT_EQ(a->disp[i][1], 0.0f);
    ASSERT_EQ(a->vel[i][1], 0.0f);
  }
  float out[3];
  GVGetSelPosition(&world, 1, 1, -3, kAxesAll, out, nullptr, nullptr);
  ExpectVec(out, -5, 2, 8);
}

TEST_F(MotionTest, OnlyWholeJelPartsMoveAtStoredFrames) {
  HObject* a = Add(1, 0.0f);
  const std::vector<float> before = Snapshot(a);
  const float target[3] = {5, 5, 5};
  GVSetSelPosition(&world, 2, 1, 0, kAxesAll, target, nullptr, nullptr);
  GVSetSelPosition(&world, 2, 1, -1, kAxesAll, target, nullptr, nullptr);
  EXPECT_EQ(Snapshot(a), before);
  // Within a step part 2 (the surface nodes) moves on its own.
  GVSetSelPosition(&world, 2, 1, -3, kAxesAll, target, nullptr, nullptr);
  float out[3];
  GVGetSelPosition(&world, 2, 1, -3, kAxesAll, out, nullptr, nullptr);
  ExpectVec(out, 5, 5, 5);
  const int32_t centreNode = 1 + 1 + 3 * (1 + 3 * 1);  // the one inner node
  ASSERT_FALSE(a->inPart(centreNode, 2));
  ExpectVec(a->disp[centreNode], 0, 0, 0);
}

TEST_F(MotionTest, ReplayJelsAreReadButNeverChanged) {
  HObject* a = Add(1, 3.0f, 1.0f, 2.0f);
  a->playParams.mode = kWorldReplay;
  a->playParams.stepping = 1;
  const std::vector<float> before = Snapshot(a);
  const float target[3] = {1, 2, 3};
  for (int32_t frame : {-3, -2, -1, 0}) {
    GVSetSelPosition(&world, 1, 1, frame, kAxesAll, target, nullptr, nullptr);
    GVSetSelVelocity(&world, 1, 1, frame, kAxesAll, target);
    GVSetSelAngVelocity(&world, 1, 1, frame, kAxesAll, target);
    GVSetSelNodeVelocities(&world, 1, frame, target);
  }
  GVSelApplyForce(&world, 1, 1, kAxesAll, target);
  EXPECT_EQ(Snapshot(a), before);
  float out[3];
  GVGetSelPosition(&world, 1, 1, -2, kAxesAll, out, nullptr, nullptr);
  ExpectVec(out, 4, 2, 3);
}

TEST_F(MotionTest, JelWithoutLiveStateIsSkippedInStep) {
  HObject* a = Add(1, 0.0f);
  Add(2, 10.0f);
  delete a->state;
  a->state = nullptr;
  float out[3];
  GVGetSelPosition(&world, 1, -1, -3, kAxesAll, out, nullptr, nullptr);
  ExpectVec(out, 11, 1, 1);  // only the second block answers
  const float target[3] = {0, 0, 0};
  GVSetSelVelocity(&world, 1, -1, -3, kAxesAll, target);
  GVSetSelAngVelocity(&world, 1, -1, -3, kAxesAll, target);
  GVSelApplyForce(&world, -1, 1, kAxesAll, target);
  GVSetSelPosition(&world, 1, -1, -3, kAxesAll, target, nullptr, nullptr);
  GVGetSelPosition(&world, 1, 2, -3, kAxesAll, out, nullptr, nullptr);
  ExpectVec(out, 0, 0, 0);
}

// ---------------------------------------------------------------------------
// Velocity and spin

TEST_F(MotionTest, SetVelocityThenReadItBack) {
  for (int32_t frame : {-2, -3, 0}) {
    SCOPED_TRACE(frame);
    GVResetJelList(&world);
    HObject* a = Add(1, 0.0f);
    Add(2, 5.0f);
    a->vel[1][0] = 3.0f;  // a mean to be corrected, not overwritten
    const float target[3] = {1, -2, 0.5f};
    GVSetSelVelocity(&world, 1, -1, frame, kAxesAll, target);
    float out[3] = {0, 0, 0};
    GVGetSelVelocity(&world, 1, -1, frame, kAxesAll, out);
    ExpectVec(out, 1, -2, 0.5f);
  }
}

TEST_F(MotionTest, RestShapeHasNoVelocity) {
  HObject* a = Add(1, 0.0f);
  for (int32_t i = 1; i <= a->nodeCount; ++i) a->vel[i][0] = 4.0f;
  float out[3] = {7, 7, 7};
  GVGetSelVelocity(&world, 1, 1, -1, kAxesAll, out);
  ExpectVec(out, 0, 0, 0);
  GVGetSelVelocity(&world, 1, 1, -2, kAxisX, out);
  ExpectVec(out, 4, 0, 0);
}

TEST_F(MotionTest, NodeVelocitiesAllTakeTheVector) {
  HObject* a = Add(1, 0.0f);
  const float v[3] = {0.5f, 2, -1};
  GVSetSelNodeVelocities(&world, 1, -2, v);
  for (int32_t i = 1; i <= a->nodeCount; ++i) ExpectVec(a->vel[i], 0.5f, 2, -1, 0);
  GVSetSelNodeVelocities(&world, 1, 0, v);
  const JelNodeRec* rec = GVFrameNodeRecs(a->frameStore, 0);
  for (int32_t i = 1; i <= a->nodeCount; ++i) ExpectVec(&rec[i].f[kNodeVel], 0.5f, 2, -1, 0);
}

TEST_F(MotionTest, SpinIsARigidRotationAboutTheCentre) {
  HObject* a = Add(1, 3.0f, 1.0f, 2.0f);  // centre (4, 2, 3)
  const float w[3] = {0.3f, -0.2f, 0.5f};
  GVSetSelAngVelocity(&world, 1, 1, -2, kAxesAll, w);
  float out[3];
  GVGetSelAngVelocity(&world, 1, 1, -2, kAxesAll, out);
  ExpectVec(out, 0.3f, -0.2f, 0.5f);
  // Every node moves as w x r, so the centre does not move.
  for (int32_t i = 1; i <= a->nodeCount; ++i) {
    const float r[3] = {a->pos[i][0] - 4, a->pos[i][1] - 2, a->pos[i][2] - 3};
    ExpectVec(a->vel[i], w[1] * r[2] - w[2] * r[1], w[2] * r[0] - w[0] * r[2], w[0] * r[1] - w[1] * r[0]);
  }
  GVGetSelVelocity(&world, 1, 1, -2, kAxesAll, out);
  ExpectVec(out, 0, 0, 0);
  // Changing only z keeps x and y of the spin.
  const float wz[3] = {9, 9, -1};
  GVSetSelAngVelocity(&world, 1, 1, -2, kAxisZ, wz);
  GVGetSelAngVelocity(&world, 1, 1, -2, kAxesAll, out);
  ExpectVec(out, 0.3f, -0.2f, -1);
}

TEST_F(MotionTest, SpinAtTheStartSlotAndWithinAStep) {
  Add(1, 0.0f);
  const float w[3] = {0, 1.5f, 0};
  GVSetSelAngVelocity(&world, 1, 1, 0, kAxesAll, w);
  float out[3];
  GVGetSelAngVelocity(&world, 1, 1, 0, kAxesAll, out);
  ExpectVec(out, 0, 1.5f, 0);
  GVSetSelAngVelocity(&world, 1, 1, -3, kAxesAll, w);
  GVGetSelAngVelocity(&world, 1, 1, -3, kAxesAll, out);
  ExpectVec(out, 0, 1.5f, 0, 0.05f);  // first order in the step's turn
}

TEST_F(MotionTest, SpinOfAPartWithoutInertiaIsZero) {
  HObject* a = Add(1, 0.0f);
  for (int32_t i = 1; i <= a->nodeCount; ++i) a->vel[i][1] = 2.0f;
  float out[3] = {7, 7, 7};
  GVGetSelAngVelocity(&world, 3, 1, -2, kAxesAll, out);  // one node: no tensor to invert
  ExpectVec(out, 0, 0, 0, 0);
  GVGetSelAngVelocity(&world, kEmptyPart, 1, -2, kAxesAll, out);  // no mass at all
  ExpectVec(out, 0, 0, 0, 0);
  const float w[3] = {1, 1, 1};
  GVSetSelAngVelocity(&world, 3, 1, -2, kAxesAll, w);  // turning about itself moves nothing
  for (int32_t i = 1; i <= a->nodeCount; ++i) ExpectVec(a->vel[i], 0, 2, 0, 0);
}

TEST_F(MotionTest, ForceAddsItsImpulseOnlyWithinASubStep) {
  HObject* a = Add(1, 0.0f);
  const float f[3] = {0, 9, -3};
  GVSelApplyForce(&world, 1, 1, kAxesAll, f);  // outside a sub-step
  for (int32_t i = 1; i <= a->nodeCount; ++i) ExpectVec(a->disp[i], 0, 0, 0, 0);
  a->playParams.stepping = 1;
  GVSelApplyForce(&world, 1, 1, kAxisY, f);
  const float dt = 1.0f / 30.0f;
  for (int32_t i = 1; i <= a->nodeCount; ++i) ExpectVec(a->disp[i], 0, 9 * dt * dt, 0, 1e-7f);
  // Momentum gained in the step: M f dt on the masked axis.
  float v[3];
  GVGetSelVelocity(&world, 1, 1, -3, kAxesAll, v);
  ExpectVec(v, 0, 9 * dt, 0);
}

// ---------------------------------------------------------------------------
// Attraction and distance

TEST_F(MotionTest, AttractionPullsOnlyTheFirstJel) {
  HObject* a = Add(1, 0.0f);
  HObject* b = Add(2, 4.0f, 2.0f);
  world.params.fps = 30;
  world.params.subSteps = 2;
  const std::vector<float> before = Snapshot(b);
  GVAttractJels(&world, 1, 2, 1, 60.0f, 0.0f);
  const float k = 1.0f / (60.0f * 60.0f);
  for (int32_t i = 1; i <= a->nodeCount; ++i) ExpectVec(a->disp[i], 60 * 4 * k, 60 * 2 * k, 0, 1e-6f);
  EXPECT_EQ(Snapshot(b), before);
}

TEST_F(MotionTest, AttractionNeedsTheSameLatticeExtents) {
  HObject* a = Add(1, 0.0f, 0, 0, 2);  // 3 x 3 x 3 nodes
  const float corner[3] = {5, 0, 0};
  PartBlock flat(9, 3, 1, 1.0f, corner, 2);  // 9 x 3 x 1 nodes, the same count
  HObject* b = flat.jel;
  GVAddJel(&world, flat.release());
  ASSERT_EQ(a->nodeCount, b->nodeCount);
  const std::vector<float> before = Snapshot(a);
  GVAttractJels(&world, 1, 2, 1, 100.0f, 1.0f);
  GVAttractJels(&world, 1, 0, 1, 100.0f, 1.0f);
  GVAttractJels(&world, 1, 9, 1, 100.0f, 1.0f);
  EXPECT_EQ(Snapshot(a), before);
}

TEST_F(MotionTest, MutualAttractionOfEqualMassesMeetsAtTheMidpoint) {
  HObject* a = Add(1, 0.0f);
  HObject* b = Add(2, 6.0f, 2.0f, -1.0f);
  world.params.fps = 30;
  world.params.subSteps = 4;
  const float dt = 1.0f / 120.0f;
  // Free flight: the pulls and the damping are the only forces.
  for (int step = 0; step < 2400; ++step) {
    for (HObject* j : {a, b})
      for (int32_t i = 1; i <= j->nodeCount; ++i)
        for (int k = 0; k < 3; ++k) j->disp[i][k] = j->vel[i][k] * dt;
    // Alternate who goes first so that neither side is favoured.
    if (step % 2 == 0) {
      GVAttractJels(&world, 1, 2, 1, 20.0f, 4.0f);
      GVAttractJels(&world, 2, 1, 1, 20.0f, 4.0f);
    } else {
      GVAttractJels(&world, 2, 1, 1, 20.0f, 4.0f);
      GVAttractJels(&world, 1, 2, 1, 20.0f, 4.0f);
    }
    for (HObject* j : {a, b})
      for (int32_t i = 1; i <= j->nodeCount; ++i)
        for (int k = 0; k < 3; ++k) {
          j->vel[i][k] = j->disp[i][k] / dt;
          j->pos[i][k] += j->disp[i][k];
          j->disp[i][k] = 0.0f;
        }
  }
  float ca[3], cb[3];
  GVGetSelPosition(&world, 1, 1, -2, kAxesAll, ca, nullptr, nullptr);
  GVGetSelPosition(&world, 1, 2, -2, kAxesAll, cb, nullptr, nullptr);
  // They started with centres (1, 1, 1) and (7, 3, 0).
  ExpectVec(ca, 4, 2, 0.5f, 0.01f);
  ExpectVec(cb, 4, 2, 0.5f, 0.01f);
}

TEST_F(MotionTest, DistanceOfTwoParts) {
  Add(1, 0.0f);
  Add(2, 3.0f, 4.0f);
  EXPECT_NEAR(GVGetJelDistance(&world, 1, 1, 2, 1), 5.0f, kEps);
  EXPECT_NEAR(GVGetJelDistance(&world, 1, 1, 1, 3), 0.0f, kEps);  // the inner node is the centre
  EXPECT_EQ(GVGetJelDistance(&world, 1, 0, 2, 1), 0.0f);
  EXPECT_EQ(GVGetJelDistance(&world, 1, 1, 7, 1), 0.0f);
  EXPECT_EQ(GVGetJelDistance(&world, 0, 1, 2, 1), 0.0f);
}

TEST_F(MotionTest, SetDistanceWithEqualMassesMovesEachHalf) {
  Add(1, 0.0f);
  Add(2, 3.0f, 4.0f);
  GVSetJelDistance(&world, 1, 1, 2, 1, 10.0f);
  EXPECT_NEAR(GVGetJelDistance(&world, 1, 1, 2, 1), 10.0f, kEps);
  float ca[3], cb[3];
  GVGetSelPosition(&world, 1, 1, -3, kAxesAll, ca, nullptr, nullptr);
  GVGetSelPosition(&world, 1, 2, -3, kAxesAll, cb, nullptr, nullptr);
  // Each moved 2.5 along the line of centres, in opposite directions.
  ExpectVec(ca, 1 - 1.5f, 1 - 2.0f, 1);
  ExpectVec(cb, 4 + 1.5f, 5 + 2.0f, 1);
}

TEST_F(MotionTest, SetDistanceKeepsTheCommonCentreOfMass) {
  HObject* a = Add(1, 0.0f);
  HObject* b = Add(2, 6.0f, 0, 0, 4);
  const float ma = MassOf(a, 1), mb = MassOf(b, 1);
  float before[3], after[3];
  GVGetSelPosition(&world, 1, -1, -3, kAxesAll, before, nullptr, nullptr);
  GVSetJelDistance(&world, 1, 1, 2, 1, 4.0f);
  GVGetSelPosition(&world, 1, -1, -3, kAxesAll, after, nullptr, nullptr);
  ExpectVec(after, before[0], before[1], before[2]);
  EXPECT_NEAR(GVGetJelDistance(&world, 1, 1, 2, 1), 4.0f, kEps);
  // The lighter block made the larger move: mb / ma times the other's.
  const float moveA = std::fabs(a->disp[1][0]), moveB = std::fabs(b->disp[1][0]);
  EXPECT_NEAR(moveA / moveB, mb / ma, 1e-3f);
}

TEST_F(MotionTest, SetDistanceWithoutMassOrDirectionDoesNothing) {
  HObject* a = Add(1, 0.0f);
  HObject* b = Add(2, 3.0f);
  const std::vector<float> sa = Snapshot(a), sb = Snapshot(b);
  GVSetJelDistance(&world, 1, kEmptyPart, 2, kEmptyPart, 9.0f);  // no mass at all
  GVSetJelDistance(&world, 1, 1, 1, 1, 9.0f);                    // one centre: no line
  GVSetJelDistance(&world, 1, 1, 2, 0, 9.0f);
  GVSetJelDistance(&world, 1, 1, 3, 1, 9.0f);
  EXPECT_EQ(Snapshot(a), sa);
  EXPECT_EQ(Snapshot(b), sb);
  // One side massless: the other makes the whole move.
  GVSetJelDistance(&world, 1, kEmptyPart, 2, 1, 2.0f);
  for (int32_t i = 1; i <= b->nodeCount; ++i) ASSERT_TRUE(std::isfinite(b->disp[i][0]));
}
