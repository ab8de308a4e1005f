#include "bramlow/wizard/progress_pacer.h"

#include <gtest/gtest.h>

using bramlow::ProgressPacer;

namespace {

struct FakeClock {
  uint32_t ms = 0;
  std::function<uint32_t()> Fn() {
    return [this] { return ms; };
  }
};

}  // namespace

TEST(ProgressPacer, ShowsTheFirstReportAtOnceAndThenOnlyTheLatestPerFrame) {
  FakeClock clock;
  ProgressPacer pacer(clock.Fn(), 50);
  pacer.Status(L"a");
  pacer.Position(1);
  auto first = pacer.Take(false);
  EXPECT_EQ(first.status, L"a");
  EXPECT_EQ(first.position, 1);

  clock.ms = 10;
  pacer.Status(L"b");
  pacer.Position(2);
  EXPECT_TRUE(pacer.Take(false).Empty());
  clock.ms = 49;
  pacer.Status(L"c");
  pacer.Position(3);
  EXPECT_TRUE(pacer.Take(false).Empty());

  clock.ms = 50;
  auto second = pacer.Take(false);
  EXPECT_EQ(second.status, L"c");
  EXPECT_EQ(second.position, 3);
  // Nothing new: nothing to show, however long it waits.
  clock.ms = 500;
  EXPECT_TRUE(pacer.Take(false).Empty());
}

TEST(ProgressPacer, EverythingKeptGoesOutWhenAskedForAll) {
  FakeClock clock;
  ProgressPacer pacer(clock.Fn(), 50);
  pacer.Status(L"a");
  pacer.Take(false);
  clock.ms = 1;
  pacer.Position(7);
  auto due = pacer.Take(true);
  EXPECT_FALSE(due.status);
  EXPECT_EQ(due.position, 7);
  EXPECT_TRUE(pacer.Take(true).Empty());
}

// The queue is looked at more often than the window is redrawn: it answers within a turn.
TEST(ProgressPacer, TheQueueIsLookedAtEveryTurnAndTheReportsShownEveryFrame) {
  FakeClock clock;
  ProgressPacer pacer(clock.Fn(), 40, 10);
  pacer.Status(L"a");
  EXPECT_EQ(pacer.Take(false).status, L"a");
  EXPECT_TRUE(pacer.PumpDue());
  int pumps = 0, shown = 0;
  for (clock.ms = 1; clock.ms <= 80; ++clock.ms) {
    pacer.Status(L"b");
    if (pacer.PumpDue()) ++pumps;
    if (pacer.Take(false).status) ++shown;
  }
  EXPECT_EQ(pumps, 8);
  EXPECT_EQ(shown, 2);
}

TEST(ProgressPacer, FramesSurviveTheClockWrappingAround) {
  FakeClock clock;
  clock.ms = 0xFFFFFFF0u;
  ProgressPacer pacer(clock.Fn(), 50);
  EXPECT_TRUE(pacer.PumpDue());
  clock.ms = 0xFFFFFFFFu;
  EXPECT_FALSE(pacer.PumpDue());
  clock.ms = 0x21;  // 49 ms after the first pump
  EXPECT_FALSE(pacer.PumpDue());
  clock.ms = 0x22;
  EXPECT_TRUE(pacer.PumpDue());
  pacer.Status(L"x");
  EXPECT_EQ(pacer.Take(false).status, L"x");
}
