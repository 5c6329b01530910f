#include "logic/dyn2_cmds.h"

#include "dynamics/constraint_cmds.h"
#include "dynamics/dyn_cmd.h"
#include "dynamics/glue.h"
#include "dynamics/world.h"
#include "geo/geo_collision.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "logic/command_args.h"
#include "logic/dyn1_cmds.h"
#include "logic/object_refs.h"
#include "logic/program_store.h"
#include "scene/scene_access.h"
#include "scene/scene_context.h"

namespace {

constexpr uint32_t kJel = kLogicQualJel | kLogicIntConst;
constexpr uint32_t kPart = kLogicQualPart | kLogicIntConst;
constexpr uint32_t kGeo = kLogicQualGeo | kLogicIntConst;
constexpr uint32_t kIntOpt = kLogicNone | kLogicInt | kLogicIntConst;
constexpr uint32_t kPPOpt = kLogicNone | kLogicPP;
constexpr uint32_t kCollResult = kLogicNone | kLogicPP | kLogicInt;

// Line option bits: the collision mode of HCOLL and the refresh mode of
// g_motion and h_motion.
constexpr uint32_t kColl8000 = 0x8000, kColl10000 = 0x10000, kColl20000 = 0x20000;
constexpr uint32_t kRefresh0 = 0x40000, kRefresh1 = 0x80000, kRefresh2 = 0x100000;

constexpr float kContactShift = 0.1f;

// A Geo's placement at the current frame: its key track where it has one
// that answers, else its live transform slot.
void GeoPlacement(LogicSystem* sys, GObject* geo, float pos[3], float mat[9], float scale[3]) {
  float accompanying = 0.0f;
  GVGetGeoTransform(geo, GEO_SEL_FRAME, pos, mat, scale, &accompanying);
  if (geo->keyTrack) {
    double value = 0.0;
    GVEvalKeyTrack(geo->keyTrack, &value, pos, mat, scale, GVCurrentFrameFloat(sys->world));
  }
}

// The target of a fix line (fifth slot): a Geo's placement with its scale in
// the matrix rows, a v variable's position (not for orientation), an axes
// variable, or for orientation an m variable. False when there is none.
bool FixTarget(LogicSystem* sys, LogicProgram* prog, const LogicLine* line, bool orientation, float pos[3],
               float mat[9]) {
  GVMat3Identity(mat);
  pos[0] = pos[1] = pos[2] = 0.0f;
  const int32_t k = line->argVar[4];
  switch (line->argType[4]) {
    case kLogicIntConst: {
      GObject* geo = line->argInt[4] ? GVLogicGeo(sys, line->argInt[4]) : nullptr;
      if (!geo) return false;
      float m[9], scale[3];
      GeoPlacement(sys, geo, pos, m, scale);
      GVMat3ScaleRows(m, scale, mat);
      return true;
    }
    case kLogicVec: {
      const float* v = orientation ? nullptr : GVLogicVecVar(prog, k);
      if (v) GVVec3Copy(pos, v);
      return v != nullptr;
    }
    case kLogicAxes: {
      const float* o = GVLogicAxVecVar(prog, k);
      if (!o) return false;
      GVVec3Copy(pos, o);
      GVMat3Copy(mat, GVLogicAxMatVar(prog, k));
      return true;
    }
    case kLogicMat: {
      const float* m = orientation ? GVLogicMatVar(prog, k) : nullptr;
      if (m) GVMat3Copy(mat, m);
      return m != nullptr;
    }
    default:
      return false;
  }
}

enum FixKind { kFixWhole, kFixPosition, kFixOrientation };

void RunFix(int32_t program, LogicLine* line, LogicSystem* sys, FixKind kind) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return;
  int32_t sel = 0, part = 0;
  const int32_t phase = GVLogicFrameRangeArgs(line, program, sys, &sel, &part);
  if (GVLogicPartOk(part)) {
    float pos[3], mat[9];
    const bool target = FixTarget(sys, c.prog, line, kind == kFixOrientation, pos, mat);
    const float* p = target ? pos : nullptr;
    const float* m = target ? mat : nullptr;
    if (phase & 1) {
      if (kind == kFixWhole) GVSelFixBegin(c.world, sel, part, p, m);
      if (kind == kFixPosition) GVSelFixPosBegin(c.world, sel, part, p, m);
      if (kind == kFixOrientation) GVSelFixOriBegin(c.world, sel, part, m);
    } else if (phase & 2) {
      if (kind == kFixWhole) GVSelFixStep(c.world, sel, part, nullptr, nullptr);
      if (kind == kFixPosition) GVSelFixPosStep(c.world, sel, part, p, m);
      if (kind == kFixOrientation) GVSelFixOriStep(c.world, sel, part, m);
    }
  }
  GVLogicWritePhase(c.prog, line, phase);
}

