// The shipped hook libraries without a display or without an activity
// source, and when their X server or compositor goes away under them.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "ApplicationWindowTestAccess.h"
#include "EventLoopWaits.h"
#include "FakeInput.h"
#include "HostilePeers.h"
#include "StepDeadline.h"
#include "TestDesktop.h"
#include "input/WinGod.h"

using namespace pausalo;
using pausalo::testing::BusProxy;
using pausalo::testing::FakeInput;
using pausalo::testing::ForgeIdleMonitorSignals;
using pausalo::testing::NextLine;
using pausalo::testing::ProcessEventsUntil;
using pausalo::testing::SilentSocket;
using pausalo::testing::StepDeadline;
using pausalo::testing::TestDesktop;
using pausalo::testing::WithinBound;
using namespace std::chrono_literals;

namespace {

class DisplayLossTest : public ::testing::Test {
 protected:
  // The tests choose the session: no compositor of the caller's own.
  DisplayLossTest() : savedDisplay_(qgetenv("DISPLAY")), savedWaylandDisplay_(qgetenv("WAYLAND_DISPLAY")) {
    qunsetenv("WAYLAND_DISPLAY");
    god.OnKeybrdMsg = [this](std::int32_t, std::int32_t, std::int32_t) { ++keys; };
    god.OnMouseMsg = [this](std::int32_t, std::uint32_t, tagMOUSEHOOKSTRUCT) { ++mice; };
  }
  ~DisplayLossTest() override {
    StopHooks();
    qputenv("DISPLAY", savedDisplay_);
    qputenv("WAYLAND_DISPLAY", savedWaylandDisplay_);
  }

  // The texts of the HookErrors that the two starts raise; empty when a
  // start succeeds.
  std::pair<std::string, std::string> StartErrors() {
    std::pair<std::string, std::string> errors;
    try {
      god.StartKeybrdHook();
    } catch (const HookError& error) {
      errors.first = error.what();
    }
    try {
      god.StartMouseHook();
    } catch (const HookError& error) {
      errors.second = error.what();
    }
    return errors;
  }

  // RemoveHook waits for the library's listener, which a stop request
  // reaches at once.
  void StopHooks() {
    const StepDeadline deadline("RemoveHook, stopping both libraries' listeners", 10s);
    god.StopMouseHook();
    god.StopKeybrdHook();
  }

  bool KeyArrives() {
    FakeInput input;
    if (!input.Connected()) return false;
    const int before = keys;
    input.TypeKey(input.KeycodeOf('k'));
    return ProcessEventsUntil([&] { return keys > before; }, 10s);
  }

  // Pointer input through the compositor reaches the mouse handler, once
  // the compositor has called the user idle.
  bool MovesArrive() {
    QThread::sleep(2);
    QCoreApplication::processEvents();
    const int before = mice;
    {
      const StepDeadline deadline("input through the compositor (pausalo_inject)", 30s);
      QProcess::execute(PAUSALO_INJECT, {"--moves", "5"});
    }
    return ProcessEventsUntil([&] { return mice > before; }, 10s);
  }

  // Calls SetHook of an installed library again for the window it notifies,
  // as a caller that cannot know its listener is gone would, until the
  // library stops answering with its record: it does so once it has found
  // the listener gone and could not start a new one. False when it still
  // answers after ten seconds.
  bool StopsAnsweringSetHook(const char* library) {
    void* module = dlopen(library, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    EXPECT_NE(module, nullptr) << library << " is not loaded";
    if (module == nullptr) return false;
    const auto setHook = reinterpret_cast<void* (*)(std::uint32_t)>(dlsym(module, "SetHook"));
    const QDeadlineTimer deadline(10000);
    bool answers = true;
    while (answers && !deadline.hasExpired()) {
      answers = setHook(application.Handle()) != nullptr;
      if (answers) QThread::msleep(20);
    }
    dlclose(module);
    return !answers;
  }

  // A Wayland server (BareCompositor.cpp) offering ext_idle_notifier_v1
  // at that version (0: not at all), and org_kde_kwin_idle when asked,
  // named by WAYLAND_DISPLAY.
  static void StartBareCompositor(QProcess& compositor, int notifierVersion, bool kdeIdle = false) {
    compositor.start(BARE_COMPOSITOR, {QString::number(notifierVersion), kdeIdle ? "kde" : ""});
    const QByteArray socket = NextLine(compositor);
    ASSERT_FALSE(socket.isEmpty()) << "the bare compositor did not start";
    qputenv("WAYLAND_DISPLAY", socket);
  }

  // GNOME's idle monitor (StandInIdleMonitor.cpp) as an idle inhibitor
  // leaves it, with the user away for that long, on the session bus.
  static void StartIdleMonitor(QProcess& monitor, const char* idleMs = "5000") {
    monitor.start(STAND_IN_IDLE_MONITOR, {idleMs});
    ASSERT_EQ(NextLine(monitor), "ready") << "the stand-in idle monitor did not start";
  }

  // Reads lines until that one; false when it did not come in ten seconds.
  static bool AwaitLine(QProcess& process, const QByteArray& line) {
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
      if (NextLine(process, deadline) == line) return true;
    }
    return false;
  }

