#include "jel/jel_from_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "jel/chan_data.h"
#include "jel/deformation_map.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

namespace {

std::unique_ptr<LatticeBuilder> Grid(int32_t nx, int32_t ny, int32_t nz, float h = 1.0f) {
  LatticeSpec s;
  s.cellSize = h;
  s.nx = nx;
  s.ny = ny;
  s.nz = nz;
  return std::make_unique<LatticeBuilder>(&s);
}

const JelStateRec* States(const HObject* jel) { return GVFrameStateRecs(jel->frameStore, 0); }
const JelNodeRec* Nodes(const HObject* jel) { return GVFrameNodeRecs(jel->frameStore, 0); }

int32_t NodeAt(const HObject* jel, int32_t x, int32_t y, int32_t z) {
  const JelStateRec* st = States(jel);
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    if (st[i].w[kStateGridX] == x && st[i].w[kStateGridX + 1] == y && st[i].w[kStateGridX + 2] == z) return i;
  return 0;
}

TEST(JelFromBuilder, SingleCellNumbersXFastestOnTheSurface) {
  auto b = Grid(2, 2, 2, 2.0f);
  GVGridAddCell(1, 1, 1, b.get());
  MatterProps m;
  m.density = 3.0f;
  HObject* jel = GVCreateJelFromBuilder(b.get(), 5, 0, 100, &m);
  ASSERT_NE(jel, nullptr);
  EXPECT_EQ(jel->id, 5);
  ASSERT_EQ(jel->nodeCount, 8);
  EXPECT_EQ(jel->cellSize, 2.0f);
  const JelStateRec* st = States(jel);
  const JelNodeRec* nr = Nodes(jel);
  for (int32_t k = 1; k <= 8; ++k) {
    const int32_t x = (k - 1) % 2 + 1, y = (k - 1) / 2 % 2 + 1, z = (k - 1) / 4 + 1;
    EXPECT_EQ(st[k].w[kStateGridX], x);
    EXPECT_EQ(st[k].w[kStateGridX + 1], y);
    EXPECT_EQ(st[k].w[kStateGridX + 2], z);
    EXPECT_EQ(jel->partMask[k], 2u | 4u) << k;
    EXPECT_EQ(jel->nodeKind[k], 2);
    // Centred on the origin, one cell of size 2.
    EXPECT_FLOAT_EQ(nr[k].f[0], x == 1 ? -1.0f : 1.0f);
    EXPECT_FLOAT_EQ(nr[k].f[3 + 2], z == 1 ? -1.0f : 1.0f);
  }
  EXPECT_EQ(st[1].w[kStateCellFlag], 1);
  EXPECT_EQ(st[2].w[kStateCellFlag], 0);
  EXPECT_EQ(st[1].w[kStateNbr + 1], 2);  // +x
  EXPECT_EQ(st[1].w[kStateNbr + 3], 3);  // +y
  EXPECT_EQ(st[1].w[kStateNbr + 5], 5);  // +z
  EXPECT_EQ(st[8].w[kStateNbr + 0], 7);  // -x
  EXPECT_EQ(jel->faceCount, 6);
  EXPECT_EQ(jel->edgeCount, 12);
  EXPECT_EQ(jel->partMask[0], 0u);
  ASSERT_NE(jel->state, nullptr);
  EXPECT_EQ(jel->flags & kJelNoLiveState, 0u);
  // The matter went to every node, with its F-Ratio from the cell size.
  const MatterProps* mp = GVFrameMatter(jel->frameStore, 0);
  for (int32_t k = 1; k <= 8; ++k) EXPECT_EQ(mp[k].density, 3.0f);
  EXPECT_EQ(mp[1].fRatio, m.fRatio);
  EXPECT_GE(m.fRatio, 1.0f);
  // The builder now describes the Jel's lattice.
  EXPECT_EQ(b->nx, 2);
  EXPECT_EQ(b->nz, 2);
  delete jel;
}

TEST(JelFromBuilder, BlockInteriorAndEdgeContacts) {
  auto b = Grid(3, 3, 3);
  GVGridFillAll(b.get());
  HObject* jel = GVCreateJelFromBuilder(b.get(), 1, 0, 10, nullptr);
  ASSERT_NE(jel, nullptr);
  ASSERT_EQ(jel->nodeCount, 27);
  for (int32_t k = 1; k <= 27; ++k) {
    const bool centre = k == 14;
    EXPECT_EQ(jel->partMask[k], centre ? (2u | 8u) : (2u | 4u)) << k;
    EXPECT_EQ(jel->nodeKind[k], centre ? 0 : 2);
  }
  delete jel;

  // Two cells touching along an edge share its two nodes, linked along it.
  auto e = Grid(3, 3, 2);
  GVGridAddCell(1, 1, 1, e.get());
  GVGridAddCell(2, 2, 1, e.get());
  jel = GVCreateJelFromBuilder(e.get(), 1, 0, 10, nullptr);
  ASSERT_NE(jel, nullptr);
  EXPECT_EQ(jel->nodeCount, 14);
  const int32_t lo = NodeAt(jel, 2, 2, 1), hi = NodeAt(jel, 2, 2, 2);
  ASSERT_NE(lo, 0);
  EXPECT_EQ(States(jel)[lo].w[kStateNbr + 5], hi);
  EXPECT_EQ(States(jel)[hi].w[kStateNbr + 4], lo);
  EXPECT_EQ(NodeAt(jel, 3, 1, 1), 0);
  delete jel;

  // Two cells a cell apart: the facing points carry nodes but no cell holds
  // the edge between them.
  auto g = Grid(4, 2, 2);
  GVGridAddCell(1, 1, 1, g.get());
  GVGridAddCell(3, 1, 1, g.get());
  jel = GVCreateJelFromBuilder(g.get(), 1, 0, 10, nullptr);
  ASSERT_NE(jel, nullptr);
  ASSERT_EQ(jel->nodeCount, 16);
  const int32_t left = NodeAt(jel, 2, 1, 1), right = NodeAt(jel, 3, 1, 1);
  EXPECT_EQ(States(jel)[left].w[kStateNbr + 1], 0);
  EXPECT_EQ(States(jel)[right].w[kStateNbr + 0], 0);
  EXPECT_EQ(States(jel)[left].w[kStateNbr + 0], NodeAt(jel, 1, 1, 1));
  delete jel;
}

TEST(JelFromBuilder, EmptyGridMakesNoJel) {
  auto b = Grid(3, 3, 3);
  EXPECT_EQ(GVCreateJelFromBuilder(b.get(), 1, 0, 10, nullptr), nullptr);
  GVGridAddCell(1, 1, 1, b.get());
  EXPECT_EQ(GVCreateJelFromBuilder(b.get(), 0, 0, 10, nullptr), nullptr);   // id below 1
  EXPECT_EQ(GVCreateJelFromBuilder(b.get(), 1, -1, 10, nullptr), nullptr);  // negative count
}

TEST(JelFromBuilder, OneLayerGrid) {
  auto b = Grid(3, 2, 1);
  GVGridFillAll(b.get());
  HObject* jel = GVCreateJelFromBuilder(b.get(), 2, 0, 10, nullptr);
  ASSERT_NE(jel, nullptr);
  ASSERT_EQ(jel->nodeCount, 6);
  EXPECT_EQ(GVIsJelFlat(jel), 1);
  for (int32_t k = 1; k <= 6; ++k) {
    EXPECT_EQ(States(jel)[k].w[kStateNbr + 4], 0);
    EXPECT_EQ(States(jel)[k].w[kStateNbr + 5], 0);
    EXPECT_EQ(Nodes(jel)[k].f[2], 0.0f);
  }
  delete jel;
}

TEST(JelFromBuilder, OriginMeanAndTranslation) {
  auto b = Grid(4, 2, 2, 0.5f);
  GVGridAddCell(2, 1, 1, b.get());
  GVGridAddCell(3, 1, 1, b.get());
  HObject* jel = GVCreateJelFromBuilder(b.get(), 1, 0, 10, nullptr);
  ASSERT_NE(jel, nullptr);
  float o[3], mean[3];
  GVJelGridOrigin(jel, o);
  // Node 1 is grid point (2, 1, 1) of a 4-point grid, normalised to index 1.
  EXPECT_FLOAT_EQ(o[0], -0.25f);
  EXPECT_FLOAT_EQ(o[1], -0.25f);
  GVJelMeanPosition(jel, mean);
  EXPECT_NEAR(mean[0], 0.25f, 1e-6f);  // points at -0.25, 0.25 and 0.75
  const float target[3] = {1.0f, 2.0f, 3.0f};
  GVTranslateJel(target, jel);
  GVJelMeanPosition(jel, mean);
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(mean[a], target[a], 1e-5f);
  EXPECT_FLOAT_EQ(Nodes(jel)[1].f[3], -0.25f);  // the initial state stays
  const float origin[3] = {10.0f, 0.0f, -1.0f};
  GVKeepJelInPlace(jel, origin);
  GVJelGridOrigin(jel, o);
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(o[a], origin[a], 1e-5f);
  HObject empty;
  GVJelMeanPosition(&empty, mean);
  EXPECT_EQ(mean[0], 0.0f);
  delete jel;
}

TEST(JelFromBuilder, GridIndexShiftAndCopyBack) {
  auto b = Grid(3, 3, 3);
  GVGridAddCell(1, 1, 1, b.get());
  GVGridAddCell(2, 1, 1, b.get());
  HObject* jel = GVCreateJelFromBuilder(b.get(), 1, 0, 10, nullptr);
  ASSERT_NE(jel, nullptr);
  EXPECT_EQ(b->nx, 3);
  EXPECT_EQ(b->ny, 2);
  GVShiftGridIndices(2, jel, b.get());
  EXPECT_EQ(b->ny, 3);
  EXPECT_EQ(States(jel)[1].w[kStateGridX + 1], 2);
  GVShiftGridIndices(7, jel, b.get());  // not an axis
  EXPECT_EQ(b->ny, 3);
  ASSERT_EQ(GVReallocLatticeGrid(b.get()), 1);
  GVCopyJelToGrid(b.get(), jel);
  EXPECT_EQ(GVGridCellSolid(1, 2, 1, b.get()), 1);
  EXPECT_EQ(GVGridCellSolid(2, 2, 1, b.get()), 1);
  EXPECT_EQ(GVGridListOccupied(b.get()), 12);
  GVNormaliseGridIndices(b.get(), jel);
  EXPECT_EQ(States(jel)[1].w[kStateGridX + 1], 1);
  EXPECT_EQ(b->ny, 2);
  delete jel;
}

}  // namespace
