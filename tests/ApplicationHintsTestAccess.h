#pragma once

#include "platform/Hint.h"

namespace pausalo {

// What tests read of the application's hints beyond their interface.
class ApplicationHintsTestAccess {
 public:
  // The window of the current or last hint; null before the first hint.
  static THintWindow* HintWindow(const ApplicationHints& hints) { return hints.window_.get(); }
  // The pause before the pending hint shows, or -1 when none is pending.
  static int PendingHintPause(const ApplicationHints& hints) {
    return hints.showTimer_.isActive() ? hints.showTimer_.interval() : -1;
  }
};

}  // namespace pausalo
