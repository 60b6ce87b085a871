#pragma once
// A flood of keyboard hook notifications, posted to a window from a thread
// of its own as a hook library would, spread evenly over a span of time.

#include <atomic>
#include <chrono>
#include <thread>

#include "input/HookContract.h"
#include "platform/WindowMessages.h"

namespace pausalo::testing {

class InputFlood {
 public:
  InputFlood(PausaloWindow window, int notifications, std::chrono::milliseconds span)
      : thread_([this, window, notifications, span] { Post(window, notifications, span); }) {}
  ~InputFlood() { thread_.join(); }
  InputFlood(const InputFlood&) = delete;
  InputFlood& operator=(const InputFlood&) = delete;

  int Posted() const { return posted_.load(); }

 private:
  void Post(PausaloWindow window, int notifications, std::chrono::milliseconds span) {
    constexpr int Slices = 100;
    const std::uint32_t message = pausalo_register_window_message(KBHookNotification.MessageName);
    const auto start = std::chrono::steady_clock::now();
    for (int slice = 0; slice < Slices; ++slice) {
      for (int i = slice * notifications / Slices; i < (slice + 1) * notifications / Slices; ++i)
        posted_ += pausalo_post_message(window, message, KBHookNotification.WParam, KBHookNotification.LParam);
      std::this_thread::sleep_until(start + span * (slice + 1) / Slices);
    }
  }

  std::atomic<int> posted_{0};
  std::thread thread_;
};

}  // namespace pausalo::testing
