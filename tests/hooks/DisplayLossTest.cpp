// The shipped hook libraries without a display, and when their X server goes
// away under them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <cstdlib>
#include <optional>
#include <string>

#include "TestDesktop.h"
#include "hooks/FakeInput.h"
#include "input/WinGod.h"

using namespace pausalo;
using pausalo::hooks::FakeInput;
using pausalo::testing::TestDesktop;

namespace {

class DisplayLossTest : public ::testing::Test {
 protected:
  DisplayLossTest() : savedDisplay_(qgetenv("DISPLAY")) {
    god.OnKeybrdMsg = [this](std::int32_t, std::int32_t, std::int32_t) { ++keys; };
  }
  ~DisplayLossTest() override { qputenv("DISPLAY", savedDisplay_); }

  // The texts of the HookErrors that the two starts raise; empty when a
  // start succeeds.
  std::pair<std::string, std::string> StartErrors() {
    std::pair<std::string, std::string> errors;
    try {
      god.StartKeybrdHook();
    } catch (const HookError& error) {
      errors.first = error.what();
    }
    try {
      god.StartMouseHook();
    } catch (const HookError& error) {
      errors.second = error.what();
    }
    return errors;
  }

  bool KeyArrives() {
    FakeInput input;
    if (!input.Connected()) return false;
    const int before = keys;
    input.TypeKey(input.KeycodeOf('k'));
    const QDeadlineTimer deadline(10000);
    while (keys == before && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return keys > before;
  }

  const std::pair<std::string, std::string> Refused{"Unable to install a keyboard hook!",
                                                    "Unable to install a mouse hook!"};
  QByteArray savedDisplay_;
  TApplication application;
  TrasWinGod god;
  int keys = 0;
};

}  // namespace

TEST_F(DisplayLossTest, WithoutADisplayBothStartsRaiseHookError) {
  qunsetenv("DISPLAY");
  EXPECT_EQ(StartErrors(), Refused);
  qputenv("DISPLAY", ":4095");
  EXPECT_EQ(StartErrors(), Refused);
  EXPECT_EQ(application.Window().HookCount(), 0u);
}

TEST_F(DisplayLossTest, ALostServerEndsTheListenersQuietly) {
  QByteArray lostDisplay;
  {
    TestDesktop desktop;
    ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();
    ASSERT_EQ(StartErrors(), (std::pair<std::string, std::string>{}));
    ASSERT_TRUE(KeyArrives());
    lostDisplay = desktop.Value("DISPLAY");
    desktop.Stop();
  }
  // The listeners are gone; stopping them still works, and starting again
  // fails until there is a server again.
  qputenv("DISPLAY", lostDisplay);
  god.StopKeybrdHook();
  god.StopMouseHook();
  EXPECT_EQ(StartErrors(), Refused);

  TestDesktop desktop;
  ASSERT_TRUE(desktop.Running()) << desktop.Failure().toStdString();
  EXPECT_EQ(StartErrors(), (std::pair<std::string, std::string>{}));
  EXPECT_TRUE(KeyArrives());
}
