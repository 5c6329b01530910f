#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "block_lattice.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/time_step.h"
#include "jel/vector_math.h"
#include "jel/worker_pool.h"
#include "step_block.h"

namespace {

double maxAbsLinkStrain(const HAState* s) {
  double m = 0.0;
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int k = 0; k < 7; ++k)
      for (int c = 0; c < 3; ++c) m = std::max(m, std::fabs(double(s->linkStrain[i][k][c])));
  return m;
}

double maxAbsAccel(const HAState* s) {
  double m = 0.0;
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int c = 0; c < 3; ++c) m = std::max(m, std::fabs(double(s->accel[i][c])));
  return m;
}

bool allFinite(const HAState* s) {
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int c = 0; c < 3; ++c)
      if (!std::isfinite(s->pos[i][c]) || !std::isfinite(s->vel[i][c])) return false;
  return true;
}

void centreOfMass(const HAState* s, double out[3]) {
  double M = 0.0;
  out[0] = out[1] = out[2] = 0.0;
  for (int i = 1; i <= s->nodeCount; ++i) {
    M += s->mass[i];
    for (int c = 0; c < 3; ++c) out[c] += double(s->mass[i]) * s->pos[i][c];
  }
  for (int c = 0; c < 3; ++c) out[c] /= M;
}

// Moves every node by a small seeded random offset, leaving the rest shape.
void jitter(HAState* s, float amount, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-amount, amount);
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int c = 0; c < 3; ++c) s->pos[i][c] += u(rng);
}

}  // namespace

TEST(TimeStep, BlockAtRestInNaturalShapeStaysBitIdentical) {
  struct Case {
    int cx, cy, cz;
    float h;
  } cases[] = {{4, 3, 5, 1.0f}, {4, 4, 0, 1.0f}, {3, 3, 3, 0.37f}};
  for (const Case& c : cases) {
    StepBlock b(c.cx, c.cy, c.cz, c.h);
    HAState* s = b.state();
    ASSERT_NE(s, nullptr);
    const uint64_t before = b.stateHash();
    for (int k = 0; k < 100; ++k) {
      b.subStep();
      for (int i = 1; i <= s->nodeCount; ++i)
        ASSERT_EQ(std::memcmp(s->disp[i], "\0\0\0\0\0\0\0\0\0\0\0\0", sizeof(Vec3f)), 0);
    }
    EXPECT_EQ(b.stateHash(), before) << c.cx << "x" << c.cy << "x" << c.cz;
  }
}

TEST(TimeStep, ExternalForceMovesFreeNodeByForceTimesScaleSquaredTimesStepSquared) {
  const float g = 9.81f;
  struct Case {
    float scaleT;
    float timeStep;  // 0: one frame of 30 per second
    float h;
  } cases[] = {{1.0f, 0.0f, 1.0f / 30.0f}, {2.0f, 0.0f, 1.0f / 30.0f}, {1.0f, 0.01f, 0.01f}};
  for (const Case& c : cases) {
    StepBlock b(3, 3, 3);
    HAState* s = b.state();
    MatterProps m;
    m.forceY = -g;
    m.scaleT = c.scaleT;
    for (int i = 1; i <= s->nodeCount; ++i) s->matter[i] = m;  // scaleT alone would also stiffen
    s->matterChanged();
    s->params->timeStep = c.timeStep;
    const int node = b.at(1, 2, 1);
    const float y0 = s->pos[node][1];
    const float x0 = s->pos[node][0];
    s->computeForces();
    EXPECT_EQ(s->params->stepping, 1);
    s->integrate();
    EXPECT_EQ(s->params->stepping, 0);
    const float expect = -g * c.scaleT * c.scaleT * c.h * c.h;
    EXPECT_NEAR(s->pos[node][1] - y0, expect, 1e-6f * std::fabs(expect) + 1e-6f) << c.scaleT;
    EXPECT_FLOAT_EQ(s->pos[node][0], x0);
    EXPECT_NEAR(s->vel[node][1], expect / c.h, 1e-4f * std::fabs(expect / c.h));
    // The second sub-step carries the velocity: twice as far again.
    const float y1 = s->pos[node][1];
    b.subStep();
    EXPECT_NEAR(s->pos[node][1] - y1, 2.0f * expect, 1e-3f * std::fabs(expect));
  }
}

