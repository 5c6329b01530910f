#include "geo/geo_collision.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dynamics/contact_list.h"
#include "dynamics/world.h"
#include "geo/geo_fixtures.h"
#include "geo/mesh_derived.h"
#include "jel/contact_grid.h"
#include "jel/jel_object.h"

using namespace geotest;

namespace {

using GeoPtr = std::unique_ptr<GObject>;

// An n x n grid of unit squares in the x-z plane at height y, two triangles
// each: a floor.
GeoPtr floorGeo(int n, float y = 0.0f, bool quads = false) {
  std::vector<V3> v;
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i) v.push_back({static_cast<float>(i), y, static_cast<float>(j)});
  std::vector<Tri> t;
  std::vector<Quad> q;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const int32_t a = j * (n + 1) + i + 1;
      if (quads) {
        q.push_back({a, a + n + 1, a + n + 2, a + 1});
      } else {
        t.push_back({a, a + n + 1, a + 1});
        t.push_back({a + 1, a + n + 1, a + n + 2});
      }
    }
  GeoPtr g(makeGeo(1, "floor", v, t, q));
  GVRebuildGeo(g.get());
  return g;
}

std::set<int32_t> itemsNear(ContactGrid* grid, float x, float y, float z) {
  std::set<int32_t> out;
  const float p[3] = {x, y, z};
  int32_t cx, cy, cz;
  if (!GVOctreeLocate(grid, p, &cx, &cy, &cz)) return out;
  const int32_t* hits = GVOctreeQuery(grid, cx, cy, cz);
  for (int32_t k = 1; hits && k <= hits[0]; ++k) out.insert(hits[k]);
  return out;
}

// Stand-ins for the dynamics tests: each records one contact into the list it
// is given and reports a fixed result, remembering how it was called.
struct Calls {
  std::vector<char> order;
  int32_t part = 0;
  int32_t withEdges = -1;
  GeoCollisionMesh mesh{};
  float param = 0.0f;
};
Calls gCalls;

int32_t fakeFaces(ContactList* nodes, ContactList* edges, int32_t part, const GeoCollisionMesh* mesh,
                  float param, int32_t withEdges, HAState*, char tag) {
  gCalls.order.push_back(tag);
  gCalls.part = part;
  gCalls.withEdges = withEdges;
  gCalls.mesh = *mesh;
  gCalls.param = param;
  if (nodes) GVContactAppend(nodes, nullptr, nullptr, 1, 1, 0, 1, 0, 0.5f, ContactVectors());
  if (edges && withEdges) GVContactAppend(edges, nullptr, nullptr, 2, 1, 2, 1, 0, 0.5f, ContactVectors());
  return 2;
}

GeoJelTests fakeTests() {
  GeoJelTests t;
  t.triangles = [](ContactList* n, ContactList* e, int32_t p, const GeoCollisionMesh* m, float f,
                   int32_t w, HAState* s) { return fakeFaces(n, e, p, m, f, w, s, 't'); };
  t.quads = [](ContactList* n, ContactList* e, int32_t p, const GeoCollisionMesh* m, float f, int32_t w,
               HAState* s) { return fakeFaces(n, e, p, m, f, w, s, 'q'); };
  t.vertices = [](ContactList* list, int32_t part, const GeoCollisionMesh* mesh, float, HAState*) {
    gCalls.order.push_back('v');
    gCalls.part = part;
    gCalls.mesh = *mesh;
    if (list) GVContactAppend(list, nullptr, nullptr, 1, 3, 0, 2, 0, 0.1f, ContactVectors());
    return 3;
  };
  return t;
}

class GeoCollisionEntry : public ::testing::Test {
 protected:
  void SetUp() override { gCalls = Calls(); }
  int32_t collide(GObject* g, HObject* jel, int32_t part, int32_t kind) {
    const GeoJelTests fakes = fakeTests();
    return GVCollideGeoWithJel(g, &world_.contacts[2], &world_.contacts[3], &world_.contacts[4], jel, part,
                               0.25f, kind, &fakes);
  }
  HWorld world_;
};

}  // namespace

