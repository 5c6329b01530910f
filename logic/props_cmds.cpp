#include "logic/props_cmds.h"

#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/matter.h"
#include "jel/state_interface.h"
#include "logic/command_args.h"
#include "logic/program_store.h"
#include "scene/scene_access.h"

namespace {

// The part's current matter over the selected Jels' live states, as the
// world's range reader gathers it (the largest value; the smallest density;
// the force of smallest magnitude) but folded from the part's first node
// rather than from the default record, which would hide every value below
// its default (Sc_L 0.01 read as 1) and every force (read as 0). Fields of
// the mask are left alone when no node matches.
void ReadPartMatter(HWorld* world, int32_t selection, int32_t part, uint32_t mask, MatterProps* out) {
  bool seeded = false;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    const HAState* st = GVJelInSel(j, selection) ? j->state : nullptr;
    if (!st || !st->matter) continue;
    for (int32_t i = 1; i <= st->nodeCount; ++i) {
      if (!st->inPart(i, part)) continue;
      if (!seeded) GVCopyMatterMasked(&st->matter[i], mask, out);
      else GVFoldMatterRange(&st->matter[i], mask, out);
      seeded = true;
    }
  }
}

// One member of the scalar family: the field, its clamp range and whether
// the derived node coefficients follow a change.
struct MatterCmd {
  int field;
  float low, high;
  bool refresh;
};

int32_t SetMatterField(int32_t program, LogicLine* line, LogicSystem* sys, const MatterCmd& cmd) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const uint32_t mask = GVMatterFieldInfo(cmd.field).maskBit;
  const int32_t selection = c.sel, part = c.part;
  float value = 0.0f;
  GVLogicArgNumber(c.prog, line, 2, &value);
  const int32_t frame = GVLogicArgInt(c.prog, line, 3);
  const bool apply =
      c.world->params.stepping && (frame == 0 || GVIsFrameInStep(sys->world, static_cast<float>(frame)));
  // A NaN (an ACOS out of its domain, say) counts as no value: the low bound.
  if (!(value >= cmd.low)) value = cmd.low;
  if (value > cmd.high) value = cmd.high;
  if (apply) {
    MatterProps rec;
    GVMatterSetField(&rec, cmd.field, value);
    GVSetSelMatter(c.world, selection, kFrameCommitted, part, mask, &rec);
    if (cmd.refresh) GVSelUpdateNodeCoeffs(c.world, selection);
  }
  if (float* out = line->resultType == static_cast<int32_t>(kLogicFloat) ? GVLogicFloatVar(c.prog, line->resultVar)
                                                                          : nullptr) {
    MatterProps now;
    ReadPartMatter(c.world, selection, part, mask, &now);
    *out = GVMatterField(&now, cmd.field);
  }
  return 0;
}

}  // namespace

int32_t GVCmdHScaleL(int32_t program, LogicLine* line, LogicSystem* sys) {
  return SetMatterField(program, line, sys, {1, kMatterScaleMin, kMatterScaleMax, true});
}
int32_t GVCmdHScaleT(int32_t program, LogicLine* line, LogicSystem* sys) {
  return SetMatterField(program, line, sys, {2, kMatterScaleMin, kMatterScaleMax, true});
}
int32_t GVCmdHDensity(int32_t program, LogicLine* line, LogicSystem* sys) {
  return SetMatterField(program, line, sys, {3, 0.01f, 1000.0f, true});
}
int32_t GVCmdHElas(int32_t program, LogicLine* line, LogicSystem* sys) {
  return SetMatterField(program, line, sys, {4, 0.0f, 100.0f, true});
}
int32_t GVCmdHIncomp(int32_t program, LogicLine* line, LogicSystem* sys) {
  return SetMatterField(program, line, sys, {6, 0.0f, 2.0f, true});
}
int32_t GVCmdHDamping(int32_t program, LogicLine* line, LogicSystem* sys) {
  return SetMatterField(program, line, sys, {5, 0.0f, 100.0f, true});
}
int32_t GVCmdHFriction(int32_t program, LogicLine* line, LogicSystem* sys) {
  return SetMatterField(program, line, sys, {7, 0.0f, 1.0f, false});
}
int32_t GVCmdHFlatZ(int32_t program, LogicLine* line, LogicSystem* sys) {
  return SetMatterField(program, line, sys, {11, 0.0f, 1.0f, false});
}

int32_t GVCmdHGravity(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line)) return 0;
  const uint32_t axes = GVLogicAxisMask(line);
  const uint32_t mask = (axes & 2 ? kMatterForceX : 0u) | (axes & 4 ? kMatterForceY : 0u) |
                        (axes & 8 ? kMatterForceZ : 0u);
  const int32_t selection = c.sel, part = c.part;
  float value[3];
  const bool given = GVLogicReadValueVec(line, program, sys, false, value);
  if (given && GVLogicSetterMayAct(sys)) {
    MatterProps rec;
    rec.forceX = value[0];
    rec.forceY = value[1];
    rec.forceZ = value[2];
    GVSetSelMatter(c.world, selection, kFrameCommitted, part, mask, &rec);
  }
  if (line->resultVar != 0) {
    MatterProps now;
    ReadPartMatter(c.world, selection, part, mask, &now);
    const float force[3] = {now.forceX, now.forceY, now.forceZ};
    GVLogicWriteVecResult(c.prog, line, force);
  }
  return 0;
}

void GVBuildPropsCmds(LogicSystem* sys) {
  constexpr uint32_t N = kLogicNone, I = kLogicInt, F = kLogicFloat, V = kLogicVec, IC = kLogicIntConst,
                     FC = kLogicFloatConst;
  constexpr uint32_t kJel = kLogicQualJel | IC, kPart = kLogicQualPart | IC;
  constexpr uint32_t kValue = N | F | FC, kFrame = N | I | IC;
  static const LogicCmdRow kRows[9] = {
      {"HSCALE_L", "cmd_matter", 4, 0, GVCmdHScaleL, N | F, {kJel, kPart, kValue, kFrame, N}},
      {"HSCALE_T", "cmd_matter", 4, 0, GVCmdHScaleT, N | F, {kJel, kPart, kValue, kFrame, N}},
      {"HDENSITY", "cmd_matter", 4, 0, GVCmdHDensity, N | F, {kJel, kPart, kValue, kFrame, N}},
      {"HELAS", "cmd_matter", 4, 0, GVCmdHElas, N | F, {kJel, kPart, kValue, kFrame, N}},
      {"HINCOMP", "cmd_matter", 4, 0, GVCmdHIncomp, N | F, {kJel, kPart, kValue, kFrame, N}},
      {"HDAMPING", "cmd_matter", 4, 0, GVCmdHDamping, N | F, {kJel, kPart, kValue, kFrame, N}},
      {"HFRICTION", "cmd_matter", 4, 0, GVCmdHFriction, N | F, {kJel, kPart, kValue, kFrame, N}},
      {"HGRAVITY", "cmd_hgrav", 6, 0, GVCmdHGravity, N | F | V, {kJel, kPart, kValue | V, N, N}},
      {"HFLAT_Z", "cmd_matter", 4, 0, GVCmdHFlatZ, N | F, {kJel, kPart, kValue, kFrame, N}},
  };
  // Every record shows " , " between its arguments and has its object
  // numbers stepped in the editor.
  if (LogicCmd* c = GVLogicBeginCategory(sys, kLogicProps, 9)) GVLogicFillCmds(c, kRows, 9, 0, 0);
}
