#include "dynamics/world_runner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "dynamics/constraint_cmds.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "runner_scene.h"

namespace {

constexpr float kG = -9.81f;

class RunnerTest : public ::testing::Test {
 protected:
  RunnerTest() : saved_(GVWorldServices()) {
    WorldServices sv = saved_;
    GVInstallRunnerServices(&sv);
    GVInstallConstraintServices(&sv);
    GVSetWorldServices(sv);
    AttachDriver(&world, &drv);
  }
  ~RunnerTest() override {
    GVResetJelList(&world);
    GVSetWorldServices(saved_);
  }

  HObject* Add(int cells, float x, float y, int32_t id, float fy = kG) {
    const float corner[3] = {x, y, -0.5f * cells};
    HObject* j = MakeDropJel(cells, cells, cells, 1.0f, corner, id, fy);
    GVAddJel(&world, j);
    return j;
  }
  void Advance(int32_t t) { GVAdvanceToFrame(&world, t, SceneFrameCB, SceneAfterCB); }
  // Frame by frame, the way the frame driver plays a scene.
  void Play(int32_t from, int32_t to) {
    for (int32_t f = from; f <= to; ++f) Advance(f);
  }
  void ResetCounts() { drv.asked = drv.work = drv.workInStep = drv.after = 0; }

  HWorld world;
  SceneDriver drv;

