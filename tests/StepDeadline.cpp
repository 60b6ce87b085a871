#include "StepDeadline.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace pausalo::testing {

namespace {

using Clock = std::chrono::steady_clock;

// The one thread that watches the bounds of the steps under way.
class Watchdog {
 public:
  static Watchdog& Instance() {
    static Watchdog watchdog;
    return watchdog;
  }

  ~Watchdog() {
    {
      const std::lock_guard guard(lock_);
      ending_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  std::uint64_t Arm(std::string step, std::chrono::seconds bound) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : "(no test)";
    const std::lock_guard guard(lock_);
    if (!thread_.joinable()) thread_ = std::thread([this] { Watch(); });
    const std::uint64_t id = ++lastId_;
    const Step& armed =
        steps_.emplace(id, Step{std::move(name), std::move(step), bound, Clock::now() + bound}).first->second;
    // The watchdog sleeps until the first deadline it knew of: wake it only
    // when this one comes before.
    if (First() == &armed) changed_.notify_all();
    return id;
  }

  // The watchdog finds out when it next wakes.
  void Disarm(std::uint64_t id) {
    const std::lock_guard guard(lock_);
    steps_.erase(id);
  }

 private:
  struct Step {
    std::string test;
    std::string name;
    std::chrono::seconds bound;
    Clock::time_point deadline;
  };

  Watchdog() = default;

  // The step whose deadline comes first; null for none. Under lock_.
  const Step* First() const {
    const Step* first = nullptr;
    for (const auto& [id, step] : steps_)
      if (first == nullptr || step.deadline < first->deadline) first = &step;
    return first;
  }

  void Watch() {
    std::unique_lock guard(lock_);
    while (!ending_) {
      const Step* first = First();
      if (first == nullptr) {
        changed_.wait(guard);
      } else if (Clock::now() >= first->deadline) {
        Hung(*first);
      } else {
        // A copy: the step may be disarmed, and its entry gone, while this
        // thread waits.
        const Clock::time_point deadline = first->deadline;
        changed_.wait_until(guard, deadline);
      }
    }
  }

  // A blocked test cannot be failed the usual way: its thread never comes
  // back. The run ends here, so that the report names what hung.
  [[noreturn]] static void Hung(const Step& step) {
    std::fprintf(stderr, "\n[  HUNG    ] %s: %s did not finish within %lld s\n", step.test.c_str(), step.name.c_str(),
                 static_cast<long long>(step.bound.count()));
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
  }

  std::mutex lock_;
  std::condition_variable changed_;
  std::map<std::uint64_t, Step> steps_;
  std::uint64_t lastId_ = 0;
  bool ending_ = false;
  std::thread thread_;
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
