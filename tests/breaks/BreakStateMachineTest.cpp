#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "LimitValues.h"
#include "breaks/BreakStateMachine.h"

using namespace pausalo;
using namespace std::chrono_literals;

namespace {

constexpr auto TimerPeriod = 500ms;
constexpr int PeriodsPerDay = 2 * 86'400;

// A simulated desktop: time passes in timer periods, the user acts through a
// behaviour called every period, and the tick timer fires when enabled. The
// break window runs its own nested loop of the same periods until it is
// closed, as a modal window does, so ticks and input are handled inside it.
class BreakWorld final : public BreakOutputs {
 public:
  explicit BreakWorld(TBreakLimits startLimits, std::chrono::milliseconds startTime = {}) {
    limits.Set(startLimits);
    clock.Set(startTime);
  }

  ManualClock clock;
  LimitValues limits;
  BreakStateMachine machine{clock, limits, *this};
  std::function<void(BreakWorld&)> user;

  std::string idleClock, workingClock, trayHint;
  std::string workingClockAtOpen, trayHintAtOpen;
  bool timerEnabled = false;
  bool windowOpen = false;
  bool pauseRunningShown = false;
  std::vector<TDateTime> openedAt, closedAt;
  std::vector<int> progressSteps;  // each position the bar took, once
  std::vector<TDateTime> progressStepTimes;

  void Period() {
    clock.Advance(TimerPeriod);
    if (user) user(*this);
    if (timerEnabled) machine.Tick();
  }
  void Run(std::chrono::milliseconds span) {
    for (auto left = span; left > 0ms; left -= TimerPeriod) Period();
  }
  void RunUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < PeriodsPerDay && !condition(); ++i) Period();
    ASSERT_TRUE(condition()) << "condition never held within a day";
  }
  // Seconds from a moment to another (or to now).
  double SecondsBetween(TDateTime from, TDateTime to) const {
    return static_cast<double>(SpanMilliseconds(to - from)) / 1000.0;
  }
  double SecondsSince(TDateTime from) const { return SecondsBetween(from, clock.Now()); }

  void ShowIdleClock(const std::string& text) override { idleClock = text; }
  void ShowWorkingClock(const std::string& text) override { workingClock = text; }
  void ShowTrayHint(const std::string& text) override { trayHint = text; }
  void OpenBreakWindow() override {
    EXPECT_FALSE(windowOpen) << "a second break window while one is open";
    windowOpen = true;
    pauseRunningShown = false;
    openedAt.push_back(clock.Now());
    workingClockAtOpen = workingClock;
    trayHintAtOpen = trayHint;
    for (int i = 0; i < PeriodsPerDay && windowOpen; ++i) Period();
    EXPECT_FALSE(windowOpen) << "the break window never closed";
    windowOpen = false;
  }
  void CloseBreakWindow() override {
    if (!windowOpen) return;
    windowOpen = false;
    closedAt.push_back(clock.Now());
  }
  bool BreakWindowShown() const override { return windowOpen; }
  // The window manager closes the window: its modal run ends, nobody tells
  // the break logic.
  void CloseByWindowManager() { windowOpen = false; }
  void ShowPauseRunning() override { pauseRunningShown = true; }
  void SetPauseProgress(int percent) override {
    EXPECT_TRUE(percent >= 0 && percent <= 100) << "bar position " << percent;
    if (!progressSteps.empty() && progressSteps.back() == percent) return;
    progressSteps.push_back(percent);
    progressStepTimes.push_back(clock.Now());
  }
  void SetTickTimerEnabled(bool enabled) override { timerEnabled = enabled; }
};

void KeepMovingTheMouse(BreakWorld& world) { world.machine.MouseEvent(); }
// Works until the break window comes, then leaves for good.
void WorkUntilTheBreak(BreakWorld& world) {
  if (world.openedAt.empty()) world.machine.MouseEvent();
}

constexpr TBreakLimits OneMinuteWork{1, 15, 3};
constexpr TBreakLimits StartValues{120, 15, 3};

}  // namespace