TEST(TimeStep, RigidTranslationGivesNoStrainAndNoInternalForce) {
  StepBlock b(4, 3, 3);
  HAState* s = b.state();
  s->keepStepVectors = true;
  const float v[3] = {0.3f, -1.7f, 2.25f};
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int c = 0; c < 3; ++c) s->pos[i][c] += v[c];
  s->integrate();
  EXPECT_LT(maxAbsLinkStrain(s), 1e-5);
  for (int i = 1; i <= s->nodeCount; ++i) EXPECT_LT(GVVecLength(s->spin[i]), 1e-5f);
  s->computeForces();
  EXPECT_LT(maxAbsAccel(s), 1e-2);
}

TEST(TimeStep, RigidRotationWithRotatedRestShapeGivesNoStrainAndNoInternalForce) {
  StepBlock b(3, 4, 3);
  HAState* s = b.state();
  s->keepStepVectors = true;
  const float axis[3] = {0.3f * 1.0f, 0.3f * 2.0f, 0.3f * -1.5f};
  float R[9];
  GVRotationFromVector(axis, R);
  // Turn positions and every rest link by the same rotation (column form).
  for (int i = 1; i <= s->nodeCount; ++i) {
    float p[3];
    std::memcpy(p, s->pos[i], sizeof p);
    GVMat3MulVec(s->pos[i], R, p);
    for (int k = 0; k < 7; ++k) {
      std::memcpy(p, s->restLinks[i][k], sizeof p);
      GVMat3MulVec(s->restLinks[i][k], R, p);
    }
  }
  s->updateNodeFrames();
  s->integrate();
  EXPECT_LT(maxAbsLinkStrain(s), 1e-5);
  for (int i = 1; i <= s->nodeCount; ++i) EXPECT_LT(GVVecLength(s->spin[i]), 1e-5f);
  s->computeForces();
  EXPECT_LT(maxAbsAccel(s), 1e-2);
}

// The rest shape must turn with the material, in the same sense: a spinning
// block keeps its shape, and its rest links follow the actual links.
TEST(TimeStep, SpinningBlockCoRotatesItsRestShape) {
  for (int flat = 0; flat < 2; ++flat) {
    StepBlock b(4, 4, flat ? 0 : 4);
    HAState* s = b.state();
    const float w[3] = {0.0f, 0.0f, 0.5f};
    for (int i = 1; i <= s->nodeCount; ++i) {
      const float* r = s->pos[i];
      s->vel[i][0] = w[1] * r[2] - w[2] * r[1];
      s->vel[i][1] = w[2] * r[0] - w[0] * r[2];
      s->vel[i][2] = w[0] * r[1] - w[1] * r[0];
    }
    double worst = 0.0;
    for (int k = 0; k < 240; ++k) {  // eight seconds, four radians
      b.subStep();
      ASSERT_TRUE(allFinite(s));
      worst = std::max(worst, maxAbsLinkStrain(s));
    }
    // A rest shape turning the wrong way or not at all strains it by whole cells.
    EXPECT_LT(worst, 0.02) << "flat " << flat;
    for (int i = 1; i <= s->nodeCount; ++i)
      for (int k = 1; k < 7; ++k) {
        const int j = s->links[i][k];
        if (!j) continue;
        float actual[3];
        GVVecSub(actual, s->pos[j], s->pos[i]);
        float diff[3];
        GVVecSub(diff, actual, s->restLinks[i][k]);
        ASSERT_LT(GVVecLength(diff), 0.02f) << "node " << i << " slot " << k << " flat " << flat;
      }
    // The block has turned about four radians: node 1's offset from the centre
    // shows it, and the angular speed is about what it was.
    double com[3];
    centreOfMass(s, com);
    const float r1[3] = {float(s->pos[1][0] - com[0]), float(s->pos[1][1] - com[1]), 0.0f};
    const float turned = std::atan2(r1[1], r1[0]) - std::atan2(-2.0f, -2.0f);
    const float expected = std::remainder(4.0f, 2.0f * float(M_PI));
    EXPECT_NEAR(std::remainder(turned - expected, 2.0f * float(M_PI)), 0.0f, 0.05f);
  }
}

