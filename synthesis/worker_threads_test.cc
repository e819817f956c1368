#include "synthesis/worker_threads.h"

#include <sched.h>

#include <atomic>
#include <vector>

#include <gtest/gtest.h>

namespace lumitone {
namespace {

TEST(WorkerThreadsTest, RunsEveryBodyExactlyOnce) {
  for (int threads = 1; threads <= 8; ++threads) {
    std::vector<std::atomic<int>> runs(threads);
    auto body = [&](int index) { runs[index].fetch_add(1); };
    RunOnThreads(threads, body);
    for (int index = 0; index < threads; ++index)
      EXPECT_EQ(runs[index].load(), 1) << index;
  }
}

TEST(WorkerThreadsTest, CountsOnlyTheCoresOfTheAffinityMask) {
  cpu_set_t saved;
  ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
  int first = 0;
  while (!CPU_ISSET(first, &saved)) ++first;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  EXPECT_EQ(AvailableThreads(), 1);
  ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
  EXPECT_EQ(AvailableThreads(), CPU_COUNT(&saved));
}

}  // namespace
}  // namespace lumitone
