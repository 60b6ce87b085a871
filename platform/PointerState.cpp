#include "platform/PointerState.h"

#include <QCursor>
#include <QGuiApplication>

namespace pausalo {

namespace {

class SystemPointerState final : public PointerState {
 public:
  QPoint CursorPos() const override { return QCursor::pos(); }
  TShiftState KeyboardShift() const override { return ShiftStateOf(QGuiApplication::queryKeyboardModifiers()); }
};

}  // namespace

const PointerState& PointerState::System() {
  static const SystemPointerState system;
  return system;
}

}  // namespace pausalo
