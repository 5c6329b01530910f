#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>

#include "jel/chan_data.h"
#include "jel/frame_store.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "records/heap_string.h"

namespace {

struct Removed {
  int calls = 0;
  int32_t id = 0;
};

void OnRemove(HObject**, int32_t id, void* user) {
  auto* r = static_cast<Removed*>(user);
  ++r->calls;
  r->id = id;
}

// A Jel of the given cells, its builder left describing it.
HObject* MakeJel(LatticeBuilder* b, std::initializer_list<std::array<int32_t, 3>> cells, int32_t id = 4) {
  for (auto c : cells) GVGridAddCell(c[0], c[1], c[2], b);
  return GVCreateJelFromBuilder(b, id, 0, 50, nullptr);
}

std::unique_ptr<LatticeBuilder> Grid(int32_t nx, int32_t ny, int32_t nz) {
  LatticeSpec s;
  s.nx = nx;
  s.ny = ny;
  s.nz = nz;
  return std::make_unique<LatticeBuilder>(&s);
}

// The face of the Jel whose corners all lie on the given side (axis, sign) of
// its bounding box.
int32_t FaceOnSide(HObject* jel, int axis, bool high) {
  for (int32_t f = 1; f <= jel->faceCount; ++f) {
    bool all = true;
    for (int k = 0; k < 4; ++k) {
      const float v = jel->pos[jel->faces[f][k]][axis];
      float extreme = jel->pos[1][axis];
      for (int32_t i = 1; i <= jel->nodeCount; ++i)
        extreme = high ? std::max(extreme, jel->pos[i][axis]) : std::min(extreme, jel->pos[i][axis]);
      all = all && v == extreme;
    }
    if (all) return f;
  }
  return 0;
}

bool HasNodeAt(const HObject* jel, float x, float y, float z) {
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    if (std::fabs(jel->pos[i][0] - x) < 1e-5f && std::fabs(jel->pos[i][1] - y) < 1e-5f &&
        std::fabs(jel->pos[i][2] - z) < 1e-5f)
      return true;
  return false;
}

TEST(EditStructure, AddAtEachFaceThenRemoveAgain) {
  struct Case {
    int axis;
    bool high;
  };
  for (Case c : {Case{0, true}, Case{0, false}, Case{1, true}, Case{1, false}, Case{2, true}, Case{2, false}}) {
    auto b = Grid(2, 2, 2);
    HObject* jel = MakeJel(b.get(), {{1, 1, 1}});
    ASSERT_NE(jel, nullptr);
    GVSetString(&jel->name, "cube");
    jel->groupMask = 2 | 16;
    float before[9][3];
    for (int32_t i = 1; i <= 8; ++i) std::memcpy(before[i], jel->pos[i], sizeof before[i]);
    Removed removed;
    jel->removalCB = OnRemove;
    jel->userWord = &removed;
    HObject* cell = jel;
    HObject** handle = &cell;
    jel->handle = handle;

    const int32_t f = FaceOnSide(jel, c.axis, c.high);
    ASSERT_NE(f, 0);
    HObject* grown = GVRebuildJelAtFace(b.get(), jel, 1, f);
    ASSERT_NE(grown, nullptr) << c.axis << c.high;
    EXPECT_EQ(removed.calls, 0);  // the owner puts the new Jel in place
    GVSwapJelInHandle(jel, grown);
    EXPECT_EQ(removed.calls, 1);
    EXPECT_EQ(removed.id, 4);
    EXPECT_EQ(cell, grown);  // the handle follows the new Jel
    EXPECT_EQ(grown->id, 4);
    EXPECT_EQ(grown->nodeCount, 12);
    EXPECT_STREQ(grown->name, "cube");
    EXPECT_EQ(grown->groupMask, 2u | 16u);
    // The old cell stays where it was; the new one lies beyond the face.
    for (int32_t i = 1; i <= 8; ++i) EXPECT_TRUE(HasNodeAt(grown, before[i][0], before[i][1], before[i][2]));
    float beyond[3] = {0.5f, 0.5f, 0.5f};
    beyond[c.axis] = c.high ? 1.5f : -1.5f;
    EXPECT_TRUE(HasNodeAt(grown, beyond[0], beyond[1], beyond[2]));
    // The builder describes the new Jel.
    const int32_t dims[3] = {b->nx, b->ny, b->nz};
    EXPECT_EQ(dims[c.axis], 3);

    // Remove the added cell through its outer face.
    const int32_t g = FaceOnSide(grown, c.axis, c.high);
    ASSERT_NE(g, 0);
    HObject* shrunk = GVRebuildJelAtFace(b.get(), grown, 0, g);
    ASSERT_NE(shrunk, nullptr);
    GVSwapJelInHandle(grown, shrunk);
    EXPECT_EQ(removed.calls, 2);
    EXPECT_EQ(shrunk->nodeCount, 8);
    for (int32_t i = 1; i <= 8; ++i) EXPECT_TRUE(HasNodeAt(shrunk, before[i][0], before[i][1], before[i][2]));
    shrunk->removalCB = nullptr;
    delete shrunk;
  }
}

TEST(EditStructure, FailedRebuildKeepsTheOldJel) {
  auto b = Grid(2, 2, 2);
  HObject* jel = MakeJel(b.get(), {{1, 1, 1}});
  ASSERT_NE(jel, nullptr);
  Removed removed;
  jel->removalCB = OnRemove;
  jel->userWord = &removed;
  // Faces outside 1..count, a missing Jel or builder.
  EXPECT_EQ(GVRebuildJelAtFace(b.get(), jel, 1, 0), nullptr);
  EXPECT_EQ(GVRebuildJelAtFace(b.get(), jel, 1, 7), nullptr);
  EXPECT_EQ(GVRebuildJelAtFace(b.get(), nullptr, 1, 1), nullptr);
  EXPECT_EQ(GVRebuildJelAtFace(nullptr, jel, 1, 1), nullptr);
  // Removing the only cell leaves no Jel to build: the old one stays whole.
  EXPECT_EQ(GVRebuildJelAtFace(b.get(), jel, 0, 1), nullptr);
  EXPECT_EQ(removed.calls, 0);
  EXPECT_EQ(jel->nodeCount, 8);
  EXPECT_EQ(jel->faceCount, 6);
  EXPECT_NE(jel->state, nullptr);
  EXPECT_EQ(b->nx, 2);
  // And the builder still serves the next edit.
  HObject* grown = GVRebuildJelAtFace(b.get(), jel, 1, 1);
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(grown->nodeCount, 12);
  GVSwapJelInHandle(jel, grown);
  EXPECT_EQ(removed.calls, 1);
  grown->removalCB = nullptr;
  delete grown;
}

TEST(EditStructure, UserPartsFollowTheNodes) {
  auto b = Grid(3, 2, 2);
  HObject* jel = MakeJel(b.get(), {{1, 1, 1}, {2, 1, 1}});
  ASSERT_NE(jel, nullptr);
  // Part 6 on the node at the low x, low y, low z corner.
  ASSERT_NE(jel->setNodePart(1, 6, 1), 0u);
  const float corner[3] = {jel->pos[1][0], jel->pos[1][1], jel->pos[1][2]};
  const int32_t f = FaceOnSide(jel, 0, true);
  HObject* grown = GVRebuildJelAtFace(b.get(), jel, 1, f);
  ASSERT_NE(grown, nullptr);
  ASSERT_EQ(grown->nodeCount, 16);
  int with = 0;
  for (int32_t i = 1; i <= grown->nodeCount; ++i) {
    const bool here = std::fabs(grown->pos[i][0] - corner[0]) < 1e-5f &&
                      std::fabs(grown->pos[i][1] - corner[1]) < 1e-5f &&
                      std::fabs(grown->pos[i][2] - corner[2]) < 1e-5f;
    const bool hasPart = (grown->partMask[i] >> 6) & 1u;
    EXPECT_EQ(hasPart, here) << i;
    with += hasPart;
    EXPECT_EQ(grown->partMask[i] & 2u, 2u);  // grid parts are rebuilt
  }
  EXPECT_EQ(with, 1);
  GVSwapJelInHandle(jel, grown);
  delete grown;
}

TEST(EditStructure, OneLayerJelAtAnEdge) {
  auto b = Grid(2, 2, 1);
  HObject* jel = MakeJel(b.get(), {{1, 1, 1}});
  ASSERT_NE(jel, nullptr);
  ASSERT_EQ(jel->nodeCount, 4);
  ASSERT_EQ(GVIsJelFlat(jel), 1);
  ASSERT_GT(jel->edgeCount, 0);
  // The edge along +x from node 1 (low y side): the new cell goes to -y.
  int32_t e = 0;
  for (int32_t k = 1; k <= jel->edgeCount; ++k)
    if (jel->edges[k][0] == 1 && jel->edges[k][1] == jel->neighbour(kNbrPlusX, 1)) e = k;
  ASSERT_NE(e, 0);
  const float x0 = jel->pos[1][0], y0 = jel->pos[1][1];
  HObject* grown = GVRebuildJelAtEdge(b.get(), jel, 1, e);
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(grown->nodeCount, 6);
  EXPECT_EQ(GVIsJelFlat(grown), 1);
  EXPECT_TRUE(HasNodeAt(grown, x0, y0 - 1.0f, 0.0f));
  EXPECT_TRUE(HasNodeAt(grown, x0 + 1.0f, y0 + 1.0f, 0.0f));
  EXPECT_EQ(GVRebuildJelAtEdge(b.get(), grown, 1, grown->edgeCount + 1), nullptr);
  GVSwapJelInHandle(jel, grown);
  delete grown;
}

}  // namespace
