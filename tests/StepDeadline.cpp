#include "StepDeadline.h"

#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace pausalo::testing {

namespace {

using Clock = std::chrono::steady_clock;

// The bounds of the steps under way, watched through the process's interval
// timer: no thread of its own, so a test process stays single-threaded
// until its test makes threads (a fork from a multi-threaded process is
// what ThreadSanitizer cannot follow). When the first deadline passes,
// SIGALRM ends the run with the message written ahead for it. Steps are
// made and ended on the test's thread.
class Watchdog {
 public:
  static Watchdog& Instance() {
    static Watchdog watchdog;
    return watchdog;
  }

  std::uint64_t Arm(std::string step, std::chrono::seconds bound) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : "(no test)";
    const std::uint64_t id = ++lastId_;
    steps_.push_back({id, std::move(name), std::move(step), bound, Clock::now() + bound});
    Rearm();
    return id;
  }

  void Disarm(std::uint64_t id) {
    std::erase_if(steps_, [id](const Step& step) { return step.id == id; });
    Rearm();
  }

 private:
  struct Step {
    std::uint64_t id;
    std::string test;
    std::string name;
    std::chrono::seconds bound;
    Clock::time_point deadline;
  };
  using Message = std::array<char, 1024>;

  Watchdog() {
    struct sigaction action = {};
    action.sa_handler = &Hung;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
  }

  // Sets the timer for the first deadline, its message written first (in
  // the buffer the handler is not reading).
  void Rearm() {
    const auto first = std::min_element(steps_.begin(), steps_.end(),
                                        [](const Step& a, const Step& b) { return a.deadline < b.deadline; });
    itimerval timer{};
    if (first != steps_.end()) {
      const int next = 1 - shown_.load();
      Message& message = messages_[static_cast<std::size_t>(next)];
      const int length = std::snprintf(message.data(), message.size(),
                                       "\n[  HUNG    ] %s: %s did not finish within %lld s\n", first->test.c_str(),
                                       first->name.c_str(), static_cast<long long>(first->bound.count()));
      lengths_[static_cast<std::size_t>(next)] = static_cast<std::size_t>(
          std::clamp(length, 0, static_cast<int>(message.size()) - 1));
      shown_.store(next);
      const auto left = std::max(std::chrono::duration_cast<std::chrono::microseconds>(first->deadline - Clock::now()),
                                 std::chrono::microseconds(1));
      timer.it_value.tv_sec = static_cast<time_t>(left.count() / 1'000'000);
      timer.it_value.tv_usec = static_cast<suseconds_t>(left.count() % 1'000'000);
    }
    setitimer(ITIMER_REAL, &timer, nullptr);
  }

  // A blocked test cannot be failed the usual way: its thread never comes
  // back. The run ends here, so that the report names what hung. Only
  // async-signal-safe calls.
  static void Hung(int) {
    const auto shown = static_cast<std::size_t>(shown_.load());
    [[maybe_unused]] const auto written = write(STDERR_FILENO, messages_[shown].data(), lengths_[shown]);
    _exit(EXIT_FAILURE);
  }

  std::vector<Step> steps_;
  std::uint64_t lastId_ = 0;
  static inline std::array<Message, 2> messages_{};
  static inline std::array<std::size_t, 2> lengths_{};
  static inline std::atomic<int> shown_{0};
};

// Bounds every test as a whole.
class WholeTestDeadline final : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { deadline_.emplace("the test as a whole", WholeTestBound); }
  void OnTestEnd(const ::testing::TestInfo&) override { deadline_.reset(); }

  std::optional<StepDeadline> deadline_;
};

[[maybe_unused]] const bool WholeTestDeadlineListening = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new WholeTestDeadline);
  return true;
}();

}  // namespace

StepDeadline::StepDeadline(std::string step, std::chrono::seconds bound)
    : id_(Watchdog::Instance().Arm(std::move(step), bound)) {}

StepDeadline::~StepDeadline() { Watchdog::Instance().Disarm(id_); }

}  // namespace pausalo::testing