// Refresh mode of g_motion and h_motion: 2 every call, 1 at the first
// sub-step of a frame, 0 only at the start.
int32_t RefreshMode(const LogicLine* line) {
  if (line->flags & kRefresh2) return 2;
  if (line->flags & kRefresh1) return 1;
  return (line->flags & kRefresh0) ? 0 : 1;
}

bool ContactsOf(const HWorld* world, int32_t index, uint32_t type) {
  if (index < 0 || index >= world->cmdCount) return false;
  const DynCmdRec& r = world->cmds[index];
  const ContactList* list = type == kDynCmdJelJel  ? r.jelContacts
                            : type == kDynCmdGeoJel ? r.geoContacts
                                                    : r.altContacts;
  return list && list->first;
}

void RunGeoColl(int32_t program, LogicLine* line, LogicSystem* sys, bool jelHitsGeo) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return;
  const int32_t geoSel = GVLogicArgInt(c.prog, line, 0);
  const int32_t jelSel = GVLogicArgInt(c.prog, line, 1);
  int32_t part = GVLogicArgInt(c.prog, line, 2);
  if (part == 0) part = 2;
  if (GVIsFrameInStep(sys->world, 0.0f)) GVLogicPrepareCollGeos(sys, geoSel);
  if (!c.world->params.stepping) {
    for (ObjHandle* h = GVFirstGeo(sys->geoList); h; h = GVNextGeo(h))
      if (GVGeoMatches(h, geoSel)) GVGeoOf(h)->flags |= GEO_FLAG_FRAME_XFORM_SET;
    return;
  }
  const uint32_t f = line->flags;
  int32_t mode = 0, reach = 3;
  if (jelHitsGeo) {
    mode = (f & kColl20000) ? 6 : (f & kColl10000) ? 5 : 6;
  } else {
    mode = (f & kColl20000) ? 4 : (f & kColl8000) ? 7 : (f & kColl10000) ? 3 : 4;
    reach = mode == 3 || mode == 7 ? 1 : 3;
  }
  if (GVLogicPartOk(part))
    GVCollideGeosJels(sys->geoList, sys->world, geoSel, jelSel, part, mode, reach, kContactShift);
  const uint32_t type = jelHitsGeo ? kDynCmdGeoJelAlt : kDynCmdGeoJel;
  const int32_t index = GVFindDynCmdRecByKeys(c.world, type, geoSel, jelSel, 1, part);
  GVLogicWriteTruth(c.prog, line, ContactsOf(c.world, index, type) ? 1 : 0, true);
}

}  // namespace

