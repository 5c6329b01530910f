#include "geo/geo_merge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geo/geo_edits.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_materials.h"
#include "geo/geo_transform.h"
#include "geo/uv_sets.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"

namespace {

using geotest::Quad;
using geotest::Tri;
using geotest::V3;

std::vector<V3> Strip(int n, float x0) {
  std::vector<V3> v;
  for (int i = 0; i < n; ++i) v.push_back({x0 + static_cast<float>(i / 2), static_cast<float>(i % 2), 0});
  return v;
}
std::vector<Tri> StripTris(int n) {
  std::vector<Tri> t;
  for (int i = 1; i + 2 <= n; ++i) t.push_back({i, i + 1, i + 2});
  return t;
}

// Set k of the Geo with one corner per vertex (u = vertex, v = k) and one face
// entry per triangle.
void CornerSet(GObject* g, int32_t k, const char* name) {
  UVSet& s = g->uvSets->sets[k];
  GVSetString(&s.name, name);
  s.uvCount = g->vertexCount;
  s.faceCount = g->triangleCount;
  s.uvCorners = GVNewGeoArray<UVCorner>(s.uvCount + 1);
  s.uvFaces = GVNewGeoArray<UVFace>(s.faceCount + 1);
  for (int32_t j = 1; j <= s.uvCount; ++j) s.uvCorners[j] = UVCorner{j, static_cast<float>(j), static_cast<float>(k)};
  for (int32_t j = 1; j <= s.faceCount; ++j)
    for (int c = 0; c < 3; ++c) s.uvFaces[j].corner[c] = g->triangles[j][c];
}

// Set k with one (u, v) pair per vertex.
void PairSet(GObject* g, int32_t k, const char* name) {
  UVSet& s = g->uvSets->sets[k];
  GVSetString(&s.name, name);
  s.uvCount = g->vertexCount;
  s.uvPairs = GVNewGeoArray<float[2]>(s.uvCount + 1);
  for (int32_t j = 1; j <= s.uvCount; ++j) {
    s.uvPairs[j][0] = static_cast<float>(g->id * 100 + j);
    s.uvPairs[j][1] = static_cast<float>(k);
  }
}

// Where the start transform places base vertex v (the merged Geo's current
// vertices are reset to the base once it is listed).
float Placed(const GObject* g, int32_t v, int a) {
  float out[3];
  GVTransformGeoPoint(g, g->baseVertices[v], GEO_SEL_START, out);
  return out[a];
}

struct GeoMerge : testing::Test {
  ObjHandle* listCell = new ObjHandle;
  void SetUp() override { GVNewGeoList(listCell); }
  void TearDown() override { GVFreeGeoList(&listCell); }
  GeoList* list() const { return GVGeoListOf(listCell); }
  GObject* add(int32_t id, const char* name, const std::vector<V3>& verts, const std::vector<Tri>& tris,
               const std::vector<Quad>& quads, uint32_t groupMask, int32_t sets) {
    GObject* geo = geotest::makeGeo(id, name, verts, tris, quads);
    EXPECT_NE(geo, nullptr);
    geo->groupMask = groupMask;
    if (sets) {
      EXPECT_EQ(GVNewGeoUVSets(geo, sets), 0);
    }
    ObjHandle* cell = new ObjHandle;
    cell->object = geo;
    geo->handle = cell;
    GVAddGeoToScene(listCell, cell);
    return geo;
  }
  std::vector<int32_t> Ids() const {
    std::vector<int32_t> out;
    for (const GObject* g = list()->head; g; g = g->next) out.push_back(g->id);
    return out;
  }
};

TEST_F(GeoMerge, SharedSetsJoinCornerByCorner) {
  add(1, "Keep", Strip(3, -5), StripTris(3), {}, 2, 0);
  GObject* a = add(2, "A", Strip(4, 0), StripTris(4), {}, 2 | 8, 1);
  GObject* b = add(3, "B", Strip(6, 3), StripTris(6), {}, 2 | 8, 1);
  CornerSet(a, 0, "map1");
  CornerSet(b, 0, "map1");
  GVBuildGeoMaterials(a, 1);
  GVBuildGeoMaterials(b, 1);
  ObjHandle* cell = GVMergeGeoGroup(listCell, -3, "GeoMRGD_4", 4);
  ASSERT_NE(cell, nullptr);
  GObject* m = GVGeoOf(cell);
  EXPECT_EQ(m->id, 4);
  EXPECT_STREQ(m->name, "GeoMRGD_4");
  EXPECT_EQ(Ids(), (std::vector<int32_t>{1, 4}));  // sources gone, merged Geo appended
  EXPECT_EQ(m->vertexCount, 10);
  ASSERT_EQ(m->triangleCount, 6);
  // The second source's triangles name vertices 5..10.
  EXPECT_EQ(m->triangles[3][0], 5);
  EXPECT_EQ(m->triangles[6][2], 10);
  ASSERT_EQ(m->uvSets->count, 1);
  const UVSet& s = m->uvSets->sets[0];
  EXPECT_STREQ(s.name, "map1");
  ASSERT_EQ(s.uvCount, 10);
  ASSERT_EQ(s.faceCount, 6);
  for (int32_t j = 1; j <= 10; ++j) EXPECT_EQ(s.uvCorners[j].vertex, j);
  EXPECT_EQ(s.uvCorners[5].u, 1.0f);  // the second source's first corner
  for (int32_t f = 3; f <= 6; ++f)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(s.uvFaces[f].corner[c], m->triangles[f][c]);
  // The vertices stay where the sources had them; the base is centred.
  EXPECT_FLOAT_EQ(Placed(m, 1, 0), 0.0f);
  EXPECT_FLOAT_EQ(Placed(m, 10, 0), 5.0f);
  EXPECT_FLOAT_EQ(m->xform[GEO_SLOT_START].position[0], 2.5f);
  EXPECT_FLOAT_EQ(m->baseVertices[1][0], -2.5f);
  ASSERT_NE(m->materials, nullptr);
  EXPECT_EQ(m->materials->materials[0].uvSet, &m->uvSets->sets[0]);
}

TEST_F(GeoMerge, BakedTransformsPlaceTheMergedVertices) {
  GObject* a = add(1, "A", Strip(4, 0), StripTris(4), {}, 2 | 4, 1);
  GObject* b = add(2, "B", Strip(3, 0), StripTris(3), {}, 2 | 4, 1);
  PairSet(a, 0, "s");
  PairSet(b, 0, "s");
  const float ta[3] = {0, 0, 3}, tb[3] = {0, 2, 0};
  GVSetGeoTransformPos(ta, GEO_SEL_FRAME, a);
  GVSetGeoTransformPos(tb, GEO_SEL_FRAME, b);
  GObject* m = GVGeoOf(GVMergeGeoGroup(listCell, -2, "M", 3));
  ASSERT_NE(m, nullptr);
  EXPECT_FLOAT_EQ(Placed(m, 1, 2), 3.0f);
  EXPECT_FLOAT_EQ(Placed(m, 5, 1), 2.0f);
  EXPECT_FLOAT_EQ(Placed(m, 6, 1), 3.0f);
  // Pairs follow one another.
  EXPECT_EQ(m->uvSets->sets[0].uvCount, 7);
  EXPECT_EQ(m->uvSets->sets[0].uvPairs[5][0], 201.0f);
}

TEST_F(GeoMerge, RefusalsChangeNothing) {
  GObject* t = add(1, "T", Strip(4, 0), StripTris(4), {}, 2 | 4 | 16, 1);
  GObject* q = add(2, "Q", Strip(4, 0), {}, {{1, 2, 4, 3}}, 2 | 4, 1);
  GObject* t2 = add(3, "T2", Strip(3, 0), StripTris(3), {}, 2 | 8 | 16, 2);
  GObject* t3 = add(4, "T3", Strip(3, 0), StripTris(3), {}, 2 | 8, 1);
  CornerSet(t, 0, "a");
  CornerSet(t2, 0, "a");
  CornerSet(t3, 0, "a");
  (void)q;
  EXPECT_EQ(GVMergeGeoGroup(listCell, -2, "M", 5), nullptr);    // triangles and quads
  EXPECT_EQ(GVMergeGeoGroupUV(listCell, -2, "M", 5), nullptr);
  EXPECT_EQ(GVMergeGeoGroup(listCell, -3, "M", 5), nullptr);    // 2 sets against 1
  EXPECT_EQ(GVMergeGeoGroup(listCell, -4, "", 5), nullptr);
  EXPECT_EQ(GVMergeGeoGroup(listCell, -4, nullptr, 5), nullptr);
  EXPECT_EQ(GVMergeGeoGroup(listCell, -4, "M", 0), nullptr);
  EXPECT_EQ(GVMergeGeoGroup(listCell, 0, "M", 5), nullptr);
  EXPECT_EQ(GVMergeGeoGroup(listCell, -9, "M", 5), nullptr);    // nobody in the group
  EXPECT_EQ(GVMergeGeoGroup(nullptr, -4, "M", 5), nullptr);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(t->vertexCount, 4);
  EXPECT_STREQ(kGeoMergeRefusedMessage, "Geo group not merged ... Geos in group must have corresponding UVSets");
}

TEST_F(GeoMerge, OwnSetsKeepEverySourceSet) {
  GObject* a = add(3, "A", Strip(4, 0), StripTris(4), {}, 2 | 4, 1);
  GObject* b = add(7, "B", Strip(5, 2), StripTris(5), {}, 2 | 4, 1);
  PairSet(a, 0, "map1");
  PairSet(b, 0, "map1");
  GVBuildGeoMaterials(a, 1);
  GVBuildGeoMaterials(b, 1);
  GObject* m = GVGeoOf(GVMergeGeoGroupUV(listCell, -2, "GeoMRGD_8", 8));
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->uvSets->count, 3);
  const char* names[] = {"AllFaces1", "map1_G3_L0", "map1_G7_L0"};
  for (int k = 0; k < 3; ++k) {
    EXPECT_STREQ(m->uvSets->sets[k].name, names[k]);
    EXPECT_EQ(GVUVSetChainLink(&m->uvSets->sets[k]), 0);
  }
  const UVSet& all = m->uvSets->sets[0];
  EXPECT_EQ(all.uvCount, 9);
  EXPECT_EQ(all.faceCount, 5);
  EXPECT_EQ(all.uvPairs[4][0], 304.0f);
  EXPECT_EQ(all.uvPairs[5][0], 701.0f);
  const UVSet& second = m->uvSets->sets[2];
  EXPECT_EQ(second.uvCount, 5);
  EXPECT_EQ(second.faceCount, 3);
  EXPECT_EQ(second.uvCorners[1].vertex, 5);  // after the first source's 4 vertices
  EXPECT_EQ(second.uvCorners[1].u, 701.0f);
  EXPECT_EQ(second.uvFaces[3].corner[2], 5);  // the source's own triangle
  EXPECT_NE(m->flags & GEO_FLAG_UV_CHAINED, 0u);
  ASSERT_NE(m->materials, nullptr);
  ASSERT_GE(m->materials->count, 3);
  EXPECT_EQ(m->materials->materials[0].mode, 4);
  for (int k = 1; k < 3; ++k) {
    EXPECT_EQ(m->materials->materials[k].uvSetIndex, k);
    EXPECT_EQ(m->materials->materials[k].uvSet, &m->uvSets->sets[k]);
  }
}

