#pragma once
// The Windows mouse messages that X pointer events stand for.

#include <cstdint>

namespace pausalo::hooks {

inline constexpr std::uint32_t WM_MOUSEMOVE = 0x200;

// The button-down (or wheel) message of an X button; 0 for none.
constexpr std::uint32_t MouseMessageOfButton(std::uint32_t button) {
  switch (button) {
    case 1: return 0x201;  // WM_LBUTTONDOWN
    case 2: return 0x207;  // WM_MBUTTONDOWN
    case 3: return 0x204;  // WM_RBUTTONDOWN
    case 4:
    case 5: return 0x20A;  // WM_MOUSEWHEEL
    case 6:
    case 7: return 0x20E;  // WM_MOUSEHWHEEL
    case 8:
    case 9: return 0x20B;  // WM_XBUTTONDOWN
    default: return 0;
  }
}

}  // namespace pausalo::hooks
