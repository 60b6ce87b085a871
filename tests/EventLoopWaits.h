#pragma once
// Deterministic waits for tests: the GUI thread keeps processing events
// until a condition holds, within a generous bound that only a broken
// program reaches.

#include <QTest>
#include <chrono>
#include <functional>

namespace pausalo::testing {

inline constexpr std::chrono::milliseconds GiveUpAfter{20000};

// True once condition holds; false when the bound ran out first.
inline bool ProcessEventsUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = GiveUpAfter) {
  return QTest::qWaitFor(condition, static_cast<int>(limit.count()));
}

// Processes events for a while: long enough for a 1 ms timer to tick many
// times, for checks that something does not happen.
inline void ProcessEventsFor(std::chrono::milliseconds span) { QTest::qWait(static_cast<int>(span.count())); }

}  // namespace pausalo::testing
