// main() for tests that need a QApplication. Without a display it runs on
// the offscreen platform; tests run under a virtual X server get xcb.
#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/DesktopWindows.h"

namespace {

// Whether a thread of one of Qt's thread pools, or its D-Bus thread, is
// still there.
bool PoolThreadLeft() {
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    if (std::getline(comm, name) && (name == "Thread (pooled)" || name == "QDBusConnection")) return true;
  }
  return false;
}

// Qt's thread pools (the painting code uses one) and its D-Bus connection
// thread end their threads when the process exits. Such a thread lets go of its per-thread data (152 bytes)
// in its very last steps, after Qt has stopped waiting for it; the leak
// check at exit, when it comes first, reports that data as lost. Waiting
// here, after Qt's pools are gone and before the leak check, for their
// threads to finish keeps the check to real leaks.
void AwaitPoolThreadsAtExit() {
  std::atexit([] {
    for (int wait = 0; wait < 500 && PoolThreadLeft(); ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
}

}  // namespace

int main(int argc, char** argv) {
  // First, so that it runs after the pools' own clean-up at exit.
  AwaitPoolThreadsAtExit();
  testing::InitGoogleTest(&argc, argv);
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  if (std::getenv("DISPLAY") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
  pausalo::ChooseQtPlatform();
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
