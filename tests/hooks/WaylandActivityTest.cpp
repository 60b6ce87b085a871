// The shipped hook libraries on a Wayland compositor (the test runs on one):
// pointer input made through the compositor reaches TrasWinGod as mouse
// moves, once at the edge back from idleness and once a second while the
// input goes on, and stops once the compositor reports the user idle.
#include <gtest/gtest.h>

#include "EventLoopWaits.h"

#include <QProcess>
#include <chrono>
#include <vector>

#include "input/WinGod.h"

using namespace pausalo;
using namespace std::chrono_literals;
using pausalo::testing::ProcessEventsUntil;
using Clock = std::chrono::steady_clock;

namespace {

struct Mouse {
  Clock::time_point at;
  std::int32_t Code;
  std::uint32_t MesID;
  tagMOUSEHOOKSTRUCT MRec;
};

class WaylandActivityTest : public ::testing::Test {
 protected:
  WaylandActivityTest() {
    god.OnKeybrdMsg = [this](std::int32_t, std::int32_t, std::int32_t) { ++keys; };
    god.OnMouseMsg = [this](std::int32_t code, std::uint32_t mesID, tagMOUSEHOOKSTRUCT mRec) {
      mice.push_back({Clock::now(), code, mesID, mRec});
    };
  }

  // Until no notification came for quiet; false when that never happens.
  bool AwaitQuiet(Clock::duration quiet) {
    const auto last = [&] { return mice.empty() ? started : mice.back().at; };
    return ProcessEventsUntil([&] { return Clock::now() - last() >= quiet; });
  }

  // Moves the pointer through the compositor every 50 ms for the seconds
  // given, handling notifications meanwhile; the time span it ran.
  std::pair<Clock::time_point, Clock::time_point> Inject(int seconds) {
    QProcess injector;
    injector.setProcessChannelMode(QProcess::ForwardedChannels);
    injector.start(PAUSALO_INJECT, {"--seconds", QString::number(seconds), "--interval-ms", "50"});
    EXPECT_TRUE(injector.waitForStarted());
    const auto begun = Clock::now();
    EXPECT_TRUE(ProcessEventsUntil([&] { return injector.state() == QProcess::NotRunning; }));
    EXPECT_EQ(injector.exitCode(), 0);
    return {begun, Clock::now()};
  }

  std::vector<Mouse> Between(Clock::time_point from, Clock::time_point to) const {
    std::vector<Mouse> found;
    for (const Mouse& mouse : mice) {
      if (mouse.at >= from && mouse.at < to) found.push_back(mouse);
    }
    return found;
  }

  TApplication application;
  TrasWinGod god;
  const Clock::time_point started = Clock::now();
  std::vector<Mouse> mice;
  int keys = 0;
};

}  // namespace

TEST_F(WaylandActivityTest, InputBecomesPointerMovesOnceASecondUntilIdle) {
  god.StartKeybrdHook();
  god.StartMouseHook();
  // A new source counts the user as active until the compositor says idle.
  ASSERT_TRUE(AwaitQuiet(3s));
  const std::size_t beforeInput = mice.size();
  EXPECT_LE(beforeInput, 3u) << "idle after about a second";

  const auto [begun, ended] = Inject(4);
  const std::vector<Mouse> during = Between(begun, ended);
  ASSERT_FALSE(during.empty()) << "no notification for the input";
  EXPECT_LT(during.front().at - begun, 2500ms) << "the edge back to activity notifies at once";
  EXPECT_GE(during.size(), 3u) << "once a second while the input goes on";
  EXPECT_LE(during.size(), 6u) << "not once per input event";

  // The compositor calls the user idle a second after the last input.
  ASSERT_TRUE(AwaitQuiet(3s));
  const std::vector<Mouse> after = Between(ended, Clock::now());
  EXPECT_LE(after.size(), 3u);
  if (!after.empty()) {
    EXPECT_LT(after.back().at - ended, 3s);
  }

  for (const Mouse& mouse : mice) {
    EXPECT_EQ(mouse.Code, HC_ACTION);
    EXPECT_EQ(mouse.MesID, 0x200u) << "a pointer move";
    EXPECT_EQ(mouse.MRec.X, 0);
    EXPECT_EQ(mouse.MRec.Y, 0);
    EXPECT_EQ(mouse.MRec.hwnd, 0u);
  }
  EXPECT_EQ(keys, 0) << "the keyboard library stays silent";
}
