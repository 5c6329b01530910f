#include <gtest/gtest.h>

#include "block_lattice.h"
#include "jel/chan_data.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

namespace {

// Records frames through the live state the way the runner does.
int32_t record(HObject* jel, int32_t f) {
  jel->playParams.currentFrame = jel->playParams.computedFrame = f;
  return jel->recordFrame(f);
}

std::vector<int32_t> storedFrames(const HObject* jel) {
  std::vector<int32_t> out;
  for (int32_t k = 1; k <= GVFrameStoreLast(jel->frameStore); ++k)
    out.push_back(GVFrameStoreSlotFrame(jel->frameStore, k));
  return out;
}

TEST(JelFrameStore, RecordingKeepsFrameOrder) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  EXPECT_EQ(record(jel.get(), 0), -1);  // not after the start frame
  EXPECT_EQ(record(jel.get(), 20), 1);
  EXPECT_EQ(record(jel.get(), 10), 1);
  EXPECT_EQ(record(jel.get(), 30), 3);
  EXPECT_EQ(record(jel.get(), 20), 2);  // an existing frame is overwritten in place
  EXPECT_EQ(storedFrames(jel.get()), (std::vector<int32_t>{10, 20, 30}));
  for (ChanData* aux : jel->auxStores) {
    const ChanChannel* c = GVChanChannel(aux, kChanVec3);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->slotCount, 3);
  }
  jel->playParams.mode = 4;
  EXPECT_EQ(record(jel.get(), 40), -1);
  jel->playParams.mode = 0;
  jel->playParams.currentFrame = 50;
  jel->playParams.computedFrame = 49;
  EXPECT_EQ(jel->recordFrame(50), -1);
}

TEST(JelFrameStore, RecordedFramesRestore) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  jel->pos[8][0] = 7.0f;
  jel->vel[8][1] = 3.0f;
  const int32_t slot = record(jel.get(), 12);
  ASSERT_EQ(slot, 1);
  jel->restoreFrame(0);
  EXPECT_EQ(jel->pos[8][0], 1.0f);
  jel->restoreFrame(slot);
  EXPECT_EQ(jel->pos[8][0], 7.0f);
  EXPECT_EQ(jel->vel[8][1], 3.0f);
  EXPECT_EQ(jel->playParams.currentFrame, 12);
  float p[3] = {0, 0, 0};
  jel->getNodePosition(8, 1, kAxesAll, p);
  EXPECT_EQ(p[0], 7.0f);
  // Frame -1 and frame 0 read different vectors of the start slot's records.
  GVFrameNodeRecs(jel->frameStore, 0)[8].f[kNodePos] = 5.0f;
  jel->getNodePosition(8, 0, kAxesAll, p);
  EXPECT_EQ(p[0], 5.0f);
  jel->getNodePosition(8, -1, kAxesAll, p);
  EXPECT_EQ(p[0], 1.0f);
}

TEST(JelFrameStore, StoringTheStartFrameDropsFramesUpToNow) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  for (int32_t f : {5, 10, 11, 15}) record(jel.get(), f);
  jel->playParams.currentFrame = 10;
  jel->storeFrame(0);
  EXPECT_EQ(storedFrames(jel.get()), (std::vector<int32_t>{11, 15}));
  jel->setCurrentFrame(12);
  EXPECT_EQ(storedFrames(jel.get()), (std::vector<int32_t>{15}));
  EXPECT_EQ(GVFrameStoreSlotFrame(jel->frameStore, 0), 12);
  jel->removeStoredFrame(15);
  EXPECT_TRUE(storedFrames(jel.get()).empty());
}

