// Faults of the desktop around the running program: the tray host goes away
// and comes back, and the X server goes away while the program monitors.
// Runs on a display without a tray host; the tests start their own.
#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QProcess>
#include <QSysInfo>
#include <QSystemTrayIcon>
#include <QThread>
#include <functional>
#include <memory>

#include "EventLoopWaits.h"
#include "HostilePeers.h"
#include "ProgramUnderTest.h"
#include "TestDesktop.h"
#include "TrayChecks.h"
#include "app/MainForm.h"
#include "platform/Application.h"

using namespace pausalo;
using namespace pausalo::testing;
using namespace std::chrono_literals;

namespace {

// A tray host on the display named by DISPLAY.
std::unique_ptr<TestDesktop> StartTrayHost() {
  return std::make_unique<TestDesktop>(QStringList{"--current", "--tray"});
}

// Whether the icon's window sits inside a tray host rather than on the root
// window, where the X server leaves it when its host goes away.
bool DockedInTrayHost() {
  const QWidget* icon = TrayIconWindow();
  if (icon == nullptr) return false;
  QByteArray tree;
  if (RunTool("xwininfo", {"-children", "-id", QString::number(icon->winId())}, &tree) != 0) return false;
  const auto idAfter = [&](const QByteArray& label) {
    const int at = tree.indexOf(label);
    return at < 0 ? QByteArray() : tree.mid(at + label.size()).trimmed().split(' ').first();
  };
  const QByteArray root = idAfter("Root window id:"), parent = idAfter("Parent window id:");
  return !parent.isEmpty() && parent != root;
}

// The program monitoring with its icon docked in a tray host of the test's
// own.
class TrayHostLoss : public ::testing::Test {
 protected:
  void StartMonitoringInTray() {
    host = StartTrayHost();
    ASSERT_TRUE(host->Running()) << host->Failure().toStdString();
    ASSERT_TRUE(ProcessEventsUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    application = std::make_unique<TApplication>();
    form = std::make_unique<TMainForm>(
        TMainFormEnvironment{&clock, &NotificationArea::System(), KeyboardHook, MouseHook});
    application->SetMainForm(form.get());
    form->show();
    // The program learns from the bus that no watcher is there.
    ASSERT_TRUE(ProcessEventsUntil([] { return NotificationArea::System().Available(); }));
    form->B_StartClick();
    ASSERT_TRUE(form->Tray1->Added());
    ASSERT_TRUE(ProcessEventsUntil(DockedInTrayHost)) << "the icon never docked";
  }

  std::unique_ptr<TestDesktop> host;
  std::unique_ptr<TApplication> application;
  ManualClock clock{std::chrono::hours(24 * 100)};
  std::unique_ptr<TMainForm> form;
};

}  // namespace

TEST_F(TrayHostLoss, TheIconComesBackWithTheNextHintAndTheWindowCanStillBeRestored) {
  ASSERT_NO_FATAL_FAILURE(StartMonitoringInTray());

  host.reset();
  ASSERT_TRUE(ProcessEventsUntil([] { return !QSystemTrayIcon::isSystemTrayAvailable(); }));
  EXPECT_TRUE(ProcessEventsUntil([] { return !DockedInTrayHost(); }));
  host = StartTrayHost();
  ASSERT_TRUE(host->Running()) << host->Failure().toStdString();
  ASSERT_TRUE(ProcessEventsUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));

  clock.Advance(5s);
  form->OpTimerTimer();
  ASSERT_EQ(form->Tray1->Hint(), "Time elapsed: 00:00:05");
  ASSERT_TRUE(ProcessEventsUntil(DockedInTrayHost)) << "the icon did not come back";
  QWidget* icon = TrayIconWindow();
  ASSERT_TRUE(ProcessEventsUntil([&] { return icon->mapToGlobal(QPoint(0, 0)) != QPoint(0, 0); }));
  EXPECT_EQ(icon->toolTip(), "Time elapsed: 00:00:05");

