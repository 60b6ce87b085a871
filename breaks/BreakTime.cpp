#include "breaks/BreakTime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pausalo {

long long SpanMilliseconds(TDateTime span) { return std::llround(span * MillisecondsPerDay); }

bool Reaches(TDateTime span, TDateTime limit) { return SpanMilliseconds(span) >= SpanMilliseconds(limit); }

std::string FormatSpan(TDateTime span) {
  const long long totalSeconds = std::max(0LL, SpanMilliseconds(span)) / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", totalSeconds / 3600, totalSeconds / 60 % 60,
                totalSeconds % 60);
  return text;
}

std::string TrayHintText(TDateTime workingSpan) { return "Time elapsed: " + FormatSpan(workingSpan); }

}  // namespace pausalo
