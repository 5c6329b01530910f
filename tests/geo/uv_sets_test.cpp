#include "geo/uv_sets.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "geo/geo_fixtures.h"
#include "records/heap_string.h"

using namespace geotest;

namespace {

std::unique_ptr<GObject> gridGeo(int32_t nx, int32_t ny, float z = 0.0f) {
  std::vector<V3> v;
  for (int32_t j = 0; j < ny; ++j)
    for (int32_t i = 0; i < nx; ++i) v.push_back({static_cast<float>(i), static_cast<float>(j) * 2.0f, z});
  std::vector<Tri> t;
  for (int32_t j = 0; j + 1 < ny; ++j)
    for (int32_t i = 0; i + 1 < nx; ++i) {
      const int32_t a = j * nx + i + 1;
      t.push_back({a, a + 1, a + nx});
      t.push_back({a + 1, a + nx + 1, a + nx});
    }
  return std::unique_ptr<GObject>(makeGeo(1, "grid", v, t));
}

// A set of n entries with per-vertex pairs or corners.
void fillSet(UVSet* s, const char* name, int32_t n, bool pairs, bool corners) {
  GVSetString(&s->name, name);
  s->uvCount = n;
  if (pairs) s->uvPairs = GVNewGeoArray<float[2]>(n + 1);
  if (corners) s->uvCorners = GVNewGeoArray<UVCorner>(n + 1);
}

std::string nameOf(const UVSet* s) { return s && s->name ? s->name : "<none>"; }

}  // namespace

TEST(UVSets, ContainersLimitsAndLookups) {
  UVSetArray a{0, nullptr};
  EXPECT_EQ(GVNewUVSetArray(&a, 21), 1);
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.sets, nullptr);
  EXPECT_EQ(GVNewUVSetArray(&a, 20), 1);
  EXPECT_EQ(a.count, 20);
  EXPECT_STREQ(a.sets[19].name, "");
  EXPECT_EQ(GVGetUVSet(&a, -1), nullptr);
  EXPECT_EQ(GVGetUVSet(&a, 20), nullptr);
  EXPECT_EQ(GVGetUVSet(nullptr, 0), nullptr);
  EXPECT_EQ(GVGetUVSet(&a, 19), &a.sets[19]);
  delete[] a.sets;

  GeoMaterialArray m{0, nullptr};
  EXPECT_EQ(GVNewGeoMaterialArray(&m, 0), 1);
  ASSERT_EQ(m.count, 1);
  EXPECT_EQ(m.materials[0].mode, GEO_MAT_OPAQUE);
  EXPECT_EQ(GVFindMaterialOfUVSet(&m, 3), -1);
  m.materials[0].shininess = 4.0f;
  m.materials[0].colourA = new GColour{1, 0.1f, 0.2f, 0.3f, 0.4f};
  EXPECT_EQ(GVAddGeoMaterial(&m), 1);
  ASSERT_EQ(m.count, 2);
  EXPECT_EQ(m.materials[0].shininess, 4.0f);
  ASSERT_NE(m.materials[0].colourA, nullptr);
  EXPECT_EQ(m.materials[0].colourA->b, 0.3f);
  m.materials[1].uvSetIndex = 3;
  EXPECT_EQ(GVFindMaterialOfUVSet(&m, 3), 1);
  EXPECT_EQ(GVFindMaterialOfUVSet(nullptr, 0), -1);
  delete[] m.materials;
}

