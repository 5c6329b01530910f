#include "dynamics/selection_ops.h"

#include <gtest/gtest.h>

#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/contact_grid.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "runner_scene.h"

namespace {

class SelectionOpsTest : public ::testing::Test {
 protected:
  ~SelectionOpsTest() override { GVResetJelList(&world); }
  HObject* Add(int32_t id, float x) {
    const float corner[3] = {x, 0.0f, 0.0f};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, id, 0.0f);
    GVAddJel(&world, j);
    return j;
  }
  HWorld world;
};

TEST_F(SelectionOpsTest, SubStepsFollowTheLargestRatioRoundedUp) {
  EXPECT_EQ(GVSubstepsPerFrame(&world), 1);
  HObject* a = Add(1, 0);
  HObject* b = Add(2, 5);
  EXPECT_EQ(GVSubstepsPerFrame(&world), 1);
  b->state->matter[3].fRatio = 2.2f;
  EXPECT_EQ(GVSubstepsPerFrame(&world), 3);
  a->state->matter[1].fRatio = 4.0f;
  EXPECT_EQ(GVSubstepsPerFrame(&world), 4);
  a->setGroupBit(-1, 0);  // no longer active
  EXPECT_EQ(GVSubstepsPerFrame(&world), 3);
}

TEST_F(SelectionOpsTest, RunnerUsesTheJelsNeedWhenLarger) {
  HObject* a = Add(1, 0);
  for (int32_t i = 1; i <= a->nodeCount; ++i) a->state->matter[i].fRatio = 3.0f;
  SceneDriver drv;
  AttachDriver(&world, &drv);
  GVAdvanceToFrame(&world, 1, SceneFrameCB, SceneAfterCB);
  EXPECT_EQ(world.params.subSteps, 3);
  EXPECT_EQ(drv.workInStep, 3);
}

TEST_F(SelectionOpsTest, MatterRangeOfNoJelIsTheDefault) {
  Add(1, 0);
  MatterProps out;
  out.fRatio = 77.0f;
  out.density = 5.0f;
  GVGetSelMatterRange(&world, 9, 1, 0, kMatterFRatio | kMatterDensity, &out);
  EXPECT_EQ(out.fRatio, 1.0f);
  EXPECT_EQ(out.density, 1.0f);
  MatterProps untouched;
  untouched.fRatio = 9.0f;
  GVGetSelMatterRange(&world, 0, 1, 0, kMatterAllFields, &untouched);
  EXPECT_EQ(untouched.fRatio, 9.0f);
}

TEST_F(SelectionOpsTest, MatterRangeRoundsTheRatioUp) {
  HObject* a = Add(1, 0);
  MatterProps v;
  v.fRatio = 2.2f;
  GVSetSelMatter(&world, 1, 0, 1, kMatterFRatio, &v);
  MatterProps out;
  GVGetSelMatterRange(&world, -1, 1, 0, kMatterFRatio, &out);
  EXPECT_EQ(out.fRatio, 3.0f);
  // The live state was not written by a stored-frame write.
  EXPECT_EQ(a->state->matter[1].fRatio, 1.0f);
  GVSetSelMatter(&world, 1, -2, 1, kMatterFRatio, &v);
  EXPECT_FLOAT_EQ(a->state->matter[1].fRatio, 2.2f);
  GVGetSelMatterRange(&world, -1, 1, -2, kMatterFRatio, &out);
  EXPECT_EQ(out.fRatio, 3.0f);
}

TEST_F(SelectionOpsTest, ReplayRefusesMatterWrites) {
  HObject* a = Add(1, 0);
  a->playParams.mode = kWorldReplay;
  MatterProps v;
  v.density = 7.0f;
  GVSetSelMatter(&world, -1, -2, 1, kMatterDensity, &v);
  EXPECT_EQ(a->state->matter[1].density, 1.0f);
}

TEST_F(SelectionOpsTest, GetMatterReadsNodeOneOfTheLastSelectedJel) {
  Add(1, 0);
  HObject* b = Add(2, 5);
  MatterProps v;
  v.friction = 0.5f;
  GVSetSelMatter(&world, 2, 0, 1, kMatterFriction, &v);
  MatterProps out;
  GVGetSelMatter(&world, -1, kMatterFriction, &out);
  EXPECT_FLOAT_EQ(out.friction, 0.5f);
  GVGetSelMatter(&world, 1, kMatterFriction, &out);
  EXPECT_FLOAT_EQ(out.friction, 0.0f);
  (void)b;
}

TEST_F(SelectionOpsTest, PointAtACellCentreStopsAtTheFirstJelHoldingIt) {
  Add(1, 0);
  Add(2, 0);  // the same place
  Add(3, 10);
  GVSelUpdateJelDeform(&world, -1);
  const float p[3] = {0.5f, 0.5f, 0.5f};
  GeoVertBind out;
  EXPECT_EQ(GVLocatePointInJels(&world, -1, p, &out), 1);
  EXPECT_EQ(out.jelId, 1);
  EXPECT_GT(out.cellNode, 0);
  EXPECT_NEAR(out.u, 0.5f, 1e-5f);
  EXPECT_NEAR(out.v, 0.5f, 1e-5f);
  EXPECT_NEAR(out.w, 0.5f, 1e-5f);
  const float q[3] = {11.5f, 1.25f, 0.5f};
  EXPECT_EQ(GVLocatePointInJels(&world, -1, q, &out), 3);
  EXPECT_NEAR(out.v, 0.25f, 1e-5f);
  EXPECT_EQ(GVLocatePointInJels(&world, 0, q, &out), 0);
  EXPECT_EQ(out.jelId, 0);
}

// The face grids of the selected Jels are refilled around where they are
// now, with cells of half the Jel's cell size; the others are left.
TEST_F(SelectionOpsTest, ContactGridRebuildFollowsTheSelection) {
  HObject* a = Add(1, 0);
  HObject* b = Add(2, 5);
  for (HObject* j : {a, b}) GVOctreeSetup(j->state->contactGrid, -1, -1, -1, 1, 1, 1, 2.0f, 1);
  const float shift[3] = {20.0f, 0.0f, 0.0f};
  a->state->translatePart(1, kFrameCommitted, kAxesAll, shift);
  GVSelRebuildContactGrid(&world, 1);
  EXPECT_FLOAT_EQ(a->state->contactGrid->cellSize, 0.5f);
  EXPECT_GT(a->state->contactGrid->maxCorner[0], 20.0f);
  EXPECT_FLOAT_EQ(b->state->contactGrid->cellSize, 2.0f);
  GVSelRebuildContactGrid(&world, 0);  // matches nothing
  EXPECT_FLOAT_EQ(b->state->contactGrid->cellSize, 2.0f);
}

TEST_F(SelectionOpsTest, CoefficientUpdateFollowsTheMatter) {
  HObject* a = Add(1, 0);
  for (int32_t i = 1; i <= a->nodeCount; ++i) a->state->matter[i].elasticity = 50.0f;
  GVSelUpdateNodeCoeffs(&world, -1);
  EXPECT_GT(a->state->matter[1].fRatio, 1.0f);
  EXPECT_GT(GVSubstepsPerFrame(&world), 1);
}

}  // namespace
