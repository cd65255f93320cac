#include "fractal/thread_pool.h"

#include <algorithm>
#include <chrono>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace {

// How long a thread spins before it sleeps: long enough to bridge the gap between the
// renders of one frame, short enough to cost nothing worth measuring when idle.
constexpr auto kSpin = std::chrono::microseconds(100);

template <class Done>
void SpinUntil(Done done) {
  const auto until = std::chrono::steady_clock::now() + kSpin;
  for (int spins = 1; !done(); ++spins) {
    // Reading the clock costs about as much as a few dozen pauses.
    if (spins % 64 == 0 && std::chrono::steady_clock::now() > until) return;
    SpinPause();
  }
}

// Whether waking sleeping workers can shorten a job that takes `work` of thread time, when
// their wake-up takes `wake`: by the time they join, the caller has done `wake` of it,
// and at the end it waits for the last item they took.
bool WakingPays(std::int64_t work, std::int64_t wake) {
  return work >= 2 * wake;
}

// A run of items [first, end) as one word, so that its owner and a thief can take from
// it at either end with one compare-and-swap.
std::uint64_t Items(std::uint32_t first, std::uint32_t end) {
  return std::uint64_t{end} << 32 | first;
}
std::uint32_t First(std::uint64_t items) {
  return static_cast<std::uint32_t>(items);
}
std::uint32_t End(std::uint64_t items) {
  return static_cast<std::uint32_t>(items >> 32);
}

std::int64_t Nanoseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
}

}  // namespace

ThreadPool::~ThreadPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

int ThreadPool::WorkerCount() {
  std::lock_guard<std::mutex> lock(jobMutex_);
  return static_cast<int>(workers_.size());
}

int ThreadPool::SharedJobs() {
  std::lock_guard<std::mutex> lock(jobMutex_);
  return sharedJobs_;
}

void ThreadPool::TakeItems(int self) {
  for (;;) {
    for (int item = TakeOwn(self); item >= 0; item = TakeOwn(self)) run_(context_, item);
    if (!Steal(self)) return;
  }
}

int ThreadPool::TakeOwn(int self) {
  std::atomic<std::uint64_t>& run = pending_[self].items;
  std::uint64_t items = run.load(std::memory_order_relaxed);
  while (First(items) < End(items)) {
    if (run.compare_exchange_weak(items, Items(First(items) + 1, End(items)),
                                  std::memory_order_relaxed)) {
      return static_cast<int>(First(items));
    }
  }
  return -1;
}

bool ThreadPool::Steal(int self) {
  for (;;) {
    int victim = -1;
    std::uint64_t seen = 0;
    std::uint32_t most = 0;
    for (int t = 0; t < takers_; ++t) {
      const std::uint64_t items = pending_[t].items.load(std::memory_order_relaxed);
      if (t == self || First(items) >= End(items)) continue;
      if (End(items) - First(items) > most) {
        most = End(items) - First(items);
        victim = t;
        seen = items;
      }
    }
    if (victim < 0) return false;
    // The victim keeps the front half, the one it reaches first.
    const std::uint32_t cut = End(seen) - (most + 1) / 2;
    if (pending_[victim].items.compare_exchange_strong(seen, Items(First(seen), cut),
                                                       std::memory_order_relaxed)) {
      // Only this thread gives its own run items, and nobody takes from an empty one.
      pending_[self].items.store(Items(cut, End(seen)), std::memory_order_relaxed);
      return true;
    }
  }
}

void ThreadPool::KeepWorkersOff(int cpu) {
#if defined(__linux__)
  if (cpu < 0 || cpu == workersKeptOff_) return;
  if (processors_.empty()) {
    cpu_set_t mask;
    CPU_ZERO(&mask);
    if (sched_getaffinity(0, sizeof mask, &mask) != 0) return;
    for (int c = 0; c < CPU_SETSIZE; ++c) {
      if (CPU_ISSET(c, &mask)) processors_.push_back(c);
    }
  }
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  for (int c : processors_) {
    if (c != cpu) CPU_SET(c, &allowed);
  }
  if (CPU_COUNT(&allowed) == 0) return;
  for (std::thread& worker : workers_) {
    pthread_setaffinity_np(worker.native_handle(), sizeof allowed, &allowed);
  }
  workersKeptOff_ = cpu;
#else
  (void)cpu;
#endif
}

bool ThreadPool::WorkersAsleep(Clock::time_point now) const {
  return now - workersDone_ > kSpin;
}