TEST(GeoCollisionGrid, FloorTrianglesAreFoundNearTheirCentroids) {
  GeoPtr g = floorGeo(8);
  GVBuildGeoCollisionGrid(g.get(), 1);
  ContactGrid* grid = g->broadPhase;
  ASSERT_NE(grid->root, nullptr);
  EXPECT_EQ(grid->cellSize, g->faceSize);
  // Square (3, 5) holds triangles 2 * (5 * 8 + 3) + 1 and + 2.
  const std::set<int32_t> near = itemsNear(grid, 3.5f, 0.0f, 5.5f);
  EXPECT_TRUE(near.count(87) && near.count(88));
  EXPECT_FALSE(near.count(1));
  // The grid is a cube around the floor's box.
  EXPECT_LE(grid->minCorner[1], 0.0f);
  EXPECT_NEAR(grid->maxCorner[0] - grid->minCorner[0], grid->maxCorner[1] - grid->minCorner[1], 1e-4f);

  // Only faces whose corners all carry the chosen vertex bit.
  for (int32_t v = 1; v <= g->vertexCount; ++v) g->vertexFlags[v] |= g->baseVertices[v][0] >= 4.0f ? 0x10 : 0;
  GVBuildGeoCollisionGrid(g.get(), 4);
  EXPECT_TRUE(itemsNear(g->broadPhase, 3.5f, 0.0f, 5.5f).empty() ||
              *itemsNear(g->broadPhase, 3.5f, 0.0f, 5.5f).begin() > 0);
  for (int32_t id : itemsNear(g->broadPhase, 4.5f, 0.0f, 2.5f)) {
    const int32_t* c = g->triangles[id];
    for (int k = 0; k < 3; ++k) EXPECT_GE(g->baseVertices[c[k]][0], 4.0f) << id;
  }

  // Whole triangles moved by their displacement.
  g->flags |= GEO_FLAG_COLLIDE_TRIANGLES;
  for (int32_t v = 1; v <= g->vertexCount; ++v) g->vertexDisplacement[v][1] = 3.0f;
  GVBuildGeoCollisionGrid(g.get(), 1);
  EXPECT_TRUE(itemsNear(g->broadPhase, 3.5f, 3.0f, 5.5f).count(87));
}

TEST(GeoCollisionGrid, QuadsAndZeroFaceSize) {
  GeoPtr q = floorGeo(4, 1.0f, true);
  GVBuildGeoCollisionGrid(q.get(), 1);
  EXPECT_TRUE(itemsNear(q->broadPhase, 2.5f, 1.0f, 1.5f).count(1 * 4 + 2 + 1));

  // Every vertex at one point: face size 0. The grid stays empty and the
  // build returns at once.
  GeoPtr dot(makeGeo(2, "dot", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{1, 2, 3}, {3, 2, 1}}));
  GVRebuildGeo(dot.get());
  ASSERT_EQ(dot->faceSize, 0.0f);
  GVBuildGeoCollisionGrid(dot.get(), 1);
  EXPECT_EQ(dot->broadPhase->root, nullptr);
  EXPECT_TRUE(itemsNear(dot->broadPhase, 0, 0, 0).empty());
}

