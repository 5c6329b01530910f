#include "geo/geo_from_jel.h"

#include <gtest/gtest.h>

#include <memory>

#include "geo/geo_materials.h"
#include "geo/geo_object.h"
#include "geo/uv_sets.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "geo/geo_list_services.h"

namespace {

std::unique_ptr<HObject> FilledJel(int32_t nx, int32_t ny, int32_t nz) {
  LatticeSpec s;
  s.cellSize = 1.0f;
  s.nx = nx;
  s.ny = ny;
  s.nz = nz;
  LatticeBuilder b(&s);
  GVGridFillAll(&b);
  return std::unique_ptr<HObject>(GVCreateJelFromBuilder(&b, 1, 0, 10, nullptr));
}

struct GeoFromJel : testing::Test {
  ObjHandle list;
  void SetUp() override { GVNewGeoList(&list); }
  void TearDown() override { GVDeleteGeoList(&list); }
  GObject* geo(int32_t id) { return GVGetGeoById(GVGeoListOf(&list), id); }
};

void Cross(const float* a, const float* b, const float* c, float* n) {
  const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  n[0] = u[1] * v[2] - u[2] * v[1];
  n[1] = u[2] * v[0] - u[0] * v[2];
  n[2] = u[0] * v[1] - u[1] * v[0];
}

TEST_F(GeoFromJel, FaceAxisOfEveryCubeFace) {
  auto jel = FilledJel(2, 2, 2);
  ASSERT_TRUE(jel);
  int seen[7] = {};
  for (int32_t f = 1; f <= jel->faceCount; ++f) {
    const int32_t axis = GVJelFaceAxis(jel.get(), f);
    ASSERT_NE(axis, 0);
    const int a = (axis < 0 ? -axis : axis) - 1;
    EXPECT_GT(jel->faceNormals[f][a] * static_cast<float>(axis), 0.9f);
    ++seen[axis + 3];
  }
  for (int k : {0, 1, 2, 4, 5, 6}) EXPECT_EQ(seen[k], 1) << k - 3;
  EXPECT_EQ(GVJelFaceAxis(jel.get(), 0), 0);
  EXPECT_EQ(GVJelFaceAxis(jel.get(), 7), 0);
  EXPECT_EQ(GVJelFaceAxis(nullptr, 1), 0);
}

TEST_F(GeoFromJel, CubeGivesOneVertexPerNodeAndSide) {
  auto jel = FilledJel(2, 2, 2);
  ASSERT_TRUE(jel);
  // Somewhere off the origin, so that re-centring shows.
  for (int32_t i = 1; i <= 8; ++i) jel->pos[i][0] += 5.0f;
  const int32_t id = GVCreateGeoFromJel(&list, jel.get(), "Skin");
  ASSERT_EQ(id, 1);
  GObject* g = geo(id);
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(g->name, "Skin");
  EXPECT_EQ(g->vertexCount, 24);
  EXPECT_EQ(g->triangleCount, 12);
  EXPECT_EQ(g->quadCount, 0);
  EXPECT_EQ(g->jelId, 0);
  EXPECT_EQ(g->flags & GEO_FLAG_PICK_BACK_FACES, 0u);
  EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_START].position[0], 5.0f);
  EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_FRAME].position[0], 5.0f);
  // Every side holds four vertices; the current vertices sit on the nodes and
  // the base is centred on the origin.
  for (int32_t v = 1; v <= 24; ++v) {
    const int side = (v - 1) / 4;
    const int axis = side / 2;
    const float sign = side % 2 ? 1.0f : -1.0f;
    EXPECT_FLOAT_EQ(g->baseVertices[v][axis], 0.5f * sign) << v;
    EXPECT_FLOAT_EQ(g->vertices[v][0], g->baseVertices[v][0] + 5.0f);
  }
  // Two triangles per side, side by side, wound outwards (the Geo's face
  // normal is (c - a) x (b - a)).
  for (int32_t t = 1; t <= 12; ++t) {
    const int side = (t - 1) / 2;
    const int axis = side / 2;
    const float sign = side % 2 ? 1.0f : -1.0f;
    float n[3];
    const int32_t* tri = g->triangles[t];
    for (int k = 0; k < 3; ++k) EXPECT_EQ((tri[k] - 1) / 4, side) << t;
    Cross(g->baseVertices[tri[0]], g->baseVertices[tri[2]], g->baseVertices[tri[1]], n);
    EXPECT_GT(n[axis] * sign, 0.0f) << t;
    EXPECT_GT(g->faceNormals[t][axis] * sign, 0.99f) << t;
  }
  ASSERT_NE(g->uvSets, nullptr);
  ASSERT_EQ(g->uvSets->count, 1);
  EXPECT_STREQ(g->uvSets->sets[0].name, "AllFaces");
  EXPECT_EQ(g->uvSets->sets[0].uvCount, 24);
  EXPECT_NE(g->broadPhase, nullptr);
}

