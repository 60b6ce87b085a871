#pragma once

#include "app/MainForm.h"

namespace pausalo {

// What tests read of the main form beyond its interface.
class MainFormTestAccess {
 public:
  static const BreakStateMachine& Breaks(const TMainForm& form) { return form.breaks_; }
};

}  // namespace pausalo