TEST(TimeStep, MomentumCorrectionLeavesNoNetInternalMomentum) {
  for (int withPart1 = 0; withPart1 < 2; ++withPart1) {
    StepBlock b(4, 3, 3);
    HAState* s = b.state();
    if (!withPart1)
      for (int i = 1; i <= s->nodeCount; ++i) s->partMask[i] &= ~2u;
    jitter(s, 0.08f, 7);
    s->integrate();  // strains of the jittered shape
    s->computeForces();
    double com[3];
    centreOfMass(s, com);
    double p[3] = {0, 0, 0}, l[3] = {0, 0, 0}, scale = 0.0, lscale = 0.0;
    for (int i = 1; i <= s->nodeCount; ++i) {
      const double m = s->mass[i];
      const double r[3] = {s->pos[i][0] - com[0], s->pos[i][1] - com[1], s->pos[i][2] - com[2]};
      const float* d = s->disp[i];
      for (int c = 0; c < 3; ++c) p[c] += m * d[c];
      l[0] += m * (r[1] * d[2] - r[2] * d[1]);
      l[1] += m * (r[2] * d[0] - r[0] * d[2]);
      l[2] += m * (r[0] * d[1] - r[1] * d[0]);
      scale += m * GVVecLength(d);
      lscale += m * GVVecLength(d) * std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    }
    ASSERT_GT(scale, 0.0);
    for (int c = 0; c < 3; ++c) EXPECT_LT(std::fabs(p[c]), 1e-5 * scale) << withPart1;
    const double lNorm = std::sqrt(l[0] * l[0] + l[1] * l[1] + l[2] * l[2]);
    if (withPart1) {
      EXPECT_LT(lNorm, 2e-2 * lscale);
    }
  }
}

TEST(TimeStep, StretchedBlockOscillatesAndSettlesWithBoundedEnergy) {
  for (int flat = 0; flat < 2; ++flat) {
    StepBlock b(5, 4, flat ? 0 : 3);
    HAState* s = b.state();
    for (int i = 1; i <= s->nodeCount; ++i) s->pos[i][0] *= 1.1f;
    double com0[3];
    centreOfMass(s, com0);
    const float width0 = s->pos[b.at(5, 0, 0)][0] - s->pos[b.at(0, 0, 0)][0];
    double peak = 0.0, late = 0.0;
    float minWidth = 1e9f, maxWidth = 0.0f;
    for (int k = 0; k < 1000; ++k) {
      b.subStep();
      ASSERT_TRUE(allFinite(s)) << "sub-step " << k;
      const double e = b.kineticEnergy();
      peak = std::max(peak, e);
      if (k >= 900) late = std::max(late, e);
      const float w = s->pos[b.at(5, 0, 0)][0] - s->pos[b.at(0, 0, 0)][0];
      minWidth = std::min(minWidth, w);
      maxWidth = std::max(maxWidth, w);
    }
    EXPECT_GT(peak, 0.0);
    EXPECT_LT(late, 0.01 * peak) << "flat " << flat;
    // It pulls back towards five cells and never overshoots wildly.
    EXPECT_LT(minWidth, 0.99f * width0);
    EXPECT_GT(minWidth, 4.0f);
    EXPECT_LE(maxWidth, width0 * 1.0001f);
    const float w = s->pos[b.at(5, 0, 0)][0] - s->pos[b.at(0, 0, 0)][0];
    EXPECT_NEAR(w, 5.0f, 0.05f);
    double com[3];
    centreOfMass(s, com);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(com[c], com0[c], 1e-3);
    if (flat) {
      for (int i = 1; i <= s->nodeCount; ++i) ASSERT_EQ(s->pos[i][2], 0.0f);
    }
  }
}

