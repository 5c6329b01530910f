#include "logic/logic_system.h"

#include <new>

#include "logic/arithmetic_cmds.h"
#include "logic/camera_cmds.h"
#include "logic/control_logic_cmds.h"
#include "logic/dyn1_cmds.h"
#include "logic/dyn2_cmds.h"
#include "logic/effects_cmds.h"
#include "logic/program_store.h"
#include "logic/props_cmds.h"
#include "logic/trig_vector_cmds.h"
#include "scene/frame_driver.h"
#include "scene/scene_context.h"

static const char* const kCategoryNames[kLogicCategories] = {
    "CONTROL", "LOGIC", "ARITHMETIC", "TRIG", "VECTOR", "HPROPS",
    "HDYN_1", "HDYN_2", "CAMERA", "DRAWING", "EFFECTS"};

// The builders in catalogue order.
using CategoryBuilder = void (*)(LogicSystem* sys);
static const CategoryBuilder kBuilders[kLogicCategories] = {
    GVBuildControlCmds,
    GVBuildLogicCmds,
    GVBuildArithmeticCmds,
    GVBuildTrigCmds,
    GVBuildVectorCmds,
    GVBuildPropsCmds,
    GVBuildDyn1Cmds,
    GVBuildDyn2Cmds,
    GVBuildCameraCmds,
    GVBuildDrawingCmds,
    GVBuildEffectsCmds,
};

const char* GVLogicCategoryName(int32_t category) {
  return category >= 0 && category < kLogicCategories ? kCategoryNames[category] : "";
}

void GVInitLogic(SceneCtx* ctx, LogicSystem* sys) {
  if (!sys) return;
  sys->ctx = ctx;
  if (!ctx) return;
  sys->appCB = GVLogicAppCB;
  sys->programCount = ctx->programCount;
  sys->highestCategory = kLogicCategories - 1;
  sys->storedWord = 0;
  sys->geoList = ctx->geoList;
  sys->world = ctx->world;
  sys->categories = new (std::nothrow) LogicCategory[kLogicCategories]();
  if (sys->categories)
    for (int32_t c = 0; c < kLogicCategories; ++c) {
      sys->categories[c].name = kCategoryNames[c];
      sys->categories[c].highest = -1;
      if (kBuilders[c]) kBuilders[c](sys);
    }
  GVInitLogicPrograms(sys, ctx->programCount);
}

void GVFreeLogic(LogicSystem* sys) {
  if (!sys) return;
  GVLogicFreeLines(sys);
  if (sys->categories) {
    for (int32_t c = 0; c < kLogicCategories; ++c) delete[] sys->categories[c].cmds;
    delete[] sys->categories;
    sys->categories = nullptr;
  }
}

void GVZeroCmdRecord(LogicCmd* cmd) {
  if (cmd) *cmd = LogicCmd{};
}

void GVInitCmdRecord(int32_t category, LogicSystem* sys, int32_t command) {
  if (!sys || !sys->categories || category < 0 || category >= kLogicCategories) return;
  LogicCategory& cat = sys->categories[category];
  if (!cat.cmds || command < 0 || command > cat.highest) return;
  LogicCmd& c = cat.cmds[command];
  c = LogicCmd{};
  c.prefix = c.name = c.infix = c.key = "";
  c.resultMask = kLogicNone;
  for (uint32_t& m : c.argMask) m = kLogicNone;
}

LogicCmd* GVLogicBeginCategory(LogicSystem* sys, int32_t category, int32_t count) {
  if (!sys || !sys->categories || category < 0 || category >= kLogicCategories || count < 1) return nullptr;
  LogicCategory& cat = sys->categories[category];
  delete[] cat.cmds;
  cat.name = kCategoryNames[category];
  cat.cmds = new (std::nothrow) LogicCmd[count]();
  cat.highest = cat.cmds ? count - 1 : -1;
  for (int32_t k = 0; k <= cat.highest; ++k) GVInitCmdRecord(category, sys, k);
  return cat.cmds;
}

const LogicCmd* GVLogicLineCmd(const LogicSystem* sys, const LogicLine* line) {
  if (!sys || !sys->categories || !line) return nullptr;
  const int32_t c = line->category;
  if (c < 0 || c >= kLogicCategories || c > sys->highestCategory) return nullptr;
  const LogicCategory& cat = sys->categories[c];
  if (!cat.cmds || line->command < 0 || line->command > cat.highest) return nullptr;
  return &cat.cmds[line->command];
}
