// The main window and the break window under the window managers of the
// sessions people run: GNOME (mutter with Xwayland, no notification area),
// Plasma (KWin with Xwayland), sway with Xwayland and i3, and openbox on
// an X server. Which one the test desktop is comes from
// PAUSALO_DESKTOP_KIND (gnome, kwin, sway, i3, openbox).
// What counts is what the window manager and the screen show. On sway the
// program also runs as a native Wayland client, as when the user picks
// that platform.
#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "EventLoopWaits.h"
#include "ScreenPicture.h"
#include "StepDeadline.h"
#include "TestDesktop.h"
#include "UnexpectedMessageBoxes.h"
#include "app/MainForm.h"
#include "platform/Application.h"
#include "widgets/FlatHint.h"

using namespace pausalo;
using namespace pausalo::testing;
using namespace std::chrono_literals;

namespace {

const QByteArray DesktopKind = qgetenv("PAUSALO_DESKTOP_KIND");
// Tiling window managers have no minimised state, and put a full-screen
// window over everything, stay-on-top windows included.
const bool Tiling = DesktopKind == "sway" || DesktopKind == "i3";

// A Wayland compositor runs the session, its X server an Xwayland.
const bool Composited = DesktopKind == "gnome" || DesktopKind == "kwin" || DesktopKind == "sway";

// The program runs on Wayland itself rather than through Xwayland.
bool NativeWayland() { return QGuiApplication::platformName() == "wayland"; }

QString Hex(WId window) { return "0x" + QString::number(window, 16); }

// Each step of a test has a bound of its own (StepDeadline.h), so that one
// that waits too long ends the run naming itself. A step waits for a
// condition, processing events; no check starts once the wait is over, but
// one may start just before, each tool it runs taking up to ToolBound. Qt's
// own round trips to the display server have no bound but the step's.
// On GNOME with two monitors, the longest run, the bounds add up to less than
// WholeTestBound (with Qt's own 30 s for the full-screen window to end).
constexpr std::chrono::seconds Slack{5};

bool AwaitStep(std::string step, std::chrono::seconds wait, int toolsPerCheck, const std::function<bool()>& condition) {
  const StepDeadline deadline(std::move(step), wait + toolsPerCheck * ToolBound + Slack);
  const QDeadlineTimer waited(wait);
  bool held = false;
  ProcessEventsUntil([&] { return waited.hasExpired() || (held = condition()); }, wait);
  return held;
}

// A step that runs one tool.
int RunToolStep(std::string step, const QString& program, const QStringList& arguments) {
  return WithinBound(std::move(step), ToolBound + Slack, [&] { return RunTool(program, arguments); });
}

// The windows in the tree of sway or i3.
QList<QJsonObject> TilingWindows() {
  QByteArray tree;
  if (RunTool(DesktopKind == "sway" ? "swaymsg" : "i3-msg", {"-t", "get_tree"}, &tree) != 0) return {};
  QList<QJsonObject> windows, pending{QJsonDocument::fromJson(tree).object()};
  while (!pending.isEmpty()) {
    const QJsonObject node = pending.takeLast();
    if (node.contains("pid") || node.value("window").isDouble()) windows << node;
    for (const char* children : {"nodes", "floating_nodes"})
      for (const QJsonValue child : node.value(children).toArray()) pending << child.toObject();
  }
  return windows;
}

// Whether sway or i3 has the window of that title focused, and none
// full-screen but it when fullScreen.
bool TilingFocuses(const QString& title, bool fullScreen) {
  bool focused = false;
  for (const QJsonObject& window : TilingWindows()) {
    const bool it = window.value("name").toString() == title;
    focused = focused || (it && window.value("focused").toBool());
    if (window.value("fullscreen_mode").toInt() != 0 && !(it && fullScreen)) return false;
  }
  return focused;
}

// A window filling the screen in front of the desktop, as a video player
// would; native Wayland where the session runs Wayland programs so.
class FullScreenWindow {
 public:
  // On the monitor holding the point, where one is given. KWin opened a
  // Wayland window full screen on the first output whatever output it asked
  // for: there that one is an X11 window. So is it where KWin takes no
  // pictures (KWin 6 without a GPU): the test then judges from X11, which
  // sees X11 windows only.
  explicit FullScreenWindow(std::optional<QPoint> on = std::nullopt) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const bool wayland = DesktopKind == "sway" ||
                         (DesktopKind == "kwin" && !on && PictureSourceOffered(PictureSource::KWin));
    environment.insert("QT_QPA_PLATFORM", wayland ? "wayland" : "xcb");
    process_.setProcessEnvironment(environment);
    process_.start(FULL_SCREEN_WINDOW, on ? QStringList{QString("%1,%2").arg(on->x()).arg(on->y())} : QStringList{});
  }
  ~FullScreenWindow() {
    process_.kill();
    process_.waitForFinished();
  }
  FullScreenWindow(const FullScreenWindow&) = delete;
  FullScreenWindow& operator=(const FullScreenWindow&) = delete;

