#include "dynamics/glue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dynamics/constraint_cmds.h"
#include "dynamics/motion_commands.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "dynamics/world_services.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "runner_scene.h"

namespace {

// Blocks of 2 x 2 x 2 unit cells: node (x, y, z) of a block is 1 + x + 3 (y + 3 z).
int32_t At(int x, int y, int z) { return 1 + x + 3 * (y + 3 * z); }

class GlueTest : public ::testing::Test {
 protected:
  ~GlueTest() override { GVResetJelList(&world); }
  HObject* Add(int32_t id, float x, float y = 0.0f, float z = 0.0f, float fy = 0.0f) {
    const float corner[3] = {x, y, z};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, id, fy);
    GVAddJel(&world, j);
    return j;
  }
  // Block 1 at x 0..2 and block 2 from x = 2 + gap: their facing nodes lie
  // exactly gap apart.
  void AddFacingPair(float gap) {
    a = Add(1, 0.0f);
    b = Add(2, 2.0f + gap);
  }
  static int32_t LinkJel(const HObject* j, int32_t n) { return j->glueJel[n]; }
  static int32_t LinkNode(const HObject* j, int32_t n) { return j->glueNode[n]; }
  static int32_t StoredLinkJel(const HObject* j, int32_t n) {
    return GVFrameStateRecs(j->frameStore, 0)[n].w[kStateGlueJel];
  }
  static int32_t StoredLinkNode(const HObject* j, int32_t n) {
    return GVFrameStateRecs(j->frameStore, 0)[n].w[kStateGlueNode];
  }
  static int CountLinks(const HObject* j) {
    int n = 0;
    for (int32_t i = 1; i <= j->nodeCount; ++i) n += j->glueJel[i] != 0 || StoredLinkJel(j, i) != 0;
    return n;
  }
  static void InStep(const HObject* j, int32_t n, float out[3]) {
    for (int k = 0; k < 3; ++k) out[k] = j->pos[n][k] + j->disp[n][k];
  }

  HWorld world;
  HObject* a = nullptr;
  HObject* b = nullptr;
};

}  // namespace

TEST_F(GlueTest, NodesCloserThanTheDistanceAreGluedNotThoseExactlyAtIt) {
  AddFacingPair(0.25f);
  EXPECT_EQ(GVGlueSelParts(&world, 1, 2, 1, 1, 0.25f), 0);
  EXPECT_EQ(CountLinks(a) + CountLinks(b), 0);
  EXPECT_NE(GVGlueSelParts(&world, 1, 2, 1, 1, 0.2501f), 0);
  EXPECT_EQ(CountLinks(a), 9);
  EXPECT_EQ(CountLinks(b), 9);
  for (int z = 0; z < 3; ++z)
    for (int y = 0; y < 3; ++y) {
      const int32_t na = At(2, y, z), nb = At(0, y, z);
      EXPECT_EQ(LinkJel(a, na), 2);
      EXPECT_EQ(LinkNode(a, na), nb);
      EXPECT_EQ(LinkJel(b, nb), 1);
      EXPECT_EQ(LinkNode(b, nb), na);
      // The start slot holds them too, so a restart keeps them.
      EXPECT_EQ(StoredLinkJel(a, na), 2);
      EXPECT_EQ(StoredLinkNode(b, nb), na);
    }
}

TEST_F(GlueTest, GroupsOnBothSidesGlueEachPairOnce) {
  AddFacingPair(0.1f);
  EXPECT_NE(GVGlueSelParts(&world, -1, -1, 1, 1, 0.2f), 0);
  EXPECT_EQ(CountLinks(a), 9);
  EXPECT_EQ(CountLinks(b), 9);
  for (int32_t i = 1; i <= a->nodeCount; ++i) {
    if (!a->glueJel[i]) continue;
    const int32_t partner = a->glueNode[i];
    EXPECT_EQ(b->glueJel[partner], 1);
    EXPECT_EQ(b->glueNode[partner], i);
  }
}

