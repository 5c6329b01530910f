// A Jel read from a damaged record, run in a world.
#include <gtest/gtest.h>

#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_record_fixtures.h"

namespace {

using namespace jelrecord;

// Frame words before frame 0 (a damaged file) read as frame 0: a world that
// holds the Jel steps from there to the frame asked for, not up from below.
TEST_F(JelRecordTest, FramesBeforeTheStartOfTheRunReadAsFrameZero) {
  auto src = makeRecordJel();
  src->playParams.startFrame = -7;
  src->playParams.highestComputedFrame = -1124073472;
  src->playParams.lastRecordedFrame = -67108864;
  for (int32_t k = 1; k <= 2; ++k) GVChanSlot(src->frameStore, kChanNodeRec, k)->frame = 0;
  const Bytes bytes = recordBytes(*src);
  HObject* got = new HObject;
  ASSERT_EQ(readInto(got, bytes, bytes.size()), kJelReadOk);
  EXPECT_EQ(got->playParams.startFrame, 0);
  EXPECT_EQ(got->playParams.highestComputedFrame, 0);
  EXPECT_EQ(got->playParams.lastRecordedFrame, 0);
  HWorld world;
  GVAddJel(&world, got);
  GVResetSelToWorld(&world, -1);
  GVRunWorldToFrame(&world, 3, nullptr, nullptr);
  EXPECT_EQ(world.params.computedFrame, 3);
  GVResetJelList(&world);
}

}  // namespace
