// The program itself on a headless KWin session with Xwayland: its windows
// go through Xwayland, and only input that reaches the compositor counts
// as work. Clicks come through xdotool on the Xwayland display, which the
// compositor never sees; the user's activity through pausalo_inject.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <chrono>

#include "TestDesktop.h"

using namespace std::chrono_literals;
using pausalo::testing::RunTool;
using pausalo::testing::TestDesktop;

namespace {

// The visible X window of that exact title; empty when there is none.
QByteArray WindowNamed(const QString& title) {
  QByteArray found;
  if (RunTool("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}, &found) != 0) return {};
  return found.split('\n').first();
}

QByteArray AwaitWindow(const QString& title, std::chrono::milliseconds limit) {
  const QDeadlineTimer deadline(limit.count());
  QByteArray window;
  while ((window = WindowNamed(title)).isEmpty() && !deadline.hasExpired()) QThread::msleep(200);
  return window;
}

void Click(const QByteArray& window, int x, int y) {
  ASSERT_EQ(RunTool("xdotool", {"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"}),
            0);
  QThread::msleep(300);
}

// Types a value into the spin edit at (x, y) of the window.
void TypeInto(const QByteArray& window, int x, int y, const QString& value) {
  Click(window, x, y);
  ASSERT_EQ(RunTool("xdotool", {"key", "ctrl+a", "type", value}), 0);
}

// The program as a user starts it: no Qt platform chosen.
class Program {
 public:
  Program() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM");
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    process_.start(PAUSALO_PROGRAM, {});
  }
  ~Program() {
    process_.terminate();
    if (!process_.waitForFinished(10'000)) process_.kill();
    process_.waitForFinished();
  }
  QProcess& Process() { return process_; }

 private:
  QProcess process_;
};

// The X window id as xprop prints it, from xdotool's decimal one.
QString HexWindow(const QByteArray& window) { return "0x" + QString::number(window.toULongLong(), 16); }

}  // namespace

TEST(ProgramOnWayland, AMinuteOfWorkThroughTheCompositorBringsTheBreakWindowOnTopAndOkRunsThePause) {
  Program program;
  ASSERT_TRUE(program.Process().waitForStarted());
  const QByteArray main = AwaitWindow("Pausalo", 30s);
  ASSERT_FALSE(main.isEmpty()) << "the main window is not on the Xwayland display";

  // Setup page, manual setup, one minute of work, pause and allowed idle time.
  Click(main, 110, 14);
  Click(main, 22, 156);
  TypeInto(main, 228, 191, "1");
  TypeInto(main, 228, 219, "1");
  TypeInto(main, 228, 244, "1");
  // Home page, Start.
  Click(main, 40, 14);
  Click(main, 50, 248);
  QProcess user;
  user.start(PAUSALO_INJECT, {"--seconds", "80", "--interval-ms", "100"});
  ASSERT_TRUE(user.waitForStarted());

  const QByteArray breakWindow = AwaitWindow("Pausalo v1.0", 120s);
  user.kill();
  user.waitForFinished();
  ASSERT_FALSE(breakWindow.isEmpty()) << "no break window";
  QByteArray state, stacking;
  ASSERT_EQ(RunTool("xprop", {"-id", breakWindow, "_NET_WM_STATE"}, &state), 0);
  EXPECT_TRUE(state.contains("_NET_WM_STATE_ABOVE")) << state.toStdString();
  ASSERT_EQ(RunTool("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}, &stacking), 0);
  EXPECT_EQ(QString::fromLatin1(stacking).section(' ', -1).toLower(), HexWindow(breakWindow))
      << "the break window is on top of the X11 stacking order: " << stacking.toStdString();

  // OK: the pause runs its minute, then the window closes.
  Click(breakWindow, 225, 182);
  QElapsedTimer pause;
  pause.start();
  const QDeadlineTimer deadline(120'000);
  while (!WindowNamed("Pausalo v1.0").isEmpty() && !deadline.hasExpired()) QThread::msleep(500);
  EXPECT_TRUE(WindowNamed("Pausalo v1.0").isEmpty()) << "the pause did not end";
  EXPECT_GE(pause.elapsed(), 50'000) << "the window closed before the pause was over";
  EXPECT_EQ(program.Process().state(), QProcess::Running);
}

TEST(ProgramOnWayland, WithoutXwaylandTheProgramRunsOnWayland) {
  TestDesktop desktop({"--kwin"});
  ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();
  ASSERT_TRUE(qgetenv("DISPLAY").isEmpty());
  Program program;
  ASSERT_TRUE(program.Process().waitForStarted());
  EXPECT_FALSE(program.Process().waitForFinished(5'000)) << "the program ended without an X display";
}
