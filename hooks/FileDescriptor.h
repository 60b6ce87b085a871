#pragma once

namespace pausalo::hooks {

// A file descriptor that is closed with its owner.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// An eventfd that wakes a listener's thread to end it.
class StopSignal {
 public:
  // Valid() is false when no eventfd could be made.
  StopSignal();
  bool Valid() const { return fd_.Get() >= 0; }
  int Fd() const { return fd_.Get(); }
  void Raise() const;

 private:
  FileDescriptor fd_;
};

}  // namespace pausalo::hooks
