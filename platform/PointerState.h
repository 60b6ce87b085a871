#pragma once

#include <QPoint>

#include "platform/Events.h"

namespace pausalo {

// The pointer and modifier keys as they are right now, wherever the pointer is.
class PointerState {
 public:
  virtual ~PointerState() = default;
  // The cursor position in screen coordinates.
  virtual QPoint CursorPos() const = 0;
  // Shift, Ctrl and Alt as far as they are held down.
  virtual TShiftState KeyboardShift() const = 0;

  // The desktop's own pointer and keyboard.
  static const PointerState& System();
};

}  // namespace pausalo
