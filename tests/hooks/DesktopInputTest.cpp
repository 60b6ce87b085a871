// The shipped hook libraries on a real X server: input made up through XTEST
// anywhere on the desktop reaches TrasWinGod's events on the GUI thread.
#include <gtest/gtest.h>

#include "EventLoopWaits.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "FakeInput.h"
#include "hooks/RawInputThread.h"
#include "input/WinGod.h"

using namespace pausalo;
using pausalo::testing::FakeInput;
using pausalo::testing::ProcessEventsUntil;

namespace {

struct Key {
  std::int32_t Code, VKCode, KSInfo;
};
struct Mouse {
  std::int32_t Code;
  std::uint32_t MesID;
  tagMOUSEHOOKSTRUCT MRec;
};

// Switches the X server's keyboard layout for a while, as a user does in
// the desktop's settings; the US layout comes back at the end.
class KeyboardLayout {
 public:
  explicit KeyboardLayout(const std::string& layout) : applied_(SetLayout(layout)) {}
  ~KeyboardLayout() { SetLayout("us"); }
  KeyboardLayout(const KeyboardLayout&) = delete;
  KeyboardLayout& operator=(const KeyboardLayout&) = delete;
  bool Applied() const { return applied_; }

 private:
  static bool SetLayout(const std::string& layout) { return std::system(("setxkbmap -layout " + layout).c_str()) == 0; }
  bool applied_;
};

class DesktopInputTest : public ::testing::Test {
 protected:
  DesktopInputTest() {
    god.OnKeybrdMsg = [this](std::int32_t code, std::int32_t vkCode, std::int32_t ksInfo) {
      onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
      keys.push_back({code, vkCode, ksInfo});
    };
    god.OnMouseMsg = [this](std::int32_t code, std::uint32_t mesID, tagMOUSEHOOKSTRUCT mRec) {
      onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
      mice.push_back({code, mesID, mRec});
    };
  }

  void SetUp() override {
    ASSERT_TRUE(input.Connected());
    god.StartKeybrdHook();
    god.StartMouseHook();
  }

  std::vector<std::uint32_t> ButtonMessages() const {
    std::vector<std::uint32_t> messages;
    for (const Mouse& mouse : mice) {
      if (mouse.MesID != 0x200) messages.push_back(mouse.MesID);
    }
    return messages;
  }

  TApplication application;
  TrasWinGod god;
  FakeInput input;
  std::vector<Key> keys;
  std::vector<Mouse> mice;
  bool onGuiThread = true;
};

// Records the half-second of the monotonic clock in which each batch comes.
struct BatchRecorder final : hooks::RawInputHandler {
  void HandleRawEvent(xcb_connection_t&, const hooks::RawEvent&) override { ++events; }
  void EndBatch(xcb_connection_t&) override {
    halfSeconds.push_back(std::chrono::steady_clock::now().time_since_epoch() / hooks::RawInputThread::HandOverPeriod);
  }
  static inline std::atomic<int> events{0};
  static inline std::vector<std::int64_t> halfSeconds;  // read once the listener has ended
};

}  // namespace

