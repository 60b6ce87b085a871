#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "EventLoopWaits.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "widgets/ThreadedTimer.h"

using namespace pausalo;
using namespace std::chrono_literals;
using pausalo::testing::ProcessEventsFor;
using pausalo::testing::ProcessEventsUntil;

namespace {

class ThreadedTimerTest : public ::testing::Test {
 protected:
  ThreadedTimerTest() {
    application.OnException = [this](const std::exception& error) {
      reported.push_back(error.what());
      reportedOnGuiThread = reportedOnGuiThread && std::this_thread::get_id() == guiThread;
    };
  }

  // A running timer: 1 ms, counting its ticks.
  void Start(TThreadedTimer& timer) {
    timer.SetInterval(1);
    timer.SetOnTimer([this](QObject* sender) {
      lastSender = sender;
      lastThread = std::this_thread::get_id();
      ++ticks;
    });
  }
  bool TicksReach(int count) {
    return ProcessEventsUntil([&] { return ticks >= count; });
  }

  const std::thread::id guiThread = std::this_thread::get_id();
  TApplication application;
  std::vector<std::string> reported;
  bool reportedOnGuiThread = true;
  std::atomic<int> ticks{0};
  std::atomic<QObject*> lastSender{nullptr};
  std::thread::id lastThread;
};

}  // namespace

TEST_F(ThreadedTimerTest, StartsWithItsDefaultsAndIsNotArmedByConstruction) {
  TThreadedTimer timer;
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_TRUE(timer.SyncEvent());
  EXPECT_TRUE(timer.Threaded());
  EXPECT_EQ(timer.ThreadPriority(), tpNormal);
  EXPECT_FALSE(timer.OnTimer());
  EXPECT_TRUE(timer.Worker().Suspended());
  EXPECT_EQ(timer.WindowHandle(), 0u);
}

TEST_F(ThreadedTimerTest, SynchronisedTicksRunOnTheGuiThreadWithTheTimerAsSender) {
  TThreadedTimer timer;
  Start(timer);
  EXPECT_FALSE(timer.Worker().Suspended()) << "assigning OnTimer arms the timer";
  ASSERT_TRUE(TicksReach(3));
  EXPECT_EQ(lastSender, &timer);
  EXPECT_EQ(lastThread, guiThread);
}

TEST_F(ThreadedTimerTest, UnsynchronisedTicksRunOnTheWorker) {
  TThreadedTimer timer;
  timer.SetSyncEvent(false);
  Start(timer);
  ASSERT_TRUE(TicksReach(3));
  timer.SetEnabled(false);
  EXPECT_NE(lastThread, guiThread);
  EXPECT_EQ(lastSender, &timer);
}

TEST_F(ThreadedTimerTest, ZeroIntervalNeverTicksInEitherMode) {
  TThreadedTimer timer;
  Start(timer);
  timer.SetInterval(0);
  EXPECT_TRUE(timer.Worker().Suspended());
  const int before = ticks;
  ProcessEventsFor(30ms);
  EXPECT_LE(ticks, before + 1) << "only a tick already on its way";

  timer.SetThreaded(false);
  EXPECT_NE(timer.WindowHandle(), 0u);
  const int windowBefore = ticks;
  ProcessEventsFor(30ms);
  EXPECT_EQ(ticks, windowBefore);
}

TEST_F(ThreadedTimerTest, DisablingPausesTheWorkerAndEnablingResumesTicking) {
  TThreadedTimer timer;
  timer.SetSyncEvent(false);
  Start(timer);
  ASSERT_TRUE(TicksReach(2));
  timer.SetEnabled(false);
  EXPECT_TRUE(timer.Worker().Suspended());
  const int stoppedAt = ticks;
  ProcessEventsFor(30ms);
  EXPECT_LE(ticks, stoppedAt + 1) << "at most the tick already under way";

  timer.SetEnabled(true);
  EXPECT_FALSE(timer.Worker().Suspended());
  EXPECT_TRUE(TicksReach(ticks + 3));
}

