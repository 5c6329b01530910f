#include "jel/worker_pool.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

// A job lives on the stack of the thread that called run(). Threads join a
// job under the mutex while it is queued and then claim its tasks with an
// atomic counter, so the mutex is taken once per thread and job, not per
// task. The owner takes the job off the queue once its tasks are all claimed
// and returns when no other thread is inside it any more.
struct WorkerPool::Job {
  Task task;
  void* ctx;
  int32_t count;
  std::atomic<int32_t> next{0};
  std::atomic<int32_t> users{0};  // other threads inside the job
  Job* link = nullptr;
};

namespace {

void pause() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#endif
}

}  // namespace

// Runs the job's tasks until none is left to claim.
static void drain(WorkerPool::Task task, void* ctx, int32_t count, std::atomic<int32_t>* next) {
  for (;;) {
    const int32_t k = next->fetch_add(1, std::memory_order_relaxed);
    if (k >= count) return;
    task(ctx, k);
  }
}

WorkerPool::WorkerPool(int32_t threads) {
  for (int32_t k = 1; k < threads; ++k) workers_.emplace_back([this] { workerLoop(); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : workers_) t.join();
}

bool WorkerPool::helpOnce(std::unique_lock<std::mutex>& lock) {
  for (Job* j = jobs_; j; j = j->link) {
    if (j->next.load(std::memory_order_relaxed) >= j->count) continue;
    j->users.fetch_add(1, std::memory_order_relaxed);
    lock.unlock();
    drain(j->task, j->ctx, j->count, &j->next);
    // The last access to the job: its owner may return right after.
    j->users.fetch_sub(1, std::memory_order_release);
    lock.lock();
    return true;
  }
  return false;
}

void WorkerPool::workerLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    if (helpOnce(lock)) continue;
    // Nothing to claim. The passes of a step follow each other within
    // microseconds: watch for the next job a while before going to sleep.
    const uint64_t seen = posted_.load(std::memory_order_relaxed);
    lock.unlock();
    for (int spin = 0; spin < 2000 && posted_.load(std::memory_order_relaxed) == seen; ++spin) pause();
    lock.lock();
    if (posted_.load(std::memory_order_relaxed) != seen) continue;
    ++sleepers_;
    wake_.wait(lock, [&] { return stop_ || posted_.load(std::memory_order_relaxed) != seen; });
    --sleepers_;
  }
}

void WorkerPool::runTasks(int32_t count, Task task, void* ctx) {
  if (count <= 0) return;
  if (workers_.empty() || count == 1) {
    for (int32_t k = 0; k < count; ++k) task(ctx, k);
    return;
  }
  Job job;
  job.task = task;
  job.ctx = ctx;
  job.count = count;
  std::unique_lock<std::mutex> lock(mutex_);
  job.link = jobs_;
  jobs_ = &job;
  posted_.fetch_add(1, std::memory_order_relaxed);
  const bool sleeping = sleepers_ > 0;
  lock.unlock();
  if (sleeping) wake_.notify_all();

  drain(task, ctx, count, &job.next);

  lock.lock();
  for (Job** p = &jobs_; *p; p = &(*p)->link)
    if (*p == &job) {
      *p = job.link;
      break;
    }
  lock.unlock();
  // Tasks still running on other threads: now and then help with other jobs
  // meanwhile (a nested run() of one of them may be what they wait for).
  for (int spin = 1; job.users.load(std::memory_order_acquire) != 0; ++spin) {
    if (spin % 64 == 0) {
      lock.lock();
      helpOnce(lock);
      lock.unlock();
    } else {
      pause();
    }
  }
}

int32_t GVDefaultThreadCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int32_t>(n) : 1;
}
