#include "dynamics/jel_selection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "runner_scene.h"

namespace {

// Jels with ids 1.. and the group bits given (bit 1 always set unless asked).
class SelectionTest : public ::testing::Test {
 protected:
  ~SelectionTest() override { GVResetJelList(&world); }
  HObject* Add(int32_t id, std::initializer_list<int> groups, float x = 0.0f, bool active = true) {
    const float corner[3] = {x, 1.0f, 0.0f};
    HObject* j = MakeDropJel(1, 1, 1, 1.0f, corner, id, 0.0f);
    for (int g : groups) j->setGroupBit(-g, 1);
    if (!active) j->setGroupBit(-1, 0);
    GVAddJel(&world, j);
    return j;
  }
  HWorld world;
};

TEST_F(SelectionTest, NewGroupIsAboveTheHighestUsed) {
  EXPECT_EQ(GVNewJelGroupSel(&world), -1);  // empty list
  Add(1, {29});
  EXPECT_EQ(GVNewJelGroupSel(&world), -30);
  Add(2, {30});
  EXPECT_EQ(GVNewJelGroupSel(&world), 0);
}

TEST_F(SelectionTest, NewGroupWithoutAnyGroupBit) {
  Add(1, {}, 0.0f, false);
  EXPECT_EQ(GVNewJelGroupSel(&world), -1);
}

TEST_F(SelectionTest, GroupNavigation) {
  EXPECT_EQ(GVNextJelGroupSel(&world, 0, 0), 0);
  Add(1, {3});
  Add(2, {7});
  struct Case {
    int32_t current, wrap, next, prev;
  } cases[] = {
      {0, 0, -1, -7},    // from nothing: the first in each order
      {-1, 0, -3, 0},    // lowest: no lower one without wrap
      {-1, 1, -3, -7},
      {-3, 0, -7, -1},
      {-7, 0, 0, -3},    // highest: no higher one without wrap
      {-7, 1, -1, -3},
      {-5, 0, 0, 0},     // an unused group
      {-5, 1, -1, -7},
      {-40, 1, -1, -7},  // outside the group range
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GVNextJelGroupSel(&world, c.current, c.wrap), c.next) << c.current << " wrap " << c.wrap;
    EXPECT_EQ(GVPrevJelGroupSel(&world, c.current, c.wrap), c.prev) << c.current << " wrap " << c.wrap;
  }
}

TEST_F(SelectionTest, DialogNavigationOverJelsAndGroups) {
  Add(4, {});
  Add(5, {6}, 0.0f, false);  // not active, but its group is used
  Add(6, {});
  // Forward: Jels in list order, then the used groups rising, then round.
  EXPECT_EQ(GVNextJelSel(&world, 0), 4);
  EXPECT_EQ(GVNextJelSel(&world, 4), 6);
  EXPECT_EQ(GVNextJelSel(&world, 6), -1);  // group 1 is the lowest used
  EXPECT_EQ(GVNextJelSel(&world, -1), -6);
  EXPECT_EQ(GVNextJelSel(&world, -6), 4);
  // Backward: the mirror image.
  EXPECT_EQ(GVPrevJelSel(&world, 0), -6);
  EXPECT_EQ(GVPrevJelSel(&world, -6), -1);
  EXPECT_EQ(GVPrevJelSel(&world, -1), 6);
  EXPECT_EQ(GVPrevJelSel(&world, 6), 4);
  EXPECT_EQ(GVPrevJelSel(&world, 4), -6);
}

TEST_F(SelectionTest, DialogNavigationOnAnEmptyWorld) {
  EXPECT_EQ(GVNextJelSel(&world, 0), 0);
  EXPECT_EQ(GVPrevJelSel(&world, 0), 0);
  EXPECT_EQ(GVNextJelSel(&world, -3), 0);
}

TEST_F(SelectionTest, NextJelInSelection) {
  Add(1, {2});
  Add(2, {});
  Add(3, {2});
  EXPECT_EQ(GVNextJelInSel(&world, -2, 0, 0), 1);
  EXPECT_EQ(GVNextJelInSel(&world, -2, 1, 0), 3);
  EXPECT_EQ(GVNextJelInSel(&world, -2, 3, 0), 0);
  EXPECT_EQ(GVNextJelInSel(&world, -2, 3, 1), 1);
  EXPECT_EQ(GVNextJelInSel(&world, -3, 0, 1), 0);
}

TEST_F(SelectionTest, GroupBitRequests) {
  HObject* a = Add(1, {});
  HObject* b = Add(2, {});
  EXPECT_EQ(GVSetJelSelGroupBit(&world, -1, -4, 1), 1);
  EXPECT_TRUE(a->groupMask & (1u << 4));
  EXPECT_TRUE(b->state->groupMask & (1u << 4));
  EXPECT_EQ(GVSetJelSelGroupBit(&world, 1, -4, 2), 0);  // toggled off on Jel 1
  EXPECT_EQ(GVSetJelSelGroupBit(&world, 2, -4, 7), 1);  // read only
  EXPECT_EQ(GVSetJelSelGroupBit(&world, -4, -4, -1), 0);
  EXPECT_FALSE(b->groupMask & (1u << 4));
  EXPECT_EQ(GVSetJelSelGroupBit(&world, -1, -32, 1), 0);
  EXPECT_EQ(GVSetJelSelGroupBit(&world, -1, 0, 1), 0);
  EXPECT_EQ(GVFirstJelSelInGroup(&world, -1, -4), 0);
  GVSetJelSelGroupBit(&world, 2, -9, 1);
  EXPECT_EQ(GVFirstJelSelInGroup(&world, -1, -9), 1);
  EXPECT_EQ(GVFirstJelSelInGroup(&world, 1, -9), 0);
  EXPECT_EQ(GVFirstJelSelInGroup(&world, -1, -33), 0);
}

