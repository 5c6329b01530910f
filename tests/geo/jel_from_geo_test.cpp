#include "geo/jel_from_geo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "geo/geo_binding.h"
#include "geo/geo_list.h"
#include "geo_fixtures.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/matter.h"

using geotest::V3;

namespace {

// A list that owns its Geos (and frees them with their handle-less records).
struct Scene {
  GeoList list;
  Scene() { GVInitGeoList(&list); }
  ~Scene() {
    while (GObject* g = list.head) {
      GVRemoveGeo(&list, g);
      delete g;
    }
  }
  GObject* add(GObject* g) {
    GVAddGeo(&list, g);
    return g;
  }
};

void NaturalBounds(HObject* jel, float lo[3], float hi[3]) {
  for (int a = 0; a < 3; ++a) {
    lo[a] = 9e30f;
    hi[a] = -9e30f;
  }
  for (int32_t i = 1; i <= jel->nodeCount; ++i) {
    float p[3] = {0, 0, 0};
    jel->getNodePosition(i, kFrameInitial, kAxesAll, p);
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], p[a]);
      hi[a] = std::max(hi[a], p[a]);
    }
  }
}

}  // namespace

TEST(JelFromGeo, JelEnclosesTheGroupAndCarriesIt) {
  Scene s;
  // Two Geos away from the origin: a box and a slanted quad.
  GObject* box = s.add(geotest::makeGeo(1, "Box", geotest::boxCorners({4, 1, -2}, {6.5f, 2.2f, 0.5f}),
                                        geotest::boxTriangles()));
  GObject* quad =
      s.add(geotest::makeGeo(2, "Quad", {{4.2f, 1.1f, -1}, {6, 1.3f, -1.5f}, {6.2f, 2, 0}, {4.5f, 1.9f, 0.2f}}, {},
                             {{1, 2, 3, 4}}));
  MatterProps m;
  std::unique_ptr<HObject> jel(GVCreateJelFromGeos(&s.list, -1, 7, 0, 0, "Blob", 11, 0, 3, 4, 6, &m));
  ASSERT_TRUE(jel);
  EXPECT_EQ(jel->id, 7);
  EXPECT_STREQ(jel->name, "Blob");
  EXPECT_FLOAT_EQ(m.scaleL, jel->cellSize);
  EXPECT_NEAR(jel->cellSize, 2.5f / 5.0f, 1e-6f);
  float lo[3], hi[3];
  NaturalBounds(jel.get(), lo, hi);
  for (GObject* g : {box, quad}) {
    EXPECT_TRUE(g->flags & GEO_FLAG_BOUND);
    EXPECT_EQ(g->jel, jel.get());
    EXPECT_EQ(g->jelId, 7);
    for (int32_t i = 1; i <= g->vertexCount; ++i) {
      for (int a = 0; a < 3; ++a) {
        EXPECT_GE(g->vertices[i][a], lo[a] - 1e-4f);
        EXPECT_LE(g->vertices[i][a], hi[a] + 1e-4f);
      }
      // The binding reproduces the vertex in the placed Jel.
      const GeoVertBind& b = g->vertBinds[i];
      EXPECT_EQ(b.jelId, 7);
      EXPECT_GE(b.u, -1e-4f);
      EXPECT_LE(b.u, 1.0001f);
      float at[3];
      ASSERT_EQ(GVLatticeTrilinear(&b, jel.get(), at), 1);
      for (int a = 0; a < 3; ++a) EXPECT_NEAR(at[a], g->vertices[i][a], 1e-4f) << g->id << " " << i;
    }
  }
  // The Geos follow the Jel.
  const std::vector<V3> before = {{box->vertices[3][0], box->vertices[3][1], box->vertices[3][2]}};
  for (int32_t i = 1; i <= jel->nodeCount; ++i) jel->pos[i][1] -= 1.5f;
  GVUpdateJelDeform(jel.get(), 0);
  GVDeformGeoFromJel(box);
  EXPECT_NEAR(box->vertices[3][1], before[0][1] - 1.5f, 1e-4f);
  EXPECT_NEAR(box->vertices[3][0], before[0][0], 1e-4f);
}

TEST(JelFromGeo, RefusedGroups) {
  Scene s;
  // Flat in z = 0.
  s.add(geotest::makeGeo(1, "Sheet", {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}, {}, {{1, 2, 3, 4}}));
  MatterProps m;
  EXPECT_EQ(GVCreateJelFromGeos(&s.list, -1, 3, 0, 0, "J", 11, 0, 3, 3, 4, &m), nullptr);
  EXPECT_EQ(GVCreateJelFromGeos(&s.list, 9, 3, 0, 0, "J", 11, 0, 3, 4, 4, &m), nullptr);   // empty selection
  EXPECT_EQ(GVCreateJelFromGeos(&s.list, -1, 0, 0, 0, "J", 11, 0, 3, 4, 4, &m), nullptr);  // Jel id 0
  EXPECT_EQ(GVCreateJelFromGeos(&s.list, -1, 3, 0, 0, "J", 11, 0, 3, 1, 1, &m), nullptr);  // one point
  // Axis 4 has no flatness test; flat mode lays one layer.
  std::unique_ptr<HObject> flat(GVCreateJelFromGeos(&s.list, -1, 3, 0, 0, "J", 13, 0, 2, 4, 5, &m));
  ASSERT_TRUE(flat);
  EXPECT_TRUE(GVIsJelFlat(flat.get()));
  EXPECT_EQ(flat->nodeCount, 5 * 3);
}

