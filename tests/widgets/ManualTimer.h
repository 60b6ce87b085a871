#pragma once

#include <memory>
#include <vector>

#include "widgets/IntervalTimer.h"

namespace pausalo::testing {

// Timers on a virtual clock that only moves when a test advances it.
class ManualClock {
 public:
  class Timer final : public TIntervalTimer {
   public:
    explicit Timer(ManualClock& clock) : clock_(clock) { clock_.timers_.push_back(this); }
    ~Timer() override { std::erase(clock_.timers_, this); }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    void Start(int interval) override {
      interval_ = interval;
      active_ = true;
      due_ = clock_.now_ + interval;
    }
    void SetInterval(int interval) override {
      interval_ = interval;
      if (active_) due_ = clock_.now_ + interval;
    }
    void Stop() override { active_ = false; }
    bool Active() const override { return active_; }

   private:
    friend class ManualClock;
    ManualClock& clock_;
    int interval_ = 0;
    long due_ = 0;
    bool active_ = false;
  };

  TTimerFactory Factory() {
    return [this] { return std::make_unique<Timer>(*this); };
  }

  // Moves the clock on millisecond by millisecond, ticking due timers.
  void Advance(int milliseconds) {
    for (int step = 0; step < milliseconds; ++step) {
      ++now_;
      const std::vector<Timer*> timers = timers_;
      for (Timer* timer : timers) {
        if (!timer->active_ || timer->due_ > now_) continue;
        timer->due_ = now_ + timer->interval_;
        if (timer->OnTimer) timer->OnTimer();
      }
    }
  }

 private:
  long now_ = 0;
  std::vector<Timer*> timers_;
};

}  // namespace pausalo::testing
