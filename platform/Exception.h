#pragma once

#include <stdexcept>

namespace pausalo {

// Base of every failure the program reports; the message is UTF-8 text
// shown to the user as it stands.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The silent exception: it ends an operation and is reported to nobody.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// The system refused a resource (a timer, for one).
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace pausalo