  // Once it has painted itself: its X window id, 0 on Wayland.
  std::optional<WId> AwaitShown() {
    if (!AwaitStep("the full-screen window painting itself", 20s, 0, [&] { return process_.canReadLine(); }))
      return std::nullopt;
    return process_.readLine().trimmed().toULongLong();
  }
  // On sway or i3: once it has painted itself and is focused, full screen.
  void AwaitInFront() {
    ASSERT_TRUE(AwaitShown()) << "the full-screen window never painted itself";
    ASSERT_TRUE(
        AwaitStep("the full-screen window in front", 10s, 1, [] { return TilingFocuses("Full screen", true); }));
  }

 private:
  QProcess process_;
};

// The Xwayland serving the display, started as "Xwayland :N ..."; 0 where
// there is none.
pid_t XwaylandOfTheDisplay() {
  QByteArray found;
  const QString display = qEnvironmentVariable("DISPLAY");
  if (display.isEmpty() || RunTool("pgrep", {"-f", "^Xwayland " + display + "( |$)"}, &found) != 0) return 0;
  return found.trimmed().toInt();
}

// Keeps a process stopped for a while, as a busy machine does, resumed from
// a thread of its own: the GUI thread may wait on the process meanwhile.
class ProcessHold {
 public:
  ProcessHold(pid_t process, std::chrono::milliseconds length)
      : held_(::kill(process, SIGSTOP) == 0), resume_([process, length] {
          std::this_thread::sleep_for(length);
          ::kill(process, SIGCONT);
        }) {}
  bool Held() const { return held_; }

 private:
  const bool held_;
  std::jthread resume_;
};

// The monitor right of the primary, where the desktop has two.
std::optional<QRect> SecondMonitor() {
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen->geometry().x() > 0) return screen->geometry();
  return std::nullopt;
}

// Moves the pointer onto the monitor: through the compositor where there is
// one (that pointer is the one the user moves), else through XTEST.
void MovePointerOnto(const QRect& monitor) {
  if (!Composited) {
    ASSERT_EQ(RunToolStep("the pointer moved onto the second monitor (xdotool)", "xdotool",
                          {"mousemove", QString::number(monitor.center().x()), QString::number(monitor.center().y())}),
              0);
    return;
  }
  const QString compositor = DesktopKind == "gnome" ? "mutter" : QString::fromLatin1(DesktopKind);
  ASSERT_EQ(RunToolStep("the pointer moved onto the second monitor (pausalo_inject)", PAUSALO_INJECT,
                        {"--for", compositor, "--right", "1500", "--moves", "4"}),
            0);
}

