#include "jel/worker_pool.h"

#include <atomic>

// A job lives on the stack of the thread that called run(). Tasks are claimed
// one at a time under the mutex while the job is queued; the owner takes it off
// the queue once every task is claimed and returns once every task is done,
// so no worker touches a job after its last done count.
struct WorkerPool::Job {
  Task task;
  void* ctx;
  int32_t count;
  int32_t next = 0;  // guarded by the mutex
  std::atomic<int32_t> done{0};
  Job* link = nullptr;
};

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
    if (j->next >= j->count) continue;
    const int32_t k = j->next++;
    lock.unlock();
    j->task(j->ctx, k);
    j->done.fetch_add(1, std::memory_order_release);
    lock.lock();
    return true;
  }
  return false;
}

void WorkerPool::workerLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    if (!helpOnce(lock)) wake_.wait(lock);
  }
}

void WorkerPool::runTasks(int32_t count, Task task, void* ctx) {
  if (count <= 0) return;
  if (workers_.empty() || count == 1) {
    for (int32_t k = 0; k < count; ++k) task(ctx, k);
    return;
  }
  Job job{task, ctx, count};
  std::unique_lock<std::mutex> lock(mutex_);
  job.link = jobs_;
  jobs_ = &job;
  lock.unlock();
  wake_.notify_all();

  lock.lock();
  while (job.next < job.count) {
    const int32_t k = job.next++;
    lock.unlock();
    task(ctx, k);
    job.done.fetch_add(1, std::memory_order_release);
    lock.lock();
  }
  for (Job** p = &jobs_; *p; p = &(*p)->link)
    if (*p == &job) {
      *p = job.link;
      break;
    }
  // Tasks still running on other threads: help with other jobs meanwhile (a
  // nested run() of one of them may be what they wait for).
  while (job.done.load(std::memory_order_acquire) < count) {
    if (!helpOnce(lock)) {
      lock.unlock();
      std::this_thread::yield();
      lock.lock();
    }
  }
}

int32_t GVDefaultThreadCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int32_t>(n) : 1;
}
