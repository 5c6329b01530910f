#include "jel/jel_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "jel/frame_store.h"
#include "jel/live_state.h"
#include "block_lattice.h"
#include "records/heap_string.h"

namespace {

TEST(JelObject, DefaultAndAllocated) {
  HObject d;
  EXPECT_EQ(d.id, 0);
  EXPECT_EQ(d.groupMask, 2u);
  EXPECT_EQ(d.nodeCount, 0);
  EXPECT_EQ(d.cellSize, 1.0f);
  EXPECT_STREQ(d.name, "");
  EXPECT_EQ(d.frameStore, nullptr);
  EXPECT_EQ(d.playParams.endFrame, 100);
  EXPECT_EQ(d.playParams.fps, 30);
  EXPECT_EQ(d.params, &d.playParams);
  d.createState();  // no frame store: no state
  EXPECT_EQ(d.state, nullptr);

  struct Bad {
    int n, id, count, end;
  };
  const Bad bad[] = {{0, 1, 0, 0}, {4, 0, 0, 0}, {4, 1, -1, 0}, {4, 1, 0, -1}};
  for (const Bad& b : bad) {
    HObject o;
    EXPECT_EQ(o.allocate(b.n, b.id, b.count, b.end), 0);
    EXPECT_EQ(o.nodeCount, 0);
    EXPECT_EQ(o.frameStore, nullptr);
  }
  HObject a(8, 3, 0, 250);
  EXPECT_EQ(a.nodeCount, 8);
  EXPECT_EQ(a.id, 3);
  EXPECT_EQ(a.playParams.endFrame, 250);
  EXPECT_EQ(a.playParams.subStepIndex, 1);
  EXPECT_EQ(a.playParams.loopLength, 100);
  EXPECT_EQ(GVFrameStoreLast(a.frameStore), 0);
  ASSERT_NE(GVFrameNodeRecs(a.frameStore, 0), nullptr);
  EXPECT_EQ(a.auxStores[2]->count, 32);
  EXPECT_EQ(a.allocate(8, 3, 0, 250), 0);  // once per object
}

TEST(JelObject, RemovalCallbackRunsFirst) {
  static int calls = 0;
  static int seenId = 0;
  {
    HObject a(8, 5, 0, 0);
    a.removalCB = [](HObject**, int32_t id, void* user) {
      ++calls;
      seenId = id;
      EXPECT_EQ(user, &calls);
    };
    a.userWord = &calls;
  }
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seenId, 5);
}

TEST(JelObject, CreateStateSharesTheArrays) {
  auto jel = makeBlockJel(3, 3, 3, 1.0f);
  ASSERT_NE(jel->state, nullptr);
  HAState* s = jel->state;
  EXPECT_EQ(s->pos, jel->pos);
  EXPECT_EQ(s->partMask, jel->partMask);
  EXPECT_EQ(s->faces, jel->faces);
  EXPECT_EQ(s->ownerFlags, &jel->flags);
  EXPECT_EQ(s->params, &jel->playParams);
  EXPECT_EQ(s->faceCount, jel->faceCount);
  // The natural state is loaded: positions on the grid, at rest.
  EXPECT_EQ(jel->pos[27][0], 2.0f);
  // An edit through one object is seen by the other.
  const float v[3] = {1, 0, 0};
  s->translatePart(1, -2, kAxesAll, v);
  float p[3] = {0, 0, 0};
  jel->getNodePosition(27, -2, kAxesAll, p);
  EXPECT_EQ(p[0], 3.0f);
}

TEST(JelObject, GroupBits) {
  HObject a(8, 1, 0, 0);
  struct Step {
    int v, mode;
    uint32_t result, mask;
  };
  const Step steps[] = {
      {-3, 1, 8u, 10u}, {-3, 1, 8u, 10u}, {-3, 2, 0u, 2u}, {-3, 2, 8u, 10u}, {-3, 0, 0u, 2u},
      {-1, -1, 0u, 0u}, {-1, 7, 0u, 0u},  {-1, 1, 2u, 2u}, {0, 1, 0u, 2u},   {-32, 1, 0u, 2u},
      {5, 1, 0u, 2u},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(a.setGroupBit(s.v, s.mode), s.result) << s.v << " " << s.mode;
    EXPECT_EQ(a.groupMask, s.mask) << s.v << " " << s.mode;
  }
  EXPECT_EQ(GVObjInSel(4, 2u, 4), 1);
  EXPECT_EQ(GVObjInSel(4, 2u, 5), 0);
  EXPECT_EQ(GVObjInSel(4, 2u, -1), 1);
  EXPECT_EQ(GVObjInSel(4, 2u, -2), 0);
  EXPECT_EQ(GVObjInSel(4, 2u, -40), 0);
}

