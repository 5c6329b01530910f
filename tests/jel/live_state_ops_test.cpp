#include <gtest/gtest.h>

#include <cmath>

#include "jel/live_state.h"
#include "block_lattice.h"

namespace {

// A live 2x2x2-cell block at rest in its natural shape, 4 sub-steps at 30 fps.
struct Live {
  Live() : t(3, 3, 3, 1.0f) {
    s = t.makeState();  // a restore starts with one sub-step
    t.params.subSteps = 4;
    t.params.fps = 30;
    for (int i = 1; i <= t.n; ++i)
      if (t.gx[i] == 2) t.head.partMask[i] |= 1u << 7;  // part 7: the x = 2 layer
  }
  BlockLattice t;
  std::unique_ptr<HAState> s;
};

TEST(LiveStateOps, StepTime) {
  Live l;
  EXPECT_FLOAT_EQ(l.s->stepTime(), 1.0f / 120.0f);
  EXPECT_FLOAT_EQ(l.s->invStepTime(), 120.0f);
  l.t.params.timeStep = 0.01f;
  EXPECT_FLOAT_EQ(l.s->stepTime(), 0.01f);
  EXPECT_FLOAT_EQ(l.s->invStepTime(), 100.0f);
  l.t.params.timeStep = 0.0f;
  l.t.params.fps = 0;
  EXPECT_EQ(l.s->stepTime(), 0.0f);
}

TEST(LiveStateOps, VelocityEditsByFrame) {
  Live l;
  const float dt = 1.0f / 120.0f;
  const float v[3] = {1, 2, 3};
  for (int i = 1; i <= l.t.n; ++i) l.t.head.disp[i][0] = 0.5f;
  // Slot 9 at -4 does nothing; slot 8 at -4 adds v dt.
  l.s->setPartVelocity(1, -4, kAxesAll, v);
  EXPECT_EQ(l.t.head.disp[5][0], 0.5f);
  l.s->addPartVelocity(1, -4, kAxisY, v);
  EXPECT_FLOAT_EQ(l.t.head.disp[5][1], 2.0f * dt);
  // Slot 9 at -3 with zero clears every in-step displacement of part 1.
  const float zero[3] = {0, 0, 0};
  l.s->setPartVelocity(1, -3, kAxesAll, zero);
  for (int i = 1; i <= l.t.n; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(l.t.head.disp[i][k], 0.0f);
  // Committed velocity.
  l.s->setPartVelocity(7, -2, kAxisX, v);
  l.s->addPartVelocity(7, -2, kAxisX, v);
  for (int i = 1; i <= l.t.n; ++i) EXPECT_EQ(l.t.head.vel[i][0], l.t.gx[i] == 2 ? 2.0f : 0.0f);
  // Momentum: committed from vel, in-step from disp / dt.
  float p[3] = {0, 0, 0};
  l.s->getPartMomentum(1, -2, kAxisX, p);
  float m7 = 0;
  l.s->getPartMass(7, -2, &m7);
  EXPECT_NEAR(p[0], 2.0f * m7, 1e-5f);
  l.s->addPartVelocity(1, -3, kAxisZ, v);
  float q[3] = {0, 0, 0};
  l.s->getPartMomentum(1, -3, kAxisZ, q);
  EXPECT_NEAR(q[2], 3.0f * 8.0f, 1e-4f);
}

TEST(LiveStateOps, PositionsAndCentres) {
  Live l;
  const float v[3] = {1, 2, 3};
  l.s->translatePart(1, -2, kAxisX, v);
  l.s->translatePart(1, -3, kAxisY, v);
  float c[3] = {9, 9, 9};
  GVGetGroupCentre(l.s.get(), 1, -2, kAxesAll, c);
  EXPECT_NEAR(c[0], 2.0f, 1e-5f);
  EXPECT_NEAR(c[1], 1.0f, 1e-5f);
  GVGetGroupCentre(l.s.get(), 1, -3, kAxesAll, c);
  EXPECT_NEAR(c[1], 3.0f, 1e-5f);
  GVGetGroupCentre(l.s.get(), 1, -4, kAxesAll, c);  // the displacement alone
  EXPECT_NEAR(c[1], 2.0f, 1e-5f);
  EXPECT_NEAR(c[0], 0.0f, 1e-5f);
  float empty[3] = {9, 9, 9};
  GVGetGroupCentre(l.s.get(), 12, -2, kAxesAll, empty);
  for (float x : empty) EXPECT_EQ(x, 0.0f);

  const float target[3] = {10, 10, 10};
  GVMovePartCentreTo(l.s.get(), 1, -3, target);
  GVGetGroupCentre(l.s.get(), 1, -3, kAxesAll, c);
  for (float x : c) EXPECT_NEAR(x, 10.0f, 1e-4f);

  float p[3] = {0, 0, 0};
  l.s->getNodePosition(1, -3, kAxesAll, p);
  const float moved[3] = {5, 6, 7};
  l.s->setNodePosition(1, -3, kAxisX | kAxisZ, moved);
  float q[3] = {0, 0, 0};
  l.s->getNodePosition(1, -3, kAxesAll, q);
  EXPECT_EQ(q[0], 5.0f);
  EXPECT_EQ(q[1], p[1]);
  EXPECT_EQ(q[2], 7.0f);
  // Frame -2 and replay mode leave the displacement alone.
  const float dispBefore = l.t.head.disp[1][0];
  l.s->setNodePosition(1, -2, kAxesAll, target);
  l.t.params.mode = 4;
  l.s->setNodePosition(1, -3, kAxesAll, target);
  EXPECT_EQ(l.t.head.disp[1][0], dispBefore);
  GVMovePartCentreTo(l.s.get(), 1, -3, moved);
  EXPECT_EQ(l.t.head.disp[1][0], dispBefore);
}

TEST(LiveStateOps, SpinRoundTripsThroughAngularVelocity) {
  Live l;
  const float w[3] = {0.3f, -0.2f, 0.5f};
  GVSetPartAngVelocity(l.s.get(), w);
  float got[3] = {0, 0, 0};
  GVGetPartAngVelocity(l.s.get(), got);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], w[k], 5e-3f) << k;
  // The committed frame: spin the velocities about the centre.
  const float centre[3] = {1, 1, 1};
  l.s->addPartSpin(1, -2, 0, centre, w);  // the axis mask is not used
  float L[3] = {0, 0, 0}, I[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  l.s->getPartAngMomentum(1, -2, kAxesAll, centre, L, I);
  for (int r = 0; r < 3; ++r)
    EXPECT_NEAR(L[r], I[3 * r] * w[0] + I[3 * r + 1] * w[1] + I[3 * r + 2] * w[2], 1e-4f);
  // Linear velocity helpers.
  const float target[3] = {2, 99, -1};
  GVSetPartVelocityXZ(l.s.get(), 1, target);
  float u[3] = {0, 0, 0};
  GVGetPartVelocity(l.s.get(), 1, kAxesAll, u);
  EXPECT_NEAR(u[0], 2.0f, 1e-4f);
  EXPECT_NEAR(u[2], -1.0f, 1e-4f);
  EXPECT_NEAR(u[1], 0.0f, 1e-4f);
}

TEST(LiveStateOps, MatterRangeAndSummary) {
  Live l;
  for (int i = 1; i <= l.t.n; ++i) {
    const bool a = (i % 2) == 0;
    l.s->matter[i].density = a ? 2.0f : 5.0f;
    l.s->matter[i].forceY = a ? -3.0f : 1.0f;
    l.s->matter[i].fRatio = a ? 2.7f : 1.2f;
  }
  MatterProps r;
  r.density = 9e30f;
  r.forceY = 9e30f;
  l.s->getPartMatterRange(1, -2, kMatterDensity | kMatterForceY, &r);
  EXPECT_EQ(r.density, 2.0f);
  EXPECT_EQ(r.forceY, 1.0f);
  MatterProps sum;
  l.s->getPartMatterSummaryAlias(1, -3, kMatterAllFields, &sum);
  EXPECT_EQ(sum.fRatio, 2.0f);
  EXPECT_EQ(sum.density, 2.0f);
  MatterProps none;
  l.s->getPartMatterSummary(12, -2, kMatterAllFields, &none);
  EXPECT_EQ(none.fRatio, 1.0f);
  EXPECT_EQ(none.density, 9e30f);
  EXPECT_EQ(none.elasticity, 0.0f);
  MatterProps untouched;
  untouched.density = 4.0f;
  l.s->getPartMatterRange(1, -1, kMatterDensity, &untouched);  // not a live frame
  EXPECT_EQ(untouched.density, 4.0f);
}

TEST(LiveStateOps, SetPartMatterRederivesOnlyWhenNeeded) {
  Live l;
  const float mass1 = l.s->mass[1];
  MatterProps v;
  v.friction = 0.5f;
  v.density = 4.0f;  // in the record but not in the mask
  l.s->setPartMatter(1, -2, kMatterFriction, &v);
  EXPECT_EQ(l.s->matter[1].friction, 0.5f);
  EXPECT_EQ(l.s->mass[1], mass1);
  l.s->setPartMatter(33, -3, kMatterDensity, &v);
  EXPECT_FLOAT_EQ(l.s->mass[1], 4.0f * mass1);
  v.density = 5000.0f;
  l.s->applyPartMatterAlias(1, -2, kMatterDensity, &v);
  EXPECT_EQ(v.density, 1000.0f);
  EXPECT_EQ(l.s->matter[2].density, 1000.0f);
  // Frames -1 and stored frames do not reach the live matter.
  v.density = 7.0f;
  l.s->setPartMatter(1, -1, kMatterDensity, &v);
  l.s->setPartMatter(1, 0, kMatterDensity, &v);
  EXPECT_EQ(l.s->matter[2].density, 1000.0f);
  // Replay mode refuses apply and node writes.
  l.t.params.mode = 4;
  l.s->applyPartMatter(1, -2, kMatterDensity, &v);
  l.s->setNodeMatterAlias(2, -2, kMatterDensity, &v);
  EXPECT_EQ(l.s->matter[2].density, 1000.0f);
  l.t.params.mode = 0;
  l.s->setNodeMatter(2, -3, kMatterDensity, &v);
  EXPECT_EQ(l.s->matter[2].density, 7.0f);  // no clamp, no re-derivation
  MatterProps out;
  l.s->getNodeMatterAlias(2, -2, kMatterDensity, &out);
  EXPECT_EQ(out.density, 7.0f);
}

TEST(LiveStateOps, FRatioRule) {
  Live l;
  l.s->matter[1].elasticity = 0.0f;
  l.s->matter[1].damping = 0.0f;
  l.s->matter[2].elasticity = 10.0f;
  l.s->matter[3].elasticity = 10.0f;
  l.s->matter[3].bulge = 1.5f;
  l.s->matter[4].damping = 12.0f;
  l.s->updateNodeCoeffs(0);  // a stored frame: nothing
  EXPECT_EQ(l.s->matter[2].fRatio, 1.0f);
  l.t.params.fps = 0;
  l.s->updateNodeCoeffs(-2);
  EXPECT_EQ(l.s->matter[2].fRatio, 1.0f);
  l.t.params.fps = 30;
  l.s->updateNodeCoeffs(-2);
  EXPECT_EQ(l.s->matter[1].fRatio, 1.0f);
  EXPECT_FLOAT_EQ(l.s->matter[2].fRatio, 10.0f);
  EXPECT_NEAR(l.s->matter[3].fRatio, 14.142137f, 1e-4f);
  EXPECT_FLOAT_EQ(l.s->matter[4].fRatio, 12.0f);
}

TEST(LiveStateOps, ScaleNodeMatter) {
  BlockLattice t(2, 2, 2, 0.5f);
  auto s = t.makeState();
  s->matter[1].scaleL = 0.5f;
  s->matter[1].scaleT = 2.0f;
  s->matter[1].forceY = -1.0f;
  s->scaleNodeMatter(1, -2, 6);  // both: elasticity x Sc_T Sc_L / h, forces x Sc_T^2
  EXPECT_FLOAT_EQ(s->matter[1].elasticity, 2.0f);
  EXPECT_FLOAT_EQ(s->matter[1].damping, 2.0f);
  EXPECT_FLOAT_EQ(s->matter[1].forceY, -4.0f);
  EXPECT_EQ(s->matter[1].scaleL, 0.5f);
  EXPECT_EQ(s->matter[1].scaleT, 1.0f);
  s->scaleNodeMatter(1, 0, 6);  // stored frames are the Jel's
  EXPECT_FLOAT_EQ(s->matter[1].elasticity, 2.0f);
}

// The step reads the force, scaleT and flatZ from a copy beside the matter
// records: every setter must leave it equal to them.
TEST(LiveStateOps, MatterSettersKeepTheStepsCopy) {
  Live l;
  MatterProps m;
  m.forceY = -3.0f;
  m.scaleT = 2.0f;
  m.flatZ = 0.5f;
  l.s->setNodeMatter(2, -2, kMatterForceY | kMatterScaleT | kMatterFlatZ, &m);
  EXPECT_EQ(l.s->stepForce[2][1], -3.0f);
  EXPECT_EQ(l.s->stepForce[2][3], 2.0f);
  EXPECT_EQ(l.s->stepFlatZ[2], 0.5f);
  EXPECT_TRUE(l.s->stepMatterCurrent());
  m.forceX = 1.5f;
  l.s->setPartMatter(7, -2, kMatterForceX | kMatterFlatZ, &m);
  EXPECT_TRUE(l.s->stepMatterCurrent());
  l.s->scaleNodeMatter(1, -2, 4);  // forces x Sc_T^2, Sc_T 1
  EXPECT_EQ(l.s->stepForce[2][1], -12.0f);
  EXPECT_EQ(l.s->stepForce[2][3], 1.0f);
  EXPECT_TRUE(l.s->stepMatterCurrent());
}

TEST(LiveStateOps, FaceCentreAndMove) {
  Live l;
  float c[3] = {0, 0, 0};
  l.s->getFaceCentreAlias(1, -2, 1, kAxesAll, c);
  const int32_t* f = l.t.head.faces[1];
  float expected[3] = {0, 0, 0}, m = 0;
  for (int k = 0; k < 4; ++k) {
    m += l.s->mass[f[k]];
    for (int a = 0; a < 3; ++a) expected[a] += l.s->mass[f[k]] * l.t.head.pos[f[k]][a];
  }
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(c[a], expected[a] / m, 1e-5f);
  const float target[3] = {4, 4, 4};
  l.s->moveFaceTo(1, -3, 1, kAxesAll, target);
  l.s->getFaceCentre(1, -3, 1, kAxesAll, c);
  for (float x : c) EXPECT_NEAR(x, 4.0f, 1e-5f);
  float untouched[3] = {7, 7, 7};
  l.s->getFaceCentre(1, -3, l.t.faceCount + 1, kAxesAll, untouched);
  EXPECT_EQ(untouched[0], 7.0f);
}

TEST(LiveStateOps, AccelerationOnlyWhileStepping) {
  Live l;
  const float a[3] = {0, -120.0f * 120.0f, 0};
  GVAddPartAccel(l.s.get(), 1, kAxesAll, a);
  EXPECT_EQ(l.t.head.disp[3][1], 0.0f);
  l.t.params.stepping = 1;
  GVAddPartAccel(l.s.get(), 1, kAxesAll, a);
  EXPECT_NEAR(l.t.head.disp[3][1], -1.0f, 1e-4f);
}

}  // namespace
