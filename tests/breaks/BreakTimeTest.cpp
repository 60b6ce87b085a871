#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "breaks/BreakTime.h"
#include "breaks/Clock.h"

using namespace pausalo;
using namespace std::chrono_literals;

namespace {
TDateTime Seconds(double s) { return s * 1000.0 / MillisecondsPerDay; }

// What a shell command prints, standard error included.
std::string OutputOf(const std::string& command) {
  const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
  std::string output;
  if (!pipe) return output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
  return output;
}
}  // namespace

TEST(FormatSpan, ShowsHoursMinutesSecondsWithColons) {
  EXPECT_EQ(FormatSpan(0), "00:00:00");
  EXPECT_EQ(FormatSpan(Seconds(12 * 60 + 5)), "00:12:05");
  EXPECT_EQ(FormatSpan(MinutesToDays(240) + Seconds(59)), "04:00:59");
}

TEST(FormatSpan, TruncatesToWholeSecondsAfterRoundingToMilliseconds) {
  EXPECT_EQ(FormatSpan(Seconds(59.999)), "00:00:59");
  // A span that is a whole minute but for floating-point noise.
  EXPECT_EQ(FormatSpan(1.0 / 1440.0 - 1e-15), "00:01:00");
}

TEST(FormatSpan, NeverShowsNegativeOrWrappedTimes) {
  EXPECT_EQ(FormatSpan(-Seconds(30)), "00:00:00");
  EXPECT_EQ(FormatSpan(1.0 + MinutesToDays(61)), "25:01:00");
}

TEST(TrayHint, PrefixesTheWorkingTime) { EXPECT_EQ(TrayHintText(Seconds(3661)), "Time elapsed: 01:01:01"); }

TEST(Reaches, CountsSumsOfClockStepsExactly) {
  // 120 steps of half a second, added up in days, make one minute even
  // though none of the steps is exact in binary.
  TDateTime span = 0;
  for (int i = 0; i < 120; ++i) span += Seconds(0.5);
  EXPECT_TRUE(Reaches(span, MinutesToDays(1)));
  EXPECT_FALSE(Reaches(span - Seconds(0.5), MinutesToDays(1)));
}

TEST(Reaches, ZeroLimitIsReachedAtOnce) { EXPECT_TRUE(Reaches(0, MinutesToDays(0))); }

TEST(ManualClock, StepsAddUpInDays) {
  ManualClock clock(24h);
  EXPECT_DOUBLE_EQ(clock.Now(), 1.0);
  clock.Advance(6h);
  EXPECT_DOUBLE_EQ(clock.Now(), 1.25);
}

TEST(BootClock, MovesForwardWithRealTime) {
  BootClock clock;
  const TDateTime before = clock.Now();
  std::this_thread::sleep_for(50ms);
  const TDateTime elapsed = clock.Now() - before;
  EXPECT_GE(SpanMilliseconds(elapsed), 50);
  EXPECT_LT(SpanMilliseconds(elapsed), 60'000);
}

// A suspended machine's monotonic clock stands still; the boot-time clock
// goes on. A time namespace shows a process a boot-time offset, exactly as
// if the machine had been suspended that long, and leaves the monotonic and
// real-time clocks as they are.
TEST(BootClock, CountsTimeTheMachineSpentSuspended) {
  constexpr long long SuspendedSeconds = 10 * 86'400;
  const long long before = SpanMilliseconds(BootClock().Now());
  const std::string output = OutputOf("unshare --time --boottime " + std::to_string(SuspendedSeconds) +
                                      " " BOOT_CLOCK_PROBE);
  const long long after = SpanMilliseconds(BootClock().Now());
  long long suspendedReading = 0;
  if (!(std::istringstream(output) >> suspendedReading))
    GTEST_SKIP() << "no time namespace for this process: " << output;
  // One millisecond either way for the rounding of each reading.
  EXPECT_GE(suspendedReading, before + SuspendedSeconds * 1000 - 1);
  EXPECT_LE(suspendedReading, after + SuspendedSeconds * 1000 + 1);
}
