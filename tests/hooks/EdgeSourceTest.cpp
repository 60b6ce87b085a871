// An edge source's thread, fed edges by the test through a pipe: the edge
// back to activity notifies at once, also after a signal cut its wait short.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "hooks/EdgeSource.h"
#include "hooks/FileDescriptor.h"

using namespace std::chrono_literals;
using pausalo::hooks::EdgeConnection;
using pausalo::hooks::EdgeSink;
using pausalo::hooks::EdgeSource;
using pausalo::hooks::FileDescriptor;

namespace {

// The pipe, and what the source's thread did with the edges sent into it.
struct Edges {
  // One byte an edge: 'i' idle, 'a' active again. False when the source
  // had not read it after five seconds.
  bool Send(char edge) {
    const int before = read.load();
    if (write(in.Get(), &edge, 1) != 1) return false;
    for (int waited = 0; read.load() == before; waited += 10) {
      if (waited >= 5000) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }

  int fds[2] = {-1, -1};
  const bool opened = pipe(fds) == 0;
  FileDescriptor out{fds[0]}, in{fds[1]};
  std::atomic<int> read{0}, notifications{0}, resumedAtOnce{0};
};

class PipedEdges final : public EdgeConnection {
 public:
  explicit PipedEdges(Edges& edges) : edges_(edges) {}
  void Attach(EdgeSink& sink) override { sink_ = &sink; }
  pollfd Prepare() override { return {edges_.out.Get(), POLLIN, 0}; }
  bool Finish(short revents) override {
    char edge = 0;
    if (revents != 0 && read(edges_.out.Get(), &edge, 1) != 1) return false;
    const int before = edges_.notifications.load();
    if (edge == 'i') sink_->Idled();
    if (edge == 'a') sink_->Resumed();
    if (edge == 'a' && edges_.notifications.load() > before) ++edges_.resumedAtOnce;
    if (edge != 0) ++edges_.read;
    return true;
  }

 private:
  Edges& edges_;
  EdgeSink* sink_ = nullptr;
};

// Signals every other thread of the process a few times, as a debugger or
// profiler may, with a handler that does nothing and does not restart what
// it interrupts. The handler stays: a signal still on its way must not end
// the process.
void InterruptOtherThreads() {
  struct sigaction quiet {};
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
  Edges edges;
  ASSERT_TRUE(edges.opened);
  const auto source = EdgeSource::Start(std::make_unique<PipedEdges>(edges), [&] { ++edges.notifications; });
  ASSERT_NE(source, nullptr);
  ASSERT_TRUE(edges.Send('i'));
  ASSERT_TRUE(edges.Send('a'));
  EXPECT_EQ(edges.resumedAtOnce.load(), 1) << "notified while the edge was handled, not at the next second";

  ASSERT_TRUE(edges.Send('i'));
  InterruptOtherThreads();
  EXPECT_TRUE(edges.Send('a')) << "the source stopped listening after a signal";
  EXPECT_EQ(edges.resumedAtOnce.load(), 2);
  EXPECT_TRUE(source->Running());
}
