#include <dlfcn.h>
#include <gtest/gtest.h>

#include "ApplicationWindowTestAccess.h"
#include "EventLoopWaits.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <optional>
#include <string>
#include <vector>

#include "TestHookLibrary.h"
#include "input/WinGod.h"

using namespace pausalo;
using pausalo::testing::ProcessEventsUntil;

namespace {

constexpr char KeybrdLibrary[] = "libtesthook_kb.so";
constexpr char MouseLibrary[] = "libtesthook_m.so";
constexpr char NoSetHookLibrary[] = "libtesthook_nosethook.so";
constexpr char NoRemoveHookLibrary[] = "libtesthook_noremovehook.so";
constexpr char MissingLibrary[] = "libpausalo_no_such_hook.so";

struct Call {
  std::string library;
  std::string call;
  std::uint32_t window;
  bool operator==(const Call&) const = default;
};

void PrintTo(const Call& call, std::ostream* out) {
  *out << call.library << ':' << call.call << '(' << call.window << ')';
}

// A test hook library, reached through the same dynamic loader as the
// component reaches it.
class TestHook {
 public:
  explicit TestHook(const char* library) : module_(dlopen(library, RTLD_NOW | RTLD_LOCAL)) {
    if (module_ == nullptr) throw std::runtime_error(dlerror());
  }
  template <class F>
  F* Export(const char* name) const {
    return reinterpret_cast<F*>(dlsym(module_, name));
  }
  void Observe(TestHookObserver observer, void* context) const {
    Export<void(TestHookObserver, void*)>("TestHook_Observe")(observer, context);
  }
  void Refuse(bool refuse) const { Export<void(int)>("TestHook_Refuse")(refuse); }
  template <class Record>
  Record& RecordAs() const {
    return *static_cast<Record*>(Export<void*()>("TestHook_Record")());
  }
  bool Fire() const { return Export<int()>("TestHook_Fire")() == 1; }

 private:
  void* module_;
};

// Stands after the component's filter in the hook list and sees what the
// component leaves alone.
struct LaterFilter {
  std::vector<std::uint32_t> seen;
  bool Hook(TMessage& message) {
    seen.push_back(message.Msg);
    return false;
  }
};

class WinGodTest : public ::testing::Test {
 protected:
  WinGodTest() {
    for (const TestHook* hook : {&keybrdHook, &mouseHook, &noSetHook, &noRemoveHook}) {
      hook->Observe(&WinGodTest::Record, this);
      hook->Refuse(false);
    }
    application.OnException = [this](const std::exception& error) { shown.push_back(error.what()); };
  }
  ~WinGodTest() override {
    for (const TestHook* hook : {&keybrdHook, &mouseHook, &noSetHook, &noRemoveHook}) hook->Observe(nullptr, nullptr);
  }

  static void Record(void* context, const char* library, const char* call, std::uint32_t window) {
    static_cast<WinGodTest*>(context)->calls.push_back({library, call, window});
  }

  std::size_t FilterCount() { return ApplicationWindowTestAccess::HookCount(application.Window()); }
  void AddLaterFilter() { application.Window().AddHook(TWindowHook::Bind<&LaterFilter::Hook>(&later)); }
  void RemoveLaterFilter() { application.Window().RemoveHook(TWindowHook::Bind<&LaterFilter::Hook>(&later)); }

  // Hands a message to the application window; true when a filter before
  // the later one consumed it.
  bool Consumed(std::uint32_t msg, std::int32_t wParam, std::int32_t lParam) {
    const std::size_t before = later.seen.size();
    application.Window().Perform(msg, wParam, lParam);
    return later.seen.size() == before;
  }
  bool ConsumedNotification(const THookNotification& notification) {
    return Consumed(pausalo_register_window_message(notification.MessageName), notification.WParam,
                    notification.LParam);
  }

  Call KB(const char* call) { return {"testhook_kb", call, application.Handle()}; }
  Call M(const char* call) { return {"testhook_m", call, application.Handle()}; }

  TApplication application;
  TestHook keybrdHook{KeybrdLibrary};
  TestHook mouseHook{MouseLibrary};
  TestHook noSetHook{NoSetHookLibrary};
  TestHook noRemoveHook{NoRemoveHookLibrary};
  std::vector<Call> calls;
  std::vector<std::string> shown;
  LaterFilter later;
};

}  // namespace

TEST_F(WinGodTest, StartingTwiceCallsSetHookOnceAndAddsOneFilter) {
  TrasWinGod god(KeybrdLibrary, MouseLibrary);
  god.StartKeybrdHook();
  god.StartKeybrdHook();
  EXPECT_EQ(calls, std::vector<Call>{KB("SetHook")});
  EXPECT_EQ(FilterCount(), 1u);
}

