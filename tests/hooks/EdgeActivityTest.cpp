// When a source that reports only idle and active edges notifies, on a
// clock that the test sets; and an edge source's thread, fed edges through
// a pipe.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "hooks/EdgeActivity.h"
#include "hooks/EdgeSource.h"

using namespace std::chrono_literals;
using namespace pausalo::hooks;

namespace {

const EdgeActivity::Clock::time_point t0{100s};

// The times in [from, to) at which Due answers true when asked every 10 ms.
std::vector<std::chrono::milliseconds> DueTimes(EdgeActivity& activity, std::chrono::milliseconds from,
                                                std::chrono::milliseconds to) {
  std::vector<std::chrono::milliseconds> due;
  for (auto at = from; at < to; at += 10ms) {
    if (activity.Due(t0 + at)) due.push_back(at);
  }
  return due;
}

// The edges the test writes into a pipe, a byte each: 'i' idle, 'a' active
// again. Counts those read, and the edges back to activity that the source
// notified while they were handled.
class PipedEdges final : public EdgeConnection {
 public:
  PipedEdges() { EXPECT_EQ(pipe(fds_), 0); }
  ~PipedEdges() override {
    close(fds_[0]);
    close(fds_[1]);
  }
  // False when the source had not read the edge after five seconds.
  bool Send(char edge) {
    const int before = read_.load();
    if (write(fds_[1], &edge, 1) != 1) return false;
    for (int waited = 0; read_.load() == before; waited += 10) {
      if (waited >= 5000) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }
  void Notified() { ++notifications_; }
  int ResumedAtOnce() const { return resumedAtOnce_.load(); }

  void Attach(EdgeSink& sink) override { sink_ = &sink; }
  pollfd Prepare() override { return {fds_[0], POLLIN, 0}; }
  bool Finish(short revents) override {
    char edge = 0;
    if (revents == 0) return true;
    if (read(fds_[0], &edge, 1) != 1) return false;
    const int before = notifications_.load();
    edge == 'i' ? sink_->Idled() : sink_->Resumed();
    if (edge == 'a' && notifications_.load() > before) ++resumedAtOnce_;
    ++read_;
    return true;
  }

 private:
  // Read at 0, written at 1.
  int fds_[2] = {-1, -1};
  EdgeSink* sink_ = nullptr;
  std::atomic<int> read_{0}, notifications_{0}, resumedAtOnce_{0};
};

// Signals every other thread of the process a few times, as a debugger or
// profiler may, with a handler that does nothing and does not restart what
// it interrupts. The handler stays: a signal still on its way must not end
// the process.
void InterruptOtherThreads() {
  struct sigaction quiet = {};
  quiet.sa_handler = [](int) {};
  sigaction(SIGUSR1, &quiet, nullptr);
  for (int round = 0; round < 3; ++round) {
    // Long enough for the threads to be back in their waits.
    std::this_thread::sleep_for(50ms);
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
      const pid_t thread = std::stoi(task.path().filename().string());
      if (thread != gettid()) syscall(SYS_tgkill, getpid(), thread, SIGUSR1);
    }
  }
}

}  // namespace

TEST(EdgeSource, TheEdgeBackToActivityNotifiesAtOnceAlsoAfterASignal) {
  auto connection = std::make_unique<PipedEdges>();
  PipedEdges& edges = *connection;
  const auto source = EdgeSource::Start(std::move(connection), [&edges] { edges.Notified(); });
  ASSERT_NE(source, nullptr);
  ASSERT_TRUE(edges.Send('i'));
  ASSERT_TRUE(edges.Send('a'));
  EXPECT_EQ(edges.ResumedAtOnce(), 1) << "notified while the edge was handled, not at the next second";

  ASSERT_TRUE(edges.Send('i'));
  InterruptOtherThreads();
  EXPECT_TRUE(edges.Send('a')) << "the source stopped listening after a signal";
  EXPECT_EQ(edges.ResumedAtOnce(), 2);
  EXPECT_TRUE(source->Running());
}

TEST(EdgeActivity, ActiveFromCreationOncePerSecondUntilIdle) {
  EdgeActivity activity(t0);
  EXPECT_EQ(activity.NextDue(), t0 + 1s);
  using V = std::vector<std::chrono::milliseconds>;
  EXPECT_EQ(DueTimes(activity, 0ms, 3500ms), (V{1000ms, 2000ms, 3000ms}));

  activity.Idled();
  EXPECT_EQ(activity.NextDue(), std::nullopt) << "nothing to wait for while idle";
  EXPECT_EQ(DueTimes(activity, 3500ms, 20000ms), V{});
}

TEST(EdgeActivity, EachEdgeBackToActivityNotifiesAtOnceAndRestartsTheSeconds) {
  EdgeActivity activity(t0);
  activity.Idled();
  EXPECT_TRUE(activity.Resumed(t0 + 5250ms));
  EXPECT_EQ(activity.NextDue(), t0 + 6250ms);
  using V = std::vector<std::chrono::milliseconds>;
  EXPECT_EQ(DueTimes(activity, 5250ms, 7500ms), (V{6250ms, 7250ms})) << "counted from the edge, not from creation";

  // The compositor repeating itself while the user is active changes nothing.
  EXPECT_FALSE(activity.Resumed(t0 + 7600ms));
  EXPECT_EQ(activity.NextDue(), t0 + 8250ms);

  activity.Idled();
  activity.Idled();
  EXPECT_TRUE(activity.Resumed(t0 + 9000ms));
  EXPECT_FALSE(activity.Resumed(t0 + 9100ms));
}

TEST(EdgeActivity, ALateWakeUpGivesOneNotificationNotABurst) {
  EdgeActivity activity(t0);
  EXPECT_TRUE(activity.Due(t0 + 1s));
  EXPECT_FALSE(activity.Due(t0 + 1s)) << "each due notification once";
  // Asked again only 4.3 s after it was due (a suspended or busy machine).
  EXPECT_TRUE(activity.Due(t0 + 6300ms));
  EXPECT_FALSE(activity.Due(t0 + 6300ms));
  EXPECT_EQ(activity.NextDue(), t0 + 7300ms);
  // Punctual from then on, without drifting by the time it is asked late.
  EXPECT_FALSE(activity.Due(t0 + 7299ms));
  EXPECT_TRUE(activity.Due(t0 + 7305ms));
  EXPECT_EQ(activity.NextDue(), t0 + 8300ms);
}
