#include "geo/mesh_derived.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "geo/geo_fixtures.h"
#include "geo/mesh_topology.h"
#include "geo/uv_sets.h"
#include "jel/jel_object.h"

using namespace geotest;

namespace {

using GeoPtr = std::unique_ptr<GObject>;

// Centre vertex 1 and a ring of six vertices: six equilateral triangles.
GeoPtr flatFan() {
  std::vector<V3> v = {{0, 0, 0}};
  for (int k = 0; k < 6; ++k) {
    const float a = static_cast<float>(k) * 3.14159265f / 3.0f;
    v.push_back({std::cos(a), std::sin(a), 0.0f});
  }
  std::vector<Tri> t;
  for (int k = 0; k < 6; ++k) t.push_back({1, 2 + k, 2 + (k + 1) % 6});
  return GeoPtr(makeGeo(1, "fan", v, t));
}

std::vector<std::vector<int32_t>> groupsOf(const IntList* lists) {
  std::vector<std::vector<int32_t>> out;
  if (!lists) return out;
  for (int32_t k = 1; k <= lists[0].items[0]; ++k)
    out.emplace_back(lists[k].items, lists[k].items + lists[k].count);
  return out;
}

}  // namespace

TEST(MeshDerived, CornerAngleWeightsOfAFlatFan) {
  GeoPtr geo = flatFan();
  GVRebuildGeo(geo.get());
  ASSERT_NE(geo->vertexLists3, nullptr);
  ASSERT_EQ(geo->vertexLists3[1].count, 6);
  for (int j = 0; j < 6; ++j) EXPECT_NEAR(geo->vertexLists3[1].items[j], 1.0f / 6.0f, 1e-6f);
  for (int32_t v = 2; v <= 7; ++v) {
    ASSERT_EQ(geo->vertexLists3[v].count, 2);
    EXPECT_NEAR(geo->vertexLists3[v].items[0] + geo->vertexLists3[v].items[1], 1.0f, 1e-6f);
    EXPECT_NEAR(geo->vertexLists3[v].items[0], 0.5f, 1e-6f);
  }
  ASSERT_NE(geo->vertexToFaceLists2, nullptr);
  EXPECT_NEAR(geo->vertexToFaceLists2[1].items[3], 1.0f / 6.0f, 1e-6f);
  // Normals of the flat fan all point along z (the stored winding gives -z).
  for (int32_t v = 1; v <= 7; ++v) EXPECT_NEAR(std::fabs(geo->vertexNormals[v][2]), 1.0f, 1e-6f);
}

TEST(MeshDerived, SeamGroupsOfCoincidentVertices) {
  // Vertices 1, 2, 3 coincide; 4 and 5 make the faces.
  GeoPtr geo(makeGeo(1, "seam", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                     {{1, 4, 5}, {2, 4, 5}, {3, 5, 4}}));
  GVCalcGeoFaceSize(geo.get());
  GVBuildGeoSeamLists(geo.get());
  EXPECT_EQ(geo->seamLists, nullptr);  // the Geo keeps no seam lists
  for (int32_t v = 1; v <= 5; ++v) EXPECT_EQ(geo->creaseFlags[v] & kCreaseSeam, 0);

  geo->flags |= GEO_FLAG_SEAM_LISTS;
  GVBuildGeoSeamLists(geo.get());
  EXPECT_EQ(groupsOf(geo->seamLists), (std::vector<std::vector<int32_t>>{{1, 2, 3}, {2, 3}}));
  EXPECT_TRUE(geo->flags & GEO_FLAG_SEAM_LISTS);
  for (int32_t v = 1; v <= 5; ++v) EXPECT_EQ((geo->creaseFlags[v] & kCreaseSeam) != 0, v <= 3) << v;
  // Smooth face lists merge across the group.
  GVBuildGeoSmoothFaceLists(geo.get());
  for (int32_t v = 1; v <= 3; ++v) EXPECT_EQ(geo->vertexFaceLists[v].count, 3) << v;

  // Move them apart: no group, and the flag goes.
  geo->baseVertices[2][0] = 0.5f;
  geo->baseVertices[3][1] = 0.5f;
  GVBuildGeoSeamLists(geo.get());
  EXPECT_EQ(geo->seamLists[0].items[0], 0);
  EXPECT_FALSE(geo->flags & GEO_FLAG_SEAM_LISTS);
}