// A free block with no force and no walls keeps its momentum, whether the
// step time comes from the frame rate or from the time-step word; once its
// initial stretch has rung down its kinetic energy does not grow. What is
// left is the rounding of float velocities, well below a millionth.
TEST(TimeStep, FreeBlockKeepsItsMomentumAndGainsNoEnergy) {
  for (float timeStep : {0.0f, 1.0f / 120.0f}) {
    StepBlock b(3, 3, 3);
    HAState* s = b.state();
    s->params->subSteps = 4;
    s->params->timeStep = timeStep;
    for (int i = 1; i <= s->nodeCount; ++i) {
      s->pos[i][0] *= 1.05f;
      const float v[3] = {0.95f, -0.9f, 0.48f};
      for (int c = 0; c < 3; ++c) s->vel[i][c] = v[c];
    }
    auto momentum = [s](double p[3]) {
      p[0] = p[1] = p[2] = 0.0;
      for (int i = 1; i <= s->nodeCount; ++i)
        for (int c = 0; c < 3; ++c) p[c] += double(s->mass[i]) * s->vel[i][c];
    };
    double p0[3], p[3];
    momentum(p0);
    const double size = std::sqrt(p0[0] * p0[0] + p0[1] * p0[1] + p0[2] * p0[2]);
    double settled = 0.0, worst = 0.0, worstE = 0.0;
    for (int k = 0; k < 4000; ++k) {
      b.subStep();
      momentum(p);
      const double d[3] = {p[0] - p0[0], p[1] - p0[1], p[2] - p0[2]};
      worst = std::max(worst, std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) / size);
      const double e = b.kineticEnergy();
      if (k == 2000) settled = e;
      if (k > 2000) worstE = std::max(worstE, e / settled - 1.0);
    }
    EXPECT_LT(worst, 1e-6) << "time-step word " << timeStep;
    EXPECT_LT(worstE, 2e-6) << "time-step word " << timeStep;
  }
}

TEST(TimeStep, SameSceneSteppedTwiceGivesTheSameState) {
  uint64_t hashes[2];
  for (uint64_t& h : hashes) {
    StepBlock b(4, 4, 3);
    HAState* s = b.state();
    MatterProps m;
    m.forceY = -3.0f;
    b.setMatter(m);
    jitter(s, 0.1f, 42);
    for (int k = 0; k < 50; ++k) b.subStep();
    h = b.stateHash();
  }
  EXPECT_EQ(hashes[0], hashes[1]);
}

// The sweeps run 1, 4 or 8 nodes side by side (as far as the processor
// allows), with narrower groups for the nodes left over: every width must give
// the one-node bits. Node counts here are no multiple of 8, the spin turns
// every rest link, and the large jitter sends some groups back to one node at
// a time (turns of half a radian or more).
TEST(TimeStep, EveryLaneWidthGivesTheOneLaneState) {
  struct Case {
    int cx, cy, cz;
    float jitter;
  } cases[] = {{9, 6, 5, 0.1f}, {11, 6, 0, 0.1f}, {6, 5, 4, 0.45f}};
  for (const Case& c : cases) {
    uint64_t one = 0;
    for (int32_t lanes : {1, 4, 8}) {
      if (lanes > GVStepLanesAvailable()) continue;
      StepBlock b(c.cx, c.cy, c.cz);
      HAState* s = b.state();
      s->stepLanes = lanes;
      jitter(s, c.jitter, 7);
      for (int i = 1; i <= s->nodeCount; ++i) {
        s->vel[i][0] = -0.5f * s->pos[i][1];
        s->vel[i][1] = 0.5f * s->pos[i][0];
      }
      for (int k = 0; k < 20; ++k) b.subStep();
      if (lanes == 1) one = b.stateHash();
      EXPECT_EQ(b.stateHash(), one) << lanes << " lanes, " << c.cx << "x" << c.cy << "x" << c.cz;
    }
  }
}