// The handler is swapped by the GUI thread while the worker runs it.
TEST_F(ThreadedTimerTest, ReplacingTheHandlerChangesOnlyWhichHandlerRuns) {
  TThreadedTimer timer;
  timer.SetSyncEvent(false);
  Start(timer);
  ASSERT_TRUE(TicksReach(1));
  std::atomic<int> second{0};
  const std::string name = "a handler with state of its own";
  const auto secondHandler = [&, name](QObject*) { second += name.empty() ? 0 : 1; };
  for (int swap = 0; swap < 200; ++swap) {
    timer.SetOnTimer(secondHandler);
    std::this_thread::sleep_for(100us);
    Start(timer);
  }
  timer.SetOnTimer(secondHandler);
  EXPECT_FALSE(timer.Worker().Suspended());
  const int firstAfterReplace = ticks;
  const int secondBefore = second;
  ASSERT_TRUE(ProcessEventsUntil([&] { return second >= secondBefore + 3; }));
  EXPECT_LE(ticks, firstAfterReplace + 1) << "at most a tick already under way";

  timer.SetOnTimer(nullptr);
  EXPECT_TRUE(timer.Worker().Suspended()) << "no handler, no ticks";
}

// A change suspends and resumes the worker. The sleep under way then ends
// as it would have (or starts again with the new interval), but no tick
// comes between: none earlier than the sooner of the two.
TEST_F(ThreadedTimerTest, ANewIntervalOrPriorityBringsNoEarlyTick) {
  using Clock = std::chrono::steady_clock;
  TThreadedTimer timer;
  timer.SetSyncEvent(false);
  std::mutex lock;
  std::vector<Clock::time_point> tickTimes;
  std::uint32_t interval = 100;
  timer.SetInterval(interval);
  auto previous = Clock::now();
  timer.SetOnTimer([&](QObject*) {
    std::lock_guard guard(lock);
    tickTimes.push_back(Clock::now());
  });
  const auto firstTickAfter = [&](Clock::time_point start) {
    Clock::time_point tick;
    EXPECT_TRUE(ProcessEventsUntil([&] {
      std::lock_guard guard(lock);
      for (const auto& time : tickTimes) {
        if (time >= start) return tick = time, true;
      }
      return false;
    }));
    return tick;
  };

  for (int change = 0; change < 8; ++change) {
    const std::uint32_t newInterval = change % 4 < 2 ? 60 : 100;
    const auto changed = Clock::now();
    if (change % 2 == 0) {
      timer.SetInterval(newInterval);
      EXPECT_EQ(timer.Worker().Interval(), newInterval);
    } else {
      timer.SetThreadPriority(change % 4 == 1 ? tpLower : tpNormal);
    }
    EXPECT_FALSE(timer.Worker().Suspended());
    const auto tick = firstTickAfter(changed);
    const auto earliest = std::min(previous + std::chrono::milliseconds(interval),
                                   changed + std::chrono::milliseconds(newInterval));
    EXPECT_GE(tick - changed, earliest - changed) << "change " << change;
    interval = newInterval;
    previous = tick;
  }
}

TEST_F(ThreadedTimerTest, ATickThatRaisesOnTheWorkerIsReportedOnTheGuiThreadAndTickingGoesOn) {
  TThreadedTimer timer;
  timer.SetSyncEvent(false);
  timer.SetInterval(1);
  timer.SetOnTimer([&](QObject*) {
    if (++ticks % 2 == 0) throw EAbort();
    throw Exception("tick failed");
  });
  ASSERT_TRUE(ProcessEventsUntil([&] { return reported.size() >= 2; }));
  EXPECT_TRUE(TicksReach(6));
  timer.SetEnabled(false);
  EXPECT_EQ(reported[0], "tick failed");
  EXPECT_TRUE(reportedOnGuiThread);
  EXPECT_LE(static_cast<int>(reported.size()), (ticks + 1) / 2) << "EAbort is not reported";
}

