#include <gtest/gtest.h>

#include <cmath>

#include "jel/contact_grid.h"
#include "jel/live_state.h"
#include "step_block.h"

namespace {

bool HitsHold(const int32_t* hits, int32_t item) {
  if (!hits) return false;
  for (int32_t k = 1; k <= hits[0]; ++k)
    if (hits[k] == item) return true;
  return false;
}

}  // namespace

TEST(LiveStateContacts, FaceGridFindsEveryFaceFromItsCentreAndFromJustOutside) {
  StepBlock b(3, 2, 2, 0.5f);
  HAState* s = b.state();
  for (int32_t i = 1; i <= s->nodeCount; ++i) s->disp[i][1] = 0.05f;  // in-step positions are what count
  s->rebuildContactGrid(0.5f * s->cellSize, 0);
  ASSERT_NE(s->contactGrid->root, nullptr);
  for (int32_t f = 1; f <= s->faceCount; ++f) {
    float c[3] = {0, 0, 0};
    for (int k = 0; k < 4; ++k)
      for (int a = 0; a < 3; ++a) c[a] += 0.25f * (s->pos[s->faces[f][k]][a] + s->disp[s->faces[f][k]][a]);
    for (float out : {0.0f, 0.45f}) {
      float p[3];
      for (int a = 0; a < 3; ++a) p[a] = c[a] + out * s->cellSize * s->faceNormals[f][a];
      int32_t x, y, z;
      ASSERT_TRUE(GVOctreeLocate(s->contactGrid, p, &x, &y, &z)) << f << " " << out;
      EXPECT_TRUE(HitsHold(GVOctreeQuery(s->contactGrid, x, y, z), f)) << f << " " << out;
    }
  }
}

TEST(LiveStateContacts, NodeGridKeysItemsByPartMask) {
  StepBlock b(2, 2, 2);
  HAState* s = b.state();
  s->rebuildContactGrid(0.5f * s->cellSize, 1);
  int32_t x, y, z;
  ASSERT_TRUE(GVOctreeLocate(s->contactGrid, s->pos[1], &x, &y, &z));
  EXPECT_TRUE(HitsHold(GVOctreeQuery(s->contactGrid, x, y, z), static_cast<int32_t>(s->partMask[1])));
}

TEST(LiveStateContacts, CreaseDotsAreTheSmallestCosineToTheNodesFaces) {
  StepBlock b(2, 2, 2);
  HAState* s = b.state();
  b.jel.computeFaceNormals();
  b.jel.computeNodeNormals();
  s->computeNodeCreaseDots();
  const struct {
    int x, y, z;
    float dot;
  } cases[] = {{0, 0, 0, 1.0f / std::sqrt(3.0f)}, {1, 0, 0, 1.0f / std::sqrt(2.0f)}, {1, 1, 0, 1.0f}, {1, 1, 1, 1.0f}};
  for (const auto& c : cases) EXPECT_NEAR(s->nodeCreaseDot[b.at(c.x, c.y, c.z)], c.dot, 1e-5f) << c.x << c.y << c.z;
  // A one-layer lattice has no creases.
  StepBlock flat(3, 3, 0);
  flat.jel.computeFaceNormals();
  flat.jel.computeNodeNormals();
  flat.state()->computeNodeCreaseDots();
  for (int32_t i = 1; i <= flat.state()->nodeCount; ++i) EXPECT_EQ(flat.state()->nodeCreaseDot[i], 1.0f);
}
