#include "logic/effects_cmds.h"

#include <cmath>

#include "dynamics/group_ops.h"
#include "dynamics/motion_commands.h"
#include "dynamics/world.h"
#include "geo/geo_transform.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/matter.h"
#include "jel/vector_math.h"
#include "logic/command_args.h"
#include "logic/control_logic_cmds.h"
#include "logic/program_store.h"
#include "scene/geo_eye.h"
#include "scene/scene_access.h"
#include "scene/scene_context.h"

namespace {

constexpr uint32_t kGeo = kLogicQualGeo | kLogicIntConst;
constexpr uint32_t kJel = kLogicQualJel | kLogicIntConst;
constexpr uint32_t kPart = kLogicQualPart | kLogicIntConst;
constexpr uint32_t kOptInt = kLogicNone | kLogicInt | kLogicIntConst;
constexpr uint32_t kOptFloat = kLogicNone | kLogicFloat | kLogicFloatConst;
constexpr uint32_t kOptAxes = kLogicNone | kLogicAxes;
constexpr uint32_t kConstrainedDrag = 0x400000;  // HMOUSE_GD: drag on the sphere, not the plane

constexpr float kDegToRad = 0.01745329238474369f;

// Words of the view's pointer event and of the scene-utility block.
enum { kPointerPending = 0, kPointerJel = 1 };
constexpr int kDragWord = 1;

int32_t DragWord(const LogicSystem* sys) { return sys->ctx->workBlock->words[kDragWord]; }

// Sub-stepping with a frame to step: the commands that act on the running
// world need both.
bool Running(const HWorld* world) {
  const FrameParams& fp = world->params;
  return fp.stepping && fp.subSteps != 0 && fp.fps != 0;
}

bool Finite3(const float* v, int n) {
  for (int k = 0; k < n; ++k)
    if (!std::isfinite(v[k])) return false;
  return true;
}

// The turn of slot a: an f variable holds an angle about x in degrees, a v
// variable a rotation vector in degrees, an m variable the matrix itself.
// False when the slot holds none of these or its value is not finite.
bool TurnArg(LogicProgram* prog, const LogicLine* line, int32_t a, float r[9]) {
  const int32_t type = line->argType[a], k = line->argVar[a];
  if (type == static_cast<int32_t>(kLogicFloat)) {
    const float* f = GVLogicFloatVar(prog, k);
    if (!f || !std::isfinite(*f)) return false;
    const float v[3] = {*f * kDegToRad, 0.0f, 0.0f};
    GVRotationFromVector(v, r);
    return true;
  }
  if (type == static_cast<int32_t>(kLogicVec)) {
    const float* d = GVLogicVecVar(prog, k);
    if (!d || !Finite3(d, 3)) return false;
    const float v[3] = {d[0] * kDegToRad, d[1] * kDegToRad, d[2] * kDegToRad};
    GVRotationFromVector(v, r);
    return true;
  }
  if (type == static_cast<int32_t>(kLogicMat)) {
    const float* m = GVLogicMatVar(prog, k);
    if (!m || !Finite3(m, 9)) return false;
    GVMat3Copy(r, m);
    return true;
  }
  return false;
}

// What both turning commands do before they turn: between sub-steps the Geo's
// frame transform is left to the frame step; in the natural-state mode the
// Geo goes back to its start transform. True when the turn is to be made.
bool TurnPermitted(LogicSystem* sys, const HWorld* world, GObject* geo) {
  if (!GVLogicAtLastSubStep(sys)) {
    geo->flags &= ~GEO_FLAG_FRAME_XFORM_SET;
    return false;
  }
  if (world->params.stateMode == -1) {
    GVCopyGeoTransform(geo, GEO_SEL_START, GEO_SEL_FRAME);
    geo->flags |= GEO_FLAG_FRAME_XFORM_SET;
    return false;
  }
  return true;
}

}  // namespace

int32_t GVCmdMouseFollow(int32_t program, LogicLine* line, LogicSystem* sys) {
  if (sys) GVLogicRecordMouseDrag(line, program, sys);
  return 0;
}

