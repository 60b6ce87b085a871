#include "hooks/FileDescriptor.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace pausalo::hooks {

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) close(fd_);
}

StopSignal::StopSignal() : fd_(eventfd(0, EFD_CLOEXEC)) {}

void StopSignal::Raise() const {
  const std::uint64_t one = 1;
  // Writing 1 to an eventfd fails only when its counter would overflow.
  [[maybe_unused]] const auto written = write(fd_.Get(), &one, sizeof one);
}

}  // namespace pausalo::hooks
