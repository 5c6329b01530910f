#include "dynamics/world_runner.h"

#include <algorithm>
#include <vector>

#include "dynamics/dyn_cmd.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/chan_data.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/worker_pool.h"


bool GVJelActive(const HObject* jel) { return jel && (jel->id == -1 || (jel->groupMask & 2u) != 0); }

static void CallFrame(HWorld* w, WorldFrameCB cb) {
  if (cb) cb(w->owner, -1, w->callbackUser);
}

void GVCopyFrameParamsMasked(FrameParams* dst, const FrameParams* src, uint32_t mask) {
  if (!dst || !src || dst == src) return;
  if (mask & kFpLoop) dst->loopFlag = src->loopFlag;
  if (mask & kFpWord1) dst->word1 = src->word1;
  if (mask & kFpMode) dst->mode = src->mode;
  if (mask & kFpStepping) dst->stepping = src->stepping;
  if (mask & kFpFps) dst->fps = src->fps;
  if (mask & kFpStart) dst->startFrame = src->startFrame;
  if (mask & kFpEnd) dst->endFrame = src->endFrame;
  if (mask & kFpStateMode) dst->stateMode = src->stateMode;
  if (mask & kFpSubStepIndex) dst->subStepIndex = src->subStepIndex;
  if (mask & kFpLoopStart) dst->loopStart = src->loopStart;
  if (mask & kFpRecordFirst) dst->recordFirst = src->recordFirst;
  if (mask & kFpCurrent) dst->currentFrame = src->currentFrame;
  if (mask & kFpComputed) dst->computedFrame = src->computedFrame;
  if (mask & kFpLastRecorded) dst->lastRecordedFrame = src->lastRecordedFrame;
  if (mask & kFpHighestComputed) dst->highestComputedFrame = src->highestComputedFrame;
  if (mask & kFpRecordLast) dst->recordLast = src->recordLast;
  if (mask & kFpSubSteps) dst->subSteps = src->subSteps;
  if (mask & kFpWord18) dst->word18 = src->word18;
  if (mask & kFpLoopLength) dst->loopLength = src->loopLength;
}

static void PushToJel(HObject* j, const FrameParams* src, uint32_t mask) {
  GVCopyFrameParamsMasked(&j->playParams, src, mask);
  // The live state normally shares its owner's block; a separate one follows.
  if (j->state && j->state->params && j->state->params != &j->playParams)
    GVCopyFrameParamsMasked(j->state->params, src, mask);
}

void GVPushWorldParams(HWorld* world, const FrameParams* src, uint32_t mask) {
  if (!world || !src) return;
  if (src != &world->params) GVCopyFrameParamsMasked(&world->params, src, mask);
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j)) PushToJel(j, &world->params, mask);
}

static void Push(HWorld* w, uint32_t mask) { GVPushWorldParams(w, &w->params, mask); }

// Word 15 of the world: the smallest highest computed frame over the active
// Jels, written back to them.
static void RecomputeHighestComputed(HWorld* w) {
  bool any = false;
  int32_t low = 0;
  for (HObject* j = w->head; j; j = GVNextJel(j)) {
    if (!GVJelActive(j)) continue;
    if (!any || j->playParams.highestComputedFrame < low) low = j->playParams.highestComputedFrame;
    any = true;
  }
  if (!any) return;
  w->params.highestComputedFrame = low;
  Push(w, kFpHighestComputed);
}

// Record range of the world from the Jels (14 and 11 the smallest, 16 the
// largest), written back into every Jel.
static void RecomputeRecordRange(HWorld* w) {
  if (!w->head) return;
  FrameParams& p = w->params;
  bool first = true;
  for (HObject* j = w->head; j; j = GVNextJel(j)) {
    const FrameParams& q = j->playParams;
    if (first) {
      p.lastRecordedFrame = q.lastRecordedFrame;
      p.recordFirst = q.recordFirst;
      p.recordLast = q.recordLast;
      first = false;
      continue;
    }
    p.lastRecordedFrame = std::min(p.lastRecordedFrame, q.lastRecordedFrame);
    p.recordFirst = std::min(p.recordFirst, q.recordFirst);
    p.recordLast = std::max(p.recordLast, q.recordLast);
  }
  for (HObject* j = w->head; j; j = GVNextJel(j))
    PushToJel(j, &p, kFpLastRecorded | kFpRecordFirst | kFpRecordLast);
}

