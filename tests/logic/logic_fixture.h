// A logic store over an empty world, with helpers that append lines to the
// main program, and a counting command put into the still empty DRAWING slot.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "dynamics/world.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "scene/scene_context.h"

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
inline Arg VVar(int32_t k) { return {static_cast<int32_t>(kLogicVec), k}; }
inline Arg MVar(int32_t k) { return {static_cast<int32_t>(kLogicMat), k}; }
inline Arg AxVar(int32_t k) { return {static_cast<int32_t>(kLogicAxes), k}; }
inline Arg IConst(int32_t v) { return {static_cast<int32_t>(kLogicIntConst), 0, v}; }
inline Arg FConst(float v) { return {static_cast<int32_t>(kLogicFloatConst), 0, 0, v}; }

// Appends a line after `after` (null: into an empty program) in program 1.
LogicLine* AppendLine(LogicSystem* sys, LogicLine* after, int32_t cat, int32_t cmd, Arg result,
                      std::initializer_list<Arg> args);

// The counting command: adds 1 to the i variable of its result slot and
// counts its calls in LogicStore::calls.
constexpr int32_t kCountCat = kLogicDrawing;

struct LogicStore {
  LogicStore();
  ~LogicStore();
  LogicStore(const LogicStore&) = delete;
  LogicStore& operator=(const LogicStore&) = delete;

  // Appends a line to program 1.
  LogicLine* Add(int32_t cat, int32_t cmd, Arg result = {}, std::initializer_list<Arg> args = {});
  LogicLine* Count(int32_t var) { return Add(kCountCat, 0, IVar(var)); }
  LogicProgram& Main() { return sys.programs[1]; }
  // Runs program 1 once as frame `frame`, outside sub-stepping.
  void RunAt(int32_t frame);

  HWorld world;
  HWorld* worldCell = &world;
  SceneCtx ctx;
  LogicSystem sys;
  LogicLine* last = nullptr;
  int calls = 0;
};

// The store whose counting command was last called.
LogicStore* CountingStore();