int32_t GVCmdGeoPointer(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line) || !sys->geoList || !sys->ctx || !sys->ctx->workBlock || !sys->ctx->viewPair)
    return 0;
  if (!Running(c.world) || DragWord(sys) != 0 || !GVLogicAtLastSubStep(sys)) return 0;
  int32_t* event = sys->ctx->viewPair;
  const int32_t jel = event[kPointerJel];
  if (!event[kPointerPending] || jel == 0) return 0;
  event[kPointerPending] = 0;
  const GObject* geo = GVLogicGeo(sys, c.sel);
  if (!geo) return 0;
  float speed = 0.0f;
  if (!GVLogicArgFloat(c.prog, line, 1, &speed) || !std::isfinite(speed)) speed = 0.0f;
  float m[9];
  GVGetGeoTransform(geo, GEO_SEL_FRAME, nullptr, m, nullptr, nullptr);
  // The Geo's x axis, flattened: the Jel goes along the ground.
  const float target[3] = {m[0] * speed, 0.0f, m[2] * speed};
  float mean[3] = {0.0f, 0.0f, 0.0f};
  GVGetSelVelocity(c.world, 1, jel, kFrameInStep, kAxesAll, mean);
  const float change[3] = {target[0] - mean[0], -mean[1], target[2] - mean[2]};
  if (!Finite3(change, 3)) return 0;
  for (HObject* j = c.world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, jel) && j->playParams.mode != 4 && j->state)
      j->state->addPartVelocity(1, kFrameInStep, kAxesAll, change);
  return 0;
}

int32_t GVCmdEyeCam(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line) || !GVLogicGeo(sys, c.sel) || !GVLogicAtLastSubStep(sys)) return 0;
  GVEyeCamFollowGeo(sys->geoList, c.sel, kLogicEyeCone);
  return 0;
}

int32_t GVCmdEyePoint(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line) || !GVLogicAtLastSubStep(sys)) return 0;
  float target[3] = {0.0f, 0.0f, 0.0f};
  if (line->argType[1] == static_cast<int32_t>(kLogicVec))
    if (const float* v = GVLogicVecVar(c.prog, line->argVar[1])) GVVec3Copy(target, v);
  if (Finite3(target, 3)) GVGeoEyeToPoint(target, GVLogicGeo(sys, c.sel), kLogicEyeCone);
  return 0;
}

int32_t GVCmdGeoRot1(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  GObject* geo = c.Open(sys, program, line) ? GVLogicGeo(sys, c.sel) : nullptr;
  float r[9];
  if (!geo || !TurnPermitted(sys, c.world, geo) || !TurnArg(c.prog, line, 1, r)) return 0;
  float base[9], m[9];
  GVGetGeoTransform(geo, GEO_SEL_START, nullptr, base, nullptr, nullptr);
  GVMat3Mul(m, r, base);  // the turn about the Geo's own axes, then its start orientation
  GVSetGeoTransform(geo, GEO_SEL_FRAME, nullptr, m, nullptr, 0.0f);
  geo->flags |= GEO_FLAG_FRAME_XFORM_SET;
  return 0;
}

int32_t GVCmdGeoRot2(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const GObject* carrier = GVLogicGeo(sys, c.sel);
  GObject* geo = GVLogicGeo(sys, GVLogicArgInt(c.prog, line, 1));
  float r[9];
  if (!carrier || !geo || !TurnPermitted(sys, c.world, geo) || !TurnArg(c.prog, line, 2, r)) return 0;
  float p[3], b[9], k[3], P[3], A[9], K[3];
  GVGetGeoTransform(geo, GEO_SEL_START, p, b, k, nullptr);
  GVGetGeoTransform(carrier, GEO_SEL_FRAME, P, A, K, nullptr);
  float pos[3], br[9], m[9];
  GVMat3MulVec(pos, A, p);
  for (int a = 0; a < 3; ++a) pos[a] += P[a];
  GVMat3Mul(br, r, b);
  GVMat3Mul(m, br, A);
  const float scale[3] = {K[0] * k[0], K[1] * k[1], K[2] * k[2]};
  GVSetGeoTransform(geo, GEO_SEL_FRAME, pos, m, scale, 0.0f);
  geo->flags |= GEO_FLAG_FRAME_XFORM_SET;
  return 0;
}