TEST_F(WinGodTest, TheFilterStandsExactlyWhileAHookIsInstalled) {
  TrasWinGod god(KeybrdLibrary, MouseLibrary);
  god.StartKeybrdHook();
  god.StartMouseHook();
  EXPECT_EQ(FilterCount(), 1u);
  god.StopMouseHook();
  EXPECT_EQ(FilterCount(), 1u);
  god.StopKeybrdHook();
  EXPECT_EQ(FilterCount(), 0u);
  god.StopKeybrdHook();
  EXPECT_EQ(calls, (std::vector<Call>{KB("SetHook"), M("SetHook"), M("RemoveHook"), KB("RemoveHook")}));

  // Stopped hooks start again: the library is asked again, one filter again.
  god.StartMouseHook();
  god.StartKeybrdHook();
  EXPECT_EQ(FilterCount(), 1u);
  EXPECT_EQ(calls.size(), 6u);
}

TEST_F(WinGodTest, AHookThatCannotBeInstalledRaisesHookErrorAndChangesNothing) {
  struct Case {
    const char* keybrdLibrary;
    const char* mouseLibrary;
    bool refuse;
  };
  for (const Case& failure :
       {Case{MissingLibrary, MissingLibrary, false}, Case{NoSetHookLibrary, NoSetHookLibrary, false},
        Case{KeybrdLibrary, MouseLibrary, true}}) {
    SCOPED_TRACE(failure.keybrdLibrary);
    keybrdHook.Refuse(failure.refuse);
    mouseHook.Refuse(failure.refuse);
    TrasWinGod god(failure.keybrdLibrary, failure.mouseLibrary);
    std::optional<std::string> keybrdText, mouseText;
    try {
      god.StartKeybrdHook();
    } catch (const HookError& error) {
      keybrdText = error.what();
    }
    try {
      god.StartMouseHook();
    } catch (const HookError& error) {
      mouseText = error.what();
    }
    EXPECT_EQ(keybrdText, "Unable to install a keyboard hook!");
    EXPECT_EQ(mouseText, "Unable to install a mouse hook!");
    EXPECT_EQ(FilterCount(), 0u);

    // Not installed: a stop calls nothing, and notifications go on.
    calls.clear();
    god.StopKeybrdHook();
    god.StopMouseHook();
    EXPECT_TRUE(calls.empty());
    AddLaterFilter();
    EXPECT_FALSE(ConsumedNotification(KBHookNotification));
    RemoveLaterFilter();
  }
}

TEST_F(WinGodTest, AFailedStartAfterAGoodOneLeavesTheHookDeaf) {
  TrasWinGod god(KeybrdLibrary, MouseLibrary);
  god.StartMouseHook();
  god.StartKeybrdHook();
  god.StopKeybrdHook();
  keybrdHook.Refuse(true);
  EXPECT_THROW(god.StartKeybrdHook(), HookError);
  AddLaterFilter();
  EXPECT_FALSE(ConsumedNotification(KBHookNotification)) << "the record is gone, so nothing is recognised";
  EXPECT_TRUE(ConsumedNotification(MHookNotification));
}

TEST_F(WinGodTest, WithoutRemoveHookTheStopStillRemovesTheFilter) {
  TrasWinGod god(NoRemoveHookLibrary, MouseLibrary);
  god.StartKeybrdHook();
  god.StopKeybrdHook();
  EXPECT_EQ(FilterCount(), 0u);
  EXPECT_EQ(calls, (std::vector<Call>{{"testhook_noremovehook", "SetHook", application.Handle()}}));
}

TEST_F(WinGodTest, OnlyTheExactNotificationIsRecognised) {
  TrasWinGod god(KeybrdLibrary, MouseLibrary);
  int keys = 0, mice = 0;
  god.OnKeybrdMsg = [&](std::int32_t, std::int32_t, std::int32_t) { ++keys; };
  god.OnMouseMsg = [&](std::int32_t, std::uint32_t, tagMOUSEHOOKSTRUCT) { ++mice; };
  god.StartKeybrdHook();
  god.StartMouseHook();
  AddLaterFilter();
  const std::uint32_t kb = pausalo_register_window_message("KB_Hook");
  const std::uint32_t m = pausalo_register_window_message("M_Hook");

  EXPECT_FALSE(Consumed(kb, 93, 40));
  EXPECT_FALSE(Consumed(kb, 94, 39));
  EXPECT_FALSE(Consumed(kb, 47, 74)) << "the mouse pair on the keyboard message";
  EXPECT_FALSE(Consumed(m, 93, 39)) << "the keyboard pair on the mouse message";
  EXPECT_FALSE(Consumed(0, 12, 21)) << "the shell hook is never installed";
  EXPECT_FALSE(Consumed(pausalo_register_window_message("Other"), 93, 39));
  EXPECT_EQ(keys + mice, 0);

  EXPECT_TRUE(Consumed(kb, 93, 39));
  EXPECT_TRUE(Consumed(m, 47, 74));
  EXPECT_EQ(keys, 1);
  EXPECT_EQ(mice, 1);
}