TEST_F(SelectionTest, PartMaskAndPreviousPart) {
  HObject* a = Add(1, {});
  Add(2, {});
  a->setNodePart(1, 5, 1);
  a->setNodePart(2, 9, 1);
  const uint32_t u = GVJelSelPartMask(&world, -1);
  EXPECT_EQ(u & ~0xEu, (1u << 5) | (1u << 9));
  EXPECT_EQ(GVPrevPartIndex(&world, -1, 9), 5);
  EXPECT_EQ(GVPrevPartIndex(&world, -1, 5), 2);   // every node of a one-cell block is on its surface
  EXPECT_EQ(GVPrevPartIndex(&world, -1, 1), 9);   // nothing below: the highest
  EXPECT_EQ(GVPrevPartIndex(&world, -1, 40), 9);
  EXPECT_EQ(GVPrevPartIndex(&world, 7, 5), 0);
}

TEST_F(SelectionTest, BoundsHoldTheOrigin) {
  float b[6];
  EXPECT_EQ(GVJelSelBounds(&world, -1, b), 0);
  for (float v : b) EXPECT_EQ(v, 0.0f);
  Add(1, {}, 3.0f);  // x 3..4, y 1..2, z 0..1
  EXPECT_EQ(GVJelSelBounds(&world, -1, b), 1);
  const float want[6] = {0, 4, 0, 2, 0, 1};
  for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(b[k], want[k]) << k;
  Add(2, {}, -6.0f);
  GVJelSelBounds(&world, 2, b);
  EXPECT_FLOAT_EQ(b[0], -6.0f);
  EXPECT_FLOAT_EQ(b[1], 0.0f);
}

TEST_F(SelectionTest, CountsAndExtent) {
  Add(1, {3});
  Add(2, {});
  EXPECT_EQ(GVJelSelNodeCount(&world, -1), 16);
  EXPECT_EQ(GVJelSelNodeCount(&world, -3), 8);
  EXPECT_EQ(GVJelSelFaceCount(&world, 1), 6);
  EXPECT_EQ(GVJelSelNodeCount(&world, 0), 0);
  LatticeDims d{};
  EXPECT_EQ(GVJelLatticeExtent(&world, 2, &d), 1);
  EXPECT_FLOAT_EQ(d.cellSize, 1.0f);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(d.maxIndex[k], 2);
    EXPECT_FLOAT_EQ(d.scale[k], 1.0f);
  }
  EXPECT_EQ(GVJelLatticeExtent(&world, 0, &d), 0);
  EXPECT_EQ(GVJelLatticeExtent(&world, 9, &d), 0);
}

TEST_F(SelectionTest, LowestYAndRotation) {
  HObject* a = Add(1, {}, 0.0f);
  HObject* b = Add(2, {}, 3.0f);
  b->pos[1][1] = -2.0f;
  GVSetJelSelLowestY(&world, -1, 0.5f);
  EXPECT_FLOAT_EQ(b->pos[1][1], 0.5f);
  EXPECT_FLOAT_EQ(a->pos[1][1], 3.5f);  // moved with the selection
  GVSetJelSelLowestY(&world, 0, 100.0f);
  EXPECT_FLOAT_EQ(b->pos[1][1], 0.5f);
  // A quarter turn about z through the origin: (x, y) -> (-y, x).
  const float R[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
  const float c[3] = {0, 0, 0};
  const float x = a->pos[2][0], y = a->pos[2][1];
  GVRotateJelSel(&world, 1, c, R);
  EXPECT_NEAR(a->pos[2][0], -y, 1e-6f);
  EXPECT_NEAR(a->pos[2][1], x, 1e-6f);
}

TEST_F(SelectionTest, NearestNodeOverTheSelection) {
  Add(1, {}, 0.0f);
  HObject* b = Add(2, {}, 5.0f);
  const float p[3] = {6.1f, 2.0f, 1.0f};
  float dist = 0.0f;
  int32_t node = 0, jel = 0;
  EXPECT_GT(GVNearestJelNode(&world, -1, p, &dist, &node, &jel), 0);
  EXPECT_EQ(jel, 2);
  EXPECT_NEAR(dist, 0.1f, 1e-5f);
  EXPECT_FLOAT_EQ(b->pos[node][0], 6.0f);
  EXPECT_GT(GVNearestJelNode(&world, 1, p, &dist, &node, &jel), 0);
  EXPECT_EQ(jel, 1);
  EXPECT_NEAR(dist, std::sqrt(5.1f * 5.1f), 1e-4f);
  EXPECT_EQ(GVNearestJelNode(&world, 0, p, &dist, &node, &jel), 0);
}

TEST_F(SelectionTest, TangentsOfTheFirstSelectedJel) {
  Add(1, {}, 0.0f);
  float pos[3], frame[9];
  EXPECT_EQ(GVJelSelNodeTangents(&world, 1, 1, pos, frame), 1);
  EXPECT_NEAR(frame[0], 1.0f, 1e-6f);  // x tangent along x
  EXPECT_EQ(GVJelSelNodeTangents(&world, 5, 1, pos, frame), 0);
}

}  // namespace
