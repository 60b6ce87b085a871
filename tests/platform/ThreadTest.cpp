#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "EventLoopWaits.h"
#include "platform/Exception.h"
#include "platform/Thread.h"

using namespace pausalo;
using namespace std::chrono_literals;
using pausalo::testing::ProcessEventsFor;
using pausalo::testing::ProcessEventsUntil;

namespace {

// A thread whose Execute is the given body.
class BodyThread final : public TThread {
 public:
  using Body = std::function<void(BodyThread&)>;
  explicit BodyThread(Body body) : body_(std::move(body)) {}
  ~BodyThread() override { Shutdown(); }

  using TThread::Sleep;
  using TThread::WaitWhileSuspended;

 protected:
  void Execute() override { body_(*this); }

 private:
  Body body_;
};

// Counts passes between pauses until terminated.
void CountPasses(BodyThread& self, std::atomic<int>& passes) {
  while (self.WaitWhileSuspended()) {
    ++passes;
    self.Sleep(1ms);
  }
}

// Whether the thread is blocked (in the kernel's words, sleeping).
bool Blocked(pid_t thread) {
  std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
  std::string line;
  std::getline(stat, line);
  return line.find(") S ") != std::string::npos;
}

// Suspends and resumes the thread before it can wake: meanwhile it may run
// only on this thread's processor, and only when that one is otherwise idle.
void SuspendAndResumeAtOnce(TThread& thread) {
  cpu_set_t processors, here;
  sched_getaffinity(0, sizeof processors, &processors);
  CPU_ZERO(&here);
  CPU_SET(sched_getcpu(), &here);
  const sched_param param{};
  for (const pid_t id : {0, thread.ThreadID()}) sched_setaffinity(id, sizeof here, &here);
  sched_setscheduler(thread.ThreadID(), SCHED_IDLE, &param);
  thread.Suspend();
  thread.Resume();
  sched_setscheduler(thread.ThreadID(), SCHED_OTHER, &param);
  for (const pid_t id : {thread.ThreadID(), 0}) sched_setaffinity(id, sizeof processors, &processors);
}

}  // namespace

TEST(ThreadTest, IsCreatedSuspendedAndRunsOnlyAfterResume) {
  std::atomic<bool> started{false};
  BodyThread thread([&](BodyThread&) { started = true; });
  EXPECT_TRUE(thread.Suspended());
  EXPECT_NE(thread.ThreadID(), 0);
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(started);

  thread.Resume();
  EXPECT_FALSE(thread.Suspended());
  ASSERT_TRUE(ProcessEventsUntil([&] { return started.load(); }));
}

TEST(ThreadTest, SuspensionsNestAndPauseTheThreadBetweenPasses) {
  std::atomic<int> passes{0};
  BodyThread thread([&](BodyThread& self) { CountPasses(self, passes); });
  thread.Resume();
  ASSERT_TRUE(ProcessEventsUntil([&] { return passes > 2; }));

  thread.Suspend();
  thread.Suspend();
  thread.Resume();
  EXPECT_TRUE(thread.Suspended()) << "two suspensions need two resumptions";
  const int pausedAt = passes;
  std::this_thread::sleep_for(30ms);
  EXPECT_LE(passes, pausedAt + 1) << "at most the pass under way completes";

  thread.Resume();
  EXPECT_FALSE(thread.Suspended());
  EXPECT_TRUE(ProcessEventsUntil([&] { return passes > pausedAt + 2; }));

  thread.Resume();
  EXPECT_FALSE(thread.Suspended()) << "resuming a running thread changes nothing";
  thread.Suspend();
  EXPECT_TRUE(thread.Suspended()) << "after a Resume too many, one Suspend pauses it again";
}

TEST(ThreadTest, TerminateEndsAPausedOrSleepingThreadAndWaitForReturns) {
  std::atomic<bool> sleptInFull{true};
  BodyThread sleeper([&](BodyThread& self) { sleptInFull = self.Sleep(1h); });
  sleeper.Resume();
  std::this_thread::sleep_for(10ms);
  sleeper.Terminate();
  sleeper.WaitFor();
  EXPECT_FALSE(sleptInFull);
  EXPECT_TRUE(sleeper.Terminated());

  std::atomic<bool> ran{false};
  BodyThread neverResumed([&](BodyThread&) { ran = true; });
  neverResumed.Terminate();
  neverResumed.WaitFor();
  EXPECT_FALSE(ran) << "a thread terminated while suspended never runs its body";
}

