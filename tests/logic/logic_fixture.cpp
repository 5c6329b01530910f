#include "logic_fixture.h"

#include "logic/interpreter.h"
#include "logic/logic_store.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world_runner.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_transform.h"
#include "jel/jel_object.h"
#include "scene/app_lifecycle.h"
#include "scene/frame_driver.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

static LogicStore* gCounting = nullptr;
LogicStore* CountingStore() { return gCounting; }

static int32_t CountCmd(int32_t program, LogicLine* line, LogicSystem* sys) {
  if (gCounting) ++gCounting->calls;
  if (int32_t* v = GVLogicIntVar(GVLogicProgram(sys, program), line->resultVar)) ++*v;
  return 0;
}

LogicStore::LogicStore() {
  world.owner = &worldCell;
  ctx.world = &worldCell;
  GVInitLogicStore(&sys, &ctx);
  if (LogicCmd* c = GVLogicBeginCategory(&sys, kCountCat, 1)) {
    c->name = "COUNT";
    c->fn = CountCmd;
  }
  gCounting = this;
}

LogicStore::~LogicStore() {
  GVFreeLogic(&sys);
  if (gCounting == this) gCounting = nullptr;
}

LogicLine* LogicStore::Add(int32_t cat, int32_t cmd, Arg result, std::initializer_list<Arg> args,
                           uint32_t flags) {
  return last = AppendLine(&sys, last, cat, cmd, result, args, flags);
}

LogicLine* AppendLine(LogicSystem* sys, LogicLine* after, int32_t cat, int32_t cmd, Arg result,
                      std::initializer_list<Arg> args, uint32_t flags) {
  LogicLine* l = GVLogicInsertLineAfter(sys, 1, after);
  l->flags = flags;
  l->category = cat;
  l->command = cmd;
  l->resultType = result.type;
  l->resultVar = result.var;
  int32_t a = 0;
  for (const Arg& x : args) {
    l->argType[a] = x.type;
    l->argVar[a] = x.var;
    l->argInt[a] = x.i;
    l->argFloat[a] = x.f;
    ++a;
  }
  return l;
}

HObject* LogicStore::AddJel(int32_t id, float x, float y, float z, float fy, int cx, int cy, int cz) {
  const float corner[3] = {x, y, z};
  HObject* jel = MakeDropJel(cx, cy, cz, 1.0f, corner, id, fy);
  GVAddJel(&world, jel);
  return jel;
}

static int32_t RunLogicCB(void* owner, int32_t selection, void* user) {
  LogicSystem* sys = static_cast<LogicSystem*>(user);
  if (!owner) return selection ? 1 : sys->minSubSteps;
  GVRunMainLogic(sys, static_cast<HWorld**>(owner));
  return 1;
}

void LogicStore::Play(int32_t last, const std::function<void()>& each) {
  world.owner = &worldCell;
  world.callbackUser = &sys;
  for (int32_t f = 0; f <= last; ++f) {
    GVAdvanceToFrame(&world, f, RunLogicCB, nullptr);
    if (each) each();
  }
}

void LogicStore::RunAt(int32_t frame) {
  world.params.currentFrame = frame;
  world.params.stepping = 0;
  GVRunMainLogic(&sys, &worldCell);
}

LogicScene::LogicScene() {
  GVSetSceneServices(SceneServices());
  GVAppStartup();
  sys = GVScene().logic;
}

LogicScene::~LogicScene() {
  GVAppShutdown();
  GVSetSceneServices(SceneServices());
  GVFrameClock() = FrameClock();
}

HObject* LogicScene::AddJel(int32_t id, int cx, int cy, int cz, float x, float y, float z, float fy) {
  const float corner[3] = {x, y, z};
  HObject* jel = MakeDropJel(cx, cy, cz, 1.0f, corner, id, fy);
  jel->handle = new HObject*(jel);
  GVAddJelToScene(GVScene().world, jel->handle);
  GVStepFrame(0, 1);
  return jel;
}

LogicLine* LogicScene::Add(int32_t cat, int32_t cmd, Arg result, std::initializer_list<Arg> args, uint32_t flags) {
  return last = AppendLine(sys, last, cat, cmd, result, args, flags);
}

GObject* LogicScene::AddGeo(int32_t id, const float at[3]) {
  GObject* geo = geotest::makeGeo(id, "Geo", geotest::boxCorners({-0.2f, -0.2f, -0.2f}, {0.2f, 0.2f, 0.2f}),
                                  geotest::boxTriangles());
  geo->groupMask = 2;
  GVSetGeoTransform(geo, GEO_SEL_FRAME, at, nullptr, nullptr, 0.0f);
  ObjHandle* cell = new ObjHandle;
  cell->object = geo;
  geo->handle = cell;
  GVAddGeoToScene(GVScene().geoList, cell);
  return geo;
}

LogicProgram& LogicScene::Main() { return sys->programs[1]; }
HWorld* LogicScene::World() { return *GVScene().world; }

void LogicScene::PlayTo(int32_t frame) {
  // A run starts by bringing the scene to frame 0, which runs the program once.
  if (GVFrameClock().currentFrame == 0) GVStepFrame(0, 1);
  while (GVFrameClock().currentFrame < frame) GVAdvanceFrame();
}