void GVResetSelToWorld(HWorld* world, int32_t selection) {
  if (!world || !world->head) return;
  FrameParams& p = world->params;
  p.fps = world->head->playParams.fps;
  bool open = false;
  int32_t start = world->head->playParams.startFrame, end = 0;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    start = std::min(start, j->playParams.startFrame);
    if (j->playParams.endFrame == 0) open = true;
    end = std::max(end, j->playParams.endFrame);
  }
  p.startFrame = start;
  p.endFrame = open ? 0 : end;
  RecomputeRecordRange(world);
  RecomputeHighestComputed(world);
  const uint32_t mask = kFpLoop | kFpMode | kFpFps | kFpStateMode | kFpLoopStart | kFpRecordFirst | kFpRecordLast |
                        kFpLoopLength;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) PushToJel(j, &p, mask);
}

// ---------------------------------------------------------------------------
// One frame

// Contact records for the frame, made before its sub-steps: one a surface
// face of the Jels that collided in the last sub-step, and twice the most the
// world has held at once.
static void ReserveContacts(HWorld* world) {
  int32_t faces = 0;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (j->state && j->state->collisionFlags != 0) faces += j->state->faceCount;
  GVReserveContactRecords(&world->contactStore, std::max(faces, 2 * world->contactStore.recordsPeak));
}

// A frame that left some Jel with a non-finite position or velocity is taken
// back: every stepped Jel returns to the state the frame started from.
static void TakeBackNonFinite(HWorld* world) {
  bool finite = true;
  for (HObject* j = world->head; j && finite; j = GVNextJel(j))
    if (GVJelActive(j) && j->state) finite = j->state->isFinite();
  if (finite) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j) && j->state) j->state->restoreFiniteCopy(world->frameSerial);
  world->nonFiniteRestores += 1;
  world->nonFiniteFrame = world->params.computedFrame + 1;
}

// The world's stepping list made again: the Jels with a live state in list
// order, and how many of them are active (the others only finish the
// dynamic-command records).
static int32_t CollectWithState(HWorld* world) {
  std::vector<HObject*>& jels = world->stepping;
  jels.clear();
  int32_t active = 0;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!j->state) continue;
    jels.push_back(j);
    if (GVJelActive(j)) ++active;
  }
  return active;
}

// The sub-step index to the active Jels without a live state; those with one
// take it in their own call, before their force phase.
static void PushSubStepToStateless(HWorld* world) {
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j) && !j->state) PushToJel(j, &world->params, kFpSubStepIndex);
}

// What one Jel does in one of the runner's side-by-side calls (each touches
// its own Jel only, so the calls of several Jels may run in any order): the
// copy of the state the frame starts from, the end of the dynamic-command
// records, the commit phase of the sub-step, and the force phase of the next.
struct JelStepWork {
  bool keepCopy = false;
  bool finishRecords = false;
  bool commit = false;
  bool nextForces = false;
};

static void StepJel(HWorld* world, HObject* j, const JelStepWork& work, WorkerPool* inner) {
  HAState* s = j->state;
  if (work.keepCopy) s->keepFiniteCopy(world->frameSerial);
  if (work.finishRecords) GVFinishDynCmdRecs(world, j);
  if (!GVJelActive(j)) return;
  // Outside the world's step (a vehicle or command stepping one Jel) the
  // passes run on the caller; the pool may be gone by then.
  s->workers = inner;
  if (work.commit) s->integrate();
  if (work.nextForces) {
    PushToJel(j, &world->params, kFpSubStepIndex);
    s->computeForces();
  }
  s->workers = nullptr;
}

