#include <gtest/gtest.h>

#include <QCoreApplication>
#include <string>
#include <vector>

#include "ApplicationWindowTestAccess.h"
#include "platform/Application.h"
#include "platform/Exception.h"

using namespace pausalo;

namespace {

// A filter with a scripted answer that records the order of calls.
struct Filter {
  std::vector<std::string>* calls;
  std::string name;
  bool answer = false;
  bool throws = false;

  bool Hook(TMessage& message) {
    calls->push_back(name);
    message.Result = 42;
    if (throws) throw Exception("filter failed: " + name);
    return answer;
  }
  TWindowHook Bound() { return TWindowHook::Bind<&Filter::Hook>(this); }
};

class ApplicationWindowTest : public ::testing::Test {
 protected:
  ApplicationWindowTest() {
    application.OnException = [this](const std::exception& error) { shown.push_back(error.what()); };
  }
  std::int32_t Send() { return application.Window().Perform(0xC123, 1, 2); }

  TApplication application;
  std::vector<std::string> calls;
  std::vector<std::string> shown;
};

}  // namespace

TEST_F(ApplicationWindowTest, FiltersRunInOrderAndTheFirstTrueEndsHandling) {
  Filter a{&calls, "a"}, b{&calls, "b", true}, c{&calls, "c"};
  application.Window().AddHook(a.Bound());
  application.Window().AddHook(b.Bound());
  application.Window().AddHook(c.Bound());

  EXPECT_EQ(Send(), 42) << "Result stays as the filters left it";
  EXPECT_EQ(calls, (std::vector<std::string>{"a", "b"}));
}

TEST_F(ApplicationWindowTest, UnhandledMessagesAreAnsweredWithZero) {
  Filter a{&calls, "a"};
  application.Window().AddHook(a.Bound());
  EXPECT_EQ(Send(), 0);
  EXPECT_EQ(calls, std::vector<std::string>{"a"});
}

TEST_F(ApplicationWindowTest, RemoveTakesOnlyTheFirstEntryOfTheSameObjectAndMethod) {
  Filter a{&calls, "a"}, b{&calls, "b"};
  application.Window().AddHook(a.Bound());
  application.Window().AddHook(b.Bound());
  application.Window().AddHook(a.Bound());
  application.Window().RemoveHook(a.Bound());
  EXPECT_EQ(ApplicationWindowTestAccess::HookCount(application.Window()), 2u);
  Send();
  EXPECT_EQ(calls, (std::vector<std::string>{"b", "a"}));

  Filter stranger{&calls, "stranger"};
  application.Window().RemoveHook(stranger.Bound());
  EXPECT_EQ(ApplicationWindowTestAccess::HookCount(application.Window()), 2u);
}

TEST_F(ApplicationWindowTest, AnEscapingExceptionIsShownAndTheMessageCountsAsHandled) {
  Filter a{&calls, "a", false, true}, b{&calls, "b"};
  application.Window().AddHook(a.Bound());
  application.Window().AddHook(b.Bound());
  EXPECT_EQ(Send(), 42) << "handled: Result as the filter left it";
  EXPECT_EQ(calls, std::vector<std::string>{"a"});
  EXPECT_EQ(shown, std::vector<std::string>{"filter failed: a"});
}

TEST_F(ApplicationWindowTest, PostedMessagesPassThroughTheFilters) {
  Filter a{&calls, "a", true};
  application.Window().AddHook(a.Bound());
  EXPECT_EQ(pausalo_post_message(application.Handle(), 0xC123, 1, 2), 1);
  EXPECT_TRUE(calls.empty()) << "delivered by the event loop, not by the poster";
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, std::vector<std::string>{"a"});
}

TEST_F(ApplicationWindowTest, AFilterRemovingItselfWhileRunningIsSafe) {
  struct SelfRemoving {
    TApplication* application;
    int calls = 0;
    bool Hook(TMessage&) {
      ++calls;
      application->Window().RemoveHook(TWindowHook::Bind<&SelfRemoving::Hook>(this));
      return false;
    }
  } self{&application};
  application.Window().AddHook(TWindowHook::Bind<&SelfRemoving::Hook>(&self));
  Send();
  Send();
  EXPECT_EQ(self.calls, 1);
  EXPECT_EQ(ApplicationWindowTestAccess::HookCount(application.Window()), 0u);
}

// Exceptions that cannot propagate: shown by the application object while
// there is one, on standard error otherwise or when showing fails; the
// reporter itself never throws.
TEST(ReportExceptionTest, ShowsThroughTheApplicationElseWritesToStandardError) {
  const auto failure = std::make_exception_ptr(Exception("disk on fire"));
  const auto unknown = std::make_exception_ptr(42);
  {
    TApplication application;
    std::vector<std::string> shown;
    application.OnException = [&](const std::exception& error) { shown.push_back(error.what()); };
    testing::internal::CaptureStderr();
    ReportException(failure);
    ReportException(unknown);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "disk on fire");
    EXPECT_FALSE(shown[1].empty()) << "an exception of no known type is shown too";

    application.OnException = [](const std::exception&) { throw Exception("handler failed"); };
    testing::internal::CaptureStderr();
    ReportException(failure);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "disk on fire\n");
  }
  ASSERT_EQ(Application(), nullptr);
  testing::internal::CaptureStderr();
  ReportException(failure);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "disk on fire\n");
}

// Terminated() holds from Terminate on, until the next application object.
TEST(ApplicationTest, TerminatedHoldsUntilTheNextApplicationObject) {
  std::make_unique<TApplication>()->Terminate();
  EXPECT_TRUE(TApplication::Terminated()) << "after its object is gone";
  const TApplication next;
  EXPECT_FALSE(TApplication::Terminated());
}
