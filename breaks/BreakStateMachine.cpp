#include "breaks/BreakStateMachine.h"

#include <algorithm>
#include <cmath>

namespace pausalo {

BreakStateMachine::BreakStateMachine(const Clock& clock, const LimitFields& limits, BreakOutputs& outputs)
    : clock_(clock), limits_(limits), outputs_(outputs) {}

TDateTime BreakStateMachine::Since(TDateTime moment) const { return std::max(0.0, clock_.Now() - moment); }

void BreakStateMachine::Start() {
  activityStart_ = lastInput_ = clock_.Now();
  state_ = ssWorking;
  outputs_.SetTickTimerEnabled(true);
}

void BreakStateMachine::Stop() {
  state_ = ssWaiting;
  outputs_.SetTickTimerEnabled(false);
}

void BreakStateMachine::BeginWorkingStretch() {
  activityStart_ = lastInput_ = clock_.Now();
  state_ = ssWorking;
  outputs_.SetTickTimerEnabled(true);
}

void BreakStateMachine::KeyboardEvent() { Input(IdleEnd::CountIdleAsWork); }

void BreakStateMachine::MouseEvent() { Input(IdleEnd::ResumeFrozenClock); }

void BreakStateMachine::Input(IdleEnd idleEnd) {
  CatchUp();
  switch (state_) {
    case ssWaiting: BeginWorkingStretch(); break;
    case ssWorking: lastInput_ = clock_.Now(); break;
    case ssIdle:
      // A key counts the idle stretch as work: ActivityStart stays. The
      // mouse lets the working clock go on from the value it showed when
      // idling began.
      if (idleEnd == IdleEnd::ResumeFrozenClock) activityStart_ = clock_.Now() - activityElapsed_;
      lastInput_ = clock_.Now();
      state_ = ssWorking;
      break;
    case ssBreakDue:
      // Without a window on the screen nobody is asked; the break is timed
      // from the last input seen while working.
      if (outputs_.BreakWindowShown()) lastInput_ = clock_.Now();
      break;
    case ssSnoozed: lastInput_ = clock_.Now(); break;
    case ssPausing: break;
  }
}

void BreakStateMachine::CatchUp() {
  if (state_ == ssWaiting) return;
  const TBreakLimits limits = ReadLimits(limits_);
  const TDateTime idle = Since(lastInput_);
  const bool pauseReached = Reaches(idle, MinutesToDays(limits.Pause));
  switch (state_) {
    case ssWorking:
      if (!Reaches(idle, MinutesToDays(limits.Timeout))) return;
      state_ = ssIdle;
      [[fallthrough]];
    case ssIdle:
      if (pauseReached) state_ = ssWaiting;
      return;
    case ssBreakDue:
    case ssSnoozed:
      if (pauseReached) FinishPause();
      return;
    case ssPausing:
      // The tick shows the full bar before it closes the window.
      if (PauseProgress(idle, limits) >= 100) TickPausing(limits);
      return;
    case ssWaiting: return;
  }
}

void BreakStateMachine::Tick() {
  if (state_ == ssWaiting) {
    outputs_.SetTickTimerEnabled(false);
    return;
  }
  const TBreakLimits limits = ReadLimits(limits_);
  switch (state_) {
    case ssWorking: TickWorking(limits); break;
    case ssBreakDue: TickBreakDue(limits); break;
    case ssPausing: TickPausing(limits); break;
    case ssSnoozed: TickSnoozed(limits); break;
    case ssIdle: TickIdle(limits); break;
    case ssWaiting: break;
  }
}

void BreakStateMachine::TickWorking(const TBreakLimits& limits) {
  idleElapsed_ = Since(lastInput_);
  if (Reaches(idleElapsed_, MinutesToDays(limits.Timeout))) {
    state_ = ssIdle;
    return;
  }
  activityElapsed_ = Since(activityStart_);
  if (Reaches(activityElapsed_, MinutesToDays(limits.Activity))) {
    state_ = ssBreakDue;
    // Runs modally: ticks and input events inside it own the fields from
    // here on, so nothing may be touched after it returns.
    outputs_.OpenBreakWindow();
    return;
  }
  outputs_.ShowIdleClock(FormatSpan(idleElapsed_));
  outputs_.ShowWorkingClock(FormatSpan(activityElapsed_));
  outputs_.ShowTrayHint(TrayHintText(activityElapsed_));
}

void BreakStateMachine::TickBreakDue(const TBreakLimits& limits) {
  idleElapsed_ = Since(lastInput_);
  if (!Reaches(idleElapsed_, MinutesToDays(limits.Pause))) {
    outputs_.ShowIdleClock(FormatSpan(idleElapsed_));
    return;
  }
  // Away for a whole pause while the window stood unanswered.
  FinishPause();
}

void BreakStateMachine::TickPausing(const TBreakLimits& limits) {
  idleElapsed_ = Since(lastInput_);
  const int position = PauseProgress(idleElapsed_, limits);
  outputs_.SetPauseProgress(position);
  if (position >= 100) FinishPause();
}

int BreakStateMachine::PauseProgress(TDateTime sinceAccepted, const TBreakLimits& limits) {
  // In whole milliseconds, as the limits are compared: the difference of two
  // clock readings in days carries a rounding error that turns an exact half
  // per cent (7.5) into 7.4999999995 and rounds it the wrong way.
  const long long pause = SpanMilliseconds(MinutesToDays(limits.Pause));
  // A pause of zero minutes (or less) is over at once.
  const double percent = pause > 0 ? static_cast<double>(SpanMilliseconds(sinceAccepted)) * 100.0 / pause : 100.0;
  return static_cast<int>(std::nearbyint(std::clamp(percent, 0.0, 100.0)));
}

void BreakStateMachine::TickSnoozed(const TBreakLimits& limits) {
  idleElapsed_ = Since(lastInput_);
  if (Reaches(idleElapsed_, MinutesToDays(limits.Pause))) {
    // Away for a whole pause (or suspended) after snoozing: that was the break.
    FinishPause();
    return;
  }
  activityElapsed_ = Since(activityStart_);
  outputs_.ShowTrayHint(TrayHintText(activityElapsed_));
  if (Reaches(activityElapsed_, MinutesToDays(limits.Activity) + MinutesToDays(SnoozeMinutes))) {
    state_ = ssBreakDue;
    outputs_.OpenBreakWindow();
  }
}

void BreakStateMachine::TickIdle(const TBreakLimits& limits) {
  idleElapsed_ = Since(lastInput_);
  if (Reaches(idleElapsed_, MinutesToDays(limits.Pause))) {
    // The idle stretch counts as the pause.
    state_ = ssWaiting;
    return;
  }
  outputs_.ShowIdleClock(FormatSpan(idleElapsed_));
}

void BreakStateMachine::FinishPause() {
  activityStart_ = lastInput_ = clock_.Now();
  state_ = ssWaiting;
  outputs_.CloseBreakWindow();
}

void BreakStateMachine::Snooze() {
  lastInput_ = clock_.Now();
  state_ = ssSnoozed;
  outputs_.CloseBreakWindow();
}

void BreakStateMachine::AcceptBreak() {
  outputs_.ShowPauseRunning();
  lastInput_ = clock_.Now();
  state_ = ssPausing;
}

}  // namespace pausalo