  const QPoint centre = icon->mapToGlobal(icon->rect().center());
  ASSERT_EQ(RunTool("xdotool", {"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}),
            0);
  EXPECT_TRUE(ProcessEventsUntil([&] { return form->isVisible(); }))
      << "a click on the icon did not restore the window";
  form->B_StopClick();
}

// The program itself, monitoring, loses its X server: it ends (the toolkit
// ends a program whose display is gone) without a crash, a sanitizer report
// or a hang in the hook libraries' threads at exit.
TEST(DisplayLoss, TheMonitoringProgramEndsQuietlyWhenItsXServerGoes) {
  {
    TestDesktop desktop({"--x", "--tray"});
    ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();

    Program user;
    QProcess& program = user.Process();
    ASSERT_EQ(program.state(), QProcess::Running);
    ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().size() == 1; }));
    ASSERT_NO_FATAL_FAILURE(PressStart(ShownMainWindows().first()));
    ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().empty(); }))
        << "the program did not go into the tray";
    ASSERT_EQ(RunTool("xdotool", {"key", "shift", "mousemove_relative", "--", "5", "5", "click", "1"}), 0);
    QThread::msleep(300);

    desktop.Stop();
    EXPECT_TRUE(program.waitForFinished(20'000)) << "the program did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "the program crashed";
    const QByteArray errors = program.readAllStandardError();
    EXPECT_FALSE(errors.contains("Sanitizer")) << errors.toStdString();
    EXPECT_FALSE(errors.contains("runtime error")) << errors.toStdString();
    EXPECT_FALSE(errors.contains("terminate called")) << errors.toStdString();
  }
}

TEST_F(TrayHostLoss, TheWindowHidingInTheTrayComesWithinReachWhenTheHostEndsForGood) {
  ASSERT_NO_FATAL_FAILURE(StartMonitoringInTray());
  ASSERT_FALSE(Reachable(form->winId())) << "the window did not hide in the tray";

  host.reset();
  EXPECT_TRUE(ProcessEventsUntil([&] { return Reachable(form->winId()); }, 10s)) << "the window is out of reach";
  form->B_StopClick();
}

TEST(SecondStart, BringsTheRunningCopyOutOfTheTrayAndEnds) {
  const auto host = StartTrayHost();
  ASSERT_TRUE(host->Running()) << host->Failure().toStdString();
  // The test desktop's own session bus.
  ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"));
  Program first;
  ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().size() == 1; }));
  const QByteArray window = ShownMainWindows().first();
  ASSERT_NO_FATAL_FAILURE(PressStart(window));
  ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().empty(); }))
      << "the first copy did not go into the tray";

  Program second;
  EXPECT_TRUE(second.Process().waitForFinished(10'000)) << "the second copy did not end";
  EXPECT_EQ(second.Process().exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.Process().exitCode(), 0);
  EXPECT_TRUE(ProcessEventsUntil([&] { return ShownMainWindows() == QList<QByteArray>{window}; }, 10s))
      << "the running copy did not come out of the tray";
  EXPECT_EQ(first.Process().state(), QProcess::Running);
}

// A running copy that does not answer (stopped) is not joined by a second:
// the new start names it, with a way to end it, and ends.
TEST(SecondStart, WhenTheRunningCopyDoesNotAnswerNamesItAndEnds) {
  Program first;
  ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().size() == 1; }));
  const qint64 stopped = first.Process().processId();
  ASSERT_EQ(kill(static_cast<pid_t>(stopped), SIGSTOP), 0);
  Program second;
  QByteArray told;
  EXPECT_TRUE(ProcessEventsUntil([&] {
    return (told += second.Process().readAllStandardError()).contains("kill " + QByteArray::number(stopped));
  })) << told.toStdString();
  EXPECT_EQ(RunTool("xdotool", {"search", "--sync", "--onlyvisible", "--name", "Pausalo is already running"}), 0);
  EXPECT_EQ(ShownMainWindows().size(), 1) << "a second copy came up";
  ASSERT_EQ(RunTool("xdotool", {"key", "Return"}), 0);
  EXPECT_TRUE(second.Process().waitForFinished(10'000)) << "the message did not end the start";
}

// Another program holds the program's name on the bus, silent or answering
// every call: it is no running copy. The start says so, and runs.
TEST(SecondStart, WhenAnotherProgramHoldsTheNameSaysSoAndRuns) {
  for (const bool answers : {false, true}) {
    SCOPED_TRACE(answers ? "answering" : "silent");
    const std::unique_ptr<SilentBusName> silent(answers ? nullptr : new SilentBusName("org.pausalo.Pausalo"));
    const auto answering = answers ? AnsweringBusName("org.pausalo.Pausalo") : nullptr;
    Program user;
    EXPECT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().size() == 1; })) << "the start did not run";
    const QByteArray told = user.Process().readAllStandardError();
    EXPECT_TRUE(told.contains("another program")) << told.toStdString();
    EXPECT_FALSE(told.contains("kill")) << told.toStdString();
  }
}

