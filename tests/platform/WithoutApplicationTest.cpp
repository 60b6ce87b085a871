// What needs the application object, made before there is one: a clear
// failure instead of a crash.
#include <gtest/gtest.h>

#include <QtGlobal>
#include <stdexcept>
#include <string>

#include "platform/DesktopWindows.h"
#include "platform/Thread.h"

using namespace pausalo;

namespace {

class IdleThread final : public TThread {
  void Execute() override {}
};

}  // namespace

TEST(WithoutApplication, AThreadObjectFailsWithAMessageThatNamesTheApplicationObject) {
  try {
    IdleThread thread;
    FAIL() << "a thread object was made without an application object";
  } catch (const std::logic_error& error) {
    EXPECT_NE(std::string(error.what()).find("application object"), std::string::npos) << error.what();
  }
}

TEST(WithoutApplication, TheQtPlatformIsChosenWhereTheUserChoseNone) {
  qunsetenv("QT_QPA_PLATFORM");
  qunsetenv("QT_XCB_NO_XI2");
  ChooseQtPlatform();
  EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb;wayland");
  EXPECT_EQ(qgetenv("QT_XCB_NO_XI2"), "1");
  qputenv("QT_QPA_PLATFORM", "wayland");
  qputenv("QT_XCB_NO_XI2", "");
  ChooseQtPlatform();
  EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "wayland") << "the user's platform";
  EXPECT_TRUE(qEnvironmentVariableIsSet("QT_XCB_NO_XI2") && qgetenv("QT_XCB_NO_XI2").isEmpty()) << "the user's value";
}
