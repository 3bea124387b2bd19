#include "outside/recogniser/internal/blocks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace vtr::recogniser {
namespace {

// Counts how often each block was worked, and checks the thread numbers given.
std::vector<int> Worked(size_t blocks, size_t threads) {
  std::vector<std::atomic<int>> counts(blocks);
  std::atomic<bool> thread_in_range{true};
  RunBlocks(blocks, threads, [&](size_t block, size_t thread) {
    counts[block].fetch_add(1);
    if (thread >= threads) thread_in_range = false;
  });
  EXPECT_TRUE(thread_in_range.load());
  std::vector<int> out(blocks);
  for (size_t b = 0; b < blocks; ++b) out[b] = counts[b].load();
  return out;
}

// Runs after runs on the kept helpers, with more and fewer threads than the run before (the
// helpers not wanted sit out, more are started when wanted), and fewer blocks than threads,
// and again with the helpers let go before every run (new ones started, while the old may still
// be ending): every block once, on a thread numbered below the count.
TEST(BlocksTest, WorksEveryBlockOnceRunAfterRun) {
  struct Case {
    size_t blocks, threads;
  };
  // clang-format off
  const Case kCases[] = {
      {0, 1}, {0, 4}, {1, 1}, {1, 4}, {3, 4}, {100, 2}, {100, 4}, {100, 3},
      {7, 6}, {1000, 4}, {5, 1}, {64, 8}, {64, 2},
  };
  // clang-format on
  for (bool let_go : {false, true}) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(testing::Message() << c.blocks << " blocks on " << c.threads << " threads"
                                      << (let_go ? ", the helpers let go before" : ""));
      if (let_go) LetHelpersGo();
      EXPECT_EQ(Worked(c.blocks, c.threads), std::vector<int>(c.blocks, 1));
    }
  }
}

// A run inside a block of another finds the helpers busy and starts threads of its own; runs
// from two threads at once each get all their blocks worked.
TEST(BlocksTest, RunsInsideARunAndSideBySide) {
  std::vector<std::atomic<int>> inner(size_t{8} * 16);
  RunBlocks(8, 4, [&](size_t block, size_t) {
    RunBlocks(16, 3, [&](size_t b, size_t) { inner[block * 16 + b].fetch_add(1); });
  });
  for (const auto& c : inner) EXPECT_EQ(c.load(), 1);

  std::vector<int> first, second;
  {
    std::jthread other([&] {
      for (int run = 0; run < 50; ++run) first = Worked(200, 4);
    });
    for (int run = 0; run < 50; ++run) second = Worked(300, 3);
  }
  EXPECT_EQ(first, std::vector<int>(200, 1));
  EXPECT_EQ(second, std::vector<int>(300, 1));
}

}  // namespace
}  // namespace vtr::recogniser
