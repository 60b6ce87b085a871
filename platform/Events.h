#pragma once

#include <QChar>
#include <QObject>
#include <cstdint>
#include <functional>
#include <initializer_list>

namespace pausalo {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateMember { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };

// The set of keys and buttons held during a mouse action.
class TShiftState {
 public:
  constexpr TShiftState() = default;
  constexpr TShiftState(std::initializer_list<TShiftStateMember> members) {
    for (auto member : members) Include(member);
  }
  constexpr bool Contains(TShiftStateMember member) const { return bits_ & Bit(member); }
  constexpr void Include(TShiftStateMember member) { bits_ |= Bit(member); }
  constexpr TShiftState operator+(TShiftStateMember member) const {
    TShiftState result = *this;
    result.Include(member);
    return result;
  }
  constexpr bool operator==(const TShiftState&) const = default;

 private:
  static constexpr std::uint8_t Bit(TShiftStateMember member) { return static_cast<std::uint8_t>(1u << member); }
  std::uint8_t bits_ = 0;
};

// The toolkit's button and modifier keys in the components' terms; a
// button other than left or right counts as the middle one.
TMouseButton MouseButtonOf(Qt::MouseButton button);
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = {});

// Event types of the components; Sender is the component raising the event.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
// Key is the toolkit's key code; a handler may set it to 0 to swallow the key.
using TKeyEvent = std::function<void(QObject* Sender, int& Key, TShiftState Shift)>;
// Key is the typed character; a handler may set it to 0 to drop it.
using TKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;

}  // namespace pausalo