// A Suspend cuts a sleep short, also when a Resume undid it before the thread woke.
TEST(ThreadTest, SuspendCutsASleepShort) {
  for (const bool resumedAtOnce : {false, true}) {
    std::atomic<bool> sleeping{false};
    std::atomic<int> result{-1};
    BodyThread thread([&](BodyThread& self) {
      sleeping = true;
      result = self.Sleep(1h) ? 1 : 0;
    });
    thread.Resume();
    ASSERT_TRUE(ProcessEventsUntil([&] { return sleeping && Blocked(thread.ThreadID()); }));
    resumedAtOnce ? SuspendAndResumeAtOnce(thread) : thread.Suspend();
    EXPECT_TRUE(ProcessEventsUntil([&] { return result >= 0; })) << resumedAtOnce;
    EXPECT_EQ(result, 0) << resumedAtOnce;
  }
}

TEST(ThreadTest, SynchronizeRunsOnTheGuiThreadWhileTheCallerWaits) {
  std::thread::id ranOn;
  std::atomic<bool> returned{false};
  bool ran = false;
  BodyThread thread([&](BodyThread& self) {
    ran = self.Synchronize([&] { ranOn = std::this_thread::get_id(); });
    returned = true;
  });
  thread.Resume();
  ASSERT_TRUE(ProcessEventsUntil([&] { return returned.load(); }));
  EXPECT_TRUE(ran);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(ThreadTest, SynchronizeReRaisesTheMethodsExceptionInTheCaller) {
  std::string caught;
  std::atomic<bool> returned{false};
  BodyThread thread([&](BodyThread& self) {
    try {
      self.Synchronize([] { throw Exception("failed on the GUI thread"); });
    } catch (const Exception& error) {
      caught = error.what();
    }
    returned = true;
  });
  thread.Resume();
  ASSERT_TRUE(ProcessEventsUntil([&] { return returned.load(); }));
  EXPECT_EQ(caught, "failed on the GUI thread");
}

TEST(ThreadTest, SynchronizeOnTheGuiThreadRunsAtOnce) {
  BodyThread thread([](BodyThread&) {});
  bool ran = false;
  EXPECT_TRUE(thread.Synchronize([&] { ran = true; }));
  EXPECT_TRUE(ran);
}

// The GUI thread waits for a worker that waits for the GUI thread: the
// waiting GUI thread must not deadlock.
TEST(ThreadTest, TerminateCancelsASynchronizeTheGuiThreadHasNotRun) {
  std::atomic<bool> posting{false};
  std::atomic<int> result{-1};
  bool ran = false;
  BodyThread thread([&](BodyThread& self) {
    posting = true;
    result = self.Synchronize([&] { ran = true; }) ? 1 : 0;
  });
  thread.Resume();
  while (!posting) std::this_thread::yield();
  std::this_thread::sleep_for(20ms);  // no events processed: the call waits

  thread.Terminate();
  thread.WaitFor();
  EXPECT_EQ(result, 0);
  ProcessEventsFor(20ms);
  EXPECT_FALSE(ran);
}

TEST(ThreadTest, WaitForOnTheGuiThreadRunsThePendingSynchronize) {
  std::atomic<bool> posting{false};
  std::thread::id ranOn;
  BodyThread thread([&](BodyThread& self) {
    posting = true;
    self.Synchronize([&] { ranOn = std::this_thread::get_id(); });
  });
  thread.Resume();
  while (!posting) std::this_thread::yield();
  thread.WaitFor();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(ThreadTest, PriorityIsTheThreadsNiceValue) {
  std::atomic<int> passes{0};
  BodyThread thread([&](BodyThread& self) { CountPasses(self, passes); });
  EXPECT_EQ(thread.Priority(), tpNormal);
  thread.SetPriority(tpLowest);
  EXPECT_EQ(thread.Priority(), tpLowest);
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(thread.ThreadID())), 10);
  thread.SetPriority(tpIdle);
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(thread.ThreadID())), 19);
  EXPECT_EQ(getpriority(PRIO_PROCESS, 0), 0) << "the GUI thread keeps its own";
}
