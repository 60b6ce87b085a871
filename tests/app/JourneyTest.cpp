// A user's day with the program on each kind of desktop session. Limits of
// a minute set through the Setup page; Start puts the window away; a minute
// of activity through the compositor (XTEST on a desktop that is an X server
// alone) brings the break window, over a full-screen window; OK runs the
// pause to its end; the tray icon, or the window manager where there is no
// tray, brings the main window back with its clocks running.
//
// The program runs as a user starts it, with no Qt platform chosen: its
// windows go through the session's X server (Xwayland on a Wayland
// session), where the test clicks them through xdotool; the compositor never
// sees those clicks. PAUSALO_JOURNEY names the session that tools/test-desktop
// started: x11, xfce, plasma, sway or gnome.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QThread>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "ProgramUnderTest.h"
#include "ScreenPicture.h"
#include "StepDeadline.h"
#include "TestDesktop.h"

using namespace std::chrono_literals;
using pausalo::testing::ActiveWindow;
using pausalo::testing::PictureSource;
using pausalo::testing::PictureSourceOffered;
using pausalo::testing::PressStart;
using pausalo::testing::Program;
using pausalo::testing::RunTool;
using pausalo::testing::StackingOrder;
using pausalo::testing::StepDeadline;
using pausalo::testing::TakeScreenPicture;
using pausalo::testing::TestDesktop;
using pausalo::testing::XProperty;

namespace {

enum class Tray { None, XEmbed, StatusNotifier };

struct Session {
  QString name;
  QString injectFor;  // pausalo_inject's --for; empty: XTEST
  Tray tray;
  // How a picture of the screen is taken; none where the compositor gives
  // none: there the window manager's stacking order and focus decide.
  std::optional<PictureSource> picture;
  QString fullScreenPlatform;  // "wayland": a native Wayland window
  bool layersAbove;            // the window manager keeps windows above others (not sway)
};

const Session Sessions[] = {
    {"x11", {}, Tray::XEmbed, PictureSource::X11RootWindow, "xcb", true},
    {"xfce", {}, Tray::StatusNotifier, PictureSource::X11RootWindow, "xcb", true},
    {"plasma", "kwin", Tray::StatusNotifier, PictureSource::KWin, "xcb", true},
    {"sway", "sway", Tray::StatusNotifier, PictureSource::Grim, "wayland", false},
    {"gnome", "mutter", Tray::None, std::nullopt, "xcb", true},
};

const Session* CurrentSession() {
  const QString name = qEnvironmentVariable("PAUSALO_JOURNEY");
  for (const Session& session : Sessions)
    if (session.name == name) return &session;
  return nullptr;
}

const QString MainTitle = "Pausalo";
const QString BreakTitle = "Pausalo v1.0";

// Polls check every 100 ms until it holds or limit has passed.
bool Eventually(const std::function<bool()>& check, std::chrono::milliseconds limit) {
  const QDeadlineTimer deadline(limit.count());
  while (!check()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(100);
  }
  return true;
}

// The program's visible X window of that exact title; empty when there is
// none. By process: GNOME 44 and later draw the frames of X11 windows in a
// client of their own (mutter-x11-frames), whose frame window has the title too.
QByteArray WindowNamed(Program& program, const QString& title) {
  QByteArray found;
  if (RunTool("xdotool",
              {"search", "--all", "--onlyvisible", "--pid", QString::number(program.Process().processId()), "--name",
               "^" + title + "$"},
              &found) != 0)
    return {};
  return found.split('\n').first();
}

QByteArray AwaitWindow(Program& program, const QString& title, std::chrono::milliseconds limit) {
  QByteArray window;
  Eventually([&] { return !(window = WindowNamed(program, title)).isEmpty(); }, limit);
  return window;
}

// The X window id as the window manager's properties print it.
QString HexWindow(const QByteArray& window) { return "0x" + QString::number(window.toULongLong(), 16); }

bool Iconic(const QByteArray& window) { return XProperty(window, "WM_STATE").contains("Iconic"); }
bool Viewable(const QByteArray& window) {
  QByteArray answer;
  return RunTool("xwininfo", {"-id", window}, &answer) == 0 && answer.contains("IsViewable");
}

void Click(const QByteArray& window, int x, int y) {
  ASSERT_EQ(RunTool("xdotool", {"mousemove", "--window", window, QString::number(x), QString::number(y), "click", "1"}),
            0);
  QThread::msleep(300);
}

void ClickAt(const QPoint& at) {
  ASSERT_EQ(RunTool("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"}), 0);
}

// Types a value into the spin edit at (x, y) of the window.
void TypeInto(const QByteArray& window, int x, int y, const QString& value) {
  Click(window, x, y);
  ASSERT_EQ(RunTool("xdotool", {"key", "ctrl+a", "type", value}), 0);
}

QImage WindowPicture(const QByteArray& window) {
  QByteArray data;
  if (RunTool("import", {"-silent", "-window", window, "png:-"}, &data) != 0) return {};
  return QImage::fromData(data, "PNG");
}