 private:
  WorldServices saved_;
};

TEST_F(RunnerTest, NextFrameStepsOnceWithOneCallPerSubStep) {
  Add(2, -1, 5, 1);
  Play(0, 5);
  ResetCounts();
  Advance(6);
  EXPECT_EQ(world.params.computedFrame, 6);
  EXPECT_EQ(world.params.currentFrame, 6);
  EXPECT_EQ(drv.asked, 1);
  EXPECT_EQ(drv.work, 1);
  EXPECT_EQ(drv.workInStep, 1);
  EXPECT_EQ(drv.after, 1);
  EXPECT_EQ(world.head->playParams.computedFrame, 6);
}

TEST_F(RunnerTest, CallbackSubStepsOverrideTheJelsNeed) {
  HObject* j = Add(2, -1, 5, 1);
  drv.subSteps = 4;
  Play(0, 3);
  ResetCounts();
  Advance(4);
  EXPECT_EQ(drv.asked, 1);
  EXPECT_EQ(drv.work, 4);
  EXPECT_EQ(drv.workInStep, 4);  // each between a force phase and its commit
  EXPECT_EQ(world.params.subSteps, 4);
  EXPECT_EQ(j->playParams.subSteps, 4);
  EXPECT_EQ(world.params.stepping, 0);
  EXPECT_EQ(j->playParams.stepping, 0);
}

TEST_F(RunnerTest, SubStepsShortenTheStepButKeepTheFall) {
  // One frame of free fall is the same distance in 1 or 4 sub-steps, to first
  // order: the step time follows the sub-step count.
  HObject* a = Add(2, -1, 10, 1);
  Play(0, 10);
  const float y1 = LowestY(a);
  GVResetJelList(&world);
  AttachDriver(&world, &drv);
  drv.subSteps = 4;
  HObject* b = Add(2, -1, 10, 1);
  Play(0, 10);
  const float fall = 0.5f * 9.81f * (10.0f / 30) * (10.0f / 30);
  EXPECT_NEAR(10.0f - y1, fall, 0.1f * fall);
  EXPECT_NEAR(10.0f - LowestY(b), fall, 0.1f * fall);
}

TEST_F(RunnerTest, AdvanceToZeroRestoresEveryJel) {
  HObject* a = Add(2, -4, 5, 1);
  HObject* b = Add(2, 2, 8, 2);
  Advance(0);
  const std::vector<float> start = WorldPositions(&world);
  Play(1, 20);
  ASSERT_NE(WorldPositions(&world), start);
  ResetCounts();
  Advance(0);
  EXPECT_EQ(WorldPositions(&world), start);
  EXPECT_EQ(drv.work, 1);
  EXPECT_EQ(drv.after, 1);
  EXPECT_EQ(world.params.currentFrame, 0);
  EXPECT_EQ(world.params.computedFrame, 0);
  for (HObject* j : {a, b}) {
    EXPECT_EQ(j->playParams.computedFrame, 0);
    EXPECT_EQ(LargestSpeed(j), 0.0f);
  }
}

TEST_F(RunnerTest, NegativeTargetRestartsTheRun) {
  Add(2, -1, 5, 1);
  Advance(0);
  const std::vector<float> start = WorldPositions(&world);
  Play(1, 5);
  Advance(-3);
  EXPECT_EQ(WorldPositions(&world), start);
  EXPECT_EQ(world.params.currentFrame, 0);
}

TEST_F(RunnerTest, EndFrameStopsStepping) {
  HObject* j = Add(2, -1, 5, 1);
  j->playParams.endFrame = 10;
  GVResetSelToWorld(&world, -1);
  ASSERT_EQ(world.params.endFrame, 10);
  Play(0, 10);
  const std::vector<float> at10 = WorldPositions(&world);
  ResetCounts();
  Play(11, 15);
  EXPECT_EQ(drv.asked, 0);  // nothing stepped past the end
  EXPECT_EQ(WorldPositions(&world), at10);
  EXPECT_EQ(world.params.currentFrame, 15);
  EXPECT_EQ(j->playParams.currentFrame, 15);
  // Straight from the start: the same.
  Advance(0);
  ResetCounts();
  Advance(15);
  EXPECT_EQ(drv.asked, 10);
  EXPECT_EQ(WorldPositions(&world), at10);
  EXPECT_EQ(world.params.currentFrame, 15);
}

TEST_F(RunnerTest, SameFrameAgainStepsNothing) {
  Add(2, -1, 5, 1);
  Play(0, 7);
  const std::vector<float> at7 = WorldPositions(&world);
  ResetCounts();
  Advance(7);
  EXPECT_EQ(drv.asked, 0);
  EXPECT_EQ(drv.work, 1);
  EXPECT_EQ(drv.after, 1);
  EXPECT_EQ(WorldPositions(&world), at7);
}

TEST_F(RunnerTest, HeldJelKeepsItsStateAndGroupBit) {
  HObject* held = Add(2, -4, 5, 1);
  HObject* free = Add(2, 2, 5, 2);
  held->flags |= kJelHeld;
  Advance(0);
  const std::vector<float> before(&held->pos[1][0], &held->pos[1][0] + 3 * held->nodeCount);
  const float freeY = LowestY(free);
  Play(1, 10);
  const std::vector<float> after(&held->pos[1][0], &held->pos[1][0] + 3 * held->nodeCount);
  EXPECT_EQ(after, before);
  EXPECT_TRUE(held->groupMask & 2u);
  EXPECT_TRUE(held->state->groupMask & 2u);
  EXPECT_LT(LowestY(free), freeY);
}

TEST_F(RunnerTest, EmptyWorldMovesOnlyTheFrameWords) {
  world.params.endFrame = 55;
  Advance(12);
  EXPECT_EQ(world.params.currentFrame, 12);
  EXPECT_EQ(world.params.endFrame, 0);
  EXPECT_EQ(drv.work, 1);
  EXPECT_EQ(drv.after, 1);
  EXPECT_EQ(drv.asked, 0);
}

TEST_F(RunnerTest, JelOutsideGroupOneIsNotStepped) {
  HObject* a = Add(2, -4, 5, 1);
  HObject* b = Add(2, 2, 5, 2);
  Advance(0);
  b->setGroupBit(-1, 0);
  const float yb = LowestY(b);
  Play(1, 10);
  EXPECT_EQ(LowestY(b), yb);
  EXPECT_LT(LowestY(a), 5.0f);
  EXPECT_EQ(world.params.computedFrame, 10);
}

// ---------------------------------------------------------------------------
// Falling, bouncing and resting

TEST_F(RunnerTest, DroppedJelFallsBouncesAndRests) {
  HObject* j = Add(2, -1, 5, 1);
  ASSERT_EQ(j->nodeCount, 27);
  Advance(0);
  ASSERT_FLOAT_EQ(LowestY(j), 5.0f);
  int firstTouch = -1;
  float bounceTop = 0.0f;  // highest lowest-y after the first touch
  for (int f = 1; f <= 300; ++f) {
    Advance(f);
    const float y = LowestY(j);
    ASSERT_GE(y, -1e-4f) << "frame " << f;
    if (firstTouch < 0 && y < 1e-3f) firstTouch = f;
    if (firstTouch > 0) bounceTop = std::fmax(bounceTop, y);
  }
  // Free fall from 5: t = sqrt(2 * 5 / 9.81) s, about frame 30 at 30 fps.
  const float predicted = 30.0f * std::sqrt(2.0f * 5.0f / 9.81f);
  EXPECT_NEAR(firstTouch, predicted, 3.0f);
  EXPECT_GT(bounceTop, 0.25f);  // it left the floor again
  EXPECT_LT(LargestSpeed(j), 0.05f);
  EXPECT_NEAR(LowestY(j), 0.0f, 1e-3f);
  // Still upright and about its own size.
  float top = -9e30f;
  for (int32_t i = 1; i <= j->nodeCount; ++i) top = std::fmax(top, j->pos[i][1]);
  EXPECT_GT(top, 1.0f);
  EXPECT_LT(top, 2.5f);
}

TEST_F(RunnerTest, JelsDroppedSideBySideBehaveAlike) {
  HObject* a = Add(2, -6, 5, 1);
  HObject* b = Add(2, 4, 5, 2);
  Advance(0);
  for (int f = 1; f <= 120; ++f) {
    Advance(f);
    for (int32_t i = 1; i <= a->nodeCount; ++i) {
      ASSERT_NEAR(b->pos[i][0] - a->pos[i][0], 10.0f, 1e-3f) << "frame " << f;
      ASSERT_NEAR(b->pos[i][1], a->pos[i][1], 1e-3f) << "frame " << f;
      ASSERT_NEAR(b->pos[i][2], a->pos[i][2], 1e-3f) << "frame " << f;
    }
  }
}

TEST_F(RunnerTest, WithoutForceAJelStaysPut) {
  HObject* j = Add(2, -1, 5, 1, 0.0f);
  Advance(0);
  const std::vector<float> start = WorldPositions(&world);
  Play(1, 60);
  const std::vector<float> now = WorldPositions(&world);
  for (size_t k = 0; k < start.size(); ++k) ASSERT_NEAR(now[k], start[k], 1e-5f);
  EXPECT_LT(LargestSpeed(j), 1e-5f);
}

// ---------------------------------------------------------------------------
// Determinism, scrubbing and stored frames

TEST_F(RunnerTest, SameSceneSteppedTwiceGivesTheSameState) {
  Add(2, -6, 5, 1);
  Add(3, 3, 9, 2);
  Advance(0);
  Play(1, 90);
  const uint64_t first = WorldStateHash(&world);

  HWorld other;
  SceneDriver drv2;
  AttachDriver(&other, &drv2);
  const float c1[3] = {-6, 5, -1}, c2[3] = {3, 9, -1.5f};
  GVAddJel(&other, MakeDropJel(2, 2, 2, 1.0f, c1, 1, kG));
  GVAddJel(&other, MakeDropJel(3, 3, 3, 1.0f, c2, 2, kG));
  for (int f = 0; f <= 90; ++f) GVAdvanceToFrame(&other, f, SceneFrameCB, SceneAfterCB);
  EXPECT_EQ(WorldStateHash(&other), first);
}

TEST_F(RunnerTest, ScrubbingBackAndForthReplaysBitForBit) {
  Add(2, -6, 5, 1);
  Add(2, 3, 7, 2);
  Advance(0);
  Play(1, 200);
  const std::vector<float> first = WorldPositions(&world);
  const uint64_t hash = WorldStateHash(&world);
  Advance(50);
  EXPECT_EQ(world.params.currentFrame, 50);
  Advance(200);
  EXPECT_EQ(world.params.currentFrame, 200);
  EXPECT_EQ(world.params.computedFrame, 200);
  EXPECT_EQ(WorldPositions(&world), first);
  EXPECT_EQ(WorldStateHash(&world), hash);
}

TEST_F(RunnerTest, JumpAheadEqualsPlayingFrameByFrame) {
  Add(2, -1, 5, 1);
  Advance(0);
  Play(1, 40);
  const std::vector<float> played = WorldPositions(&world);
  Advance(0);
  Advance(40);
  EXPECT_EQ(WorldPositions(&world), played);
}

TEST_F(RunnerTest, SeekFromAStoredFrame) {
  HObject* j = Add(2, -1, 5, 1);
  Advance(0);
  Play(1, 20);
  ASSERT_GT(GVRecordCurrentFrame(&world), 0);
  EXPECT_EQ(GVFrameStoreSlotFrame(j->frameStore, 1), 20);
  Play(21, 25);
  const std::vector<float> at25 = WorldPositions(&world);
  Play(26, 40);
  ASSERT_EQ(GVLatestRestorableFrame(&world, -1, 26), 20);
  ResetCounts();
  Advance(25);
  EXPECT_EQ(drv.asked, 5);  // restored at 20, stepped five frames
  EXPECT_EQ(WorldPositions(&world), at25);
}

TEST_F(RunnerTest, StoredFrameIsRefreshedAsTheRunPassesIt) {
  HObject* j = Add(2, -1, 5, 1);
  Advance(0);
  Play(1, 10);
  GVRecordCurrentFrame(&world);
  const JelNodeRec* rec = GVFrameNodeRecs(j->frameStore, 1);
  ASSERT_NE(rec, nullptr);
  const float y10 = rec[1].f[kNodePos + 1];
  EXPECT_EQ(y10, j->pos[1][1]);
  // Change the run: the block now falls from rest with a stronger pull.
  Advance(0);
  for (int32_t i = 1; i <= j->nodeCount; ++i) j->state->matter[i].forceY = 2 * kG;
  j->state->matterChanged();
  Play(1, 10);
  EXPECT_EQ(GVFrameNodeRecs(j->frameStore, 1)[1].f[kNodePos + 1], j->pos[1][1]);
  EXPECT_LT(j->pos[1][1], y10);
}

TEST_F(RunnerTest, SeekToTheNextFrameNeverRestores) {
  Add(2, -1, 5, 1);
  Advance(0);
  Play(1, 12);
  GVRecordCurrentFrame(&world);
  Play(13, 20);
  const std::vector<float> at20 = WorldPositions(&world);
  // The live states already hold a frame between the stored one and the
  // target: nothing is restored.
  EXPECT_EQ(GVSeekStoredFrame(&world, 21), 1);
  EXPECT_EQ(world.params.computedFrame, 20);
  EXPECT_EQ(WorldPositions(&world), at20);
  // Behind the computed frame it restores from the stored frame.
  EXPECT_EQ(GVSeekStoredFrame(&world, 15), 1);
  EXPECT_EQ(world.params.computedFrame, 12);
}

TEST_F(RunnerTest, StoredFrameQueries) {
  HObject* a = Add(2, -6, 5, 1);
  HObject* b = Add(2, 3, 5, 2);
  b->setCurrentFrame(5);  // born at frame 5
  GVResetSelToWorld(&world, -1);
  EXPECT_EQ(world.params.startFrame, 0);
  Advance(0);
  Play(1, 8);
  GVRecordCurrentFrame(&world);
  EXPECT_EQ(GVAllSelStoredAt(&world, -1, 8), 1);
  EXPECT_EQ(GVAllSelStoredAt(&world, -1, 5), 0);  // a has nothing at 5
  EXPECT_EQ(GVAllSelStoredAt(&world, -1, 3), 0);
  EXPECT_EQ(GVAllSelStoredAt(&world, 2, 3), 1);   // b not yet alive
  EXPECT_EQ(GVLatestRestorableFrame(&world, -1, 8), 0);
  EXPECT_EQ(GVLatestRestorableFrame(&world, -1, 9), 8);
  EXPECT_EQ(GVLatestRestorableFrame(&world, 2, 8), 5);
  EXPECT_EQ(GVNextStoredFrame(&world, -1, 0), 8);
  EXPECT_EQ(GVNextStoredFrame(&world, -1, 8), -1);
  EXPECT_EQ(GVNextStoredFrame(&world, 2, 2), 5);
  (void)a;
}

// ---------------------------------------------------------------------------
// Recording and replay

TEST_F(RunnerTest, RecordedRunReplaysFromThePositionCache) {
  HObject* j = Add(2, -1, 5, 1);
  j->playParams.recordLast = 100;
  EXPECT_EQ(GVSetWorldMode(&world, kWorldRecord), kWorldRecord);
  Advance(0);
  std::vector<std::vector<float>> seen;
  for (int f = 1; f <= 30; ++f) {
    Advance(f);
    seen.push_back(WorldPositions(&world));
  }
  EXPECT_EQ(world.params.lastRecordedFrame, 30);
  ResetCounts();
  Advance(10);
  EXPECT_EQ(world.params.mode, kWorldReplay);
  EXPECT_EQ(drv.asked, 0);
  EXPECT_EQ(WorldPositions(&world), seen[9]);
  EXPECT_EQ(world.params.currentFrame, 10);
  Advance(25);
  EXPECT_EQ(WorldPositions(&world), seen[24]);
  // Past the recorded frames it simulates and records again.
  Advance(31);
  EXPECT_EQ(world.params.mode, kWorldRecord);
  EXPECT_EQ(world.params.lastRecordedFrame, 31);
}

TEST_F(RunnerTest, SteppingOnAfterAReplayStartsFromTheComputedFrame) {
  HObject* j = Add(2, -1, 5, 1);
  Advance(0);
  Play(1, 31);
  const std::vector<float> at31 = WorldPositions(&world);
  j->playParams.recordLast = 100;
  GVSetWorldMode(&world, kWorldRecord);
  Advance(0);
  Play(1, 30);
  Advance(10);  // replayed from the cache; the live state still holds frame 30
  ASSERT_EQ(world.params.mode, kWorldReplay);
  ASSERT_EQ(world.params.computedFrame, 30);
  Advance(31);
  EXPECT_EQ(world.params.computedFrame, 31);
  EXPECT_EQ(WorldPositions(&world), at31);
}

TEST_F(RunnerTest, ModeRequests) {
  Add(2, -1, 5, 1);
  EXPECT_EQ(GVSetWorldMode(&world, 8), kWorldRecord);
  world.params.mode = kWorldReplay;
  EXPECT_EQ(GVSetWorldMode(&world, 8), kWorldSimulate);  // replay toggles to simulate, not record
  EXPECT_EQ(GVSetWorldMode(&world, 3), kWorldSimulate);  // other requests keep it
  EXPECT_EQ(world.head->playParams.mode, kWorldSimulate);
}

TEST_F(RunnerTest, LoopAndStateModeReachEveryJel) {
  HObject* a = Add(2, -6, 5, 1);
  HObject* b = Add(2, 3, 5, 2);
  EXPECT_EQ(GVSetWorldLoop(&world, 1), 1);
  EXPECT_EQ(a->playParams.loopFlag, 1);
  EXPECT_EQ(GVSetWorldLoop(&world, 2), 0);
  EXPECT_EQ(b->playParams.loopFlag, 0);
  EXPECT_EQ(GVSetWorldLoop(&world, 4), 0);
  a->frameMarks[0] = 7;
  GVSetWorldStateMode(&world, -1);
  EXPECT_EQ(a->playParams.stateMode, -1);
  EXPECT_EQ(b->state->params->stateMode, -1);
  EXPECT_EQ(a->frameMarks[0], -1);
}

TEST_F(RunnerTest, NaturalStateModeRestartsAtTheRestShape) {
  HObject* j = Add(2, -1, 5, 1);
  // Initial state 3 units above the rest shape.
  JelNodeRec* nr = GVFrameNodeRecs(j->frameStore, 0);
  for (int32_t i = 1; i <= j->nodeCount; ++i) nr[i].f[kNodePos + 1] += 3.0f;
  Advance(0);
  EXPECT_FLOAT_EQ(LowestY(j), 8.0f);
  GVSetWorldStateMode(&world, -1);
  Advance(0);
  EXPECT_FLOAT_EQ(LowestY(j), 5.0f);
  // The driver keeps part 1 still in natural-state mode.
  Play(1, 10);
  EXPECT_NEAR(LowestY(j), 5.0f, 1e-4f);
}

TEST_F(RunnerTest, PushCopiesOnlyTheMaskedWords) {
  HObject* a = Add(2, -1, 5, 1);
  FrameParams src;
  src.loopStart = 17;
  src.loopLength = 33;
  src.timeStep = 0.5f;
  src.fps = 60;
  GVPushWorldParams(&world, &src, kFpLoopStart | kFpLoopLength);
  EXPECT_EQ(world.params.loopStart, 17);
  EXPECT_EQ(a->playParams.loopLength, 33);
  EXPECT_EQ(a->playParams.fps, 30);
  EXPECT_EQ(a->playParams.timeStep, 0.0f);
  GVPushWorldParams(&world, &src, 0xFFFFFFFFu);
  EXPECT_EQ(a->playParams.fps, 60);
  EXPECT_EQ(a->playParams.timeStep, 0.0f);  // the time step is never pushed
}

TEST_F(RunnerTest, FrameBookkeeping) {
  HObject* a = Add(2, -6, 5, 1);
  HObject* b = Add(2, 3, 5, 2);
  Advance(0);
  Play(1, 20);
  EXPECT_EQ(world.params.highestComputedFrame, 20);
  GVLimitComputedFrames(&world, 12);
  EXPECT_EQ(world.params.highestComputedFrame, 12);
  EXPECT_EQ(a->playParams.highestComputedFrame, 12);
  GVTruncSelFrames(&world, 2, 8);
  EXPECT_EQ(b->playParams.endFrame, 8);
  EXPECT_EQ(b->playParams.highestComputedFrame, 8);
  EXPECT_EQ(a->playParams.endFrame, 0);
  EXPECT_EQ(world.params.highestComputedFrame, 8);
  GVTruncSelFrames(&world, 1, -5);
  EXPECT_EQ(a->playParams.endFrame, 0);
  GVSetWorldFrameWord14(&world, -2);
  EXPECT_EQ(world.params.lastRecordedFrame, 0);
  a->playParams.recordLast = 0;
  GVClampJelFrameWord16(&world, 40);
  EXPECT_EQ(a->playParams.recordLast, 40);
  EXPECT_EQ(world.params.recordLast, 40);
}

TEST_F(RunnerTest, RestoreClearsTheCommandStore) {
  Add(2, -1, 5, 1);
  world.cmdCount = 0;
  world.cmdResolved = 1;
  GVSelRestoreFrame(&world, -1, 0);
  EXPECT_EQ(world.cmdCount, 0);
  EXPECT_EQ(world.cmdResolved, 0);
}

TEST_F(RunnerTest, DropSelFramesEmptiesTheStore) {
  HObject* j = Add(2, -1, 5, 1);
  Advance(0);
  for (int f = 1; f <= 30; ++f) {
    Advance(f);
    if (f % 10 == 0) GVRecordCurrentFrame(&world);
  }
  ASSERT_EQ(GVFrameStoreLast(j->frameStore), 3);
  GVDropSelFrames(&world, -1);
  EXPECT_EQ(GVFrameStoreLast(j->frameStore), 0);
  EXPECT_EQ(GVLatestRestorableFrame(&world, -1, 31), 0);
}

TEST_F(RunnerTest, RefilledJelJoinsTheStoredFrames) {
  HObject* a = Add(2, -6, 5, 1);
  Advance(0);
  Play(1, 10);
  GVRecordCurrentFrame(&world);
  Play(11, 15);
  const float corner[3] = {3, 5, -1};
  HObject* late = MakeDropJel(2, 2, 2, 1.0f, corner, 2, kG);
  GVAddJel(&world, late);
  HObject* c = MakeDropJel(2, 2, 2, 1.0f, corner, 3, kG);
  GVAddJel(&world, c);
  GVRefillJelFrames(&world, late);
  EXPECT_EQ(GVFrameStoreSlotFrame(late->frameStore, 1), 10);
  EXPECT_EQ(GVFrameStoreSlotFrame(late->frameStore, 2), 15);
  // It kept its place between a and c.
  EXPECT_EQ(a->next, late);
  EXPECT_EQ(late->next, c);
}

TEST_F(RunnerTest, FreeingTheWorldFreesItsJels) {
  HWorld** cell = new HWorld*(new HWorld);
  const float corner[3] = {0, 5, 0};
  GVAddJel(*cell, MakeDropJel(2, 2, 2, 1.0f, corner, 1, kG));
  GVFreeJelWorld(cell);  // the leak checker sees the rest
  GVFreeJelWorld(nullptr);
}

}  // namespace