TEST_F(GeoMerge, OwnSetsMustFitInOneGeo) {
  // 19 sets in all plus the joined set 0 make 20; one more does not fit.
  GObject* a = add(1, "A", Strip(3, 0), StripTris(3), {}, 2 | 4, 10);
  GObject* b = add(2, "B", Strip(3, 0), StripTris(3), {}, 2 | 4, 9);
  PairSet(a, 0, "a");
  PairSet(b, 0, "b");
  GVBuildGeoMaterials(a, 1);
  GVBuildGeoMaterials(b, 1);
  GObject* c = add(3, "C", Strip(3, 0), StripTris(3), {}, 2 | 8, 1);
  PairSet(c, 0, "c");
  GVBuildGeoMaterials(c, 1);
  // Group 2 (A, B): 19 sets.
  ObjHandle* ok = GVMergeGeoGroupUV(listCell, -2, "M", 4);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(GVGeoOf(ok)->uvSets->count, 20);
  // 20 sets in all would need 21.
  GObject* d = add(5, "D", Strip(3, 0), StripTris(3), {}, 2 | 16, 19);
  GObject* e = add(6, "E", Strip(3, 0), StripTris(3), {}, 2 | 16, 1);
  PairSet(d, 0, "d");
  PairSet(e, 0, "e");
  GVBuildGeoMaterials(e, 1);
  EXPECT_EQ(GVMergeGeoGroupUV(listCell, -4, "N", 7), nullptr);
  EXPECT_EQ(GVGeoOf(GVFindGeo(listCell, 5)), d);
}

TEST_F(GeoMerge, OwnSetsNeedSetZeroPairsAndLastMaterials) {
  GObject* a = add(1, "A", Strip(3, 0), StripTris(3), {}, 2 | 4, 1);
  GObject* b = add(2, "B", Strip(3, 0), StripTris(3), {}, 2 | 4, 1);
  CornerSet(a, 0, "a");
  PairSet(b, 0, "b");
  GVBuildGeoMaterials(b, 1);
  EXPECT_EQ(GVMergeGeoGroupUV(listCell, -2, "M", 3), nullptr);  // A has no set-0 pairs
  GObject* c = add(3, "C", Strip(3, 0), StripTris(3), {}, 2 | 8, 1);
  GObject* d = add(4, "D", Strip(3, 0), StripTris(3), {}, 2 | 8, 1);
  PairSet(c, 0, "c");
  PairSet(d, 0, "d");
  EXPECT_EQ(GVMergeGeoGroupUV(listCell, -3, "M", 5), nullptr);  // D has no materials
  EXPECT_EQ(Ids(), (std::vector<int32_t>{1, 2, 3, 4}));
}

}  // namespace