TEST_F(ThreadedTimerTest, ASynchronisedTickThatRaisesIsReportedAndTheWorkerStaysUsable) {
  TThreadedTimer timer;
  timer.SetInterval(1);
  timer.SetOnTimer([&](QObject*) {
    ++ticks;
    throw Exception("synchronised tick failed");
  });
  ASSERT_TRUE(ProcessEventsUntil([&] { return reported.size() >= 2; }));
  EXPECT_EQ(reported[0], "synchronised tick failed");
  EXPECT_TRUE(reportedOnGuiThread);
}

TEST_F(ThreadedTimerTest, WindowModeTicksOnTheGuiThreadAndReportsExceptions) {
  TThreadedTimer timer;
  timer.SetThreaded(false);
  Start(timer);
  EXPECT_TRUE(timer.Worker().Suspended());
  EXPECT_NE(timer.WindowHandle(), 0u);
  ASSERT_TRUE(TicksReach(3));
  EXPECT_EQ(lastThread, guiThread);
  EXPECT_EQ(lastSender, &timer);

  timer.SetOnTimer([&](QObject*) { throw Exception("window tick failed"); });
  ASSERT_TRUE(ProcessEventsUntil([&] { return reported.size() >= 2; }));
  EXPECT_EQ(reported[0], "window tick failed");

  timer.SetEnabled(false);
  EXPECT_NE(timer.WindowHandle(), 0u) << "a disabled window timer keeps its window";
  // Longer than the window's timers go: they take the longest they can.
  timer.SetInterval(std::numeric_limits<std::uint32_t>::max());
  EXPECT_NO_THROW(timer.SetEnabled(true));
  timer.SetThreaded(true);
  EXPECT_EQ(timer.WindowHandle(), 0u);
}

TEST_F(ThreadedTimerTest, PriorityIsGivenToTheWorkerWhenThreadedModeStartsIt) {
  TThreadedTimer timer;
  timer.SetThreaded(false);
  Start(timer);
  timer.SetThreadPriority(tpIdle);
  EXPECT_EQ(timer.Worker().Priority(), tpNormal) << "window mode only stores it";

  timer.SetThreaded(true);
  EXPECT_EQ(timer.Worker().Priority(), tpIdle);
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(timer.Worker().ThreadID())), 19);
}

TEST_F(ThreadedTimerTest, NoTickAfterTheApplicationBeganToTerminate) {
  TThreadedTimer timer;
  timer.SetSyncEvent(false);
  application.Terminate();
  Start(timer);
  ProcessEventsFor(30ms);
  EXPECT_EQ(ticks, 0);
}

TEST_F(ThreadedTimerTest, CallSynchronizedRunsOnTheGuiThreadFromTheWorkerAndAtOnceElsewhere) {
  TThreadedTimer timer;
  timer.SetSyncEvent(false);
  std::thread::id ranOn;
  std::string caught;
  std::atomic<bool> done{false};
  timer.SetInterval(1);
  timer.SetOnTimer([&](QObject*) {
    if (done) return;
    timer.CallSynchronized([&] { ranOn = std::this_thread::get_id(); });
    try {
      timer.CallSynchronized([] { throw Exception("raised on the GUI thread"); });
    } catch (const Exception& error) {
      caught = error.what();
    }
    done = true;
  });
  ASSERT_TRUE(ProcessEventsUntil([&] { return done.load(); }));
  timer.SetEnabled(false);
  EXPECT_EQ(ranOn, guiThread);
  EXPECT_EQ(caught, "raised on the GUI thread");

  bool ranDirectly = false;
  timer.CallSynchronized([&] { ranDirectly = true; });
  EXPECT_TRUE(ranDirectly);
}

// The worker waits in a synchronised tick that the GUI thread has not got
// to: disabling the timer drops the tick, and destroying it must neither
// deadlock nor run the tick later.
TEST_F(ThreadedTimerTest, ATickWaitingForTheGuiThreadIsDroppedByDisablingOrDestroyingTheTimer) {
  auto timer = std::make_unique<TThreadedTimer>();
  Start(*timer);
  std::this_thread::sleep_for(30ms);
  timer->SetEnabled(false);
  ProcessEventsFor(20ms);
  EXPECT_EQ(ticks, 0) << "a disabled timer ticked";
  timer->SetEnabled(true);
  std::this_thread::sleep_for(30ms);
  timer.reset();
  ProcessEventsFor(20ms);
  EXPECT_EQ(ticks, 0);
}

