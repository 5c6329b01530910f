// A small pool of worker threads for the per-node passes of the time step and
// the per-Jel work of a world.
//
// run(count, fn) calls fn(k) once for every k in [0, count) and returns when
// all calls are done. The calling thread takes part, so a task may itself call
// run() (a world runs its Jels on the pool and each Jel's passes run on it
// again). Callers that add up results keep one partial per k and fold the
// partials in k order afterwards, so the sums never depend on the thread
// count.
//
// Each thread first takes the tasks of its own contiguous share of [0,
// count), in order; the share depends only on the count and the thread's
// place in the pool, so the passes of a step that follow each other give
// every thread the same nodes (still in its core's cache) again. A thread
// done with its share takes the last tasks of other shares.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

class WorkerPool {
 public:
  // threads counts the calling thread: 1 (or less) starts no worker at all
  // and every run() is a plain loop on the caller.
  explicit WorkerPool(int32_t threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int32_t threads() const { return static_cast<int32_t>(workers_.size()) + 1; }

  template <class F>
  void run(int32_t count, F&& fn) {
    using Fn = std::remove_reference_t<F>;
    runTasks(count, [](void* f, int32_t k) { (*static_cast<Fn*>(f))(k); }, const_cast<void*>(static_cast<const void*>(&fn)));
  }

  using Task = void (*)(void* ctx, int32_t k);

  // Shares a job is split into at most; with more threads than that, threads
  // whose places differ by a multiple of it take from the same share.
  static constexpr int32_t kMaxShares = 16;

 private:
  struct Job;

  void runTasks(int32_t count, Task task, void* ctx);
  // Joins one open job with unclaimed tasks and runs them; false when there
  // is none.
  bool helpOnce(int32_t place);
  void workerLoop(int32_t place);
  // The calling thread's place: k for worker k, 0 for any other thread.
  int32_t place() const;

  // Jobs in flight use the pool's own records, so a thread may look at a
  // record at any time without a lock; a record's generation tells a thread
  // that joined late that the job it saw is gone. Bit d of free_ / open_:
  // record d is unused / taking helpers.
  static constexpr int32_t kJobRecords = 64;
  std::unique_ptr<Job[]> jobs_;
  std::atomic<uint64_t> free_{~uint64_t{0}};
  std::atomic<uint64_t> open_{0};
  std::atomic<uint64_t> posted_{0};  // jobs ever opened: what idle workers watch
  std::atomic<int32_t> sleepers_{0};
  std::atomic<bool> stop_{false};
  std::mutex mutex_;  // only for going to sleep and waking up
  std::condition_variable wake_;
  std::vector<std::thread> workers_;
  std::vector<std::thread::id> ids_;  // ids_[k - 1]: worker k
};

// fn(k) for every k in [0, count): on the pool when there is one, else in
// order on the caller.
template <class F>
void GVRunTasks(WorkerPool* pool, int32_t count, F&& fn) {
  if (pool) {
    pool->run(count, fn);
    return;
  }
  for (int32_t k = 0; k < count; ++k) fn(k);
}

// body(first, last) for items 1..count in pieces of at most piece items
// (first..last inclusive), side by side on the pool when there is one and more
// than one piece, else as one piece on the caller. Each item belongs to one
// piece, so a body that writes only its own items gives one thread's result.
template <class F>
void GVRunInPieces(WorkerPool* pool, int32_t count, int32_t piece, F&& body) {
  if (count < 1) return;
  const int32_t pieces = (count - 1) / piece + 1;
  if (!pool || pieces < 2) {
    body(1, count);
    return;
  }
  pool->run(pieces, [&](int32_t k) {
    const int32_t first = 1 + k * piece;
    body(first, count - first < piece ? count : first + piece - 1);
  });
}

// The machine's core count (at least 1): the default thread count of a world.
int32_t GVDefaultThreadCount();
