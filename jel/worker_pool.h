// A small pool of worker threads for the per-node passes of the time step and
// the per-Jel work of a world.
//
// run(count, fn) calls fn(k) once for every k in [0, count) and returns when
// all calls are done. The calling thread takes part, so a task may itself call
// run() (a world runs its Jels on the pool and each Jel's passes run on it
// again). Which thread runs which k is not fixed: callers that add up results
// keep one partial per k and fold the partials in k order afterwards, so the
// sums never depend on the thread count.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
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

 private:
  struct Job;

  void runTasks(int32_t count, Task task, void* ctx);
  // Runs one unclaimed task of any queued job; false when there is none.
  bool helpOnce(std::unique_lock<std::mutex>& lock);
  void workerLoop();

  std::mutex mutex_;
  std::condition_variable wake_;
  Job* jobs_ = nullptr;  // queued jobs, newest first
  std::atomic<uint64_t> posted_{0};  // jobs ever queued, watched without the mutex
  int32_t sleepers_ = 0;
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

// The machine's core count (at least 1): the default thread count of a world.
int32_t GVDefaultThreadCount();
