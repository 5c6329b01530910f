#include "logic/logic_store.h"

#include "logic/interpreter.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

LogicSystem* GVInitLogicStore(LogicSystem* rec, SceneCtx* ctx) {
  if (!rec) return rec;
  *rec = LogicSystem{};
  rec->minSubSteps = 1;
  rec->word14 = 1;
  GVInitLogic(ctx, rec);
  return rec;
}

void GVFreeLogicStore(LogicSystem* rec) { GVFreeLogic(rec); }

static void RunMainLogic(HWorld** world) { GVRunMainLogic(GVScene().logic, world); }

static int32_t LogicMinSubsteps() {
  const LogicSystem* sys = GVScene().logic;
  return sys ? sys->minSubSteps : 1;
}

static int32_t LogicLineExists(int32_t program, int32_t line) {
  return GVLogicGetLine(GVScene().logic, program, line) ? 1 : 0;
}

void GVInstallLogicServices() {
  SceneServices sv = GVSceneServices();
  sv.runMainLogic = RunMainLogic;
  sv.logicMinSubsteps = LogicMinSubsteps;
  sv.logicLineExists = LogicLineExists;
  GVSetSceneServices(sv);
}

void GVRemoveLogicServices() {
  SceneServices sv = GVSceneServices();
  sv.runMainLogic = nullptr;
  sv.logicMinSubsteps = nullptr;
  sv.logicLineExists = nullptr;
  GVSetSceneServices(sv);
}
