#include "hooks/ListenerThread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace pausalo::hooks {

std::unique_ptr<ListenerThread> ListenerThread::Start(Loop loop) {
  FileDescriptor stop(eventfd(0, EFD_CLOEXEC));
  if (stop.Get() < 0) return nullptr;
  return std::unique_ptr<ListenerThread>(new ListenerThread(std::move(stop), std::move(loop)));
}

ListenerThread::ListenerThread(FileDescriptor stop, Loop loop)
    : stop_(std::move(stop)), thread_([this, loop = std::move(loop)] {
        loop(*this);
        running_.store(false);
      }) {}

ListenerThread::~ListenerThread() {
  const std::uint64_t one = 1;
  // Writing 1 to an eventfd fails only when its counter would overflow.
  [[maybe_unused]] const auto written = write(stop_.Get(), &one, sizeof one);
  thread_.join();
}

std::optional<short> ListenerThread::Wait(pollfd watched, int timeoutMilliseconds) const {
  pollfd waits[] = {watched, {stop_.Get(), POLLIN, 0}};
  waits[0].revents = 0;
  const int ready = poll(waits, 2, timeoutMilliseconds);
  if (ready < 0) {
    if (errno == EINTR) return 0;
    return std::nullopt;
  }
  if (waits[1].revents != 0) return std::nullopt;
  return waits[0].revents;
}

}  // namespace pausalo::hooks