TEST_F(GeoFromJel, UVsInGridStepsPerSide) {
  auto jel = FilledJel(3, 2, 2);  // largest grid indices 3, 2, 2
  ASSERT_TRUE(jel);
  const int32_t id = GVCreateGeoFromJel(&list, jel.get(), "Slab");
  GObject* g = geo(id);
  ASSERT_NE(g, nullptr);
  // Sides hold 4, 4, 6, 6, 6, 6 vertices; node 1 (grid 1, 1, 1) comes first in
  // the -x, -y and -z blocks.
  ASSERT_EQ(g->vertexCount, 32);
  EXPECT_EQ(g->triangleCount, 20);
  const float(*uv)[2] = g->uvSets->sets[0].uvPairs;
  const struct {
    int32_t vertex;
    float u, v;
  } cases[] = {{1, 0, 2}, {9, 0, 0}, {21, 3, 2}};
  for (const auto& c : cases) {
    EXPECT_EQ(uv[c.vertex][0], c.u) << c.vertex;
    EXPECT_EQ(uv[c.vertex][1], c.v) << c.vertex;
    EXPECT_EQ(g->vertices[c.vertex][0], jel->pos[1][0]);
    EXPECT_EQ(g->vertices[c.vertex][2], jel->pos[1][2]);
  }
  // The node at the far corner (grid 3, 2, 2) on its +x side: (Z - K, Y - J) = (1, 1).
  EXPECT_EQ(uv[8][0], 1.0f);
  EXPECT_EQ(uv[8][1], 1.0f);
}

TEST_F(GeoFromJel, OneLayerJelIsMarkedForBackFaces) {
  auto jel = FilledJel(3, 2, 1);
  ASSERT_TRUE(jel);
  const int32_t id = GVCreateGeoFromJel(&list, jel.get(), "Sheet");
  GObject* g = geo(id);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->vertexCount, 6);  // one side only
  EXPECT_EQ(g->triangleCount, 4);
  EXPECT_NE(g->flags & GEO_FLAG_PICK_BACK_FACES, 0u);
}

TEST_F(GeoFromJel, FaceAlongNoAxisLeavesEmptyTriangles) {
  auto jel = FilledJel(2, 2, 2);
  ASSERT_TRUE(jel);
  jel->faceNormals[1][0] = 0.70710678f;
  jel->faceNormals[1][1] = 0.70710678f;
  jel->faceNormals[1][2] = 0.0f;
  ASSERT_EQ(GVJelFaceAxis(jel.get(), 1), 0);
  GObject* g = geo(GVCreateGeoFromJel(&list, jel.get(), "Skin"));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->vertexCount, 20);
  ASSERT_EQ(g->triangleCount, 12);
  for (int32_t t = 11; t <= 12; ++t)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(g->triangles[t][k], 0);
  for (int32_t t = 1; t <= 10; ++t) EXPECT_NE(g->triangles[t][0], 0);
}

TEST_F(GeoFromJel, RefusalsLeaveTheListAlone) {
  auto jel = FilledJel(2, 2, 2);
  ASSERT_TRUE(jel);
  EXPECT_EQ(GVCreateGeoFromJel(nullptr, jel.get(), "A"), 0);
  EXPECT_EQ(GVCreateGeoFromJel(&list, nullptr, "A"), 0);
  EXPECT_EQ(GVCreateGeoFromJel(&list, jel.get(), ""), 0);
  EXPECT_EQ(GVCreateGeoFromJel(&list, jel.get(), nullptr), 0);
  EXPECT_EQ(GVGeoListOf(&list)->head, nullptr);
  EXPECT_EQ(GVCreateGeoFromJel(&list, jel.get(), "A"), 1);
  EXPECT_EQ(GVCreateGeoFromJel(&list, jel.get(), "B"), 2);
}

}  // namespace
