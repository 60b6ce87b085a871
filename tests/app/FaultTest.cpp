// Faults around the main window: hook libraries that load but refuse to
// install their hook, and a flood of input notifications.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "EventLoopWaits.h"
#include "InputFlood.h"
#include "MainFormTestAccess.h"
#include "RecordingNotificationArea.h"
#include "app/MainForm.h"
#include "input/TestHookLibrary.h"
#include "platform/Application.h"

using namespace pausalo;
using pausalo::testing::ProcessEventsUntil;
using namespace std::chrono_literals;
using pausalo::testing::InputFlood;
using pausalo::testing::RecordingNotificationArea;

namespace {

// By path: under AddressSanitizer dlopen does not search the test's RUNPATH.
const std::string KeyboardHook = TEST_HOOK_DIR "/libtesthook_kb.so";
const std::string MouseHook = TEST_HOOK_DIR "/libtesthook_m.so";

// One of the test hook libraries, loaded as the main window loads it.
class TestHook {
 public:
  explicit TestHook(const std::string& path) : module_(dlopen(path.c_str(), RTLD_NOW)) {}
  ~TestHook() {
    Call<void (*)(int)>("TestHook_Refuse")(0);
    Call<void (*)(TestHookObserver, void*)>("TestHook_Observe")(nullptr, nullptr);
    dlclose(module_);
  }
  TestHook(const TestHook&) = delete;
  TestHook& operator=(const TestHook&) = delete;

  void Refuse() { Call<void (*)(int)>("TestHook_Refuse")(1); }
  void Fire() { ASSERT_EQ(Call<int (*)()>("TestHook_Fire")(), 1); }
  // Records the names of the exports called, "SetHook" or "RemoveHook".
  void Observe(std::vector<std::string>& calls) {
    Call<void (*)(TestHookObserver, void*)>("TestHook_Observe")(
        [](void* context, const char*, const char* call, std::uint32_t) {
          static_cast<std::vector<std::string>*>(context)->push_back(call);
        },
        &calls);
  }

 private:
  template <class Function>
  Function Call(const char* name) {
    return reinterpret_cast<Function>(dlsym(module_, name));
  }
  void* module_;
};

class MainFormFaults : public ::testing::Test {
 protected:
  MainFormFaults() : form({&clock, &area, KeyboardHook, MouseHook}) {
    application.SetMainForm(&form);
    form.show();
  }
  ~MainFormFaults() override { form.B_StopClick(); }

  // Presses Start and answers the message box it may show; returns its text.
  QString StartAndAnswer() {
    QString shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shown = box->text();
        box->close();
      }
    });
    poll.start(10);
    form.B_StartClick();
    return shown;
  }

  TApplication application;
  ManualClock clock{std::chrono::hours(24 * 100)};
  RecordingNotificationArea area;
  TestHook keyboard{KeyboardHook};
  TestHook mouse{MouseHook};
  TMainForm form;
};

}  // namespace

TEST_F(MainFormFaults, AMouseHookThatRefusesIsReportedAndTheKeyboardGoesOnCounting) {
  mouse.Refuse();
  EXPECT_EQ(StartAndAnswer(), "Error");
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWorking);
  EXPECT_TRUE(form.OpTimer->isActive());
  EXPECT_TRUE(form.Tray1->Added()) << "the program still goes into the tray";

  clock.Advance(2min);
  keyboard.Fire();
  ASSERT_TRUE(ProcessEventsUntil([&] { return MainFormTestAccess::Breaks(form).LastInput() == clock.Now(); }));
  clock.Advance(2min);
  form.OpTimerTimer();
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWorking)
      << "the keyboard input kept the stretch from going idle";
  EXPECT_EQ(form.StaticText2->text(), "00:04:00");
}

TEST_F(MainFormFaults, AKeyboardHookThatRefusesIsReportedAndTheMouseHookIsNotTried) {
  std::vector<std::string> keyboardCalls, mouseCalls;
  keyboard.Observe(keyboardCalls);
  mouse.Observe(mouseCalls);
  keyboard.Refuse();
  EXPECT_EQ(StartAndAnswer(), "Error");
  EXPECT_EQ(keyboardCalls, std::vector<std::string>{"SetHook"});
  EXPECT_TRUE(mouseCalls.empty());
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWorking);
  clock.Advance(3min);
  form.OpTimerTimer();
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssIdle) << "without input the stretch goes idle";
}

// A hundred thousand notifications in one second are all handled, and the
// tick timer keeps running meanwhile. How late the ticks come is measured by
// bench/input_flood_bench, not asserted here.
TEST(InputFlood, AHundredThousandNotificationsInASecondAreAllHandledWhileTicksGoOn) {
  constexpr int Notifications = 100'000;
  TApplication application;
  RecordingNotificationArea area;
  TMainForm form({nullptr, &area, KeyboardHook, MouseHook});
  application.SetMainForm(&form);
  form.B_StartClick();
  int handled = 0;
  const TKeybrdMsg handler = form.rasWinGod1->OnKeybrdMsg;
  form.rasWinGod1->OnKeybrdMsg = [&](std::int32_t code, std::int32_t key, std::int32_t info) {
    ++handled;
    handler(code, key, info);
  };
  int ticks = 0;
  QObject::connect(form.OpTimer, &QTimer::timeout, [&] { ++ticks; });

  const TDateTime before = MainFormTestAccess::Breaks(form).LastInput();
  {
    InputFlood flood(application.Window().Handle(), Notifications, 1s);
    EXPECT_TRUE(ProcessEventsUntil([&] { return handled == Notifications; }, 60s));
    EXPECT_EQ(flood.Posted(), Notifications);
  }
  EXPECT_EQ(handled, Notifications);
  EXPECT_GT(MainFormTestAccess::Breaks(form).LastInput(), before);
  EXPECT_TRUE(ProcessEventsUntil([&] { return ticks > 0; }));
  EXPECT_EQ(MainFormTestAccess::Breaks(form).State(), ssWorking);
  form.B_StopClick();
}
