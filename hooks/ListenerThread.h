#pragma once

#include <poll.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "hooks/FileDescriptor.h"

namespace pausalo::hooks {

// The thread of a listener: runs a loop that waits on a descriptor through
// Wait until it is asked to stop. Destroying the object asks the loop to stop
// and joins the thread, so an owner that declares it last may hand the loop
// its other members.
class ListenerThread {
 public:
  using Loop = std::function<void(const ListenerThread&)>;

  // Starts loop on a new thread; null when the thread's stop signal cannot
  // be set up.
  static std::unique_ptr<ListenerThread> Start(Loop loop);
  ~ListenerThread();
  ListenerThread(const ListenerThread&) = delete;
  ListenerThread& operator=(const ListenerThread&) = delete;

  // False once the loop has returned.
  bool Running() const { return running_.load(); }

  // Waits, on the thread, until watched is ready, timeoutMilliseconds have
  // passed (-1: no limit) or the thread is asked to stop. A negative
  // descriptor waits for the time or the stop alone. The events found on
  // watched (0 when the time ran out or a signal cut the wait short); none
  // once the loop is to return: asked to stop, or the wait itself failed.
  std::optional<short> Wait(pollfd watched, int timeoutMilliseconds) const;

 private:
  ListenerThread(FileDescriptor stop, Loop loop);

  FileDescriptor stop_;
  std::atomic<bool> running_{true};
  std::thread thread_;
};

}  // namespace pausalo::hooks
