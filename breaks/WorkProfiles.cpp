#include "breaks/WorkProfiles.h"

namespace pausalo {

TBreakLimits ReadLimits(const LimitFields& fields) {
  return {fields.Value(TLimit::Activity), fields.Value(TLimit::Pause), fields.Value(TLimit::Timeout)};
}

void ApplyProfile(const TWorkProfile& profile, LimitFields& fields) {
  fields.SetValue(TLimit::Activity, profile.Limits.Activity);
  fields.SetValue(TLimit::Pause, profile.Limits.Pause);
  fields.SetValue(TLimit::Timeout, profile.Limits.Timeout);
}

}  // namespace pausalo
