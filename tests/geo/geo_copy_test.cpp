#include "geo/geo_copy.h"

#include <gtest/gtest.h>

#include <memory>

#include "geo/geo_fixtures.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "geo/uv_sets.h"
#include "jel/contact_grid.h"
#include "records/heap_string.h"

namespace {

TEST(GeoCopy, DeepCopyUnderANewNameAndId) {
  std::unique_ptr<GObject> src(geotest::makeGeo(3, "Src", geotest::boxCorners({0, 0, 0}, {1, 2, 3}),
                                                geotest::boxTriangles()));
  ASSERT_TRUE(src);
  src->flags = GEO_FLAG_COLLIDE_TRIANGLES | GEO_FLAG_PICK_BACK_FACES;
  src->groupMask = 0x2 | 0x20;
  src->materialType = 2;
  GVSetString(&src->matFile, "mat.file");
  GVSetString(&src->matScript, nullptr);
  src->vertexFlags[4] = 0;
  src->vertBinds[2].jelId = 8;
  src->slotScale = 0.4f;
  const float pos[3] = {1, 2, 3};
  GVSetGeoTransformPos(pos, -4, src.get());
  GVKeyTrackFindOrInsert(src->keyTrack, 6);
  src->cellBind = new GeoCellBind{};
  src->cellBind->nodes = GVNewGeoArray<int32_t>(3);
  src->cellBind->nodes[0] = 2;
  src->cellBind->nodes[2] = 77;
  src->cellBind->part = 4;
  src->attach = new GeoAttach{};
  src->attach->type = 5;

  GObject dst;
  ASSERT_EQ(GVCopyGeo(&dst, src.get(), "Dst", 9), 1);
  EXPECT_STREQ(dst.name, "Dst");
  EXPECT_EQ(dst.id, 9);
  EXPECT_EQ(dst.flags, src->flags);
  EXPECT_EQ(dst.groupMask, src->groupMask);
  EXPECT_EQ(dst.vertexCount, 8);
  EXPECT_EQ(dst.triangleCount, 12);
  EXPECT_EQ(dst.extraPairCount, 0);
  EXPECT_STREQ(dst.matFile, "mat.file");
  EXPECT_EQ(dst.matScript, nullptr);
  EXPECT_EQ(dst.vertexFlags[4], 0);
  EXPECT_EQ(dst.vertBinds[2].jelId, 8);
  EXPECT_FLOAT_EQ(dst.slotScale, 0.4f);
  EXPECT_FLOAT_EQ(dst.xform[GEO_SLOT_FRAME2].position[2], 3.0f);
  for (int i = 1; i <= 8; ++i) EXPECT_FLOAT_EQ(dst.baseVertices[i][1], src->baseVertices[i][1]);
  for (int t = 1; t <= 12; ++t) EXPECT_EQ(dst.triangles[t][2], src->triangles[t][2]);
  ASSERT_NE(dst.keyTrack->firstKey, nullptr);
  EXPECT_NE(dst.keyTrack->firstKey, src->keyTrack->firstKey);
  EXPECT_EQ(dst.keyTrack->firstKey->frame, 6);
  ASSERT_NE(dst.cellBind, nullptr);
  EXPECT_NE(dst.cellBind->nodes, src->cellBind->nodes);
  EXPECT_EQ(dst.cellBind->nodes[2], 77);
  EXPECT_EQ(dst.cellBind->part, 4);
  ASSERT_NE(dst.attach, nullptr);
  EXPECT_EQ(dst.attach->type, 5);
  EXPECT_NE(dst.vertices, src->vertices);
}

TEST(GeoCopy, RefusesMissingPartsAndIdZero) {
  std::unique_ptr<GObject> src(geotest::makeGeo(3, "Src", {{0, 0, 0}}));
  GObject dst;
  EXPECT_EQ(GVCopyGeo(&dst, nullptr, "A", 1), 0);
  EXPECT_EQ(GVCopyGeo(&dst, src.get(), "A", 0), 0);
  EXPECT_EQ(GVCopyGeo(&dst, src.get(), "", 1), 0);
  EXPECT_EQ(GVCopyGeo(nullptr, src.get(), "A", 1), 0);
  EXPECT_STREQ(dst.name, "no name");

  GObject viaConstruct;
  EXPECT_EQ(viaConstruct.constructCopy(src.get(), "Again", 4), 1);
  EXPECT_EQ(viaConstruct.id, 4);
  EXPECT_EQ(viaConstruct.vertexCount, 1);
}

}  // namespace

namespace {

TEST(GeoCopy, ContainersFollowTheCopyAndDerivedDataIsRebuilt) {
  std::unique_ptr<GObject> src(geotest::makeGeo(3, "Src", geotest::boxCorners({0, 0, 0}, {1, 1, 1}),
                                                geotest::boxTriangles()));
  ASSERT_TRUE(src);
  ASSERT_EQ(GVNewGeoUVSets(src.get(), 2), 0);
  ASSERT_EQ(GVAddAllFacesUVSet(src.get()), 0);
  src->uvSets->sets[0].uvPairs[5][1] = 0.5f;
  src->colourSets = new GeoColourSetArray{0, nullptr};
  GVNewColourSetArray(src->colourSets, 1);
  GVEnsureGeoMaterials(src.get());
  ASSERT_EQ(src->materials->count, 1);
  src->materials->materials[0].colourSet = &src->colourSets->sets[0];
  src->materials->materials[0].shininess = 7.0f;

  GObject dst;
  ASSERT_EQ(GVCopyGeo(&dst, src.get(), "Dst", 4), 1);
  ASSERT_TRUE(dst.uvSets && dst.materials && dst.colourSets);
  ASSERT_EQ(dst.uvSets->count, 2);
  EXPECT_NE(dst.uvSets->sets[0].uvPairs, src->uvSets->sets[0].uvPairs);
  EXPECT_EQ(dst.uvSets->sets[0].uvPairs[5][1], 0.5f);
  const GeoMaterial& m = dst.materials->materials[0];
  EXPECT_EQ(m.uvSet, &dst.uvSets->sets[0]);
  EXPECT_EQ(m.colourSet, &dst.colourSets->sets[0]);
  EXPECT_EQ(m.shininess, 7.0f);
  // Derived data of the copy: face size, closed fans, the collision grid.
  EXPECT_GT(dst.faceSize, 0.0f);
  ASSERT_NE(dst.creaseFlags, nullptr);
  for (int32_t v = 1; v <= dst.vertexCount; ++v) EXPECT_TRUE(dst.creaseFlags[v] & 0x4000) << v;
  ASSERT_NE(dst.broadPhase, nullptr);
  EXPECT_NE(dst.broadPhase->root, nullptr);
}

}  // namespace
