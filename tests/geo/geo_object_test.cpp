#include "geo/geo_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "geo/geo_fixtures.h"
#include "geo/key_frames.h"
#include "records/heap_string.h"
#include "records/item_stream.h"
#include "records/obj_handle.h"

namespace {

struct Desc {
  GeoMeshDesc d;
  Desc(const char* name, int32_t nv, int32_t nt, int32_t nq) {
    GVInitGeoMeshDesc(&d);
    GVSetString(&d.name, name);
    d.vertexCount = nv;
    d.triangleCount = nt;
    d.quadCount = nq;
  }
  ~Desc() {
    GVResetGeoMeshDesc(&d);
    GVSetString(&d.name, nullptr);
  }
};

void expectFloat3(const float* v, float x, float y, float z) {
  EXPECT_FLOAT_EQ(v[0], x);
  EXPECT_FLOAT_EQ(v[1], y);
  EXPECT_FLOAT_EQ(v[2], z);
}

void expectIdentitySlot(const GTransform& s) {
  const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  expectFloat3(s.position, 0, 0, 0);
  for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(s.matrix[i], identity[i]);
  expectFloat3(s.scale, 1, 1, 1);
}

TEST(GeoObject, DefaultIsResetWithNoNameAndEmptyMaterialStrings) {
  GObject geo;
  EXPECT_STREQ(geo.name, "no name");
  ASSERT_NE(geo.matFile, nullptr);
  EXPECT_STREQ(geo.matFile, "");
  EXPECT_STREQ(geo.matName2, "");
  EXPECT_STREQ(geo.matScript, "");
  EXPECT_EQ(geo.id, 0);
  EXPECT_EQ(geo.vertexCount, 0);
  EXPECT_EQ(geo.vertices, nullptr);
  EXPECT_EQ(geo.keyTrack, nullptr);
  EXPECT_EQ(geo.colourA.mode, 0);
  EXPECT_FLOAT_EQ(geo.colourC.a, 1.0f);
  for (const GTransform& s : geo.xform) expectIdentitySlot(s);
}

TEST(GeoObject, ResetKeepsHandleAndReplacesStrings) {
  GObject geo;
  ObjHandle cell;
  geo.handle = &cell;
  geo.id = 7;
  GVSetString(&geo.name, "Box");
  GVSetString(&geo.matFile, "tex.png");
  geo.reset();
  EXPECT_EQ(geo.handle, &cell);
  EXPECT_EQ(geo.id, 0);
  EXPECT_STREQ(geo.name, "no name");
  EXPECT_STREQ(geo.matFile, "");
}

struct Refusal {
  const char* what;
  const char* name;
  int32_t id;
  int32_t nv, nt, nq;
  bool nullDesc;
};

TEST(GeoObject, BuildRefusesBadDescriptionsAndLeavesTheGeoAlone) {
  const Refusal cases[] = {
      {"no description", "Box", 1, 3, 1, 0, true},
      {"id 0", "Box", 0, 3, 1, 0, false},
      {"empty name", "", 1, 3, 1, 0, false},
      {"missing name", nullptr, 1, 3, 1, 0, false},
      {"negative vertex count", "Box", 1, -1, 1, 0, false},
      {"negative triangle count", "Box", 1, 3, -4, 0, false},
      {"vertex count too large", "Box", 1, kGeoMaxCount + 1, 0, 0, false},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    GObject geo;
    geo.releaseUserData = &geo;
    Desc desc(c.name, c.nv, c.nt, c.nq);
    EXPECT_EQ(GVBuildGeoFromDesc(&geo, c.nullDesc ? nullptr : &desc.d, c.id), 0);
    EXPECT_EQ(geo.releaseUserData, nullptr);
    EXPECT_STREQ(geo.name, "no name");
    EXPECT_EQ(geo.vertexCount, 0);
    EXPECT_EQ(geo.vertices, nullptr);
    EXPECT_EQ(geo.broadPhase, nullptr);
  }
}

TEST(GeoObject, BuildInitialisesEveryArrayBeforeAnyoneReadsIt) {
  GObject geo;
  Desc desc("Mesh", 4, 2, 0);
  desc.d.extraPairCount = 3;
  desc.d.flags = 0x1;
  desc.d.jelId = 9;
  desc.d.slotScale = 0.25f;
  ASSERT_EQ(GVBuildGeoFromDesc(&geo, &desc.d, 12), 1);

  EXPECT_STREQ(geo.name, "Mesh");
  EXPECT_EQ(geo.id, 12);
  EXPECT_EQ(geo.jelId, 9);
  EXPECT_EQ(geo.flags, 0x1u);
  EXPECT_EQ(geo.groupMask, 2u);
  EXPECT_EQ(geo.meshMode, 5);
  EXPECT_FLOAT_EQ(geo.slotScale, 0.25f);
  EXPECT_FLOAT_EQ(geo.surfaceParam, 8.7f);
  EXPECT_EQ(geo.colourA.mode, 1);
  EXPECT_FLOAT_EQ(geo.colourB.b, 0.7f);
  EXPECT_FLOAT_EQ(geo.colourC.r, 0.5f);

  EXPECT_EQ(desc.d.vertices, geo.vertices);
  EXPECT_EQ(desc.d.baseVertices, geo.baseVertices);
  EXPECT_EQ(desc.d.triangles, geo.triangles);
  EXPECT_EQ(desc.d.quads, nullptr);
  EXPECT_EQ(desc.d.extraPairs, geo.extraPairs);

  for (int i = 0; i <= 4; ++i) {
    SCOPED_TRACE(i);
    expectFloat3(geo.vertices[i], 0, 0, 0);
    expectFloat3(geo.baseVertices[i], 0, 0, 0);
    expectFloat3(geo.vertexDisplacement[i], 0, 0, 0);
    expectFloat3(geo.vertexNormals[i], 0, 0, 0);
    EXPECT_EQ(geo.vertBinds[i].jelId, 0);
    EXPECT_EQ(geo.creaseFlags[i], 0);
    EXPECT_EQ(geo.vertexFlags[i], i == 0 ? 0 : 2);
    if (i > 0) expectFloat3(geo.renderNormals[i], 1, 0, 0);
  }
  for (int t = 0; t <= 2; ++t) {
    EXPECT_EQ(geo.faceTags[t], 0);
    EXPECT_EQ(geo.triangles[t][0], 0);
    if (t > 0) expectFloat3(geo.triangleVectors[t], 1, 0, 0);
  }
  for (int p = 0; p <= 3; ++p) EXPECT_EQ(geo.extraPairs[p][1], 0u);
  EXPECT_EQ(geo.vertBinds2, nullptr);
  EXPECT_EQ(geo.vertexFlags2, nullptr);
  EXPECT_EQ(geo.seamLists, nullptr);
  EXPECT_EQ(geo.vertexMinDot, nullptr);
  ASSERT_NE(geo.broadPhase, nullptr);
  ASSERT_NE(geo.keyTrack, nullptr);
  EXPECT_EQ(geo.keyTrack->firstKey, nullptr);
  EXPECT_DOUBLE_EQ(geo.keyTrack->evalTime, -99.0);
}

TEST(GeoObject, FaceArraysFollowTheFirstNonEmptyFaceKind) {
  struct Case {
    int32_t nt, nq;
    bool quadsOnly;
  } cases[] = {{0, 5, true}, {2, 6, false}, {3, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.nt << " triangles, " << c.nq << " quads");
    GObject geo;
    Desc desc("Faces", 8, c.nt, c.nq);
    ASSERT_EQ(GVBuildGeoFromDesc(&geo, &desc.d, 1), 1);
    ASSERT_NE(geo.faceNormals, nullptr);
    ASSERT_NE(geo.faceTags, nullptr);
    const int32_t faces = c.nt > 0 ? c.nt : c.nq;
    // Every entry of the face kind is reachable (the sanitizer build checks
    // that the arrays hold them) and zero.
    for (int32_t f = 0; f <= faces; ++f) {
      EXPECT_EQ(geo.faceTags[f], 0);
      expectFloat3(geo.faceNormals[f], 0, 0, 0);
    }
    EXPECT_EQ(geo.quads != nullptr, c.nq > 0);
    EXPECT_EQ(geo.triangleVectors != nullptr, c.nt > 0);
  }
}

TEST(GeoObject, BuildPlacesTheGivenSlotsAndLeavesTheOthersIdentity) {
  GObject geo;
  Desc desc("Placed", 1, 0, 0);
  const float startPos[3] = {1, 2, 3};
  const float startMat[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
  const float birthPos[3] = {4, 5, 6};
  const float nextMat[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
  desc.d.startPosition = startPos;
  desc.d.startMatrix = startMat;
  desc.d.birthPosition = birthPos;
  desc.d.birthNextMatrix = nextMat;
  ASSERT_EQ(GVBuildGeoFromDesc(&geo, &desc.d, 3), 1);

  expectFloat3(geo.xform[GEO_SLOT_START].position, 1, 2, 3);
  EXPECT_FLOAT_EQ(geo.xform[GEO_SLOT_START].matrix[3], -1.0f);
  expectFloat3(geo.xform[GEO_SLOT_BIRTH].position, 4, 5, 6);
  EXPECT_FLOAT_EQ(geo.xform[GEO_SLOT_BIRTH].matrix[0], 1.0f);
  expectFloat3(geo.xform[GEO_SLOT_BIRTH_NEXT].position, 0, 0, 0);
  EXPECT_FLOAT_EQ(geo.xform[GEO_SLOT_BIRTH_NEXT].matrix[5], 1.0f);
  expectIdentitySlot(geo.xform[GEO_SLOT_FRAME]);
  expectIdentitySlot(geo.xform[GEO_SLOT_FRAME2]);
  for (const GTransform& s : geo.xform) expectFloat3(s.scale, 1, 1, 1);
}

TEST(GeoObject, RebuildReplacesTheOldMeshWithoutLosingIt) {
  // The sanitizer build reports the old arrays if a rebuild drops them.
  GObject geo;
  Desc first("First", 10, 4, 0);
  ASSERT_EQ(GVBuildGeoFromDesc(&geo, &first.d, 1), 1);
  geo.vertexFlags2 = GVNewGeoArray<int32_t>(11);
  geo.cellBind = new GeoCellBind{};
  geo.cellBind->nodes = GVNewGeoArray<int32_t>(4);
  geo.attach = new GeoAttach{};
  geo.seamLists = GVNewIntListArray(11);
  GVResizeIntList(&geo.seamLists[3], 5);
  Desc second("Second", 3, 0, 2);
  ASSERT_EQ(GVBuildGeoFromDesc(&geo, &second.d, 2), 1);
  EXPECT_STREQ(geo.name, "Second");
  EXPECT_EQ(geo.vertexCount, 3);
  EXPECT_EQ(geo.triangles, nullptr);
  EXPECT_EQ(geo.cellBind, nullptr);
  EXPECT_EQ(geo.attach, nullptr);
  EXPECT_EQ(geo.seamLists, nullptr);
}

struct ReleaseLog {
  int calls = 0;
  ObjHandle* handle = nullptr;
  int32_t id = 0;
  void* user = nullptr;
};

void recordRelease(ObjHandle* handle, int32_t id, void* user) {
  ReleaseLog* log = static_cast<ReleaseLog*>(user);
  ++log->calls;
  log->handle = handle;
  log->id = id;
  log->user = user;
}

TEST(GeoObject, DestructorCallsTheReleaseCallbackFirst) {
  ReleaseLog log;
  ObjHandle cell;
  {
    std::unique_ptr<GObject> geo(geotest::makeGeo(5, "Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}}));
    ASSERT_TRUE(geo);
    geo->handle = &cell;
    geo->releaseCallback = recordRelease;
    geo->releaseUserData = &log;
    GVKeyTrackFindOrInsert(geo->keyTrack, -4);  // a key at a negative frame is freed too
    GVKeyTrackFindOrInsert(geo->keyTrack, 3);
  }
  EXPECT_EQ(log.calls, 1);
  EXPECT_EQ(log.handle, &cell);
  EXPECT_EQ(log.id, 5);
  EXPECT_EQ(log.user, &log);
}

TEST(GeoObject, NameCopyIsNoneForANamelessGeo) {
  GObject geo;
  char* out = reinterpret_cast<char*>(&geo);
  GVGetGeoName(&geo, &out);
  ASSERT_NE(out, nullptr);
  EXPECT_STREQ(out, "no name");
  EXPECT_NE(out, geo.name);
  GVSetString(&out, nullptr);

  GVSetString(&geo.name, nullptr);
  out = reinterpret_cast<char*>(&geo);
  GVGetGeoName(&geo, &out);
  EXPECT_EQ(out, nullptr);
}

TEST(GeoObject, SelectionMatchesIdsAllAndGroupBits) {
  GObject geo;
  geo.id = 4;
  geo.groupMask = 0x2 | 0x8;  // groups 1 and 3
  const struct {
    int32_t sel;
    int expected;
  } cases[] = {{4, 1}, {5, 0}, {0, 0}, {-1, 1}, {-2, 0}, {-3, 1}, {-31, 0}, {-32, 0}};
  for (const auto& c : cases) EXPECT_EQ(GVGeoMatchesSel(c.sel, &geo), c.expected) << c.sel;
}

TEST(GeoLists, IntListResizeKeepsThePrefixAndZeroFillsTheRest) {
  IntList list;
  GVInitIntList(&list);
  ASSERT_EQ(GVResizeIntList(&list, 3), 1);
  list.items[0] = 7;
  list.items[1] = 8;
  list.items[2] = 9;
  ASSERT_EQ(GVResizeIntList(&list, 5), 1);
  EXPECT_EQ(list.count, 5);
  EXPECT_EQ(list.items[2], 9);
  EXPECT_EQ(list.items[4], 0);
  ASSERT_EQ(GVResizeIntList(&list, 2), 1);
  EXPECT_EQ(list.items[1], 8);

  IntList copy;
  GVInitIntList(&copy);
  ASSERT_EQ(GVCopyIntList(&copy, &list), 1);
  EXPECT_EQ(copy.count, 2);
  EXPECT_NE(copy.items, list.items);
  EXPECT_EQ(copy.items[0], 7);

  GVResizeIntList(&list, 0);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.items, nullptr);
  GVCopyIntList(&copy, &list);  // an empty source empties the destination
  EXPECT_EQ(copy.count, 0);
  EXPECT_EQ(copy.items, nullptr);
}

TEST(GeoLists, FloatListResizeBelowOneLeavesTheListAlone) {
  FloatList list;
  GVInitFloatList(&list);
  GVResizeFloatList(&list, 2);
  list.items[1] = 0.5f;
  GVResizeFloatList(&list, 0);
  EXPECT_EQ(list.count, 2);
  EXPECT_FLOAT_EQ(list.items[1], 0.5f);
  FloatList copy;
  GVInitFloatList(&copy);
  GVCopyFloatList(&copy, &list);
  EXPECT_FLOAT_EQ(copy.items[1], 0.5f);
  GVFreeFloatList(&list);
  GVFreeFloatList(&copy);
  EXPECT_EQ(list.items, nullptr);
}

TEST(GeoColour, ImagePutThenReadGivesTheBlockBackAndStopsAtTheEnd) {
  ItemStream image;
  image.intCount = 2;
  image.floatCount = 8;
  ASSERT_EQ(GVItemStreamAlloc(&image), kItemStreamOk);
  image.intCount = image.floatCount = 0;
  const GColour a{1, 0.1f, 0.2f, 0.3f, 0.4f}, b{3, 1, 2, 3, 4};
  ASSERT_EQ(GVPutColourImage(&image, &a), 1);
  ASSERT_EQ(GVPutColourImage(&image, &b), 1);
  EXPECT_EQ(GVPutColourImage(&image, &a), 0);  // full
  image.intCount = image.floatCount = 0;
  GColour c{}, d{};
  ASSERT_EQ(GVReadColourImage(&image, &c), 1);
  ASSERT_EQ(GVReadColourImage(&image, &d), 1);
  EXPECT_EQ(c.mode, 1);
  EXPECT_FLOAT_EQ(c.a, 0.4f);
  EXPECT_EQ(d.mode, 3);
  EXPECT_FLOAT_EQ(d.g, 2.0f);
  GColour e{9, 9, 9, 9, 9};
  EXPECT_EQ(GVReadColourImage(&image, &e), 0);  // nothing left: untouched
  EXPECT_EQ(e.mode, 9);
  GVItemStreamReset(&image);
  EXPECT_EQ(GVReadColourImage(&image, &e), 0);  // no arrays
}

TEST(GeoObject, FloorRoundsTowardsMinusInfinity) {
  EXPECT_FLOAT_EQ(GVFloor(2.7f), 2.0f);
  EXPECT_FLOAT_EQ(GVFloor(-2.2f), -3.0f);
}

}  // namespace