void GVStepWorldFrames(HWorld* world, WorldFrameCB perFrame) {
  if (!world) return;
  FrameParams& p = world->params;
  Push(world, kFpCurrent | kFpComputed | kFpHighestComputed);
  world->frameSerial += 1;
  // Held Jels are left out of the phases, yet keep the copy below (the
  // application steps them).
  std::vector<HObject*>& kept = world->stepping;
  kept.clear();
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j) && j->state) kept.push_back(j);
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (j->flags & kJelHeld) j->setGroupBit(-1, 0);

  ReserveContacts(world);
  const int32_t need = GVSubstepsPerFrame(world);
  const int32_t asked = perFrame ? perFrame(nullptr, 0, world->callbackUser) : 1;
  const int32_t wanted = std::max(asked, need);
  p.subSteps = std::clamp(wanted, 1, kMaxSubStepsPerFrame);
  world->subStepsHeld = wanted > kMaxSubStepsPerFrame ? wanted : 0;
  Push(world, kFpSubSteps);

  // The phases of the Jels are independent of each other: they run side by
  // side on the world's pool, each Jel's phases from one call as far as no
  // work across the Jels lies between them. With at least one Jel per thread
  // the Jels alone keep the pool busy; fewer Jels also split their node
  // passes over it.
  WorkerPool* pool = GVWorldWorkers(world);
  auto eachJel = [&](const std::vector<HObject*>& jels, int32_t active, const JelStepWork& work) {
    WorkerPool* inner = pool && active < pool->threads() ? pool : nullptr;
    GVRunPerJel(world, static_cast<int32_t>(jels.size()), [&](int32_t k) { StepJel(world, jels[k], work, inner); });
  };

  // The state the frame starts from, to take back should the frame leave a
  // Jel non-finite, and the force phase of the first sub-step.
  p.subStepIndex = 1;
  PushSubStepToStateless(world);
  {
    JelStepWork first;
    first.keepCopy = first.nextForces = true;
    eachJel(kept, static_cast<int32_t>(kept.size()), first);
  }
  for (;;) {
    p.stepping = 1;
    for (ContactList& l : world->contacts) GVFreeContacts(&l);
    GVPrepareDynCmdSubsteps(world);
    CallFrame(world, perFrame);
    GVApplyDynCmdRecsShared(world);
    p.stepping = 0;
    const bool last = p.subStepIndex >= p.subSteps;
    if (!last) {
      ++p.subStepIndex;
      PushSubStepToStateless(world);
    }
    JelStepWork step;
    step.finishRecords = step.commit = true;
    step.nextForces = !last;
    const int32_t active = CollectWithState(world);
    eachJel(world->stepping, active, step);
    if (last) break;
  }
  p.subStepIndex = p.subSteps + 1;

  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (j->flags & kJelHeld) j->setGroupBit(-1, 1);
  TakeBackNonFinite(world);

  // Every Jel took the world's computed frame at the start, so the world
  // moves on by one even when no Jel is active.
  const int32_t next = p.computedFrame + 1;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelActive(j)) continue;
    FrameParams& q = j->playParams;
    q.computedFrame += 1;
    q.currentFrame = q.computedFrame;
    q.highestComputedFrame = std::max(q.highestComputedFrame, q.computedFrame);
  }
  p.computedFrame = next;
  p.highestComputedFrame = std::max(p.highestComputedFrame, next);
  RecomputeHighestComputed(world);
  p.currentFrame = p.computedFrame;
  p.subStepIndex = 1;
  Push(world, kFpSubStepIndex);

  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelActive(j) || !j->state) continue;
    const int32_t f = j->playParams.computedFrame;
    if (f == 0) continue;
    const int32_t m = GVFrameStoreLast(j->frameStore);
    for (int32_t k = 1; k <= m; ++k)
      if (GVFrameStoreSlotFrame(j->frameStore, k) == f) j->state->saveToFrameStore(k);
  }
}

// ---------------------------------------------------------------------------
// Stored frames

