// The state behind a hook library's SetHook and RemoveHook.
#include <gtest/gtest.h>

#include "hooks/HookHost.h"

using pausalo::MHookNotification;
using pausalo::hooks::ActivitySource;
using pausalo::hooks::HookHost;
using pausalo::hooks::Notifier;

namespace {

class CountedSource final : public ActivitySource {
 public:
  CountedSource() { ++running; }
  ~CountedSource() override { --running; }
  bool Running() const override { return true; }
  static inline int running = 0;
};

std::unique_ptr<ActivitySource> StartCounted(const Notifier&) { return std::make_unique<CountedSource>(); }

}  // namespace

TEST(HookHost, RemoveHookStopsTheSourceOfTheWindowGivenAlone) {
  int record = 0;
  HookHost host(&record, MHookNotification, &StartCounted);
  EXPECT_EQ(host.SetHook(7), &record);
  EXPECT_EQ(host.SetHook(7), &record);
  EXPECT_EQ(CountedSource::running, 1) << "SetHook again for the same window keeps its source";
  host.RemoveHook(8);
  EXPECT_EQ(CountedSource::running, 1) << "another window's RemoveHook";
  host.RemoveHook(7);
  EXPECT_EQ(CountedSource::running, 0);
}
