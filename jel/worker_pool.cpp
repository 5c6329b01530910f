#include "jel/worker_pool.h"

#include <algorithm>
#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

void pause() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#endif
}

// How long an idle worker watches for the next job before it sleeps: the
// passes and per-Jel steps of a sub-step follow each other within a few
// microseconds, and a wake-up from sleep costs tens of them.
constexpr std::chrono::microseconds kIdleWatch{100};

// The unclaimed tasks [begin, end) of one share, in one word so that its owner
// (from the front) and other threads (from the back) claim with one exchange.
struct alignas(64) Share {
  std::atomic<uint64_t> range{0};
};

uint64_t pack(int32_t begin, int32_t end) {
  return static_cast<uint32_t>(begin) | (static_cast<uint64_t>(static_cast<uint32_t>(end)) << 32);
}

bool nonEmpty(uint64_t v) {
  return static_cast<int32_t>(static_cast<uint32_t>(v)) < static_cast<int32_t>(static_cast<uint32_t>(v >> 32));
}

bool claim(Share& s, bool front, int32_t* k) {
  uint64_t v = s.range.load(std::memory_order_relaxed);
  for (;;) {
    const int32_t b = static_cast<int32_t>(static_cast<uint32_t>(v));
    const int32_t e = static_cast<int32_t>(static_cast<uint32_t>(v >> 32));
    if (b >= e) return false;
    const uint64_t rest = front ? pack(b + 1, e) : pack(b, e - 1);
    if (s.range.compare_exchange_weak(v, rest, std::memory_order_relaxed)) {
      *k = front ? b : e - 1;
      return true;
    }
  }
}

// One step of waiting for another thread: a few microseconds of pauses,
// then yields, so that on a loaded machine a waiting thread hands its core to
// the one it waits for.
void backOff(int spin) {
  if (spin < 2048)
    pause();
  else
    std::this_thread::yield();
}

int32_t highestBit(uint64_t m) { return 63 - __builtin_clzll(m); }

}  // namespace

// A job record: its tasks in shares, and the threads other than the owner
// inside it. The owner returns once every task is claimed and users is 0.
struct WorkerPool::Job {
  Task task = nullptr;
  void* ctx = nullptr;
  // Looked at by threads that have not joined yet, so atomic like the shares.
  std::atomic<int32_t> shares{1};
  Share share[kMaxShares];
  std::atomic<uint64_t> generation{0};  // advanced when the job closes
  std::atomic<int32_t> users{0};

  void open(Task t, void* c, int32_t count, int32_t threads) {
    task = t;
    ctx = c;
    const int32_t used = std::min(threads, kMaxShares);
    shares.store(used, std::memory_order_relaxed);
    // Share s holds [ceil(count s / used), ceil(count (s + 1) / used)): the
    // calling thread (place 0) has work at once even for a short job.
    const int64_t n = count, m = used;
    for (int32_t s = 0; s < used; ++s)
      share[s].range.store(pack(static_cast<int32_t>((n * s + m - 1) / m), static_cast<int32_t>((n * (s + 1) + m - 1) / m)),
                           std::memory_order_relaxed);
  }

  bool unclaimed() const {
    const int32_t used = shares.load(std::memory_order_relaxed);
    for (int32_t s = 0; s < used; ++s)
      if (nonEmpty(share[s].range.load(std::memory_order_relaxed))) return true;
    return false;
  }

  // Runs the own share's tasks in order, then the others' from their backs,
  // until none is left to claim.
  void drain(int32_t place) {
    const int32_t used = shares.load(std::memory_order_relaxed);
    const int32_t own = place % used;
    int32_t k;
    while (claim(share[own], true, &k)) task(ctx, k);
    for (int32_t d = 1; d < used; ++d) {
      Share& other = share[(own + d) % used];
      while (claim(other, false, &k)) task(ctx, k);
    }
  }
};