static bool JelStoredAt(const HObject* j, int32_t frame) {
  if (frame == j->playParams.startFrame) return true;
  const int32_t m = GVFrameStoreLast(j->frameStore);
  for (int32_t k = 1; k <= m; ++k)
    if (GVFrameStoreSlotFrame(j->frameStore, k) == frame) return true;
  return false;
}

int32_t GVAllSelStoredAt(const HWorld* world, int32_t selection, int32_t frame) {
  if (!world) return 0;
  for (const HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || j->playParams.startFrame > frame) continue;
    if (!JelStoredAt(j, frame)) return 0;
  }
  return 1;
}

int32_t GVLatestRestorableFrame(const HWorld* world, int32_t selection, int32_t frame) {
  if (!world) return -1;
  // Candidates are the frames some selected Jel holds; walk them downwards.
  int32_t bound = frame;
  for (;;) {
    int32_t best = -1;
    for (const HObject* j = world->head; j; j = GVNextJel(j)) {
      if (!GVJelInSel(j, selection)) continue;
      const int32_t s = j->playParams.startFrame;
      if (s < bound) best = std::max(best, s);
      const int32_t m = GVFrameStoreLast(j->frameStore);
      for (int32_t k = 1; k <= m; ++k) {
        const int32_t f = GVFrameStoreSlotFrame(j->frameStore, k);
        if (f != 0 && f < bound) best = std::max(best, f);
      }
    }
    if (best < 0) return -1;
    if (GVAllSelStoredAt(world, selection, best)) return best;
    bound = best;
  }
}

int32_t GVNextStoredFrame(const HWorld* world, int32_t selection, int32_t frame) {
  if (!world) return -1;
  int32_t stored = -1, start = -1;
  for (const HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    const int32_t s = j->playParams.startFrame;
    if (s > frame && (start < 0 || s < start)) start = s;
    if (s > frame) continue;  // not alive at the frame
    const int32_t m = GVFrameStoreLast(j->frameStore);
    for (int32_t k = 1; k <= m; ++k) {
      const int32_t f = GVFrameStoreSlotFrame(j->frameStore, k);
      if (f > frame && (stored < 0 || f < stored)) stored = f;
    }
  }
  return stored >= 0 ? stored : start;
}

int32_t GVRecordCurrentFrame(HWorld* world) {
  if (!world) return -1;
  const FrameParams& p = world->params;
  if (p.currentFrame != p.computedFrame || p.mode == kWorldReplay) return -1;
  int32_t result = -1;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j)) result = j->recordFrame(p.currentFrame);
  return result;
}

void GVRefillJelFrames(HWorld* world, HObject* jel) {
  if (!world || !jel) return;
  const int32_t before = GVSetJelAside(world, jel);
  FrameParams& q = jel->playParams;
  const int32_t keepCurrent = q.currentFrame, keepComputed = q.computedFrame;
  // Every frame the other Jels store, once each, in rising order.
  int32_t f = q.startFrame;
  for (;;) {
    const int32_t next = GVNextStoredFrame(world, -1, f);
    if (next <= f) break;
    f = next;
    q.currentFrame = q.computedFrame = f;
    jel->recordFrame(f);
  }
  q.currentFrame = q.computedFrame = world->params.currentFrame;
  jel->recordFrame(world->params.currentFrame);
  q.currentFrame = keepCurrent;
  q.computedFrame = keepComputed;
  GVInsertJelAfter(world, jel, before);
}

// Restores every active Jel from its stored frame at or before s.
static void RestoreJelsAt(HWorld* w, int32_t s) {
  for (HObject* j = w->head; j; j = GVNextJel(j)) {
    if (!GVJelActive(j)) continue;
    int32_t k = 0;
    const int32_t m = GVFrameStoreLast(j->frameStore);
    for (int32_t i = 1; i <= m; ++i) {
      const int32_t f = GVFrameStoreSlotFrame(j->frameStore, i);
      if (f == 0) continue;
      if (f > s) break;
      k = i;
    }
    if (k == 0 && j->playParams.stateMode == -1) k = kFrameInitial;
    j->restoreFrame(k);
  }
}