// Where the window is on the screen, as the window manager placed it.
QRect PlacedAt(const QWidget& window) {
  if (NativeWayland()) {
    for (const QJsonObject& node : TilingWindows())
      if (node.value("name").toString() == window.windowTitle()) {
        const QJsonObject rect = node.value("rect").toObject();
        return {rect.value("x").toInt(), rect.value("y").toInt(), rect.value("width").toInt(),
                rect.value("height").toInt()};
      }
    return {};
  }
  QByteArray info;
  RunTool("xwininfo", {"-id", Hex(window.windowHandle()->winId())}, &info);
  const auto value = [&](const QByteArray& name) {
    const qsizetype at = info.indexOf(name + ':');
    return at < 0 ? 0 : info.mid(at + name.size() + 1).split('\n').first().trimmed().toInt();
  };
  return {value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height")};
}

// A hint shown with the pointer near the top left of the monitor grows
// right and down from the pointer, on that monitor. Where the test can put
// the pointer exactly: on an X server without a compositor.
void ExpectHintOnMonitorNearItsTopLeft(const QRect& monitor) {
  const QPoint pointer = monitor.topLeft() + QPoint(8, 8);
  ASSERT_EQ(RunTool("xdotool", {"mousemove", QString::number(pointer.x()), QString::number(pointer.y())}), 0);
  TFlatHintWindow hint;
  hint.ActivateHint(QRect(pointer, QSize()), "Secondi trascorsi di attività");
  const QRect expected(pointer + QPoint(12, 12), hint.size());
  QRect placed;
  EXPECT_TRUE(AwaitStep("the hint placed on the monitor", 5s, 1, [&] { return (placed = PlacedAt(hint)) == expected; }))
      << "the hint is at " << placed.x() << "," << placed.y() << ", not " << expected.x() << "," << expected.y();
}

// How many of the label's own red pixels the picture shows where the label
// is, as a share of them.
double ShareOfLabelShown(QLabel& label, const QImage& picture) {
  const QImage own = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QPoint origin = label.mapToGlobal(QPoint(0, 0));
  const auto red = [](QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60; };
  int ownRed = 0, shown = 0;
  for (int y = 0; y < own.height(); ++y)
    for (int x = 0; x < own.width(); ++x) {
      if (!red(own.pixel(x, y))) continue;
      ++ownRed;
      const QPoint at = origin + QPoint(x, y);
      if (picture.valid(at) && red(picture.pixel(at))) ++shown;
    }
  return ownRed == 0 ? 0 : static_cast<double>(shown) / ownRed;
}

// The program monitoring on the desktop, which has no notification area.
class WindowManagerTest : public ::testing::Test {
 protected:
  WindowManagerTest() { ownStep_.reset(); }
  ~WindowManagerTest() override { ownStep_.emplace("ending the main window and the application", 20s); }

  void StartMonitoring() {
    application.SetMainForm(&form);
    form.ShowAtStart();
    ASSERT_TRUE(AwaitStep("the main window shown", 10s, 0, [&] { return form.windowHandle()->isExposed(); }))
        << "the main window never showed";
    if (Tiling) {
      ASSERT_TRUE(AwaitStep("the main window in front at start", 5s, 1, [&] {
        return TilingFocuses(form.windowTitle(), false);
      })) << "the main window is not in front at start";
      // The window manager may have focused the window before the program's
      // own request, sent again while the window was not managed yet, has
      // landed: it lands now, not later, while the test's tools hold the
      // event loop up.
      ProcessEventsFor(500ms);
    }
    form.B_StartClick();
    ASSERT_FALSE(form.Tray1->Added()) << "the desktop has a notification area";
  }
  // Lets the working time run out, the mouse moving all along, and lets
  // the tick timer's next tick come.
  void WorkUntilTheBreakIsDue() {
    for (int minute = 0; minute < 120; ++minute) {
      clock.Advance(1min);
      form.rasWinGod1MouseMsg();
    }
    form.OpTimerTimer();
  }

  // Making the application and the form, and ending them.
  std::optional<StepDeadline> ownStep_{std::in_place, "making the application and the main window", 20s};
  // Start shows one where the activity sources do not start.
  UnexpectedMessageBoxes unexpectedBoxes;
  TApplication application;
  ManualClock clock{std::chrono::hours(24 * 100)};
  TMainForm form{{&clock}};
};

}  // namespace

TEST_F(WindowManagerTest, StartWithoutANotificationAreaMinimisesTheWindowWhereTheWindowManagerCan) {
  // On sway and i3 the program starts while a full-screen window is in
  // front.
  auto inFrontAtStart = Tiling ? std::make_unique<FullScreenWindow>() : nullptr;
  if (inFrontAtStart) {
    ASSERT_NO_FATAL_FAILURE(inFrontAtStart->AwaitInFront());
  }
  ASSERT_NO_FATAL_FAILURE(StartMonitoring());
  inFrontAtStart.reset();
  const QString window = Hex(form.winId());
  {
    // Up to three checks of the window's state (ProcessEventsUntil's first,
    // one just before its end and its last), and one for the message.
    const StepDeadline answer("the window manager's answer to Start", 5s + 4 * ToolBound + Slack);
    if (NativeWayland()) {
      ProcessEventsFor(1s);
      const QList<QJsonObject> windows = TilingWindows();
      EXPECT_TRUE(std::any_of(windows.begin(), windows.end(), [](const QJsonObject& window) {
        return window.value("name").toString() == "Pausalo" && window.value("visible").toBool();
      })) << "the window stays where it is";
    } else if (Tiling) {
      ProcessEventsFor(1s);
      EXPECT_TRUE(XProperty(window, "WM_STATE").contains("Normal")) << "the window stays where it is";
    } else {
      EXPECT_TRUE(ProcessEventsUntil([&] { return XProperty(window, "WM_STATE").contains("Iconic"); }, 5s))
          << "the window manager did not minimise the window: " << XProperty(window, "WM_STATE").toStdString();
    }
  }
  if (Tiling) {
    // A full-screen window in front; the user calls the window back as from
    // the notification area: the window manager focuses it.
    FullScreenWindow fullScreen;
    ASSERT_NO_FATAL_FAILURE(fullScreen.AwaitInFront());
    form.Tray1Click();
    EXPECT_TRUE(AwaitStep("the window called back focused", 5s, 1, [&] {
      return TilingFocuses(form.windowTitle(), false);
    })) << "the window called back is not focused";
  }
  form.B_StopClick();
}