TEST(JelObject, NodePartsNeverTouchBitsZeroToTwo) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  jel->partMask[3] = 0x7u;
  struct Step {
    int node, p, mode;
    uint32_t result, mask;
  };
  const Step steps[] = {
      {3, 5, 1, 32u, 0x27u}, {3, 5, 2, 0u, 0x07u}, {3, 5, 2, 32u, 0x27u}, {3, 5, 0, 0u, 0x07u},
      {3, 1, 0, 0u, 0x07u},  {3, 2, 0, 0u, 0x07u}, {3, 0, 2, 0u, 0x07u},  {3, 32, 1, 0u, 0x07u},
      {9, 5, 1, 0u, 0x07u},  {-1, 5, 1, 0u, 0x07u}, {3, 31, 1, 0x80000000u, 0x80000007u},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(jel->setNodePart(s.node, s.p, s.mode), s.result) << s.node << " " << s.p << " " << s.mode;
    EXPECT_EQ(jel->partMask[3], s.mask) << s.node << " " << s.p << " " << s.mode;
  }
  EXPECT_EQ(jel->firstNodeInPart(31), 3);
  EXPECT_EQ(jel->firstNodeInPart(1), 1);
  EXPECT_EQ(jel->firstNodeInPart(12), 0);
  EXPECT_EQ(jel->firstNodeInPartChecked(0), 0);
}

TEST(JelObject, GlueIdRenumbering) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  const int32_t glue[9] = {0, 0, 3, 5, 3, 0, 9, 5, 0};
  std::memcpy(jel->glueJel, glue, sizeof glue);
  jel->offsetIds(10);
  EXPECT_EQ(jel->id, 11);
  EXPECT_EQ(jel->glueJel[2], 13);
  EXPECT_EQ(jel->glueJel[1], 0);
  const JelStateRec* st = GVFrameStateRecs(jel->frameStore, 0);
  EXPECT_EQ(st[3].w[kStateGlueJel], 15);
  jel->replaceGlueJelId(13, 4);
  EXPECT_EQ(jel->glueJel[2], 4);
  EXPECT_EQ(jel->glueJel[4], 4);
  EXPECT_EQ(jel->glueJel[6], 19);
  // Ids become positions in the table; one missing from it becomes 0 (no glue).
  const int32_t table[4] = {0, 15, 4, 99};
  jel->remapGlueJelIds(3, table);
  const int32_t expected[9] = {0, 0, 2, 1, 2, 0, 0, 1, 0};
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(jel->glueJel[i], expected[i]) << i;
  EXPECT_EQ(st[6].w[kStateGlueJel], 0);
  jel->remapGlueJelIds(5, nullptr);
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(jel->glueJel[i], 0);
}

TEST(JelObject, CopyGivesIdenticalTables) {
  auto src = makeBlockJel(4, 3, 3, 0.5f);
  GVSetString(&src->name, "Blob");
  src->playParams.endFrame = 77;
  // Glue travels in the start frame's records, which a new live state reads.
  GVFrameStateRecs(src->frameStore, 0)[5].w[kStateGlueJel] = 2;
  src->restoreFrame(0);
  EXPECT_EQ(src->glueJel[5], 2);
  HObject copy;
  EXPECT_EQ(copy.copyFrom(nullptr, 4), 0);
  EXPECT_EQ(copy.copyFrom(src.get(), 0), 0);
  ASSERT_EQ(copy.copyFrom(src.get(), 9), 1);
  EXPECT_EQ(copy.id, 9);
  EXPECT_STREQ(copy.name, "Blob");
  EXPECT_NE(copy.name, src->name);
  EXPECT_EQ(copy.playParams.endFrame, 77);
  EXPECT_EQ(copy.nodeCount, src->nodeCount);
  EXPECT_EQ(copy.faceCount, src->faceCount);
  EXPECT_EQ(copy.edgeCount, src->edgeCount);
  ASSERT_NE(copy.state, nullptr);
  const int n1 = src->nodeCount + 1;
  auto same = [](const void* a, const void* b, size_t bytes) { return a != b && std::memcmp(a, b, bytes) == 0; };
  EXPECT_TRUE(same(copy.cellFlag, src->cellFlag, 4 * n1));
  for (int k = 0; k < 6; ++k) EXPECT_TRUE(same(copy.nbr[k], src->nbr[k], 4 * n1));
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(same(copy.linkCells[k], src->linkCells[k], 4 * n1));
  EXPECT_TRUE(same(copy.diffCentral, src->diffCentral, 12 * n1));
  EXPECT_TRUE(same(copy.nodeVolume, src->nodeVolume, 4 * n1));
  EXPECT_TRUE(same(copy.faces, src->faces, 16 * (src->faceCount + 1)));
  EXPECT_TRUE(same(copy.edges, src->edges, 8 * (src->edgeCount + 1)));
  EXPECT_TRUE(same(copy.faceNormals, src->faceNormals, 12 * (src->faceCount + 1)));
  EXPECT_TRUE(same(copy.glueJel, src->glueJel, 4 * n1));
  EXPECT_NE(copy.frameStore, src->frameStore);
  EXPECT_TRUE(same(GVFrameNodeRecs(copy.frameStore, 0), GVFrameNodeRecs(src->frameStore, 0),
                   sizeof(JelNodeRec) * n1));
}

