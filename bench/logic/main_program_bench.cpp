// Lines executed per second by the interpreter on two main programs of about
// 300 lines: IF regions holding chained comparisons and truth-value lines
// with a LOOP of 5 passes around a block of comparisons; and computing lines
// (sums, products, quotients, random draws, pulses, trigonometry, norms and
// frame transforms) over every variable kind.
#include <benchmark/benchmark.h>

#include "dynamics/world.h"
#include "logic/arithmetic_cmds.h"
#include "logic/control_logic_cmds.h"
#include "logic/interpreter.h"
#include "logic/logic_store.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "logic/trig_vector_cmds.h"
#include "scene/scene_context.h"

namespace {

struct Program {
  HWorld world;
  HWorld* cell = &world;
  SceneCtx ctx;
  LogicSystem sys;
  LogicLine* last = nullptr;

  Program() {
    ctx.world = &cell;
    world.owner = &cell;
    world.params.currentFrame = 7;
    GVInitLogicStore(&sys, &ctx);
  }
  ~Program() { GVFreeLogic(&sys); }

  LogicLine* Add(int32_t cat, int32_t cmd, int32_t rtype = 0, int32_t rvar = 0) {
    last = GVLogicInsertLineAfter(&sys, 1, last);
    last->category = cat;
    last->command = cmd;
    last->resultType = rtype;
    last->resultVar = rvar;
    return last;
  }
  void Arg(int32_t a, int32_t type, int32_t var, int32_t i = 0, float f = 0.0f) {
    last->argType[a] = type;
    last->argVar[a] = var;
    last->argInt[a] = i;
    last->argFloat[a] = f;
  }
  // A comparison i k < f k <= 2.5 (and a truth line) into PP p.
  void Compare(int32_t k, int32_t p) {
    Add(kLogicLogic, kLogLess + k % 4, kLogicPP, p);
    Arg(0, kLogicInt, 1 + k % 9);
    Arg(1, kLogicFloat, 1 + (k + 3) % 9);
    Arg(2, kLogicFloatConst, 0, 0, 2.5f);
    Add(kLogicLogic, k % 2 ? kLogAnd : kLogOr, kLogicPP, 1 + (p + 1) % 9);
    Arg(0, kLogicPP, p);
    Arg(1, kLogicPP, 1 + (p + 2) % 9);
  }
};

void BuildProgram(Program& s) {
  LogicProgram& p = s.sys.programs[1];
  for (int32_t k = 1; k < 10; ++k) {
    p.i[k] = k - 4;
    p.f[k] = 0.75f * k - 3.0f;
  }
  for (int32_t r = 0; r < 10; ++r) {  // ten IF regions of 22 lines
    s.Add(kLogicLogic, kLogEqual, kLogicPP, 1 + r % 9);
    s.Arg(0, kLogicInt, 1 + r % 9);
    s.Arg(1, kLogicIntConst, 0, r % 3 - 1);
    s.Add(kLogicControl, r % 2 ? kCtlIfNot : kCtlIf);
    s.Arg(0, kLogicPP, 1 + r % 9);
    for (int32_t k = 0; k < 9; ++k) s.Compare(r + k, 1 + (r + k) % 9);
    s.Add(kLogicControl, kCtlEndIf);
  }
  s.Add(kLogicControl, kCtlLoop);
  s.Arg(0, kLogicIntConst, 0, 5);
  for (int32_t k = 0; k < 30; ++k) s.Compare(k, 1 + k % 9);
  s.Add(kLogicControl, kCtlEndLoop);
  for (int32_t k = 0; k < 28; ++k) {
    s.Add(kLogicLogic, kLogNot, kLogicPP, 1 + k % 9);
    s.Arg(0, kLogicPP, 1 + (k + 4) % 9);
  }
}

// Thirty rounds of ten computing lines.
void BuildComputingProgram(Program& s) {
  LogicProgram& p = s.sys.programs[1];
  for (int32_t k = 1; k < 10; ++k) {
    p.i[k] = k - 4;
    p.f[k] = 0.75f * k - 3.0f;
    for (int32_t c = 0; c < 3; ++c) p.v[k][c] = 0.5f * k + c;
  }
  for (int32_t r = 0; r < 30; ++r) {
    const int32_t a = 1 + r % 9, b = 1 + (r + 4) % 9;
    s.Add(kLogicArithmetic, kArAdd, kLogicFloat, a);
    s.Arg(0, kLogicFloat, b);
    s.Arg(1, kLogicInt, a);
    s.Arg(2, kLogicFloatConst, 0, 0, 0.25f);
    s.Add(kLogicArithmetic, kArMul, kLogicInt, a);
    s.Arg(0, kLogicInt, b);
    s.Arg(1, kLogicIntConst, 0, 3);
    s.Add(kLogicArithmetic, kArDiv, kLogicVec, a);
    s.Arg(0, kLogicVec, b);
    s.Arg(1, kLogicFloat, a);
    s.Add(kLogicArithmetic, kArMul, kLogicVec, b);
    s.Arg(0, kLogicVec, a);
    s.Arg(1, kLogicVec, 1 + (r + 2) % 9);
    s.Add(kLogicArithmetic, kArRandom, kLogicFloat, b);
    s.Arg(0, kLogicInt, a);
    s.Add(kLogicArithmetic, kArPulseSaw, kLogicFloat, a);
    s.Arg(0, kLogicIntConst, 0, 10 + r);
    s.Arg(1, kLogicIntConst, 0, 5);
    s.Arg(2, kLogicFloatConst, 0, 0, 20.0f);
    s.Add(kLogicTrig, kTrigCos, kLogicFloat, b);
    s.Arg(0, kLogicFloat, a);
    s.Add(kLogicVector, kVecNorm, kLogicVec, 1 + (r + 6) % 9);
    s.Arg(0, kLogicVec, a);
    s.Add(kLogicVector, kVecRotMtx, kLogicMat, a);
    s.Arg(0, kLogicVec, b);
    s.Add(kLogicVector, kVecLocalToWorld, kLogicVec, b);
    s.Arg(0, kLogicVec, a);
    s.Arg(1, kLogicAxes, a);
  }
}

int64_t gVisits = 0;
int32_t CountVisit(int32_t, int32_t, int32_t, int32_t, void*) {
  ++gVisits;
  return 0;
}

void RunMainLogic(benchmark::State& state, void (*build)(Program&)) {
  Program s;
  build(s);
  int64_t lines = 0;
  for (LogicLine* l = s.sys.programs[1].first; l; l = l->next) ++lines;
  // Lines visited by one run, loop passes included, counted through the reports.
  s.sys.appCB = CountVisit;
  gVisits = 0;
  GVRunMainLogic(&s.sys, &s.cell);
  const int64_t visits = gVisits;
  s.sys.appCB = nullptr;
  for (auto _ : state) GVRunMainLogic(&s.sys, &s.cell);
  state.SetItemsProcessed(state.iterations() * visits);
  state.counters["program_lines"] = static_cast<double>(lines);
  state.counters["lines_per_run"] = static_cast<double>(visits);
}
void BM_RunMainLogic(benchmark::State& state) { RunMainLogic(state, BuildProgram); }
BENCHMARK(BM_RunMainLogic);
void BM_RunComputingLines(benchmark::State& state) { RunMainLogic(state, BuildComputingProgram); }
BENCHMARK(BM_RunComputingLines);

}  // namespace
