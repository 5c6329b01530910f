// Arranging a form: a dialog-sized form whose rows refer to the row before
// (one pass), and the worst order, where each row refers to the next (one pass
// per row).
#include <benchmark/benchmark.h>

#include <vector>

#include "toolkit/form.h"

static void arrange(benchmark::State& state, bool forward) {
  const int rows = static_cast<int>(state.range(0));
  std::vector<GVChildWindowRec> recs(rows, GVChildWindowRec{nullptr, 0, 0, 120, 20});
  HwForm form(nullptr, 3);
  for (int i = 0; i < rows; i++) {
    GVChildWindowRec* rec = &recs[i];
    if (!forward) {
      // Below the row before, at its natural height.
      void* above = i > 0 ? &recs[i - 1] : nullptr;
      form.addDefinition(rec, 1, above ? 9 : 1, 4, above, 1, 2, 5, nullptr, 0, 3, 5, nullptr, 0, 20, 0, nullptr, 0);
    } else {
      // 20 high, its bottom 4 above the row after; the last row sits on the form's bottom.
      void* below = i + 1 < rows ? &recs[i + 1] : nullptr;
      form.addDefinition(rec, 1, below ? 18 : 5, below ? 20 : 24, nullptr, 0, 2, 5, nullptr, 0, 3, 5, nullptr, 0,
                         below ? 12 : 18, below ? 4 : 20, below, 1);
    }
  }
  form.resolveReferences();
  int size = 400;
  for (auto _ : state) {
    form.setSize(size, 30 * rows);
    size ^= 1;
    benchmark::DoNotOptimize(recs[0].x);
  }
  state.SetItemsProcessed(state.iterations() * rows);
}

static void BM_FormBackwardChain(benchmark::State& state) { arrange(state, false); }
static void BM_FormForwardChain(benchmark::State& state) { arrange(state, true); }
BENCHMARK(BM_FormBackwardChain)->Arg(16)->Arg(64);
BENCHMARK(BM_FormForwardChain)->Arg(16)->Arg(64);