TEST_F(GlueTest, OneJelGluesPairsOfItsOwnNodes) {
  HObject* j = Add(1, 0.0f);
  j->partMask[At(0, 0, 0)] |= 1u << 6;
  j->partMask[At(1, 0, 0)] |= 1u << 6;
  EXPECT_EQ(GVGlueSelParts(&world, 1, 1, 1, 1, 0.5f), 0);  // no two nodes that close, none to itself
  EXPECT_EQ(CountLinks(j), 0);
  EXPECT_NE(GVGlueSelParts(&world, 1, 1, 6, 6, 1.5f), 0);
  EXPECT_EQ(CountLinks(j), 2);
  EXPECT_EQ(LinkJel(j, At(0, 0, 0)), 1);
  EXPECT_EQ(LinkNode(j, At(0, 0, 0)), At(1, 0, 0));
  EXPECT_EQ(LinkNode(j, At(1, 0, 0)), At(0, 0, 0));
  EXPECT_EQ(GVGlueNodePair(&world, 1, 1, 3, 3, kGlueMake, 1.0f), 0);
}

TEST_F(GlueTest, PairNeedsBothJelsLiveAndNodesInRange) {
  AddFacingPair(0.0f);
  const int32_t na = At(2, 0, 0), nb = At(0, 0, 0);
  EXPECT_EQ(GVGlueNodePair(&world, 1, 3, na, nb, kGlueMake, 1.0f), 0);
  EXPECT_EQ(GVGlueNodePair(&world, 0, 2, na, nb, kGlueMake, 1.0f), 0);
  EXPECT_EQ(GVGlueNodePair(&world, 1, 2, 0, nb, kGlueMake, 1.0f), 0);
  EXPECT_EQ(GVGlueNodePair(&world, 1, 2, na, 28, kGlueMake, 1.0f), 0);
  EXPECT_EQ(GVGlueNodePair(&world, 1, 2, na, nb, 7, 1.0f), 0);
  delete b->state;
  b->state = nullptr;
  EXPECT_EQ(GVGlueNodePair(&world, 1, 2, na, nb, kGlueMake, 1.0f), 0);
  EXPECT_EQ(CountLinks(a), 0);
}

TEST_F(GlueTest, UnglueWithThresholdZeroRemovesEveryLink) {
  AddFacingPair(0.1f);
  ASSERT_NE(GVGlueSelParts(&world, 1, 2, 1, 1, 0.2f), 0);
  const float far[3] = {30, 0, 0};
  b->state->translatePart(1, kFrameCommitted, kAxesAll, far);
  EXPECT_NE(GVUnglueSelParts(&world, 1, 2, 1, 1, 0.0f), 0);
  EXPECT_EQ(CountLinks(a), 0);
  EXPECT_EQ(CountLinks(b), 0);
  EXPECT_EQ(GVUnglueSelParts(&world, 1, 2, 1, 1, 0.0f), 0);
}

TEST_F(GlueTest, UnglueOnlyWhereThePullReachesTheThreshold) {
  AddFacingPair(0.1f);
  ASSERT_NE(GVGlueSelParts(&world, 1, 2, 1, 1, 0.2f), 0);
  const int32_t na = At(2, 1, 1), nb = At(0, 1, 1);
  // The pull k |D| of the pair, k = mA mB f^2 / (mA + mB).
  const float ma = a->state->mass[na], mb = b->state->mass[nb];
  const float f = float(world.params.subSteps * world.params.fps);
  const float pull = ma * mb * f * f / (ma + mb) * 0.1f;
  ASSERT_GT(pull, 0.0f);
  EXPECT_EQ(GVGlueNodePair(&world, 1, 2, na, nb, kGlueRemove, pull * 1.01f), 0);
  EXPECT_EQ(LinkJel(a, na), 2);
  EXPECT_EQ(GVGlueNodePair(&world, 1, 2, na, nb, kGlueRemove, pull * 0.99f), 1);
  EXPECT_EQ(LinkJel(a, na), 0);
  EXPECT_EQ(LinkJel(b, nb), 0);
  EXPECT_EQ(StoredLinkJel(b, nb), 0);
  EXPECT_EQ(CountLinks(a), 8);  // the others stay
  // The group form with a threshold above every pull removes nothing more.
  EXPECT_EQ(GVUnglueSelParts(&world, -1, -1, 1, 1, pull * 10.0f), 0);
  EXPECT_EQ(CountLinks(a), 8);
}