TEST_F(GeoCollisionEntry, KindsRunTheirTestsAndRecordIntoTheWorldsLists) {
  GeoPtr g = floorGeo(2);
  HObject jel;
  jel.playParams.stepping = 1;
  jel.playParams.subStepIndex = 2;
  const struct {
    int32_t kind;
    const char* order;
    int32_t result;
    int32_t withEdges;
    int first, second, third;
  } cases[] = {
      {3, "t", 2, 1, 0, 1, 1}, {4, "tv", 5, 1, 1, 1, 1}, {5, "v", 3, -1, 1, 0, 0},
      {6, "vt", 5, 1, 1, 1, 1}, {7, "t", 2, 0, 0, 1, 0}, {9, "", 0, -1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    gCalls = Calls();
    for (int l = 2; l < 5; ++l) GVFreeContacts(&world_.contacts[l]);
    g->contactMax = 0;
    EXPECT_EQ(collide(g.get(), &jel, 3, c.kind), c.result) << c.kind;
    EXPECT_EQ(std::string(gCalls.order.begin(), gCalls.order.end()), c.order) << c.kind;
    EXPECT_EQ(gCalls.withEdges, c.withEdges) << c.kind;
    EXPECT_EQ(world_.contacts[2].count, c.first) << c.kind;
    EXPECT_EQ(world_.contacts[3].count, c.second) << c.kind;
    EXPECT_EQ(world_.contacts[4].count, c.third) << c.kind;
    if (c.first) {
      EXPECT_EQ(world_.contacts[2].first->nodeA, 3) << c.kind;
    }
    if (!gCalls.order.empty()) {
      EXPECT_EQ(gCalls.part, 3);
      EXPECT_EQ(gCalls.mesh.triangles, g->triangles);
      EXPECT_EQ(gCalls.mesh.grid, g->broadPhase);
      EXPECT_EQ(gCalls.mesh.faceSize, g->faceSize);
    }
  }
}

TEST_F(GeoCollisionEntry, LargestResultOfTheStepIsKept) {
  GeoPtr g = floorGeo(2);
  HObject jel;
  jel.playParams.stepping = 1;
  jel.playParams.subStepIndex = 2;
  g->contactMax = 9;
  EXPECT_EQ(collide(g.get(), &jel, 1, 5), 9);
  jel.playParams.subStepIndex = 1;  // a new step starts
  EXPECT_EQ(collide(g.get(), &jel, 1, 5), 3);
  jel.playParams.subStepIndex = 2;
  EXPECT_EQ(collide(g.get(), &jel, 1, 3), 3);
  EXPECT_EQ(collide(g.get(), &jel, 1, 4), 5);
}

TEST_F(GeoCollisionEntry, PreconditionsAndFaceKinds) {
  GeoPtr g = floorGeo(2);
  HObject jel;
  g->contactMax = 4;
  const struct {
    int32_t part, kind;
  } refused[] = {{32, 3}, {0, 3}, {1, 0}};
  for (const auto& r : refused) {
    EXPECT_EQ(collide(g.get(), &jel, r.part, r.kind), 0);
    EXPECT_EQ(g->contactMax, 4);
  }
  EXPECT_EQ(collide(g.get(), nullptr, 1, 3), 0);
  EXPECT_TRUE(gCalls.order.empty());

  // A Geo without its topology tables is refused.
  GeoPtr bare(makeGeo(3, "bare", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}}));
  GVFreeGeoArray(bare->vertexMinDot);
  EXPECT_EQ(collide(bare.get(), &jel, 1, 3), 0);

  // A one-layer Jel collides its part 1 when part 2 is asked for.
  HObject flat(1, 1, 1, 10);
  ASSERT_EQ(GVIsJelFlat(&flat), 1);
  collide(g.get(), &flat, 2, 7);
  EXPECT_EQ(gCalls.part, 1);
  collide(g.get(), &jel, 2, 7);
  EXPECT_EQ(gCalls.part, 2);

  // Quads only: the quad test.
  GeoPtr q = floorGeo(2, 0.0f, true);
  gCalls = Calls();
  collide(q.get(), &jel, 1, 3);
  EXPECT_EQ(std::string(gCalls.order.begin(), gCalls.order.end()), "q");

  // Without tests passed in the dynamics code's own run, not the stand-ins;
  // a Jel without a live state gives them nothing to do.
  gCalls = Calls();
  g->contactMax = 0;
  EXPECT_EQ(GVCollideGeoWithJel(g.get(), &world_.contacts[2], &world_.contacts[3], &world_.contacts[4], &jel, 1,
                                0.25f, 4),
            0);
  EXPECT_TRUE(gCalls.order.empty());
}
