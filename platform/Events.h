#pragma once

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
  static constexpr std::uint8_t Bit(TShiftStateMember member) {
    return static_cast<std::uint8_t>(1u << member);
  }
  std::uint8_t bits_ = 0;
};

// Event types of the components; Sender is the component raising the event.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;

}  // namespace pausalo
