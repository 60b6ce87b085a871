#include "breaks/Clock.h"

#include <time.h>

namespace pausalo {

TDateTime BootClock::Now() const {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return (static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6) / MillisecondsPerDay;
}

TDateTime ManualClock::Now() const { return static_cast<double>(now_.count()) / MillisecondsPerDay; }

}  // namespace pausalo