TEST(TimeStep, FlatJelHasNoThroughThicknessStress) {
  StepBlock b(4, 4, 0, 0.5f);
  HAState* s = b.state();
  for (int i = 1; i <= s->nodeCount; ++i) {
    EXPECT_EQ(s->restLinks[i][6][0], 0.0f);
    EXPECT_EQ(s->restLinks[i][6][1], 0.0f);
    EXPECT_EQ(s->restLinks[i][6][2], 0.5f);
  }
  jitter(s, 0.05f, 3);
  s->integrate();
  s->computeForces();
  for (int i = 1; i <= s->nodeCount; ++i) {
    Vec3f cs[3], es[3];
    s->nodeFrameStresses(i, cs, es);
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(cs[2][c], 0.0f);
      EXPECT_EQ(es[2][c], 0.0f);
    }
  }
}

// The node-frame stresses given on demand are the ones the force phase turned
// into world axes (cell frame for the cell, edge frames for the edges).
TEST(TimeStep, NodeFrameStressesAreTheStepsOwn) {
  StepBlock b(5, 4, 3);
  HAState* s = b.state();
  jitter(s, 0.1f, 5);
  s->integrate();
  s->computeForces();
  for (int i = 1; i <= s->nodeCount; ++i) {
    Vec3f cs[3], es[3];
    s->nodeFrameStresses(i, cs, es);
    float world[3][3];
    for (int a = 0; a < 3; ++a)
      for (int r = 0; r < 3; ++r) {
        float EF[9], CF[9];
        s->edgeFrameOf(a, i, EF);
        s->cellFrameOf(i, CF);
        const float* C = CF + 3 * r;
        const float* E = EF + 3 * r;
        world[a][r] = C[0] * cs[a][0] + C[1] * cs[a][1] + C[2] * cs[a][2];
        EXPECT_FLOAT_EQ(s->worldEdgeStress[i][a][r], E[0] * es[a][0] + E[1] * es[a][1] + E[2] * es[a][2]);
      }
    // The cell's rows 0 and 1 are kept as their sum and difference.
    for (int r = 0; r < 3; ++r) {
      const float tol = 1e-6f * (std::fabs(world[0][r]) + std::fabs(world[1][r])) + 1e-30f;
      EXPECT_NEAR(s->worldCellStress[i][0][r], world[0][r] + world[1][r], tol);
      EXPECT_NEAR(s->worldCellStress[i][1][r], world[0][r] - world[1][r], tol);
      EXPECT_FLOAT_EQ(s->worldCellStress[i][2][r], world[2][r]);
    }
  }
}

TEST(TimeStep, TinySpinLeavesRestLinksUntouched) {
  StepBlock b(2, 2, 2);
  HAState* s = b.state();
  std::vector<float> before(&s->restLinks[1][0][0], &s->restLinks[s->nodeCount][6][2] + 1);
  for (int i = 1; i <= s->nodeCount; ++i) {
    s->spin[i][0] = 5e-7f;
    s->spin[i][1] = -3e-7f;
  }
  s->rotateRestLinks();
  EXPECT_EQ(std::memcmp(before.data(), &s->restLinks[1][0][0], before.size() * sizeof(float)), 0);
  s->spin[1][2] = 0.5f;
  s->rotateRestLinks();
  // A quarter-ish turn about +z takes the +x rest link towards +y.
  EXPECT_GT(s->restLinks[1][2][1], 0.4f);
}

