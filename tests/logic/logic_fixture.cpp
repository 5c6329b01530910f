#include "logic_fixture.h"

#include "logic/interpreter.h"
#include "logic/logic_store.h"

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

LogicLine* AppendLine(LogicSystem* sys, LogicLine* after, int32_t cat, int32_t cmd, Arg result,
                      std::initializer_list<Arg> args) {
  LogicLine* l = GVLogicInsertLineAfter(sys, 1, after);
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

LogicLine* LogicStore::Add(int32_t cat, int32_t cmd, Arg result, std::initializer_list<Arg> args) {
  return last = AppendLine(&sys, last, cat, cmd, result, args);
}

void LogicStore::RunAt(int32_t frame) {
  world.params.currentFrame = frame;
  world.params.stepping = 0;
  GVRunMainLogic(&sys, &worldCell);
}
