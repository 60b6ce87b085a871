#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/WindowMessages.h"

namespace pausalo {

// What is handed to the notification area for one icon.
struct TNotifyIconData {
  std::uint32_t cbSize = 0;
  PausaloWindow Wnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  std::uint32_t hIcon = 0;
  std::array<char, 64> szTip{};  // zero-terminated UTF-8
  bool operator==(const TNotifyIconData&) const = default;

  std::string_view Tip() const { return szTip.data(); }
};

inline constexpr std::uint32_t NotifyIconDataSize = 88;
inline constexpr std::uint32_t NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4;
inline constexpr std::uint32_t NoIcon = 0xFFFFFFFF;

enum TNotifyAction : std::uint32_t { NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2 };

// The mouse messages the notification area sends as a callback's LParam.
inline constexpr std::int32_t WM_MOUSEMOVE = 0x200, WM_LBUTTONDOWN = 0x201, WM_LBUTTONUP = 0x202,
                              WM_LBUTTONDBLCLK = 0x203, WM_RBUTTONDOWN = 0x204, WM_RBUTTONUP = 0x205,
                              WM_RBUTTONDBLCLK = 0x206, WM_MBUTTONDOWN = 0x207, WM_MBUTTONUP = 0x208,
                              WM_MBUTTONDBLCLK = 0x209;

// The desktop's notification area. An icon is known by its window and
// identifier; mouse actions on it are posted to that window as the callback
// message with the identifier in WParam and the mouse message in LParam.
class NotificationArea {
 public:
  virtual ~NotificationArea() = default;
  // Adding fails while no notification area is available or the icon is
  // already there; modifying and deleting fail for an icon that is not there.
  virtual bool Notify(TNotifyAction action, const TNotifyIconData& data) = 0;
  // Whether a notification area is there now. It may go away at any time
  // (its host ends) without a word to the icons it shows.
  virtual bool Available() const = 0;

  // The desktop's own notification area.
  static NotificationArea& System();
};

}  // namespace pausalo