// No bus at the address, or one that takes the connection and never
// answers (the program leaves it out).
TEST(SecondStart, WithoutASessionBusBothCopiesRun) {
  const SilentSocket silentBus;
  for (const QString& bus : {QString("/nonexistent/pausalo-test-bus"), silentBus.Path()}) {
    SCOPED_TRACE(bus.toStdString());
    const QList<std::pair<QString, QString>> noBus{{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + bus}};
    Program first(noBus);
    ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().size() == 1; }));
    Program second(noBus);
    EXPECT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().size() == 2; }));
    EXPECT_EQ(first.Process().state(), QProcess::Running);
    EXPECT_EQ(second.Process().state(), QProcess::Running);
  }
}

// The icon went in as an item, and the notification area fails it: the
// watcher refuses the item, or the session bus goes away while the item is
// shown. The window, hidden as the icon went in, comes within reach.
class ItemLoss : public ::testing::TestWithParam<StandInWatcher::Items> {};

TEST_P(ItemLoss, TheWindowComesWithinReach) {
  BusProxy bus;
  const StandInWatcher watcher(GetParam());
  Program user({{"DBUS_SESSION_BUS_ADDRESS", bus.Address()}});
  ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().size() == 1; }));
  const QByteArray window = ShownMainWindows().first();
  ASSERT_TRUE(ProcessEventsUntil([&] { return watcher.HostAsks() > 0; })) << "the program did not ask for the host";
  // The proxy passes the answer on while the test processes events.
  ProcessEventsFor(300ms);
  ASSERT_NO_FATAL_FAILURE(PressStart(window));
  ASSERT_TRUE(ProcessEventsUntil([&] { return watcher.Asked().size() == 1; })) << "the item was not registered";
  if (GetParam() == StandInWatcher::Items::Taken) {
    ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().empty(); }))
        << "the window did not hide in the tray" << user.Process().readAllStandardError().toStdString();
    const int hostAsks = watcher.HostAsks();
    ProcessEventsFor(2s);
    ASSERT_TRUE(ShownMainWindows().empty()) << "an item taken counted as no notification area";
    EXPECT_EQ(watcher.HostAsks(), hostAsks) << "the watcher was asked again although nothing changed";
    bus.Go();
  }
  EXPECT_TRUE(ProcessEventsUntil([&] { return Reachable(window.toULongLong()); }, 10s)) << "the window is out of reach";
}

INSTANTIATE_TEST_SUITE_P(Watcher, ItemLoss,
                         ::testing::Values(StandInWatcher::Items::Refused, StandInWatcher::Items::Taken),
                         [](const auto& info) {
                           return std::string(info.param == StandInWatcher::Items::Taken ? "TakesItThenTheBusGoes"
                                                                                         : "RefusesIt");
                         });

