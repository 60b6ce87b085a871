// Synthetic desktop input through XTEST at a steady rate: relative pointer
// motion, and Shift key taps (press and release) instead of some motions,
// by default one every 100 ms. Bounded by a count and a duration. Prints
// what it sent.
//
//   xtest_load [events-per-second=200] [seconds=30] [key-taps-per-second=10]
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "FakeInput.h"

namespace {

constexpr long NanosecondsPerSecond = 1'000'000'000;
constexpr std::uint32_t ShiftLeftKeysym = 0xffe1;

void AddNanoseconds(timespec& at, long nanoseconds) {
  at.tv_nsec += nanoseconds;
  at.tv_sec += at.tv_nsec / NanosecondsPerSecond;
  at.tv_nsec %= NanosecondsPerSecond;
}

}  // namespace

int main(int argc, char* argv[]) {
  const long rate = argc > 1 ? std::atol(argv[1]) : 200;
  const long seconds = argc > 2 ? std::atol(argv[2]) : 30;
  const long taps = argc > 3 ? std::atol(argv[3]) : 10;
  if (rate <= 0 || seconds <= 0 || taps < 0 || taps > rate) {
    std::fprintf(stderr, "usage: xtest_load [events-per-second] [seconds] [key-taps-per-second]\n");
    return 2;
  }
  pausalo::testing::FakeInput input;
  if (!input.Connected()) {
    std::fprintf(stderr, "xtest_load: no X display\n");
    return 1;
  }
  const std::uint8_t shift = input.KeycodeOf(ShiftLeftKeysym);
  const long eventsPerKey = taps > 0 ? rate / taps : 0;
  const long total = rate * seconds;

  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  long motions = 0, keys = 0;
  for (long sent = 0; sent < total; ++sent) {
    if (shift != 0 && eventsPerKey > 0 && sent % eventsPerKey == eventsPerKey - 1) {
      input.TypeKey(shift);
      ++keys;
    } else {
      input.MoveBy(sent % 2 == 0 ? 1 : -1, 0);
      ++motions;
    }
    AddNanoseconds(next, NanosecondsPerSecond / rate);
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
  }
  std::printf("events %ld motions %ld keys %ld\n", motions + keys, motions, keys);
  return 0;
}
