#include "logic/command_args.h"

#include <cmath>

#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "logic/program_store.h"
#include "scene/scene_access.h"

void GVLogicVecMax(const float a[3], const float b[3], float out[3]) {
  for (int k = 0; k < 3; ++k) out[k] = a[k] > b[k] ? a[k] : b[k];
}

void GVLogicVecMin(const float a[3], const float b[3], float out[3]) {
  for (int k = 0; k < 3; ++k) out[k] = a[k] < b[k] ? a[k] : b[k];
}

void GVLogicVecMaxScalar(const float v[3], float out[3], float s) {
  for (int k = 0; k < 3; ++k) out[k] = v[k] > s ? v[k] : s;
}

void GVLogicVecMinScalar(const float v[3], float out[3], float s) {
  for (int k = 0; k < 3; ++k) out[k] = v[k] < s ? v[k] : s;
}

void GVMat3Negate(float out[9], const float m[9]) {
  for (int k = 0; k < 9; ++k) out[k] = -m[k];
}

HWorld* GVLogicWorld(const LogicSystem* sys) { return sys ? GVWorldOf(sys->world) : nullptr; }

bool LogicCmdCtx::Open(LogicSystem* sys, int32_t program, const LogicLine* line) {
  world = GVLogicWorld(sys);
  prog = GVLogicProgram(sys, program);
  if (!line || !world) return false;
  sel = GVLogicArgInt(prog, line, 0);
  part = GVLogicArgInt(prog, line, 1);
  return true;
}

void GVLogicFillCmds(LogicCmd* cmds, const LogicCmdRow* rows, int32_t count, int32_t firstInfix,
                     int32_t firstPicked) {
  for (int32_t k = 0; k < count; ++k) {
    const LogicCmdRow& r = rows[k];
    LogicCmd& c = cmds[k];
    c.prefix = c.name = r.name;
    c.key = r.key;
    if (k >= firstInfix) c.infix = " , ";
    c.optionKind = r.optionKind;
    c.layoutKind = r.layout;
    c.fn = r.fn;
    c.resultMask = r.result;
    for (int32_t a = 0; a < kLogicArgs; ++a) c.argMask[a] = r.args[a];
    c.pickedConstants = k >= firstPicked ? 1 : 0;
  }
}

uint32_t GVLogicAxisMask(const LogicLine* line) {
  const uint32_t axes = line->flags & kAxesAll;
  return axes ? axes : static_cast<uint32_t>(kAxesAll);
}

int32_t GVLogicPartOk(int32_t part) { return part >= 1 && part <= 31 ? 1 : 0; }

HAState* GVLogicJelState(HWorld* world, int32_t id) {
  HObject* jel = world && id >= 1 ? GVGetJelById(world, id) : nullptr;
  return jel ? jel->state : nullptr;
}

GObject* GVLogicGeo(const LogicSystem* sys, int32_t id) {
  return sys && id >= 1 ? GVGeoOf(GVFindGeo(sys->geoList, id)) : nullptr;
}

bool GVLogicAtLastSubStep(LogicSystem* sys) {
  int32_t index = 0, count = 0;
  GVGetSubstepInfo(sys ? sys->world : nullptr, &index, &count);
  return index == count;
}

int32_t GVLogicArgInt(LogicProgram* prog, const LogicLine* line, int32_t a) {
  if (line->argType[a] == static_cast<int32_t>(kLogicIntConst)) return line->argInt[a];
  if (line->argType[a] == static_cast<int32_t>(kLogicInt)) {
    const int32_t* v = GVLogicIntVar(prog, line->argVar[a]);
    return v ? *v : 0;
  }
  return 0;
}

bool GVLogicArgIsInt(LogicProgram* prog, const LogicLine* line, int32_t a) {
  return line->argType[a] == static_cast<int32_t>(kLogicIntConst) ||
         (line->argType[a] == static_cast<int32_t>(kLogicInt) && GVLogicIntVar(prog, line->argVar[a]));
}

bool GVLogicArgFloat(LogicProgram* prog, const LogicLine* line, int32_t a, float* out) {
  if (line->argType[a] == static_cast<int32_t>(kLogicFloatConst)) {
    *out = line->argFloat[a];
    return true;
  }
  if (line->argType[a] == static_cast<int32_t>(kLogicFloat)) {
    const float* v = GVLogicFloatVar(prog, line->argVar[a]);
    if (v) *out = *v;
    return v != nullptr;
  }
  return false;
}

bool GVLogicArgNumber(LogicProgram* prog, const LogicLine* line, int32_t a, float* out) {
  if (GVLogicArgFloat(prog, line, a, out)) return true;
  if (line->argType[a] == static_cast<int32_t>(kLogicIntConst)) {
    *out = static_cast<float>(line->argInt[a]);
    return true;
  }
  if (line->argType[a] == static_cast<int32_t>(kLogicInt)) {
    const int32_t* v = GVLogicIntVar(prog, line->argVar[a]);
    if (v) *out = static_cast<float>(*v);
    return v != nullptr;
  }
  return false;
}