TEST(UVSets, DeepCopiesAreIndependent) {
  UVSetArray src{0, nullptr};
  GVNewUVSetArray(&src, 2);
  fillSet(&src.sets[1], "b", 3, true, true);
  src.sets[1].uvPairs[2][0] = 0.5f;
  src.sets[1].uvCorners[3].vertex = 7;
  src.sets[1].faceCount = 1;
  src.sets[1].uvFaces = GVNewGeoArray<UVFace>(2);
  src.sets[1].uvFaces[1].corner[2] = 3;
  UVSetArray dst{0, nullptr};
  ASSERT_EQ(GVCopyUVSets(&dst, &src), 1);
  ASSERT_EQ(dst.count, 2);
  EXPECT_NE(dst.sets[1].uvPairs, src.sets[1].uvPairs);
  EXPECT_EQ(dst.sets[1].uvPairs[2][0], 0.5f);
  EXPECT_EQ(dst.sets[1].uvCorners[3].vertex, 7);
  EXPECT_EQ(dst.sets[1].uvFaces[1].corner[2], 3);
  src.sets[1].uvPairs[2][0] = 9.0f;
  EXPECT_EQ(dst.sets[1].uvPairs[2][0], 0.5f);
  EXPECT_EQ(nameOf(&dst.sets[1]), "b");
  delete[] src.sets;
  delete[] dst.sets;

  GeoMaterial a, b;
  a.colourB = new GColour{2, 1, 1, 1, 1};
  b.colourC = new GColour{3, 0, 0, 0, 0};
  ASSERT_EQ(GVCopyGeoMaterial(&b, &a), 1);
  ASSERT_NE(b.colourB, nullptr);
  EXPECT_NE(b.colourB, a.colourB);
  EXPECT_EQ(b.colourB->mode, 2);
  EXPECT_EQ(b.colourC, nullptr);  // absent in the source, freed in the copy
}

