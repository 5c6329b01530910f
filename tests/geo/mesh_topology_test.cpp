#include "geo/mesh_topology.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "geo/geo_fixtures.h"
#include "geo/mesh_derived.h"

using namespace geotest;

namespace {

using GeoPtr = std::unique_ptr<GObject>;

GeoPtr rebuilt(const std::vector<V3>& v, const std::vector<Tri>& t) {
  GeoPtr g(makeGeo(1, "topo", v, t));
  GVRebuildGeo(g.get());
  return g;
}

// An octahedron with outward triangles: a closed surface.
GeoPtr octahedron() {
  return rebuilt({{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
                 {{1, 3, 5}, {3, 2, 5}, {2, 4, 5}, {4, 1, 5}, {3, 1, 6}, {2, 3, 6}, {4, 2, 6}, {1, 4, 6}});
}

int32_t bits(const GObject* g, int32_t v) { return g->creaseFlags[v]; }

}  // namespace

TEST(MeshTopology, CoincidentGroupsAndTheirBits) {
  std::vector<V3> v;
  for (int i = 0; i < 10; ++i) v.push_back({static_cast<float>(i), static_cast<float>(i % 3), 0.0f});
  v[3] = v[6] = v[8] = {4.5f, 4.5f, 0.0f};  // vertices 4, 7 and 9
  GeoPtr g = rebuilt(v, {{1, 2, 3}, {4, 5, 6}, {7, 8, 10}, {9, 10, 8}});
  const IntList* lists = g->coincidentLists;
  ASSERT_NE(lists, nullptr);
  ASSERT_EQ(lists[0].items[0], 1);
  ASSERT_EQ(lists[1].count, 3);
  EXPECT_EQ(lists[1].items[0], 4);
  EXPECT_EQ(lists[1].items[1], 7);
  EXPECT_EQ(lists[1].items[2], 9);
  const int32_t member = kCreaseCoincident | kCreaseCoincidentMerge;
  EXPECT_EQ(bits(g.get(), 4) & (member | kCreaseCoincidentLater), member);
  EXPECT_EQ(bits(g.get(), 7) & (member | kCreaseCoincidentLater), member | kCreaseCoincidentLater);
  EXPECT_EQ(bits(g.get(), 9) & (member | kCreaseCoincidentLater), member | kCreaseCoincidentLater);
  EXPECT_EQ(bits(g.get(), 5) & member, 0);
  EXPECT_EQ(bits(g.get(), 1) & kCreaseScratch, 0);
  EXPECT_EQ(GVFindSeamGroup(lists, 7), &lists[1]);
  EXPECT_EQ(GVFindSeamGroup(lists, 5), nullptr);
  // The vertex-to-face lists merge across the group: each member sees all
  // three of the group's faces.
  for (int32_t m : {4, 7, 9}) EXPECT_EQ(g->vertexToFaceLists[m].count, 3) << m;
  EXPECT_EQ(g->vertexToFaceLists2[7].count, 3);
}

TEST(MeshTopology, ClosedFansAndOverSharedEdges) {
  GeoPtr sphere = octahedron();
  for (int32_t v = 1; v <= 6; ++v) {
    EXPECT_TRUE(bits(sphere.get(), v) & kCreaseClosedFan) << v;
    EXPECT_FALSE(bits(sphere.get(), v) & kCreaseOverShared) << v;
  }
  GeoPtr box = rebuilt(boxCorners({0, 0, 0}, {1, 1, 1}), boxTriangles());
  for (int32_t v = 1; v <= 8; ++v) EXPECT_TRUE(bits(box.get(), v) & kCreaseClosedFan) << v;

  GeoPtr single = rebuilt({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}});
  for (int32_t v = 1; v <= 3; ++v) EXPECT_FALSE(bits(single.get(), v) & kCreaseClosedFan);

  // Three triangles on the edge 1-2.
  GeoPtr fin = rebuilt({{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, -1, 0}, {0.5f, 0, 1}},
                       {{1, 2, 3}, {2, 1, 4}, {1, 2, 5}});
  for (int32_t v = 1; v <= 5; ++v)
    EXPECT_EQ((bits(fin.get(), v) & kCreaseOverShared) != 0, v <= 2) << v;

  EXPECT_EQ(GVTriHasEdge(std::array<int32_t, 3>{4, 5, 6}.data(), 6, 4), 1);
  EXPECT_EQ(GVTriHasEdge(std::array<int32_t, 3>{4, 5, 6}.data(), 6, 7), 0);
}

TEST(MeshTopology, FanWalkEndsOnDamagedMeshes) {
  // Around vertex 1, triangles 1 and 2 share both edges 1-3 and 1-4: a walk
  // that enters them circles between them and never meets corner 2 again.
  GeoPtr g(makeGeo(1, "loop", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                   {{1, 3, 4}, {1, 4, 3}, {1, 2, 3}}));
  GVRebuildGeo(g.get());
  IntList list{3, nullptr};
  int32_t faces[3] = {1, 2, 3};
  list.items = faces;
  EXPECT_EQ(GVWalkTriFan(g.get(), 3, &list, 2, 1), 0);
  EXPECT_EQ(GVFindEdgeNeighbourTri(g.get(), &list, 3, 1, 3), 1);
  EXPECT_EQ(GVFindEdgeNeighbourTri(g.get(), &list, 0, 2, 4), 0);
}

TEST(MeshTopology, CreaseFlags) {
  // Flat: every cosine is 1 and no edge leaves the tangent plane.
  GeoPtr flat = rebuilt({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{1, 2, 3}, {2, 4, 3}});
  for (int32_t v = 1; v <= 4; ++v) {
    EXPECT_FLOAT_EQ(flat->vertexMinDot[v], 1.0f);
    EXPECT_EQ(bits(flat.get(), v) & (kCreaseAbove | kCreaseBelow), 0);
  }
  // A convex box: every edge dips below every corner's tangent plane, and a
  // corner normal makes a cosine of 1/sqrt(3) with each face.
  // Face normals are (c - a) x (b - a): the fixture's triangles reversed face
  // out of the box.
  std::vector<Tri> outward = boxTriangles();
  for (Tri& t : outward) std::swap(t[1], t[2]);
  GeoPtr box = rebuilt(boxCorners({0, 0, 0}, {2, 2, 2}), outward);
  for (int32_t v = 1; v <= 8; ++v) {
    EXPECT_TRUE(bits(box.get(), v) & kCreaseBelow) << v;
    EXPECT_FALSE(bits(box.get(), v) & kCreaseAbove) << v;
    EXPECT_NEAR(box->vertexMinDot[v], 0.57735f, 1e-4f) << v;
  }
  // Degenerate faces (normals below the 0.01 threshold) leave the cosine at 1.
  GeoPtr dead = rebuilt({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{1, 2, 3}});
  EXPECT_FLOAT_EQ(dead->vertexMinDot[1], 1.0f);
}

TEST(MeshTopology, EnsureAndFree) {
  GeoPtr g(makeGeo(1, "t", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}}));
  GVCalcGeoFaceSize(g.get());
  GVFreeGeoTopology(g.get());
  EXPECT_EQ(g->creaseFlags, nullptr);
  EXPECT_EQ(g->vertexMinDot, nullptr);
  GVEnsureGeoTopology(g.get());
  ASSERT_NE(g->vertexToFaceLists2, nullptr);
  ASSERT_NE(g->vertexMinDot, nullptr);
  EXPECT_EQ(g->vertexToFaceLists2[2].count, 1);
  EXPECT_FLOAT_EQ(g->vertexToFaceLists2[2].items[0], 1.0f);
  // A Geo without coincident vertices still gets fresh weights.
  g->vertexToFaceLists2[2].items[0] = 5.0f;
  GVBuildGeoVertexFaceLists(g.get());
  EXPECT_FLOAT_EQ(g->vertexToFaceLists2[2].items[0], 1.0f);
  g->creaseFlags[1] |= kCreaseClosedFan | kCreaseSeam;
  GVEnsureGeoTopology(g.get());  // all tables there: only the reset mask
  EXPECT_EQ(g->creaseFlags[1], kCreaseSeam);
}

TEST(MeshTopology, ConcaveCornersRiseAboveTheirTangentPlane) {
  // Seen from inside (normals inward) the same box bends towards the normals.
  GeoPtr box = rebuilt(boxCorners({0, 0, 0}, {2, 2, 2}), boxTriangles());
  for (int32_t v = 1; v <= 8; ++v) {
    EXPECT_TRUE(bits(box.get(), v) & kCreaseAbove) << v;
    EXPECT_FALSE(bits(box.get(), v) & kCreaseBelow) << v;
  }
}