WorkerPool::WorkerPool(int32_t threads) : jobs_(new Job[kJobRecords]) {
  if (threads > 1) {
    workers_.reserve(threads - 1);
    ids_.reserve(threads - 1);
  }
  for (int32_t k = 1; k < threads; ++k) {
    workers_.emplace_back([this, k] { workerLoop(k); });
    ids_.push_back(workers_.back().get_id());
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_.store(true);
    posted_.fetch_add(1);
  }
  wake_.notify_all();
  for (std::thread& t : workers_) t.join();
}

int32_t WorkerPool::place() const {
  const std::thread::id me = std::this_thread::get_id();
  for (size_t k = 0; k < ids_.size(); ++k)
    if (ids_[k] == me) return static_cast<int32_t>(k) + 1;
  return 0;
}

bool WorkerPool::helpOnce(int32_t place) {
  // Newest records first: a nested job is what an outer task waits for.
  for (uint64_t m = open_.load(); m != 0;) {
    const int32_t d = highestBit(m);
    m &= ~(uint64_t{1} << d);
    Job& j = jobs_[d];
    const uint64_t g = j.generation.load();
    if (!j.unclaimed()) continue;
    // Inside first, then check the job is still the one seen: its owner
    // closes it (generation) before it looks at users.
    j.users.fetch_add(1);
    if (j.generation.load() == g && (open_.load() >> d & 1u)) {
      j.drain(place);
      j.users.fetch_sub(1, std::memory_order_release);
      return true;
    }
    j.users.fetch_sub(1, std::memory_order_release);
  }
  return false;
}

void WorkerPool::workerLoop(int32_t place) {
  while (!stop_.load(std::memory_order_acquire)) {
    const uint64_t seen = posted_.load();
    if (helpOnce(place)) continue;
    const auto until = std::chrono::steady_clock::now() + kIdleWatch;
    bool posted = false;
    for (int spin = 1; !posted; ++spin) {
      backOff(spin);
      posted = posted_.load(std::memory_order_acquire) != seen;
      if (spin % 64 == 0 && std::chrono::steady_clock::now() > until) break;
    }
    if (posted) continue;
    std::unique_lock<std::mutex> lock(mutex_);
    sleepers_.fetch_add(1);
    // The stop flag too: a worker that read the counter after the last
    // increment would otherwise wait for one that never comes.
    wake_.wait(lock, [&] { return stop_.load() || posted_.load() != seen; });
    sleepers_.fetch_sub(1);
  }
}

void WorkerPool::runTasks(int32_t count, Task task, void* ctx) {
  if (count <= 0) return;
  uint64_t f = workers_.empty() || count == 1 ? 0 : free_.load();
  int32_t d = -1;
  while (f != 0) {
    const int32_t c = __builtin_ctzll(f);
    if (free_.compare_exchange_weak(f, f & ~(uint64_t{1} << c))) {
      d = c;
      break;
    }
  }
  if (d < 0) {
    // No worker, one task, or (deeply nested) no record left.
    for (int32_t k = 0; k < count; ++k) task(ctx, k);
    return;
  }
  const uint64_t bit = uint64_t{1} << d;
  const int32_t me = place();
  Job& job = jobs_[d];
  job.open(task, ctx, count, threads());
  open_.fetch_or(bit);
  posted_.fetch_add(1);
  if (sleepers_.load() > 0) {
    { std::lock_guard<std::mutex> lock(mutex_); }
    wake_.notify_all();
  }

  job.drain(me);

  open_.fetch_and(~bit);
  job.generation.fetch_add(1);
  // Tasks still running on other threads: now and then help with other jobs
  // meanwhile (a nested run() of one of them may be what they wait for).
  for (int spin = 1; job.users.load(std::memory_order_acquire) != 0; ++spin) {
    if (spin % 64 == 0)
      helpOnce(me);
    else
      backOff(spin);
  }
  free_.fetch_or(bit, std::memory_order_release);
}

int32_t GVDefaultThreadCount() {
  // Asked once: the library reads it from the system's files on every call,
  // and a world asks before every sub-step.
  static const int32_t count = [] {
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int32_t>(n) : 1;
  }();
  return count;
}