// A panel that starts after the program: its watcher has no host when
// asked, and the icon goes in once the watcher announces one.
TEST(ALateHost, GetsTheIconWhenTheWatcherAnnouncesIt) {
  BusProxy bus;
  StandInWatcher watcher(StandInWatcher::Items::Taken, StandInWatcher::Host::Later);
  Program user({{"DBUS_SESSION_BUS_ADDRESS", bus.Address()}});
  ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().size() == 1; }));
  ASSERT_TRUE(ProcessEventsUntil([&] { return watcher.HostAsks() > 0; })) << "the program did not ask for the host";
  ASSERT_NO_FATAL_FAILURE(PressStart(ShownMainWindows().first()));
  ProcessEventsFor(2s);
  EXPECT_TRUE(watcher.Asked().isEmpty()) << "an item went to a watcher without a host";
  watcher.AnnounceHost();
  EXPECT_TRUE(ProcessEventsUntil([&] { return watcher.Asked().size() == 1; })) << "the icon did not go in";
}

// Peers the program meets before its window exists that take the
// connection and never answer: an accessibility bus named by the
// environment or handed out by org.a11y.Bus, org.a11y.Bus itself, and a
// session manager. The window comes, and answers a click on Start (a window
// manager minimises it); each bus left out is said on standard error.
struct SilentPeer {
  const char* name;
  enum { AccessibilityBus, HandedOutAccessibilityBus, AccessibilityService, SessionManager } peer;
};

// One window manager for all the cases.
class StartWithSilentPeer : public ::testing::TestWithParam<SilentPeer> {
 protected:
  static void SetUpTestSuite() { manager = new TestDesktop({"--current", "--wm"}); }
  static void TearDownTestSuite() { delete manager; }
  static TestDesktop* manager;
};
TestDesktop* StartWithSilentPeer::manager = nullptr;

TEST_P(StartWithSilentPeer, TheWindowComesAndAnswers) {
  ASSERT_TRUE(manager->Running()) << manager->Failure().toStdString();
  const SilentSocket silent;
  const QString silentBus = "unix:path=" + silent.Path();
  // The test's own accessibility bus (none, see the test's environment) is
  // not the program's.
  QList<std::pair<QString, QString>> environment{{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"},
                                                 {"AT_SPI_BUS_ADDRESS", QString()}};
  std::unique_ptr<StandInBusObject> handingOut;
  std::unique_ptr<SilentBusName> service;
  switch (GetParam().peer) {
    case SilentPeer::AccessibilityBus: environment.append({"AT_SPI_BUS_ADDRESS", silentBus}); break;
    case SilentPeer::HandedOutAccessibilityBus: handingOut = StandInAccessibilityBus(silentBus); break;
    case SilentPeer::AccessibilityService:
      service = std::make_unique<SilentBusName>("org.a11y.Bus");
      ASSERT_TRUE(service->Owned());
      break;
    case SilentPeer::SessionManager:
      environment.append({"SESSION_MANAGER", "local/" + QSysInfo::machineHostName() + ":" + silent.Path()});
      break;
  }
  Program user(environment);
  ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().size() == 1; })) << "no window";
  ASSERT_NO_FATAL_FAILURE(PressStart(ShownMainWindows().first()));
  EXPECT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().empty(); })) << "the window did not answer Start";
  const QByteArray told = user.Process().readAllStandardError();
  EXPECT_EQ(told.contains("the accessibility bus does not answer"), GetParam().peer != SilentPeer::SessionManager)
      << told.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Peers, StartWithSilentPeer,
                         ::testing::Values(SilentPeer{"AccessibilityBus", SilentPeer::AccessibilityBus},
                                           SilentPeer{"HandedOutAccessibilityBus",
                                                      SilentPeer::HandedOutAccessibilityBus},
                                           SilentPeer{"AccessibilityService", SilentPeer::AccessibilityService},
                                           SilentPeer{"SessionManager", SilentPeer::SessionManager}),
                         [](const auto& info) { return std::string(info.param.name); });
