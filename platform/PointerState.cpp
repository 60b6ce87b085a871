#include "platform/PointerState.h"

#include <QCursor>
#include <QGuiApplication>

namespace pausalo {

namespace {

class SystemPointerState final : public PointerState {
 public:
  QPoint CursorPos() const override { return QCursor::pos(); }
  TShiftState KeyboardShift() const override {
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    TShiftState shift;
    if (held & Qt::ShiftModifier) shift.Include(ssShift);
    if (held & Qt::ControlModifier) shift.Include(ssCtrl);
    if (held & Qt::AltModifier) shift.Include(ssAlt);
    return shift;
  }
};

}  // namespace

const PointerState& PointerState::System() {
  static const SystemPointerState system;
  return system;
}

}  // namespace pausalo
