#include "fractal/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

// Records which items ran, how often, and on how many different threads.
struct Tally {
  explicit Tally(int items) : runs(static_cast<std::size_t>(items)) {}
  std::vector<std::atomic<int>> runs;
  std::mutex mutex;
  std::set<std::thread::id> threads;

  static void Run(void* context, int item) {
    auto& tally = *static_cast<Tally*>(context);
    tally.runs[static_cast<std::size_t>(item)].fetch_add(1);
    std::lock_guard<std::mutex> lock(tally.mutex);
    tally.threads.insert(std::this_thread::get_id());
  }
  bool EachRanOnce() const {
    for (const auto& r : runs) {
      if (r.load() != 1) return false;
    }
    return true;
  }
};

TEST(ThreadPool, EveryItemRunsExactlyOnce) {
  ThreadPool pool;
  for (int threads : {1, 2, 3, 8}) {
    for (int items : {1, 2, 3, 7, 100, 1000}) {
      Tally tally(items);
      pool.Run(items, threads, &Tally::Run, &tally);
      EXPECT_TRUE(tally.EachRanOnce()) << threads << " threads, " << items << " items";
      EXPECT_LE(static_cast<int>(tally.threads.size()), threads);
    }
  }
  Tally none(0);
  pool.Run(0, 4, &Tally::Run, &none);  // nothing to do, nothing run
}

TEST(ThreadPool, OneThreadStaysOnTheCaller) {
  ThreadPool pool;
  Tally tally(50);
  pool.Run(50, 1, &Tally::Run, &tally);
  EXPECT_EQ(tally.threads, std::set<std::thread::id>{std::this_thread::get_id()});
  EXPECT_EQ(pool.WorkerCount(), 0);
}

TEST(ThreadPool, WorkersAreStartedOnceAndReused) {
  ThreadPool pool;
  std::set<std::thread::id> seen;
  for (int job = 0; job < 300; ++job) {
    Tally tally(64);
    pool.Run(64, 3, &Tally::Run, &tally);
    ASSERT_TRUE(tally.EachRanOnce()) << "job " << job;
    seen.insert(tally.threads.begin(), tally.threads.end());
  }
  EXPECT_EQ(pool.WorkerCount(), 2);
  // The caller and at most the two workers ever ran an item: no thread per job.
  EXPECT_LE(seen.size(), 3u);
}

TEST(ThreadPool, AJobWaitsForItemsStillRunningOnWorkers) {
  // Items that take a while on the workers: Run must not return before they finish.
  ThreadPool pool;
  struct Slow {
    std::atomic<int> done{0};
    static void Run(void* context, int) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      static_cast<Slow*>(context)->done.fetch_add(1);
    }
  };
  for (int job = 0; job < 20; ++job) {
    Slow slow;
    pool.Run(6, 4, &Slow::Run, &slow);
    ASSERT_EQ(slow.done.load(), 6);
  }
}

TEST(ThreadPool, CallersOnSeveralThreadsTakeTurns) {
  ThreadPool pool;
  std::atomic<int> bad{0};
  std::vector<std::thread> callers;
  for (int c = 0; c < 4; ++c) {
    callers.emplace_back([&] {
      for (int job = 0; job < 100; ++job) {
        Tally tally(33);
        pool.Run(33, 2, &Tally::Run, &tally);
        if (!tally.EachRanOnce()) bad.fetch_add(1);
      }
    });
  }
  for (auto& t : callers) t.join();
  EXPECT_EQ(bad.load(), 0);
}

TEST(ThreadPool, IdleAndNeverUsedPoolsShutDown) {
  // Destroying a pool joins its idle workers; one that never ran a job has none. A
  // deadlock here would hang the test (and CTest would time it out).
  for (int i = 0; i < 20; ++i) {
    auto pool = std::make_unique<ThreadPool>();
    if (i % 2 == 0) {
      Tally tally(10);
      pool->Run(10, 2 + i % 3, &Tally::Run, &tally);
    }
    pool.reset();
  }
}

}  // namespace
