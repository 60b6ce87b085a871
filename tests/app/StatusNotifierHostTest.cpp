// The tray icon on StatusNotifierItem hosts: waybar on sway, and
// xfce4-panel (which hosts XEmbed icons too) on an X display.
// PAUSALO_NOTIFIER_HOST names the host (waybar or xfce-panel); the tests
// start and end it themselves on the test desktop's displays and session
// bus. The cases of ALateHost must be the first use of the tray in their
// process: the toolkit's tray decides its kind once, at its first use.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QImage>
#include <QPushButton>
#include <memory>

#include "EventLoopWaits.h"
#include "HostilePeers.h"
#include "ProgramUnderTest.h"
#include "StepDeadline.h"
#include "TestDesktop.h"
#include "TrayChecks.h"
#include "app/MainForm.h"
#include "platform/Application.h"
#include "platform/Icon.h"
#include "platform/StatusNotifierItem.h"

using namespace pausalo;
using namespace pausalo::testing;
using namespace std::chrono_literals;

namespace {

QString HostName() { return qEnvironmentVariable("PAUSALO_NOTIFIER_HOST"); }
bool OnX11() { return QGuiApplication::platformName() == "xcb"; }

std::unique_ptr<TestDesktop> StartHost() {
  return std::make_unique<TestDesktop>(QStringList{"--current", "--" + HostName()});
}

QVariant ItemProperty(const QString& item, const QString& name) {
  const qsizetype path = item.indexOf('/');
  return BusProperty(item.left(path), item.mid(path), "org.kde.StatusNotifierItem", name);
}

StatusNotifierToolTip ItemToolTip(const QString& item) {
  return qdbus_cast<StatusNotifierToolTip>(ItemProperty(item, "ToolTip").value<QDBusArgument>());
}

bool CallItem(const QString& item, const QString& method) {
  const qsizetype path = item.indexOf('/');
  QDBusMessage call = QDBusMessage::createMethodCall(item.left(path), item.mid(path), "org.kde.StatusNotifierItem",
                                                     method);
  call << 0 << 0;
  return OtherConnection().call(call, QDBus::BlockWithGui, 5000).type() == QDBusMessage::ReplyMessage;
}

// Every icon of this process in a notification area: items with the
// watcher and Qt's XEmbed icon windows.
qsizetype IconsShown() { return RegisteredStatusNotifierItems().size() + (TrayIconWindow() != nullptr ? 1 : 0); }

// The main window, monitoring with a clock the test moves, on a desktop
// whose StatusNotifierItem host the test starts and ends.
class StatusNotifierHost : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(HostName().isEmpty()) << "PAUSALO_NOTIFIER_HOST names no host";
    application = std::make_unique<TApplication>();
    form = std::make_unique<TMainForm>(
        TMainFormEnvironment{&clock, &NotificationArea::System(), KeyboardHook, MouseHook});
    application->SetMainForm(form.get());
    form->show();
  }
  void TearDown() override {
    if (form->B_Stop->isEnabled()) form->B_StopClick();
  }

  void StartTheHost() {
    host = StartHost();
    ASSERT_TRUE(host->Running()) << host->Failure().toStdString();
    LearnOfTheWatcher();
    ASSERT_TRUE(ProcessEventsUntil([] { return NotificationArea::System().Available(); })) << "the host went unnoticed";
  }
  // The program learns of a new watcher as the bus announces it, on its
  // connection's thread and then on the GUI thread; the announcement comes
  // before the answer to a later call.
  static void LearnOfTheWatcher() {
    ASSERT_TRUE(QDBusConnection::sessionBus().interface()->isServiceRegistered(StatusNotifierWatcher::Service));
    ProcessEventsFor(200ms);
  }
  // A tick of a working stretch five seconds on: the tray hint changes.
  void NextHint() {
    clock.Advance(5s);
    form->OpTimerTimer();
  }
  bool WindowReachable() const { return OnX11() ? Reachable(form->winId()) : form->isVisible(); }

  std::unique_ptr<TestDesktop> host;
  std::unique_ptr<TApplication> application;
  ManualClock clock{std::chrono::hours(24 * 100)};
  std::unique_ptr<TMainForm> form;
};

using ALateHost = StatusNotifierHost;

}  // namespace