// Destruction waits for a tick that runs on the worker, so the worker
// never reads a freed timer, even late in a slow tick.
TEST_F(ThreadedTimerTest, DestroyingWaitsForATickInProgressOnTheWorker) {
  auto timer = std::make_unique<TThreadedTimer>();
  timer->SetSyncEvent(false);
  timer->SetInterval(1);
  std::atomic<bool> inTick{false};
  std::atomic<bool> tickFinished{false};
  std::atomic<bool> ranOnGuiThread{false};
  timer->SetOnTimer([&](QObject* sender) {
    if (inTick.exchange(true)) return;
    std::this_thread::sleep_for(50ms);
    static_cast<TThreadedTimer*>(sender)->CallSynchronized([&] { ranOnGuiThread = true; });
    tickFinished = true;
  });
  while (!inTick) std::this_thread::yield();
  timer.reset();
  EXPECT_TRUE(tickFinished);
  EXPECT_FALSE(ranOnGuiThread) << "nothing is synchronised once destruction began";
}

namespace {

// Ends the test run when a call does not return within the limit: a hang
// would otherwise stall the whole suite.
class HangGuard {
 public:
  explicit HangGuard(const char* what)
      : watchdog_([this, what] {
          std::unique_lock guard(lock_);
          if (!returned_.wait_for(guard, 20s, [this] { return done_; })) {
            std::fprintf(stderr, "Hung: %s\n", what);
            std::abort();
          }
        }) {}
  ~HangGuard() {
    {
      std::lock_guard guard(lock_);
      done_ = true;
    }
    returned_.notify_all();
    watchdog_.join();
  }

 private:
  std::mutex lock_;
  std::condition_variable returned_;
  bool done_ = false;
  std::thread watchdog_;
};

}  // namespace

// The GUI thread destroys the timer while it is inside a synchronised call
// of the worker, which cannot end before that call returns: in the report
// of a tick's exception, and in a synchronised tick.
TEST_F(ThreadedTimerTest, DestroyingFromInsideTheWorkersSynchronisedCallDoesNotHang) {
  auto timer = std::make_unique<TThreadedTimer>();
  timer->SetSyncEvent(false);
  timer->SetInterval(1);
  timer->SetOnTimer([](QObject*) { throw Exception("tick failed"); });
  application.OnException = [&](const std::exception& error) {
    reported.push_back(error.what());
    const HangGuard guard("destroying the timer while its tick's exception is reported");
    timer.reset();
  };
  ASSERT_TRUE(ProcessEventsUntil([&] { return timer == nullptr; }));
  ProcessEventsFor(20ms);
  EXPECT_EQ(reported, std::vector<std::string>{"tick failed"});

  timer = std::make_unique<TThreadedTimer>();
  timer->SetInterval(1);
  timer->SetOnTimer([&](QObject*) {
    ++ticks;
    const HangGuard guard("destroying the timer from its synchronised tick");
    timer.reset();
  });
  ASSERT_TRUE(ProcessEventsUntil([&] { return timer == nullptr; }));
  ProcessEventsFor(20ms);
  EXPECT_EQ(ticks, 1);
}

// A thread without an event loop has no timers to give.
TEST_F(ThreadedTimerTest, RefusedWindowTimerRaisesAndLeavesTheWindowWithoutTimer) {
  std::string raised;
  bool enabledKept = false;
  bool windowKept = false;
  std::thread([&] {
    TThreadedTimer timer;
    timer.SetEnabled(false);
    timer.SetThreaded(false);
    timer.SetOnTimer([](QObject*) {});
    try {
      timer.SetEnabled(true);
    } catch (const EOutOfResources& error) {
      raised = error.what();
    }
    enabledKept = timer.Enabled();
    windowKept = timer.WindowHandle() != 0;
  }).join();
  EXPECT_EQ(raised, "Not enough timers available");
  EXPECT_TRUE(enabledKept);
  EXPECT_TRUE(windowKept);
}