TEST(JelObject, StartFrameAndTimeStep) {
  HObject a(8, 1, 0, 0);
  a.playParams.lastRecordedFrame = 40;
  a.playParams.highestComputedFrame = 3;
  a.setCurrentFrame(-5);
  EXPECT_EQ(a.playParams.startFrame, 0);
  a.setCurrentFrame(12);
  EXPECT_EQ(a.playParams.startFrame, 12);
  EXPECT_EQ(a.playParams.lastRecordedFrame, 0);
  EXPECT_EQ(GVFrameStoreSlotFrame(a.frameStore, 0), 12);
  EXPECT_EQ(a.getTimeStep(), 0.0f);
  a.playParams.stepping = 1;
  a.playParams.subSteps = 4;
  EXPECT_FLOAT_EQ(a.getTimeStep(), 1.0f / 120.0f);
  a.playParams.timeStep = 0.02f;
  EXPECT_FLOAT_EQ(a.getTimeStep(), 0.02f);
}

TEST(JelObject, PartCentreByFrame) {
  auto jel = makeBlockJel(3, 3, 3, 1.0f);
  float c[3] = {9, 9, 9};
  GVGetPartCentre(jel.get(), 1, 0, kAxesAll, c);
  for (float x : c) EXPECT_NEAR(x, 1.0f, 1e-6f);
  const float v[3] = {0, 5, 0};
  jel->HBState::translatePart(1, -2, kAxisY, v);
  GVGetPartCentre(jel.get(), 1, -2, kAxesAll, c);
  EXPECT_NEAR(c[1], 6.0f, 1e-5f);
  GVGetPartCentre(jel.get(), 1, -1, kAxesAll, c);
  EXPECT_NEAR(c[1], 1.0f, 1e-5f);
  float e[3] = {9, 9, 9};
  GVGetPartCentre(jel.get(), 20, 0, kAxesAll, e);
  for (float x : e) EXPECT_EQ(x, 0.0f);
  EXPECT_NEAR(GVGetLivePartMass(jel.get(), 1), 8.0f, 1e-5f);
}

TEST(JelObject, RotationOfTheLiveState) {
  auto jel = makeBlockJel(3, 3, 3, 1.0f);
  const float R[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};  // quarter turn about z (column form)
  const float c[3] = {1, 1, 1};
  jel->storeFrame(0);  // the start frame keeps the rest links
  jel->rotateLiveState(R, c);
  EXPECT_EQ(jel->frameMarks[0], -1);
  const int i = 3;  // grid (2, 0, 0): r = (1, -1, -1) -> (1, 1, -1)
  EXPECT_NEAR(jel->pos[i][0], 2.0f, 1e-6f);
  EXPECT_NEAR(jel->pos[i][1], 2.0f, 1e-6f);
  // The rest link to +y turned with the body.
  EXPECT_NEAR(jel->state->restLinks[1][4][0], -1.0f, 1e-6f);
  EXPECT_NEAR(jel->state->restLinks[1][4][1], 0.0f, 1e-6f);

  jel->loadStateRotated(R, c);
  EXPECT_NEAR(jel->pos[i][0], 2.0f, 1e-6f);
  EXPECT_NEAR(jel->pos[i][1], 2.0f, 1e-6f);
  // Rest frames follow the turned links: the x tangent now points along +y.
  EXPECT_NEAR(jel->state->restFrame[14][3], 1.0f, 1e-5f);
}

TEST(JelObject, NodeFrameIsCached) {
  auto jel = makeBlockJel(3, 3, 3, 1.0f);
  for (int i = 1; i <= jel->nodeCount; ++i)
    if (i == 14) jel->partMask[i] |= 1u << 4;
  float p[3], m[9];
  ASSERT_EQ(jel->getNodeFrame(4, 0, 1, 2, p, m), 1);
  EXPECT_EQ(p[0], 1.0f);
  EXPECT_NEAR(m[0], 1.0f, 1e-6f);
  jel->pos[14][0] = 50.0f;
  jel->getNodeFrame(4, -2, 1, 2, p, m);  // frame 0 was taken as -2: same question
  EXPECT_EQ(p[0], 1.0f);
  jel->getNodeFrame(4, -2, 1, 3, p, m);
  EXPECT_EQ(p[0], 50.0f);
  EXPECT_EQ(jel->getNodeFrame(9, -2, 1, 3, p, m), 0);  // empty part

  float q[3] = {1, 0, 0};
  jel->pos[14][0] = 1.0f;
  GVGetJelNodeFrameLive(jel.get(), 4, 77, q);
  EXPECT_NEAR(q[0], 2.0f, 1e-6f);
  float r[3] = {3, 1, 1};
  GVGetJelNodeFrameRest(jel.get(), 4, 78, r);
  EXPECT_NEAR(r[0], 2.0f, 1e-6f);
  EXPECT_NEAR(r[1], 0.0f, 1e-6f);
}

}  // namespace