TEST(TimeStep, OutsideLifespanOrWithoutStepTimeNothingMoves) {
  struct Case {
    int start, computed, end, subSteps, fps;
  } cases[] = {{5, 3, 0, 1, 30}, {0, 10, 10, 1, 30}, {0, 0, 0, 0, 30}, {0, 0, 0, 1, 0}};
  for (const Case& c : cases) {
    StepBlock b(2, 2, 2);
    HAState* s = b.state();
    MatterProps m;
    m.forceY = -9.8f;
    b.setMatter(m);
    s->params->startFrame = c.start;
    s->params->computedFrame = c.computed;
    s->params->endFrame = c.end;
    s->params->subSteps = c.subSteps;
    s->params->fps = c.fps;
    s->rigidContact = 5;
    const uint64_t before = b.stateHash();
    s->computeForces();
    EXPECT_EQ(s->params->stepping, 1);
    EXPECT_EQ(s->rigidContact, 0);
    s->integrate();
    EXPECT_EQ(s->params->stepping, 0);
    EXPECT_EQ(b.stateHash(), before) << c.start << " " << c.computed << " " << c.end;
  }
}

TEST(TimeStep, SubStepsNeededRoundsTheLargestRatioUp) {
  struct Case {
    float ratio;
    int32_t steps;
  } cases[] = {{0.5f, 1}, {1.0f, 1}, {2.0f, 2}, {2.1f, 3}, {7.99f, 8}, {1000.0f, 1000}, {NAN, 1}, {1e30f, 1000000}};
  for (const Case& c : cases) {
    StepBlock b(2, 1, 1);
    HAState* s = b.state();
    for (int i = 1; i <= s->nodeCount; ++i) s->matter[i].fRatio = 1.0f;
    s->matter[3].fRatio = c.ratio;
    EXPECT_EQ(GVCalcSubstepsNeeded(s), c.steps) << c.ratio;
  }
  EXPECT_EQ(GVCalcSubstepsNeeded(nullptr), 1);
}

// A stored frame may carry strains in slots the lattice has no link for; the
// first step after loading it leaves none in either array.
TEST(TimeStep, LoadedStrainsInUnlinkedSlotsAreGoneAfterAStep) {
  StepBlock b(3, 3, 3);
  HAState* s = b.state();
  jitter(s, 0.1f, 5);
  b.subStep();
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int k = 0; k < 7; ++k)
      if (!s->links[i][k])
        for (int c = 0; c < 3; ++c) s->linkStrain[i][k][c] = s->prevLinkStrain[i][k][c] = 1.0f + c;
  s->storeFrame(-1);
  s->restoreFrame(0);
  b.subStep();
  int left = 0;
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int k = 0; k < 7; ++k)
      for (int c = 0; c < 3; ++c)
        if (!s->links[i][k]) left += s->linkStrain[i][k][c] != 0.0f || s->prevLinkStrain[i][k][c] != 0.0f;
  EXPECT_EQ(left, 0);
}

// The damping reads the edge strains of the step before; after a restore they
// are those of the restored strains, not of the run that went on.
TEST(TimeStep, RestoredRunRepeatsItself) {
  StepBlock b(5, 4, 3);
  HAState* s = b.state();
  jitter(s, 0.1f, 9);
  for (int k = 0; k < 4; ++k) b.subStep();
  s->storeFrame(-1);
  s->restoreFrame(0);
  for (int k = 0; k < 6; ++k) b.subStep();
  const uint64_t first = b.stateHash();
  s->restoreFrame(0);
  for (int k = 0; k < 6; ++k) b.subStep();
  EXPECT_EQ(b.stateHash(), first);
}

