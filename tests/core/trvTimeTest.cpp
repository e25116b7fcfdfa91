// SPDX-License-Identifier: MIT
#include <CtrvTime.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Lower bounds allow for the millisecond resolution; upper bounds are wide,
// as a loaded machine may stall a test for a while.
constexpr double kTick = 0.002;
constexpr double kSlack = 0.5;

TEST(CtrvTime, CountsOnlyRunningTimeFromTheInitialValue) {
  CtrvTime chrono;
  ASSERT_EQ(chrono.start(1.0), TR_OK);
  EXPECT_EQ(chrono.start(100.0), TR_ERROR) << "a second start keeps the first";
  sleepMs(30);
  ASSERT_EQ(chrono.pause(), TR_OK);
  const double frozen = chrono.elapsedTime();
  EXPECT_GE(frozen, 1.03 - kTick);
  sleepMs(30);
  EXPECT_EQ(chrono.elapsedTime(), frozen);
  chrono.resume();
  sleepMs(30);
  const double stopped = chrono.stop();
  EXPECT_GE(stopped, frozen + 0.03 - kTick);
  EXPECT_LT(stopped, 1.0 + kSlack);
  sleepMs(20);
  EXPECT_EQ(chrono.elapsedTime(), stopped);
  ASSERT_EQ(chrono.start(0.0), TR_OK);
  EXPECT_LT(chrono.elapsedTime(), stopped) << "a restart does not add the old reading";
}