TEST_F(GlueTest, HalfLinkIsRemovedFromTheSideThatHoldsIt) {
  AddFacingPair(0.0f);
  const int32_t na = At(2, 1, 1), nb = At(0, 1, 1);
  ASSERT_EQ(GVGlueNodePair(&world, 1, 2, na, nb, kGlueMake, 0.1f), 1);
  // The first block's end was lost (as when its node was glued again
  // elsewhere): the second block, later in id order, still finds its link.
  a->glueJel[na] = a->glueNode[na] = 0;
  EXPECT_EQ(GVUnglueSelParts(&world, -1, -1, 1, 1, 0.0f), 1);
  EXPECT_EQ(LinkJel(b, nb), 0);
  EXPECT_EQ(StoredLinkJel(b, nb), 0);
}

TEST_F(GlueTest, ApplyingAPairMeetsAtTheCentreOfMass) {
  AddFacingPair(0.5f);
  const int32_t na = At(2, 0, 0), nb = At(0, 0, 0);  // corner nodes of equal mass
  ASSERT_FLOAT_EQ(a->state->mass[na], b->state->mass[nb]);
  a->disp[na][1] = 0.2f;
  b->disp[nb][2] = -0.4f;
  float pa[3], pb[3];
  InStep(a, na, pa);
  InStep(b, nb, pb);
  ASSERT_EQ(GVApplyGluePair(&world, 1, 2, na, nb), 1);
  float qa[3], qb[3];
  InStep(a, na, qa);
  InStep(b, nb, qb);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(qa[k], 0.5f * (pa[k] + pb[k]), 1e-6f);
    EXPECT_NEAR(qb[k], qa[k], 1e-6f);
  }
  // Unequal masses: the in-step momentum of the pair is kept.
  b->state->mass[nb] *= 3.0f;
  b->disp[nb][0] = 0.3f;
  const float ma = a->state->mass[na], mb = b->state->mass[nb];
  float p0[3];
  for (int k = 0; k < 3; ++k) p0[k] = ma * a->disp[na][k] + mb * b->disp[nb][k];
  ASSERT_EQ(GVApplyGluePair(&world, 1, 2, na, nb), 1);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(ma * a->disp[na][k] + mb * b->disp[nb][k], p0[k], 1e-5f);
}

TEST_F(GlueTest, ApplyingLeavesReplayAndMasslessPairsAlone) {
  AddFacingPair(0.5f);
  const int32_t na = At(2, 0, 0), nb = At(0, 0, 0);
  b->playParams.mode = kWorldReplay;
  EXPECT_EQ(GVApplyGluePair(&world, 1, 2, na, nb), 0);
  EXPECT_EQ(a->disp[na][0], 0.0f);
  EXPECT_EQ(b->disp[nb][0], 0.0f);
  b->playParams.mode = kWorldSimulate;
  a->state->mass[na] = 0.0f;
  b->state->mass[nb] = 0.0f;
  EXPECT_EQ(GVApplyGluePair(&world, 1, 2, na, nb), 0);
  EXPECT_EQ(a->disp[na][0], 0.0f);
  EXPECT_EQ(b->disp[nb][0], 0.0f);
}

