#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "LimitValues.h"
#include "breaks/WorkProfiles.h"

using namespace pausalo;

namespace {

class RecordingFields final : public LimitFields {
 public:
  int Value(TLimit) const override { return 0; }
  void SetValue(TLimit limit, int minutes) override { writes.emplace_back(limit, minutes); }
  std::vector<std::pair<TLimit, int>> writes;
};

const TWorkProfile& Profile(std::string_view caption) {
  for (const auto& profile : WorkProfiles)
    if (profile.Caption == caption) return profile;
  throw std::invalid_argument("no such profile");
}

}  // namespace

TEST(WorkProfiles, StartValuesAreTheLimitDefaultsNotTheDownProfile) {
  LimitValues fields;
  EXPECT_EQ(ReadLimits(fields), (TBreakLimits{120, 15, 3}));
  EXPECT_NE(ReadLimits(fields), WorkProfiles[StartProfile].Limits);
}

TEST(WorkProfiles, ApplyWritesWorkingPauseIdleInOrder) {
  RecordingFields fields;
  ApplyProfile(Profile("Development"), fields);
  const std::vector<std::pair<TLimit, int>> expected{{TLimit::Activity, 60}, {TLimit::Pause, 10}, {TLimit::Timeout, 6}};
  EXPECT_EQ(fields.writes, expected);
}

TEST(WorkProfiles, ProfileValuesLieWithinTheLimitRanges) {
  for (const auto& profile : WorkProfiles) {
    LimitValues fields;
    ApplyProfile(profile, fields);
    for (const auto& info : LimitInfos) {
      EXPECT_GE(fields.Value(info.Limit), info.MinValue) << profile.Caption;
      EXPECT_LE(fields.Value(info.Limit), info.MaxValue) << profile.Caption;
    }
  }
}

TEST(SetupModes, SwitchingModeKeepsTheValuesAndTogglesWhatIsEditable) {
  LimitValues fields;
  ApplyProfile(Profile("Internet browsing"), fields);
  const TSetupEnabling manual = EnablingOf(smManual);
  EXPECT_TRUE(manual.LimitFields);
  EXPECT_FALSE(manual.ProfileButtons);
  EXPECT_EQ(ReadLimits(fields), (TBreakLimits{120, 15, 5}));

  const TSetupEnabling automatic = EnablingOf(StartSetupMode);
  EXPECT_TRUE(automatic.ProfileButtons);
  EXPECT_FALSE(automatic.LimitFields);
}