TEST_F(WindowManagerTest, ABreakComingDueShowsTheBreakWindowOverAFullScreenWindow) {
  ASSERT_NO_FATAL_FAILURE(StartMonitoring());
  // GNOME: the window stays minimised, where Start put it.
  const auto mainIconic = [&] { return XProperty(Hex(form.winId()), "WM_STATE").contains("Iconic"); };
  const bool minimises = DesktopKind == "gnome";
  if (minimises) {
    ASSERT_TRUE(AwaitStep("Start minimising the main window", 5s, 1, mainIconic))
        << "Start did not minimise the main window";
  }
  // With two monitors the user is at the second, the pointer there and a
  // full-screen window in front of it.
  const std::optional<QRect> second = SecondMonitor();
  if (second) {
    ASSERT_NO_FATAL_FAILURE(MovePointerOnto(*second));
  }
  if (second && !Composited) {
    ASSERT_NO_FATAL_FAILURE(ExpectHintOnMonitorNearItsTopLeft(*second));
  }
  FullScreenWindow fullScreen(second ? std::optional(second->center()) : std::nullopt);
  const std::optional<WId> fullScreenWindow = fullScreen.AwaitShown();
  ASSERT_TRUE(fullScreenWindow) << "the full-screen window never painted itself";
  // sway opened the full-screen window on the first output, whatever it
  // asked for: the user moves it over.
  if (second && DesktopKind == "sway") {
    ASSERT_EQ(RunToolStep("sway moving the full-screen window to the second monitor", "swaymsg",
                          {R"([title="^Full screen$"] move container to output right, focus)"}),
              0);
  }
  // Moves over the full-screen window: the X server of an Xwayland session
  // sees the pointer over X windows only.
  if (second && Composited) {
    ASSERT_NO_FATAL_FAILURE(MovePointerOnto(*second));
  }

  // How the test sees the break window on screen: a picture, where the
  // test knows where the window is (not as a native Wayland client) and
  // where one can be taken (not on mutter, without a screencast, nor on
  // KWin without its screenshot interface); otherwise the window manager's
  // focus and stacking (on mutter and such a KWin) or its focus and
  // full-screen state (sway).
  const PictureSource source = DesktopKind == "sway"   ? PictureSource::Grim
                               : DesktopKind == "kwin" ? PictureSource::KWin
                                                       : PictureSource::X11RootWindow;
  const bool pictures = DesktopKind != "gnome" && !NativeWayland() && PictureSourceOffered(source);
  QString pictureFailure;
  const auto fullScreenInFront = [&] {
    if (NativeWayland()) return TilingFocuses("Full screen", true);
    if (!pictures) return ActiveWindow() == Hex(*fullScreenWindow);
    const QImage picture = TakeScreenPicture(source, &pictureFailure);
    const QPoint middle = second ? second->center() : picture.rect().center();
    return picture.valid(middle) && picture.pixel(middle) == qRgb(0, 0, 255);
  };
  ASSERT_TRUE(AwaitStep("the full-screen window in front", 10s, 1, fullScreenInFront))
      << "the full-screen window never came in front " << pictureFailure.toStdString();

  const auto breakWindowInView = [&] {
    if (NativeWayland()) return TilingFocuses(form.BreakForm->windowTitle(), false);
    if (!pictures) {
      const QStringList stacking = StackingOrder();
      const QString breakWindow = Hex(form.BreakForm->winId()), active = ActiveWindow();
      pictureFailure = "break window " + breakWindow + ", full-screen window " + Hex(*fullScreenWindow) + ", focused " +
                       active + ", stacking " + stacking.join(' ');
      return active == breakWindow && !stacking.isEmpty() && stacking.last() == breakWindow &&
             stacking.contains(Hex(*fullScreenWindow));
    }
    const QImage picture = TakeScreenPicture(source, &pictureFailure);
    return ShareOfLabelShown(*form.BreakLabel, picture) > 0.8;
  };
  // Pictures are taken from inside the break window's own event loop, from
  // when it is shown until it is in view, or until a bound that holds on a
  // loaded machine has passed since the break came due; then the window is
  // closed. How long it took goes into the test's record, for
  // bench/break-window-in-view. The step runs from the break coming due to
  // the window closing: one look at the window may start just before the
  // bound (the main window's state, where the window is, and the check
  // itself, up to two tools), and on GNOME the pause runs a second, its
  // last look one tool.
  constexpr std::chrono::seconds inViewBound{10};
  QElapsedTimer sinceDue;
  bool sawBreakWindow = false, mainIconicAtBreak = false, mainIconicInPause = true;
  std::optional<qint64> inViewAfter;
  QRect breakPlacedAt;
  // Where the window manager minimises, OK starts the pause once the break
  // window is in view, and it runs a second.
  QElapsedTimer pause;
  // On sway Xwayland is held up for a moment as the break window appears,
  // as on a busy machine: then it often sends the window's first picture
  // whole, in one frame, and no other until the program draws again.
  const bool holdXwayland = DesktopKind == "sway" && !NativeWayland();
  const pid_t xwayland = holdXwayland ? XwaylandOfTheDisplay() : 0;
  ASSERT_TRUE(!holdXwayland || xwayland != 0) << "sway's Xwayland not found";
  std::optional<ProcessHold> xwaylandHeld;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!form.BreakForm || !form.BreakForm->isVisible()) return;
    if (!sawBreakWindow && holdXwayland) xwaylandHeld.emplace(xwayland, 300ms);
    if (!sawBreakWindow && minimises) mainIconicAtBreak = mainIconic();
    sawBreakWindow = true;
    if (pause.isValid()) {
      mainIconicInPause = mainIconicInPause && mainIconic();
      if (pause.elapsed() > 1000) form.BreakForm->close();
      return;
    }
    if (sinceDue.elapsed() > std::chrono::milliseconds(inViewBound).count()) {
      form.BreakForm->close();
      return;
    }
    if (second) breakPlacedAt = PlacedAt(*form.BreakForm);
    if (breakWindowInView()) inViewAfter = sinceDue.elapsed();
    if (inViewAfter && minimises) {
      form.OkClick();
      pause.start();
      return;
    }
    if (inViewAfter) form.BreakForm->close();
  });
  watch.start(10);
  sinceDue.start();
  {
    const StepDeadline breakStep("the break window, from the break coming due until it closed",
                                 inViewBound + 1s + 5 * ToolBound + Slack);
    WorkUntilTheBreakIsDue();
    ASSERT_TRUE(ProcessEventsUntil([&] { return sawBreakWindow && form.BreakForm.isNull(); }, 10s))
        << "the break window did not open, or did not close";
  }
  ASSERT_TRUE(inViewAfter) << "the break window was not in view over the full-screen window " << inViewBound.count()
                           << " s after the break came due (on " << DesktopKind.toStdString() << ") "
                           << pictureFailure.toStdString();
  EXPECT_TRUE(!holdXwayland || (xwaylandHeld && xwaylandHeld->Held())) << "Xwayland was not held up";
  RecordProperty("desktop", DesktopKind.toStdString() + (NativeWayland() ? " native" : ""));
  RecordProperty("in_view_after_ms", std::to_string(*inViewAfter));
  if (second) {
    EXPECT_TRUE(second->contains(breakPlacedAt))
        << "the break window is not on the monitor the user is at: at " << breakPlacedAt.x() << "," << breakPlacedAt.y()
        << " " << breakPlacedAt.width() << "x" << breakPlacedAt.height();
  }
  if (minimises) {
    EXPECT_TRUE(mainIconicAtBreak) << "the break window brought the main window back";
    EXPECT_TRUE(mainIconicInPause) << "the main window came back during the pause";
    const StepDeadline afterBreak("the main window after the break", 1s + ToolBound + Slack);
    ProcessEventsFor(1s);
    EXPECT_TRUE(mainIconic()) << "the main window came back after the break";
  }
  form.B_StopClick();
}
