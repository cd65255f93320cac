#pragma once
// A small pool of worker threads that lives as long as its owner and shares the items of
// one job at a time among the caller and some of its workers.
//
// Threads are started when a job first needs them and then wait, idle, for the next job,
// so a frame that renders a small preview pays for a wake-up, never for a thread start.
// A worker that finished spins for a short while before it sleeps, and so does the
// caller waiting for the last items: a frame's render takes about a millisecond, and
// waking a sleeping thread can cost a good share of that.
//
// Sleeping workers are woken only for jobs they can shorten. A job that comes long after
// the last one, and is like it (as many items), runs on the caller alone when the last
// took less thread time than about twice the workers' wake-up: on a virtual machine a
// sleeping processor can take 70 us to start, as long as the navigator's whole preview.
//
// A sleeping worker is kept off the processor its caller runs on. Woken there (some
// kernels pack the threads of a process onto as few processors as they can), it would
// take turns with the caller, and a job would take as long as on one thread plus the
// switches.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// One pause of a spin-wait: the processor's pause instruction where it has one, which
// leaves the pipes to the other threads and costs far less than yielding to the system
// (about a microsecond here, as long as the waits it serves).
inline void SpinPause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#else
  std::this_thread::yield();
#endif
}

// Waits until done() holds: spins with pauses, and yields the processor once the wait
// runs long (the thread it waits for may have been preempted).
template <class Done>
void WaitUntil(Done done) {
  for (int spins = 0; !done(); ++spins) {
    if (spins < 4096) {
      SpinPause();
    } else {
      std::this_thread::yield();
    }
  }
}

class ThreadPool {
 public:
  // Called once for every item, from any of the threads taking part.
  using ItemFunction = void (*)(void* context, int item);

  ThreadPool() = default;
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;
  // Wakes the idle workers, tells them to finish and joins them.
  ~ThreadPool();

  // Calls run(context, i) once for each i in [0, items), on the calling thread and up to
  // threads - 1 workers, and returns when every call has returned. Each thread starts on
  // a run of its own, the caller on the first items, and takes them in increasing order;
  // a thread whose run is done takes the back half of the longest run left. A thread
  // thus takes the same items from job to job, with the cache lines they write, and
  // touches no other thread's lines until the end. Jobs from several callers run one
  // after the other. `run` must not throw.
  void Run(int items, int threads, ItemFunction run, void* context);

  // Workers started so far.
  int WorkerCount();
  // Jobs so far that were offered to workers.
  int SharedJobs();

 private:
  using Clock = std::chrono::steady_clock;

  void WorkerLoop(int index);
  // Runs items until none is left to take; `self` is 0 for the caller, 1 + the index of
  // a worker.
  void TakeItems(int self);
  // The next item of thread `self`'s run, or -1 when it is done.
  int TakeOwn(int self);
  // Moves the back half of the longest run left to thread `self`; false if none is left.
  bool Steal(int self);
  // Whether the workers, done with the last job, have stopped spinning by `now`.
  bool WorkersAsleep(Clock::time_point now) const;
  // Whether a job of `items` items posted at `now` should wake the workers.
  bool WorthWaking(int items, Clock::time_point now) const;
  // Runs a job on the caller and `helpers` workers; `start` is when Run was called.
  void Share(int items, int helpers, ItemFunction run, void* context, Clock::time_point start);
  // Lets the workers run on every processor they could when they started except `cpu`;
  // nothing where that would leave them none, or the system cannot tell.
  void KeepWorkersOff(int cpu);

  std::mutex jobMutex_;  // one job at a time; guards the callers' fields below

  std::vector<std::thread> workers_;
  std::vector<int> processors_;  // those the caller could run on when workers started
  int workersKeptOff_ = -1;      // the processor the workers were last kept off, or -1
  int sharedJobs_ = 0;
  // The last job: its items and the thread time they took.
  int lastItems_ = 0;
  std::int64_t lastWork_ = 0;
  // When the last job ended, and when the workers last finished one: they spin for a
  // while after it, then sleep.
  Clock::time_point lastEnd_{};
  Clock::time_point workersDone_{};
  // How long sleeping workers took to join a job (a running mean); 0 until measured.
  std::int64_t wakeLatency_ = 0;

  std::mutex mutex_;  // guards everything below except next_
  std::condition_variable wake_;
  std::condition_variable idle_;
  // Set by the first worker to join the current job; thread time of its workers.
  Clock::time_point firstJoin_{};
  std::int64_t workerTime_ = 0;
  std::uint64_t generation_ = 0;  // counts the jobs posted
  // generation_ and busy_ as seen without the lock, for the short spins that save a
  // sleeping thread's wake-up when jobs follow each other closely.
  std::atomic<std::uint64_t> posted_{0};
  std::atomic<int> running_{0};
  bool open_ = false;  // workers may still join the current job
  bool stop_ = false;
  int helpers_ = 0;  // workers 0 .. helpers_ - 1 take part in the current job
  int busy_ = 0;     // workers inside the current job
  ItemFunction run_ = nullptr;
  void* context_ = nullptr;
  // The items not yet handed out: a run [first, end) for each thread of the job, in a
  // 64-bit word (end << 32 | first) that its owner takes from at the front and others
  // at the back. Each in a cache line of its own: it moves between the cores only when
  // a run is stolen.
  struct alignas(64) Pending {
    std::atomic<std::uint64_t> items{0};
  };
  std::unique_ptr<Pending[]> pending_;  // the caller's, then one for each worker
  std::size_t pendingCapacity_ = 0;
  int takers_ = 0;  // threads taking part in the current job
};