int32_t GVCmdGAxes(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  GObject* geo = GVLogicGeo(sys, c.sel);
  if (!geo) return 0;
  const int32_t stateMode = c.world->params.stateMode;
  const int32_t drive = GVGetGeoDriveMode(GVCurrentFrame(sys->world), geo, stateMode);
  const bool unbound = stateMode != -1 && GVGeoIsMassocUnbound(geo);
  const int32_t k = line->argVar[1];
  if (line->argType[1] == static_cast<int32_t>(kLogicVec)) {
    if (const float* v = GVLogicVecVar(c.prog, k)) GVSetGeoTransform(geo, GEO_SEL_FRAME, v, nullptr, nullptr, 0.0f);
  } else if (line->argType[1] == static_cast<int32_t>(kLogicMat)) {
    if (const float* m = GVLogicMatVar(c.prog, k)) GVSetGeoTransform(geo, GEO_SEL_FRAME, nullptr, m, nullptr, 0.0f);
  } else if (line->argType[1] == static_cast<int32_t>(kLogicAxes)) {
    static const float kOne[3] = {1.0f, 1.0f, 1.0f};
    if (const float* o = GVLogicAxVecVar(c.prog, k))
      GVSetGeoTransform(geo, GEO_SEL_FRAME, o, GVLogicAxMatVar(c.prog, k), kOne, 0.0f);
  }
  // The start slot follows a Geo shown by its frame slot; a Geo shown by its
  // start slot keeps it, and the value just stored does not last.
  if (!unbound) {
    if (drive == GEO_SEL_FRAME) GVCopyGeoTransform(geo, GEO_SEL_FRAME, GEO_SEL_START);
    if (drive == GEO_SEL_START) GVCopyGeoTransform(geo, GEO_SEL_START, GEO_SEL_FRAME);
  }
  geo->flags |= GEO_FLAG_FRAME_XFORM_SET;
  if (line->resultType == static_cast<int32_t>(kLogicAxes)) {
    float* o = GVLogicAxVecVar(c.prog, line->resultVar);
    float* m = GVLogicAxMatVar(c.prog, line->resultVar);
    float scale[3];
    if (o && m) GeoPlacement(sys, geo, o, m, scale);
  }
  return 0;
}

int32_t GVCmdHAxes(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t part = c.part;
  if (!GVLogicPartOk(part) || line->resultType != static_cast<int32_t>(kLogicAxes)) return 0;
  float* o = GVLogicAxVecVar(c.prog, line->resultVar);
  float* m = GVLogicAxMatVar(c.prog, line->resultVar);
  HObject* jel = c.sel >= 1 ? GVGetJelById(c.world, c.sel) : nullptr;
  if (o && m && jel && jel->state) HBState::nodeTangents(jel->state, jel->firstNodeInPart(part), o, m);
  return 0;
}

int32_t GVCmdHFix(int32_t program, LogicLine* line, LogicSystem* sys) {
  RunFix(program, line, sys, kFixWhole);
  return 0;
}

int32_t GVCmdHFixPos(int32_t program, LogicLine* line, LogicSystem* sys) {
  RunFix(program, line, sys, kFixPosition);
  return 0;
}

int32_t GVCmdHFixOri(int32_t program, LogicLine* line, LogicSystem* sys) {
  RunFix(program, line, sys, kFixOrientation);
  return 0;
}

int32_t GVCmdHRig(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  int32_t sel = 0, part = 0;
  const int32_t phase = GVLogicFrameRangeArgs(line, program, sys, &sel, &part);
  // Every pass runs in every sub-step: a count from a file must not stall them.
  int32_t passes = GVLogicArgInt(c.prog, line, 4);
  passes = passes < 0 ? 0 : passes > kLogicMaxRigidPasses ? kLogicMaxRigidPasses : passes;
  if (GVLogicPartOk(part)) {
    if (phase & 1)
      GVSelRigidBegin(c.world, sel, part);
    else if ((phase & 2) && sel != 0)
      GVSelRigidStep(c.world, sel, part, passes);
  }
  GVLogicWritePhase(c.prog, line, phase);
  return 0;
}

int32_t GVCmdGMotion(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t sel = c.sel;
  const int32_t bit = GVLogicArgIsInt(c.prog, line, 1) ? GVLogicArgInt(c.prog, line, 1) : 1;
  const int32_t mode = RefreshMode(line);
  const bool atStart = GVCurrentFrame(sys->world) == 0;
  const bool run = mode == 2 || (mode == 1 && c.world->params.subStepIndex == 1) || (mode == 0 && atStart);
  if (!run) return 0;
  for (ObjHandle* h = GVFirstGeo(sys->geoList); h; h = GVNextGeo(h)) {
    if (!GVGeoMatches(h, sel)) continue;
    GObject* geo = GVGeoOf(h);
    if (atStart) GVApplyGeoTransform(geo, GEO_SEL_FRAME);
    GVBuildGeoCollisionGrid(geo, bit);
  }
  return 0;
}