TEST_F(StatusNotifierHost, StartShowsOneItemWithTheTimeAndItsActivationBringsTheWindowBack) {
  ASSERT_NO_FATAL_FAILURE(StartTheHost());
  form->B_StartClick();
  ASSERT_TRUE(form->Tray1->Added());
  ASSERT_TRUE(ProcessEventsUntil([] { return RegisteredStatusNotifierItems().size() == 1; }, 5s))
      << "no item registered";
  EXPECT_FALSE(WindowReachable()) << "the window did not hide in the tray";
  EXPECT_TRUE(NotificationArea::System().Available());
  const QString item = RegisteredStatusNotifierItems().first();

  // The host shows the working time to the minute.
  NextHint();
  ASSERT_EQ(form->Tray1->Hint(), "Time elapsed: 00:00:05");
  const StatusNotifierToolTip tip = ItemToolTip(item);
  EXPECT_EQ(tip.text, "Time elapsed: 0 min");
  EXPECT_EQ(tip.title, QGuiApplication::applicationDisplayName());
  clock.Advance(55s);
  form->OpTimerTimer();
  EXPECT_EQ(ItemToolTip(item).text, "Time elapsed: 1 min");
  EXPECT_EQ(ItemProperty(item, "Title").toString(), QGuiApplication::applicationDisplayName());
  EXPECT_EQ(ItemProperty(item, "ItemIsMenu"), QVariant(false)) << "activation would open a menu instead";
  EXPECT_EQ(IconsShown(), 1);

  // The activation (a left click) and the context menu request (a right click) bring the window back; the
  // secondary activation (a middle click) does nothing.
  for (const char* method : {"Activate", "ContextMenu"}) {
    SCOPED_TRACE(method);
    if (WindowReachable()) application->Minimize();
    ASSERT_TRUE(ProcessEventsUntil([] { return RegisteredStatusNotifierItems().size() == 1; }, 5s));
    const QString shown = RegisteredStatusNotifierItems().first();
    ASSERT_TRUE(CallItem(shown, "SecondaryActivate"));
    ProcessEventsFor(300ms);
    EXPECT_FALSE(WindowReachable()) << "the secondary activation brought the window back";
    ASSERT_TRUE(CallItem(shown, method));
    EXPECT_TRUE(ProcessEventsUntil([&] { return form->isVisible() && WindowReachable(); }, 5s))
        << "the window did not come back";
    EXPECT_TRUE(ProcessEventsUntil([] { return RegisteredStatusNotifierItems().isEmpty(); }, 5s))
        << "the item stayed after the window came back";
  }
}

TEST_F(StatusNotifierHost, TheWindowComesWithinReachWhenTheHostEndsAndTheIconComesBackOnceWithTheHost) {
  ASSERT_NO_FATAL_FAILURE(StartTheHost());
  form->B_StartClick();
  ASSERT_TRUE(ProcessEventsUntil([] { return RegisteredStatusNotifierItems().size() == 1; }, 5s))
      << "no item registered";

  host.reset();
  EXPECT_TRUE(ProcessEventsUntil([&] { return WindowReachable(); }, 10s)) << "the window is out of reach";

  ASSERT_NO_FATAL_FAILURE(StartTheHost());
  NextHint();
  EXPECT_TRUE(ProcessEventsUntil([] { return RegisteredStatusNotifierItems().size() == 1; }, 5s))
      << "the icon did not come back";
  EXPECT_TRUE(form->Tray1->Added());
  // More ticks and the tray's own watch leave it at one icon.
  for (int tick = 0; tick < 3; ++tick) {
    ProcessEventsFor(600ms);
    NextHint();
  }
  EXPECT_EQ(RegisteredStatusNotifierItems().size(), 1);
  EXPECT_EQ(IconsShown(), 1);
}

// The notification area itself: an item whose watcher went away and came
// back is registered with the new one without being added again.
TEST_F(StatusNotifierHost, AnItemGoesToAWatcherThatCameBack) {
  ASSERT_NO_FATAL_FAILURE(StartTheHost());
  NotificationArea& area = NotificationArea::System();
  TIcon picture;
  QImage green(32, 32, QImage::Format_ARGB32);
  green.fill(Qt::darkGreen);
  picture.LoadFromImage(green);
  TNotifyIconData data;
  data.Wnd = 4242;
  data.uFlags = NIF_ICON | NIF_TIP;
  data.hIcon = picture.Handle();
  ASSERT_TRUE(area.Notify(NIM_ADD, data));
  EXPECT_FALSE(area.Notify(NIM_ADD, data)) << "a second icon under the same window and identifier";
  ASSERT_TRUE(ProcessEventsUntil([] { return RegisteredStatusNotifierItems().size() == 1; }, 5s));
  pausalo::testing::ProcessEventsFor(300ms);
  EXPECT_EQ(RegisteredStatusNotifierItems().size(), 1);
  EXPECT_TRUE(area.Available());

  host.reset();
  EXPECT_TRUE(ProcessEventsUntil([&] { return !area.Available(); }, 5s)) << "the host's end went unnoticed";
  ASSERT_NO_FATAL_FAILURE(StartTheHost());
  EXPECT_TRUE(ProcessEventsUntil([] { return RegisteredStatusNotifierItems().size() == 1; }, 5s))
      << "the item was not registered with the new watcher";
  EXPECT_TRUE(area.Available());
  EXPECT_TRUE(area.Notify(NIM_DELETE, data));
  EXPECT_TRUE(ProcessEventsUntil([] { return RegisteredStatusNotifierItems().isEmpty(); }, 5s));
}

