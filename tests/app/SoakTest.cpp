// A simulated working day through the real main window: input in bursts and
// pauses, breaks reached, snoozed, accepted and ignored, profiles switched
// and limits typed mid-stretch, on a clock the test moves. After every step
// the window's state is checked against the break rules' invariants and
// against a model of the rules written here, apart from the program's.
//
// The day carries PAUSALO_SOAK_EVENTS input events (default 1,000,000) and
// follows the random choices of PAUSALO_SOAK_SEED (by default one whose day
// meets every kind of answer to a break and a snooze ended away). The full soak is ten
// million events:
//   PAUSALO_SOAK_EVENTS=10000000 build-asan/tests/app_soak_tests
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>
#include <sstream>

#include "MainFormTestAccess.h"
#include "RecordingNotificationArea.h"
#include "StepDeadline.h"
#include "app/MainForm.h"
#include "platform/Application.h"

using namespace pausalo;
using namespace std::chrono_literals;
using pausalo::testing::RecordingNotificationArea;
using pausalo::testing::StepDeadline;

namespace {

constexpr long long TickMs = 500;
constexpr long long MinuteMs = 60'000;
constexpr long long DayStartMs = 100LL * 24 * 3600 * 1000 + 8LL * 3600 * 1000;  // 08:00 on day 100
constexpr long long WorkingDayMs = 8LL * 3600 * 1000;

// The one place that knows which control holds a limit and how it is typed.
TLimitSpinEdit* LimitControl(const TMainForm& form, TLimit limit) {
  switch (limit) {
    case TLimit::Activity: return form.FSActivity;
    case TLimit::Pause: return form.FSPause;
    case TLimit::Timeout: return form.FSTimeout;
  }
  return nullptr;
}
// Replaces the field's whole text by typing it.
void Edit(TMainForm& form, TLimit limit, const QString& text) {
  TLimitSpinEdit* field = LimitControl(form, limit);
  field->selectAll();
  if (text.isEmpty()) QTest::keyClick(field, Qt::Key_Backspace);
  QTest::keyClicks(field, text);
}
void TypeLimit(TMainForm& form, TLimit limit, int minutes) {
  Edit(form, limit, QString::number(minutes));
  QTest::keyClick(LimitControl(form, limit), Qt::Key_Return);
}
int LimitShown(const TMainForm& form, TLimit limit) { return LimitControl(form, limit)->Value(); }
int LimitUsed(const TMainForm& form, TLimit limit) { return LimitControl(form, limit)->CommittedValue(); }

std::string Clock(long long ms) {
  const long long seconds = std::max(0LL, ms) / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

// numerator / denominator to the nearest whole number, halves to the even one.
long long RoundHalfEven(long long numerator, long long denominator) {
  const long long quotient = numerator / denominator, twice = 2 * (numerator % denominator);
  if (twice > denominator || (twice == denominator && quotient % 2 == 1)) return quotient + 1;
  return quotient;
}

// The break rules, in whole milliseconds.
struct BreakModel {
  int state = 0;
  long long activityStart = 0, lastInput = 0, idleElapsed = 0, activityElapsed = 0;
  TBreakLimits limits = StartLimits;
  bool timerOn = false;
  bool windowOpen = false;
  int progress = 0;
  std::string idleClock = "00:00:00", workingClock = "00:00:00", hint;

  void Start(long long now) {
    activityStart = lastInput = now;
    state = 1;
    timerOn = true;
  }
  void Stop() {
    state = 0;
    timerOn = false;
  }
  void Input(bool mouse, long long now) {
    CatchUp(now);
    switch (state) {
      case 0: Start(now); break;
      case 1: lastInput = now; break;
      case 2:
        if (windowOpen) lastInput = now;
        break;
      case 4: lastInput = now; break;
      case 5:
        if (mouse) activityStart = now - activityElapsed;
        lastInput = now;
        state = 1;
        break;
      default: break;
    }
  }
  // What the ticks due since the last would have done, short of opening the
  // break window.
  void CatchUp(long long now) {
    const long long away = now - lastInput, pause = limits.Pause * MinuteMs;
    if (state == 1 && away >= limits.Timeout * MinuteMs) state = 5;
    if (state == 5 && away >= pause) state = 0;
    if ((state == 2 || state == 4) && away >= pause) EndPause(now);
    if (state == 3 && RoundHalfEven(away * 100, pause) >= 100) EndPause(now);
  }
  // Returns true when the tick opens the break window.
  bool Tick(long long now) {
    const long long work = limits.Activity * MinuteMs, pause = limits.Pause * MinuteMs,
                    idle = limits.Timeout * MinuteMs;
    switch (state) {
      case 0: timerOn = false; return false;
      case 1:
        idleElapsed = now - lastInput;
        if (idleElapsed >= idle) {
          state = 5;
          return false;
        }
        activityElapsed = now - activityStart;
        if (activityElapsed >= work) {
          state = 2;
          windowOpen = true;
          progress = 0;
          return true;
        }
        idleClock = Clock(idleElapsed);
        workingClock = Clock(activityElapsed);
        hint = "Time elapsed: " + Clock(activityElapsed);
        return false;
      case 2:
        idleElapsed = now - lastInput;
        if (idleElapsed < pause) {
          idleClock = Clock(idleElapsed);
        } else {
          EndPause(now);
        }
        return false;
      case 3:
        idleElapsed = now - lastInput;
        progress = static_cast<int>(std::min(100LL, RoundHalfEven(idleElapsed * 100, pause)));
        if (progress >= 100) EndPause(now);
        return false;
      case 4:
        idleElapsed = now - lastInput;
        if (idleElapsed >= pause) {
          EndPause(now);
          return false;
        }
        activityElapsed = now - activityStart;
        hint = "Time elapsed: " + Clock(activityElapsed);
        if (activityElapsed >= work + 5 * MinuteMs) {
          state = 2;
          windowOpen = true;
          progress = 0;
          return true;
        }
        return false;
      case 5:
        idleElapsed = now - lastInput;
        if (idleElapsed >= pause) {
          state = 0;
        } else {
          idleClock = Clock(idleElapsed);
        }
        return false;
    }
    return false;
  }
  void Snooze(long long now) {
    lastInput = now;
    state = 4;
    windowOpen = false;
  }
  void Accept(long long now) {
    lastInput = now;
    state = 3;
  }
  void EndPause(long long now) {
    activityStart = lastInput = now;
    state = 0;
    windowOpen = false;
  }
};

long long Milliseconds(TDateTime time) { return SpanMilliseconds(time); }

class WorkingDay {
 public:
  WorkingDay(TMainForm& form, ManualClock& clock, long long events, std::uint64_t seed)
      : form_(form), clock_(clock), eventsWanted_(events), random_(seed) {
    model_.hint = form.Tray1->Hint().toStdString();
  }

  void Run() {
    now_ = DayStartMs;
    clock_.Set(std::chrono::milliseconds(now_));
    form_.B_StartClick();
    model_.Start(now_);
    Check("Start");
    Continue();
  }

  bool failed = false;
  std::string failure;
  long long eventsSent = 0;
  int breaksReached = 0, snoozed = 0, accepted = 0, ignored = 0, profilesSwitched = 0, limitsTyped = 0,
      limitsEmptied = 0, idleStretches = 0, snoozesEndedAway = 0;

 private:
  // Runs the day on from where it stands. Inside the break window's modal
  // run it returns as soon as the window has closed, so that the run ends.
  void Continue() {
    const bool insideBreakWindow = model_.windowOpen;
    // A pause that runs when the day ends is waited out.
    while (!failed && (now_ < DayStartMs + WorkingDayMs || (insideBreakWindow && model_.state == ssPausing))) {
      if (insideBreakWindow && !model_.windowOpen) return;
      OneTick();
    }
    // The day is over, or has failed, with the window waiting for an
    // answer: it is snoozed or closed, so that its modal run ends.
    if (!insideBreakWindow || !WindowShown()) return;
    if (failed) {
      form_.BreakForm->close();
    } else {
      form_.SnoozeButton->click();
      model_.Snooze(now_);
    }
  }

  void OneTick() {
    if (suspendAfterSnooze_) {
      // The first tick after the machine wakes comes before any input.
      suspendAfterSnooze_ = false;
      now_ += std::uniform_int_distribution<long long>(31 * MinuteMs, 45 * MinuteMs)(random_);
      clock_.Set(std::chrono::milliseconds(now_));
      busy_ = false;
      stretchEndsAt_ = now_ + TickMs;
    }
    PlanTheUser();
    if (model_.windowOpen && breakAnswerAt_ <= now_) AnswerTheBreak();
    if (now_ >= nextSetupChangeAt_) ChangeSetup();
    if (activityBeingTyped_ && now_ >= activityTypedAt_) {
      FinishTypingTheWorkingTime();
      Check("working time typed");
    }
    if (now_ >= lunchAt_ && !hadLunch_) Lunch();
    // After lunch, the next tick is half an hour later.
    const long long tickAt = now_ + TickMs;
    if (busy_ || tickAt >= DayStartMs + WorkingDayMs) SendInput(tickAt);
    now_ = tickAt;
    clock_.Set(std::chrono::milliseconds(now_));
    if (!form_.OpTimer->isActive()) {
      Check("timer off, no tick");
      return;
    }
    const int before = model_.state;
    {
      // The break window opens after the tick: one opened inside it would
      // wait there for an answer that the day only gives afterwards.
      const StepDeadline deadline("a tick of the main window's timer", 30s);
      form_.OpTimerTimer();
    }
    const bool opens = model_.Tick(now_);
    if (before == 1 && model_.state == 5) ++idleStretches;
    if (before == 4 && model_.state == 0) ++snoozesEndedAway;
    if (!opens) {
      Check("tick");
      return;
    }
    ++breaksReached;
    PlanTheBreakAnswer();
    // The window opens right after the tick; the day goes on inside its
    // modal run.
    QTimer::singleShot(0, [this] {
      Check("break window opened");
      Continue();
    });
    QCoreApplication::sendPostedEvents();
    Check("break window closed");
  }

  // Bursts of work and stretches away, from seconds to half an hour.
  void PlanTheUser() {
    if (now_ < stretchEndsAt_) return;
    busy_ = std::bernoulli_distribution(0.6)(random_);
    const long long longest = busy_ ? 20 * MinuteMs : 25 * MinuteMs;
    stretchEndsAt_ = now_ + std::uniform_int_distribution<long long>(5'000, longest)(random_);
  }

  // Spreads the events still to send over the busy ticks likely left
  // (about half of the day's rest), so that all are sent before its end.
  void SendInput(long long tickAt) {
    const double ticksLeft = std::max(1.0, static_cast<double>(DayStartMs + WorkingDayMs - now_) / TickMs / 2);
    const double mean = static_cast<double>(eventsWanted_ - eventsSent) / ticksLeft;
    std::uniform_int_distribution<int> count(0, static_cast<int>(std::ceil(2 * mean)));
    // The day's last tick takes whatever is left.
    const long long left = eventsWanted_ - eventsSent;
    const int events = static_cast<int>(
        tickAt >= DayStartMs + WorkingDayMs ? left : std::min<long long>(count(random_), left));
    std::uniform_int_distribution<long long> offset(0, TickMs - 1);
    std::vector<long long> times(static_cast<std::size_t>(events));
    for (auto& at : times) at = now_ + offset(random_);
    std::sort(times.begin(), times.end());
    for (const long long at : times) {
      if (at > tickAt) break;
      clock_.Set(std::chrono::milliseconds(at));
      const bool mouse = (random_() & 3) != 0;
      if (mouse) {
        form_.rasWinGod1MouseMsg();
      } else {
        form_.rasWinGod1KeybrdMsg();
      }
      model_.Input(mouse, at);
      ++eventsSent;
      CheckInvariants("input");
      if (failed) return;
    }
  }

  void PlanTheBreakAnswer() {
    // Snooze, OK and no answer take turns, so that a short day sees each.
    answer_ = static_cast<Answer>((breaksReached - 1) % 3);
    breakAnswerAt_ = now_ + std::uniform_int_distribution<long long>(0, 90'000)(random_);
  }

  void AnswerTheBreak() {
    if (model_.state != 2) return;  // already accepted: the pause is timed
    switch (answer_) {
      case Answer::Snooze:
        form_.SnoozeButton->click();
        model_.Snooze(now_);
        ++snoozed;
        // Every other snooze, the lid is closed for longer than any pause.
        suspendAfterSnooze_ = snoozed % 2 == 1;
        Check("snooze");
        break;
      case Answer::Accept:
        form_.OkButton->click();
        model_.Accept(now_);
        ++accepted;
        Check("OK");
        break;
      case Answer::Ignore:
        breakAnswerAt_ = std::numeric_limits<long long>::max();
        ++ignored;
        break;
    }
  }

  // Every half hour or so, a profile is picked or the limits are typed.
  // The working time is typed slowly: its field stands empty for a while
  // first. Now and then an emptied pause time is confirmed with Enter.
  void ChangeSetup() {
    nextSetupChangeAt_ = now_ + std::uniform_int_distribution<long long>(5 * MinuteMs, 40 * MinuteMs)(random_);
    FinishTypingTheWorkingTime();
    if (std::bernoulli_distribution(0.4)(random_)) {
      const std::size_t profile = std::uniform_int_distribution<std::size_t>(0, WorkProfiles.size() - 1)(random_);
      form_.R_auto->click();
      QPushButton* buttons[] = {form_.S_626, form_.S_generic, form_.S_web, form_.S_pgm};
      buttons[profile]->click();
      model_.limits = WorkProfiles[profile].Limits;
      ++profilesSwitched;
    } else {
      form_.R_manuale->click();
      const TBreakLimits typed{std::uniform_int_distribution<int>(1, 45)(random_),
                               std::uniform_int_distribution<int>(1, 10)(random_),
                               std::uniform_int_distribution<int>(1, 5)(random_)};
      TypeLimit(form_, TLimit::Pause, typed.Pause);
      TypeLimit(form_, TLimit::Timeout, typed.Timeout);
      model_.limits.Pause = typed.Pause;
      model_.limits.Timeout = typed.Timeout;
      Edit(form_, TLimit::Activity, "");
      activityBeingTyped_ = typed.Activity;
      activityTypedAt_ = now_ + std::uniform_int_distribution<long long>(2'000, 3 * MinuteMs)(random_);
      ++limitsTyped;
      if (std::bernoulli_distribution(0.5)(random_)) {
        Edit(form_, TLimit::Pause, "");
        QTest::keyClick(LimitControl(form_, TLimit::Pause), Qt::Key_Return);
        ++limitsEmptied;
      }
    }
    Check("setup changed");
  }

  void FinishTypingTheWorkingTime() {
    if (!activityBeingTyped_) return;
    TypeLimit(form_, TLimit::Activity, *activityBeingTyped_);
    model_.limits.Activity = *activityBeingTyped_;
    activityBeingTyped_.reset();
  }

  // Stop for lunch and Start again afterwards, unless a break window stands.
  void Lunch() {
    if (model_.windowOpen) return;
    hadLunch_ = true;
    form_.B_StopClick();
    model_.Stop();
    Check("Stop");
    now_ += 30 * MinuteMs;
    clock_.Set(std::chrono::milliseconds(now_));
    form_.B_StartClick();
    model_.Start(now_);
    Check("Start after lunch");
  }

  bool WindowShown() const { return form_.BreakForm && form_.BreakForm->isVisible(); }

  void Fail(const std::string& step, const std::string& what) {
    if (failed) return;
    failed = true;
    std::ostringstream text;
    text << what << " after " << step << " at " << Clock(now_ - DayStartMs) << " into the day (state "
         << int(MainFormTestAccess::Breaks(form_).State()) << ", model " << model_.state << ", " << eventsSent
         << " events sent)";
    failure = text.str();
  }

  // What must hold after every step.
  void CheckInvariants(const std::string& step) {
    const BreakStateMachine& breaks = MainFormTestAccess::Breaks(form_);
    const int state = breaks.State();
    if (state < 0 || state > 5) return Fail(step, "state out of range");
    if (breaks.IdleElapsed() < 0 || breaks.ActivityElapsed() < 0) return Fail(step, "negative span");
    if (WindowShown() != (state == ssBreakDue || state == ssPausing)) return Fail(step, "break window mismatch");
    if (state != ssWaiting && !form_.OpTimer->isActive()) return Fail(step, "timer off while counting");
    if (state != model_.state) return Fail(step, "state differs from the model");
    if (Milliseconds(breaks.LastInput()) != model_.lastInput) return Fail(step, "LastInput differs from the model");
    if (Milliseconds(breaks.ActivityStart()) != model_.activityStart)
      return Fail(step, "ActivityStart differs from the model");
    if (form_.OpTimer->isActive() != model_.timerOn) return Fail(step, "timer differs from the model");
  }

  void Check(const std::string& step) {
    CheckInvariants(step);
    if (failed) return;
    if (form_.StaticText1->text().toStdString() != model_.idleClock) return Fail(step, "idle clock differs");
    if (form_.StaticText2->text().toStdString() != model_.workingClock) return Fail(step, "working clock differs");
    if (form_.Tray1->Hint().toStdString() != model_.hint) return Fail(step, "tray hint differs");
    if (model_.state == ssPausing && form_.PauseBar && form_.PauseBar->value() != model_.progress)
      return Fail(step, "pause progress " + std::to_string(form_.PauseBar->value()) + " differs from " +
                            std::to_string(model_.progress));
    if (LimitUsed(form_, TLimit::Activity) != model_.limits.Activity ||
        LimitUsed(form_, TLimit::Pause) != model_.limits.Pause ||
        LimitUsed(form_, TLimit::Timeout) != model_.limits.Timeout)
      return Fail(step, "limits used differ");
    if ((!activityBeingTyped_ && LimitShown(form_, TLimit::Activity) != model_.limits.Activity) ||
        LimitShown(form_, TLimit::Pause) != model_.limits.Pause ||
        LimitShown(form_, TLimit::Timeout) != model_.limits.Timeout)
      return Fail(step, "limits shown differ");
  }

  enum class Answer { Snooze, Accept, Ignore };

  TMainForm& form_;
  ManualClock& clock_;
  BreakModel model_;
  long long eventsWanted_;
  std::mt19937_64 random_;
  long long now_ = DayStartMs;
  long long stretchEndsAt_ = 0;
  bool busy_ = false;
  long long nextSetupChangeAt_ = DayStartMs + 20 * MinuteMs;
  long long lunchAt_ = DayStartMs + 4 * 3600 * 1000;
  bool hadLunch_ = false;
  std::optional<int> activityBeingTyped_;
  long long activityTypedAt_ = 0;
  bool suspendAfterSnooze_ = false;
  Answer answer_ = Answer::Ignore;
  long long breakAnswerAt_ = 0;
};

long long SoakEvents() {
  const char* wanted = std::getenv("PAUSALO_SOAK_EVENTS");
  return wanted != nullptr ? std::atoll(wanted) : 1'000'000;
}

std::uint64_t SoakSeed() {
  const char* seed = std::getenv("PAUSALO_SOAK_SEED");
  return seed != nullptr ? std::strtoull(seed, nullptr, 10) : 8;
}

}  // namespace

TEST(Soak, AWorkingDayThroughTheMainWindowFollowsTheBreakRules) {
  TApplication application;
  ManualClock clock;
  RecordingNotificationArea area;
  TMainForm form({&clock, &area, TEST_HOOK_DIR "/libtesthook_kb.so", TEST_HOOK_DIR "/libtesthook_m.so"});
  application.SetMainForm(&form);
  form.show();
  // The test gives every tick itself; the real timer must not add its own.
  form.OpTimer->setInterval(std::numeric_limits<int>::max());

  const long long events = SoakEvents();
  WorkingDay day(form, clock, events, SoakSeed());
  day.Run();
  ASSERT_FALSE(day.failed) << day.failure;

  EXPECT_EQ(day.eventsSent, events);
  EXPECT_GT(day.breaksReached, 0);
  EXPECT_GT(day.snoozed, 0);
  EXPECT_GT(day.accepted, 0);
  EXPECT_GT(day.ignored, 0);
  EXPECT_GT(day.profilesSwitched, 0);
  EXPECT_GT(day.limitsTyped, 0);
  EXPECT_GT(day.limitsEmptied, 0);
  EXPECT_GT(day.idleStretches, 0);
  EXPECT_GT(day.snoozesEndedAway, 0);
  EXPECT_TRUE(form.BreakForm.isNull()) << "every break window was freed";
  form.B_StopClick();
  RecordProperty("events", std::to_string(day.eventsSent));
  std::printf(
      "%lld events, %d breaks (%d snoozed, %d accepted, %d ignored), %d profile switches, %d typed limits, "
      "%d emptied, %d idle stretches, %d snoozes ended away\n",
      day.eventsSent, day.breaksReached, day.snoozed, day.accepted, day.ignored, day.profilesSwitched, day.limitsTyped,
      day.limitsEmptied, day.idleStretches, day.snoozesEndedAway);
}
