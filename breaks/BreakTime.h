#pragma once

#include <string>

namespace pausalo {

// Clock time: a real number of days. The whole part counts days from a fixed
// day zero, the fraction is the time of day; one minute is 1/1440.
// Time spans use the same unit.
using TDateTime = double;

inline constexpr double MinutesPerDay = 1440.0;
inline constexpr double MillisecondsPerDay = 86'400'000.0;

constexpr TDateTime MinutesToDays(int minutes) { return minutes / MinutesPerDay; }

// The span in whole milliseconds, rounded to the nearest.
long long SpanMilliseconds(TDateTime span);

// True when a span has reached a limit. Both are compared in whole
// milliseconds, so a span built from many small clock steps is not missed
// by a rounding error in the last bit.
bool Reaches(TDateTime span, TDateTime limit);

// The span as "hh:nn:ss" with ':' as separator whatever the locale. Negative
// spans read as zero; hours keep counting past 24 instead of wrapping.
std::string FormatSpan(TDateTime span);

// The tray icon's hint for a working span: "Time elapsed: hh:nn:ss".
std::string TrayHintText(TDateTime workingSpan);

}  // namespace pausalo