TEST(WorkingStretch, BreakWindowOpensOnTheFirstTickAtTheLimitAcrossMidnight) {
  // Starts 30 s before midnight of some day: the stretch spans it.
  BreakWorld world(OneMinuteWork, std::chrono::days(45'000) + 23h + 59min + 30s);
  world.user = WorkUntilTheBreak;
  world.machine.Start();
  const TDateTime started = world.clock.Now();

  world.RunUntil([&] { return !world.openedAt.empty(); });

  EXPECT_EQ(world.SecondsBetween(started, world.openedAt[0]), 60.0);
  EXPECT_EQ(world.workingClockAtOpen, "00:00:59");
}

TEST(WorkingStretch, WithoutInputGoesIdleThenCountsTheIdleStretchAsThePause) {
  BreakWorld world(StartValues);
  world.machine.Start();
  const TDateTime started = world.clock.Now();

  world.RunUntil([&] { return world.machine.State() == ssIdle; });
  EXPECT_EQ(world.SecondsSince(started), 180.0);
  EXPECT_EQ(world.workingClock, "00:02:59") << "the idle tick updates no text";

  world.Run(10s);
  EXPECT_EQ(world.idleClock, "00:03:10");
  EXPECT_EQ(world.machine.State(), ssIdle);

  world.RunUntil([&] { return world.machine.State() == ssWaiting; });
  EXPECT_EQ(world.SecondsSince(started), 900.0);
  EXPECT_TRUE(world.timerEnabled);
  world.Period();
  EXPECT_FALSE(world.timerEnabled) << "the next tick switches the timer off";
  EXPECT_TRUE(world.openedAt.empty());
}

TEST(WorkingStretch, KeyboardEndsIdleCountingTheIdleStretchAsWork) {
  BreakWorld world(StartValues);
  world.machine.Start();
  const TDateTime started = world.clock.Now();
  world.RunUntil([&] { return world.machine.State() == ssIdle; });
  world.Run(60s);

  world.user = [](BreakWorld& w) { w.machine.KeyboardEvent(); };
  world.Period();
  EXPECT_EQ(world.machine.State(), ssWorking);
  EXPECT_EQ(world.machine.ActivityStart(), started);
  world.Period();
  EXPECT_EQ(world.workingClock, "00:04:01");
}

TEST(WorkingStretch, MouseEndsIdleContinuingTheFrozenWorkingClock) {
  BreakWorld world(StartValues);
  world.user = KeepMovingTheMouse;
  world.machine.Start();
  world.Run(60s);
  world.user = nullptr;
  world.RunUntil([&] { return world.machine.State() == ssIdle; });
  const std::string frozen = world.workingClock;
  EXPECT_EQ(frozen, "00:03:59");
  world.Run(5min);

  world.user = KeepMovingTheMouse;
  world.Period();
  EXPECT_EQ(world.machine.State(), ssWorking);
  EXPECT_EQ(world.workingClock, frozen);
  world.Run(2s);
  EXPECT_EQ(world.workingClock, "00:04:01");
}

TEST(WorkingStretch, OneKeyPerTickAfterAnIdleStretchIsSeenAsWork) {
  BreakWorld world(StartValues);
  world.machine.Start();
  world.RunUntil([&] { return world.machine.State() == ssIdle; });

  world.user = [](BreakWorld& w) { w.machine.KeyboardEvent(); };
  world.Run(5s);
  EXPECT_EQ(world.machine.State(), ssWorking);
  EXPECT_EQ(world.workingClock, "00:03:05");
  EXPECT_EQ(world.idleClock, "00:00:00");
}

TEST(WorkingStretch, ALimitTypedDuringTheStretchCountsFromTheNextTick) {
  BreakWorld world(StartValues);
  world.user = WorkUntilTheBreak;
  world.machine.Start();
  world.Run(30min);
  EXPECT_TRUE(world.openedAt.empty());

  world.limits.SetValue(TLimit::Activity, 20);
  world.Period();
  ASSERT_EQ(world.openedAt.size(), 1u);
}

TEST(BreakWindow, UnansweredClosesAPauseAfterTheLastInputEvenInputInsideIt) {
  BreakWorld world(OneMinuteWork);
  // The user works on in another window for five minutes, then leaves.
  world.user = [](BreakWorld& w) {
    if (w.openedAt.empty() || w.SecondsSince(w.openedAt[0]) <= 5 * 60.0) w.machine.MouseEvent();
  };
  world.machine.Start();
  const TDateTime started = world.clock.Now();

  world.RunUntil([&] { return !world.closedAt.empty(); });

  EXPECT_EQ(world.SecondsBetween(started, world.openedAt[0]), 60.0);
  EXPECT_EQ(world.SecondsBetween(world.openedAt[0], world.closedAt[0]), (5 + 15) * 60.0);
  EXPECT_EQ(world.machine.State(), ssWaiting);
  EXPECT_EQ(world.machine.ActivityStart(), world.clock.Now());
  EXPECT_EQ(world.machine.LastInput(), world.clock.Now());
  EXPECT_EQ(world.idleClock, "00:14:59") << "the idle clock ran inside the window, from the last input";
}

TEST(BreakWindow, ClosedByTheWindowManagerTheBreakIsTimedFromTheLastInputBeforeIt) {
  BreakWorld world(OneMinuteWork);
  world.user = [](BreakWorld& w) {
    w.machine.MouseEvent();
    if (w.windowOpen && w.SecondsSince(w.openedAt[0]) >= 60.0) w.CloseByWindowManager();
  };
  world.machine.Start();
  const TDateTime started = world.clock.Now();

  world.RunUntil([&] { return !world.openedAt.empty() && world.machine.State() != ssBreakDue; });

  // Input stamped while the window stood, up to its last minute on the
  // screen; afterwards the user's input no longer puts the pause off.
  EXPECT_EQ(world.SecondsSince(started), (1 + 1 + 15) * 60.0);
  EXPECT_TRUE(world.closedAt.empty()) << "only the window manager closed it";
}

TEST(BreakWindow, OkTimesThePauseWithTheBarThenClosesByItself) {
  BreakWorld world(OneMinuteWork);
  TDateTime okPressed = 0;
  world.user = [&](BreakWorld& w) {
    w.machine.MouseEvent();
    if (w.windowOpen && w.machine.State() == ssBreakDue) {
      w.machine.AcceptBreak();
      okPressed = w.clock.Now();
    }
    if (w.machine.State() == ssPausing) {
      EXPECT_TRUE(w.pauseRunningShown);
    }
  };
  world.machine.Start();

  world.RunUntil([&] { return !world.closedAt.empty(); });

  ASSERT_EQ(world.progressSteps.size(), 101u);
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(world.progressSteps[static_cast<std::size_t>(i)], i);
  const double pauseSeconds = world.SecondsBetween(okPressed, world.closedAt[0]);
  EXPECT_GE(pauseSeconds, 895.0) << "the bar reaches 100 when it rounds to 100";
  EXPECT_LE(pauseSeconds, 900.0);
  EXPECT_NEAR(world.SecondsBetween(world.progressStepTimes[10], world.progressStepTimes[60]), 450.0, 0.5)
      << "one step about every 9 s";
  EXPECT_EQ(world.machine.State(), ssWorking) << "the mouse moving on at the pause's end begins a stretch";
  EXPECT_EQ(world.machine.ActivityStart(), world.closedAt[0]);
}

TEST(BreakWindow, ThePauseBarRoundsExactHalvesToEvenOnADayFarFromDayZero) {
  // A one-minute pause moves the bar 5/6 per cent a tick: after 4.5 s it
  // stands at exactly 7.5, which rounds to 8 (half to even), and after
  // 13.5 s at 22.5, which rounds to 22.
  BreakWorld world({1, 1, 3}, std::chrono::hours(24 * 100));
  TDateTime okPressed = 0;
  world.user = [&](BreakWorld& w) {
    if (w.windowOpen && w.machine.State() == ssBreakDue) {
      w.machine.AcceptBreak();
      okPressed = w.clock.Now();
    }
  };
  world.machine.Start();
  world.RunUntil([&] { return !world.closedAt.empty(); });

  const auto firstTimeAt = [&](int percent) {
    for (std::size_t i = 0; i < world.progressSteps.size(); ++i)
      if (world.progressSteps[i] == percent) return world.SecondsBetween(okPressed, world.progressStepTimes[i]);
    return -1.0;
  };
  EXPECT_EQ(firstTimeAt(8), 4.5);
  EXPECT_EQ(firstTimeAt(23), 14.0);
  EXPECT_EQ(firstTimeAt(22), 13.0);
}

TEST(BreakWindow, SnoozeWorksOnceThenTheWindowReturnsAtOnce) {
  BreakWorld world(OneMinuteWork);
  world.user = [&](BreakWorld& w) {
    w.machine.MouseEvent();
    if (w.windowOpen && w.machine.State() == ssBreakDue) {
      if (w.openedAt.size() < 3) {
        w.machine.Snooze();
        EXPECT_FALSE(w.windowOpen) << "snooze closes at once";
      } else {
        w.machine.AcceptBreak();
      }
    }
  };
  world.machine.Start();
  const TDateTime started = world.clock.Now();

  world.RunUntil([&] { return world.closedAt.size() == 3; });

  ASSERT_EQ(world.openedAt.size(), 3u);
  EXPECT_EQ(world.SecondsBetween(started, world.openedAt[1]), 6 * 60.0);
  EXPECT_EQ(world.SecondsBetween(world.openedAt[1], world.openedAt[2]), 0.5)
      << "a second snooze brings the window back on the very next tick";
  EXPECT_EQ(world.workingClockAtOpen, "00:00:59") << "the Home clocks stand still while snoozed";
  EXPECT_EQ(world.trayHintAtOpen, "Time elapsed: 00:06:00") << "the tray hint goes on counting";
}

TEST(Snooze, AwayForAPauseAfterSnoozingEndsTheSnoozeLikeAFinishedPause) {
  BreakWorld world({1, 3, 3});
  TDateTime lastInput = 0;
  // Snoozes the first window, works two minutes more, then leaves.
  world.user = [&](BreakWorld& w) {
    if (w.windowOpen && w.openedAt.size() == 1) w.machine.Snooze();
    if (w.openedAt.empty() || w.SecondsSince(w.openedAt[0]) <= 2 * 60.0) {
      w.machine.KeyboardEvent();
      lastInput = w.clock.Now();
    }
  };
  world.machine.Start();

  world.RunUntil([&] { return world.machine.State() == ssWaiting; });

  EXPECT_EQ(world.SecondsBetween(lastInput, world.clock.Now()), 3 * 60.0);
  EXPECT_EQ(world.openedAt.size(), 1u) << "the window did not come back at six minutes";
  EXPECT_EQ(world.machine.ActivityStart(), world.clock.Now());
  EXPECT_EQ(world.machine.LastInput(), world.clock.Now());
}

TEST(Snooze, AWindowReopenedAfterASnoozeClosesAPauseAfterTheLastInput) {
  BreakWorld world({1, 3, 3});
  TDateTime lastInput = 0;
  // Snoozes the first window, works until four minutes into the day.
  world.user = [&](BreakWorld& w) {
    if (w.windowOpen && w.openedAt.size() == 1) w.machine.Snooze();
    if (w.SecondsBetween(w.openedAt.empty() ? w.clock.Now() : w.openedAt[0], w.clock.Now()) <= 3 * 60.0) {
      w.machine.MouseEvent();
      lastInput = w.clock.Now();
    }
  };
  world.machine.Start();
  const TDateTime started = world.clock.Now();

  world.RunUntil([&] { return !world.closedAt.empty() && world.machine.State() == ssWaiting; });

  ASSERT_EQ(world.openedAt.size(), 2u);
  EXPECT_EQ(world.SecondsBetween(started, world.openedAt[1]), 6 * 60.0);
  EXPECT_EQ(world.SecondsBetween(lastInput, world.closedAt.back()), 3 * 60.0) << "reopening the window is no input";
}

TEST(BreakWindow, AZeroOrNegativePauseEndsATimedPauseAtOnce) {
  for (const int pause : {0, -5}) {
    BreakWorld world(OneMinuteWork);
    world.user = [&](BreakWorld& w) {
      if (w.windowOpen && w.machine.State() == ssBreakDue) {
        w.limits.SetValue(TLimit::Pause, pause);
        w.machine.AcceptBreak();
      }
    };
    world.machine.Start();
    world.RunUntil([&] { return !world.closedAt.empty(); });
    EXPECT_EQ(world.progressSteps, std::vector<int>{100}) << "pause " << pause;
    EXPECT_EQ(world.SecondsBetween(world.openedAt[0], world.closedAt[0]), 0.5);
  }
}

TEST(Commands, StopHaltsCountingAndStartCountsAfresh) {
  BreakWorld world(StartValues);
  world.user = KeepMovingTheMouse;
  world.machine.Start();
  world.Run(10min);
  world.machine.Stop();
  EXPECT_EQ(world.machine.State(), ssWaiting);
  EXPECT_FALSE(world.timerEnabled);
  world.user = nullptr;
  world.Run(3h);
  EXPECT_TRUE(world.openedAt.empty());

  world.machine.Start();
  world.Period();
  EXPECT_EQ(world.workingClock, "00:00:00");
  EXPECT_EQ(world.idleClock, "00:00:00");
}

TEST(Commands, InputWhileWaitingStartsANewStretchAndTheTimer) {
  BreakWorld world(StartValues);
  world.machine.Start();
  world.machine.Stop();
  world.Run(1h);
  world.machine.KeyboardEvent();
  EXPECT_EQ(world.machine.State(), ssWorking);
  EXPECT_TRUE(world.timerEnabled);
  EXPECT_EQ(world.machine.ActivityStart(), world.clock.Now());
}

TEST(WallClockIndependence, ASuspendLongerThanAPauseCountsAsThePause) {
  BreakWorld world(StartValues);
  world.user = KeepMovingTheMouse;
  world.machine.Start();
  world.Run(10min);

  world.user = nullptr;
  world.clock.Advance(20min);  // the laptop lid was closed
  world.Period();
  EXPECT_EQ(world.machine.State(), ssIdle);
  world.Period();
  EXPECT_EQ(world.machine.State(), ssWaiting);

  world.user = KeepMovingTheMouse;
  world.Run(2s);
  EXPECT_EQ(world.workingClock, "00:00:01") << "a new working stretch";
}

// Before or after OK, the tick after the suspend is more than a pause late; the bar stops at 100.
TEST(WallClockIndependence, ASuspendDuringTheBreakWindowClosesIt) {
  for (const bool okPressed : {false, true}) {
    BreakWorld world(OneMinuteWork);
    world.user = [&](BreakWorld& w) {
      w.machine.MouseEvent();
      if (!w.windowOpen) return;
      if (okPressed && w.machine.State() == ssBreakDue) w.machine.AcceptBreak();
      w.clock.Advance(20min);
    };
    world.machine.Start();
    world.RunUntil([&] { return !world.closedAt.empty(); });
    EXPECT_EQ(world.SecondsBetween(world.openedAt[0], world.closedAt[0]), 20 * 60.0 + 0.5) << okPressed;
    EXPECT_EQ(world.progressSteps, okPressed ? std::vector<int>{100} : std::vector<int>{}) << okPressed;
    EXPECT_EQ(world.machine.State(), ssWaiting);
  }
}

// The machine sleeps in one state (a suspend freezes the program, its ticks
// included), and the user's first input on waking comes before the next
// tick: the time away counts as the ticks would have counted it, never as
// work.
struct Sleep {
  const char* name;
  TBreakState asleepIn;
  TBreakLimits limits;
  std::chrono::seconds away;
  bool keyToo;               // a key first as well as the mouse
  const char* workingClock;  // two seconds after the input
  bool newStretch;           // the input begins a working stretch
};
void PrintTo(const Sleep& sleep, std::ostream* out) { *out << sleep.name; }

class WakingInput : public ::testing::TestWithParam<Sleep> {};

TEST_P(WakingInput, CountsTheTimeAwayAsTheTicksWouldHave) {
  const Sleep& sleep = GetParam();
  for (const bool mouse : {true, false}) {
    if (!mouse && !sleep.keyToo) continue;
    BreakWorld world(sleep.limits);
    std::optional<TDateTime> inputAt;
    TDateTime stretchBegan = 0;
    // Works (15 s, or 10 s after snoozing) into the state, sleeps there,
    // then works on.
    world.user = [&](BreakWorld& w) {
      const TBreakState state = w.machine.State();
      const double settled = state == ssWorking ? 15.0 : state == ssSnoozed ? 10.0 : 0.0;
      if (!inputAt && state == sleep.asleepIn && w.SecondsSince(stretchBegan) >= settled) {
        w.clock.Advance(sleep.away);
        mouse ? w.machine.MouseEvent() : w.machine.KeyboardEvent();
        inputAt = w.clock.Now();
        return;
      }
      if (!inputAt && state == ssBreakDue && sleep.asleepIn == ssSnoozed) {
        w.machine.Snooze();
        stretchBegan = w.clock.Now();
      }
      if (!inputAt && state == ssBreakDue && sleep.asleepIn == ssPausing) w.machine.AcceptBreak();
      if (inputAt || sleep.asleepIn != ssIdle) w.machine.MouseEvent();
    };
    world.machine.Start();
    world.RunUntil([&] { return inputAt && world.SecondsSince(*inputAt) >= 2.0; });

    EXPECT_EQ(world.machine.State(), ssWorking) << "mouse " << mouse;
    EXPECT_EQ(world.workingClock, sleep.workingClock) << "mouse " << mouse;
    if (sleep.newStretch) {
      EXPECT_EQ(world.machine.ActivityStart(), *inputAt) << "mouse " << mouse;
    }
    EXPECT_TRUE(world.openedAt.empty() || world.openedAt.back() < *inputAt) << "mouse " << mouse;
    EXPECT_FALSE(world.windowOpen) << "mouse " << mouse;
  }
}

// Limits of a minute each, 69 s away: longer than the pause, so the input
// begins a new stretch. Shorter than the pause, a stretch gone idle goes on
// as an idle stretch ends: the mouse from its frozen working clock.
INSTANTIATE_TEST_SUITE_P(
    States, WakingInput,
    ::testing::Values(Sleep{"Working", ssWorking, {1, 1, 1}, 69s, true, "00:00:02", true},
                      Sleep{"WorkingShorterThanThePause", ssWorking, {2, 3, 1}, 90s, false, "00:00:16", false},
                      Sleep{"Idle", ssIdle, {1, 1, 1}, 69s, true, "00:00:02", true},
                      Sleep{"BreakWindow", ssBreakDue, {1, 1, 1}, 69s, true, "00:00:02", true},
                      Sleep{"Snoozed", ssSnoozed, {1, 1, 1}, 69s, true, "00:00:02", true},
                      Sleep{"Pausing", ssPausing, {1, 1, 1}, 69s, true, "00:00:02", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WallClockIndependence, AClockThatStepsBackNeverYieldsNegativeSpans) {
  BreakWorld world(OneMinuteWork);
  world.user = KeepMovingTheMouse;
  world.machine.Start();
  world.Run(30s);
  world.clock.Advance(-1h);
  world.Period();
  EXPECT_EQ(world.machine.State(), ssWorking);
  EXPECT_GE(world.machine.IdleElapsed(), 0.0);
  EXPECT_GE(world.machine.ActivityElapsed(), 0.0);
  EXPECT_EQ(world.workingClock, "00:00:00");
  EXPECT_EQ(world.idleClock, "00:00:00");
  EXPECT_TRUE(world.openedAt.empty());
}
