// Turns bytes into a main program (any category and command, flags, slot
// types, variable indices, integer constants and float constants including
// NaN, infinities, +-1e30 and the int limits) and runs it for a few frames of
// a small world of two one-cell Jels, two Geos, two lights, scene bounds, a
// drag block and a pointer event every frame through the world runner, then
// removes every third line. Nothing may read or write outside the program's
// arrays. The frames and sub-steps are few, so that a run takes milliseconds.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/matter.h"
#include "logic/command_args.h"
#include "logic/interpreter.h"
#include "logic/logic_store.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "runner_scene.h"
#include "geo/geo_list_services.h"
#include "scene/light_list.h"
#include "scene/scene_context.h"

namespace {

constexpr int32_t kSubStepBudget = 8;
constexpr int32_t kFrames = 6;

struct Bytes {
  const uint8_t* p;
  size_t n;
  uint8_t Next() {
    if (!n) return 0;
    --n;
    return *p++;
  }
  int32_t Signed() { return static_cast<int8_t>(Next()); }
};

int32_t Type(Bytes& b) {
  static const int32_t kTypes[] = {0, 1, 2, 4, 8, 16, 32, 64, 128, 256};
  const uint8_t v = b.Next();
  return v < 240 ? kTypes[v % 10] : static_cast<int32_t>(v) << (v & 7);
}

int32_t IntConst(Bytes& b) {
  static const int32_t kInts[] = {0, 1, -1, 3, 1000, 5000, std::numeric_limits<int32_t>::max(),
                                  std::numeric_limits<int32_t>::min()};
  const uint8_t v = b.Next();
  return v < 64 ? kInts[v % 8] : static_cast<int8_t>(v);
}

float FloatConst(Bytes& b) {
  static const float kFloats[] = {0.0f, 1.0f, 3.0f, -2.5f, std::numeric_limits<float>::quiet_NaN(),
                                  1e30f, -1e30f, std::numeric_limits<float>::infinity()};
  const uint8_t v = b.Next();
  return v < 64 ? kFloats[v % 8] : static_cast<int8_t>(v) / 8.0f;
}

// Category mostly within the catalogue, sometimes anything.
int32_t Category(Bytes& b) {
  const uint8_t v = b.Next();
  return v < 200 ? v % 12 : static_cast<int8_t>(v) * 0x1000001;
}

int32_t FrameCB(void* owner, int32_t selection, void* user) {
  LogicSystem* sys = static_cast<LogicSystem*>(user);
  if (!owner) return selection ? 1 : sys->minSubSteps;
  GVRunMainLogic(sys, static_cast<HWorld**>(owner));
  return 1;
}

// Two Geos (ids 1 and 3; a Jel-bound one would need a mesh) for the Geo
// commands.
void AddGeos(ObjHandle* list) {
  GVNewGeoList(list);
  for (int32_t id : {1, 3}) {
    ObjHandle* cell = GVCreateGeo();
    if (!cell) continue;
    GVGeoOf(cell)->id = id;
    GVAddGeoToScene(list, cell);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes b{data, size};
  HWorld world;
  GVSetWorldThreads(&world, 1);  // one core, no pool to start per input
  HWorld* cell = &world;
  SceneCtx ctx;
  ctx.world = &cell;
  float bounds[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};
  ctx.sceneBounds = bounds;
  GlobalWorkBlock drag{};
  ctx.workBlock = &drag;
  ObjHandle geos;
  AddGeos(&geos);
  ctx.geoList = &geos;
  LightList lights{0, nullptr};
  GVNewLightList(&lights);
  GVAddLight(&lights);
  ctx.lights = &lights;
  SceneAuxRec talk{}, brow{};
  ctx.auxA = &talk;
  ctx.auxB = &brow;
  int32_t pointer[2] = {0, 0};
  ctx.viewPair = pointer;
  LogicSystem sys;
  GVInitLogicStore(&sys, &ctx);
  sys.minSubSteps = 1 + b.Next() % 3;
  world.owner = &cell;
  world.callbackUser = &sys;
  const float corner[3] = {-0.5f, 2.0f, -0.5f};
  GVAddJel(&world, MakeDropJel(1, 1, 1, 1.0f, corner, 1, -9.81f));
  const float above[3] = {-0.5f, 3.5f, -0.5f};
  GVAddJel(&world, MakeDropJel(1, 1, 1, 1.0f, above, 2, -9.81f));
  for (int32_t& w : drag.words) w = b.Signed() % 3;
  for (float& f : drag.floats) f = FloatConst(b);

  LogicProgram* main = GVLogicProgram(&sys, 1);
  main->topLine = b.Signed();
  LogicLine* last = nullptr;
  for (int k = 0; k < 48 && b.n; ++k) {
    LogicLine* l = GVLogicInsertLineAfter(&sys, 1, last);
    last = l;
    l->category = Category(b);
    l->command = b.Signed();
    l->flags = b.Next() | (b.Next() << 8) | (static_cast<uint32_t>(b.Next()) << 16);
    l->resultType = Type(b);
    l->resultVar = b.Signed();
    for (int a = 0; a < kLogicArgs; ++a) {
      l->argType[a] = Type(b);
      l->argVar[a] = b.Signed();
      l->argInt[a] = IntConst(b);
      l->argFloat[a] = FloatConst(b);
    }
  }

  // Matter commands may ask for many sub-steps per frame (stiff, slow
  // matter, up to the runner's bound); the run stops before a frame that needs
  // more than the fuzzing budget.
  // A pointer event every frame, with Jel 0, 1 or 2.
  for (int32_t f = 0; f <= kFrames && GVSubstepsPerFrame(&world) <= kSubStepBudget && sys.minSubSteps <= kSubStepBudget;
       ++f) {
    pointer[0] = 1;
    pointer[1] = f % 3;
    GVAdvanceToFrame(&world, f, FrameCB, nullptr);
  }

  int k = 0;
  for (LogicLine* l = main->first; l;) {
    LogicLine* next = l->next;
    if (++k % 3 == 0) GVLogicRemoveLine(&sys, l, 1);
    l = next;
  }
  GVRunMainLogic(&sys, &cell);
  GVFreeLogic(&sys);
  GVResetJelList(&world);
  GVDeleteGeoList(&geos);
  GVFreeLightListArray(&lights);
  delete[] talk.entries;
  delete[] brow.entries;
  return 0;
}
