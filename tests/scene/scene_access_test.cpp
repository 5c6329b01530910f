#include "scene/scene_access.h"

#include <gtest/gtest.h>

#include <vector>

#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "geo/geo_fixtures.h"
#include "geo/key_frames.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"

namespace {

// A world in its cell with Jels made through handles, and a Geo list.
struct SceneWorld : testing::Test {
  HWorld** world = new HWorld*(nullptr);
  ObjHandle geoCell;
  void SetUp() override {
    ASSERT_EQ(GVInitWorldHandle(world), world);
    ASSERT_EQ((*world)->owner, world);
    GVNewGeoList(&geoCell);
  }
  void TearDown() override {
    GVDeleteGeoList(&geoCell);
    GVDeleteWorld(world);
    delete world;
  }
  HObject** addJel(int32_t id, uint32_t groupMask) {
    HObject** cell = GVNewJel();
    (*cell)->id = id;
    (*cell)->groupMask = groupMask;
    GVAddJelToScene(world, cell);
    return cell;
  }
  ObjHandle* addGeo(int32_t id, uint32_t groupMask) {
    ObjHandle* cell = new ObjHandle;
    GObject* g = geotest::makeBareGeo(id, "g", groupMask);
    cell->object = g;
    g->handle = cell;
    GVAddGeoToScene(&geoCell, cell);
    return cell;
  }
  std::vector<int32_t> jelIds() {
    std::vector<int32_t> ids;
    for (HObject** j = GVFirstJel(world); j; j = (*j)->next ? (*j)->next->handle : nullptr) ids.push_back((*j)->id);
    return ids;
  }
};

TEST_F(SceneWorld, FindersAndSelectionsFollowTheIdAndGroupRules) {
  HObject** a = addJel(1, 2);
  HObject** b = addJel(2, 4);  // group 2 only
  addGeo(1, 2);
  ObjHandle* g2 = addGeo(2, 8);
  for (int32_t id : {0, -1, 3}) {
    EXPECT_EQ(GVFindGeo(&geoCell, id), nullptr) << id;
    EXPECT_EQ(GVFindJel(world, id), nullptr) << id;
  }
  EXPECT_EQ(GVFindJel(world, 2), b);
  EXPECT_EQ(GVFindGeo(&geoCell, 2), g2);
  EXPECT_EQ(GVNextJelId(world), 3);
  // -1: every Geo, but group 1 for Jels.
  EXPECT_EQ(GVGeoMatches(g2, -1), 1);
  EXPECT_EQ(GVJelMatches(b, -1), 0);
  EXPECT_EQ(GVJelMatches(a, -1), 1);
  EXPECT_EQ(GVJelMatches(b, -2), 1);
  EXPECT_EQ(GVGeoIdInSel(2, -1, &geoCell), 0);
  EXPECT_EQ(GVGeoIdInSel(2, -3, &geoCell), 1);
  EXPECT_EQ(GVGeoIdInSel(0, 0, &geoCell), 0);
  EXPECT_EQ(GVJelIdInSel(1, -1, world), 1);
  EXPECT_EQ(GVJelIdInSel(7, -1, world), 0);
  EXPECT_EQ(GVJelInGroup(1, a), 0);  // only group selections count
  EXPECT_EQ(GVJelInGroup(-2, b), 1);
  EXPECT_EQ(GVPrevGeoId(&geoCell, 1), 2);  // the first wraps to the last
  EXPECT_EQ(GVPrevGeoId(&geoCell, 2), 1);
  EXPECT_EQ(GVNextJelPart(world, 31), 1);
}

TEST_F(SceneWorld, DeleteJelsMinusOneTakesGroupOneAndEmptyingKeepsThePlayWords) {
  addJel(1, 2);
  HObject** outside = addJel(2, 4);
  addJel(3, 6);
  FrameParams& p = (*world)->params;
  p.currentFrame = 41;
  p.fps = 25;
  p.stateMode = -1;
  p.loopLength = 9;
  p.loopStart = 5;
  p.endFrame = 70;
  GVDeleteJels(world, -1);
  EXPECT_EQ(jelIds(), std::vector<int32_t>{2});
  EXPECT_EQ(*outside, (*world)->head);
  GVDeleteJels(world, 2);
  GVDeleteJels(world, -1);  // finds the list empty: the play words reset
  EXPECT_EQ(p.currentFrame, 41);
  EXPECT_EQ(p.fps, 25);
  EXPECT_EQ(p.stateMode, -1);
  EXPECT_EQ(p.loopLength, 9);
  EXPECT_EQ(p.loopStart, 0);
  EXPECT_EQ(p.endFrame, 0);
  EXPECT_EQ(p.subSteps, 1);
}

TEST_F(SceneWorld, DeletingTheWorldFreesJelsOutsideGroupOne) {
  addJel(1, 0);  // no group bit at all; LeakSanitizer checks it goes
  addJel(2, 2);
  GVDeleteWorld(world);
  EXPECT_EQ(*world, nullptr);
  ASSERT_EQ(GVInitWorldHandle(world), world);
}

TEST_F(SceneWorld, FrameTestsCountTheLastSubStepAsTheNextFrame) {
  FrameParams& p = (*world)->params;
  p.currentFrame = 7;
  p.stepping = 1;
  p.subSteps = 4;
  p.subStepIndex = 2;
  EXPECT_FLOAT_EQ(GVCurrentFrameFloat(world), 7.5f);
  EXPECT_EQ(GVCurrentFrame(world), 7);
  int32_t index = 0, count = 0;
  GVGetSubstepInfo(world, &index, &count);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(count, 4);
  p.subStepIndex = 4;
  EXPECT_EQ(GVCurrentFrame(world), 8);
  p.stepping = 0;
  EXPECT_EQ(GVCurrentFrame(world), 7);
  GVGetSubstepInfo(world, &index, nullptr);
  EXPECT_EQ(index, 4);

  HObject** j = addJel(1, 2);
  (*j)->playParams.startFrame = 5;
  (*j)->playParams.endFrame = 0;
  EXPECT_EQ(GVJelStartFrame(world, 1), 5);
  EXPECT_EQ(GVJelStartFrame(world, 9), 0);
  EXPECT_EQ(GVSetWorldFrameParam(world, -4), 0);
  EXPECT_EQ(GVSetWorldFrameParam(world, 12), 12);
  EXPECT_EQ((*j)->playParams.loopLength, 12);
}

TEST_F(SceneWorld, HandlesGoWithTheirObjects) {
  HObject** j = addJel(1, 2);
  GVRemoveJelFromScene(world, j);
  EXPECT_EQ(GVFirstJel(world), nullptr);
  GVDeleteJelHandle(j);
  ObjHandle* g = addGeo(4, 2);
  GVRemoveGeoFromScene(&geoCell, g);
  GVDeleteGeoHandle(g);
  EXPECT_EQ(GVFirstGeo(&geoCell), nullptr);
  // Null handles and empty cells give the null values.
  HObject* empty = nullptr;
  EXPECT_EQ(GVJelMatches(&empty, 1), 0);
  EXPECT_EQ(GVCurrentFrame(nullptr), 0);
  EXPECT_EQ(GVNextJelId(nullptr), 1);
  EXPECT_EQ(GVFindUnscaledAttachGeo(&geoCell, nullptr), -1);
}

TEST_F(SceneWorld, GeoForwardersKeepToTheirRanges) {
  ObjHandle* cell = new ObjHandle;
  GObject* g = geotest::makeGeo(1, "T", geotest::boxCorners({0, 0, 0}, {1, 1, 1}), geotest::boxTriangles());
  cell->object = g;
  g->handle = cell;
  GVAddGeoToScene(&geoCell, cell);
  EXPECT_NE(GVSetGeoTriangle(cell, 12), nullptr);
  EXPECT_EQ(GVSetGeoTriangle(cell, 13), nullptr);
  EXPECT_EQ(GVSetGeoQuad(cell, 1), nullptr);
  for (int32_t f : {4, 9}) GVKeyTrackFindOrInsert(g->keyTrack, f);
  EXPECT_EQ(GVNextGeoKeyFrame(cell, 4), 9);
  EXPECT_EQ(GVNextGeoKeyFrame(cell, 9), -2);
  GeoAttach* a = GVGetGeoAttachment(cell);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(GVGetGeoAttachment(cell), a);
  EXPECT_EQ(GVGeoHasAttachment(cell), 0);
  LatticeBuilder empty;
  EXPECT_EQ(GVNewJelFromBuilder(&empty, 1, 0, 0, nullptr), nullptr);

  ObjHandle copy{geotest::makeBareGeo(2, "C", 2)};
  ObjHandle none;
  EXPECT_EQ(GVCopyGeoInto(&none, cell, "Twin", 3), 0);
  ASSERT_EQ(GVCopyGeoInto(&copy, cell, "Twin", 3), 1);
  EXPECT_STREQ(GVGeoOf(&copy)->name, "Twin");
  EXPECT_EQ(GVGeoOf(&copy)->triangleCount, g->triangleCount);
  delete GVGeoOf(&copy);
  EXPECT_EQ(GVMassocSceneGeos(nullptr, world), -1);
  float centre[3] = {1, 1, 1};
  GVGetSelPositionH(nullptr, 1, -1, -2, 14, centre, nullptr, nullptr);
  EXPECT_EQ(std::vector<float>(centre, centre + 3), std::vector<float>(3, 0.0f));
}

// Normals are recomputed once per frame and sub-step, each kind on its own.
TEST_F(SceneWorld, JelNormalsFollowTheFrameOnce) {
  const float corner[3] = {0, 0, 0};
  HObject* j = MakeDropJel(1, 1, 1, 1.0f, corner, 1, 0.0f);
  HObject** cell = j->handle = new HObject*(j);
  GVAddJelToScene(world, cell);
  GVUpdateJelFaceNormals(cell);
  GVUpdateJelNodeNormals(cell);
  const float up = j->faceNormals[1][1];
  j->faceNormals[1][1] = j->nodeNormals[1][1] = 7.0f;
  GVUpdateJelFaceNormals(cell);
  EXPECT_EQ(j->faceNormals[1][1], 7.0f);  // same frame: kept
  j->playParams.currentFrame += 1;
  GVUpdateJelFaceNormals(cell);
  EXPECT_EQ(j->faceNormals[1][1], up);
  EXPECT_EQ(j->nodeNormals[1][1], 7.0f);  // not asked for
  GVUpdateJelNodeNormals(cell);
  EXPECT_NE(j->nodeNormals[1][1], 7.0f);
}

}  // namespace
