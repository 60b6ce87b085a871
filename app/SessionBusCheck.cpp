#include "app/SessionBusCheck.h"

#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace pausalo {

namespace {

// An address where no bus answers, which every D-Bus library finds out at
// once.
constexpr char NoSessionBus[] = "unix:path=/dev/null/no-session-bus";

enum class Answer { Answered, Unreachable, Silent };

// Connects to the session bus and waits, up to timeout, for its answer to
// the connection's greeting.
Answer AskSessionBus(std::chrono::microseconds timeout) {
  sd_bus* raw = nullptr;
  if (sd_bus_open_user(&raw) < 0) return Answer::Unreachable;
  const std::unique_ptr<sd_bus, decltype(&sd_bus_close_unref)> bus(raw, &sd_bus_close_unref);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const int processed = sd_bus_process(raw, nullptr);
    if (processed < 0) return Answer::Unreachable;
    if (sd_bus_is_ready(raw) > 0) return Answer::Answered;
    if (processed > 0) continue;
    const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return Answer::Silent;
    if (sd_bus_wait(raw, left.count()) < 0) return Answer::Unreachable;
  }
}

}  // namespace

void LeaveSessionBusThatDoesNotAnswer() {
  if (AskSessionBus(SessionBusAnswerTimeout) != Answer::Silent) return;
  std::fprintf(stderr, "Pausalo: the session bus does not answer; running without it.\n");
  setenv("DBUS_SESSION_BUS_ADDRESS", NoSessionBus, 1);
}

}  // namespace pausalo
