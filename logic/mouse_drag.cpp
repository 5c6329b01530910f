// The mouse-drag recorder: while the user drags a Jel part in the 3-D view
// inside the line's frame range, each frame's drag target is stored in the
// line's channel data (channel 8: the point; channel 2: 1 recorded, 2 the
// frame after the last recorded one) and the part is steered to it; later runs
// steer the part through the recorded points.
#include <cmath>

#include "dynamics/group_ops.h"
#include "dynamics/world.h"
#include "jel/chan_data.h"
#include "jel/matter.h"
#include "logic/command_args.h"
#include "logic/program_store.h"
#include "scene/scene_access.h"
#include "scene/scene_context.h"

namespace {

// Words and floats of the scene-utility block the view's drag writes.
enum { kDragMode = 0, kDragWord = 1, kDragPart = 2, kDragJel = 3, kDragPointValid = 4 };
constexpr int kDragTarget = 3;  // first of the three target floats

enum : int32_t { kStateNone = 0, kStateRecorded = 1, kStateEnd = 2 };
constexpr uint32_t kPlayOnly = 0x2000;
constexpr int32_t kRecordSlot = 1;

// Rounds a frame difference, or gives -1 when it lies outside 0..limit (NaN
// included), so that no out-of-range float is converted.
int32_t RoundedFrames(float v, int32_t limit) {
  const double r = std::nearbyint(static_cast<double>(v));
  return r >= 0.0 && r <= limit ? static_cast<int32_t>(r) : -1;
}

// The line's channel data with n elements, made or grown; null when it
// cannot be had.
ChanData* RecordStore(LogicLine* line, int32_t n) {
  if (!line->chan) {
    ChanData* cd = GVNewChanData(n);
    if (!cd) return nullptr;
    if (!GVAllocChannels(cd, kChanInt | kChanVec3, kRecordSlot) ||
        !GVAllocChannelFrame(cd, kChanInt | kChanVec3, kRecordSlot)) {
      GVFreeChanData(cd);
      return nullptr;
    }
    line->chan = cd;
    line->flags |= kLineRecorded;
  } else if (line->chan->count < n && !GVResizeChanData(line->chan, n)) {
    return nullptr;
  }
  return line->chan;
}

}  // namespace

void GVLogicRecordMouseDrag(LogicLine* line, int32_t program, LogicSystem* sys) {
  HWorld* world = GVLogicWorld(sys);
  if (!line || !world || !sys->ctx || !sys->ctx->workBlock) return;
  const FrameParams& fp = world->params;
  if (!fp.stepping || fp.subSteps == 0 || fp.fps == 0) return;
  GlobalWorkBlock& block = *sys->ctx->workBlock;
  LogicProgram* prog = GVLogicProgram(sys, program);
  const int32_t J = GVLogicArgInt(prog, line, 0);
  const int32_t P = GVLogicArgInt(prog, line, 1);
  float a = 0.0f, b = 0.0f;
  GVLogicArgNumber(prog, line, 2, &a);
  GVLogicArgNumber(prog, line, 3, &b);
  const float current = static_cast<float>(GVCurrentFrame(sys->world));
  if (!(current >= a) || block.words[kDragWord] != 0) return;

  const int32_t phase = GVIsWorldFrameInStep(sys->world) ? 0 : GVFrameRangePhase(sys->world, a, b);
  // A range from a file may be reversed or absurdly long: such a line records
  // nothing rather than sizing its store from it.
  const int32_t n = RoundedFrames(b - a, kLogicMaxDragFrames);
  const int32_t k = RoundedFrames(current - a, kLogicMaxDragFrames + 1);
  const bool live = !(line->flags & kPlayOnly);
  block.words[kDragPart] = P;
  block.words[kDragJel] = J;
  if (live && sys->appCB) sys->appCB(2, 0, J, P, nullptr);

  if ((phase & 2) && n >= 1) {
    ChanData* cd = RecordStore(line, n);
    if (!cd) return;
    const int32_t count = cd->count;
    if (k >= 0 && k <= count) {
      HAState* state = GVLogicPartOk(P) ? GVLogicJelState(world, J) : nullptr;
      int32_t* states = GVChanInts(cd, kRecordSlot);
      float* points = GVChanVec3s(cd, kRecordSlot);
      if (!state || !states || !points) return;
      float* point = points + 3 * k;
      if (live && block.words[kDragMode] == 1 && block.words[kDragPointValid]) {
        if (k < count) states[k + 1] = kStateEnd;
        states[k] = kStateRecorded;
        for (int c = 0; c < 3; ++c) point[c] = block.floats[kDragTarget + c];
        GVStepPartCentreTo(state, P, fp.subStepIndex, fp.subSteps, point);
      } else if (states[k] == kStateEnd && live) {
        for (int32_t e = k; e <= count; ++e) states[e] = kStateNone;
      } else if (states[k] == kStateRecorded) {
        GVStepPartCentreTo(state, P, fp.subStepIndex, fp.subSteps, point);
      }
      if (k >= count) block.words[kDragMode] = 0;
    }
  }

  int32_t* pp = line->resultType == static_cast<int32_t>(kLogicPP) ? GVLogicPPVar(prog, line->resultVar) : nullptr;
  const int32_t* states = line->chan ? GVChanInts(line->chan, kRecordSlot) : nullptr;
  if (pp && states && k >= 0 && k <= line->chan->count) *pp = states[k] != kStateNone ? 1 : 0;
}