TEST(TimeStep, StoreAsNaturalThenRestoreGivesThatShapeAtRest) {
  StepBlock b(3, 3, 3);
  HAState* s = b.state();
  jitter(s, 0.1f, 11);
  s->integrate();
  for (int k = 0; k < 3; ++k) b.subStep();
  std::vector<float> shape(&s->pos[1][0], &s->pos[s->nodeCount][2] + 1);
  std::vector<float> speeds(&s->vel[1][0], &s->vel[s->nodeCount][2] + 1);
  std::vector<float> strains(&s->linkStrain[1][0][0], &s->linkStrain[s->nodeCount][6][2] + 1);
  ASSERT_GT(maxAbsLinkStrain(s), 0.0);
  s->storeFrame(-1);
  b.subStep();
  // Frame 0 holds the stored state as it was: velocities and live strains too.
  s->restoreFrame(0);
  EXPECT_EQ(std::memcmp(shape.data(), &s->pos[1][0], shape.size() * sizeof(float)), 0);
  EXPECT_EQ(std::memcmp(speeds.data(), &s->vel[1][0], speeds.size() * sizeof(float)), 0);
  EXPECT_EQ(std::memcmp(strains.data(), &s->linkStrain[1][0][0], strains.size() * sizeof(float)), 0);
  b.subStep();
  s->restoreFrame(-1);
  EXPECT_EQ(std::memcmp(shape.data(), &s->pos[1][0], shape.size() * sizeof(float)), 0);
  EXPECT_EQ(maxAbsLinkStrain(s), 0.0);
  // The stored shape is now the rest shape: it stays put.
  const uint64_t before = b.stateHash();
  for (int k = 0; k < 20; ++k) b.subStep();
  EXPECT_EQ(b.stateHash(), before);
  // A frame beyond the store only resets the sub-step words.
  s->params->subSteps = 4;
  s->restoreFrame(5);
  EXPECT_EQ(s->params->subSteps, 1);
  EXPECT_EQ(b.stateHash(), before);
}

TEST(TimeStep, RestLinkRotationMatchesTheRotationOfItsSpinVector) {
  const float spins[][3] = {{1e-5f, 0, 0}, {0.02f, -0.01f, 0.005f}, {0.2f, 0.3f, -0.1f},
                            {0.0f, 0.0f, 0.4999f}, {0.3f, 0.3f, 0.3f}, {1.5f, -0.7f, 0.2f}};
  for (const auto& w : spins) {
    StepBlock b(2, 2, 2);
    HAState* s = b.state();
    const int node = b.at(1, 1, 1);  // every link present
    std::vector<float> before(&s->restLinks[node][0][0], &s->restLinks[node][6][2] + 1);
    for (int i = 1; i <= s->nodeCount; ++i) std::memset(s->spin[i], 0, sizeof(Vec3f));
    std::memcpy(s->spin[node], w, sizeof(Vec3f));
    s->rotateRestLinks();
    float R[9];
    GVRotationFromVector(w, R);  // column form
    for (int k = 0; k < 7; ++k) {
      float expect[3];
      GVMat3MulVec(expect, R, &before[3 * k]);
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(s->restLinks[node][k][c], expect[c], 1e-6f) << w[0] << " slot " << k;
    }
  }
}

// The commit phase rebuilds the rest frames in its own sweep; they must be
// what the frame rebuild used by the restores gives.
TEST(TimeStep, CommitLeavesTheSameNodeFramesAsAFullFrameRebuild) {
  for (int flat = 0; flat < 2; ++flat) {
    StepBlock b(4, 3, flat ? 0 : 3);
    HAState* s = b.state();
    jitter(s, 0.1f, 5);
    for (int i = 1; i <= s->nodeCount; ++i) s->vel[i][2] = 0.3f * s->pos[i][0];
    for (int k = 0; k < 5; ++k) b.subStep();
    const size_t bytes = sizeof(Mat3f) * (s->nodeCount + 1);
    const std::vector<char> kept(reinterpret_cast<char*>(s->restFrame), reinterpret_cast<char*>(s->restFrame) + bytes);
    s->updateNodeFrames();
    EXPECT_EQ(std::memcmp(kept.data(), s->restFrame, bytes), 0) << "flat " << flat;
  }
}

