// Prints the boot-time clock's reading in whole milliseconds, for tests that
// read it from inside another time namespace.
#include <cstdio>

#include "breaks/BreakTime.h"
#include "breaks/Clock.h"

int main() { std::printf("%lld\n", pausalo::SpanMilliseconds(pausalo::BootClock().Now())); }
