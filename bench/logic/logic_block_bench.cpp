// Save and load speed of the item-stream logic block: a main program of 1000
// lines, every fourth with a comment, parsed from and put into a container in
// memory. Reports the block's bytes per second each way. And the load of a
// tagged block whose one line carries n FG points (10,000 to 100,000): the
// time per point must stay flat (linear load).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "logic/logic_persistence.h"
#include "logic/logic_store.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "records/file_version.h"
#include "records/item_stream.h"
#include "scene/scene_context.h"

namespace {

struct Store {
  SceneCtx ctx;
  LogicSystem sys{};
  Store() { GVInitLogicStore(&sys, &ctx); }
  ~Store() { GVFreeLogicStore(&sys); }
};

void Fill(LogicSystem* sys) {
  LogicLine* last = nullptr;
  for (int32_t k = 0; k < 1000; ++k) {
    last = GVLogicInsertLineAfter(sys, 1, last);
    last->category = kLogicLogic;
    last->command = k % 9;
    last->resultType = kLogicPP;
    last->resultVar = 1 + k % 9;
    last->argType[0] = kLogicFloatConst;
    last->argFloat[0] = 0.5f * k;
    if (k % 4 == 0) last->comment = strdup("wheel contact % test");
  }
}

void Rewind(ItemStream* s) { s->byteCount = s->intCount = s->floatCount = s->itemCount = 0; }

int64_t BlockBytes(const ItemStream& s) { return s.byteCount + 4 * int64_t{s.intCount} + 4 * int64_t{s.floatCount}; }

void Save(benchmark::State& state) {
  GVSetFileVersion(4);
  Store a;
  Fill(&a.sys);
  ItemStream s;
  GVCountLogicBlock(&a.sys, &s);
  const int64_t bytes = BlockBytes(s);
  GVItemStreamAlloc(&s);
  for (auto _ : state) {
    Rewind(&s);
    if (GVStoreLogicToWords(&a.sys, &s) != 1) std::abort();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  GVItemStreamReset(&s);
}

void Load(benchmark::State& state) {
  GVSetFileVersion(4);
  Store a, b;
  Fill(&a.sys);
  ItemStream s;
  GVCountLogicBlock(&a.sys, &s);
  const int64_t bytes = BlockBytes(s);
  GVItemStreamAlloc(&s);
  Rewind(&s);
  GVStoreLogicToWords(&a.sys, &s);
  for (auto _ : state) {
    Rewind(&s);
    if (GVGetLogicItem(&b.sys, &s) < 0) std::abort();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  GVItemStreamReset(&s);
}

// A tagged block, in a temporary file, whose one line holds n FG points.
void LoadFG(benchmark::State& state) {
  GVSetFileVersion(4);
  const int32_t n = static_cast<int32_t>(state.range(0));
  Store a, b;
  LogicLine* line = GVLogicInsertLineAfter(&a.sys, 1, nullptr);
  FGItem* last = nullptr;
  for (int32_t k = 0; k < n; ++k) last = GVLogicAppendFGItem(line, last, 3 * k, 0.5f * k, 0);
  FILE* f = std::tmpfile();
  if (!f || GVWriteLogicTagged(&a.sys, f, 1) != 1) std::abort();
  for (auto _ : state) {
    std::rewind(f);
    if (GVLoadLogic(&b.sys, f) < 0) std::abort();
  }
  std::fclose(f);
  state.SetItemsProcessed(state.iterations() * n);
  state.SetComplexityN(n);
}

}  // namespace

BENCHMARK(Save);
BENCHMARK(Load);
BENCHMARK(LoadFG)->Arg(10000)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
