#pragma once
// A test desktop (tools/test-desktop) of a test's own, for tests that take
// a display server away and start another. While it runs, its variables
// (DISPLAY, WAYLAND_DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS) are
// this process's; Stop gives the earlier values back.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

namespace pausalo::testing {

class TestDesktop {
 public:
  // The options of tools/test-desktop, such as {"--x", "--tray"}; starts
  // the desktop and waits until it is ready or has failed.
  explicit TestDesktop(const QStringList& options = {"--x"});
  ~TestDesktop();
  TestDesktop(const TestDesktop&) = delete;
  TestDesktop& operator=(const TestDesktop&) = delete;

  // Up and not stopped yet.
  bool Running() const { return running_; }
  // What the launcher said when the desktop did not come up.
  QByteArray Failure() const { return failure_; }
  // A variable the desktop set; empty when it set none.
  QByteArray Value(const QByteArray& name) const;

  // Ends every server of the desktop, and gives the variables back.
  void Stop();

 private:
  bool ReadEnvironment();
  void Adopt(const QByteArray& name, const QByteArray& value);

  QProcess launcher_;
  bool running_ = false;
  QByteArray failure_;
  std::vector<std::pair<QByteArray, QByteArray>> values_;
  // Each variable's value before the desktop; nullopt when it was unset.
  std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};

// The next line the process writes, trimmed; empty when none came before the
// deadline (by default: as a program that answers at once does) or the
// process ended.
QByteArray NextLine(QProcess& process, QDeadlineTimer deadline = QDeadlineTimer(10000));

// How long RunTool waits for a tool to end.
inline constexpr std::chrono::seconds ToolBound{20};

// Runs a tool of the desktop, such as xdotool or xprop, to its end; its exit
// code, or -1 when it did not end within ToolBound (then it is killed). Its
// standard output, trimmed, goes to output when given.
int RunTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);

// An X property as xprop prints it, of the window (an id xprop reads) or,
// for an empty one, of the root window; empty when it cannot be read.
QByteArray XProperty(const QString& window, const QString& property);

// The X windows (ids as xprop prints them) in the window manager's stacking
// order, bottom first; empty when it cannot be read.
QStringList StackingOrder();
// The X window the window manager has focused; empty when it cannot be read.
QString ActiveWindow();

}  // namespace pausalo::testing
