#include "geo/geo_edits.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "geo/geo_fixtures.h"
#include "geo/geo_materials.h"
#include "geo/geo_transform.h"
#include "geo/mesh_bounds.h"
#include "geo/mesh_normals.h"
#include "jel/vector_math.h"
#include "geo/geo_list_services.h"

namespace {

using geotest::Quad;
using geotest::Tri;
using geotest::V3;

struct GeoEdits : testing::Test {
  ObjHandle* listCell = new ObjHandle;
  void SetUp() override {
    GVNewGeoList(listCell);
    ASSERT_NE(GVGeoListOf(listCell), nullptr);
  }
  void TearDown() override {
    GVFreeGeoList(&listCell);
    EXPECT_EQ(listCell, nullptr);
  }
  GeoList* list() const { return GVGeoListOf(listCell); }
  // Appends a Geo with the next free id; returns it.
  GObject* add(const char* name, const std::vector<V3>& verts, const std::vector<Tri>& tris = {},
               const std::vector<Quad>& quads = {}, uint32_t groupMask = 2) {
    GObject* geo = geotest::makeGeo(GVNextGeoId(listCell), name, verts, tris, quads);
    EXPECT_NE(geo, nullptr);
    geo->groupMask = groupMask;
    ObjHandle* cell = new ObjHandle;
    cell->object = geo;
    geo->handle = cell;
    GVAddGeoToScene(listCell, cell);
    return geo;
  }
  GObject* box(const char* name = "Box", uint32_t groupMask = 2) {
    return add(name, geotest::boxCorners({0, 0, 1}, {1, 2, 3}), geotest::boxTriangles(), {}, groupMask);
  }
  int count() const {
    int n = 0;
    for (const GObject* g = list()->head; g; g = g->next) ++n;
    return n;
  }
};

void Rotation(float rx, float ry, float rz, float out[9]) {
  const float r[3] = {rx, ry, rz};
  GVRotationFromVector(r, out);
}

// Every base vertex placed by each slot of the copy equals the source's
// placed vertex with z negated.
void ExpectPlacedMirrored(const GObject* src, const GObject* inv) {
  for (int sel : {GEO_SEL_START, GEO_SEL_BIRTH, GEO_SEL_FRAME})
    for (int32_t i = 1; i <= src->vertexCount; ++i) {
      float a[3], b[3];
      GVTransformGeoPoint(src, src->baseVertices[i], sel, a);
      GVTransformGeoPoint(inv, inv->baseVertices[i], sel, b);
      for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(b[k], k == 2 ? -a[k] : a[k], 1e-5f) << "slot " << sel << " vertex " << i << " axis " << k;
    }
}

TEST_F(GeoEdits, MirroredCopyNegatesZAndKeepsFacesOutward) {
  GObject* src = box();
  float R[9];
  Rotation(0.3f, -0.2f, 0.5f, R);
  const float t[3] = {1, 2, 3};
  GVSetGeoTransform(src, GEO_SEL_START, t, R, nullptr, 0.0f);
  GVSetGeoTransform(src, GEO_SEL_FRAME2, t, R, nullptr, 0.0f);
  GVCalcGeoFaceNormals(src);
  const int32_t id = GVInvertGeo(listCell, src->id, "%s_INV");
  ASSERT_EQ(id, 2);
  GObject* inv = GVGetGeoById(list(), id);
  ASSERT_NE(inv, nullptr);
  EXPECT_STREQ(inv->name, "Box_INV");
  EXPECT_EQ(list()->head->next, inv);  // appended
  ASSERT_EQ(inv->vertexCount, 8);
  for (int32_t i = 1; i <= 8; ++i) {
    EXPECT_EQ(inv->baseVertices[i][0], src->baseVertices[i][0]);
    EXPECT_EQ(inv->baseVertices[i][2], -src->baseVertices[i][2]);
    EXPECT_EQ(inv->vertices[i][2], -src->vertices[i][2]);
  }
  for (int32_t k = 1; k <= 12; ++k) {
    EXPECT_EQ(inv->triangles[k][0], src->triangles[k][0]);
    EXPECT_EQ(inv->triangles[k][1], src->triangles[k][2]);
    EXPECT_EQ(inv->triangles[k][2], src->triangles[k][1]);
  }
  // The mirror image of an outward normal, recomputed from the new mesh.
  for (int32_t k = 1; k <= 12; ++k) {
    EXPECT_NEAR(inv->faceNormals[k][0], src->faceNormals[k][0], 1e-5f);
    EXPECT_NEAR(inv->faceNormals[k][2], -src->faceNormals[k][2], 1e-5f);
  }
  for (const GTransform& slot : {inv->xform[GEO_SLOT_START], inv->xform[GEO_SLOT_FRAME2]})
    EXPECT_EQ(slot.position[2], -3.0f);
  ExpectPlacedMirrored(src, inv);
}

// The copy placed by any slot is the source placed by that slot and reflected
// in z: for turns about every axis, and for a scaled Geo.
TEST_F(GeoEdits, MirroredCopyIsPlacedAsTheReflectionOfTheSource) {
  float turnZ[9], turnAll[9], scaled[9];
  Rotation(0.0f, 0.0f, 0.8f, turnZ);
  Rotation(0.4f, -0.9f, 0.3f, turnAll);
  const float stretch[3] = {2.0f, 0.5f, 3.0f};
  GVMat3MulDiag(scaled, turnAll, stretch);
  const float t[3] = {1.5f, -2.0f, 0.75f};
  const float scale[3] = {1.0f, 2.0f, 0.5f};
  for (const float* M : {turnZ, turnAll, scaled}) {
    GObject* src = box();
    GVSetGeoTransform(src, GEO_SEL_START, t, M, scale, 0.0f);
    GVSetGeoTransform(src, GEO_SEL_FRAME, t, M, nullptr, 0.0f);
    GObject* inv = GVGetGeoById(list(), GVInvertGeo(listCell, src->id, "%s_INV"));
    ASSERT_NE(inv, nullptr);
    ExpectPlacedMirrored(src, inv);
  }
}

TEST_F(GeoEdits, MirroringTwiceGivesTheSourceBack) {
  GObject* src = add("Mixed", {{0, 0, 0}, {1, 0, 0.5f}, {1, 1, 1}, {0, 1, -2}, {2, 2, 2}}, {{1, 2, 3}, {1, 3, 4}},
                     {{1, 2, 5, 4}});
  float R[9];
  Rotation(0.1f, 0.7f, -0.4f, R);
  const float t[3] = {-1, 4, 2};
  GVSetGeoTransform(src, GEO_SEL_FRAME, t, R, nullptr, 0.0f);
  const int32_t once = GVInvertGeo(listCell, src->id, "%s_M");
  const int32_t twice = GVInvertGeo(listCell, once, "%s_M");
  GObject* back = GVGetGeoById(list(), twice);
  ASSERT_NE(back, nullptr);
  EXPECT_STREQ(back->name, "Mixed_M_M");
  for (int32_t i = 1; i <= 5; ++i)
    for (int a = 0; a < 3; ++a) {
      EXPECT_EQ(back->baseVertices[i][a], src->baseVertices[i][a]);
      EXPECT_EQ(back->vertices[i][a], src->vertices[i][a]);
    }
  for (int32_t k = 1; k <= 2; ++k)
    for (int a = 0; a < 3; ++a) EXPECT_EQ(back->triangles[k][a], src->triangles[k][a]);
  for (int a = 0; a < 4; ++a) EXPECT_EQ(back->quads[1][a], src->quads[1][a]);
  for (int s = 0; s < GEO_SLOT_COUNT; ++s)
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(back->xform[s].matrix[k], src->xform[s].matrix[k], 1e-5f);
  EXPECT_EQ(back->xform[GEO_SLOT_FRAME].position[2], 2.0f);
}

TEST_F(GeoEdits, MirroredQuadsAreRewound) {
  GObject* src = add("Quad", {{0, 0, 1}, {1, 0, 1}, {1, 1, 2}, {0, 1, 2}}, {}, {{1, 2, 3, 4}});
  GVCalcGeoFaceNormals(src);
  GObject* inv = GVGetGeoById(list(), GVInvertGeo(listCell, src->id, "%s_INV"));
  ASSERT_NE(inv, nullptr);
  EXPECT_EQ(inv->quads[1][0], 1);
  EXPECT_EQ(inv->quads[1][1], 4);
  EXPECT_EQ(inv->quads[1][3], 2);
  EXPECT_NEAR(inv->faceNormals[1][1], src->faceNormals[1][1], 1e-5f);
  EXPECT_NEAR(inv->faceNormals[1][2], -src->faceNormals[1][2], 1e-5f);
}

TEST_F(GeoEdits, MirrorNamesAreUniqueAndBadRequestsChangeNothing) {
  GObject* src = box();
  EXPECT_STREQ(GVGetGeoById(list(), GVInvertGeo(listCell, src->id, "%s_INV"))->name, "Box_INV");
  EXPECT_STREQ(GVGetGeoById(list(), GVInvertGeo(listCell, src->id, "%s_INV"))->name, "Box_INV2");
  EXPECT_EQ(count(), 3);
  for (const char* format : {"%d_INV", "%s%s", "copy", "%s_%n", "%", static_cast<const char*>(nullptr)})
    EXPECT_EQ(GVInvertGeo(listCell, src->id, format), 0) << (format ? format : "null");
  EXPECT_EQ(GVInvertGeo(listCell, 99, "%s_INV"), 0);
  EXPECT_EQ(GVInvertGeo(listCell, 0, "%s_INV"), 0);
  EXPECT_EQ(GVInvertGeo(nullptr, 1, "%s_INV"), 0);
  EXPECT_EQ(GVInvertGeo(listCell, src->id, " %s"), 4);  // cleaning keeps the name usable
  EXPECT_EQ(count(), 4);
  EXPECT_STREQ(GVGetGeoById(list(), 4)->name, "Box2");
  EXPECT_EQ(GVInvertGeo(listCell, src->id, "%%%s"), 5);  // "%Box" cleans to "Box", taken
}

TEST_F(GeoEdits, CentreGeoBaseMovesTheCentreIntoTheSlots) {
  GObject* geo = add("Off", {{2, 1, 5}, {4, 1, 5}, {4, 3, 9}});
  std::vector<V3> placed;
  for (int32_t i = 1; i <= 3; ++i) placed.push_back({geo->vertices[i][0], geo->vertices[i][1], geo->vertices[i][2]});
  GVCentreGeoBase(geo->handle);
  float box[6];
  ASSERT_EQ(GVGetGeoBaseBounds(geo, box), 1);
  EXPECT_EQ(box[0], -1.0f);
  EXPECT_EQ(box[1], 1.0f);
  EXPECT_EQ(box[4], -2.0f);
  const float want[3] = {3, 2, 7};
  for (int a = 0; a < 3; ++a) {
    EXPECT_EQ(geo->xform[GEO_SLOT_START].position[a], want[a]);
    EXPECT_EQ(geo->xform[GEO_SLOT_FRAME].position[a], want[a]);
  }
  for (int32_t i = 1; i <= 3; ++i)
    for (int a = 0; a < 3; ++a) EXPECT_FLOAT_EQ(geo->vertices[i][a], placed[static_cast<size_t>(i - 1)][a]);
  // A scaled start transform keeps the base where it is.
  GObject* scaled = add("Scaled", {{2, 1, 5}, {4, 1, 5}});
  const float s[3] = {1, 1.001f, 1};
  GVSetGeoTransformScale(s, GEO_SEL_START, scaled);
  GVCentreGeoBase(scaled->handle);
  EXPECT_EQ(scaled->baseVertices[1][0], 2.0f);
  EXPECT_EQ(scaled->xform[GEO_SLOT_START].position[0], 0.0f);
  GVCentreGeoBase(nullptr);
}

TEST_F(GeoEdits, GroupOfTrianglesAndQuadsIsNotUniform) {
  const std::vector<V3> quad = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  add("T", quad, {{1, 2, 3}}, {}, 2 | 8);
  add("Q", quad, {}, {{1, 2, 3, 4}}, 2 | 16);
  add("TQ", quad, {{1, 2, 3}}, {{1, 2, 3, 4}}, 2 | 32);
  add("T2", quad, {{1, 3, 4}}, {}, 2 | 8 | 16);
  add("Bare", {{0, 0, 0}}, {}, {}, 2 | 8 | 16 | 32);
  const struct {
    int32_t group;
    int uniform;
  } cases[] = {{-3, 1}, {-4, 0}, {-5, 0}, {-1, 0}, {-6, 1}, {-2, 1}};
  for (const auto& c : cases) EXPECT_EQ(GVGeoGroupIsUniform(list(), c.group), c.uniform) << c.group;
}

// A Geo's UV container with n sets; flagged marks set 1.
void GiveSets(GObject* geo, int32_t n, int32_t materials, bool flagged = false) {
  geo->uvSets = new UVSetArray{n, n ? new UVSet[static_cast<size_t>(n)] : nullptr};
  if (flagged && n > 1) geo->uvSets->sets[1].setBits = 0x2;
  if (materials) geo->materials = new GeoMaterialArray{materials, new GeoMaterial[static_cast<size_t>(materials)]};
}

TEST_F(GeoEdits, UVSetsMustCorrespondForAMerge) {
  const std::vector<V3> tri = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  GiveSets(add("A", tri, {{1, 2, 3}}, {}, 2 | 4), 2, 2);
  GiveSets(add("B", tri, {{1, 2, 3}}, {}, 2 | 4 | 8), 2, 2);
  GiveSets(add("C", tri, {{1, 2, 3}}, {}, 2 | 8), 2, 1);
  GiveSets(add("D", tri, {{1, 2, 3}}, {}, 2 | 16), 2, 2, true);
  GiveSets(add("E", tri, {{1, 2, 3}}, {}, 2 | 16 | 32), 2, 2);
  add("F", tri, {{1, 2, 3}}, {}, 2 | 64);
  EXPECT_EQ(GVGeoSelUVSetCount(list(), -2), 2);  // A and B
  EXPECT_EQ(GVGeoSelUVSetCount(list(), -3), 0);  // B and C: material counts differ
  EXPECT_EQ(GVGeoSelUVSetCount(list(), -4), 0);  // D flagged, E not
  EXPECT_EQ(GVGeoSelUVSetCount(list(), -5), 2);  // E alone
  EXPECT_EQ(GVGeoSelUVSetCount(list(), -6), 0);  // F has no sets
  EXPECT_EQ(GVGeoSelUVSetCount(list(), -7), 0);  // nobody
  EXPECT_EQ(GVGeoGroupUVSetTotal(list(), -2), 4);
  EXPECT_EQ(GVGeoGroupUVSetTotal(list(), -1), 10);
  EXPECT_EQ(GVGeoGroupUVSetTotal(list(), -6), 0);
}

TEST_F(GeoEdits, AtMostTwentyUVSetsInAll) {
  const std::vector<V3> tri = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  GiveSets(add("A", tri, {{1, 2, 3}}, {}, 4), 15, 1);
  GiveSets(add("B", tri, {{1, 2, 3}}, {}, 4), 5, 1);
  EXPECT_EQ(GVGeoGroupUVSetTotal(list(), -2), 20);
  GiveSets(add("C", tri, {{1, 2, 3}}, {}, 4), 1, 1);
  EXPECT_EQ(GVGeoGroupUVSetTotal(list(), -2), 0);
}

// Three pieces: a triangle fan (1..4), a lone triangle (5..7) and a strip
// (8..11) whose triangles are listed out of order; vertex 12 is unused.
std::vector<Tri> PieceTriangles() { return {{9, 10, 11}, {1, 2, 3}, {5, 6, 7}, {1, 3, 4}, {8, 9, 10}}; }
std::vector<V3> Points(int n) {
  std::vector<V3> v;
  for (int i = 0; i < n; ++i) v.push_back({static_cast<float>(i), static_cast<float>(i % 3), 0});
  return v;
}

TEST_F(GeoEdits, FloodMarksTheConnectedPiece) {
  GObject* geo = add("Pieces", Points(12), PieceTriangles());
  const struct {
    int32_t seed;
    int32_t count;
    std::vector<int32_t> marked;
  } cases[] = {
      {1, 4, {1, 2, 3, 4}}, {6, 3, {5, 6, 7}}, {11, 4, {8, 9, 10, 11}}, {8, 4, {8, 9, 10, 11}}, {12, 1, {12}},
  };
  for (const auto& c : cases) {
    std::vector<int32_t> marks(13, 0);
    marks[static_cast<size_t>(c.seed)] = 1;
    EXPECT_EQ(GVFloodMarkVerts(list(), geo->id, marks.data()), c.count) << c.seed;
    std::vector<int32_t> got;
    for (int32_t v = 1; v <= 12; ++v)
      if (marks[static_cast<size_t>(v)]) got.push_back(v);
    EXPECT_EQ(got, c.marked) << c.seed;
  }
  std::vector<int32_t> marks(13, 0);
  EXPECT_EQ(GVFloodMarkVerts(list(), geo->id, marks.data()), 0);
  EXPECT_EQ(GVFloodMarkVerts(list(), 42, marks.data()), 0);
  EXPECT_EQ(GVFloodMarkVerts(list(), geo->id, nullptr), 0);
}

TEST_F(GeoEdits, LooseVertices) {
  GObject* pieces = add("Pieces", Points(12), PieceTriangles());
  std::vector<int32_t> work(13, 7);
  EXPECT_EQ(GVCountLooseVerts(list(), pieces->id, work.data()), 1);
  EXPECT_EQ(GVCountLooseVerts(list(), pieces->id, nullptr), 1);
  GObject* tight = add("Tight", Points(4), {{1, 2, 3}, {2, 3, 4}});
  EXPECT_EQ(GVCountLooseVerts(list(), tight->id, nullptr), 0);
  // Quads do not hold vertices together: their corners count as loose.
  GObject* quads = add("Quads", Points(5), {{1, 2, 3}}, {{2, 3, 4, 5}});
  EXPECT_EQ(GVCountLooseVerts(list(), quads->id, nullptr), 2);
  EXPECT_EQ(GVCountLooseVerts(list(), 99, nullptr), -1);
  EXPECT_EQ(GVCountLooseVerts(nullptr, 1, nullptr), -1);
}

TEST(GeoListFree, DeletesEveryGeoAndTheCell) {
  ObjHandle* cell = new ObjHandle;
  GVNewGeoList(cell);
  for (int32_t id = 1; id <= 3; ++id) {
    ObjHandle* g = GVCreateGeo();
    GVGeoOf(g)->id = id;
    GVAddGeoToScene(cell, g);
  }
  GVFreeGeoList(&cell);
  EXPECT_EQ(cell, nullptr);
  GVFreeGeoList(&cell);
  GVFreeGeoList(nullptr);
}

}  // namespace