TEST_F(WinGodTest, ADisabledHookIsInstalledButItsNotificationsPassOn) {
  TrasWinGod god(KeybrdLibrary, MouseLibrary);
  int mice = 0;
  god.OnMouseMsg = [&](std::int32_t, std::uint32_t, tagMOUSEHOOKSTRUCT) { ++mice; };
  god.SetMouseHookEnabled(false);
  god.StartMouseHook();
  EXPECT_EQ(calls, std::vector<Call>{M("SetHook")});
  AddLaterFilter();
  EXPECT_FALSE(ConsumedNotification(MHookNotification));
  EXPECT_EQ(mice, 0);

  god.SetMouseHookEnabled(true);
  EXPECT_TRUE(ConsumedNotification(MHookNotification));
  EXPECT_EQ(mice, 1);
}

TEST_F(WinGodTest, WithoutAHandlerNotificationsAreStillConsumed) {
  TrasWinGod god(KeybrdLibrary, MouseLibrary);
  god.StartKeybrdHook();
  AddLaterFilter();
  EXPECT_TRUE(ConsumedNotification(KBHookNotification));
}

TEST_F(WinGodTest, KeyboardValuesAreReadFromTheRecordWhenTheNotificationIsHandled) {
  TrasWinGod god(KeybrdLibrary, MouseLibrary);
  std::vector<std::array<std::int32_t, 3>> keys;
  god.OnKeybrdMsg = [&](std::int32_t code, std::int32_t vkCode, std::int32_t ksInfo) {
    keys.push_back({code, vkCode, ksInfo});
  };
  god.StartKeybrdHook();
  auto& record = keybrdHook.RecordAs<TKeybrdHookRecord>();
  record.Code = 1;
  record.VKCode = 0x41;
  record.KSInfo = 0x001E0001;
  ASSERT_TRUE(keybrdHook.Fire());
  // The library moves on to the next event before the notification is
  // handled; its word at offset 0 is its own business.
  record.Reserved = 0x5A;
  record.Code = 3;
  record.VKCode = 0x42;
  ASSERT_TRUE(ProcessEventsUntil([&] { return !keys.empty(); }));
  EXPECT_EQ(keys, (std::vector<std::array<std::int32_t, 3>>{{3, 0x42, 0x001E0001}}));
}

TEST_F(WinGodTest, TheMouseHandlerWorksOnItsOwnCopyOfTheHookStructure) {
  TrasWinGod god(KeybrdLibrary, MouseLibrary);
  std::vector<tagMOUSEHOOKSTRUCT> seen;
  std::vector<std::uint32_t> messages;
  std::vector<std::int32_t> codes;
  god.OnMouseMsg = [&](std::int32_t code, std::uint32_t mesID, tagMOUSEHOOKSTRUCT mRec) {
    codes.push_back(code);
    messages.push_back(mesID);
    seen.push_back(mRec);
    mRec.X = -1;
    mRec.hwnd = 99;
  };
  god.StartMouseHook();
  auto& record = mouseHook.RecordAs<TMouseHookRecord>();
  record.Reserved = 0x5A;
  record.Code = 2;
  record.MesID = 0x201;
  record.StoreMRec({640, -12, 7, 1, 0xFFFFFFFF});
  ASSERT_TRUE(mouseHook.Fire());
  ASSERT_TRUE(mouseHook.Fire());
  ASSERT_TRUE(ProcessEventsUntil([&] { return seen.size() == 2; }));
  EXPECT_EQ(codes, (std::vector<std::int32_t>{2, 2}));
  EXPECT_EQ(messages, (std::vector<std::uint32_t>{0x201, 0x201}));
  for (const tagMOUSEHOOKSTRUCT& mRec : seen) {
    EXPECT_EQ(mRec.X, 640);
    EXPECT_EQ(mRec.Y, -12);
    EXPECT_EQ(mRec.hwnd, 7u);
    EXPECT_EQ(mRec.wHitTestCode, 1u);
    EXPECT_EQ(mRec.dwExtraInfo, 0xFFFFFFFFu);
  }
  EXPECT_EQ(record.X, 640);
  EXPECT_EQ(record.Hwnd, 7u);
}

TEST_F(WinGodTest, AnExceptionFromAHandlerIsShownAndTheHookStays) {
  TrasWinGod god(KeybrdLibrary, MouseLibrary);
  god.OnKeybrdMsg = [](std::int32_t, std::int32_t, std::int32_t) { throw Exception("handler failed"); };
  god.StartKeybrdHook();
  ASSERT_TRUE(keybrdHook.Fire());
  ASSERT_TRUE(ProcessEventsUntil([&] { return !shown.empty(); }));
  EXPECT_EQ(shown, std::vector<std::string>{"handler failed"});
  EXPECT_EQ(FilterCount(), 1u);
  god.StopKeybrdHook();
  EXPECT_EQ(calls.back(), KB("RemoveHook"));
}

TEST_F(WinGodTest, DestructionRemovesTheKeyboardThenTheMouseHookAndTheFilter) {
  {
    TrasWinGod god(KeybrdLibrary, MouseLibrary);
    god.StartMouseHook();
    god.StartKeybrdHook();
    calls.clear();
  }
  EXPECT_EQ(calls, (std::vector<Call>{KB("RemoveHook"), M("RemoveHook")}));
  EXPECT_EQ(FilterCount(), 0u);
}

TEST(WinGodWithoutApplication, RefusesToBeMade) { EXPECT_THROW(TrasWinGod god, Exception); }
