// What Pausalo believes of a tiling window manager's IPC replies: an honest
// one focuses the window; a lying one (tests/support/lying_window_manager.py)
// is refused, and the GUI keeps answering while it lies.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <ostream>

#include "EventLoopWaits.h"
#include "platform/DesktopWindows.h"

using namespace pausalo;
using namespace pausalo::testing;
using namespace std::chrono_literals;

namespace {

// The lying window manager serving one mode, named in I3SOCK while it runs.
class WindowManagerPeer {
 public:
  WindowManagerPeer(const QString& mode, const QWidget& window) {
    const QString socket = folder_.filePath("ipc");
    process_.start("python3", {LYING_WINDOW_MANAGER, socket, mode, QString::number(getpid()), window.windowTitle()});
    ready_ = ProcessEventsUntil([&] { return Lines().contains("ready"); }, 10s);
    qunsetenv("SWAYSOCK");
    qputenv("I3SOCK", socket.toUtf8());
  }
  ~WindowManagerPeer() {
    qunsetenv("I3SOCK");
    process_.kill();
    process_.waitForFinished();
  }
  WindowManagerPeer(const WindowManagerPeer&) = delete;
  WindowManagerPeer& operator=(const WindowManagerPeer&) = delete;

  bool Ready() const { return ready_; }
  // What it printed so far, a line each.
  const QStringList& Lines() {
    while (process_.canReadLine()) lines_ << QString::fromUtf8(process_.readLine().trimmed());
    return lines_;
  }
  qsizetype LinesStartingWith(const QString& start) {
    const QStringList& lines = Lines();
    return std::count_if(lines.begin(), lines.end(), [&](const QString& line) { return line.startsWith(start); });
  }

 private:
  QTemporaryDir folder_;
  QProcess process_;
  QStringList lines_;
  bool ready_ = false;
};

class TilingWindowManagerTest : public ::testing::Test {
 protected:
  TilingWindowManagerTest() {
    window.setWindowTitle("Lied to");
    window.show();
  }
  // The longest the event loop went without a 10 ms timer's tick, over the
  // span.
  static qint64 LongestStallOver(std::chrono::milliseconds span) {
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    sinceTick.start();
    tick.start(10);
    ProcessEventsFor(span);
    return std::max(longest, sinceTick.elapsed());
  }

  QWidget window;
};

TEST_F(TilingWindowManagerTest, AnHonestWindowManagerIsAskedToFocusTheWindowInItsTree) {
  WindowManagerPeer peer("honest", window);
  ASSERT_TRUE(peer.Ready());
  BringIntoView(window);
  EXPECT_TRUE(ProcessEventsUntil([&] { return peer.Lines().contains("command [con_id=7] focus"); }, 10s))
      << peer.Lines().join('\n').toStdString();
}

TEST_F(TilingWindowManagerTest, AReplyLongerThanATreeCanBeIsRefusedUnread) {
  WindowManagerPeer peer("huge", window);
  ASSERT_TRUE(peer.Ready());
  BringIntoView(window);
  ASSERT_TRUE(ProcessEventsUntil([&] { return peer.LinesStartingWith("hangup") == 1; }, 10s))
      << peer.Lines().join('\n').toStdString();
  const QString hangup = peer.Lines().filter("hangup").first();
  EXPECT_LT(hangup.section(' ', 1).toLongLong(), 8 << 20) << "read before hanging up: " << hangup.toStdString();
}

// A reply answers the one request in flight, at most once: events,
// duplicates and floods bring no further requests, and the GUI answers
// throughout.
struct Lie {
  const char* mode;
  int mostRequests;  // in two seconds, one every 50 ms and then some
};
void PrintTo(const Lie& lie, std::ostream* out) { *out << lie.mode; }

class TilingWindowManagerLies : public TilingWindowManagerTest, public ::testing::WithParamInterface<Lie> {};

TEST_P(TilingWindowManagerLies, BringNoFurtherRequestsAndLeaveTheGuiAnswering) {
  WindowManagerPeer peer(GetParam().mode, window);
  ASSERT_TRUE(peer.Ready());
  BringIntoView(window);
  EXPECT_LT(LongestStallOver(2s), 1000) << "the event loop stood still";
  EXPECT_GE(peer.LinesStartingWith("request"), 1);
  EXPECT_LE(peer.LinesStartingWith("request"), GetParam().mostRequests);
}

INSTANTIATE_TEST_SUITE_P(Replies, TilingWindowManagerLies,
                         ::testing::Values(Lie{"events", 1}, Lie{"duplicates", 60}, Lie{"flood", 60}),
                         [](const auto& info) { return std::string(info.param.mode); });

}  // namespace
