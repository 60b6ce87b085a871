// The whole program on a real X server with a window manager and a tray
// host, driven by synthetic input through XTEST only. Its clock runs ten
// times faster than real time, so a minute of work takes six seconds and a
// tick of the timer is five seconds of program time.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <optional>

#include "EventLoopWaits.h"
#include "MainFormTestAccess.h"
#include "TestDesktop.h"
#include "app/MainForm.h"
#include "platform/Application.h"

using namespace pausalo;
using namespace std::chrono_literals;
using pausalo::testing::ProcessEventsUntil;
using pausalo::testing::RunTool;
using pausalo::testing::StackingOrder;

namespace {

constexpr double Speed = 10.0;
constexpr int TickMilliseconds = 500 * static_cast<int>(Speed);

class AcceleratedClock final : public Clock {
 public:
  TDateTime Now() const override { return start_ + (real_.Now() - start_) * Speed; }

 private:
  BootClock real_;
  TDateTime start_ = real_.Now();
};

void Xdotool(const QStringList& arguments) {
  ASSERT_EQ(RunTool("xdotool", arguments), 0) << arguments.join(' ').toStdString();
}

void ClickOn(const QWidget* widget, QPoint at) {
  const QPoint global = widget->mapToGlobal(at);
  Xdotool({"mousemove", QString::number(global.x()), QString::number(global.y()), "click", "1"});
}
void ClickOn(const QWidget* widget) { ClickOn(widget, widget->rect().center()); }

// The X window id of the topmost managed window, as the window manager stacks them.
QString TopmostWindow() {
  const QStringList stacking = StackingOrder();
  return stacking.isEmpty() ? QString() : stacking.last();
}

// What a screen reader reads of the program, and where: objects (a service
// and a path) on the accessibility bus, their roles, names and states.
class ScreenReader {
 public:
  using Object = std::pair<QString, QDBusObjectPath>;
  static constexpr unsigned Alert = 2, RadioButton = 44;  // roles
  static constexpr unsigned Checked = 4, Focused = 12;    // states

  ScreenReader() {
    const Object launcher{"org.a11y.Bus", QDBusObjectPath("/org/a11y/bus")};
    bus_ = QDBusConnection::connectToBus(Call(launcher, "org.a11y.Bus", "GetAddress").toString(), "screen reader");
  }
  ~ScreenReader() { QDBusConnection::disconnectFromBus("screen reader"); }

  QString Text(const Object& object, const char* property) const {
    return Call(object, "org.freedesktop.DBus.Properties", "Get", {Accessible, property})
        .value<QDBusVariant>()
        .variant()
        .toString();
  }
  unsigned Role(const Object& object) const { return Call(object, Accessible, "GetRole").toUInt(); }
  bool Has(const Object& object, unsigned state) const {
    return qdbus_cast<QList<unsigned>>(Call(object, Accessible, "GetState")).value(state / 32) & (1u << state % 32);
  }
  QList<Object> Children(const Object& object) const {
    return qdbus_cast<QList<Object>>(Call(object, Accessible, "GetChildren"));
  }
  // Has receiver's slot called with every state change that is sent.
  void HearStateChanges(QObject* receiver, const char* slot) {
    bus_.connect(QString(), QString(), "org.a11y.atspi.Event.Object", "StateChanged", receiver, slot);
    Call({"org.a11y.atspi.Registry", QDBusObjectPath("/org/a11y/atspi/registry")}, "org.a11y.atspi.Registry",
         "RegisterEvent", {"object:state-changed", QStringList(), QString()});
  }
  // The first object below from that matches, depth first.
  std::optional<Object> Find(const std::function<bool(const Object&)>& matches,
                             const Object& from = {"org.a11y.atspi.Registry",
                                                   QDBusObjectPath("/org/a11y/atspi/accessible/root")}) const {
    for (QList<Object> open = Children(from); !open.isEmpty();) {
      const Object object = open.takeFirst();
      if (matches(object)) return object;
      open = Children(object) + open;
    }
    return std::nullopt;
  }

 private:
  static constexpr char Accessible[] = "org.a11y.atspi.Accessible";
  // The program answers on this very thread: its events go on meanwhile.
  QVariant Call(const Object& object, const QString& interface, const QString& method,
                const QVariantList& arguments = {}) const {
    auto call = QDBusMessage::createMethodCall(object.first, object.second.path(), interface, method);
    call.setArguments(arguments);
    return bus_.call(call, QDBus::BlockWithGui, 5000).arguments().value(0);
  }

  QDBusConnection bus_ = QDBusConnection::sessionBus();
};

// The paths of the objects named by the state changes that the program
// sends: it sends them once a screen reader has asked for them.
class HeardEvents final : public QObject {
  Q_OBJECT

 public:
  explicit HeardEvents(ScreenReader& reader) { reader.HearStateChanges(this, SLOT(Heard(QDBusMessage))); }

  QStringList paths;