bool ThreadPool::WorthWaking(int items, Clock::time_point now) const {
  // Jobs that follow each other closely keep woken workers spinning: a wake-up pays for
  // the ones after it too.
  const bool closeBehind = now - lastEnd_ <= kSpin;
  if (!WorkersAsleep(now) || closeBehind || wakeLatency_ == 0 || items != lastItems_) return true;
  return WakingPays(lastWork_, wakeLatency_);
}

void ThreadPool::Run(int items, int threads, ItemFunction run, void* context) {
  if (items <= 0) return;
  std::lock_guard<std::mutex> job(jobMutex_);
  const Clock::time_point start = Clock::now();
  const int helpers = std::min(threads - 1, items - 1);
  if (helpers > 0 && WorthWaking(items, start)) {
    Share(items, helpers, run, context, start);
  } else {
    for (int i = 0; i < items; ++i) run(context, i);
    lastEnd_ = Clock::now();
    lastWork_ = Nanoseconds(lastEnd_ - start);
  }
  lastItems_ = items;
}

void ThreadPool::Share(int items, int helpers, ItemFunction run, void* context,
                       Clock::time_point start) {
  // Only this function adds workers, and its caller holds jobMutex_, so workers_ does not
  // move while anyone reads it; the workers themselves never touch it.
  while (static_cast<int>(workers_.size()) < helpers) {
    const int index = static_cast<int>(workers_.size());
    workers_.emplace_back([this, index] { WorkerLoop(index); });
    workersKeptOff_ = -1;
  }
  if (pendingCapacity_ < workers_.size() + 1) {
    // No worker is inside a job now, so none reads the runs.
    std::lock_guard<std::mutex> lock(mutex_);
    pendingCapacity_ = workers_.size() + 1;
    pending_ = std::make_unique<Pending[]>(pendingCapacity_);
  }
#if defined(__linux__)
  KeepWorkersOff(sched_getcpu());
#endif
  ++sharedJobs_;
  const bool asleep = WorkersAsleep(start);
  Clock::time_point posted;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    run_ = run;
    context_ = context;
    takers_ = helpers + 1;
    for (int t = 0; t < takers_; ++t) {
      const auto share = [&](int k) {
        return static_cast<std::uint32_t>(static_cast<std::int64_t>(items) * k / takers_);
      };
      pending_[t].items.store(Items(share(t), share(t + 1)), std::memory_order_relaxed);
    }
    helpers_ = helpers;
    open_ = true;
    firstJoin_ = Clock::time_point{};
    workerTime_ = 0;
    ++generation_;
    posted = Clock::now();
    posted_.store(generation_, std::memory_order_release);
  }
  wake_.notify_all();
  TakeItems(0);
  const Clock::time_point callerDone = Clock::now();
  // Every item has been handed out. A worker that has not joined by now would find
  // nothing left to do, so it is kept out (the job's context dies when Run returns);
  // those that joined may still be running their last item.
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
  }
  SpinUntil([this] { return running_.load(std::memory_order_acquire) == 0; });
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return busy_ == 0; });
  workersDone_ = lastEnd_ = Clock::now();
  lastWork_ = Nanoseconds(callerDone - start) + workerTime_;
  if (asleep) {
    // Workers that never joined would have taken longer than the caller's share.
    const Clock::time_point joined = firstJoin_ == Clock::time_point{} ? callerDone : firstJoin_;
    const std::int64_t latency = Nanoseconds(joined - posted);
    wakeLatency_ = wakeLatency_ == 0 ? latency : (3 * wakeLatency_ + latency) / 4;
  }
}

void ThreadPool::WorkerLoop(int index) {
  std::uint64_t seen = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    lock.unlock();
    SpinUntil([&] { return posted_.load(std::memory_order_acquire) != seen; });
    lock.lock();
    wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
    if (stop_) return;
    seen = generation_;
    if (!open_ || index >= helpers_) continue;
    ++busy_;
    running_.fetch_add(1, std::memory_order_relaxed);
    const Clock::time_point joined = Clock::now();
    if (firstJoin_ == Clock::time_point{}) firstJoin_ = joined;
    lock.unlock();
    TakeItems(index + 1);
    lock.lock();
    workerTime_ += Nanoseconds(Clock::now() - joined);
    running_.fetch_sub(1, std::memory_order_release);
    if (--busy_ == 0) idle_.notify_all();
  }
}
