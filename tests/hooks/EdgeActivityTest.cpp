// When a source that reports only idle and active edges notifies, on a
// clock that the test sets.
#include <gtest/gtest.h>

#include "hooks/EdgeActivity.h"

using namespace std::chrono_literals;
using pausalo::hooks::EdgeActivity;

namespace {

const EdgeActivity::Clock::time_point t0{100s};

// The times in [from, to) at which Due answers true when asked every 10 ms.
std::vector<std::chrono::milliseconds> DueTimes(EdgeActivity& activity, std::chrono::milliseconds from,
                                                std::chrono::milliseconds to) {
  std::vector<std::chrono::milliseconds> due;
  for (auto at = from; at < to; at += 10ms) {
    if (activity.Due(t0 + at)) due.push_back(at);
  }
  return due;
}

}  // namespace

TEST(EdgeActivity, ActiveFromCreationOncePerSecondUntilIdle) {
  EdgeActivity activity(t0);
  EXPECT_EQ(activity.NextDue(), t0 + 1s);
  using V = std::vector<std::chrono::milliseconds>;
  EXPECT_EQ(DueTimes(activity, 0ms, 3500ms), (V{1000ms, 2000ms, 3000ms}));

  activity.Idled();
  EXPECT_EQ(activity.NextDue(), std::nullopt) << "nothing to wait for while idle";
  EXPECT_EQ(DueTimes(activity, 3500ms, 20000ms), V{});
}

TEST(EdgeActivity, EachEdgeBackToActivityNotifiesAtOnceAndRestartsTheSeconds) {
  EdgeActivity activity(t0);
  activity.Idled();
  EXPECT_TRUE(activity.Resumed(t0 + 5250ms));
  EXPECT_EQ(activity.NextDue(), t0 + 6250ms);
  using V = std::vector<std::chrono::milliseconds>;
  EXPECT_EQ(DueTimes(activity, 5250ms, 7500ms), (V{6250ms, 7250ms})) << "counted from the edge, not from creation";

  // The compositor repeating itself while the user is active changes nothing.
  EXPECT_FALSE(activity.Resumed(t0 + 7600ms));
  EXPECT_EQ(activity.NextDue(), t0 + 8250ms);

  activity.Idled();
  activity.Idled();
  EXPECT_TRUE(activity.Resumed(t0 + 9000ms));
  EXPECT_FALSE(activity.Resumed(t0 + 9100ms));
}

TEST(EdgeActivity, ALateWakeUpGivesOneNotificationNotABurst) {
  EdgeActivity activity(t0);
  EXPECT_TRUE(activity.Due(t0 + 1s));
  EXPECT_FALSE(activity.Due(t0 + 1s)) << "each due notification once";
  // Asked again only 4.3 s after it was due (a suspended or busy machine).
  EXPECT_TRUE(activity.Due(t0 + 6300ms));
  EXPECT_FALSE(activity.Due(t0 + 6300ms));
  EXPECT_EQ(activity.NextDue(), t0 + 7300ms);
  // Punctual from then on, without drifting by the time it is asked late.
  EXPECT_FALSE(activity.Due(t0 + 7299ms));
  EXPECT_TRUE(activity.Due(t0 + 7305ms));
  EXPECT_EQ(activity.NextDue(), t0 + 8300ms);
}
