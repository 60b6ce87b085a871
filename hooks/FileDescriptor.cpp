#include "hooks/FileDescriptor.h"

#include <unistd.h>

namespace pausalo::hooks {

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace pausalo::hooks
