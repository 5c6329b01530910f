#include <gtest/gtest.h>

#include <vector>

#include "dynamics/runner_scene.h"
#include "jel/chan_data.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/matter.h"
#include "logic/command_args.h"
#include "logic_fixture.h"

namespace {

std::vector<int32_t> gCalls;
int32_t RecordCall(int32_t mode, int32_t a, int32_t b, int32_t c, void*) {
  gCalls.insert(gCalls.end(), {mode, a, b, c});
  return 0;
}

struct DragScene {
  DragScene() {
    jel = s.AddJel(1, 0.0f, 5.0f, 0.0f, 0.0f);
    s.ctx.workBlock = &block;
    s.sys.appCB = RecordCall;
    FrameParams& fp = s.world.params;
    fp.stepping = 1;
    fp.subSteps = 1;
    fp.subStepIndex = 1;
    line = s.Add(kLogicEffects, 0, PP(1), {IConst(1), IConst(1), IConst(0), IConst(100)});
    gCalls.clear();
  }
  // One step that ends at frame k; with a drag target when dragging.
  void StepTo(int32_t k, bool dragging) {
    s.world.params.currentFrame = k - 1;
    block.words[0] = dragging ? 1 : 0;
    block.words[4] = dragging ? 1 : 0;
    block.floats[3] = static_cast<float>(k);
    block.floats[4] = 6.0f;
    block.floats[5] = 1.0f;
    for (int32_t i = 1; i <= jel->nodeCount; ++i) jel->state->disp[i][0] = jel->state->disp[i][1] = 0.0f;
    GVLogicRecordMouseDrag(line, 1, &s.sys);
  }
  float CentreX() {
    float c[3] = {0, 0, 0};
    GVGetPartCentre(jel, 1, kFrameInStep, kAxesAll, c);
    return c[0];
  }
  const int32_t* States() { return line->chan ? GVChanInts(line->chan, 1) : nullptr; }

  LogicStore s;
  GlobalWorkBlock block{};
  HObject* jel = nullptr;
  LogicLine* line = nullptr;
};

}  // namespace

TEST(MouseDrag, RecordsADragAndPlaysItBack) {
  DragScene d;
  for (int32_t k = 10; k <= 12; ++k) {
    d.StepTo(k, true);
    EXPECT_NEAR(d.CentreX(), static_cast<float>(k), 1e-4f);
    EXPECT_EQ(d.s.Main().pp[1], 1);
  }
  ASSERT_NE(d.States(), nullptr);
  EXPECT_EQ(d.line->flags & kLineRecorded, kLineRecorded);
  EXPECT_EQ(d.line->chan->count, 100);
  const std::vector<int32_t> recorded(d.States() + 9, d.States() + 15);
  EXPECT_EQ(recorded, (std::vector<int32_t>{0, 1, 1, 1, 2, 0}));
  EXPECT_EQ(gCalls.size(), 12u);
  EXPECT_EQ((std::vector<int32_t>(gCalls.begin(), gCalls.begin() + 4)), (std::vector<int32_t>{2, 0, 1, 1}));

  // A later run, with and without the play-only option: the part goes through
  // the same points and the playback ends at 13.
  for (uint32_t option : {0u, 0x2000u}) {
    d.line->flags = (d.line->flags & ~0x2000u) | option;
    gCalls.clear();
    for (int32_t k = 10; k <= 13; ++k) {
      d.StepTo(k, option != 0);  // a drag under play-only records nothing
      if (k < 13) {
        EXPECT_NEAR(d.CentreX(), static_cast<float>(k), 1e-4f);
      }
      EXPECT_EQ(d.s.Main().pp[1], k < 13 ? 1 : 0) << k;
    }
    EXPECT_EQ(d.States()[13], 0);
    EXPECT_EQ(gCalls.empty(), option != 0);
  }
}

TEST(MouseDrag, AReversedOrHugeRangeRecordsNothing) {
  DragScene d;
  for (float b : {-50.0f, 5e6f, 1e30f}) {
    d.line->argType[3] = kLogicFloatConst;
    d.line->argFloat[3] = b;
    d.StepTo(10, true);
    EXPECT_EQ(d.line->chan, nullptr) << b;
  }
}
