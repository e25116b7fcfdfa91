#include <CtrvTime.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Generous upper bound: a loaded machine may stall a test for a while.
constexpr double kSlack = 0.5;
// Lower bounds allow for millisecond truncation and rounding of the readings.
constexpr double kTick = 0.002;

TEST(CtrvTime, NewChronometerIsIdleAtZero) {
  CtrvTime chrono;
  EXPECT_EQ(chrono.elapsedTime(), 0.0);
  EXPECT_EQ(chrono.ChronoTime(), 0.0);
  EXPECT_EQ(chrono.isStarted(), 0.0);
  EXPECT_FALSE(chrono.ChronoStatusIsStarted());
  EXPECT_FALSE(chrono.isPaused());
  EXPECT_EQ(chrono.pause(), TR_ERROR);
  chrono.resume();
  EXPECT_FALSE(chrono.isPaused());
  EXPECT_EQ(chrono.stop(), 0.0);
}

TEST(CtrvTime, StartAddsTheInitialValueAndRefusesASecondStart) {
  CtrvTime chrono;
  ASSERT_EQ(chrono.start(5.0), TR_OK);
  EXPECT_EQ(chrono.isStarted(), 1.0);
  sleepMs(30);
  const double first = chrono.elapsedTime();
  EXPECT_GE(first, 5.0 + 0.03 - kTick);
  EXPECT_LT(first, 5.0 + kSlack);

  // A refused start keeps the first begin time and offset.
  EXPECT_EQ(chrono.start(100.0), TR_ERROR);
  EXPECT_EQ(chrono.ChronoStart(100.0), -1);
  EXPECT_GE(chrono.elapsedTime(), first);
  EXPECT_LT(chrono.elapsedTime(), 5.0 + kSlack);
}

TEST(CtrvTime, PauseFreezesAndResumeContinuesFromTheFrozenTotal) {
  CtrvTime chrono;
  ASSERT_EQ(chrono.start(1.0), TR_OK);
  sleepMs(30);
  ASSERT_EQ(chrono.pause(), TR_OK);
  EXPECT_TRUE(chrono.isPaused());
  EXPECT_EQ(chrono.pause(), TR_ERROR);
  const double frozen = chrono.elapsedTime();
  EXPECT_GE(frozen, 1.03 - kTick);
  sleepMs(40);
  EXPECT_EQ(chrono.elapsedTime(), frozen);

  chrono.resume();
  EXPECT_FALSE(chrono.isPaused());
  sleepMs(30);
  const double resumed = chrono.elapsedTime();
  // Continues from the frozen value: the 40 ms pause is not counted.
  EXPECT_GE(resumed, frozen + 0.03 - kTick);
  EXPECT_LT(resumed, frozen + kSlack);
}

TEST(CtrvTime, StopKeepsItsReadingAndARestartDoesNotAccumulate) {
  CtrvTime chrono;
  ASSERT_EQ(chrono.ChronoStart(0.0), 0);
  sleepMs(20);
  const double stopped = chrono.ChronoStop();
  EXPECT_GE(stopped, 0.02 - kTick);
  EXPECT_EQ(chrono.isStarted(), 0.0);
  sleepMs(20);
  EXPECT_EQ(chrono.elapsedTime(), stopped);
  EXPECT_EQ(chrono.stop(), stopped);

  ASSERT_EQ(chrono.start(0.0), TR_OK);
  EXPECT_LT(chrono.elapsedTime(), stopped);
}

TEST(CtrvTime, StopWhilePausedKeepsThePausedState) {
  CtrvTime chrono;
  ASSERT_EQ(chrono.start(2.0), TR_OK);
  ASSERT_EQ(chrono.pause(), TR_OK);
  const double frozen = chrono.elapsedTime();
  EXPECT_EQ(chrono.stop(), frozen);
  EXPECT_TRUE(chrono.isPaused());
  EXPECT_EQ(chrono.isStarted(), 0.0);
  chrono.resume();  // not started: nothing happens
  EXPECT_TRUE(chrono.isPaused());

  // Restart while paused: the new offset is returned until resume.
  ASSERT_EQ(chrono.start(7.0), TR_OK);
  sleepMs(20);
  EXPECT_EQ(chrono.elapsedTime(), 7.0);
  chrono.resume();
  sleepMs(20);
  EXPECT_GE(chrono.elapsedTime(), 7.02 - kTick);
}

TEST(CtrvTime, CopiesCarryTheWholeState) {
  CtrvTime chrono;
  ASSERT_EQ(chrono.start(3.0), TR_OK);
  ASSERT_EQ(chrono.pause(), TR_OK);
  const CtrvTime copy(chrono);
  EXPECT_TRUE(copy.isPaused());
  EXPECT_EQ(copy.elapsedTime(), chrono.elapsedTime());
  CtrvTime assigned;
  assigned = chrono;
  EXPECT_EQ(assigned.isStarted(), 1.0);
}

TEST(CtrvTime, ResolutionIsOneMillisecond) {
  CtrvTime chrono;
  ASSERT_EQ(chrono.start(0.0), TR_OK);
  for (int i = 0; i < 20; ++i) {
    const double reading = chrono.elapsedTime();
    const double millis = reading * 1000.0;
    EXPECT_NEAR(millis, static_cast<double>(static_cast<long long>(millis + 0.5)), 1e-3);
  }
}

}  // namespace
