#pragma once
// The real program, started as a user starts it, and what a test does to
// it on an X display through XTEST. Needs HOOK_DIR and PAUSALO_PROGRAM.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <string>
#include <utility>

#include "TestDesktop.h"

namespace pausalo::testing {

// The shipped hook libraries, by path: under AddressSanitizer dlopen does
// not search the test's RUNPATH.
inline const std::string KeyboardHook = HOOK_DIR "/librasKB50.so";
inline const std::string MouseHook = HOOK_DIR "/librasM50.so";

// The program as a user starts it, on the test's display and session bus
// (with variables changed as given, a null value taking the variable away);
// killed when still running at the end.
class Program {
 public:
  explicit Program(const QList<std::pair<QString, QString>>& changes = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    // What the toolkit leaves allocated when it ends the program from inside
    // its event loop is no leak of the program's own.
    environment.insert("ASAN_OPTIONS", "detect_leaks=0");
    // Under AddressSanitizer dlopen does not search the program's RUNPATH
    // for the hook libraries.
    environment.insert("LD_LIBRARY_PATH", HOOK_DIR);
    for (const auto& [name, value] : changes) {
      if (value.isNull()) {
        environment.remove(name);
      } else {
        environment.insert(name, value);
      }
    }
    process_.setProcessEnvironment(environment);
    process_.start(PAUSALO_PROGRAM, {});
    process_.waitForStarted();
  }
  ~Program() {
    process_.kill();
    process_.waitForFinished();
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  QProcess& Process() { return process_; }

 private:
  QProcess process_;
};

// The shown main windows of every running copy.
inline QList<QByteArray> ShownMainWindows() {
  QByteArray found;
  RunTool("xdotool", {"search", "--onlyvisible", "--name", "^Pausalo$"}, &found);
  return found.trimmed().isEmpty() ? QList<QByteArray>() : found.trimmed().split('\n');
}

// Start: the first button of the strip at the bottom of the Home page.
inline void PressStart(const QByteArray& window) {
  ASSERT_EQ(RunTool("xdotool", {"mousemove", "--window", window, "50", "248", "click", "1"}), 0);
}

}  // namespace pausalo::testing