int32_t GVCmdHMotion(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t sel = c.sel;
  const int32_t mode = RefreshMode(line);
  for (HObject* j = c.world->head; j; j = j->next) {
    if (!GVJelInSel(j, sel) || !j->state) continue;
    const bool run = mode == 2 || (mode == 1 && c.world->params.subStepIndex == 1) ||
                     (mode == 0 && GVIsFrameInStep(sys->world, static_cast<float>(j->playParams.startFrame)));
    if (run) j->state->rebuildContactGrid(j->cellSize * 0.5f, 0);
  }
  return 0;
}

int32_t GVCmdHCollHh(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t selA = GVLogicArgInt(c.prog, line, 0);
  const int32_t selB = GVLogicArgInt(c.prog, line, 1);
  int32_t a = GVLogicArgInt(c.prog, line, 2);
  if (a == 0) a = 2;
  int32_t b = GVLogicArgInt(c.prog, line, 3);
  if (b == 0) b = a;
  if (GVLogicSetterMayAct(sys) && GVLogicPartOk(a) && GVLogicPartOk(b)) {
    const int32_t kind = (line->flags & kColl20000) ? 2 : (line->flags & kColl10000) ? 1 : 2;
    GVSetupJelCollision(c.world, selA, selB, a, b, kContactShift, kContactShift, kind);
  }
  const int32_t index = GVFindDynCmdRecByKeys(c.world, kDynCmdJelJel, selA, selB, 0, 0);
  GVLogicWriteTruth(c.prog, line, ContactsOf(c.world, index, kDynCmdJelJel) ? 1 : 0, true);
  return 0;
}

int32_t GVCmdHCollgH(int32_t program, LogicLine* line, LogicSystem* sys) {
  RunGeoColl(program, line, sys, true);
  return 0;
}

int32_t GVCmdHCollGh(int32_t program, LogicLine* line, LogicSystem* sys) {
  RunGeoColl(program, line, sys, false);
  return 0;
}

int32_t GVCmdHWalls(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const float* bounds = sys->ctx ? sys->ctx->sceneBounds : nullptr;
  if (!bounds) return 0;
  // The walls take no frame range (arguments 3 and 4 are not theirs): the
  // range is open from the Jel's start frame.
  const int32_t sel = GVLogicArgInt(c.prog, line, 0), part = GVLogicArgInt(c.prog, line, 1);
  const HObject* jel = sel >= 1 ? GVGetJelById(c.world, sel) : nullptr;
  const float start = jel ? static_cast<float>(jel->playParams.startFrame) : 0.0f;
  const int32_t phase = GVFrameRangePhase(sys->world, start > 0.0f ? start : 0.0f, 0.0f);
  int32_t hit = 0;
  if (phase && GVLogicSetterMayAct(sys) && GVLogicPartOk(part)) hit = GVSelWalls(c.world, sel, part, bounds);
  GVLogicWriteTruth(c.prog, line, hit, false);
  return 0;
}

int32_t GVCmdHPlane(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const int32_t sel = c.sel, part = c.part;
  const float* point = line->argType[2] == static_cast<int32_t>(kLogicVec) ? GVLogicVecVar(c.prog, line->argVar[2])
                                                                            : nullptr;
  const float* normal = nullptr;
  if (line->argType[3] == static_cast<int32_t>(kLogicVec)) normal = GVLogicVecVar(c.prog, line->argVar[3]);
  if (line->argType[3] == static_cast<int32_t>(kLogicMat))
    if (const float* m = GVLogicMatVar(c.prog, line->argVar[3])) normal = m + 3;  // its second row
  int32_t hit = 0;
  if (point && normal && GVLogicSetterMayAct(sys) && GVLogicPartOk(part))
    hit = GVSelPlane(c.world, sel, part, point, normal);
  GVLogicWriteTruth(c.prog, line, hit, false);
  return 0;
}