int32_t GVSeekStoredFrame(HWorld* world, int32_t frame) {
  if (!world) return 0;
  FrameParams& p = world->params;
  const int32_t F = frame < 0 ? 0 : frame;  // the run starts at frame 0
  int32_t S = GVLatestRestorableFrame(world, -1, F + 1);
  if (S == -1) S = F;
  const int32_t c = p.computedFrame;
  const bool nextFrame = F == c + 1 && c != 0;
  if (S < c && c <= F && c <= p.highestComputedFrame) {
    if (c == p.currentFrame) return 1;
    if (p.recordFirst <= c && c <= p.lastRecordedFrame) {
      GVReplayCachedFrame(world, c);
      if (p.mode == kWorldRecord) GVSetWorldFrameWord14(world, c);
      return 1;
    }
    if (nextFrame) return 0;
  } else if (F >= S && ((S < c && c < F) || nextFrame)) {
    return 0;
  }
  p.currentFrame = p.computedFrame = S;
  RestoreJelsAt(world, S);
  p.currentFrame = p.computedFrame = std::min(F, S);
  Push(world, kFpStateMode | kFpCurrent | kFpComputed);
  if (p.mode == kWorldRecord && S <= p.lastRecordedFrame) GVSetWorldFrameWord14(world, S);
  return 1;
}

// ---------------------------------------------------------------------------
// Running to a frame

// Stops at the end frame; beyond it only the frame words move.
static bool BeforeEnd(const FrameParams& p) { return p.endFrame == 0 || p.computedFrame < p.endFrame; }

void GVAdvanceToFrame(HWorld* world, int32_t target, WorldFrameCB perFrame, WorldFrameCB afterFrame) {
  if (!world) return;
  FrameParams& p = world->params;
  const int32_t T = target;
  if (p.computedFrame != 0 && T == p.computedFrame + 1 && T <= p.highestComputedFrame + 1 &&
      p.mode == kWorldSimulate && world->head) {
    while (p.computedFrame < T && BeforeEnd(p)) {
      GVStepWorldFrames(world, perFrame);
      CallFrame(world, afterFrame);
    }
    if (p.endFrame != 0 && p.endFrame < T) {
      p.currentFrame = T;
      p.computedFrame = std::max(p.computedFrame, T);
      p.highestComputedFrame = std::max(p.highestComputedFrame, T);
      Push(world, kFpCurrent | kFpHighestComputed);
      CallFrame(world, afterFrame);
    }
    return;
  }
  GVRunWorldToFrame(world, target, perFrame, afterFrame);
}

