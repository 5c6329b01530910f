#include <gtest/gtest.h>

#include <cmath>

#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/matter.h"
#include "jel/time_step.h"
#include "block_lattice.h"

namespace {

void expectIdentity(const float* m, float tol, const char* what, int i) {
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(m[k], k % 4 == 0 ? 1.0f : 0.0f, tol) << what << " node " << i << " [" << k << "]";
}

TEST(LiveStateFrames, RestoreNaturalGivesRestLinksAndUnitFrames) {
  struct Case {
    int nx, ny, nz;
  };
  const Case cases[] = {{3, 3, 3}, {3, 3, 1}};
  for (const Case& c : cases) {
    const float h = 0.5f;
    BlockLattice t(c.nx, c.ny, c.nz, h);
    t.params.startFrame = 7;
    t.params.subSteps = 3;
    auto s = t.makeState();
    const bool flat = c.nz == 1;
    EXPECT_EQ(t.params.currentFrame, 7);
    EXPECT_EQ(t.params.computedFrame, 7);
    EXPECT_EQ(t.params.subSteps, 1);
    EXPECT_EQ(t.params.subStepIndex, 0);
    for (int i = 1; i <= t.n; ++i) {
      EXPECT_EQ(t.head.pos[i][0], t.gx[i] * h);
      for (int k = 1; k < 7; ++k) {
        const int j = s->links[i][k];
        for (int a = 0; a < 3; ++a) {
          float expected = j ? t.head.pos[j][a] - t.head.pos[i][a] : 0.0f;
          if (flat && k == 6 && a == 2) expected = h;
          EXPECT_EQ(s->restLinks[i][k][a], expected) << i << " slot " << k;
          EXPECT_EQ(s->linkStrain[i][k][a], 0.0f);
        }
      }
      // An undeformed block: every frame is the identity.
      expectIdentity(s->restFrame[i], 1e-5f, "rest", i);
      for (int a = 0; a < 3; ++a) {
        float E[9];
        s->edgeFrameOf(a, i, E);
        expectIdentity(E, 1e-5f, "edge", i);
      }
      float C[9];
      s->cellFrameOf(i, C);
      if (!flat && t.head.cellFlag[i]) expectIdentity(C, 1e-5f, "cell", i);
    }
    expectIdentity(s->restFrame[0], 0.0f, "entry 0", 0);
  }
}

TEST(LiveStateFrames, StoreAndRestoreRoundTrip) {
  BlockLattice t(3, 3, 3, 1.0f, nullptr, 2);
  auto s = t.makeState();
  for (int i = 1; i <= t.n; ++i) {
    t.head.pos[i][0] += 0.1f * i;
    t.head.vel[i][1] = 2.0f * i;
    s->linkStrain[i][2][2] = 0.5f * i;
    s->prevLinkStrain[i][3][0] = -0.25f * i;
    s->restLinks[i][4][1] = 1.0f + i;
    t.head.glueJel[i] = i % 3;
  }
  s->matter[4].friction = 0.75f;
  t.params.currentFrame = 12;
  s->rigidUpdateFrame = 11;
  s->storeFrame(1);
  EXPECT_TRUE(t.flags & 0x10u);
  const JelStateRec* st = GVFrameStateRecs(t.head.frameStore, 1);
  EXPECT_EQ(st[5].w[kStateNbr + 1], t.index(2, 1, 0));  // +x in record order
  EXPECT_EQ(st[5].w[kStateGlueJel], 2);

  s->restoreFrame(0);
  EXPECT_EQ(t.head.pos[9][0], static_cast<float>(t.gx[9]));
  EXPECT_EQ(t.head.vel[9][1], 0.0f);
  EXPECT_EQ(s->matter[4].friction, 0.0f);

  s->restoreFrame(1);
  for (int i = 1; i <= t.n; ++i) {
    EXPECT_FLOAT_EQ(t.head.pos[i][0], t.gx[i] + 0.1f * i);
    EXPECT_EQ(t.head.vel[i][1], 2.0f * i);
    EXPECT_EQ(s->linkStrain[i][2][2], 0.5f * i);
    EXPECT_EQ(s->prevLinkStrain[i][3][0], -0.25f * i);
    EXPECT_EQ(s->restLinks[i][4][1], 1.0f + i);
    EXPECT_EQ(t.head.disp[i][0], 0.0f);
    EXPECT_EQ(t.head.glueJel[i], i % 3);
  }
  EXPECT_EQ(s->matter[4].friction, 0.75f);

  t.params.currentFrame = 30;
  s->storeFrame(2);
  EXPECT_FALSE(t.flags & 0x10u);
}

TEST(LiveStateFrames, FrameOutOfRangeOnlyResetsTheSubSteps) {
  BlockLattice t(2, 2, 2, 1.0f, nullptr, 2);
  auto s = t.makeState();
  t.head.pos[3][0] = 42.0f;
  t.params.subSteps = 5;
  t.params.currentFrame = 9;
  s->restoreFrame(5);
  EXPECT_EQ(t.head.pos[3][0], 42.0f);
  EXPECT_EQ(t.params.subSteps, 1);
  EXPECT_EQ(t.params.currentFrame, 9);
  s->storeFrame(5);  // nothing to write into
  s->storeFrame(-2);
}

TEST(LiveStateFrames, StoringTheNaturalStateMakesTheShapeRest) {
  BlockLattice t(3, 3, 3, 1.0f);
  auto s = t.makeState();
  // Squash the block in z and set it moving.
  for (int i = 1; i <= t.n; ++i) {
    t.head.pos[i][2] *= 0.5f;
    t.head.vel[i][0] = 1.0f;
    s->linkStrain[i][6][2] = 0.3f;
  }
  s->storeFrame(-1);
  s->restoreFrame(-1);
  for (int i = 1; i <= t.n; ++i) {
    EXPECT_EQ(t.head.pos[i][2], 0.5f * t.gz[i]);
    EXPECT_EQ(t.head.vel[i][0], 0.0f);
    EXPECT_EQ(s->linkStrain[i][6][2], 0.0f);
  }
  // The squashed shape is the new rest: its metric along z is 1/4.
  EXPECT_NEAR(s->restMetric[t.index(1, 1, 1)][8], 0.25f, 1e-5f);
  s->restoreFrame(0);
  for (int i = 1; i <= t.n; ++i) {
    EXPECT_EQ(t.head.pos[i][2], 0.5f * t.gz[i]);
    EXPECT_EQ(t.head.vel[i][0], 1.0f);
    if (s->links[i][6]) {
      EXPECT_FLOAT_EQ(s->linkStrain[i][6][2], 0.3f);
    }
  }
}

// Matter made stiffer in the start slot (the initial-state editor writes there)
// must come back with a sub-step ratio that matches it, or the restarted run
// takes too few sub-steps and blows up. A larger ratio set on purpose stays.
TEST(LiveStateFrames, RestoredMatterBringsTheSubStepsItNeeds) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  ASSERT_NE(jel->state, nullptr);
  jel->playParams.fps = 30;
  MatterProps stiff;
  stiff.elasticity = 20.0f;
  jel->setPartMatter(1, 0, kMatterElasticity, &stiff);
  jel->state->restoreFrame(0);
  for (int i = 1; i <= jel->nodeCount; ++i) {
    ASSERT_EQ(jel->state->matter[i].elasticity, 20.0f);
    EXPECT_GE(jel->state->matter[i].fRatio, 20.0f) << i;
  }
  EXPECT_GE(GVCalcSubstepsNeeded(jel->state), 20);

  MatterProps eager;
  eager.fRatio = 50.0f;
  jel->setPartMatter(1, 0, kMatterFRatio, &eager);
  jel->state->restoreFrame(0);
  EXPECT_EQ(jel->state->matter[1].fRatio, 50.0f);
}

}  // namespace