TEST_F(GlueTest, SelectionApplyMovesEveryGluedPairOnce) {
  AddFacingPair(0.1f);
  ASSERT_NE(GVGlueSelParts(&world, -1, -1, 1, 1, 0.2f), 0);
  for (int32_t i = 1; i <= b->nodeCount; ++i) b->disp[i][1] = 0.5f;
  GVSelApplyGlue(&world, -1, 1, -1, 1);
  for (int32_t i = 1; i <= a->nodeCount; ++i) {
    float pa[3];
    InStep(a, i, pa);
    if (!a->glueJel[i]) {
      EXPECT_EQ(a->disp[i][1], 0.0f);
      continue;
    }
    float pb[3];
    InStep(b, a->glueNode[i], pb);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(pa[k], pb[k], 1e-6f);
    EXPECT_NEAR(pa[1], a->pos[i][1] + 0.25f, 1e-6f);  // met halfway
  }
  // A link to a Jel that is gone is ignored.
  GVDeleteJelSel(&world, 2);
  GVSelApplyGlue(&world, -1, 1, -1, 1);
  EXPECT_EQ(GVUnglueSelParts(&world, -1, -1, 1, 1, 0.0f), 0);
}

TEST_F(GlueTest, EditorDistanceIsAFifthOfTheSmallestCell) {
  EXPECT_EQ(GVGlueDistanceForSel(&world, -1), 0.0f);
  Add(1, 0.0f);
  const float corner[3] = {5, 0, 0};
  GVAddJel(&world, MakeDropJel(2, 2, 2, 0.5f, corner, 2, 0.0f));
  EXPECT_FLOAT_EQ(GVGlueDistanceForSel(&world, -1), 0.1f);
  EXPECT_FLOAT_EQ(GVGlueDistanceForSel(&world, 1), 0.2f);
  EXPECT_EQ(GVGlueDistanceForSel(&world, 9), 0.0f);
}

// ---------------------------------------------------------------------------
// Glued blocks in a running world

namespace {

struct GlueDriver {
  SceneDriver scene;
  bool glue = true;
};

int32_t GlueFrameCB(void* owner, int32_t selection, void* user) {
  GlueDriver* drv = static_cast<GlueDriver*>(user);
  const int32_t r = SceneFrameCB(owner, selection, &drv->scene);
  if (owner && drv->glue) GVSelApplyGlue(static_cast<HWorld*>(owner), -1, 1, -1, 1);
  return r;
}

int32_t GlueAfterCB(void* owner, int32_t selection, void* user) {
  return SceneAfterCB(owner, selection, &static_cast<GlueDriver*>(user)->scene);
}

class GluedDropTest : public ::testing::TestWithParam<bool> {
 protected:
  GluedDropTest() : saved_(GVWorldServices()) {
    WorldServices sv = saved_;
    GVInstallRunnerServices(&sv);
    GVInstallConstraintServices(&sv);
    GVSetWorldServices(sv);
    world.owner = &world;
    world.callbackUser = &drv;
  }
  ~GluedDropTest() override {
    GVResetJelList(&world);
    GVSetWorldServices(saved_);
  }
  void Advance(int32_t f) { GVAdvanceToFrame(&world, f, GlueFrameCB, GlueAfterCB); }

  HWorld world;
  GlueDriver drv;

 private:
  WorldServices saved_;
};

}  // namespace

