// Synthetic desktop input through XTEST at a steady rate: relative pointer
// motion, or taps (press and release) of F12, a key that is no modifier and
// is in every keymap, so the load changes neither the keyboard state nor the
// keymap that other X clients follow. Bounded by a duration. Prints what it
// sent.
//
//   xtest_load [motion|keys] [events-per-second=200] [seconds=30]
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "FakeInput.h"

namespace {

constexpr long NanosecondsPerSecond = 1'000'000'000;
constexpr std::uint32_t F12Keysym = 0xffc9;

void AddNanoseconds(timespec& at, long nanoseconds) {
  at.tv_nsec += nanoseconds;
  at.tv_sec += at.tv_nsec / NanosecondsPerSecond;
  at.tv_nsec %= NanosecondsPerSecond;
}

}  // namespace

int main(int argc, char* argv[]) {
  const bool keys = argc > 1 && std::strcmp(argv[1], "keys") == 0;
  const bool known = argc <= 1 || keys || std::strcmp(argv[1], "motion") == 0;
  const long rate = argc > 2 ? std::atol(argv[2]) : 200;
  const long seconds = argc > 3 ? std::atol(argv[3]) : 30;
  if (!known || rate <= 0 || seconds <= 0) {
    std::fprintf(stderr, "usage: xtest_load [motion|keys] [events-per-second] [seconds]\n");
    return 2;
  }
  pausalo::testing::FakeInput input;
  if (!input.Connected()) {
    std::fprintf(stderr, "xtest_load: no X display\n");
    return 1;
  }
  const std::uint8_t key = keys ? input.KeycodeOf(F12Keysym) : 0;
  if (keys && key == 0) {
    std::fprintf(stderr, "xtest_load: F12 is not in the keymap\n");
    return 1;
  }
  const long total = rate * seconds;

  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (long sent = 0; sent < total; ++sent) {
    if (keys) {
      input.TypeKey(key);
    } else {
      input.MoveBy(sent % 2 == 0 ? 1 : -1, 0);
    }
    AddNanoseconds(next, NanosecondsPerSecond / rate);
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
  }
  std::printf("events %ld %s\n", total, keys ? "key presses" : "motions");
  return 0;
}
