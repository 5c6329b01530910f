// A logic store over an empty world, with helpers that append lines to the
// main program, and a counting command put in place of the DRAWING category.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

#include "dynamics/world.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "scene/scene_context.h"

class HObject;
struct GObject;

// One argument slot: type and, by type, the variable index or the constant.
struct Arg {
  int32_t type = 0;
  int32_t var = 0;
  int32_t i = 0;
  float f = 0.0f;
};
inline Arg PP(int32_t k) { return {static_cast<int32_t>(kLogicPP), k}; }
inline Arg IVar(int32_t k) { return {static_cast<int32_t>(kLogicInt), k}; }
inline Arg FVar(int32_t k) { return {static_cast<int32_t>(kLogicFloat), k}; }
inline Arg IConst(int32_t v) { return {static_cast<int32_t>(kLogicIntConst), 0, v}; }
inline Arg FConst(float v) { return {static_cast<int32_t>(kLogicFloatConst), 0, 0, v}; }
inline Arg VVar(int32_t k) { return {static_cast<int32_t>(kLogicVec), k}; }
inline Arg MVar(int32_t k) { return {static_cast<int32_t>(kLogicMat), k}; }
inline Arg AxVar(int32_t k) { return {static_cast<int32_t>(kLogicAxes), k}; }

// Appends a line to the system's program 1 after `after` (null: the first).
LogicLine* AppendLine(LogicSystem* sys, LogicLine* after, int32_t cat, int32_t cmd, Arg result,
                      std::initializer_list<Arg> args, uint32_t flags = 0);

// The counting command: adds 1 to the i variable of its result slot and
// counts its calls in LogicStore::calls.
constexpr int32_t kCountCat = kLogicDrawing;

struct LogicStore {
  LogicStore();
  ~LogicStore();
  LogicStore(const LogicStore&) = delete;
  LogicStore& operator=(const LogicStore&) = delete;

  // Appends a line to program 1.
  LogicLine* Add(int32_t cat, int32_t cmd, Arg result = {}, std::initializer_list<Arg> args = {},
                 uint32_t flags = 0);
  LogicLine* Count(int32_t var) { return Add(kCountCat, 0, IVar(var)); }
  LogicProgram& Main() { return sys.programs[1]; }
  // Runs program 1 once as frame `frame`, outside sub-stepping.
  void RunAt(int32_t frame);
  // A block of one unit cell (or cx x cy x cz) with its lowest corner at
  // (x, y, z) under a constant acceleration fy, added to the world.
  HObject* AddJel(int32_t id, float x, float y, float z, float fy, int cx = 1, int cy = 1, int cz = 1);
  // Runs the world from frame 0 to `last` on the world runner alone, the
  // program once per sub-step; `each` is called after every frame.
  void Play(int32_t last, const std::function<void()>& each = {});

  HWorld world;
  HWorld* worldCell = &world;
  SceneCtx ctx;
  LogicSystem sys;
  LogicLine* last = nullptr;
  int calls = 0;
};

// The store whose counting command was last called.
LogicStore* CountingStore();

// The whole program started headless (scene records, logic store, frame
// driver), with lines appended to its main program; shut down on destruction.
struct LogicScene {
  LogicScene();
  ~LogicScene();
  LogicScene(const LogicScene&) = delete;
  LogicScene& operator=(const LogicScene&) = delete;

  // A block of cx x cy x cz unit cells with its lowest corner at (x, y, z),
  // under a constant acceleration fy; added to the scene and brought to frame 0.
  HObject* AddJel(int32_t id, int cx, int cy, int cz, float x, float y, float z, float fy);
  LogicLine* Add(int32_t cat, int32_t cmd, Arg result = {}, std::initializer_list<Arg> args = {},
                 uint32_t flags = 0);
  // A small box Geo (group 1) with this id, its frame slot at `at`, added to
  // the scene.
  GObject* AddGeo(int32_t id, const float at[3]);
  LogicProgram& Main();
  HWorld* World();
  // From frame 0 restarts the run at 0, then plays frame after frame the way
  // the message loop advances, up to `frame`.
  void PlayTo(int32_t frame);

  LogicSystem* sys = nullptr;
  LogicLine* last = nullptr;
};