TEST(JelFrameStore, AFullStoreRefusesGapsAndReusesTheLastSlot) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  for (int32_t f = 10; f <= 1000; f += 10) ASSERT_GT(record(jel.get(), f), 0) << f;
  EXPECT_EQ(GVFrameStoreLast(jel->frameStore), 100);
  EXPECT_EQ(record(jel.get(), 15), -1);
  EXPECT_EQ(record(jel.get(), 5), -1);
  EXPECT_EQ(record(jel.get(), 1000), 100);
  EXPECT_EQ(record(jel.get(), 1200), 100);
  EXPECT_EQ(GVFrameStoreSlotFrame(jel->frameStore, 100), 1200);
  EXPECT_EQ(record(jel.get(), 500), 50);
  EXPECT_EQ(GVFrameStoreLast(jel->frameStore), 100);
}

TEST(JelFrameStore, PositionCacheLimits) {
  struct Case {
    int32_t recordLast, endFrame;
    int32_t slots;  // -1: no cache
  };
  const Case cases[] = {{10000, 0, -1}, {9999, 0, 10000}, {50, 0, 51}, {50, 20, 21}, {-3, 0, -1}};
  for (const Case& c : cases) {
    auto jel = makeBlockJel(2, 2, 2, 1.0f);
    jel->playParams.recordLast = c.recordLast;
    jel->playParams.endFrame = c.endFrame;
    jel->reserveCachedFrames();
    if (c.slots < 0) {
      EXPECT_EQ(jel->posCache, nullptr) << c.recordLast;
      continue;
    }
    const ChanChannel* ch = GVChanChannel(jel->posCache, kChanVec3);
    ASSERT_NE(ch, nullptr);
    EXPECT_EQ(ch->slotCount, c.slots) << c.recordLast;  // slots 0..count: frames 0..last and a spare
    if (c.slots > 9000) continue;
    // Growing to a later last frame keeps the same rule.
    jel->playParams.endFrame = 0;
    jel->playParams.recordLast = c.slots + 10;  // count = slots + 11
    jel->reserveCachedFrames();
    EXPECT_EQ(GVChanChannel(jel->posCache, kChanVec3)->slotCount, c.slots + 11);
    EXPECT_NE(GVChanVec3s(jel->posCache, c.slots + 11), nullptr);
  }
}

TEST(JelFrameStore, PositionCacheRoundTrip) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  jel->playParams.recordLast = 30;
  jel->playParams.endFrame = 0;
  jel->reserveCachedFrames();
  jel->pos[2][1] = 4.0f;
  jel->storeCachedPositions(7);
  EXPECT_EQ(jel->playParams.lastRecordedFrame, 7);
  jel->pos[2][1] = 0.0f;
  jel->playParams.subSteps = 3;
  jel->loadCachedPositions(7);
  EXPECT_EQ(jel->pos[2][1], 4.0f);
  EXPECT_EQ(jel->playParams.currentFrame, 7);
  EXPECT_EQ(jel->playParams.subStepIndex, 3);
  // Past the last recorded frame nothing moves; at the start frame the initial state comes back.
  jel->pos[2][1] = 9.0f;
  jel->loadCachedPositions(8);
  EXPECT_EQ(jel->pos[2][1], 9.0f);
  jel->loadCachedPositions(0);
  EXPECT_EQ(jel->pos[2][1], 0.0f);
  // Frames past the record range only move the mark.
  jel->storeCachedPositions(40);
  EXPECT_EQ(jel->playParams.lastRecordedFrame, 30);
}

