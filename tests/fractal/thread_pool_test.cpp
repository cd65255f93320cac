#include "fractal/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#endif

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

// Records the thread of every item. The first item each thread runs waits (for at most
// two seconds) until `threads` threads are in the job, so that none of them can finish
// its own items before the others start on theirs.
struct Starts {
  explicit Starts(int items, int threads)
      : ranOn(static_cast<std::size_t>(items)), threads(threads) {}
  std::vector<std::thread::id> ranOn;
  int threads;
  std::mutex mutex;
  std::set<std::thread::id> started;

  static void Run(void* context, int item) {
    auto& starts = *static_cast<Starts*>(context);
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(starts.mutex);
    starts.ranOn[static_cast<std::size_t>(item)] = self;
    if (!starts.started.insert(self).second) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (static_cast<int>(starts.started.size()) < starts.threads &&
           std::chrono::steady_clock::now() < deadline) {
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::microseconds(50));
      lock.lock();
    }
  }
};

TEST(ThreadPool, EachThreadStartsOnItemsOfItsOwn) {
  // The caller on the first items, each worker on an equal share after them: a thread
  // writes the same part of a picture from frame to frame.
  ThreadPool pool;
  for (int threads : {2, 3}) {
    for (int job = 0; job < 5; ++job) {
      Starts starts(99, threads);
      pool.Run(99, threads, &Starts::Run, &starts);
      ASSERT_EQ(starts.ranOn[0], std::this_thread::get_id()) << threads << " threads";
      std::set<std::thread::id> firsts;
      for (int t = 1; t < threads; ++t)
        firsts.insert(starts.ranOn[static_cast<std::size_t>(99 * t / threads)]);
      EXPECT_EQ(firsts.size(), static_cast<std::size_t>(threads - 1)) << threads << " threads";
      EXPECT_EQ(firsts.count(std::this_thread::get_id()), 0u) << threads << " threads";
    }
  }
}