namespace {

std::vector<std::string> Names(const GeoList* list) {
  std::vector<std::string> out;
  for (const GObject* g = list->head; g; g = g->next) out.push_back(g->name);
  return out;
}

TEST_F(GeoEdits, UnMergeThreePiecesGivesConsecutiveIds) {
  std::vector<Tri> tris = PieceTriangles();
  std::vector<V3> pts = Points(11);
  GObject* merged = add("Merged", pts, tris);
  const float t[3] = {0, 0, 4};
  GVSetGeoTransformPos(t, GEO_SEL_FRAME, merged);
  int32_t first = -1, last = -1;
  EXPECT_EQ(GVUnMergeGeo(listCell, merged->id, &first, &last), 3);
  EXPECT_EQ(first, 2);
  EXPECT_EQ(last, 4);
  EXPECT_EQ(Names(list()), (std::vector<std::string>{"Merged", "GA_11", "GA_32", "GB_32"}));
  const int32_t sizes[] = {4, 3, 4};
  int32_t id = 2;
  for (const GObject* g = list()->head->next; g; g = g->next, ++id) {
    EXPECT_EQ(g->id, id);
    EXPECT_EQ(g->vertexCount, sizes[id - 2]);
    EXPECT_EQ(GVCountLooseVerts(list(), g->id, nullptr), 0);
    // Each piece sits where the merged Geo showed it.
    for (int32_t v = 1; v <= g->vertexCount; ++v) EXPECT_EQ(g->baseVertices[v][2], 4.0f);
  }
  // The lone triangle keeps its vertex order.
  const GObject* lone = GVGetGeoById(list(), 3);
  EXPECT_EQ(lone->baseVertices[1][0], 4.0f);
  EXPECT_EQ(lone->triangles[1][0], 1);
  EXPECT_EQ(lone->triangles[1][2], 3);
  EXPECT_EQ(GVGetGeoById(list(), 1), merged);  // the source stays
}

TEST_F(GeoEdits, UnMergeRefusals) {
  GObject* one = add("One", Points(4), {{1, 2, 3}, {2, 3, 4}});
  int32_t first = -1, last = -1;
  EXPECT_EQ(GVUnMergeGeo(listCell, one->id, &first, &last), 0);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 0);
  GObject* loose = add("Loose", Points(12), PieceTriangles());
  EXPECT_EQ(GVUnMergeGeo(listCell, loose->id, &first, &last), -2);
  GObject* quads = add("Quads", Points(5), {{1, 2, 3}}, {{2, 3, 4, 5}});
  EXPECT_EQ(GVUnMergeGeo(listCell, quads->id, &first, &last), -2);
  EXPECT_EQ(GVUnMergeGeo(listCell, 77, &first, &last), -2);
  EXPECT_EQ(GVUnMergeGeo(listCell, 0, &first, &last), -1);
  EXPECT_EQ(GVUnMergeGeo(nullptr, 1, &first, &last), -1);
  EXPECT_EQ(count(), 3);
}