TEST(MeshDerived, SeamToleranceIsStrict) {
  GeoPtr geo(makeGeo(1, "tol", {{0, 0, 0}, {0, 0, 0}, {5, 0, 0}}, {{1, 2, 3}}));
  geo->faceSize = 1.0f;
  const float tol = 1.0f * 0.0001f;
  const struct {
    float gap;
    bool coincident;
  } cases[] = {{tol, false}, {tol * 0.999f, true}, {0.0f, true}, {tol * 2.0f, false}};
  for (const auto& c : cases) {
    geo->baseVertices[2][0] = c.gap;
    geo->flags |= GEO_FLAG_SEAM_LISTS;
    GVBuildGeoSeamLists(geo.get());
    EXPECT_EQ(geo->seamLists[0].items[0], c.coincident ? 1 : 0) << c.gap;
  }
}

TEST(MeshDerived, FlaggedUVSetsRestrictTheSeamSearch) {
  GeoPtr geo(makeGeo(1, "uv", {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                     {{1, 3, 5}, {2, 4, 5}}));
  GVCalcGeoFaceSize(geo.get());
  GVNewGeoUVSets(geo.get(), 2);
  UVSet& s = geo->uvSets->sets[1];
  s.setBits = kUVSetFlagged;
  s.uvCount = 2;
  s.uvCorners = GVNewGeoArray<UVCorner>(3);
  s.uvCorners[1].vertex = 3;
  s.uvCorners[2].vertex = 4;
  geo->flags |= GEO_FLAG_SEAM_LISTS;
  GVBuildGeoSeamLists(geo.get());
  EXPECT_EQ(groupsOf(geo->seamLists), (std::vector<std::vector<int32_t>>{{3, 4}}));
  for (int32_t v = 1; v <= 5; ++v) EXPECT_EQ(geo->creaseFlags[v] & kCreaseSeamScratch, 0);
}

// The grid search must find exactly the groups of the pairwise definition.
TEST(MeshDerived, SeamAndCoincidentSearchesMatchThePairwiseDefinition) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> cell(0, 9);
  std::uniform_int_distribution<int> jitter(-3, 3);
  std::vector<V3> v;
  const float tol = 0.0001f;  // face size 1
  for (int i = 0; i < 600; ++i)
    v.push_back({cell(rng) * 0.5f + jitter(rng) * tol * 0.4f, cell(rng) * 0.5f, 0.25f * (i % 3)});
  GeoPtr geo(makeGeo(1, "cloud", v, {{1, 2, 3}}));
  geo->faceSize = 1.0f;
  geo->flags |= GEO_FLAG_SEAM_LISTS;
  GVBuildGeoSeamLists(geo.get());
  GVBuildGeoCoincidentLists(geo.get());

  const int32_t n = geo->vertexCount;
  auto close = [&](int32_t i, int32_t j) {
    const float* p = geo->baseVertices[i];
    const float* q = geo->baseVertices[j];
    const float d0 = q[0] - p[0], d1 = q[1] - p[1], d2 = q[2] - p[2];
    return d0 * d0 + d1 * d1 + d2 * d2 < tol * tol;
  };
  std::vector<std::vector<int32_t>> seams, coincident;
  std::vector<bool> taken(static_cast<size_t>(n) + 1, false);
  for (int32_t i = 1; i <= n; ++i) {
    std::vector<int32_t> g{i}, c{i};
    for (int32_t j = i + 1; j <= n; ++j) {
      if (close(i, j)) g.push_back(j);
      if (!taken[i] && !taken[j] && close(i, j)) {
        c.push_back(j);
        taken[j] = true;
      }
    }
    if (g.size() > 1) seams.push_back(g);
    if (c.size() > 1) {
      taken[i] = true;
      coincident.push_back(c);
    }
  }
  ASSERT_GT(seams.size(), 10u);
  EXPECT_EQ(groupsOf(geo->seamLists), seams);
  EXPECT_EQ(groupsOf(geo->coincidentLists), coincident);
}