TEST(ThreadPool, AThreadDoneWithItsItemsTakesOverOthers) {
  // The worker's share is slow, the caller's quick: the caller must take some of the
  // worker's, whether the worker joined or not.
  ThreadPool pool;
  struct Uneven {
    std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> slowOnCaller{0};
    static void Run(void* context, int item) {
      auto& uneven = *static_cast<Uneven*>(context);
      if (item < 8) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
      if (std::this_thread::get_id() == uneven.caller) uneven.slowOnCaller.fetch_add(1);
    }
  };
  for (int job = 0; job < 5; ++job) {
    Uneven uneven;
    pool.Run(16, 2, &Uneven::Run, &uneven);
    EXPECT_GE(uneven.slowOnCaller.load(), 2) << "job " << job;
  }
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

// Items that each take `micros` of thread time, busy or asleep.
struct Timed {
  explicit Timed(int items, int micros, bool busy) : tally(items), micros(micros), busy(busy) {}
  Tally tally;
  int micros;
  bool busy;
  static void Run(void* context, int item) {
    auto& timed = *static_cast<Timed*>(context);
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(timed.micros);
    if (timed.busy) {
      while (std::chrono::steady_clock::now() < until) {
      }
    } else {
      std::this_thread::sleep_until(until);
    }
    Tally::Run(&timed.tally, item);
  }
};

std::set<std::thread::id> RunTimed(ThreadPool& pool, int items, int micros, bool busy = false) {
  Timed timed(items, micros, busy);
  pool.Run(items, 2, &Timed::Run, &timed);
  EXPECT_TRUE(timed.tally.EachRanOnce());
  return timed.tally.threads;
}

// The processors this process may run on.
int UsableProcessors() {
#if defined(__linux__)
  cpu_set_t mask;
  if (sched_getaffinity(0, sizeof mask, &mask) == 0) return CPU_COUNT(&mask);
#endif
  return static_cast<int>(std::thread::hardware_concurrency());
}

// Long enough for sleeping workers to fall asleep for good.
void LetWorkersSleep() {
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Whether the pool offered a job of `items` items, each taking `micros`, to its workers.
bool Shared(ThreadPool& pool, int items, int micros) {
  const int before = pool.SharedJobs();
  RunTimed(pool, items, micros);
  return pool.SharedJobs() > before;
}

// Whether `attempt` holds within a few tries. The pool judges a job by its measures of
// the last one and of a wake-up; another program on the processors (a parallel test
// run, under the sanitizers) can make one of them far too long now and then. Each try
// sets up what it checks again.
template <class Attempt>
bool WithinTries(Attempt attempt) {
  for (int t = 0; t < 5; ++t) {
    if (attempt()) return true;
  }
  return false;
}

// Runs a job of `items`, each taking `micros` (which the pool measures), and after a
// pause, whether it offered the next job of `items`, each taking `nextMicros`, to its
// workers.
bool SharedAfter(ThreadPool& pool, int items, int micros, int nextMicros) {
  RunTimed(pool, items, micros);
  LetWorkersSleep();
  const bool shared = Shared(pool, items, nextMicros);
  LetWorkersSleep();
  return shared;
}

TEST(ThreadPool, SleepingWorkersAreWokenOnlyForJobsTheyCanShorten) {
  ThreadPool pool;
  // The first job wakes the worker, and times how long it takes to join.
  EXPECT_TRUE(Shared(pool, 8, 1000));
  LetWorkersSleep();
  // After a long job, a job like it, as far as the pool can tell.
  EXPECT_TRUE(WithinTries([&] { return SharedAfter(pool, 8, 1000, 0); }));
  // The last job of 8 items took far less than a wake-up: the caller does this one alone.
  EXPECT_TRUE(WithinTries([&] { return !SharedAfter(pool, 8, 0, 0); }));
  // Nothing is known of a job of another size.
  EXPECT_TRUE(Shared(pool, 9, 0));
  LetWorkersSleep();
  EXPECT_TRUE(WithinTries([&] { return !SharedAfter(pool, 9, 0, 0); }));
  // A long job is judged by the short one before it, the next one by the long one.
  EXPECT_TRUE(WithinTries([&] { return !SharedAfter(pool, 9, 0, 1000); }));
  EXPECT_TRUE(WithinTries([&] { return SharedAfter(pool, 9, 1000, 1000); }));
}

TEST(ThreadPool, JobsCloseBehindEachOtherKeepTheWorkers) {
  ThreadPool pool;
  RunTimed(pool, 8, 1000);
  LetWorkersSleep();
  ASSERT_TRUE(WithinTries([&] { return !SharedAfter(pool, 8, 0, 0); }));
  // On one processor the worker only gets to run once the caller waits. On two, another
  // program may hold the other one for a while (as a parallel test run does): the jobs
  // go on until the worker has taken part, or for at most two seconds.
  const bool workerCanRun = UsableProcessors() >= 2;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  const int before = pool.SharedJobs();
  std::set<std::thread::id> threads;
  // Each of these takes less thread time than a wake-up, but one wake-up serves the
  // jobs that follow it while the woken worker still spins.
  for (int job = 0; job < 200 || (workerCanRun && threads.size() < 2 &&
                                  std::chrono::steady_clock::now() < deadline);
       ++job) {
    const std::set<std::thread::id> ran = RunTimed(pool, 8, 1, true);
    threads.insert(ran.begin(), ran.end());
  }
  EXPECT_GT(pool.SharedJobs() - before, 100);
  if (workerCanRun) {
    EXPECT_EQ(threads.size(), 2u);
  }
}

#if defined(__linux__)
TEST(ThreadPool, WorkersRunOffTheCallersProcessor) {
  if (UsableProcessors() < 2) GTEST_SKIP() << "one processor";
  cpu_set_t before;
  ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
  ThreadPool pool;
  RunTimed(pool, 8, 100);
  // Hold the caller to one processor from now on, as the scheduler might for a while.
  int callerCpu = 0;
  while (!CPU_ISSET(callerCpu, &before)) ++callerCpu;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(callerCpu, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  struct Where {
    std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> workerItems{0}, onCallersCpu{0};
    int callerCpu = 0;
    static void Run(void* context, int) {
      auto& where = *static_cast<Where*>(context);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      if (std::this_thread::get_id() == where.caller) return;
      where.workerItems.fetch_add(1);
      if (sched_getcpu() == where.callerCpu) where.onCallersCpu.fetch_add(1);
    }
  };
  Where where;
  where.callerCpu = callerCpu;
  for (int job = 0; job < 20; ++job) {
    pool.Run(16, 2, &Where::Run, &where);
    LetWorkersSleep();
  }
  sched_setaffinity(0, sizeof before, &before);
  EXPECT_GT(where.workerItems.load(), 0);
  EXPECT_EQ(where.onCallersCpu.load(), 0);
}
#endif

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
