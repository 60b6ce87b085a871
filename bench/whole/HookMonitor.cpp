// The monitoring machinery of Pausalo without its windows: both shipped hook
// libraries loaded through TrasWinGod, whatever activity source the session
// gives them, and a 500 ms tick on the GUI thread as the program's clock
// has. For measuring wake-ups and CPU from outside (bench/whole/wakeups.py)
// on desktops where the program's own Start button cannot be clicked.
// Prints "MONITORING" once both hooks are in, and on SIGTERM or SIGINT the
// notifications it received, then ends.
#include <unistd.h>
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "input/WinGod.h"

namespace {

int stopPipe[2];

void RequestStop(int) {
  const char byte = 0;
  [[maybe_unused]] const auto written = write(stopPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication qt(argc, argv);
  pausalo::TApplication application;
  pausalo::TrasWinGod god;
  long keys = 0, mice = 0;
  god.OnKeybrdMsg = [&](std::int32_t, std::int32_t, std::int32_t) { ++keys; };
  god.OnMouseMsg = [&](std::int32_t, std::uint32_t, pausalo::tagMOUSEHOOKSTRUCT) { ++mice; };
  try {
    god.StartKeybrdHook();
    god.StartMouseHook();
  } catch (const pausalo::HookError& error) {
    std::fprintf(stderr, "hook_monitor: %s\n", error.what());
    return 1;
  }

  if (pipe(stopPipe) != 0) return 1;
  std::signal(SIGTERM, RequestStop);
  std::signal(SIGINT, RequestStop);
  QSocketNotifier stop(stopPipe[0], QSocketNotifier::Read);
  QObject::connect(&stop, &QSocketNotifier::activated, &qt, &QCoreApplication::quit);

  QTimer tick;
  tick.start(500);
  std::printf("MONITORING\n");
  std::fflush(stdout);
  QCoreApplication::exec();
  god.StopKeybrdHook();
  god.StopMouseHook();
  std::printf("keyboard %ld mouse %ld\n", keys, mice);
  close(stopPipe[0]);
  close(stopPipe[1]);
  return 0;
}
