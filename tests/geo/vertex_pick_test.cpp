#include "geo/vertex_pick.h"

#include <gtest/gtest.h>

#include <memory>

#include "camera/camera_record.h"
#include "geo/geo_fixtures.h"
#include "geo/mesh_derived.h"

using namespace geotest;

namespace {

// A square in the z = 0 plane whose face normals point along -z.
std::unique_ptr<GObject> square() {
  std::unique_ptr<GObject> g(
      makeGeo(1, "sq", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{1, 2, 3}, {2, 4, 3}}));
  GVRebuildGeo(g.get());
  return g;
}

}  // namespace

TEST(VertexPick, NearestFrontFacingBoundVertex) {
  auto g = square();
  ASSERT_LT(g->vertexNormals[1][2], 0.0f);
  const ViewportRec vp = pickView();
  const CameraRec below = pickCamera(-10.0f);  // sees the normals' side
  int32_t x, y, index = -1;
  float pos[3] = {0, 0, 0};
  pixelOf(below, g->vertices[4], &x, &y);
  GVPickGeoVertexInView(g.get(), &below, &vp, x + 2, y - 1, &index, pos);
  EXPECT_EQ(index, 4);
  EXPECT_NEAR(pos[0], static_cast<float>(x), 1.0f);
  EXPECT_NEAR(pos[1], static_cast<float>(y), 1.0f);
  EXPECT_GT(pos[2], 0.0f);

  // Not bound: not pickable; the next nearest wins.
  g->vertexFlags[4] = 0;
  GVPickGeoVertexInView(g.get(), &below, &vp, x, y, &index, nullptr);
  EXPECT_NE(index, 4);
  EXPECT_NE(index, 0);
  g->vertexFlags[4] = GEO_VERTEX_BOUND;

  // From the other side every vertex faces away, unless back faces count.
  const CameraRec above = pickCamera(10.0f);
  pixelOf(above, g->vertices[4], &x, &y);
  GVPickGeoVertexInView(g.get(), &above, &vp, x, y, &index, nullptr);
  EXPECT_EQ(index, 0);
  g->flags |= GEO_FLAG_PICK_BACK_FACES;
  GVPickGeoVertexInView(g.get(), &above, &vp, x, y, &index, nullptr);
  EXPECT_EQ(index, 4);

  // A vertex behind the eye is never picked, however near its mirror lands.
  for (int a = 0; a < 3; ++a) g->vertices[4][a] = -g->vertices[4][a] * 30.0f;
  g->vertices[4][2] = 20.0f;
  GVPickGeoVertexInView(g.get(), &above, &vp, x, y, &index, nullptr);
  EXPECT_NE(index, 4);
  GVPickGeoVertexInView(nullptr, &above, &vp, x, y, &index, nullptr);
  EXPECT_EQ(index, 0);
}
