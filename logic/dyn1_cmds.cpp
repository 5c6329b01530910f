#include "logic/dyn1_cmds.h"

#include <cmath>

#include "dynamics/group_ops.h"
#include "dynamics/motion_commands.h"
#include "dynamics/rigid_parts.h"
#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "logic/command_args.h"
#include "logic/program_store.h"
#include "scene/scene_access.h"

namespace {

constexpr uint32_t kJel = kLogicQualJel | kLogicIntConst;
constexpr uint32_t kPart = kLogicQualPart | kLogicIntConst;
constexpr uint32_t kIntArg = kLogicInt | kLogicIntConst;
constexpr uint32_t kNumber = kLogicInt | kLogicFloat | kLogicIntConst | kLogicFloatConst;
constexpr uint32_t kValue = kLogicNone | kLogicFloat | kLogicVec | kLogicFloatConst;
constexpr uint32_t kVecResult = kLogicNone | kLogicFloat | kLogicVec;
constexpr uint32_t kHalfWeight = 0x200000;  // HWIND / HVISC: half the push off part 2

constexpr float kDegToRad = 0.01745329238474369f;
constexpr float kRadToDeg = 57.2957763671875f;

void WriteFrameTruth(LogicProgram* prog, const LogicLine* line, bool value) {
  if (int32_t* pp = GVLogicPPVar(prog, line->resultVar)) *pp = value ? 1 : 0;
}

// The shared body of HVEL-like setters: value, guard, set; then the result
// read back in the live frame.
using SelSetter = void (*)(HWorld*, int32_t part, int32_t sel, int32_t frame, int32_t axes, const float v[3]);
using SelGetter = void (*)(HWorld*, int32_t part, int32_t sel, int32_t frame, int32_t axes, float out[3]);

void SetAndReport(LogicSystem* sys, int32_t program, LogicLine* line, SelSetter set, SelGetter get, float toSet,
                  float fromGet) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return;
  const int32_t sel = c.sel, part = c.part;
  float v[3];
  const bool given = GVLogicReadValueVec(line, program, sys, false, v);
  if (given && GVLogicSetterMayAct(sys) && GVLogicPartOk(part)) {
    for (float& x : v) x *= toSet;
    set(c.world, part, sel, kFrameInStep, static_cast<int32_t>(GVLogicAxisMask(line)), v);
  }
  if (!GVLogicVecResultWanted(line)) return;
  float out[3] = {0.0f, 0.0f, 0.0f};
  if (GVLogicPartOk(part)) get(c.world, part, sel, GVLogicLiveFrame(c.world), kAxesAll, out);
  for (float& x : out) x *= fromGet;
  GVLogicWriteVecResult(c.prog, line, out);
}

}  // namespace

// ---- the clock ----

int32_t GVCmdCurFrame(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  if (line->resultType == static_cast<int32_t>(kLogicInt)) {
    if (int32_t* out = GVLogicIntVar(c.prog, line->resultVar)) *out = GVCurrentFrame(sys->world);
  } else if (line->resultType == static_cast<int32_t>(kLogicFloat)) {
    if (float* out = GVLogicFloatVar(c.prog, line->resultVar)) *out = GVCurrentFrameFloat(sys->world);
  }
  return 0;
}

int32_t GVCmdCurTime(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  if (float* out = GVLogicFloatVar(c.prog, line->resultVar)) *out = GVFrameTime(&c.world->params);
  return 0;
}

int32_t GVCmdIsFrame(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  float f = 0.0f;
  bool hit = false;
  if (GVLogicArgIsInt(c.prog, line, 0))
    hit = GVLogicArgInt(c.prog, line, 0) == GVCurrentFrame(sys->world);
  else if (GVLogicArgFloat(c.prog, line, 0, &f))
    hit = GVIsFrameInStep(sys->world, f) != 0;
  WriteFrameTruth(c.prog, line, hit);
  return 0;
}

int32_t GVCmdIsTime(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  float t = 0.0f;
  bool hit = false;
  if (GVLogicArgIsInt(c.prog, line, 0))
    hit = static_cast<double>(GVLogicArgInt(c.prog, line, 0)) == std::trunc(GVFrameTime(&c.world->params));
  else if (GVLogicArgFloat(c.prog, line, 0, &t))
    hit = GVFrameIsTime(&c.world->params, t) != 0;
  WriteFrameTruth(c.prog, line, hit);
  return 0;
}

int32_t GVCmdIsInFrange(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  float a = 0.0f, b = 0.0f;
  const bool both = GVLogicArgNumber(c.prog, line, 0, &a) && GVLogicArgNumber(c.prog, line, 1, &b);
  WriteFrameTruth(c.prog, line, both && GVFrameRangePhase(sys->world, a, b) != 0);
  return 0;
}

int32_t GVCmdIsInTrange(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  float a = 0.0f, b = 0.0f;
  const bool both = GVLogicArgNumber(c.prog, line, 0, &a) && GVLogicArgNumber(c.prog, line, 1, &b);
  WriteFrameTruth(c.prog, line, both && GVFrameTimeRangeState(&c.world->params, a, b) != 0);
  return 0;
}

