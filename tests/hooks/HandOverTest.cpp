// When the X11 listeners hand a gathered batch over: on the half-second
// grid of the monotonic clock that every listener of the process shares.
#include <gtest/gtest.h>

#include "hooks/RawInputThread.h"

using pausalo::hooks::RawInputThread;
using namespace std::chrono_literals;

TEST(HandOver, WaitsUntilTheNextHalfSecondOfTheMonotonicClockRoundedUp) {
  EXPECT_EQ(RawInputThread::MillisecondsToHandOver(0ns), 500) << "on a hand-over time: the next one";
  EXPECT_EQ(RawInputThread::MillisecondsToHandOver(1ms), 499);
  EXPECT_EQ(RawInputThread::MillisecondsToHandOver(1200us), 499) << "498.8 ms rounded up";
  EXPECT_EQ(RawInputThread::MillisecondsToHandOver(499'999'999ns), 1) << "never 0: that would wake at once";
  EXPECT_EQ(RawInputThread::MillisecondsToHandOver(500ms), 500);
  EXPECT_EQ(RawInputThread::MillisecondsToHandOver(750ms), 250);
  // A machine up for 40 days.
  EXPECT_EQ(RawInputThread::MillisecondsToHandOver(40 * 24h + 100ms), 400);
}
