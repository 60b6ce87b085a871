#pragma once

#include <chrono>

#include "breaks/BreakTime.h"

namespace pausalo {

// Where the break logic reads "now".
class Clock {
 public:
  virtual ~Clock() = default;
  virtual TDateTime Now() const = 0;
};

// Days since boot, including time spent in system suspend (CLOCK_BOOTTIME).
// Unaffected by changes of the wall clock (daylight saving, NTP steps, the
// user setting the time), yet a laptop closed for twenty minutes reads as
// twenty minutes later.
class BootClock final : public Clock {
 public:
  TDateTime Now() const override;
};

// A clock that moves only when told to; counts whole milliseconds so that
// repeated steps add up exactly.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(std::chrono::milliseconds start = {}) : now_(start) {}

  TDateTime Now() const override;
  void Set(std::chrono::milliseconds sinceDayZero) { now_ = sinceDayZero; }
  void Advance(std::chrono::milliseconds step) { now_ += step; }

 private:
  std::chrono::milliseconds now_;
};

}  // namespace pausalo
