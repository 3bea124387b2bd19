// Work on a recording's frames in blocks, on a few threads.
//
// The recogniser's frame-by-frame stages work out each frame from its own inputs only, so a
// long recording's frames go to several threads, in blocks that each thread takes as it is
// free; every result is the same bits whatever thread works it out. A thread (some 50 us to
// start) is worth a few blocks. The helper threads are started once and kept for the rest of
// the process: a recording goes through several such runs, and each started and ended its own.
//
//   #include <vector>
//   // given: const std::vector<double> in; std::vector<double> out
//   const size_t blocks = (in.size() + 63) / 64;  // out has as many values as in
//   vtr::recogniser::RunBlocks(blocks, vtr::recogniser::ThreadsFor(blocks, 4),
//                              [&](size_t block, size_t /*thread*/) {
//                                const size_t end = std::min(in.size(), block * 64 + 64);
//                                for (size_t i = block * 64; i < end; ++i) out[i] = 2 * in[i];
//                              });
#ifndef VTR_OUTSIDE_RECOGNISER_INTERNAL_BLOCKS_H_
#define VTR_OUTSIDE_RECOGNISER_INTERNAL_BLOCKS_H_

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vtr::recogniser {

inline constexpr size_t kMostThreads = 4;

// How many threads `blocks` are worth at `per_thread` blocks each: at least 1, at most `most`
// (0: kMostThreads) and no more than the machine runs at once.
inline size_t ThreadsFor(size_t blocks, size_t per_thread, size_t most = 0) {
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp<size_t>(blocks / per_thread, 1,
                            std::min(most > 0 ? most : kMostThreads, cores));
}

namespace internal {

// The process's helper threads, started as runs first need them and never ended: they wait for
// the next run, and go with the process. One run at a time has them; a run that finds them
// busy (another thread's, or its own caller's) starts threads of its own instead.
class Crew {
 public:
  using Task = void (*)(void* context, size_t thread);

  static Crew& Shared() {
    // Never destroyed: its threads may still wait on it while the process ends.
    static Crew* const crew = new Crew;
    return *crew;
  }

  // Runs task(context, thread) for thread 1 .. helpers on the crew (fewer when no more threads
  // can be started), and for thread 0 on the calling thread; returns once every one returned.
  // False, having run nothing, when the crew is busy.
  bool TryRun(size_t helpers, Task task, void* context) {
    if (busy_.exchange(true, std::memory_order_acquire)) return false;
    while (threads_ < helpers) {
      try {
        std::thread(&Crew::Serve, this, threads_ + 1, generation_, crew_).detach();
      } catch (const std::system_error&) {
        break;
      }
      ++threads_;
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      task_ = task;
      context_ = context;
      helpers_ = std::min(helpers, threads_);
      pending_ = helpers_;
      ++generation_;
    }
    wake_.notify_all();
    task(context, 0);
    {
      std::unique_lock<std::mutex> lock(mutex_);
      done_.wait(lock, [this] { return pending_ == 0; });
    }
    busy_.store(false, std::memory_order_release);
    return true;
  }

  // Lets the helpers end (unless a run has them now); the next run starts new ones.
  void Release() {
    if (busy_.exchange(true, std::memory_order_acquire)) return;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++crew_;
    }
    threads_ = 0;
    wake_.notify_all();
    busy_.store(false, std::memory_order_release);
  }

 private:
  Crew() = default;

  // Helper `thread` of crew `crew`, started after run `seen`: takes its part of every later run
  // that wants it, until its crew is let go.
  void Serve(size_t thread, uint64_t seen, uint64_t crew) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return generation_ != seen || crew_ != crew; });
      if (crew_ != crew) return;
      seen = generation_;
      if (thread > helpers_) continue;
      const Task task = task_;
      void* const context = context_;
      lock.unlock();
      task(context, thread);
      lock.lock();
      if (--pending_ == 0) done_.notify_one();
    }
  }

  std::atomic<bool> busy_{false};
  size_t threads_ = 0;  // helpers started; only the run that holds the crew changes it
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  // The current run, under mutex_.
  uint64_t generation_ = 0;
  uint64_t crew_ = 0;  // the helpers of an earlier number have been let go
  Task task_ = nullptr;
  void* context_ = nullptr;
  size_t helpers_ = 0, pending_ = 0;
};

}  // namespace internal

// Lets the helper threads end, for a caller with no more runs to make for a while: each must
// be let go before its process can end, which at the end of a run costs the caller the time
// they take to be woken. A later run starts new ones.
inline void LetHelpersGo() { internal::Crew::Shared().Release(); }

// Runs work(block, thread) for every block in [0, blocks) on `threads` threads, the calling
// thread (thread 0) among them; each takes the next block as it finishes one. A thread that
// cannot be started leaves its share to the others. Returns once every block is done.
template <typename Work>
void RunBlocks(size_t blocks, size_t threads, const Work& work) {
  std::atomic<size_t> next{0};
  auto take = [&](size_t thread) {
    for (size_t block; (block = next.fetch_add(1, std::memory_order_relaxed)) < blocks;)
      work(block, thread);
  };
  if (threads <= 1) {
    take(0);
    return;
  }
  const auto task = [](void* context, size_t thread) {
    (*static_cast<decltype(take)*>(context))(thread);
  };
  if (internal::Crew::Shared().TryRun(threads - 1, task, &take)) return;
  std::vector<std::jthread> helpers;
  helpers.reserve(threads);
  for (size_t thread = 1; thread < threads; ++thread) {
    try {
      helpers.emplace_back(take, thread);
    } catch (const std::system_error&) {
      break;
    }
  }
  take(0);
}

}  // namespace vtr::recogniser

#endif  // VTR_OUTSIDE_RECOGNISER_INTERNAL_BLOCKS_H_
