#pragma once
// How X key events become the Windows-style values of the keyboard record.

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

namespace pausalo::hooks {

// The virtual-key code of a keysym; 0 for keys without one.
std::int32_t VirtualKeyOfKeysym(std::uint32_t keysym);

// The keystroke information word of a key press: repeat count 1, the scan
// code (X keycode - 8) in bits 16-23, the extended-key bit 24, the previous
// key state in bit 30 (set for an auto-repeat) and transition bit 31 clear.
std::int32_t KeystrokeInfoOfPress(std::uint8_t keycode, bool repeat);

// The keysyms of the keyboard's keys as the X server maps them. Read once
// and again after each MappingNotify.
class KeyboardMapping {
 public:
  // False when the server did not answer.
  bool Load(xcb_connection_t& connection);
  // The keycode's unshifted keysym; 0 when it has none.
  std::uint32_t Keysym(std::uint8_t keycode) const;

 private:
  std::uint8_t firstKeycode_ = 0;
  std::uint8_t keysymsPerKeycode_ = 0;
  std::vector<std::uint32_t> keysyms_;
};

}  // namespace pausalo::hooks
