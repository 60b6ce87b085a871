#pragma once

#include <xcb/xcb.h>

#include <cstdint>

#include "hooks/KeyMap.h"
#include "hooks/RawInputThread.h"

namespace pausalo::testing {

// Keyboard and pointer input made up through XTEST on a connection of its
// own, for tests and benchmarks. Every call but SendMoveBy returns once the
// X server has handled the input.
class FakeInput {
 public:
  // Connects to the display named by DISPLAY; Connected() tells whether it
  // worked.
  FakeInput();
  bool Connected() const;

  // The keycode of an unshifted keysym; 0 when no key has it.
  std::uint8_t KeycodeOf(std::uint32_t keysym) const;
  void TypeKey(std::uint8_t keycode);
  // Presses and releases a pointer button (4 and 5 turn the wheel).
  void Click(std::uint8_t button);
  void MoveBy(std::int16_t dx, std::int16_t dy, int times = 1);
  // Sends a relative motion without waiting for the server.
  void SendMoveBy(std::int16_t dx, std::int16_t dy);
  // Puts the pointer at a place; makes no raw motion event.
  void MoveTo(std::int16_t x, std::int16_t y);

 private:
  void Fake(std::uint8_t type, std::uint8_t detail, std::int16_t x = 0, std::int16_t y = 0);
  void Sync();

  hooks::XConnection connection_;
  xcb_window_t root_ = 0;
  hooks::KeyboardMapping mapping_;
};

}  // namespace pausalo::testing
