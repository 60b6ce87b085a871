#include "hooks/EdgeActivity.h"

namespace pausalo::hooks {

bool EdgeActivity::Resumed(Clock::time_point now) {
  if (active_) return false;
  active_ = true;
  next_ = now + Interval;
  return true;
}

std::optional<EdgeActivity::Clock::time_point> EdgeActivity::NextDue() const {
  if (!active_) return std::nullopt;
  return next_;
}

bool EdgeActivity::Due(Clock::time_point now) {
  if (!active_ || now < next_) return false;
  next_ += Interval;
  // A late wake-up (a suspended machine, a busy one) yields one
  // notification, not one for every interval missed.
  if (next_ <= now) next_ = now + Interval;
  return true;
}

}  // namespace pausalo::hooks
