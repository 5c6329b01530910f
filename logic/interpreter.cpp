#include "logic/interpreter.h"

#include "dynamics/world.h"
#include "logic/program_store.h"

namespace {

// The run state of one pass over the program.
struct Run {
  LogicLine* line;
  int32_t number;  // 1-based line number
  int32_t cond = 1;
  int32_t brk = 0;
  LogicLine* loop = nullptr;  // the remembered LOOP line
  int32_t savedNumber = 0;
  int32_t savedCond = 1;
  int32_t savedBrk = 0;

  void ForgetLoop() {
    loop = nullptr;
    savedNumber = 0;
    savedCond = 1;
    savedBrk = 0;
  }
};

// A LOOP line keeps its repeat count in its first integer constant and its
// pass counter in the second.
constexpr int32_t kMaxPasses = 1000;

// The LOOP / ENDLOOP bookkeeping of one CONTROL line.
void BlockWalk(Run& r, int32_t role, bool firstFrame) {
  LogicLine* l = r.line;
  if (firstFrame) {
    if (role == kLogicRoleLoop) {
      l->argInt[1] = 0;
      r.ForgetLoop();
    }
    return;
  }
  if (role == kLogicRoleLoop) {
    if (l->argType[0] != static_cast<int32_t>(kLogicIntConst)) {
      r.loop = nullptr;
      return;
    }
    // A counter from a file that no loop could have left starts afresh.
    int32_t& passes = l->argInt[1];
    passes = passes >= 0 && passes < kMaxPasses ? passes + 1 : 1;
    r.loop = l;
    r.savedNumber = r.number;
    r.savedCond = r.cond;
    r.savedBrk = r.brk;
  } else if (role == kLogicRoleEndLoop) {
    if (!r.loop) return;
    int32_t& count = r.loop->argInt[0];
    int32_t& passes = r.loop->argInt[1];
    count = count < 1 ? 1 : count > kMaxPasses ? kMaxPasses : count;
    if (count > passes) {
      ++passes;
      r.line = r.loop;
      r.number = r.savedNumber;
      r.cond = r.savedCond;
      r.brk = r.savedBrk;
    } else {
      passes = 0;
      r.loop = nullptr;
    }
  } else if (r.loop && !l->next) {
    r.ForgetLoop();
  }
}

}  // namespace

void GVRunMainLogic(LogicSystem* sys, HWorld** worldCell) {
  LogicProgram* prog = GVLogicProgram(sys, 1);
  if (!prog) return;
  const HWorld* world = worldCell ? *worldCell : nullptr;
  bool lastSubStep = false, report = true, firstFrame = true;
  if (world) {
    const FrameParams& fp = world->params;
    lastSubStep = fp.subStepIndex == fp.subSteps;
    report = !fp.stepping || lastSubStep;
    // The last sub-step of a frame counts as the next frame.
    const bool ahead = fp.stepping && fp.subSteps >= 1 && lastSubStep;
    firstFrame = ahead ? fp.currentFrame == -1 : fp.currentFrame == 0;
  }
  const LogicAppCB cb = report ? sys->appCB : nullptr;
  const uint32_t top = static_cast<uint32_t>(prog->topLine);

  Run r{prog->first, 1};
  while (r.line) {
    LogicLine* read = r.line;
    const LogicCmd* cmd = GVLogicLineCmd(sys, read);
    if (read->category == kLogicControl && !(read->flags & kLineOff)) {
      const int32_t role = cmd ? cmd->role : 0;
      if (role == kLogicRoleIf || role == kLogicRoleIfNot) {
        // A variable the program does not have reads as false.
        const int32_t* pp = GVLogicPPVar(prog, read->argVar[0]);
        const bool set = pp && *pp != 0;
        r.cond = (role == kLogicRoleIf) == set ? 1 : 0;
      } else if (role == kLogicRoleEndIf) {
        r.cond = 1;
      } else if (role == kLogicRoleBreak) {
        if (r.cond) r.brk = 1;
      }
      BlockWalk(r, role, firstFrame);
    }
    LogicLine* l = r.line;
    if (r.cond && !r.brk && !(l->flags & kLineOff)) {
      if (cmd && cmd->fn) cmd->fn(1, l, sys);
      l->flags &= ~kLineNotRun;
    } else {
      l->flags |= kLineNotRun;
    }
    if (cb) {
      const uint32_t n = static_cast<uint32_t>(r.number);
      cb(4, 1, r.number, static_cast<int32_t>(n - top + 1u), nullptr);
    }
    r.line = l->next;
    ++r.number;
  }
}
