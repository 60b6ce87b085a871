#pragma once

#include <cstddef>

#include "platform/Application.h"

namespace pausalo {

// What tests read of the application window beyond its interface.
class ApplicationWindowTestAccess {
 public:
  static std::size_t HookCount(const ApplicationWindow& window) { return window.hooks_.size(); }
};

}  // namespace pausalo
