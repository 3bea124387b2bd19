// Work on a recording's frames in blocks, on a few threads.
//
// The recogniser's frame-by-frame stages work out each frame from its own inputs only, so a
// long recording's frames go to several threads, in blocks that each thread takes as it is
// free; every result is the same bits whatever thread works it out. A thread (some 50 us to
// start) is worth a few blocks.
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
#include <cstddef>
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
