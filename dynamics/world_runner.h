// The world runner: brings every active Jel of the world to a target frame,
// one frame at a time, each frame made of sub-steps (force phase, the
// application's per-sub-step work, the dynamic-command records, commit
// phase). It keeps the world's frame words and the Jels' own blocks in step,
// restores Jels from their stored frames when the target lies behind, and
// records and replays the per-frame position caches.
//
// A Jel is active when its id is -1 or its group mask has bit 1; only active
// Jels are stepped. A Jel whose flags word has kJelHeld is left out of every
// frame step (its group bit 1 is cleared for the step and set again after).
#pragma once

#include <cstdint>

struct FrameParams;
struct HWorld;
struct WorldServices;
class HObject;

// Flags-word bit of a Jel held still by the runner.
constexpr uint32_t kJelHeld = 4;

// World modes (play-parameter word 2).
enum : int32_t {
  kWorldSimulate = 0,
  kWorldRecord = 2,
  kWorldReplay = 4,
  kWorldOutsideRecord = 32,
};

// The application's callbacks, called with the world's owner and
// callbackUser words. The per-frame callback asked with (null, 0, user)
// answers the sub-steps per frame the application needs; called with
// (owner, -1, user) once per sub-step it does the application's work between
// the phases. The after-frame callback runs after every stepped frame. Either
// may be null.
using WorldFrameCB = int32_t (*)(void* owner, int32_t selection, void* user);

// Copy-mask bits of the play-parameter words (word 4, the time step, has none).
enum : uint32_t {
  kFpLoop = 0x1,
  kFpWord1 = 0x2,
  kFpMode = 0x4,
  kFpFps = 0x8,
  kFpStart = 0x10,
  kFpEnd = 0x20,
  kFpStateMode = 0x40,
  kFpSubStepIndex = 0x80,
  kFpLoopStart = 0x100,
  kFpRecordFirst = 0x200,
  kFpCurrent = 0x400,
  kFpComputed = 0x800,
  kFpLastRecorded = 0x1000,
  kFpHighestComputed = 0x2000,
  kFpSubSteps = 0x4000,
  kFpWord18 = 0x8000,
  kFpLoopLength = 0x10000,
  kFpRecordLast = 0x20000,
  kFpStepping = 0x40000,
};

// Copies the masked words of src into dst.
void GVCopyFrameParamsMasked(FrameParams* dst, const FrameParams* src, uint32_t mask);

bool GVJelActive(const HObject* jel);

// ---- stepping and seeking ----

// The most sub-steps one frame takes, whatever asks for more (the Jels'
// matter or the per-frame callback); the program's F_RATIO has the same bound.
constexpr int32_t kMaxSubStepsPerFrame = 1000;

// Steps every active Jel by one frame, in the sub-steps the Jels' matter and
// the per-frame callback ask (at most kMaxSubStepsPerFrame: the world's
// subStepsHeld then keeps what was asked).
void GVStepWorldFrames(HWorld* world, WorldFrameCB perFrame);
// Brings the world to the target frame: steps when the target is the next
// frame, otherwise the general path below.
void GVAdvanceToFrame(HWorld* world, int32_t target, WorldFrameCB perFrame, WorldFrameCB afterFrame);
void GVRunWorldToFrame(HWorld* world, int32_t target, WorldFrameCB perFrame, WorldFrameCB afterFrame);
// Brings the live states to frame F, or to the latest restorable stored
// frame before it when stepping from the computed frame would not get there.
// 1 when the Jels were restored (or already hold a frame in range), 0 when
// the runner is to step on from the computed frame.
int32_t GVSeekStoredFrame(HWorld* world, int32_t frame);
// The latest frame before `frame` at which every Jel of the selection alive
// then has a stored frame (a start frame counts); -1 when there is none.
int32_t GVLatestRestorableFrame(const HWorld* world, int32_t selection, int32_t frame);
int32_t GVAllSelStoredAt(const HWorld* world, int32_t selection, int32_t frame);
// Stores the live state of every active Jel as the current frame; the last
// slot, or -1 when the shown and computed frames differ or in replay.
int32_t GVRecordCurrentFrame(HWorld* world);
// The next stored frame after `frame`, else the next start frame of a Jel of
// the selection, else -1.
int32_t GVNextStoredFrame(const HWorld* world, int32_t selection, int32_t frame);
// Records the Jel's live state into every frame stored by the other Jels
// after its birth, and into the current frame. The Jel keeps its place.
void GVRefillJelFrames(HWorld* world, HObject* jel);

// ---- parameters, modes and bookkeeping ----

// Masked words of src into the world (unless src is the world's own block)
// and into every active Jel.
void GVPushWorldParams(HWorld* world, const FrameParams* src, uint32_t mask);
void GVResetSelToWorld(HWorld* world, int32_t selection);
// request 1 sets, 0 clears, 2 toggles the loop flag, 4 only reads; returns it.
int32_t GVSetWorldLoop(HWorld* world, int32_t request);
void GVSetWorldStateMode(HWorld* world, int32_t value);
// request 0, 2, 4 set the mode; 8 toggles simulate / record; 16 re-synchronises
// recording after the record range changed. Returns the mode.
int32_t GVSetWorldMode(HWorld* world, int32_t request);
void GVSelRestoreFrame(HWorld* world, int32_t selection, int32_t frame);
void GVSelStoreFrame(HWorld* world, int32_t selection, int32_t frame);
void GVDropSelFrames(HWorld* world, int32_t selection);
void GVTruncSelFrames(HWorld* world, int32_t selection, int32_t frame);
void GVLimitComputedFrames(HWorld* world, int32_t frame);
void GVSetWorldFrameWord14(HWorld* world, int32_t frame);
void GVClampJelFrameWord16(HWorld* world, int32_t frame);
void GVReplayCachedFrame(HWorld* world, int32_t frame);
void GVRecordCachedFrame(HWorld* world, int32_t frame);
void GVReserveJelFrameCaches(HWorld* world);
void GVFreeJelFrameCaches(HWorld* world);

// Fills the runner's entries of a service table.
void GVInstallRunnerServices(WorldServices* services);
