// The face-animation commands of EFFECTS: a mouth Geo scaled and two brow
// Geos tilted through poses picked, one per period, from the pose tables with
// the shared random table, so that the same frame always gives the same face.
#include <climits>
#include <cmath>

#include "dynamics/world.h"
#include "geo/geo_transform.h"
#include "jel/vector_math.h"
#include "logic/command_args.h"
#include "logic/effects_cmds.h"
#include "logic/pose_tables.h"
#include "logic/program_store.h"
#include "logic/random_table.h"
#include "scene/scene_access.h"
#include "scene/scene_context.h"

namespace {

constexpr float kTalkStrength = 1.0f;
constexpr float kBrowDown = -0.06981316953897476f;  // -4 degrees
constexpr float kBrowUp = 0.0872664600610733f;      // +5 degrees

using PoseFn = void (*)(const SceneAuxRec* table, int32_t index, float factor, float out[3]);

// Where a face command stands at the current frame.
struct FacePhase {
  int32_t pick = 0;          // the pose of the current period
  float from[3] = {};        // pose at the start of the period
  float to[3] = {};          // pose of the next period
  float u = 0.0f;            // fraction of the period gone
};

// The arguments both commands share: start frame, period and weight.
struct FaceArgs {
  int32_t start = 0;
  int32_t period = 0;
  float weight = 0.0f;
};

FaceArgs ReadFaceArgs(LogicProgram* prog, const LogicLine* line, int32_t first) {
  FaceArgs a;
  a.start = GVLogicArgInt(prog, line, first);
  a.period = GVLogicArgInt(prog, line, first + 1);
  if (!GVLogicArgFloat(prog, line, first + 2, &a.weight) || !std::isfinite(a.weight)) a.weight = 0.0f;
  return a;
}

bool Stepping(const LogicSystem* sys) {
  const HWorld* world = GVLogicWorld(sys);
  return world && world->params.stepping;
}

// The poses around the current frame, or false outside the command's window
// (the world not running, before the start frame). The first period starts
// from rest (from = rest).
bool PhaseAt(LogicSystem* sys, const SceneAuxRec* table, const FaceArgs& a, PoseFn pose, const float rest[3],
             FacePhase* out) {
  const HWorld* world = GVLogicWorld(sys);
  const FrameParams& fp = world->params;
  if (fp.subSteps == 0 || fp.fps == 0 || a.start < 0 || GVCurrentFrame(sys->world) < a.start) return false;
  const float t = GVCurrentFrameFloat(sys->world) - static_cast<float>(a.start);
  if (!(t >= 0.0f) || table->count < 1) return false;
  const int32_t k = static_cast<int32_t>(std::floor(t));
  const int32_t q = k / a.period;
  if (q == INT_MAX) return false;
  const int32_t last = table->count - 1;
  auto pick = [last](int32_t seed) {
    const int32_t r = GVSeededRandomInt(seed, last, 1);
    return r < 0 ? 0 : r > last ? last : r;
  };
  out->pick = pick(q);
  out->u = (t - static_cast<float>(q) * static_cast<float>(a.period)) / static_cast<float>(a.period);
  pose(table, out->pick, a.weight, out->from);
  pose(table, pick(q + 1), a.weight, out->to);
  if (q == 0) GVVec3Copy(out->from, rest);
  return true;
}

float Blend(const FacePhase& p, int k) { return p.from[k] + (p.to[k] - p.from[k]) * p.u; }

void WritePick(LogicProgram* prog, const LogicLine* line, int32_t value) {
  if (line->resultType == static_cast<int32_t>(kLogicInt))
    if (int32_t* out = GVLogicIntVar(prog, line->resultVar)) *out = value;
}

void SetTilt(GObject* geo, float angle) {
  const float v[3] = {0.0f, 0.0f, angle};
  float m[9];
  GVRotationFromVector(v, m);
  GVSetGeoTransform(geo, GEO_SEL_FRAME, nullptr, m, nullptr, 0.0f);
  geo->flags |= GEO_FLAG_FRAME_XFORM_SET;
}

}  // namespace

int32_t GVCmdGeoTalk(int32_t program, LogicLine* line, LogicSystem* sys) {
  SceneAuxRec* table = sys && sys->ctx ? sys->ctx->auxA : nullptr;
  if (!table || !sys->geoList || !line) return 0;
  LogicProgram* prog = GVLogicProgram(sys, program);
  GObject* geo = GVLogicGeo(sys, GVLogicArgInt(prog, line, 0));
  const FaceArgs a = ReadFaceArgs(prog, line, 1);
  if (a.period < 1 || !geo) return 0;
  static const float kRest[3] = {1.0f, 1.0f, 1.0f};
  if (!Stepping(sys)) {
    GVSetGeoTransform(geo, GEO_SEL_FRAME, nullptr, nullptr, kRest, 0.0f);
    geo->flags |= GEO_FLAG_FRAME_XFORM_SET;
    WritePick(prog, line, 1);
    return 0;
  }
  if (table->count < 1) GVInitPoseTable(table, kTalkStrength);
  FacePhase p;
  if (!PhaseAt(sys, table, a, GVGetPose, kRest, &p)) return 0;
  const float scale[3] = {Blend(p, 0), Blend(p, 1), Blend(p, 2)};
  GVSetGeoTransform(geo, GEO_SEL_FRAME, nullptr, nullptr, scale, 0.0f);
  geo->flags |= GEO_FLAG_FRAME_XFORM_SET;
  WritePick(prog, line, p.pick);
  return 0;
}

int32_t GVCmdGeoBrow(int32_t program, LogicLine* line, LogicSystem* sys) {
  SceneAuxRec* table = sys && sys->ctx ? sys->ctx->auxB : nullptr;
  if (!table || !sys->geoList || !line) return 0;
  LogicProgram* prog = GVLogicProgram(sys, program);
  GObject* left = GVLogicGeo(sys, GVLogicArgInt(prog, line, 0));
  GObject* right = GVLogicGeo(sys, GVLogicArgInt(prog, line, 1));
  const FaceArgs a = ReadFaceArgs(prog, line, 2);
  if (a.period < 1 || !left || !right) return 0;
  if (!Stepping(sys)) {
    SetTilt(left, 0.0f);
    SetTilt(right, 0.0f);
    WritePick(prog, line, 1);
    return 0;
  }
  if (table->count < 1) GVInitBrowTable(table, kBrowDown, kBrowUp);
  static const float kRest[3] = {0.0f, 0.0f, 0.0f};
  FacePhase p;
  if (!PhaseAt(sys, table, a, GVGetBrowPose, kRest, &p)) return 0;
  SetTilt(left, Blend(p, 0));
  SetTilt(right, Blend(p, 2));
  WritePick(prog, line, p.pick);
  return 0;
}
