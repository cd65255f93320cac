#include "fractal/thread_pool.h"

#include <algorithm>
#include <chrono>

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

void ThreadPool::TakeItems() {
  for (;;) {
    // Several items a claim while many are left: each claim moves the counter from core
    // to core. A share of what is left, so that the last claims are single items and
    // the threads finish together.
    const int left = items_ - next_.load(std::memory_order_relaxed);
    const int claim = std::max(1, left / (4 * (helpers_ + 1)));
    const int first = next_.fetch_add(claim, std::memory_order_relaxed);
    if (first >= items_) return;
    const int end = std::min(first + claim, items_);
    for (int item = first; item < end; ++item) run_(context_, item);
  }
}

void ThreadPool::Run(int items, int threads, ItemFunction run, void* context) {
  if (items <= 0) return;
  std::lock_guard<std::mutex> job(jobMutex_);
  const int helpers = threads - 1 < items - 1 ? threads - 1 : items - 1;
  if (helpers <= 0) {
    for (int i = 0; i < items; ++i) run(context, i);
    return;
  }
  // Only this function adds workers, and it holds jobMutex_, so workers_ does not move
  // while anyone reads it; the workers themselves never touch it.
  while (static_cast<int>(workers_.size()) < helpers) {
    const int index = static_cast<int>(workers_.size());
    workers_.emplace_back([this, index] { WorkerLoop(index); });
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    run_ = run;
    context_ = context;
    items_ = items;
    next_.store(0, std::memory_order_relaxed);
    helpers_ = helpers;
    open_ = true;
    ++generation_;
    posted_.store(generation_, std::memory_order_release);
  }
  wake_.notify_all();
  TakeItems();
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
    lock.unlock();
    TakeItems();
    lock.lock();
    running_.fetch_sub(1, std::memory_order_release);
    if (--busy_ == 0) idle_.notify_all();
  }
}
