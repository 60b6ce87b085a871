// The whole program on a real X server with a window manager and a tray
// host, driven by synthetic input through XTEST only. Its clock runs ten
// times faster than real time, so a minute of work takes six seconds and a
// tick of the timer is five seconds of program time.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "EventLoopWaits.h"
#include "MainFormTestAccess.h"
#include "app/MainForm.h"
#include "platform/Application.h"

using namespace pausalo;
using namespace std::chrono_literals;
using pausalo::testing::ProcessEventsUntil;

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
  ASSERT_EQ(QProcess::execute("xdotool", arguments), 0) << arguments.join(' ').toStdString();
}

void ClickOn(const QWidget* widget, QPoint at) {
  const QPoint global = widget->mapToGlobal(at);
  Xdotool({"mousemove", QString::number(global.x()), QString::number(global.y()), "click", "1"});
}
void ClickOn(const QWidget* widget) { ClickOn(widget, widget->rect().center()); }

// The X window id of the topmost managed window, as the window manager stacks them.
QString TopmostWindow() {
  QProcess xprop;
  xprop.start("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
  xprop.waitForFinished();
  return QString::fromLatin1(xprop.readAllStandardOutput()).trimmed().section(' ', -1).toLower();
}

}  // namespace

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