int32_t GVCmdMouseDrag(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line) || !sys->ctx || !sys->ctx->workBlock || !Running(c.world)) return 0;
  if (DragWord(sys) == 0 || GVIsWorldFrameInStep(sys->world) || !GVLogicPartOk(c.part)) return 0;
  HAState* state = GVLogicJelState(c.world, c.sel);
  if (!state) return 0;
  int32_t lowest = 0, highest = 0;
  for (int32_t i = 1; i <= state->nodeCount; ++i)
    if (state->inPart(i, c.part)) {
      if (!lowest) lowest = i;
      highest = i;
    }
  if (lowest && lowest != highest) GVMouseDragPart(state, lowest, highest, (line->flags & kConstrainedDrag) ? 2 : 1);
  return 0;
}

int32_t GVCmdAttract(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t a = c.sel, b = GVLogicArgInt(c.prog, line, 1), part = GVLogicArgInt(c.prog, line, 2);
  if (!GVGetJelById(c.world, a) || !GVGetJelById(c.world, b)) return 0;
  float spring = 0.0f, damping = 0.0f;
  const bool given = GVLogicArgFloat(c.prog, line, 3, &spring) && GVLogicArgFloat(c.prog, line, 4, &damping);
  if (given && std::isfinite(spring) && std::isfinite(damping) && GVLogicPartOk(part) && GVLogicSetterMayAct(sys))
    GVAttractJels(c.world, a, b, part, spring, damping);
  return 0;
}

void GVBuildEffectsCmds(LogicSystem* sys) {
  LogicCmd* c = GVLogicBeginCategory(sys, kLogicEffects, kFxCount);
  if (!c) return;
  constexpr uint32_t kFirst = kLogicQualFirstPair;
  constexpr uint32_t kTurn = kLogicFloat | kLogicVec | kLogicMat;
  static const LogicCmdRow kRows[kFxCount] = {
      {"HMOUSE", "cmd_hmouse", 0x90, 0, GVCmdMouseFollow, kLogicPP, {kJel, kPart, kOptInt, kOptInt, 1}},
      {"GEOPOINTER", "cmd_gpointer", 0, 0, GVCmdGeoPointer, kLogicNone,
       {kGeo, kLogicFloat | kLogicFloatConst, 1, 1, 1}},
      {"EYE>CAM", "cmd_eyecam", 0, 0, GVCmdEyeCam, kLogicNone, {kGeo, 1, 1, 1, 1}},
      {"EYE>PT3D", "cmd_eyept3D", 0, 0, GVCmdEyePoint, kLogicNone, {kGeo, kLogicVec, 1, 1, 1}},
      {"TRACK_COLL", "cmd_hcollTrk", 0x20, 0, GVNoOp, kLogicNone | kLogicPP | kLogicInt,
       {kLogicIntConst, kJel, 1, 1, 1}},
      {"G_xROT1", "cmd_gxrot1", 0, 0, GVCmdGeoRot1, kOptAxes, {kGeo, kTurn, 1, 1, 1}},
      {"G_xROT2", "cmd_gxrot2", 0, 0, GVCmdGeoRot2, kOptAxes, {kGeo, kGeo, kLogicNone | kTurn, 1, 1}},
      {"HMOUSE_GD", "cmd_hmouseGD", kLogicOptBit400000, 0, GVCmdMouseDrag, kLogicNone, {kJel, kPart, 1, 1, 1}},
      {"GTALK", "cmd_gbeartalk", kLogicOptPasteReport | kLogicOptTypedSecondColumn, 0, GVCmdGeoTalk,
       kLogicNone | kLogicInt, {kGeo, kOptInt, kOptInt, kOptFloat, 1}},
      {"GBROW", "cmd_gbearbrow", kLogicOptPasteReport, 0, GVCmdGeoBrow, kLogicNone | kLogicInt,
       {kGeo, kGeo, kOptInt, kOptInt, kOptFloat}},
      {"HATTRACT", "cmd_hattrct", 0, 0, GVCmdAttract, kLogicNone,
       {kJel | kFirst, kJel, kPart | kFirst, kOptFloat, kOptFloat}},
  };
  GVLogicFillCmds(c, kRows, kFxCount, 0, 0);
}
