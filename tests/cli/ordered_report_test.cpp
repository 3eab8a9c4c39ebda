#include "cli/ordered_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "cli/parallel_runs.h"
#include "cli/status_line.h"

namespace pressling::cli {
namespace {

TEST(OrderedReportTest, LaterFilesWaitForEarlierOnes) {
  StatusLine status(false, 3);
  OrderedReport report(3, status);
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  report.PrintLine(1, "b1");
  report.PrintLine(0, "a1");
  report.PrintLine(2, "c1");
  report.Finish(2, "c failed");
  report.Finish(1, "");
  report.PrintLine(0, "a2");
  report.Finish(0, "a failed");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "a1\na2\nb1\nc1\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "a failed\nc failed\n");
}

TEST(OrderedReportTest, ManyThreadsGiveTheOrderOfOneAfterAnother) {
  constexpr std::size_t kFiles = 40;
  StatusLine status(false, kFiles);
  OrderedReport report(kFiles, status);
  ::testing::internal::CaptureStdout();
  RunInParallel(kFiles, 4, [&](std::size_t i) {
    for (int line = 0; line < 3; ++line) {
      report.PrintLine(i, std::to_string(i) + "." + std::to_string(line));
      std::this_thread::yield();
    }
    report.Finish(i, "");
  }, [] { return false; });
  std::string expected;
  for (std::size_t i = 0; i < kFiles; ++i)
    for (int line = 0; line < 3; ++line) expected += std::to_string(i) + "." + std::to_string(line) + "\n";
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), expected);
}

TEST(RunInParallelTest, EachOnceAtMostThreadsAtOnceAndNoneAfterAStop) {
  std::vector<int> calls(100);
  std::atomic<int> running{0}, most{0};
  std::mutex mutex;
  RunInParallel(calls.size(), 3, [&](std::size_t i) {
    const int now = ++running;
    {
      std::lock_guard lock(mutex);
      most = std::max(most.load(), now);
      ++calls[i];
    }
    std::this_thread::yield();
    --running;
  }, [] { return false; });
  EXPECT_EQ(std::count(calls.begin(), calls.end(), 1), 100);
  EXPECT_LE(most.load(), 3);

  std::atomic<int> started{0};
  RunInParallel(100, 2, [&](std::size_t) { ++started; }, [&] { return started.load() >= 5; });
  EXPECT_GE(started.load(), 5);
  EXPECT_LE(started.load(), 6);  // the second thread may have taken one more
}

TEST(FitToColumnsTest, KeepsTheEndAndShowsOddBytesAsQuestionMarks) {
  EXPECT_EQ(FitToColumns("dir/game.prc", 20), "dir/game.prc");
  EXPECT_EQ(FitToColumns("long/folder/game.prc", 10), "…/game.prc");
  EXPECT_EQ(FitToColumns("a\tb\xff.prc", 20), "a?b?.prc");
  // Japanese characters take two columns each.
  EXPECT_EQ(FitToColumns("ゲーム.prc", 8), "…ム.prc");
}

}  // namespace
}  // namespace pressling::cli