TEST_F(GeoEdits, SplitPieceKeepsEitherSide) {
  GObject* g = add("Two", Points(7), {{1, 2, 3}, {5, 6, 7}, {1, 3, 4}});
  const int32_t a = GVSplitGeoPiece(listCell, g->id, 1, "A");
  const int32_t b = GVSplitGeoPiece(listCell, g->id, 0, "B");
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_EQ(GVGetGeoById(list(), a)->vertexCount, 4);
  EXPECT_EQ(GVGetGeoById(list(), b)->vertexCount, 3);
  EXPECT_EQ(GVGetGeoById(list(), b)->triangles[1][1], 2);
  GObject* whole = add("Whole", Points(3), {{1, 2, 3}});
  EXPECT_EQ(GVSplitGeoPiece(listCell, whole->id, 1, "X"), 0);
  EXPECT_EQ(GVSplitGeoPiece(listCell, whole->id, 0, "Y"), 0);
  EXPECT_EQ(GVSplitGeoPiece(listCell, 99, 1, "Z"), 0);
  EXPECT_EQ(count(), 4);
}

}  // namespace

#include "geo/uv_sets.h"

namespace {

TEST_F(GeoEdits, MirroredCopyRewindsUVFaceEntries) {
  GObject* src = add("Uv", Points(4), {{1, 2, 3}, {2, 4, 3}});
  ASSERT_EQ(GVNewGeoUVSets(src, 2), 0);
  UVSet& s = src->uvSets->sets[1];
  s.uvCount = 4;
  s.faceCount = 2;
  s.uvCorners = GVNewGeoArray<UVCorner>(5);
  s.uvFaces = GVNewGeoArray<UVFace>(3);
  s.uvFaces[1] = UVFace{{1, 2, 3}};
  s.uvFaces[2] = UVFace{{2, 4, 3}};
  GObject* inv = GVGetGeoById(list(), GVInvertGeo(listCell, src->id, "%s_INV"));
  ASSERT_NE(inv, nullptr);
  ASSERT_NE(inv->uvSets, nullptr);
  const UVSet& m = inv->uvSets->sets[1];
  EXPECT_EQ(m.uvFaces[1].corner[1], 3);
  EXPECT_EQ(m.uvFaces[1].corner[2], 2);
  EXPECT_EQ(m.uvFaces[2].corner[1], 3);
  EXPECT_EQ(m.uvFaces[2].corner[2], 4);
  EXPECT_EQ(s.uvFaces[1].corner[1], 2);  // the source keeps its own
}

}  // namespace

namespace {

TEST(GeoUnMergeMessage, OneTextPerOutcome) {
  const struct {
    int32_t selection, result;
    const char* text;
  } cases[] = {
      {-3, 0, "GVUnMergeGeos: Cannot UnMerge Geo 'Group' !"},
      {0, -1, "GVUnMergeGeos: Cannot UnMerge Geo ... bad Geo_ID supplied !"},
      {5, -2, "GVUnMergeGeos: Cannot UnMerge Geo ... Geo contains 'stray' vtxpts !"},
      {5, 0, "GVUnMergeGeos: Cannot UnMerge Geo !"},
      {5, 3, "GVUnMergeGeos: UnMerge Geo successful ... number 'new' geos = 3"},
  };
  for (const auto& c : cases) {
    char text[200];
    GVUnMergeMessage(c.selection, c.result, text, sizeof text);
    EXPECT_STREQ(text, c.text);
  }
  char small[8];
  GVUnMergeMessage(1, 2, small, sizeof small);
  EXPECT_STREQ(small, "GVUnMer");
}

}  // namespace
