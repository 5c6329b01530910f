// Element-order tables and the stored forms of a frame store: a 10 000-node
// store's node records are 720 000 words per slot.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "jel/chan_data.h"
#include "jel/element_order.h"
#include "records/file_version.h"

namespace {

void BM_OrderTable(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  std::vector<int32_t> table(static_cast<size_t>(n) + 1);
  for (auto _ : state) {
    GVMakeOrderTable(table.data(), n, 4);
    benchmark::DoNotOptimize(table.data());
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_OrderTable)->RangeMultiplier(8)->Range(1 << 12, 1 << 21)->Complexity()->Unit(benchmark::kMillisecond);

void BM_FrameStoreFileRoundTrip(benchmark::State& state) {
  GVSetFileVersion(4);
  const int32_t nodes = 10000;
  ChanData* cd = GVNewChanData(nodes);
  GVAllocChannels(cd, kChanStateRec | kChanNodeRec | kChanMatter, 3);
  for (int k = 0; k <= 3; ++k) GVAllocChannelFrame(cd, kChanStateRec | kChanNodeRec | kChanMatter, k);
  for (auto _ : state) {
    FILE* f = std::tmpfile();
    GVWriteChanData(cd, f, kChanHeaderFull);
    std::rewind(f);
    ChanData* back = GVNewChanData(nodes);
    benchmark::DoNotOptimize(GVReadChanData(back, f, kChanHeaderFull));
    GVFreeChanData(back);
    std::fclose(f);
  }
  GVFreeChanData(cd);
}
BENCHMARK(BM_FrameStoreFileRoundTrip)->Unit(benchmark::kMillisecond);

}  // namespace
