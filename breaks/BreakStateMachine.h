#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "breaks/BreakTime.h"
#include "breaks/Clock.h"
#include "breaks/WorkProfiles.h"

namespace pausalo {

enum TBreakState : std::uint8_t {
  ssWaiting = 0,   // not counting; the next input starts a working stretch
  ssWorking = 1,   // counting working time; every input stamps LastInput
  ssBreakDue = 2,  // break window open, neither button pressed
  ssPausing = 3,   // OK pressed: the pause is timed with the progress bar
  ssSnoozed = 4,   // snoozed: working goes on for five more minutes
  ssIdle = 5,      // no input for the allowed idle time; working clock frozen
};

inline constexpr std::string_view PauseRunningText = "Pause running...";
inline constexpr int SnoozeMinutes = 5;

// Everything the break logic shows or asks of the windows around it.
class BreakOutputs {
 public:
  virtual ~BreakOutputs() = default;

  virtual void ShowIdleClock(const std::string& text) = 0;
  virtual void ShowWorkingClock(const std::string& text) = 0;
  virtual void ShowTrayHint(const std::string& text) = 0;

  // Shows the break window modally and returns only once it has closed.
  // Ticks and input events keep arriving, re-entrantly, while it is open.
  virtual void OpenBreakWindow() = 0;
  // Ends the break window's modal run; does nothing when none is open.
  virtual void CloseBreakWindow() = 0;
  // The break window is on the screen (it may have been closed by the
  // window manager, or never have come up).
  virtual bool BreakWindowShown() const = 0;
  // The break window's message reads PauseRunningText, its buttons disabled.
  virtual void ShowPauseRunning() = 0;
  // Position of the break window's progress bar, always within 0-100.
  virtual void SetPauseProgress(int percent) = 0;

  virtual void SetTickTimerEnabled(bool enabled) = 0;
};

// Turns input events, timer ticks and the user's commands into working and
// idle time, break requests and pause timing. Runs on one thread; Tick may
// be re-entered from inside OpenBreakWindow.
//
// Every input that leaves the waiting or idle state stamps LastInput too:
// otherwise the next tick would measure idle time from the input before the
// idle stretch and fall straight back to idle, so that someone pressing one
// key per tick would never be seen working again.
//
// The ticks stop while the machine sleeps (a suspend freezes the program),
// and the input that wakes it usually comes before the next tick. So an
// input first brings the state up to date with the time passed, as the
// ticks missed would have (to idle, to waiting, or the pause over), and only
// then counts: time away never counts as work. The break window is left to
// the next tick; it is never opened from an input.
//
// A pause is credited only for time without input: input stamps LastInput
// while the break window stands unanswered and while snoozed, so that the
// window closes, or the snooze ends, a pause after the last input.
class BreakStateMachine {
 public:
  BreakStateMachine(const Clock& clock, const LimitFields& limits, BreakOutputs& outputs);

  void Start();
  void Stop();
  void KeyboardEvent();
  void MouseEvent();
  void Tick();
  void Snooze();
  void AcceptBreak();

  TBreakState State() const { return state_; }
  TDateTime ActivityStart() const { return activityStart_; }
  TDateTime LastInput() const { return lastInput_; }
  TDateTime IdleElapsed() const { return idleElapsed_; }
  TDateTime ActivityElapsed() const { return activityElapsed_; }

 private:
  // How an input event ends an idle stretch.
  enum class IdleEnd { CountIdleAsWork, ResumeFrozenClock };

  void Input(IdleEnd idleEnd);
  void CatchUp();
  // Time from a past moment until now; never negative.
  TDateTime Since(TDateTime moment) const;
  void BeginWorkingStretch();
  void TickWorking(const TBreakLimits& limits);
  void TickBreakDue(const TBreakLimits& limits);
  void TickPausing(const TBreakLimits& limits);
  // The pause bar's position, 0 to 100, that long after OK.
  static int PauseProgress(TDateTime sinceAccepted, const TBreakLimits& limits);
  void TickSnoozed(const TBreakLimits& limits);
  void TickIdle(const TBreakLimits& limits);
  void FinishPause();

  const Clock& clock_;
  const LimitFields& limits_;
  BreakOutputs& outputs_;

  TBreakState state_ = ssWaiting;
  TDateTime activityStart_ = 0;
  TDateTime lastInput_ = 0;
  TDateTime idleElapsed_ = 0;
  TDateTime activityElapsed_ = 0;
};

}  // namespace pausalo