// A watcher that owns its name and never answers (a hung panel) costs the
// tray alone: Start and each hint change, trying the tray again, go on.
TEST_F(StatusNotifierHost, AWatcherThatNeverAnswersCostsTheTrayAlone) {
  const SilentBusName watcher(StatusNotifierWatcher::Service);
  ASSERT_TRUE(watcher.Owned());
  LearnOfTheWatcher();
  WithinBound("Start and twenty hint changes with a hung watcher", 10s, [&] {
    form->B_StartClick();
    for (int change = 0; change < 20; ++change) {
      NextHint();
      ProcessEventsFor(50ms);
    }
  });
  EXPECT_FALSE(form->Tray1->Added());
  EXPECT_TRUE(ProcessEventsUntil([&] { return WindowReachable(); }, 5s)) << "the window is out of reach";
}

// The icon could not be added at Start; the tray tries again at each hint
// change (every tick of the working stretch).
TEST_F(ALateHost, GetsTheIconWithTheNextHint) {
  form->B_StartClick();
  EXPECT_FALSE(form->Tray1->Added());
  EXPECT_TRUE(ProcessEventsUntil([&] { return WindowReachable(); }, 5s)) << "the window is out of reach";

  ASSERT_NO_FATAL_FAILURE(StartTheHost());
  NextHint();
  EXPECT_TRUE(ProcessEventsUntil([] { return RegisteredStatusNotifierItems().size() == 1; }, 5s))
      << "the icon did not appear";
  EXPECT_TRUE(form->Tray1->Added());
  ProcessEventsFor(500ms);
  EXPECT_EQ(IconsShown(), 1);
}

namespace {

// The panel's window, the notification area being all it holds.
QRect PanelWindow() {
  QByteArray found, geometry;
  if (RunTool("xdotool", {"search", "--onlyvisible", "--class", "xfce4-panel"}, &found) != 0 || found.isEmpty())
    return {};
  RunTool("xdotool", {"getwindowgeometry", "--shell", found.split('\n').first()}, &geometry);
  QRect panel;
  for (const QByteArray& line : geometry.split('\n')) {
    const QList<QByteArray> pair = line.split('=');
    if (pair.size() != 2) continue;
    const int value = pair[1].toInt();
    if (pair[0] == "X") panel.moveLeft(value);
    if (pair[0] == "Y") panel.moveTop(value);
    if (pair[0] == "WIDTH") panel.setWidth(value);
    if (pair[0] == "HEIGHT") panel.setHeight(value);
  }
  return panel;
}

}  // namespace

// The program itself in xfce4-panel: its item carries the program's name
// and the time, and a real click on the icon brings the window back.
TEST(StatusNotifierHostWithTheProgram, ARealClickOnTheIconBringsTheWindowBack) {
  if (HostName() != "xfce-panel") GTEST_SKIP() << "a click on the panel needs an X display";
  const auto host = StartHost();
  ASSERT_TRUE(host->Running()) << host->Failure().toStdString();
  const QRect emptyPanel = PanelWindow();
  Program user;
  ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().size() == 1; }));
  ASSERT_NO_FATAL_FAILURE(PressStart(ShownMainWindows().first()));
  ASSERT_TRUE(ProcessEventsUntil([] { return ShownMainWindows().empty(); })) << "the program did not go into the tray";
  ASSERT_TRUE(ProcessEventsUntil([] { return RegisteredStatusNotifierItems().size() == 1; }, 5s))
      << "no item registered";
  const QString item = RegisteredStatusNotifierItems().first();
  EXPECT_EQ(ItemProperty(item, "Title").toString(), "Pausalo");
  EXPECT_TRUE(ProcessEventsUntil([&] { return ItemToolTip(item).text == "Time elapsed: 0 min"; }, 5s));
  EXPECT_EQ(ItemToolTip(item).title, "Pausalo");

  // The panel grows by the icon once it has drawn it.
  ASSERT_TRUE(ProcessEventsUntil([&] { return PanelWindow().width() > emptyPanel.width(); }, 5s))
      << "the panel shows no icon";
  for (int attempt = 0; attempt < 5 && ShownMainWindows().empty(); ++attempt) {
    const QRect panel = PanelWindow();
    // The icon sits after the space the empty area took.
    const QPoint icon(panel.left() + (emptyPanel.width() + panel.width()) / 2, panel.center().y());
    ASSERT_EQ(RunTool("xdotool", {"mousemove", QString::number(icon.x()), QString::number(icon.y()), "click", "1"}), 0);
    ProcessEventsUntil([] { return !ShownMainWindows().empty(); }, 10s);
  }
  EXPECT_EQ(ShownMainWindows().size(), 1) << "a click on the icon did not bring the window back";
}