TEST(TimeStep, ForcePhaseKeepsFrameStartAndClearsPerStepWords) {
  StepBlock b(2, 2, 2);
  HAState* s = b.state();
  for (int i = 1; i <= s->nodeCount; ++i) {
    s->vel[i][0] = 1.0f;
    s->contactFlags[i] = 7;
    s->contactAux[i] = 3;
    s->reactionAccum[i][1] = 2.0f;
  }
  s->params->subStepIndex = 1;
  const float x0 = s->pos[5][0];
  b.subStep();
  EXPECT_EQ(s->stepStartPos[5][0], x0);
  for (int i = 1; i <= s->nodeCount; ++i) {
    EXPECT_EQ(s->contactFlags[i], 0u);
    EXPECT_EQ(s->contactAux[i], 0);
    EXPECT_EQ(s->reactionAccum[i][1], 0.0f);
  }
  // Later sub-steps of the frame keep the frame's start position.
  s->params->subStepIndex = 2;
  b.subStep();
  EXPECT_EQ(s->stepStartPos[5][0], x0);
  EXPECT_GT(s->pos[5][0], x0);
}

// A Jel with holes and ragged borders (a ball with a tunnel through it): on
// one thread its sweeps follow one another and keep the world stresses in
// rings; on a pool each runs whole. Both, at every lane width, give the state
// of one node at a time.
TEST(TimeStep, HollowJelGivesTheSameStateOnEveryPathAndWidth) {
  const int c = 9;
  auto solid = [](int x, int y, int z) {
    const int dx = 2 * x - 17, dy = 2 * y - 17, dz = 2 * z - 17;
    const bool tunnel = dx * dx + dy * dy < 20;
    return dx * dx + dy * dy + dz * dz < 290 && !tunnel;
  };
  std::vector<float> one;
  for (int32_t threads : {1, 3})
    for (int32_t lanes : {1, 4, 8}) {
      if (lanes > GVStepLanesAvailable()) continue;
      auto jel = makeBlockJel(2 * c, 2 * c, 2 * c, 0.5f, solid);
      HAState* s = jel->state;
      WorkerPool pool(threads);
      s->workers = threads > 1 ? &pool : nullptr;
      s->stepLanes = lanes;
      jitter(s, 0.05f, 3);
      for (int i = 1; i <= s->nodeCount; ++i) s->vel[i][0] = -0.5f * s->pos[i][1];
      for (int k = 0; k < 12; ++k) {
        s->computeForces();
        s->integrate();
      }
      s->workers = nullptr;
      std::vector<float> state(&s->pos[1][0], &s->pos[s->nodeCount][2] + 1);
      state.insert(state.end(), &s->vel[1][0], &s->vel[s->nodeCount][2] + 1);
      if (one.empty()) {
        one = state;
        EXPECT_GT(s->stressRingNodes, 0);
      }
      EXPECT_TRUE(state == one) << threads << " threads, " << lanes << " lanes";
    }
}

// A Jel too large for a shared cache (over 65,536 nodes, no multiple of 512)
// runs its rest frames on a pool in one range of chunks a thread, uneven for 3
// and 5 threads, the edge strains at each range's end formed last. With one
// face pushed in every sub-step, as a wall pushes it, every pool gives the
// one-thread state.
TEST(TimeStep, LargeJelOnAPoolGivesTheOneThreadState) {
  uint64_t one = 0;
  for (int32_t threads : {1, 3, 5}) {
    StepBlock b(41, 41, 40);
    HAState* s = b.state();
    ASSERT_TRUE(s->nodeCount > 65536 && s->nodeCount % 512 != 0);
    WorkerPool pool(threads);
    s->workers = threads > 1 ? &pool : nullptr;
    jitter(s, 0.05f, 11);
    for (int i = 1; i <= s->nodeCount; ++i) s->vel[i][0] = -0.5f * s->pos[i][1];
    for (int k = 0; k < 3; ++k) {
      s->computeForces();
      for (int z = 0; z < b.nz; ++z)
        for (int y = 0; y < b.ny; ++y) s->disp[b.at(0, y, z)][0] += 0.01f;
      s->integrate();
    }
    s->workers = nullptr;
    if (threads == 1) one = b.stateHash();
    EXPECT_EQ(b.stateHash(), one) << threads << " threads";
  }
}