TEST(JelFromGeo, AxisLimitAndDimensionModes) {
  struct Case {
    float length;
    int32_t count;
    int32_t dimMode;
    bool built;
    int32_t nz;
  };
  // Along x, cell size length / (count - 1); the box is 0.5 thick in y and z.
  const Case cases[] = {
      {99.0f, 100, 3, true, 2},   // 100 points: accepted
      {100.0f, 101, 3, false, 0}, // 101 points: refused
      {4.0f, 5, 2, true, 1},      // flat: one layer
      {4.0f, 9, 3, true, 2},      // solid: at least two
  };
  for (const Case& c : cases) {
    const float bounds[6] = {0, c.length, 0, 0.5f, 0, 0.5f};
    float centre[3] = {0, 0, 0};
    MatterProps m;
    std::unique_ptr<LatticeBuilder, void (*)(LatticeBuilder*)> b(
        GVPrepareGeoLattice(c.dimMode, 1, c.count, bounds, centre, &m), GVDestroyLatticeBuilder);
    if (!c.built) {
      EXPECT_EQ(b, nullptr) << c.count;
      Scene s;
      s.add(geotest::makeGeo(1, "Rod", geotest::boxCorners({0, 0, 0}, {c.length, 0.5f, 0.5f}),
                             geotest::boxTriangles()));
      EXPECT_EQ(GVCreateJelFromGeos(&s.list, -1, 3, 0, 0, "R", 11, 0, c.dimMode, 1, c.count, &m), nullptr);
      continue;
    }
    ASSERT_NE(b, nullptr) << c.count;
    EXPECT_EQ(b->nx, c.count);
    EXPECT_EQ(b->nz, c.nz);
    EXPECT_NEAR(centre[0], 0.5f * c.length, 1e-6f);
    EXPECT_NEAR(m.scaleL, c.length / float(c.count - 1), 1e-5f);
  }
}

TEST(JelFromGeo, TriangleSubdivisionThreshold) {
  const float bounds[6] = {-5, 5, -5, 5, -5, 5};
  float centre[3];
  MatterProps m;
  struct Case {
    float edgeSq;  // longest squared edge over the threshold (1)
    bool subdivided;
  };
  const Case cases[] = {{0.9905f, true}, {0.9895f, false}, {4.0f, true}};
  for (const Case& c : cases) {
    std::unique_ptr<LatticeBuilder, void (*)(LatticeBuilder*)> grid(
        GVPrepareGeoLattice(3, 1, 11, bounds, centre, &m), GVDestroyLatticeBuilder);  // cell 1
    LatticeBuilder* b = grid.get();
    ASSERT_NE(b, nullptr);
    const float e = std::sqrt(c.edgeSq);
    // The longest edge runs along x.
    const float p1[3] = {0.05f, 0.05f, 0.05f}, p2[3] = {0.05f + e, 0.05f, 0.05f},
                p3[3] = {0.05f + 0.5f * e, 0.06f, 0.05f};
    GVMarkTriangleInGrid(b, p1, p2, p3, 1, centre, 1.0f);
    int32_t solid = 0;
    for (int32_t z = 1; z <= b->nz; ++z)
      for (int32_t y = 1; y <= b->ny; ++y)
        for (int32_t x = 1; x <= b->nx; ++x) solid += GVGridCellSolid(x, y, z, b);
    EXPECT_EQ(solid > 0, c.subdivided) << c.edgeSq;
  }
}

TEST(JelFromGeo, EmptyNameLeavesTheJelAroundTheOrigin) {
  Scene s;
  s.add(geotest::makeGeo(1, "Box", geotest::boxCorners({10, 10, 10}, {12, 12, 12}), geotest::boxTriangles()));
  MatterProps m;
  std::unique_ptr<HObject> jel(GVCreateJelFromGeos(&s.list, -1, 2, 0, 0, "", 11, 0, 3, 4, 3, &m));
  ASSERT_TRUE(jel);
  float lo[3], hi[3];
  NaturalBounds(jel.get(), lo, hi);
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(lo[a] + hi[a], 0.0f, 1e-4f);
  EXPECT_EQ(jel->name == nullptr || jel->name[0] == 0, true);
}