 private slots:
  void Heard(const QDBusMessage& event) { paths << event.path(); }
};

// A desktop notification server that takes every notification's summary
// and never answers: the sender must not wait for it.
class SilentNotificationServer final : public QDBusVirtualObject {
 public:
  SilentNotificationServer() {
    bus_.registerVirtualObject("/org/freedesktop/Notifications", this);
    bus_.registerService("org.freedesktop.Notifications");
  }
  ~SilentNotificationServer() override { QDBusConnection::disconnectFromBus("notification server"); }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
    if (message.member() == "Notify")
      summaries << message.arguments().value(3).toString() + (message.isReplyRequired() ? " (awaited)" : "");
    return true;
  }
  QString introspect(const QString&) const override { return {}; }

  QStringList summaries;

 private:
  QDBusConnection bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "notification server");
};

}  // namespace

TEST(PausaloOnTheDesktop, AScreenReaderHearsTheChosenProfileTheBreakThePauseAndItsEnd) {
  TApplication application;
  ManualClock clock{std::chrono::hours(24 * 100)};
  TMainForm form({&clock});
  application.SetMainForm(&form);
  form.show();
  ScreenReader reader;
  using Object = ScreenReader::Object;

  form.S_web->click();
  for (QPushButton* profile : {form.S_626, form.S_generic, form.S_web, form.S_pgm}) {
    const auto named = [&](const Object& object) { return reader.Text(object, "Name") == profile->text(); };
    std::optional<Object> button;
    ASSERT_TRUE(ProcessEventsUntil([&] { return (button = reader.Find(named)).has_value(); }, 10s));
    EXPECT_EQ(reader.Role(*button), ScreenReader::RadioButton) << profile->text().toStdString();
    EXPECT_EQ(reader.Has(*button, ScreenReader::Checked), profile == form.S_web) << profile->text().toStdString();
  }

  SilentNotificationServer notifications;
  // Each new value is announced as it comes, and so is each new message of
  // the break window. While the handler is in, no event reaches the bus.
  static QVariantList announced;
  static QStringList described;
  const QAccessible::UpdateHandler record = [](QAccessibleEvent* event) {
    if (event->type() == QAccessible::ValueChanged)
      announced << static_cast<QAccessibleValueChangeEvent*>(event)->value();
    if (event->type() == QAccessible::DescriptionChanged)
      described << event->accessibleInterface()->text(QAccessible::Description);
  };
  QAccessible::installUpdateHandler(record);
  form.FSActivity->CommitValue(1);
  form.FSPause->CommitValue(2);
  form.FSPause->CommitValue(1);
  QAccessible::installUpdateHandler(nullptr);
  EXPECT_EQ(announced, (QVariantList{1, 2, 1}));

  HeardEvents events(reader);
  // Each step runs inside the break window's own event loop, once it is shown.
  std::function<void()> step;
  int stepsRun = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (QApplication::activeModalWidget() == nullptr) return;
    watch.stop();
    step();
    ++stepsRun;
  });
  const auto breakOver = [&](int breaks) { return stepsRun == breaks && form.BreakForm.isNull(); };
  const auto focused = [&](const Object& object) { return reader.Has(object, ScreenReader::Focused); };
  QStringList heard;
  QList<Object> firstBreak;
  step = [&] {
    const auto alert = reader.Find([&](const Object& object) { return reader.Role(object) == ScreenReader::Alert; });
    if (!alert) return;
    firstBreak = QList<Object>{*alert} + reader.Children(*alert);
    heard << reader.Text(*alert, "Name") << reader.Text(*alert, "Description");
    for (const Object& child : reader.Children(*alert)) heard << reader.Text(child, "Name");
    std::optional<Object> control;
    ProcessEventsUntil([&] { return (control = reader.Find(focused, *alert)).has_value(); }, 5s);
    heard << "focused: " + (control ? reader.Text(*control, "Name") : "nothing");
    QAccessible::installUpdateHandler(record);
    QTest::mouseClick(form.OkButton, Qt::LeftButton);
    ProcessEventsUntil([&] { return (control = reader.Find(focused, *alert)).has_value(); }, 5s);
    heard << "focused: " + (control ? reader.Text(*control, "Name") : "nothing") << notifications.summaries;
    clock.Advance(61s);
    ProcessEventsUntil([&] { return described.size() >= 2; }, 10s);
    QAccessible::installUpdateHandler(nullptr);
    pausalo::testing::ProcessEventsFor(100ms);
    EXPECT_TRUE(form.BreakForm->isVisible()) << "the window closed as it told that the pause was over";
  };
  // Put away, as into the tray: no window of the program's takes the focus
  // when the break window has gone.
  form.hide();
  form.B_StartClick();
  watch.start(20);
  clock.Advance(60s);
  ASSERT_TRUE(ProcessEventsUntil([&] { return breakOver(1); }, 20s));
  ASSERT_GE(heard.size(), 3) << heard.join('|').toStdString();
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWaiting);
  EXPECT_EQ(heard.filter("Break Time").join('|').toStdString(), "Break Time !") << "the message once, as it reads";
  EXPECT_TRUE(heard.contains("Pausalo v1.0") && heard.contains("OK") && heard.contains("Snooze 5 minutes once"))
      << heard.join('|').toStdString();
  EXPECT_EQ(heard.filter("focused: ").join('|').toStdString(), "focused: Snooze 5 minutes once|focused: Pause")
      << "at the opening, then after OK";
  EXPECT_EQ(heard.last().toStdString(), "focused: Pause") << "focused after OK, no notification yet";
  EXPECT_EQ(described.join('|').toStdString(), "Pause running...|Pause over");
  EXPECT_TRUE(ProcessEventsUntil([&] { return !notifications.summaries.isEmpty(); }, 5s));
  EXPECT_EQ(notifications.summaries.join('|').toStdString(), "Pause over");

  // At the next break, no event names an object of the first one.
  events.paths.clear();
  step = [&] {
    ProcessEventsUntil([&] { return form.SnoozeButton->hasFocus(); }, 5s);
    pausalo::testing::ProcessEventsFor(500ms);
    form.B_StopClick();
    form.BreakForm->close();
  };
  form.B_StartClick();
  watch.start(20);
  clock.Advance(60s);
  ASSERT_TRUE(ProcessEventsUntil([&] { return breakOver(2); }, 20s));
  EXPECT_FALSE(events.paths.isEmpty()) << "no state change heard";
  for (const Object& gone : firstBreak)
    EXPECT_FALSE(events.paths.contains(gone.second.path())) << gone.second.path().toStdString();
}