void GVRunWorldToFrame(HWorld* world, int32_t target, WorldFrameCB perFrame, WorldFrameCB afterFrame) {
  if (!world) return;
  FrameParams& p = world->params;
  // A frame before the start of the run is the start of the run.
  const int32_t T = target < 0 ? 0 : target;
  if (!world->head) {
    GVResetWorldFrameWords(&p);
    p.currentFrame = T;
    CallFrame(world, perFrame);
    CallFrame(world, afterFrame);
    return;
  }
  if (T == 0) {
    GVSelRestoreFrame(world, -1, p.stateMode);
    p.currentFrame = p.computedFrame = 0;
    Push(world, kFpCurrent | kFpComputed);
    CallFrame(world, perFrame);
    CallFrame(world, afterFrame);
    return;
  }
  bool sought = false;
  int32_t r = 0;
  if (p.highestComputedFrame + 1 < T) {
    r = GVSeekStoredFrame(world, p.highestComputedFrame);
    sought = true;
  }
  bool outside = false;
  if (p.mode != kWorldSimulate) {
    p.mode = T <= p.lastRecordedFrame ? kWorldReplay : kWorldRecord;
    if (T < p.recordFirst || (p.recordLast != 0 && p.recordLast < T)) {
      p.mode = kWorldOutsideRecord;
      outside = true;
    }
    Push(world, kFpMode);
  }
  if (T == p.currentFrame) {
    if (p.mode != kWorldReplay) CallFrame(world, perFrame);
  } else if (p.mode == kWorldReplay && T <= p.lastRecordedFrame) {
    GVReplayCachedFrame(world, T);
  } else {
    // After a replay the live positions show the replayed frame, not the
    // computed one: the seek brings them back before stepping on.
    if (p.computedFrame + 1 != T || p.currentFrame != p.computedFrame) {
      if (!sought) r = GVSeekStoredFrame(world, T);
      if (r) {
        if (p.mode == kWorldRecord && p.lastRecordedFrame < p.computedFrame && !outside)
          GVSeekStoredFrame(world, p.lastRecordedFrame);
        CallFrame(world, perFrame);
        CallFrame(world, afterFrame);
      }
    }
    const bool recording = p.mode != kWorldSimulate && !outside;
    bool reserved = false;
    while (p.computedFrame < T && BeforeEnd(p)) {
      if (recording && !reserved) {
        GVReserveJelFrameCaches(world);
        reserved = true;
      }
      GVStepWorldFrames(world, perFrame);
      if (recording) GVRecordCachedFrame(world, p.currentFrame);
      CallFrame(world, afterFrame);
    }
    if (!(p.endFrame != 0 && p.endFrame < T)) return;
    p.currentFrame = T;
    p.computedFrame = std::max(p.computedFrame, T);
    p.highestComputedFrame = std::max(p.highestComputedFrame, T);
    if (p.mode != kWorldSimulate) p.lastRecordedFrame = std::max(p.lastRecordedFrame, T);
    Push(world, kFpCurrent | kFpLastRecorded | kFpHighestComputed);
  }
  CallFrame(world, afterFrame);
}

// ---------------------------------------------------------------------------
// Parameters and modes

int32_t GVSetWorldLoop(HWorld* world, int32_t request) {
  if (!world) return 0;
  GVResetSelToWorld(world, -1);
  FrameParams& p = world->params;
  if (request == 1)
    p.loopFlag = 1;
  else if (request == 0)
    p.loopFlag = 0;
  else if (request == 2)
    p.loopFlag = p.loopFlag ? 0 : 1;
  if (world->head) Push(world, kFpLoop);
  return p.loopFlag;
}

void GVSetWorldStateMode(HWorld* world, int32_t value) {
  if (!world) return;
  world->params.stateMode = value;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    j->playParams.stateMode = value;
    if (j->state && j->state->params) j->state->params->stateMode = value;
    for (int32_t& m : j->frameMarks) m = -1;
  }
}

int32_t GVSetWorldMode(HWorld* world, int32_t request) {
  if (!world) return 0;
  GVResetSelToWorld(world, -1);
  FrameParams& p = world->params;
  if (request == 0 || request == 2 || request == 4)
    p.mode = request;
  else if (request == 8)
    p.mode = p.mode == kWorldSimulate ? kWorldRecord : kWorldSimulate;
  Push(world, kFpMode);
  if (request == 16) {
    GVSetWorldFrameWord14(world, p.currentFrame);
    if (p.currentFrame <= p.startFrame) GVFreeJelFrameCaches(world);
    if (p.mode == kWorldReplay) {
      p.mode = kWorldRecord;
      Push(world, kFpMode);
      GVSeekStoredFrame(world, p.currentFrame);
    }
    return p.mode;
  }
  if (p.mode != kWorldSimulate) {
    p.mode = p.lastRecordedFrame > p.currentFrame ? kWorldReplay : kWorldRecord;
    if (p.currentFrame < p.recordFirst || (p.recordLast != 0 && p.recordLast < p.currentFrame))
      p.mode = kWorldOutsideRecord;
    Push(world, kFpMode);
  }
  if (p.mode == kWorldRecord && p.lastRecordedFrame < p.computedFrame) {
    GVSeekStoredFrame(world, p.lastRecordedFrame);
    GVReserveJelFrameCaches(world);
  } else {
    if (p.mode != kWorldReplay && p.currentFrame != p.computedFrame) GVSeekStoredFrame(world, p.currentFrame);
    GVReserveJelFrameCaches(world);
  }
  return p.mode;
}