bool GVLogicArgVecMasked(LogicProgram* prog, const LogicLine* line, int32_t a, float v[3]) {
  if (line->argType[a] != static_cast<int32_t>(kLogicVec)) return false;
  const float* src = GVLogicVecVar(prog, line->argVar[a]);
  if (!src) return false;
  const uint32_t axes = GVLogicAxisMask(line);
  for (int k = 0; k < 3; ++k)
    if (axes & (2u << k)) v[k] = src[k];
  return true;
}

int32_t GVLogicReadArg3(const LogicLine* line, int32_t program, LogicSystem* sys, float* f, float v[3]) {
  if (!line) return 0;
  LogicProgram* prog = GVLogicProgram(sys, program);
  if (GVLogicArgFloat(prog, line, 2, f)) return 1;
  return GVLogicArgVecMasked(prog, line, 2, v) ? 1 : 0;
}

bool GVLogicReadValueVec(const LogicLine* line, int32_t program, LogicSystem* sys, bool spreadOnAxes,
                         float v[3]) {
  v[0] = v[1] = v[2] = 0.0f;
  float f = 0.0f;
  if (!GVLogicReadArg3(line, program, sys, &f, v)) return false;
  // A value that is not finite would poison every node it reaches.
  if (!std::isfinite(f) || !std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) {
    v[0] = v[1] = v[2] = 0.0f;
    return false;
  }
  if (line->argType[2] == static_cast<int32_t>(kLogicVec)) return true;
  const uint32_t axes = spreadOnAxes ? line->flags & kAxesAll : static_cast<uint32_t>(kAxesAll);
  for (int k = 0; k < 3; ++k) v[k] = (axes & (2u << k)) ? f : 0.0f;
  return true;
}

int32_t GVLogicFrameRangeArgs(const LogicLine* line, int32_t program, LogicSystem* sys, int32_t* jel,
                              int32_t* part) {
  if (!line || !sys) return 0;
  LogicProgram* prog = GVLogicProgram(sys, program);
  *jel = GVLogicArgInt(prog, line, 0);
  *part = GVLogicArgInt(prog, line, 1);
  float a = 0.0f, b = 0.0f;
  GVLogicArgNumber(prog, line, 2, &a);
  GVLogicArgNumber(prog, line, 3, &b);
  HWorld* world = GVLogicWorld(sys);
  if (!world) return 0;
  if (const HObject* j = *jel >= 1 ? GVGetJelById(world, *jel) : nullptr) {
    const float start = static_cast<float>(j->playParams.startFrame);
    if (a < start) a = start;
  }
  return GVFrameRangePhase(sys->world, a, b);
}

bool GVLogicSetterMayAct(LogicSystem* sys) {
  const HWorld* world = GVLogicWorld(sys);
  return world && world->params.stepping && !GVIsWorldFrameInStep(sys->world);
}

int32_t GVLogicLiveFrame(const HWorld* world) {
  return world && world->params.stepping ? kFrameInStep : kFrameCommitted;
}

bool GVLogicVecResultWanted(const LogicLine* line) {
  return line->resultType == static_cast<int32_t>(kLogicFloat) || line->resultType == static_cast<int32_t>(kLogicVec);
}

void GVLogicWriteVecResult(LogicProgram* prog, const LogicLine* line, const float v[3]) {
  if (line->resultType == static_cast<int32_t>(kLogicFloat)) {
    float* out = GVLogicFloatVar(prog, line->resultVar);
    if (!out) return;
    const uint32_t axes = line->flags & kAxesAll;
    if (!axes)
      *out = GVVecLength(v);
    else if (axes == kAxisX || axes == kAxisY || axes == kAxisZ)
      *out = v[axes == kAxisX ? 0 : axes == kAxisY ? 1 : 2];
    else
      *out = 0.0f;
  } else if (line->resultType == static_cast<int32_t>(kLogicVec)) {
    float* out = GVLogicVecVar(prog, line->resultVar);
    if (!out) return;
    const uint32_t axes = GVLogicAxisMask(line);
    for (int k = 0; k < 3; ++k)
      if (axes & (2u << k)) out[k] = v[k];
  }
}

void GVLogicWriteTruth(LogicProgram* prog, const LogicLine* line, int32_t value, bool intToo) {
  const int32_t bit = value ? 1 : 0;
  if (line->resultType == static_cast<int32_t>(kLogicPP)) {
    if (int32_t* out = GVLogicPPVar(prog, line->resultVar)) *out = bit;
  } else if (intToo && line->resultType == static_cast<int32_t>(kLogicInt)) {
    if (int32_t* out = GVLogicIntVar(prog, line->resultVar)) *out = bit;
  }
}

void GVLogicWritePhase(LogicProgram* prog, const LogicLine* line, int32_t phase) {
  if (line->resultType != static_cast<int32_t>(kLogicPP)) return;
  if (int32_t* out = GVLogicPPVar(prog, line->resultVar)) *out = phase;
}
