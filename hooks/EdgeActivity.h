#pragma once

#include <chrono>
#include <optional>

namespace pausalo::hooks {

// When a source that reports only edges between idle and active notifies:
// once at each edge back to activity, then once every Interval while the
// user stays active (so that continuous work keeps counting), never while
// idle. A new object counts as active. The caller supplies the times.
class EdgeActivity {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds Interval{1000};
  // How long without input makes the user idle, asked of the compositor.
  static constexpr std::chrono::milliseconds IdleThreshold{1000};

  explicit EdgeActivity(Clock::time_point created) : next_(created + Interval) {}

  // Input came after the user had been idle: true when that calls for a
  // notification now (not when the user was active already).
  bool Resumed(Clock::time_point now);
  void Idled() { active_ = false; }

  // When the next notification falls due; none while idle.
  std::optional<Clock::time_point> NextDue() const;
  // Whether a notification is due at now; each due one is reported once.
  bool Due(Clock::time_point now);

 private:
  bool active_ = true;
  Clock::time_point next_;
};

}  // namespace pausalo::hooks