// Two blocks that share a face, the second pushed sideways: glued, they fall,
// land and settle as one body; unglued, the second slides away.
TEST_P(GluedDropTest, GluedBlocksStayTogether) {
  const bool glued = GetParam();
  drv.glue = glued;
  const float h = 1.0f;
  const float ca[3] = {-2.0f, 3.0f, -1.0f}, cb[3] = {0.0f, 3.0f, -1.0f};
  HObject* a = MakeDropJel(2, 2, 2, h, ca, 1, -9.81f);
  HObject* b = MakeDropJel(2, 2, 2, h, cb, 2, -9.81f);
  GVAddJel(&world, a);
  GVAddJel(&world, b);
  // Firm blocks, so that the landing squashes them little: the test is about
  // the glue, not the blocks' own give. They need the finer sub-steps.
  MatterProps m;
  m.elasticity = 5.0f;
  m.damping = 2.0f;
  GVSetSelMatter(&world, -1, 0, 1, kMatterElasticity | kMatterDamping, &m);
  GVSetSelMatter(&world, -1, -2, 1, kMatterElasticity | kMatterDamping, &m);
  drv.scene.subSteps = 8;
  Advance(0);
  ASSERT_NE(GVGlueSelParts(&world, 1, 2, 1, 1, GVGlueDistanceForSel(&world, -1)), 0);
  const float push[3] = {0.5f, 0.0f, 0.0f};
  GVSetSelNodeVelocities(&world, 2, kFrameCommitted, push);
  float offset0[3], pa[3], pb[3];
  GVGetSelPosition(&world, 1, 1, kFrameCommitted, kAxesAll, pa, nullptr, nullptr);
  GVGetSelPosition(&world, 1, 2, kFrameCommitted, kAxesAll, pb, nullptr, nullptr);
  for (int k = 0; k < 3; ++k) offset0[k] = pb[k] - pa[k];
  float worstOffset = 0.0f, worstPair = 0.0f;
  for (int f = 1; f <= 90; ++f) {
    Advance(f);
    GVGetSelPosition(&world, 1, 1, kFrameCommitted, kAxesAll, pa, nullptr, nullptr);
    GVGetSelPosition(&world, 1, 2, kFrameCommitted, kAxesAll, pb, nullptr, nullptr);
    for (int k = 0; k < 3; ++k) worstOffset = std::fmax(worstOffset, std::fabs(pb[k] - pa[k] - offset0[k]));
    for (int32_t i = 1; i <= a->nodeCount; ++i) {
      if (!a->glueJel[i]) continue;
      const int32_t j = a->glueNode[i];
      for (int k = 0; k < 3; ++k) worstPair = std::fmax(worstPair, std::fabs(a->pos[i][k] - b->pos[j][k]));
    }
  }
  EXPECT_LT(pa[1], 1.5f);  // they did fall to the floor
  if (glued) {
    EXPECT_LT(worstOffset, 0.05f * h);
    EXPECT_LT(worstPair, 0.05f * h);
  } else {
    EXPECT_GT(worstOffset, 0.5f * h);
  }
}

INSTANTIATE_TEST_SUITE_P(GlueOnOff, GluedDropTest, ::testing::Bool());

// Nodes with several partners within the distance, some in distant cubes of
// the look-up: the selection glue binds exactly what trying every pair in
// node order with GVGlueNodePair binds (the last partner of a node wins).
TEST_F(GlueTest, SelectionGlueMatchesTryingEveryPair) {
  for (float d : {0.3f, 1.1f, 2.5f, 1e7f}) {
    HWorld other;
    std::vector<HObject*> jels;
    for (HWorld* w : {&world, &other}) {
      for (int32_t id : {1, 2}) {
        const float corner[3] = {id == 1 ? 0.0f : 2.05f, 0.0f, 0.0f};
        HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, id, 0.0f);
        for (int32_t n = 1; n <= j->nodeCount; ++n)
          for (int k = 0; k < 3; ++k) j->disp[n][k] = 0.1f * std::sin(1.7f * n + 2.3f * k + id);
        GVAddJel(w, j);
        jels.push_back(j);
      }
    }
    GVGlueSelParts(&world, 1, 2, 1, 1, d);
    for (int32_t i = 1; i <= jels[2]->nodeCount; ++i)
      for (int32_t j = 1; j <= jels[3]->nodeCount; ++j) GVGlueNodePair(&other, 1, 2, i, j, kGlueMake, d);
    for (int k : {0, 1})
      for (int32_t n = 1; n <= jels[k]->nodeCount; ++n) {
        EXPECT_EQ(jels[k]->glueJel[n], jels[k + 2]->glueJel[n]) << "d " << d << " node " << n;
        EXPECT_EQ(jels[k]->glueNode[n], jels[k + 2]->glueNode[n]) << "d " << d << " node " << n;
      }
    EXPECT_GT(CountLinks(jels[0]), 0);
    GVResetJelList(&world);
  }
}