TEST(PausaloOnTheDesktop, AMinuteOfWorkBringsTheBreakWindowOnTopAndOkStartsThePause) {
  TApplication application;
  application.SetTitle("Pausalo 1.0");
  AcceleratedClock clock;
  TMainForm form({&clock});
  application.SetMainForm(&form);
  form.show();
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.isVisible() && form.windowHandle()->isExposed(); }, 10s));

  // Setup page, manual setup, one minute of work and one minute of allowed
  // idle time: without input reaching the program, the idle minute would
  // end the stretch on the very tick the break is due.
  ClickOn(form.PageControl1->tabBar(), form.PageControl1->tabBar()->tabRect(1).center());
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.PageControl1->currentIndex() == 1; }, 5s));
  ClickOn(form.R_manuale, QPoint(6, form.R_manuale->height() / 2));
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.FSActivity->isEnabled(); }, 5s));
  ClickOn(form.FSActivity);
  Xdotool({"key", "ctrl+a", "type", "1"});
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.FSActivity->Value() == 1; }, 5s));
  ClickOn(form.FSTimeout);
  Xdotool({"key", "ctrl+a", "type", "1"});
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.FSTimeout->Value() == 1; }, 5s));

  // Start, then keep the mouse moving.
  ClickOn(form.PageControl1->tabBar(), form.PageControl1->tabBar()->tabRect(0).center());
  ASSERT_TRUE(ProcessEventsUntil([&] { return form.B_Start->isVisible(); }, 5s));
  ClickOn(form.B_Start);
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return MainFormTestAccess::Breaks(form).State() == ssWorking && !form.isVisible(); }, 5s));
  QProcess mouse;
  mouse.start("sh", {"-c",
                     "while :; do xdotool mousemove_relative -- 4 0; sleep 0.05;"
                     " xdotool mousemove_relative -- -4 0; sleep 0.05; done"});

  bool sawBreakWindow = false;
  QString topmost, breakWindow;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal->windowTitle() != "Pausalo v1.0" || sawBreakWindow) return;
    sawBreakWindow = true;
    watch.stop();
    ASSERT_TRUE(ProcessEventsUntil([&] { return modal->windowHandle()->isExposed(); }, 5s));
    ProcessEventsUntil([&] { return TopmostWindow() == "0x" + QString::number(modal->winId(), 16); }, 10s);
    topmost = TopmostWindow();
    breakWindow = "0x" + QString::number(modal->winId(), 16);
    ClickOn(form.OkButton);
    ProcessEventsUntil([&] { return MainFormTestAccess::Breaks(form).State() == ssPausing; }, 5s);
    modal->close();  // the pause would take fifteen seconds more
  });
  watch.start(20);

  EXPECT_TRUE(ProcessEventsUntil([&] { return sawBreakWindow; }, 30s));
  mouse.kill();
  mouse.waitForFinished();
  ASSERT_TRUE(sawBreakWindow) << "no break window";
  // Opened on the first tick at or after one minute (a second of slack for
  // a busy machine, on the accelerated clock).
  EXPECT_GE(SpanMilliseconds(MainFormTestAccess::Breaks(form).ActivityElapsed()), 60'000);
  EXPECT_LE(SpanMilliseconds(MainFormTestAccess::Breaks(form).ActivityElapsed()),
            60'000 + TickMilliseconds + 1'000 * static_cast<int>(Speed));
  EXPECT_EQ(topmost, breakWindow) << "the break window is on top of everything";
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssPausing) << "OK started the pause";
  form.B_StopClick();
}

#include "PausaloDesktopTest.moc"