TEST(UVSets, DefaultSetsFromTheMesh) {
  auto geo = gridGeo(3, 2);  // 6 vertices, 4 triangles
  EXPECT_EQ(GVAddAllFacesUVSet(geo.get()), -1);
  EXPECT_EQ(GVAddMostFacesAUVSet(geo.get(), 1, 1), -1);
  ASSERT_EQ(GVNewGeoUVSets(geo.get(), 1), 0);
  EXPECT_EQ(GVNewGeoUVSets(geo.get(), 1), -1);
  EXPECT_EQ(GVAddMostFacesAUVSet(geo.get(), 1, 1), -2);
  ASSERT_EQ(GVAddAllFacesUVSet(geo.get()), 0);
  EXPECT_EQ(nameOf(&geo->uvSets->sets[0]), "AllFaces");
  EXPECT_EQ(geo->uvSets->sets[0].uvCount, 6);
  ASSERT_NE(geo->uvSets->sets[0].uvPairs, nullptr);

  GVFreeUVSetArray(geo->uvSets);
  ASSERT_EQ(GVNewGeoUVSets(geo.get(), 2), 0);
  const struct {
    int32_t faces, uvs, expected;
  } cases[] = {{1, 7, -4}, {5, 6, -5}, {-1, 2, -5}, {1, -1, -4}, {4, 6, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(GVAddMostFacesAUVSet(geo.get(), c.faces, c.uvs), c.expected) << c.faces << " " << c.uvs;
    if (c.expected != 0) {
      EXPECT_EQ(geo->uvSets->sets[1].uvCount, 0);
      EXPECT_STREQ(geo->uvSets->sets[1].name, "");
    }
  }
  EXPECT_EQ(nameOf(&geo->uvSets->sets[1]), "MostFacesA");
  EXPECT_EQ(geo->uvSets->sets[1].faceCount, 4);
  EXPECT_NE(geo->uvSets->sets[1].uvFaces, nullptr);
}

TEST(UVSets, ProjectedSetDropsTheAxisOfLeastExtent) {
  // A flat mesh in the x-y plane: x and y map to u and v over 0..1.
  auto geo = gridGeo(3, 3, 1.5f);
  GVNewGeoMaterialArray(geo->materials = new GeoMaterialArray{0, nullptr}, 2);
  ASSERT_EQ(GVAddAllFaces00UVSet(geo.get()), 0);
  EXPECT_EQ(geo->materials, nullptr);
  ASSERT_EQ(geo->uvSets->count, 1);
  const UVSet& s = geo->uvSets->sets[0];
  EXPECT_EQ(nameOf(&s), "AllFaces_00");
  ASSERT_EQ(s.uvCount, 9);
  for (int32_t i = 1; i <= 9; ++i) {
    EXPECT_FLOAT_EQ(s.uvPairs[i][0], geo->baseVertices[i][0] / 2.0f);
    EXPECT_FLOAT_EQ(s.uvPairs[i][1], geo->baseVertices[i][1] / 4.0f);
  }
  // A line along z: both kept axes... x has no extent and gives 0, not a NaN.
  auto line = std::unique_ptr<GObject>(makeGeo(2, "line", {{0, 0, 0}, {0, 0, 4}, {0, 0, 2}}, {{1, 2, 3}}));
  ASSERT_EQ(GVAddAllFaces00UVSet(line.get()), 0);
  const UVSet& l = line->uvSets->sets[0];
  EXPECT_FLOAT_EQ(l.uvPairs[2][0], 1.0f);  // z is the first kept axis when y is dropped
  EXPECT_FLOAT_EQ(l.uvPairs[3][0], 0.5f);
  EXPECT_FLOAT_EQ(l.uvPairs[2][1], 0.0f);
}

TEST(UVSets, MaterialBuild) {
  auto geo = gridGeo(5, 4);  // 20 vertices
  ASSERT_EQ(geo->vertexCount, 20);

  // The only usable set does not cover the mesh: material 0 has no set.
  GVNewGeoUVSets(geo.get(), 2);
  fillSet(&geo->uvSets->sets[1], "part", 8, false, true);
  ASSERT_EQ(GVBuildGeoMaterials(geo.get(), 1), 2);
  EXPECT_EQ(geo->materials->materials[0].uvSet, nullptr);
  EXPECT_EQ(geo->materials->materials[0].uvSetIndex, 0);
  EXPECT_EQ(geo->materials->materials[1].uvSet, &geo->uvSets->sets[1]);
  EXPECT_EQ(geo->materials->materials[1].uvSetIndex, 1);

  // Sets of 20, 8 and 20 entries: with sort the two 20-entry sets first in
  // their own order, then the 8-entry set; without sort their own order.
  GVFreeUVSetArray(geo->uvSets);
  GVNewGeoUVSets(geo.get(), 3);
  fillSet(&geo->uvSets->sets[0], "A", 20, true, false);
  fillSet(&geo->uvSets->sets[1], "B", 8, false, true);
  fillSet(&geo->uvSets->sets[2], "C", 20, true, false);
  ASSERT_EQ(GVBuildGeoMaterials(geo.get(), 1), 3);
  EXPECT_EQ(geo->materials->materials[0].uvSetIndex, 0);
  EXPECT_EQ(geo->materials->materials[1].uvSetIndex, 2);
  EXPECT_EQ(geo->materials->materials[2].uvSetIndex, 1);
  ASSERT_EQ(GVBuildGeoMaterials(geo.get(), 0), 3);
  EXPECT_EQ(geo->materials->materials[1].uvSetIndex, 1);
  EXPECT_EQ(geo->materials->materials[2].uvSetIndex, 2);

  // No usable set at all still gives one material.
  GVFreeUVSetArray(geo->uvSets);
  EXPECT_EQ(GVBuildGeoMaterials(geo.get(), 1), 1);
}

TEST(UVSets, EnsureKeepsValidMaterialsAndRebuildsBadOnes) {
  auto geo = gridGeo(3, 2);
  GVNewGeoUVSets(geo.get(), 2);
  fillSet(&geo->uvSets->sets[0], "map1", 6, true, false);
  fillSet(&geo->uvSets->sets[1], "detail", 6, true, false);
  GVBuildGeoMaterials(geo.get(), 0);
  geo->materials->materials[1].shininess = 3.0f;
  GVEnsureGeoMaterials(geo.get());
  // Valid: kept, but material 0 moved off the "map1" set.
  EXPECT_EQ(geo->materials->materials[0].uvSetIndex, 1);
  EXPECT_EQ(geo->materials->materials[0].shininess, 3.0f);
  EXPECT_EQ(geo->materials->materials[1].uvSetIndex, 0);

  geo->materials->materials[1].uvSet = nullptr;  // unusable
  geo->colourA = {1, 0.25f, 0.5f, 0.75f, 1.0f};
  GVEnsureGeoMaterials(geo.get());
  ASSERT_EQ(geo->materials->count, 2);
  const GeoMaterial& m0 = geo->materials->materials[0];
  EXPECT_EQ(m0.uvSetIndex, 0);
  ASSERT_TRUE(m0.colourA && m0.colourB && m0.colourC);
  EXPECT_EQ(m0.colourA->g, 0.5f);
  EXPECT_EQ(m0.colourB->b, 0.75f);
  EXPECT_EQ(m0.colourC->r, 0.5f);
  EXPECT_FLOAT_EQ(m0.shininess, 18.2f);
}

TEST(UVSets, RemovingASetFixesChainLinks) {
  UVSetArray a{0, nullptr};
  GVNewUVSetArray(&a, 4);
  for (int i = 0; i < 4; ++i) GVSetString(&a.sets[i].name, std::string(1, char('a' + i)).c_str());
  GVSetUVSetChainLink(&a.sets[2], 1);
  GVSetUVSetChainLink(&a.sets[3], 2);
  a.sets[3].setBits |= 0x5;
  GVRemoveUVSet(&a, 0);  // refused
  GVRemoveUVSet(&a, 4);  // refused
  EXPECT_EQ(a.count, 4);
  GVRemoveUVSet(&a, 2);
  ASSERT_EQ(a.count, 3);
  EXPECT_EQ(nameOf(&a.sets[2]), "d");
  EXPECT_EQ(GVUVSetChainLink(&a.sets[2]), 1);
  EXPECT_EQ(a.sets[2].setBits & 0xff, 0x5u);
  EXPECT_EQ(GVGeoHasFlaggedUVSet(&a), 0);
  a.sets[2].setBits |= kUVSetFlagged;
  EXPECT_EQ(GVGeoHasFlaggedUVSet(&a), 1);
  delete[] a.sets;
}

TEST(UVSets, LayersChainsAndRemovalOfAMaterialsSet) {
  auto geo = gridGeo(3, 2);
  GVNewGeoUVSets(geo.get(), 4);
  for (int k = 0; k < 4; ++k) fillSet(&geo->uvSets->sets[k], std::to_string(k).c_str(), 6, true, false);
  GVBuildGeoMaterials(geo.get(), 0);
  ASSERT_EQ(geo->materials->count, 4);
  GVCalcGeoMaterialLayers(geo.get());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(geo->materials->materials[i].layer, i);
  // An "IGNORE" material is not counted by the layers above it.
  geo->materials->materials[1].mode = GEO_MAT_IGNORE;
  GVCalcGeoMaterialLayers(geo.get());
  EXPECT_EQ(geo->materials->materials[2].layer, 1);
  EXPECT_EQ(geo->materials->materials[3].layer, 2);
  geo->materials->materials[1].mode = GEO_MAT_OPAQUE;

  GVLinkGeoMaterialUVSets(geo.get());
  EXPECT_EQ(GVUVSetChainLink(&geo->uvSets->sets[3]), 2);
  EXPECT_EQ(GVUVSetChainLink(&geo->uvSets->sets[0]), 0);

  // Chained layers of a damaged scene may loop: the walk still ends.
  geo->flags |= GEO_FLAG_UV_CHAINED;
  GVSetUVSetChainLink(&geo->uvSets->sets[1], 2);
  GVSetUVSetChainLink(&geo->uvSets->sets[2], 1);
  GVCalcGeoMaterialLayers(geo.get());
  EXPECT_LE(geo->materials->materials[2].layer, 8);
  geo->flags &= ~GEO_FLAG_UV_CHAINED;

  // Removing material 1's set keeps the settings of the materials whose sets
  // survive, now at the lowered indices.
  for (int i = 0; i < 4; ++i) geo->materials->materials[i].shininess = 10.0f + i;
  GVRemoveGeoMaterialUVSet(1, geo.get());
  ASSERT_EQ(geo->uvSets->count, 3);
  ASSERT_EQ(geo->materials->count, 3);
  const float expected[3] = {10.0f, 12.0f, 13.0f};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(geo->materials->materials[i].uvSetIndex, i);
    EXPECT_EQ(geo->materials->materials[i].uvSet, &geo->uvSets->sets[i]);
    EXPECT_EQ(geo->materials->materials[i].shininess, expected[i]);
  }
  EXPECT_EQ(nameOf(geo->materials->materials[2].uvSet), "3");
  EXPECT_EQ(geo->materials->materials[2].layer, 2);
  // Material 0's set is not removable.
  GVRemoveGeoMaterialUVSet(0, geo.get());
  EXPECT_EQ(geo->uvSets->count, 3);
}

