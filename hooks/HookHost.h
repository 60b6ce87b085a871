#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "hooks/ActivitySource.h"
#include "input/HookContract.h"
#include "platform/WindowMessages.h"

// Marks the two functions a hook library exports.
#define PAUSALO_HOOK_EXPORT extern "C" __attribute__((visibility("default")))

namespace pausalo::hooks {

// Posts a hook's notifications to the window that installed the hook.
class Notifier {
 public:
  Notifier(PausaloWindow window, const THookNotification& notification)
      : window_(window),
        message_(pausalo_register_window_message(notification.MessageName)),
        notification_(notification) {}

  // Posts count notifications at once.
  void Post(std::uint32_t count = 1) const {
    pausalo_post_messages(window_, message_, notification_.WParam, notification_.LParam, count);
  }

 private:
  PausaloWindow window_;
  std::uint32_t message_;
  THookNotification notification_;
};

// The state behind a library's SetHook / RemoveHook: at most one activity
// source, notifying the window that installed it.
class HookHost {
 public:
  // Starts a source that notifies through the given notifier; null when
  // it cannot.
  using Listen = std::unique_ptr<ActivitySource> (*)(const Notifier& notifier);

  HookHost(void* record, const THookNotification& notification, Listen listen)
      : record_(record), notification_(notification), listen_(listen) {}

  // The record once a source notifies the window (one for another window,
  // or one that lost its connection, is replaced); null when none can start.
  void* SetHook(PausaloWindow window);
  // Stops the source of that window; once this returns no notification
  // is posted any more.
  void RemoveHook(PausaloWindow window);

 private:
  std::mutex lock_;
  void* record_;
  THookNotification notification_;
  Listen listen_;
  PausaloWindow window_ = 0;
  std::unique_ptr<ActivitySource> listener_;
};

}  // namespace pausalo::hooks
