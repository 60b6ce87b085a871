#pragma once

#include <utility>

namespace pausalo::hooks {

// A file descriptor that is closed with its owner.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor& operator=(FileDescriptor&&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace pausalo::hooks
