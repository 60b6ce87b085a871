#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <atomic>
#include <memory>
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

TEST_F(ThreadedTimerTest, ReplacingTheHandlerChangesOnlyWhichHandlerRuns) {
  TThreadedTimer timer;
  Start(timer);
  ASSERT_TRUE(TicksReach(1));
  std::atomic<int> second{0};
  timer.SetOnTimer([&](QObject*) { ++second; });
  EXPECT_FALSE(timer.Worker().Suspended());
  const int firstAfterReplace = ticks;
  ASSERT_TRUE(ProcessEventsUntil([&] { return second >= 3; }));
  EXPECT_EQ(ticks, firstAfterReplace) << "synchronised ticks run on this thread only";

  timer.SetOnTimer(nullptr);
  EXPECT_TRUE(timer.Worker().Suspended()) << "no handler, no ticks";
}

TEST_F(ThreadedTimerTest, ANewIntervalReachesTheWorkerWhichKeepsRunning) {
  TThreadedTimer timer;
  Start(timer);
  timer.SetInterval(2);
  EXPECT_EQ(timer.Worker().Interval(), 2u);
  EXPECT_FALSE(timer.Worker().Suspended());
  EXPECT_TRUE(TicksReach(3));
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

// The worker waits in a synchronised tick that the GUI thread never gets
// to: destroying the timer must neither deadlock nor run the tick later.
TEST_F(ThreadedTimerTest, DestroyingATimerWhoseTickWaitsForTheGuiThreadNeitherBlocksNorTicks) {
  auto timer = std::make_unique<TThreadedTimer>();
  Start(*timer);
  std::this_thread::sleep_for(30ms);
  timer.reset();
  ProcessEventsFor(20ms);
  EXPECT_EQ(ticks, 0);
}

// Destruction waits for a tick that runs on the worker, so the worker
// never reads a freed timer.
TEST_F(ThreadedTimerTest, DestroyingWaitsForATickInProgressOnTheWorker) {
  auto timer = std::make_unique<TThreadedTimer>();
  timer->SetSyncEvent(false);
  timer->SetInterval(1);
  std::atomic<bool> inTick{false};
  std::atomic<bool> tickFinished{false};
  timer->SetOnTimer([&](QObject*) {
    if (inTick.exchange(true)) return;
    std::this_thread::sleep_for(50ms);
    tickFinished = true;
  });
  while (!inTick) std::this_thread::yield();
  timer.reset();
  EXPECT_TRUE(tickFinished);
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