int32_t GVCmdHGlue(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  int32_t sel = 0, part = 0;
  const int32_t phase = GVLogicSetterMayAct(sys) ? GVLogicFrameRangeArgs(line, program, sys, &sel, &part) : 0;
  if ((phase & 2) && GVLogicPartOk(part)) GVSelApplyGlue(c.world, sel, part, sel, part);
  return 0;
}

void GVBuildDyn2Cmds(LogicSystem* sys) {
  LogicCmd* c = GVLogicBeginCategory(sys, kLogicDyn2, kDyn2Count);
  if (!c) return;
  constexpr uint32_t kFirst = kLogicQualFirstPair, kSecond = kLogicQualSecondPair;
  constexpr uint32_t kRigCount = 0x2000000, kRigPasses = 0x4000000;  // read by no part of the system
  static const LogicCmdRow kRows[kDyn2Count] = {
      {"GAXES", "cmd_gaxes", 0, 0, GVCmdGAxes, kLogicNone | kLogicAxes,
       {kGeo, kLogicNone | kLogicVec | kLogicMat | kLogicAxes, 1, 1, 1}},
      {"HAXES", "cmd_haxes", 0, 0, GVCmdHAxes, kLogicAxes, {kJel, kPart, 1, 1, 1}},
      {"HFIX", "cmd_hfix", 0x4004, 0, GVCmdHFix, kPPOpt,
       {kJel, kPart, kIntOpt, kIntOpt, kLogicNone | kLogicVec | kLogicAxes | kGeo | kLogicQualGeoListOrder}},
      {"HFIX_POS", "cmd_hsusp", 0x4004, 0, GVCmdHFixPos, kPPOpt,
       {kJel, kPart, kIntOpt, kIntOpt, kLogicNone | kLogicVec | kLogicAxes | kGeo}},
      {"HFIX_ORI", "cmd_hfixo", 0x4004, 0, GVCmdHFixOri, kPPOpt,
       {kJel, kPart, kIntOpt, kIntOpt, kLogicNone | kLogicMat | kLogicAxes | kGeo}},
      {"HRIG", "cmd_hrig", 0x4004, 0, GVCmdHRig, kPPOpt,
       {kJel, kPart, kIntOpt | kRigCount, kIntOpt | kRigCount, kIntOpt | kRigPasses}},
      {"g_motion", "cmd_gmot", 0x4400, 0, GVCmdGMotion, kLogicNone, {kGeo, kGeo | kLogicNone, 1, 1, 1}},
      {"h_motion", "cmd_hmot", 0x4800, 0, GVCmdHMotion, kLogicNone, {kJel, 1, 1, 1, 1}},
      {"HCOLL Hh", "cmd_hcollHh", 0x4010C, 0, GVCmdHCollHh, kCollResult,
       {kJel | kFirst, kJel | kSecond, kPart | kFirst | kLogicNone, kPart | kSecond | kLogicNone, 1}},
      {"HCOLL gH", "cmd_hcollhGh", 256, 0, GVCmdHCollgH, kCollResult, {kGeo, kJel, kPart | kLogicNone, 1, 1}},
      {"HCOLL Gh", "cmd_hcollhGh", 256, 0, GVCmdHCollGh, kCollResult, {kGeo, kJel, kPart | kLogicNone, 1, 1}},
      {"HWALLS", "cmd_hwalls", 4, 0, GVCmdHWalls, kPPOpt, {kJel, kPart, 1, 1, 1}},
      {"HPLANE", "cmd_hplane", 4, 0, GVCmdHPlane, kPPOpt, {kJel, kPart, kLogicVec, kLogicVec | kLogicMat, 1}},
      {"HGLUE", "cmd_hglue", 4, 0, GVCmdHGlue, kPPOpt, {kJel, kPart, kIntOpt, kIntOpt, 1}},
      {"HVISC", "cmd_hvscs", kLogicOptBit200000, 0, GVCmdHWind, kLogicNone,
       {kJel, kPart, kLogicFloat | kLogicFloatConst, kLogicNone | kLogicVec, 1}},
  };
  GVLogicFillCmds(c, kRows, kDyn2Count, 0, 0);
}