// The pixels of the break window's red caption; the full-screen window is
// blue, the desktop behind it black.
int RedPixels(const QImage& picture) {
  int red = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const QColor pixel = picture.pixelColor(x, y);
      if (pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60) ++red;
    }
  return red;
}

// The break window is in front: its caption on a picture of the screen, or,
// where no picture can be taken, on top of the stacking order (and focused,
// when asked).
enum class Focus { Required, Any };
bool BreakWindowInFront(const Session& session, const QByteArray& breakWindow, Focus focus = Focus::Required) {
  if (session.picture && PictureSourceOffered(*session.picture)) {
    QString failure;
    const QImage picture = TakeScreenPicture(*session.picture, &failure);
    if (picture.isNull()) ADD_FAILURE() << "no picture of the screen: " << failure.toStdString();
    return RedPixels(picture) > 50;
  }
  const QStringList stacking = StackingOrder();
  return !stacking.isEmpty() && stacking.last() == HexWindow(breakWindow) &&
         (focus == Focus::Any || ActiveWindow() == HexWindow(breakWindow));
}

// A program of the test's, ended with the test.
class Process {
 public:
  Process(const QString& program, const QStringList& arguments,
          const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    process_.setProcessEnvironment(environment);
    process_.start(program, arguments);
    process_.waitForStarted();
  }
  ~Process() {
    process_.terminate();
    if (!process_.waitForFinished(10'000)) process_.kill();
    process_.waitForFinished();
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  QProcess& Get() { return process_; }

 private:
  QProcess process_;
};

// As a user starts it: no Qt platform chosen.
const QList<std::pair<QString, QString>> NoPlatformChosen{{"QT_QPA_PLATFORM", QString()}};

// The user at work: pointer moves through the compositor, or through XTEST.
std::unique_ptr<Process> StartWorking(const Session& session) {
  if (!session.injectFor.isEmpty())
    return std::make_unique<Process>(
        PAUSALO_INJECT, QStringList{"--for", session.injectFor, "--seconds", "600", "--interval-ms", "100"});
  return std::make_unique<Process>("sh", QStringList{"-c",
                                                     "while :; do xdotool mousemove_relative -- 4 0; sleep 0.1;"
                                                     " xdotool mousemove_relative -- -4 0; sleep 0.1; done"});
}

std::unique_ptr<Process> StartFullScreenWindow(const Session& session) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", session.fullScreenPlatform);
  auto window = std::make_unique<Process>(PAUSALO_FULL_SCREEN, QStringList{}, environment);
  window->Get().waitForReadyRead(20'000);
  return window;
}

// The items that the StatusNotifier watcher on the session bus knows.
QStringList StatusNotifierItems() {
  QByteArray reply;
  RunTool("dbus-send",
          {"--session", "--print-reply", "--dest=org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
           "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierWatcher",
           "string:RegisteredStatusNotifierItems"},
          &reply);
  QStringList items;
  for (const QByteArray& line : reply.split('\n'))
    if (line.trimmed().startsWith("string \"")) items << QString::fromUtf8(line.trimmed().mid(8).chopped(1));
  return items;
}

// Where the program's icons docked in the XEmbed tray host (trayer) are:
// the windows of its class inside the host's, at their places on the screen.
QList<QRect> DockedIcons() {
  QByteArray host, tree;
  RunTool("xdotool", {"search", "--onlyvisible", "--class", "trayer"}, &host);
  RunTool("xwininfo", {"-tree", "-id", host.split('\n').first()}, &tree);
  QList<QRect> icons;
  // A line such as: 0x600010 "pausalo": ("pausalo" "pausalo")  22x22+0+0  +1257+1
  const QRegularExpression docked(R"re(\(".*" "pausalo"\)\s+(\d+)x(\d+)\S*\s+\+(-?\d+)\+(-?\d+))re",
                                  QRegularExpression::CaseInsensitiveOption);
  for (const QByteArray& line : tree.split('\n')) {
    const QRegularExpressionMatch match = docked.match(QString::fromUtf8(line));
    if (match.hasMatch())
      icons << QRect(match.captured(3).toInt(), match.captured(4).toInt(), match.captured(1).toInt(),
                     match.captured(2).toInt());
  }
  return icons;
}

bool TrayIconShown(const Session& session) {
  switch (session.tray) {
    case Tray::None: return false;
    case Tray::XEmbed: return DockedIcons().size() == 1;
    case Tray::StatusNotifier: return StatusNotifierItems().size() == 1;
  }
  return false;
}

// What a user does to get the main window back: a click on the tray icon,
// or the window's taskbar entry, which asks the window manager to activate it.
void BringBack(const Session& session, const QByteArray& main) {
  switch (session.tray) {
    case Tray::None: ASSERT_EQ(RunTool("xdotool", {"windowactivate", main}), 0); return;
    case Tray::XEmbed: {
      const QList<QRect> icons = DockedIcons();
      ASSERT_EQ(icons.size(), 1) << "icons in the tray";
      ClickAt(icons.first().center());
      return;
    }
    case Tray::StatusNotifier: {
      const QStringList items = StatusNotifierItems();
      ASSERT_EQ(items.size(), 1) << items.join(' ').toStdString();
      const qsizetype slash = items.first().indexOf('/');
      const QString service = items.first().left(slash),
                    path = slash < 0 ? "/StatusNotifierItem" : items.first().mid(slash);
      ASSERT_EQ(RunTool("dbus-send", {"--session", "--print-reply", "--dest=" + service, path,
                                      "org.kde.StatusNotifierItem.Activate", "int32:0", "int32:0"}),
                0);
      return;
    }
  }
}

}  // namespace

TEST(Journey, AMinuteOfWorkABreakOverAFullScreenWindowAPauseAndTheWindowBack) {
  const Session* found = CurrentSession();
  ASSERT_NE(found, nullptr) << "PAUSALO_JOURNEY names no session: "
                            << qEnvironmentVariable("PAUSALO_JOURNEY").toStdString();
  const Session& session = *found;

  Program program(NoPlatformChosen);
  const QByteArray main = AwaitWindow(program, MainTitle, 30s);
  ASSERT_FALSE(main.isEmpty()) << "the main window did not appear";

  // Setup page, manual setup, a minute of work, pause and allowed idle time.
  Click(main, 110, 14);
  Click(main, 22, 156);
  TypeInto(main, 228, 191, "1");
  TypeInto(main, 228, 219, "1");
  TypeInto(main, 228, 244, "1");
  // Home page, Start.
  Click(main, 40, 14);
  PressStart(main);
  QElapsedTimer working;
  working.start();
  const auto user = StartWorking(session);

  if (session.tray == Tray::None) {
    EXPECT_TRUE(Eventually([&] { return Iconic(main); }, 5s)) << "Start did not minimise the main window";
  } else {
    EXPECT_TRUE(Eventually([&] { return !Viewable(main) && TrayIconShown(session); }, 5s))
        << "Start did not put the main window into the tray";
  }

  const auto fullScreen = StartFullScreenWindow(session);
  ASSERT_TRUE(fullScreen->Get().canReadLine()) << "the full-screen window did not show";
  // Its X window; 0 for a native Wayland window.
  const QByteArray fullScreenWindow = fullScreen->Get().readLine().trimmed();

  QByteArray breakWindow;
  {
    const StepDeadline deadline("waiting for the break window", 150s);
    breakWindow = AwaitWindow(program, BreakTitle, 120s);
  }
  ASSERT_FALSE(breakWindow.isEmpty()) << "no break window";
  const auto breakAfter = working.elapsed();
  EXPECT_GE(breakAfter, 59'000) << "the break came before a minute of work";
  EXPECT_LE(breakAfter, 66'000) << "the break came late";
  EXPECT_TRUE(Eventually([&] { return BreakWindowInFront(session, breakWindow); }, 10s))
      << "the break window is not in front of the full-screen window";
  if (session.layersAbove) {
    EXPECT_TRUE(XProperty(breakWindow, "_NET_WM_STATE").contains("_NET_WM_STATE_ABOVE"))
        << "the break window does not stay on top";
  }
  // The full-screen program raises its window, as a player does at the next
  // video: the break window stays in front.
  if (fullScreenWindow != "0") {
    ASSERT_EQ(RunTool("xdotool", {"windowraise", fullScreenWindow}), 0);
    QThread::msleep(500);
    EXPECT_TRUE(BreakWindowInFront(session, breakWindow, Focus::Any))
        << "the full-screen window went over the break window";
  }
  user->Get().kill();
  fullScreen->Get().kill();

  // OK: the pause runs its minute, then the window closes.
  Click(breakWindow, 225, 182);
  QElapsedTimer pause;
  pause.start();
  {
    const StepDeadline deadline("waiting for the pause to end", 150s);
    EXPECT_TRUE(Eventually([&] { return WindowNamed(program, BreakTitle).isEmpty(); }, 120s))
        << "the pause did not end";
  }
  EXPECT_GE(pause.elapsed(), 58'000) << "the window closed before the pause was over";
  EXPECT_LE(pause.elapsed(), 66'000) << "the window closed late";

  // The user comes back, moves the mouse and asks for the window.
  const auto back = StartWorking(session);
  QThread::msleep(2'000);
  BringBack(session, main);
  EXPECT_TRUE(Eventually([&] { return Viewable(main) && !Iconic(main); }, 5s)) << "the main window did not come back";
  const QImage before = WindowPicture(main);
  ASSERT_FALSE(before.isNull()) << "no picture of the main window";
  EXPECT_TRUE(Eventually(
      [&] {
        const QImage now = WindowPicture(main);
        return !now.isNull() && now != before;
      },
      10s))
      << "the clocks stand still";
  EXPECT_EQ(program.Process().state(), QProcess::Running);
}

TEST(ProgramOnWayland, WithoutXwaylandTheProgramRunsOnWayland) {
  TestDesktop desktop({"--kwin"});
  ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();
  ASSERT_TRUE(qgetenv("DISPLAY").isEmpty());
  Program program(NoPlatformChosen);
  ASSERT_EQ(program.Process().state(), QProcess::Running);
  EXPECT_FALSE(program.Process().waitForFinished(5'000)) << "the program ended without an X display";
}
