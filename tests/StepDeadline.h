#pragma once
// Bounds for the steps of a test that can block for good: a thread that
// does not end, a process that does not answer, a modal run that nobody
// closes. When a bound runs out the test run ends there and then, failing,
// with the names of the test and of the step that hung, instead of waiting
// for ctest's time limit. Every test is a step of its own, bounded by
// WholeTestBound; steps inside it may have bounds of their own. Make and end
// steps on the test's own thread; the process's SIGALRM is the watchdog's.

#include <chrono>
#include <cstdint>
#include <string>

namespace pausalo::testing {

inline constexpr std::chrono::seconds WholeTestBound{420};

class StepDeadline {
 public:
  StepDeadline(std::string step, std::chrono::seconds bound);
  ~StepDeadline();
  StepDeadline(const StepDeadline&) = delete;
  StepDeadline& operator=(const StepDeadline&) = delete;

 private:
  std::uint64_t id_;
};

// Runs step within bound (see StepDeadline) and returns what it returns.
template <typename Step>
decltype(auto) WithinBound(std::string name, std::chrono::seconds bound, Step&& step) {
  const StepDeadline deadline(std::move(name), bound);
  return step();
}

}  // namespace pausalo::testing
