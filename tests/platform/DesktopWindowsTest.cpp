// What Pausalo believes of a tiling window manager's IPC replies: an honest
// one is asked to focus the window by criteria until the window matches; a
// lying one (HostilePeers.h) is refused, and the GUI keeps answering while
// it lies.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <ostream>

#include "EventLoopWaits.h"
#include "HostilePeers.h"
#include "platform/DesktopWindows.h"

using namespace pausalo;
using namespace pausalo::testing;
using namespace std::chrono_literals;

namespace {

using Lie = LyingWindowManager::Lie;

// The command that names the window: by its X11 window id on an X server,
// by this process and its title elsewhere.
QString FocusCommand(const QWidget& window) {
  if (QGuiApplication::platformName() == "xcb") return QString("[id=%1] focus").arg(window.winId());
  return QString(R"([pid=%1 title="^%2$"] focus)").arg(getpid()).arg(window.windowTitle().replace(' ', "\\ "));
}

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

// Asked again and again for two windows, while the window manager does not
// manage them yet: one connection serves them all, each window's command
// sent until it succeeds, then the connection ends. A reply that comes in
// pieces, between events, is read to its end and no further.
class HonestWindowManager : public TilingWindowManagerTest, public ::testing::WithParamInterface<Lie> {};

TEST_P(HonestWindowManager, FocusesEachWindowAskedForOverOneConnection) {
  LyingWindowManager peer(GetParam());
  QWidget second;
  second.setWindowTitle("Second");
  second.show();
  for (int i = 0; i < 1000; ++i) BringIntoView(window);
  BringIntoView(second);
  ASSERT_TRUE(ProcessEventsUntil([&] { return peer.SentBeforeHangup().has_value(); }, 10s))
      << peer.Commands().join('\n').toStdString();
  EXPECT_EQ(peer.Connections(), 1);
  EXPECT_EQ(peer.Commands(),
            (QStringList{FocusCommand(window), FocusCommand(second), FocusCommand(window), FocusCommand(second)}));
  EXPECT_EQ(peer.Requests(), peer.Commands().size()) << "the tree was asked for";
}

INSTANTIATE_TEST_SUITE_P(Replies, HonestWindowManager, ::testing::Values(Lie::None, Lie::Pieces),
                         [](const auto& info) { return info.param == Lie::None ? "Whole" : "InPieces"; });

TEST_F(TilingWindowManagerTest, AReplyLongerThanACommandsReplyCanBeIsRefusedUnread) {
  LyingWindowManager peer(Lie::Huge);
  BringIntoView(window);
  ASSERT_TRUE(ProcessEventsUntil([&] { return peer.SentBeforeHangup().has_value(); }, 10s));
  EXPECT_EQ(peer.Requests(), 1);
  EXPECT_LT(*peer.SentBeforeHangup(), 8 << 20);
}

// A reply answers the one request in flight, at most once: events,
// duplicates and floods bring no further requests, and the GUI answers
// throughout.
struct Lying {
  Lie lie;
  const char* name;
  int mostRequests;  // in two seconds, one every 50 ms and then some
};
void PrintTo(const Lying& lying, std::ostream* out) { *out << lying.name; }

class TilingWindowManagerLies : public TilingWindowManagerTest, public ::testing::WithParamInterface<Lying> {};

TEST_P(TilingWindowManagerLies, BringNoFurtherRequestsAndLeaveTheGuiAnswering) {
  LyingWindowManager peer(GetParam().lie);
  BringIntoView(window);
  EXPECT_LT(LongestStallOver(2s), 1000) << "the event loop stood still";
  EXPECT_GE(peer.Requests(), 1);
  EXPECT_LE(peer.Requests(), GetParam().mostRequests);
}

INSTANTIATE_TEST_SUITE_P(Replies, TilingWindowManagerLies,
                         ::testing::Values(Lying{Lie::Events, "events", 1}, Lying{Lie::Duplicates, "duplicates", 60},
                                           Lying{Lie::Flood, "flood", 60}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
