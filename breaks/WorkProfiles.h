#pragma once

#include <array>
#include <string_view>

namespace pausalo {

// The three limits of the break logic, in whole minutes.
enum class TLimit { Activity, Pause, Timeout };

struct TBreakLimits {
  int Activity;  // working time before a break
  int Pause;     // pause time
  int Timeout;   // allowed idle time
  bool operator==(const TBreakLimits&) const = default;
};

// How a limit is shown on the Setup page and which values it may take.
struct TLimitInfo {
  TLimit Limit;
  std::string_view SpinEdit;
  std::string_view Label;
  std::string_view Caption;
  int MinValue;
  int MaxValue;
  int StartValue;
};

inline constexpr std::array<TLimitInfo, 3> LimitInfos{{
    {TLimit::Activity, "FSActivity", "L_act", "Activity duration before pause (minutes)", 1, 240, 120},
    {TLimit::Pause, "FSPause", "L_pause", "Pause time (minutes)", 1, 30, 15},
    {TLimit::Timeout, "FSTimeout", "L_idle", "Max idle time allowed (minutes)", 1, 10, 3},
}};

constexpr const TLimitInfo& InfoOf(TLimit limit) { return LimitInfos[static_cast<std::size_t>(limit)]; }

// The values the limits hold before any profile is applied.
inline constexpr TBreakLimits StartLimits{InfoOf(TLimit::Activity).StartValue, InfoOf(TLimit::Pause).StartValue,
                                          InfoOf(TLimit::Timeout).StartValue};

// The fields that hold the limits (the Setup page's spin edits). Values are
// read as the fields return them, unclamped.
class LimitFields {
 public:
  virtual ~LimitFields() = default;
  virtual int Value(TLimit limit) const = 0;
  virtual void SetValue(TLimit limit, int minutes) = 0;
};

TBreakLimits ReadLimits(const LimitFields& fields);

// A ready-made triple of limits behind one of the Setup page's profile
// buttons (one exclusive group: exactly one is down).
struct TWorkProfile {
  std::string_view Button;
  std::string_view Caption;
  TBreakLimits Limits;
};

inline constexpr std::array<TWorkProfile, 4> WorkProfiles{{
    {"S_626", "Default", {120, 15, 4}},
    {"S_generic", "Generic (Office etc.)", {60, 10, 4}},
    {"S_web", "Internet browsing", {120, 15, 5}},
    {"S_pgm", "Development", {60, 10, 6}},
}};

// The profile button that is down at start; its values are not applied
// until it is clicked.
inline constexpr std::size_t StartProfile = 0;

// Writes a profile's values into the fields: working, pause, idle, in that
// order. Applying the profile that is already down writes them again.
void ApplyProfile(const TWorkProfile& profile, LimitFields& fields);

// Whether the user picks a profile or types the limits.
enum TSetupMode { smAuto, smManual };

struct TSetupModeInfo {
  TSetupMode Mode;
  std::string_view RadioButton;
  std::string_view Caption;
};

inline constexpr std::array<TSetupModeInfo, 2> SetupModeInfos{{
    {smAuto, "R_auto", "Auto setup (recommended)"},
    {smManual, "R_manuale", "Manual setup"},
}};

inline constexpr TSetupMode StartSetupMode = smAuto;

// What a setup mode enables. Switching modes changes only this; the values
// stay as they are.
struct TSetupEnabling {
  bool ProfileButtons;
  bool LimitFields;  // the three spin edits and their labels
  bool operator==(const TSetupEnabling&) const = default;
};

constexpr TSetupEnabling EnablingOf(TSetupMode mode) {
  return mode == smAuto ? TSetupEnabling{true, false} : TSetupEnabling{false, true};
}

}  // namespace pausalo
