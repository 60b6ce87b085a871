// What needs the application object, made before there is one: a clear
// failure instead of a crash.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

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