int32_t GVCmdFRatio(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t a = GVLogicArgInt(c.prog, line, 0);
  const int32_t b = GVLogicArgInt(c.prog, line, 1);
  int32_t n = GVLogicArgIsInt(c.prog, line, 2) ? GVLogicArgInt(c.prog, line, 2) : 1;
  // Every frame steps this many sub-steps: a value from a file must not stall them.
  n = n < 1 ? 1 : n > kLogicMaxSubSteps ? kLogicMaxSubSteps : n;
  const int32_t frame = GVCurrentFrame(sys->world);
  const bool inside = (a == 0 || frame >= a) && (b == 0 || frame <= b);
  sys->minSubSteps = inside ? n : 1;
  if (line->resultType == static_cast<int32_t>(kLogicInt))
    if (int32_t* out = GVLogicIntVar(c.prog, line->resultVar)) *out = c.world->params.subSteps;
  return 0;
}

// ---- driving Jel parts ----

int32_t GVCmdHForce(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t sel = c.sel, part = c.part;
  float force[3];
  const bool given = GVLogicReadValueVec(line, program, sys, true, force);
  if (given && GVLogicSetterMayAct(sys) && GVLogicPartOk(part))
    GVSelApplyForce(c.world, sel, part, static_cast<int32_t>(GVLogicAxisMask(line)), force);
  GVLogicWriteVecResult(c.prog, line, force);
  return 0;
}

int32_t GVCmdHPos(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t sel = c.sel, part = c.part;
  // An axes variable gives the frame the target is stated in.
  const bool inAxes = line->argType[3] == static_cast<int32_t>(kLogicAxes);
  const float* origin = inAxes ? GVLogicAxVecVar(c.prog, line->argVar[3]) : nullptr;
  const float* matrix = origin ? GVLogicAxMatVar(c.prog, line->argVar[3]) : nullptr;
  float target[3];
  const bool given = GVLogicReadValueVec(line, program, sys, false, target);
  if (given && GVLogicSetterMayAct(sys) && GVLogicPartOk(part))
    GVSetSelPosition(c.world, part, sel, kFrameInStep, static_cast<int32_t>(GVLogicAxisMask(line)), target, origin,
                     matrix);
  if (!GVLogicVecResultWanted(line)) return 0;
  float centre[3] = {0.0f, 0.0f, 0.0f};
  if (GVLogicPartOk(part))
    GVGetSelPosition(c.world, part, sel, GVLogicLiveFrame(c.world), kAxesAll, centre, origin, matrix);
  GVLogicWriteVecResult(c.prog, line, centre);
  return 0;
}

int32_t GVCmdHVel(int32_t program, LogicLine* line, LogicSystem* sys) {
  SetAndReport(sys, program, line, GVSetSelVelocity, GVGetSelVelocity, 1.0f, 1.0f);
  return 0;
}

int32_t GVCmdHAngVelD(int32_t program, LogicLine* line, LogicSystem* sys) {
  SetAndReport(sys, program, line, GVSetSelAngVelocity, GVGetSelAngVelocity, kDegToRad, kRadToDeg);
  return 0;
}

int32_t GVCmdHAngVelR(int32_t program, LogicLine* line, LogicSystem* sys) {
  SetAndReport(sys, program, line, GVSetSelAngVelocity, GVGetSelAngVelocity, 1.0f, 1.0f);
  return 0;
}

int32_t GVCmdHVelU(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t id = c.sel, part = c.part;
  float v[3];
  if (!GVLogicReadValueVec(line, program, sys, false, v) || !GVLogicSetterMayAct(sys) || !GVLogicPartOk(part))
    return 0;
  HAState* state = GVLogicJelState(c.world, id);
  if (state && !state->readOnly())
    state->setPartVelocity(part, kFrameInStep, static_cast<int32_t>(GVLogicAxisMask(line)), v);
  return 0;
}

int32_t GVCmdHWind(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t id = c.sel, part = c.part;
  float strength = 0.0f;
  GVLogicArgFloat(c.prog, line, 2, &strength);
  float flow[3] = {0.0f, 0.0f, 0.0f};
  GVLogicArgVecMasked(c.prog, line, 3, flow);
  const bool finite = std::isfinite(strength) && std::isfinite(flow[0] + flow[1] + flow[2]);
  if (!finite || !GVLogicSetterMayAct(sys) || !GVLogicPartOk(part)) return 0;
  if (HAState* state = GVLogicJelState(c.world, id))
    GVApplyFacePressure(state, part, flow, strength, (line->flags & kHalfWeight) ? 1 : 0);
  return 0;
}

