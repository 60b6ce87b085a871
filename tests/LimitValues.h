#pragma once

#include <array>

#include "breaks/WorkProfiles.h"

namespace pausalo {

// Limit fields held in memory, starting from the Setup page's start values.
class LimitValues final : public LimitFields {
 public:
  int Value(TLimit limit) const override { return values_[Index(limit)]; }
  void SetValue(TLimit limit, int minutes) override { values_[Index(limit)] = minutes; }
  void Set(const TBreakLimits& limits) { values_ = {limits.Activity, limits.Pause, limits.Timeout}; }

 private:
  static std::size_t Index(TLimit limit) { return static_cast<std::size_t>(limit); }
  std::array<int, 3> values_{StartLimits.Activity, StartLimits.Pause, StartLimits.Timeout};
};

}  // namespace pausalo
