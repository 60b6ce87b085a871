#pragma once

#include <stdexcept>

namespace pausalo {

// Base of every failure the program reports; the message is UTF-8 text
// shown to the user as it stands.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace pausalo