TEST(UVSets, MaterialStringsAndReferences) {
  auto geo = gridGeo(2, 2);
  EXPECT_EQ(GVGeoHasMatStrings(geo.get()), 0);
  GVSetString(&geo->matFile, "a.material");
  GVSetString(&geo->matName2, "b");
  GVSetString(&geo->matScript, "c");
  EXPECT_EQ(GVGeoHasMatStrings(geo.get()), 1);
  char* out = nullptr;
  GVGetGeoMatName(geo.get(), &out);
  EXPECT_STREQ(out, "a.material");
  EXPECT_NE(out, geo->matFile);
  GVFreeString(&out);
  GVSetString(&geo->matScript, nullptr);
  GVGetGeoMatScript(geo.get(), &out);
  EXPECT_EQ(out, nullptr);

  GVNewGeoUVSets(geo.get(), 2);
  geo->colourSets = new GeoColourSetArray{0, nullptr};
  GVNewColourSetArray(geo->colourSets, 1);
  geo->materials = new GeoMaterialArray{0, nullptr};
  GVNewGeoMaterialArray(geo->materials, 3);
  GeoMaterial* m = geo->materials->materials;
  m[0].uvSetRef = 1;
  m[0].uvSetIndex = 1;
  m[0].colourSetRef = 1;
  m[1].uvSetRef = 1;
  m[1].uvSetIndex = 2;  // out of range
  m[1].colourSetRef = 1;
  m[1].colourSetIndex = 1;
  m[2].uvSetIndex = 1;  // no reference
  GVResolveGeoMaterialRefs(geo.get());
  EXPECT_EQ(m[0].uvSet, &geo->uvSets->sets[1]);
  EXPECT_EQ(m[0].colourSet, &geo->colourSets->sets[0]);
  EXPECT_EQ(m[1].uvSet, nullptr);
  EXPECT_EQ(m[1].colourSet, nullptr);
  EXPECT_EQ(m[2].uvSet, nullptr);

  // Corner words naming vertices the Geo does not have are cleared.
  fillSet(&geo->uvSets->sets[1], "c", 3, false, true);
  geo->uvSets->sets[1].uvCorners[1].vertex = 4;
  geo->uvSets->sets[1].uvCorners[2].vertex = 5;
  geo->uvSets->sets[1].uvCorners[3].vertex = -1;
  EXPECT_EQ(GVCheckGeoUVSets(geo.get()), 2);
  EXPECT_EQ(geo->uvSets->sets[1].uvCorners[1].vertex, 4);
  EXPECT_EQ(geo->uvSets->sets[1].uvCorners[2].vertex, 0);
}