void GVSelRestoreFrame(HWorld* world, int32_t selection, int32_t frame) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) j->restoreFrame(frame);
  GVResetSelToWorld(world, -1);
  GVClearDynCmdRecs(world);
}

void GVSelStoreFrame(HWorld* world, int32_t selection, int32_t frame) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) j->storeFrame(frame);
}

void GVDropSelFrames(HWorld* world, int32_t selection) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    for (int32_t m = GVFrameStoreLast(j->frameStore); m >= 1; m = GVFrameStoreLast(j->frameStore)) {
      const int32_t before = m;
      j->removeStoredFrame(GVFrameStoreSlotFrame(j->frameStore, m));
      if (GVFrameStoreLast(j->frameStore) >= before) break;  // a slot that would not go
    }
  }
  RecomputeHighestComputed(world);
}

static int32_t LimitTo(int32_t value, int32_t limit) { return value > limit ? limit : value; }

void GVTruncSelFrames(HWorld* world, int32_t selection, int32_t frame) {
  if (!world) return;
  const int32_t f = frame < 0 ? 0 : frame;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    FrameParams& q = j->playParams;
    if (q.endFrame == 0 || q.endFrame > f) q.endFrame = f;
    const int32_t limit = q.endFrame != 0 ? LimitTo(f, q.endFrame) : f;
    q.highestComputedFrame = LimitTo(q.highestComputedFrame, limit);
    q.lastRecordedFrame = LimitTo(q.lastRecordedFrame, limit);
  }
  RecomputeHighestComputed(world);
}

void GVLimitComputedFrames(HWorld* world, int32_t frame) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelActive(j)) continue;
    j->playParams.highestComputedFrame = LimitTo(j->playParams.highestComputedFrame, frame);
    j->playParams.lastRecordedFrame = LimitTo(j->playParams.lastRecordedFrame, frame);
  }
  RecomputeHighestComputed(world);
}

void GVSetWorldFrameWord14(HWorld* world, int32_t frame) {
  if (!world) return;
  const int32_t f = frame < 0 ? 0 : frame;
  world->params.lastRecordedFrame = f;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j)) j->playParams.lastRecordedFrame = f;
  RecomputeRecordRange(world);
}

void GVClampJelFrameWord16(HWorld* world, int32_t frame) {
  if (!world) return;
  const int32_t f = frame < 0 ? 0 : frame;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelActive(j)) continue;
    int32_t& last = j->playParams.recordLast;
    if (last == 0 || last > f) last = f;
  }
  RecomputeRecordRange(world);
}

void GVReplayCachedFrame(HWorld* world, int32_t frame) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j)) j->loadCachedPositions(frame);
  world->params.currentFrame = frame;
  world->params.subStepIndex = world->params.subSteps;
}

void GVRecordCachedFrame(HWorld* world, int32_t frame) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j)) j->storeCachedPositions(frame);
  FrameParams& p = world->params;
  if (p.recordFirst <= frame) p.lastRecordedFrame = (p.recordLast != 0 && p.recordLast < frame) ? p.recordLast : frame;
}

void GVReserveJelFrameCaches(HWorld* world) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j) && j->playParams.mode != 0) j->reserveCachedFrames();
}

void GVFreeJelFrameCaches(HWorld* world) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelActive(j)) continue;
    GVFreeChanData(j->posCache);
    j->posCache = nullptr;
    if (j->state) j->state->posCache = nullptr;  // the state holds a copy of the pointer
    j->playParams.lastRecordedFrame = 0;
  }
}

void GVInstallRunnerServices(WorldServices* services) {
  if (!services) return;
  services->resetSelToWorld = GVResetSelToWorld;
  services->setWorldMode = GVSetWorldMode;
}
