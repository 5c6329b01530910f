#include "jel/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Counts the calls of every k; true when each came exactly once.
struct Tally {
  explicit Tally(int32_t n) : calls(new std::atomic<int32_t>[n > 0 ? n : 1]()), count(n) {}
  void hit(int32_t k) { calls[k].fetch_add(1); }
  bool once() const {
    for (int32_t k = 0; k < count; ++k)
      if (calls[k].load() != 1) return false;
    return true;
  }
  std::unique_ptr<std::atomic<int32_t>[]> calls;
  int32_t count;
};

}  // namespace

TEST(WorkerPool, RunsEveryTaskExactlyOnce) {
  // Thread counts below, at and above the share limit; counts shorter and
  // longer than the thread count.
  for (int32_t threads : {1, 2, 3, 4, 8, WorkerPool::kMaxShares + 3}) {
    WorkerPool pool(threads);
    for (int32_t count : {0, 1, 2, 3, 7, 135, 1000}) {
      for (int rep = 0; rep < 3; ++rep) {
        Tally t(count);
        pool.run(count, [&](int32_t k) { t.hit(k); });
        EXPECT_TRUE(t.once()) << threads << " threads, " << count << " tasks";
      }
    }
  }
}

TEST(WorkerPool, NestedRunsAndSeveralCallers) {
  WorkerPool pool(4);
  // Fewer outer tasks than threads, each splitting again; then more.
  for (int32_t outer : {3, 8}) {
    Tally t(outer * 50);
    pool.run(outer, [&](int32_t j) { pool.run(50, [&](int32_t k) { t.hit(j * 50 + k); }); });
    EXPECT_TRUE(t.once()) << outer;
  }
  // Nested deeper than the pool has job records: every level runs one leaf
  // and (but the last) one deeper level.
  Tally depth(80);
  std::atomic<int32_t> leaves{0};
  std::function<void(int32_t)> down = [&](int32_t level) {
    pool.run(2, [&, level](int32_t k) {
      if (k == 0 && level + 1 < 80) down(level + 1);
      if (k == 1) depth.hit(level);
      leaves.fetch_add(1);
    });
  };
  down(0);
  EXPECT_TRUE(depth.once());
  EXPECT_EQ(leaves.load(), 2 * 80);
  // Threads outside the pool calling run() at once.
  Tally a(2000), b(2000);
  std::thread other([&] {
    for (int32_t r = 0; r < 20; ++r) pool.run(100, [&](int32_t k) { a.hit(r * 100 + k); });
  });
  for (int32_t r = 0; r < 20; ++r) pool.run(100, [&](int32_t k) { b.hit(r * 100 + k); });
  other.join();
  EXPECT_TRUE(a.once());
  EXPECT_TRUE(b.once());
}