int32_t GVCmdHDist(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t idA = GVLogicArgInt(c.prog, line, 0);
  const int32_t idB = GVLogicArgInt(c.prog, line, 1);
  const int32_t a = GVLogicArgInt(c.prog, line, 2);
  const int32_t b = GVLogicArgInt(c.prog, line, 3);
  if (idA < 1 || idB < 1 || !GVGetJelById(c.world, idA) || !GVGetJelById(c.world, idB)) return 0;
  const bool parts = GVLogicPartOk(a) && GVLogicPartOk(b);
  float d = 0.0f;
  if (parts && GVLogicArgFloat(c.prog, line, 4, &d) && std::isfinite(d) && GVLogicSetterMayAct(sys))
    GVSetJelDistance(c.world, idA, a, idB, b, d);
  if (line->resultType == static_cast<int32_t>(kLogicFloat))
    if (float* out = GVLogicFloatVar(c.prog, line->resultVar))
      *out = parts ? GVGetJelDistance(c.world, idA, a, idB, b) : 0.0f;
  return 0;
}

int32_t GVCmdHExpand(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  int32_t id = 0, part = 0;
  const int32_t phase = GVLogicFrameRangeArgs(line, program, sys, &id, &part);
  HAState* state = GVLogicPartOk(part) ? GVLogicJelState(c.world, id) : nullptr;
  if (!state) return 0;
  float factor = 1.0f;
  if (line->argType[4] == static_cast<int32_t>(kLogicFloat)) GVLogicArgFloat(c.prog, line, 4, &factor);
  if (phase & 1)
    GVCapturePartShape(state, part);
  else if ((phase & 2) && std::isfinite(factor))
    GVExpandPart(state, part, factor);
  return 0;
}

// ---- the category ----

void GVBuildDyn1Cmds(LogicSystem* sys) {
  LogicCmd* c = GVLogicBeginCategory(sys, kLogicDyn1, kDyn1Count);
  if (!c) return;
  constexpr uint32_t kAxesOpt = kLogicNone | kLogicAxes;
  constexpr uint32_t kFirst = kLogicQualFirstPair, kSecond = kLogicQualSecondPair;
  static const LogicCmdRow kRows[kDyn1Count] = {
      {"CUR_FRAME", "cmd_frame", 0, 0, GVCmdCurFrame, kLogicInt | kLogicFloat, {1, 1, 1, 1, 1}},
      {"CUR_TIME", "cmd_time", 0, 0, GVCmdCurTime, kLogicFloat, {1, 1, 1, 1, 1}},
      {"IS_FRAME", "cmd_isframe", 0, 0, GVCmdIsFrame, kLogicPP, {kNumber, 1, 1, 1, 1}},
      {"IS_TIME", "cmd_istime", 0, 0, GVCmdIsTime, kLogicPP, {kNumber, 1, 1, 1, 1}},
      {"ISIN_FRANGE", "cmd_isinfrng", 0, 0, GVCmdIsInFrange, kLogicPP, {kNumber, kNumber, 1, 1, 1}},
      {"ISIN_TRANGE", "cmd_isintrng", 0, 0, GVCmdIsInTrange, kLogicPP, {kNumber, kNumber, 1, 1, 1}},
      {"F_RATIO", "cmd_fratio", 4, 0, GVCmdFRatio, kLogicNone | kLogicInt,
       {kIntArg, kIntArg, kIntArg | kLogicNone, 1, 1}},
      {"HFORCE", "cmd_hforce", 6, 0, GVCmdHForce, kVecResult, {kJel, kPart, kValue, 1, 1}},
      {"HPOS", "cmd_hpos", 6, 9, GVCmdHPos, kVecResult, {kJel, kPart, kValue, kAxesOpt, 1}},
      {"HVEL", "cmd_hvel", 6, 9, GVCmdHVel, kVecResult, {kJel, kPart, kValue, 1, 1}},
      {"HVELU", nullptr, 6, 9, GVCmdHVelU, kLogicNone, {kJel, kPart, kValue, 1, 1}},
      {"HANGVELd", "cmd_haveld", 6, 9, GVCmdHAngVelD, kVecResult, {kJel, kPart, kValue, 1, 1}},
      {"HANGVELr", "cmd_havelr", 6, 9, GVCmdHAngVelR, kVecResult, {kJel, kPart, kValue, 1, 1}},
      {"HWIND", "cmd_hwind", kLogicOptBit200000, 0, GVCmdHWind, kLogicNone,
       {kJel, kPart, kLogicFloat | kLogicFloatConst, kLogicNone | kLogicVec, 1}},
      {"HDIST", "cmd_hdist", 0, 0, GVCmdHDist, kLogicNone | kLogicFloat,
       {kJel | kFirst, kJel | kSecond, kPart | kFirst, kPart | kSecond,
        kLogicNone | kLogicFloat | kLogicFloatConst}},
      {"HEXPAND", "cmd_hexpnd", kLogicOptPasteReport, 0, GVCmdHExpand, kLogicNone,
       {kJel, kPart, kIntArg | kLogicNone, kIntArg | kLogicNone, kNumber | kLogicNone}},
  };
  GVLogicFillCmds(c, kRows, kDyn1Count, kDyn1IsFrame, kDyn1HForce);
}
