#include "foundation/workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

namespace trellimap {
namespace {

TEST(Workers, ThreadsFollowTheRequestElseTheWorksSize) {
  EXPECT_EQ(ThreadsFor(3, 1), 3);
  EXPECT_EQ(ThreadsFor(0, kUnitsWorthSharing - 1), 1);
  EXPECT_EQ(ThreadsFor(0, kUnitsWorthSharing), Cores());
  EXPECT_GE(Cores(), 1);
}

// Every worker runs once, worker 0 on the calling thread.
TEST(Workers, EachWorkerRunsOnceTheFirstOnTheCaller) {
  for (const int count : {0, 1, 2, 5}) {
    std::vector<std::atomic<int>> runs(static_cast<size_t>(std::max(count, 1)));
    std::thread::id first;
    RunWorkers(count, [&](int w) {
      ++runs[static_cast<size_t>(w)];
      if (w == 0) first = std::this_thread::get_id();
    });
    for (const auto& r : runs) EXPECT_EQ(r.load(), 1) << count;
    EXPECT_EQ(first, std::this_thread::get_id());
  }
}

// A progress that stops the work once it has heard `stopAt` reports, and
// checks that it only hears rising shares below 1 from one thread.
class CountingProgress final : public Progress {
 public:
  explicit CountingProgress(int stopAt) : stopAt_(stopAt) {}
  bool Report(double fraction) override {
    EXPECT_EQ(std::this_thread::get_id(), caller_);
    EXPECT_GE(fraction, last_);
    EXPECT_LT(fraction, 1);
    last_ = fraction;
    return ++heard_ < stopAt_;
  }
  int heard_ = 0;

 private:
  int stopAt_;
  double last_ = 0;
  std::thread::id caller_ = std::this_thread::get_id();
};

// Random item counts and thread counts: without a stop every item is taken
// exactly once. A stop leaves items untaken, never one taken twice; on one
// thread it comes right after the report that asked for it.
TEST(Workers, ItemsAreTakenOnceEachUntilStopped) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const size_t count = random() % 300;
    const int threads = 1 + static_cast<int>(random() % 6);
    const bool stopping = round % 2 == 1 && count > 0;
    const int stopAt = stopping ? 1 + static_cast<int>(random() % count) : 1 << 30;
    CountingProgress progress(stopAt);
    std::vector<std::atomic<int>> taken(count);
    const bool done = TakeInTurn(count, threads, &progress, [&](Turns& turns) {
      while (const std::optional<size_t> item = turns.Next()) ++taken[*item];
    });
    size_t total = 0;
    for (const auto& t : taken) {
      EXPECT_LE(t.load(), 1);
      total += static_cast<size_t>(t.load());
    }
    const std::string what = std::to_string(count) + " items on " + std::to_string(threads);
    if (!stopping) {
      EXPECT_TRUE(done && total == count) << what;
    } else if (threads == 1) {
      EXPECT_TRUE(!done && total == static_cast<size_t>(stopAt - 1)) << what;
    }
    if (!done) {
      EXPECT_LT(total, count) << what;
    }
  }
}

TEST(Workers, BackgroundWorkRunsBesideItsCaller) {
  std::atomic<bool> go{false};
  std::thread::id ran;
  BackgroundWork work([&] {
    ran = std::this_thread::get_id();
    while (!go.load()) std::this_thread::yield();
  });
  EXPECT_FALSE(work.Finished());
  go.store(true);
  work.Join();
  EXPECT_TRUE(work.Finished());
  EXPECT_NE(ran, std::this_thread::get_id());
}

}  // namespace
}  // namespace trellimap
