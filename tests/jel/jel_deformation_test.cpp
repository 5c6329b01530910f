#include <gtest/gtest.h>

#include <memory>

#include "jel/chan_data.h"
#include "jel/deformation_map.h"
#include "jel/frame_store.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"

namespace {

std::unique_ptr<LatticeBuilder> Grid(int32_t nx, int32_t ny, int32_t nz, float h = 1.0f) {
  LatticeSpec s;
  s.cellSize = h;
  s.nx = nx;
  s.ny = ny;
  s.nz = nz;
  return std::make_unique<LatticeBuilder>(&s);
}

int32_t NodeAt(const HObject* jel, int32_t x, int32_t y, int32_t z) {
  const JelStateRec* st = GVFrameStateRecs(jel->frameStore, 0);
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    if (st[i].w[kStateGridX] == x && st[i].w[kStateGridX + 1] == y && st[i].w[kStateGridX + 2] == z) return i;
  return 0;
}

TEST(JelDeformation, NewJelMapLocationAndBox) {
  auto b = Grid(4, 3, 3, 0.5f);
  GVGridFillAll(b.get());
  HObject* jel = GVCreateJelFromBuilder(b.get(), 3, 0, 10, nullptr);
  ASSERT_NE(jel, nullptr);
  GVUpdateJelDeform(jel, 0);
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) ASSERT_NEAR(jel->deform[r * 3 + c][i], r == c ? 0.5f : 0.0f, 1e-6f);
  // The natural state is centred: grid point (1, 1, 1) is at (-0.75, -0.5, -0.5).
  const float p[3] = {-0.75f + 0.6f, -0.5f + 0.55f, -0.5f + 0.1f};
  GeoVertBind rec;
  ASSERT_EQ(GVLocatePointInJel(jel, p, &rec), 3);
  EXPECT_EQ(rec.cellNode, NodeAt(jel, 2, 2, 1));
  EXPECT_NEAR(rec.u, 0.2f, 1e-4f);
  EXPECT_NEAR(rec.v, 0.1f, 1e-4f);
  EXPECT_NEAR(rec.w, 0.2f, 1e-4f);
  float back[3];
  ASSERT_EQ(GVLatticeTrilinear(&rec, jel, back), 1);
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(back[a], p[a], 1e-5f);
  GeoCellBind bind;
  ASSERT_EQ(GVCheckPartBlock(jel, 1, &bind), 1);
  GeoVertBind box;
  EXPECT_EQ(GVBlockCellOfPoint(p, jel, &bind, &box), rec.cellNode);
  EXPECT_NEAR(box.u, rec.u, 1e-5f);
  EXPECT_EQ(GVCheckPartBlock(jel, 2, &bind), 0);  // the hollow surface is no box
  EXPECT_EQ(bind.status, kCellBindWrongCount);
  GVFreeCellBind(&bind);
  delete jel;
}


TEST(JelDeformation, OneLayerJelCarriesVertices) {
  auto b = Grid(3, 3, 1);
  GVGridFillAll(b.get());
  HObject* jel = GVCreateJelFromBuilder(b.get(), 2, 0, 10, nullptr);
  ASSERT_NE(jel, nullptr);
  // Lift the layer by 2 and tilt it: the map carries bound vertices along.
  for (int32_t i = 1; i <= jel->nodeCount; ++i) jel->pos[i][2] += 2.0f + 0.5f * jel->pos[i][0];
  GVUpdateJelDeform(jel, 0);
  GeoVertBind recs[3];
  recs[1] = {2, NodeAt(jel, 1, 1, 1), 0.5f, 0.5f, 0.0f};
  recs[2] = {2, NodeAt(jel, 2, 2, 1), 1.0f, 1.0f, 0.0f};
  float verts[3][3] = {};
  GVDeformVertsTrilinear(recs, verts, jel, 2);
  EXPECT_NEAR(verts[1][0], -0.5f, 1e-5f);
  EXPECT_NEAR(verts[1][2], 2.0f - 0.25f, 1e-5f);
  EXPECT_NEAR(verts[2][2], 2.0f + 0.5f, 1e-5f);
  float same[3][3] = {};
  GVDeformVertsBilinear(recs, same, jel, 2);
  for (int v = 1; v <= 2; ++v)
    for (int a = 0; a < 3; ++a) EXPECT_FLOAT_EQ(same[v][a], verts[v][a]);
  // Locating a vertex in the tilted layer finds it again.
  GeoVertBind found;
  ASSERT_EQ(GVLocatePointInJel(jel, verts[1], &found), 2);
  EXPECT_EQ(found.cellNode, recs[1].cellNode);
  EXPECT_NEAR(found.u, 0.5f, 1e-4f);
  EXPECT_NEAR(found.w, 0.0f, 1e-4f);
  EXPECT_EQ(GVLocatePointInJel(nullptr, verts[1], &found), 0);
  EXPECT_EQ(found.cellNode, 0);
  delete jel;
}

}  // namespace