// After a batch, a listener lets the input gather until the next half-second
// of the monotonic clock: a stream comes in one batch a half-second at most.
TEST(RawInputListener, HandsAStreamOverAtMostOnceInEachHalfSecond) {
  FakeInput input;
  ASSERT_TRUE(input.Connected());
  auto listener = hooks::RawInputThread::Start("test keys", XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS,
                                               std::make_unique<BatchRecorder>());
  ASSERT_NE(listener, nullptr);
  for (int i = 0; i < 40; ++i) {
    input.TypeKey(input.KeycodeOf('a'));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(ProcessEventsUntil([] { return BatchRecorder::events == 40; }));
  listener.reset();
  const auto& times = BatchRecorder::halfSeconds;
  EXPECT_EQ(std::adjacent_find(times.begin(), times.end(), std::greater_equal<>()), times.end());
}

// The record holds the last event only, so each notification is handled
// before the next input is made.

TEST_F(DesktopInputTest, KeyPressesArriveWithTheirVirtualKeyCodes) {
  struct Expected {
    std::uint32_t keysym;
    std::int32_t vkCode;
  };
  const std::vector<Expected> typed{{'a', 0x41},    {'z', 0x5A},    {'5', 0x35},    {0xFFBE, 0x70}, {0xFF0D, 0x0D},
                                    {0xFF1B, 0x1B}, {0xFF09, 0x09}, {0xFF08, 0x08}, {' ', 0x20},    {0xFF51, 0x25},
                                    {0xFF54, 0x28}, {0xFFE1, 0x10}, {0xFFE3, 0x11}, {0xFFE9, 0x12}};
  std::vector<std::uint8_t> keycodes;
  for (const Expected& key : typed) {
    keycodes.push_back(input.KeycodeOf(key.keysym));
    ASSERT_NE(keycodes.back(), 0) << std::hex << key.keysym;
    input.TypeKey(keycodes.back());
    ASSERT_TRUE(ProcessEventsUntil([&] { return keys.size() == keycodes.size(); })) << std::hex << key.keysym;
  }
  for (std::size_t i = 0; i < typed.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(keys[i].Code, 0);
    EXPECT_EQ(keys[i].VKCode, typed[i].vkCode);
    EXPECT_EQ(keys[i].KSInfo & 0x00FFFFFF, 1 | (keycodes[i] - 8) << 16) << "repeat count 1 and the scan code";
    EXPECT_EQ(keys[i].KSInfo & 0xC0000000, 0) << "a fresh press";
  }
  // One notification per press: all of them are handled before the next key's.
  input.TypeKey(input.KeycodeOf('m'));
  ASSERT_TRUE(ProcessEventsUntil([&] { return keys.size() > typed.size(); }));
  EXPECT_EQ(keys.size(), typed.size() + 1);
  EXPECT_EQ(keys.back().VKCode, 0x4D);
  EXPECT_NE(keys[9].KSInfo & 0x01000000, 0) << "the arrow keys are extended keys";
  EXPECT_EQ(keys[0].KSInfo & 0x01000000, 0);
  EXPECT_TRUE(onGuiThread);
  EXPECT_TRUE(mice.empty());
}

// The same key reports the virtual-key code of the symbol that the current
// layout gives it: on a French keyboard the US "A" key is "Q".
TEST_F(DesktopInputTest, VirtualKeyCodesFollowAKeyboardLayoutChange) {
  const std::uint8_t key = input.KeycodeOf('a');
  ASSERT_NE(key, 0);
  {
    const KeyboardLayout french("fr");
    ASSERT_TRUE(french.Applied());
    input.TypeKey(key);
    ASSERT_TRUE(ProcessEventsUntil([&] { return keys.size() == 1; }));
    EXPECT_EQ(keys[0].VKCode, 0x51);
  }
  input.TypeKey(key);
  ASSERT_TRUE(ProcessEventsUntil([&] { return keys.size() == 2; }));
  EXPECT_EQ(keys[1].VKCode, 0x41);
}

TEST_F(DesktopInputTest, ABurstOfKeyPressesOrClicksArrivesInFull) {
  // The libraries store later events while earlier notifications are being
  // handled; each handler sees one of the events, and every event has a
  // notification of its own.
  const std::uint8_t a = input.KeycodeOf('a'), b = input.KeycodeOf('b');
  for (int i = 0; i < 50; ++i) input.TypeKey(i % 2 == 0 ? a : b);
  ASSERT_TRUE(ProcessEventsUntil([&] { return keys.size() >= 50; }));
  for (const Key& key : keys) EXPECT_TRUE(key.VKCode == 0x41 || key.VKCode == 0x42) << key.VKCode;

  for (int i = 0; i < 50; ++i) input.Click(1);
  ASSERT_TRUE(ProcessEventsUntil([&] { return ButtonMessages().size() >= 50; }));
  EXPECT_EQ(ButtonMessages(), std::vector<std::uint32_t>(50, 0x201));
}

TEST_F(DesktopInputTest, ButtonsWheelAndRelativeMotionArriveWithTheirMessages) {
  input.MoveTo(100, 200);
  const std::vector<std::pair<std::uint8_t, std::uint32_t>> clicks{{1, 0x201}, {3, 0x204}, {2, 0x207}, {4, 0x20A}};
  for (const auto& [button, message] : clicks) {
    input.Click(button);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !mice.empty() && mice.back().MesID == message; })) << int{button};
    EXPECT_EQ(mice.back().Code, 0);
    EXPECT_EQ(mice.back().MRec.X, 100);
    EXPECT_EQ(mice.back().MRec.Y, 200);
    EXPECT_EQ(mice.back().MRec.hwnd, 0u);
  }

  // The move to (100, 200) may still be on its way: wait for the relative
  // move's own notification.
  input.MoveBy(5, 3);
  const auto movedBy = [&] {
    return std::any_of(mice.begin(), mice.end(), [](const auto& mouse) {
      return mouse.MesID == 0x200u && mouse.MRec.X == 105 && mouse.MRec.Y == 203;
    });
  };
  EXPECT_TRUE(ProcessEventsUntil(movedBy)) << "no move notification at (105, 203)";
  EXPECT_TRUE(onGuiThread);
  EXPECT_TRUE(keys.empty());
}

TEST_F(DesktopInputTest, StoppedHooksReportNothingAndStartAgain) {
  god.StopMouseHook();
  god.StopKeybrdHook();
  input.TypeKey(input.KeycodeOf('a'));
  input.Click(1);
  input.MoveBy(-4, 2);

  // Whatever input arrived while stopped would come before these.
  god.StartKeybrdHook();
  god.StartMouseHook();
  input.TypeKey(input.KeycodeOf('b'));
  ASSERT_TRUE(ProcessEventsUntil([&] { return !keys.empty(); }));
  input.Click(3);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !mice.empty(); }));
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys.front().VKCode, 0x42);
  EXPECT_EQ(ButtonMessages(), std::vector<std::uint32_t>{0x204});
}