TEST(JelFrameStore, StoredMatterOperations) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  MatterProps m;
  m.elasticity = 40.0f;
  jel->setNodeMatter(8, 0, kMatterElasticity, &m);  // node 8 owns no cell: refused
  jel->setNodeMatterAlias(1, 0, kMatterElasticity, &m);
  MatterProps out;
  jel->getNodeMatterAlias(8, 0, kMatterElasticity, &out);
  EXPECT_EQ(out.elasticity, 1.0f);
  jel->getNodeMatter(1, 0, kMatterElasticity, &out);
  EXPECT_EQ(out.elasticity, 40.0f);
  // Summary over stored frames rounds the F-Ratio up.
  jel->updateNodeCoeffs(0);
  MatterProps sum;
  jel->getPartMatterSummary(1, 0, kMatterAllFields, &sum);
  EXPECT_EQ(sum.fRatio, 40.0f);
  GVFrameMatter(jel->frameStore, 0)[2].fRatio = 40.2f;
  jel->getPartMatterSummaryAlias(1, -1, kMatterAllFields, &sum);
  EXPECT_EQ(sum.fRatio, 41.0f);
  EXPECT_EQ(sum.elasticity, 40.0f);
  // Live frames go to the state.
  jel->getPartMatterSummary(1, -2, kMatterElasticity, &sum);
  EXPECT_EQ(sum.elasticity, 1.0f);
  MatterProps d;
  d.density = 5000.0f;
  jel->applyPartMatterAlias(1, 0, kMatterDensity, &d);
  EXPECT_EQ(GVFrameMatter(jel->frameStore, 0)[3].density, 1000.0f);
  d.density = 2.0f;
  jel->applyPartMatter(1, -2, kMatterDensity, &d);
  EXPECT_EQ(jel->state->matter[3].density, 2.0f);
  jel->scaleNodeMatter(1, 0, 2);
  EXPECT_EQ(GVFrameMatter(jel->frameStore, 0)[1].elasticity, 40.0f);  // Sc_L / h = 1
}

}  // namespace

namespace {

// One Jel, five frames: stored frame 1 moved by 10 in x and moving in y, the
// start frame and the natural state on the grid, the committed live state moved
// by 20 and the in-step state by one more.
TEST(JelFrameStore, OperationsAnswerOnEveryFrameSelector) {
  auto jel = makeBlockJel(3, 3, 3, 1.0f);
  for (int i = 1; i <= jel->nodeCount; ++i) {
    jel->pos[i][0] += 10.0f;
    jel->vel[i][1] = 3.0f;
  }
  ASSERT_EQ(record(jel.get(), 5), 1);
  for (int i = 1; i <= jel->nodeCount; ++i) {
    jel->pos[i][0] += 10.0f;
    jel->disp[i][0] = 1.0f;
  }
  struct Case {
    int32_t frame;
    float centreX;  // through the Jel
    float nodeX;    // node 27 at grid (2, 2, 2)
    float momentumY;
  };
  const Case cases[] = {
      {1, 11.0f, 12.0f, 24.0f}, {0, 1.0f, 2.0f, 0.0f}, {-1, 1.0f, 2.0f, 0.0f},
      {-2, 21.0f, 22.0f, 24.0f}, {-3, 22.0f, 23.0f, 0.0f},  // no in-step displacement along y
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame);
    float centre[3] = {0, 0, 0};
    GVGetPartCentre(jel.get(), 1, c.frame, kAxesAll, centre);
    EXPECT_NEAR(centre[0], c.centreX, 1e-4f);
    float p[3] = {0, 0, 0};
    jel->getNodePositionAlias(27, c.frame, kAxesAll, p);
    EXPECT_NEAR(p[0], c.nodeX, 1e-5f);
    int32_t node = 0;
    float d = 0;
    jel->findNearestNodeAlias(1, c.frame, p, &node, &d);
    EXPECT_EQ(node, 27);
    EXPECT_NEAR(d, 0.0f, 1e-6f);
    float mom[3] = {0, 0, 0};
    if (c.frame >= 0)
      jel->getPartMomentum(1, c.frame, kAxisY, mom);
    else if (c.frame < -1)
      jel->state->getPartMomentum(1, c.frame, kAxisY, mom);
    EXPECT_NEAR(mom[1], c.momentumY, 1e-3f);
    MatterProps m;
    m.density = 9e30f;
    jel->getPartMatterRange(1, c.frame, kMatterDensity, &m);
    EXPECT_EQ(m.density, 1.0f);
  }
}

}  // namespace
