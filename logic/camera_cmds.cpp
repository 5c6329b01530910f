#include "logic/camera_cmds.h"

#include <cmath>

#include "geo/geo_transform.h"
#include "jel/matter.h"
#include "logic/command_args.h"
#include "logic/control_logic_cmds.h"
#include "logic/program_store.h"
#include "scene/light_list.h"
#include "scene/scene_context.h"
#include "scene/scene_services.h"

namespace {

constexpr int kDragWord = 1;  // of the scene-utility block: nonzero while the view drags

// The light of that index in the scene's light list, or null.
LightRec* SceneLight(const LogicSystem* sys, int32_t index) {
  return sys->ctx ? GVGetLight(index, sys->ctx->lights) : nullptr;
}

// The vector a slot gives a light: a v variable, or an axes variable's
// origin; null for any other slot or a variable the program lacks.
const float* LightVector(LogicProgram* prog, const LogicLine* line, int32_t a) {
  if (line->argType[a] == static_cast<int32_t>(kLogicVec)) return GVLogicVecVar(prog, line->argVar[a]);
  if (line->argType[a] == static_cast<int32_t>(kLogicAxes)) return GVLogicAxVecVar(prog, line->argVar[a]);
  return nullptr;
}

bool Finite(const float v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

void TellView(int32_t index) {
  if (GVSceneServices().updateRenderLight) GVSceneServices().updateRenderLight(kLogicLightUpdate, index);
}

// A v result receives the light's position on the line's axes.
void WritePosition(LogicProgram* prog, const LogicLine* line, const LightRec* light) {
  if (line->resultType == static_cast<int32_t>(kLogicVec)) GVLogicWriteVecResult(prog, line, light->position);
}

}  // namespace

int32_t GVCmdCamZoom(int32_t program, LogicLine* line, LogicSystem* sys) {
  float zoom = 0.0f;
  if (sys && line) GVLogicArgNumber(GVLogicProgram(sys, program), line, 0, &zoom);
  return 0;
}

int32_t GVCmdLightAtGeo(int32_t program, LogicLine* line, LogicSystem* sys) {
  if (!sys || !line) return 0;
  LogicProgram* prog = GVLogicProgram(sys, program);
  const int32_t index = GVLogicArgInt(prog, line, 0);
  LightRec* light = SceneLight(sys, index);
  const GObject* geo = GVLogicGeo(sys, GVLogicArgInt(prog, line, 1));
  if (!light || !geo) return 0;
  const uint32_t axes = GVLogicAxisMask(line);
  float offset[3] = {0.0f, 0.0f, 0.0f}, s = 0.0f;
  bool present = true, moves = true;
  if (GVLogicArgFloat(prog, line, 2, &s)) {
    for (int k = 0; k < 3; ++k) offset[k] = (axes & (2u << k)) ? s : 0.0f;
  } else if (const float* v = LightVector(prog, line, 2)) {
    for (int k = 0; k < 3; ++k) offset[k] = (axes & (2u << k)) ? v[k] : 0.0f;
  } else {
    // A matrix places nothing; the view is still told.
    present = line->argType[2] == static_cast<int32_t>(kLogicMat) && GVLogicMatVar(prog, line->argVar[2]);
    moves = false;
  }
  if (present && Finite(offset)) {
    if (moves) {
      GVGetGeoTransform(geo, GEO_SEL_FRAME, light->position, nullptr, nullptr, nullptr);
      for (int k = 0; k < 3; ++k) light->position[k] += offset[k];
    }
    TellView(index);
  }
  WritePosition(prog, line, light);
  return 0;
}

int32_t GVCmdLightPos(int32_t program, LogicLine* line, LogicSystem* sys) {
  if (!sys || !line || !GVLogicAtLastSubStep(sys)) return 0;
  LogicProgram* prog = GVLogicProgram(sys, program);
  const int32_t index = GVLogicArgInt(prog, line, 0);
  LightRec* light = SceneLight(sys, index);
  if (!light) return 0;
  const uint32_t axes = GVLogicAxisMask(line);
  const float* v = LightVector(prog, line, 1);
  const bool matrix = line->argType[1] == static_cast<int32_t>(kLogicMat) && GVLogicMatVar(prog, line->argVar[1]);
  if (v && Finite(v)) {
    for (int k = 0; k < 3; ++k)
      if (axes & (2u << k)) light->position[k] = v[k];
  }
  if ((v && Finite(v)) || matrix) TellView(index);
  WritePosition(prog, line, light);
  return 0;
}

int32_t GVCmdDrawPart(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicCmdCtx c;
  if (!c.Open(sys, program, line) || !sys->ctx || !sys->ctx->workBlock || !GVLogicAtLastSubStep(sys)) return 0;
  if (c.sel != 0 && c.part != 0 && sys->ctx->workBlock->words[kDragWord] == 0 && sys->appCB)
    sys->appCB(3, 0, c.sel, c.part, nullptr);
  return 0;
}

void GVBuildCameraCmds(LogicSystem* sys) {
  LogicCmd* c = GVLogicBeginCategory(sys, kLogicCamera, kCamCount);
  if (!c) return;
  constexpr uint32_t kLight = kLogicQualLight | kLogicIntConst;
  constexpr uint32_t kGeo = kLogicQualGeo | kLogicIntConst;
  constexpr uint32_t kOptF = kLogicNone | kLogicFloat;
  constexpr uint32_t kOptFc = kOptF | kLogicFloatConst;
  constexpr uint32_t kOptFv = kOptF | kLogicVec;
  constexpr uint32_t kPlace = kLogicNone | kLogicVec | kLogicMat | kLogicAxes;
  static const LogicCmdRow kRows[kCamCount] = {
      {"CAM_POI_FIX", "cmd_NOTIMP", 0, 0, GVNoOp, kLogicNone | kLogicPP, {kLogicNone | kLogicIntConst, 1, 1, 1, 1}},
      {"CAM_POI", "cmd_NOTIMP", 6, 0, GVNoOp, kOptFv, {kOptFv | kLogicFloatConst, 1, 1, 1, 1}},
      {"CAM_POS", "cmd_NOTIMP", 6, 0, GVNoOp, kOptFv, {kOptFv | kLogicFloatConst, 1, 1, 1, 1}},
      {"CAM_PANd", "cmd_NOTIMP", 4, 0, GVNoOp, kOptF, {kOptFc, 1, 1, 1, 1}},
      {"CAM_TILTd", "cmd_NOTIMP", 4, 0, GVNoOp, kOptF, {kOptFc, 1, 1, 1, 1}},
      {"CAM_UP", "cmd_NOTIMP", 4, 0, GVNoOp, kOptF, {kOptFc, 1, 1, 1, 1}},
      {"CAM_TRACK", "cmd_NOTIMP", 4, 0, GVNoOp, kOptF, {kOptFc, 1, 1, 1, 1}},
      {"CAM_POI_DIST", "cmd_NOTIMP", 4, 0, GVNoOp, kOptF, {kOptFc, 1, 1, 1, 1}},
      {"CAM_ZOOMd", "cmd_NOTIMP", 0, 0, GVCmdCamZoom, kOptF,
       {kOptFc | kLogicInt | kLogicIntConst, 1, 1, 1, 1}},
      {"LIGHTatGEO", "", 6, 0, GVCmdLightAtGeo, kPlace, {kLight, kGeo, kPlace | kLogicFloat | kLogicFloatConst, 1, 1}},
      {"LIGHT_POS", "", 6, 0, GVCmdLightPos, kPlace, {kLight, kPlace, 1, 1, 1}},
  };
  // Every command but the first has the infix; only the light commands pick
  // their constants.
  GVLogicFillCmds(c, kRows, kCamCount, kCamPoi, kCamLightAtGeo);
}

void GVBuildDrawingCmds(LogicSystem* sys) {
  LogicCmd* c = GVLogicBeginCategory(sys, kLogicDrawing, 1);
  if (!c) return;
  static const LogicCmdRow kRow = {
      "DRAW_HPART", "cmd_drwpart", 0, 0, GVCmdDrawPart, kLogicNone,
      {kLogicQualJel | kLogicIntConst, kLogicQualPart | kLogicIntConst, 1, 1, 1}};
  GVLogicFillCmds(c, &kRow, 1, 0, 0);
}