  const std::pair<std::string, std::string> Refused{"Unable to install a keyboard hook!",
                                                    "Unable to install a mouse hook!"};
  QByteArray savedDisplay_;
  QByteArray savedWaylandDisplay_;
  TApplication application;
  TrasWinGod god;
  int keys = 0;
  int mice = 0;
};

// Processor time this process spends while its GUI thread sleeps for
// span: what the hook libraries' threads use.
std::chrono::milliseconds BackgroundProcessorTime(std::chrono::milliseconds span) {
  const auto used = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto time = [](const timeval& value) {
      return std::chrono::seconds(value.tv_sec) + std::chrono::microseconds(value.tv_usec);
    };
    return time(usage.ru_utime) + time(usage.ru_stime);
  };
  const auto before = used();
  std::this_thread::sleep_for(span);
  return std::chrono::duration_cast<std::chrono::milliseconds>(used() - before);
}

}  // namespace

TEST_F(DisplayLossTest, WithoutADisplayBothStartsRaiseHookError) {
  qunsetenv("DISPLAY");
  EXPECT_EQ(StartErrors(), Refused);
  qputenv("DISPLAY", ":4095");
  EXPECT_EQ(StartErrors(), Refused);
  EXPECT_EQ(ApplicationWindowTestAccess::HookCount(application.Window()), 0u);
}

TEST_F(DisplayLossTest, ALostServerEndsTheListenersQuietly) {
  QByteArray lostDisplay;
  {
    TestDesktop desktop;
    ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();
    ASSERT_EQ(StartErrors(), (std::pair<std::string, std::string>{}));
    ASSERT_TRUE(KeyArrives());
    lostDisplay = desktop.Value("DISPLAY");
    desktop.Stop();
  }
  // The listeners are gone: installing again for the same window tries a
  // new one, and stopping them still works; starting again fails until there
  // is a server again.
  qputenv("DISPLAY", lostDisplay);
  EXPECT_TRUE(StopsAnsweringSetHook(DefaultKeybrdHookLibrary));
  EXPECT_TRUE(StopsAnsweringSetHook(DefaultMouseHookLibrary));
  StopHooks();
  EXPECT_EQ(StartErrors(), Refused);

  TestDesktop desktop;
  ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();
  EXPECT_EQ(StartErrors(), (std::pair<std::string, std::string>{}));
  EXPECT_TRUE(KeyArrives());
}

TEST_F(DisplayLossTest, OnWaylandTheCompositorsIdleNotifierDecides) {
  // An X server beside the compositor, as Xwayland would be, must never be
  // used instead: it sees the X11 windows alone.
  TestDesktop desktop({"--x"});
  ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();
  {
    QProcess compositor;
    ASSERT_NO_FATAL_FAILURE(StartBareCompositor(compositor, 0));
    // Nor is there GNOME's idle monitor on the session bus.
    EXPECT_EQ(StartErrors(), Refused);
    EXPECT_EQ(ApplicationWindowTestAccess::HookCount(application.Window()), 0u);
  }

  // Version 2 brings the notification that only input ends; either
  // version comes before org_kde_kwin_idle. Both libraries ask for a
  // one-second threshold (the keyboard library to see that the session has
  // a source).
  for (const auto& [version, request] : {std::pair{2, "input-idle 1000"}, {1, "idle 1000"}, {0, "kde-idle 1000"}}) {
    SCOPED_TRACE(version);
    QProcess compositor;
    ASSERT_NO_FATAL_FAILURE(StartBareCompositor(compositor, version, true));
    EXPECT_EQ(StartErrors(), (std::pair<std::string, std::string>{}));
    EXPECT_EQ(NextLine(compositor), request);
    EXPECT_EQ(NextLine(compositor), request);
    StopHooks();
  }

  // A compositor that takes the connection and never answers offers no
  // source: Start gives up instead of hanging. So does GNOME's idle monitor
  // behind a session bus that has stalled.
  const SilentSocket hung;
  {
    QProcess compositor;
    ASSERT_NO_FATAL_FAILURE(StartBareCompositor(compositor, 0));
    BusProxy stalled;
    stalled.Stall();
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", stalled.Address().toLocal8Bit());
    EXPECT_EQ(WithinBound("both starts, the session bus stalled", 20s, [&] { return StartErrors(); }), Refused);
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
  }
  qputenv("WAYLAND_DISPLAY", hung.Path().toLocal8Bit());
  EXPECT_EQ(WithinBound("both starts, the compositor not answering", 20s, [&] { return StartErrors(); }), Refused);

  qunsetenv("WAYLAND_DISPLAY");
  EXPECT_EQ(StartErrors(), (std::pair<std::string, std::string>{})) << "the X server serves an X11 session";
}