TEST(MeshDerived, FaceSizeRenderNormalsAndVertexServices) {
  GeoPtr tri(makeGeo(1, "tri", {{0, 0, 0}, {3, 0, 0}, {0, 3, 0}}, {{1, 2, 3}}));
  EXPECT_NEAR(GVCalcGeoFaceSize(tri.get()), 0.75f * std::sqrt(5.0f), 1e-3f);
  GeoPtr bare(makeGeo(2, "points", {{0, 0, 0}, {1, 1, 1}}));
  EXPECT_EQ(GVCalcGeoFaceSize(bare.get()), 0.0f);

  for (int32_t t = 1; t <= tri->triangleCount; ++t) {
    tri->triangleVectors[t][0] = 0.0f;
    tri->triangleVectors[t][2] = 2.0f;
  }
  GVCalcGeoRenderNormals(tri.get());
  for (int32_t v = 1; v <= 3; ++v) EXPECT_FLOAT_EQ(tri->renderNormals[v][2], 1.0f);

  EXPECT_EQ(GVSetGeoVertex(4, tri.get(), 1, 2, 3), nullptr);
  EXPECT_EQ(GVSetGeoVertex(-1, tri.get(), 1, 2, 3), nullptr);
  float* b = GVSetGeoVertex(2, tri.get(), 1, 2, 3);
  ASSERT_EQ(b, tri->baseVertices[2]);
  EXPECT_EQ(tri->vertices[2][1], 2.0f);

  float lo = 0, hi = 0;
  GVGeoVertexDistanceRange(-7, std::array<float, 3>{0, 0, 0}.data(), tri.get(), &lo, &hi);
  EXPECT_FLOAT_EQ(lo, 0.0f);
  EXPECT_FLOAT_EQ(hi, 14.0f);
  GVGeoVertexDistanceRange(-3, std::array<float, 3>{0, 0, 0}.data(), tri.get(), &lo, &hi);
  EXPECT_EQ(lo, 9e10f);
  EXPECT_EQ(hi, 1e-10f);
  tri->vertexFlags[3] = 0;
  EXPECT_EQ(GVGeoVertexIsBound(1, tri.get()), GEO_VERTEX_BOUND);
  EXPECT_EQ(GVGeoVertexIsBound(3, tri.get()), 0);
  EXPECT_EQ(GVGeoVertexIsBound(4, tri.get()), 0);
}

TEST(MeshDerived, GridDimensions) {
  const float box[6] = {0, 10, 0, 5.25f, 0, 5.1f};
  LatticeDims d;
  EXPECT_EQ(GVCalcGridDims(box, 11, 1, &d), 6);
  EXPECT_FLOAT_EQ(d.cellSize, 1.0f);
  EXPECT_EQ(d.maxIndex[0], 11);
  EXPECT_EQ(d.maxIndex[1], 7);
  EXPECT_EQ(d.maxIndex[2], 6);
  EXPECT_EQ(d.scale[1], 1.0f);
  const struct {
    int32_t n, axis;
  } refused[] = {{1, 1}, {11, 0}, {11, 5}};
  for (const auto& r : refused) {
    EXPECT_EQ(GVCalcGridDims(box, r.n, r.axis, &d), 0);
    EXPECT_EQ(d.cellSize, 0.0f);
    EXPECT_EQ(d.maxIndex[0], 0);
  }
  // A flat box: the cell size is floored at 0.01, the counts at 2, 2 and 1.
  const float flat[6] = {0, 0, 0, 0, 0, 0};
  EXPECT_EQ(GVCalcGridDims(flat, 5, 4, &d), 1);
  EXPECT_FLOAT_EQ(d.cellSize, 0.01f);
  EXPECT_EQ(d.maxIndex[0], 2);
}

TEST(MeshDerived, IdRenumbering) {
  GeoPtr geo(makeGeo(3, "ids", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}}));
  geo->jelId = 5;
  geo->vertBinds[1].jelId = 5;
  geo->vertBinds[2].jelId = 9;
  geo->vertBinds[3].jelId = 7;
  geo->cellBind = new GeoCellBind{};
  geo->cellBind->jelId = 9;
  geo->attach = new GeoAttach{};
  geo->attach->type = 2;
  geo->attach->geo0 = 4;
  geo->attach->jelStart = 5;

  GVShiftGeoIds(geo.get(), 10);
  EXPECT_EQ(geo->id, 13);
  EXPECT_EQ(geo->jelId, 15);
  EXPECT_EQ(geo->attach->geo0, 14);
  EXPECT_EQ(geo->attach->geoZ, 0);
  EXPECT_EQ(geo->attach->jelStart, 15);
  EXPECT_EQ(geo->cellBind->jelId, 19);
  EXPECT_EQ(geo->vertBinds[0].jelId, 0);

  GVReplaceGeoJelId(geo.get(), 15, 6);
  EXPECT_EQ(geo->jelId, 6);
  EXPECT_EQ(geo->vertBinds[1].jelId, 6);
  EXPECT_EQ(geo->attach->jelStart, 6);

  const int32_t table[] = {0, 19, 6};
  GVRenumberGeoJelIds(geo.get(), 2, table);
  EXPECT_EQ(geo->jelId, 2);
  EXPECT_EQ(geo->vertBinds[1].jelId, 2);
  EXPECT_EQ(geo->vertBinds[2].jelId, 1);
  EXPECT_EQ(geo->vertBinds[3].jelId, 0);  // not in the table: unbound
  EXPECT_EQ(geo->cellBind->jelId, 1);
  EXPECT_EQ(geo->attach->jelStart, 2);
}
