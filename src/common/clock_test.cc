#include "common/clock.h"

#include <gtest/gtest.h>

namespace tev {
namespace {

using namespace std::chrono_literals;

TEST(Clock, InstalledFakeClockAndSleeperReplaceTheSystemOnes) {
  FakeClock clock(Clock::time_point{} + 1000ms);
  RecordingSleeper sleeper(&clock);
  Clock* oldClock = Clock::install(&clock);
  Sleeper* oldSleeper = Sleeper::install(&sleeper);

  EXPECT_EQ(Clock::current().currentTimeMillis(), 1000);
  Sleeper::current().sleepFor(20000ms);
  EXPECT_EQ(Clock::current().currentTimeMillis(), 21000);
  ASSERT_EQ(sleeper.sleeps.size(), 1u);
  EXPECT_EQ(sleeper.sleeps[0], 20000ms);

  Clock::install(oldClock);
  Sleeper::install(oldSleeper);
  EXPECT_EQ(&Clock::current(), &Clock::system());
  EXPECT_GT(Clock::current().currentTimeMillis(), 1600000000000LL);
}

}  // namespace
}  // namespace tev