TEST_F(DisplayLossTest, OnGnomeTheIdleMonitorsIdleTimeAndNewOwnersCount) {
  TestDesktop desktop;
  ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();
  QProcess compositor, monitor, successor;
  ASSERT_NO_FATAL_FAILURE(StartBareCompositor(compositor, 0));
  ASSERT_NO_FATAL_FAILURE(StartIdleMonitor(monitor));
  ASSERT_NO_THROW(god.StartMouseHook());
  // The idle watch stays silent: before its first notification the source
  // asks for the idle time, and waits for input instead.
  for (const char* call : {"AddIdleWatch 1000", "GetIdletime", "AddUserActiveWatch"}) {
    EXPECT_EQ(NextLine(monitor), call);
  }
  // Anyone may send the monitor's signals: forged ones, and a user-active
  // watch that fires without input, count for nothing.
  ASSERT_TRUE(ForgeIdleMonitorSignals());
  EXPECT_FALSE(monitor.bytesAvailable() > 0 || monitor.waitForReadyRead(1000)) << "forged signals were acted on";
  monitor.write("fire\n");
  EXPECT_TRUE(AwaitLine(monitor, "AddUserActiveWatch"));
  QCoreApplication::processEvents();
  EXPECT_EQ(mice, 0) << "notified while the user was away";
  monitor.write("input\n");
  EXPECT_TRUE(ProcessEventsUntil([&] { return mice == 1; }, 10s)) << "no notification at the user-active watch";
  EXPECT_TRUE(AwaitLine(monitor, "AddUserActiveWatch")) << "still active a second after the input";

  // mutter replaced while the user is away, and active at its successor:
  // asked, the successor tells; it gets the watches again.
  ASSERT_NO_FATAL_FAILURE(StartIdleMonitor(successor, "0"));
  EXPECT_TRUE(ProcessEventsUntil([&] { return mice >= 2; }, 10s)) << "the successor was not asked about the user";
  successor.write("input\n");
  EXPECT_TRUE(AwaitLine(successor, "AddUserActiveWatch"));
  QCoreApplication::processEvents();
  const int before = mice;
  successor.write("input\n");
  EXPECT_TRUE(ProcessEventsUntil([&] { return mice > before; }, 10s)) << "no notification at the successor's watch";

  // An answer that comes too late is from a busy monitor, not a lost one:
  // the source asks for a watch again and goes on.
  successor.write("stall\n");
  EXPECT_TRUE(AwaitLine(successor, "AddUserActiveWatch")) << "a late answer ended the source";
  // The user types on: an input between two calls fires no watch.
  const int stalled = mice;
  EXPECT_TRUE(ProcessEventsUntil([&] { return successor.write("input\n") > 0 && mice > stalled; }, 10s))
      << "no notification after a late answer";

  // mutter hangs (stopped) while a call is on its way, and comes back
  // before the call's own timeout: Stop returns before it answers.
  const auto hung = static_cast<pid_t>(successor.processId());
  successor.write("input\n");
  ASSERT_TRUE(AwaitLine(successor, "GetIdletime"));
  ASSERT_EQ(kill(hung, SIGSTOP), 0);
  // The source asks for the idle time before its next notification; what
  // the monitor said before it stopped is read.
  QThread::msleep(1100);
  while (successor.waitForReadyRead(100)) successor.readAll();
  successor.readAll();
  std::thread resume([hung] {
    std::this_thread::sleep_for(500ms);
    kill(hung, SIGCONT);
  });
  StopHooks();
  const bool answeredFirst = successor.waitForReadyRead(0) || successor.bytesAvailable() > 0;
  resume.join();
  EXPECT_FALSE(answeredFirst) << "Stop waited for the hung monitor";

  // The session bus closes under the source: its thread ends, not spins.
  ASSERT_NO_THROW(god.StartMouseHook());
  desktop.Stop();
  EXPECT_LT(BackgroundProcessorTime(2000ms), 500ms);
}

// Each compositor in a case of its own.
class CompositorLossTest : public DisplayLossTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CompositorLossTest, ALostCompositorEndsTheSourcesQuietly) {
  QByteArray lostDisplay;
  {
    TestDesktop desktop({GetParam()});
    ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();
    ASSERT_EQ(StartErrors(), (std::pair<std::string, std::string>{}));
    lostDisplay = desktop.Value("WAYLAND_DISPLAY");
    desktop.Stop();
  }
  // A thread that polled its dead connection in a loop would use up a
  // whole processor.
  EXPECT_LT(BackgroundProcessorTime(std::chrono::milliseconds(2000)), std::chrono::milliseconds(500));
  qputenv("WAYLAND_DISPLAY", lostDisplay);
  // The keyboard library's stand-in source has no connection to lose.
  EXPECT_TRUE(StopsAnsweringSetHook(DefaultMouseHookLibrary));
  StopHooks();
  EXPECT_EQ(StartErrors(), Refused);

  TestDesktop desktop({GetParam()});
  ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();
  EXPECT_EQ(StartErrors(), (std::pair<std::string, std::string>{}));
  EXPECT_TRUE(MovesArrive());
}

INSTANTIATE_TEST_SUITE_P(Wayland, CompositorLossTest, ::testing::Values("--sway", "--mutter"),
                         [](const auto& info) { return std::string(info.param + 2); });
