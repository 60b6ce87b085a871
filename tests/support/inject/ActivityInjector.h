#pragma once
// Pointer motion made through a compositor, so that the compositor counts it
// as user activity (unlike XTEST input to an X server it does not own).

#include <memory>
#include <string>

namespace pausalo::testing {

class ActivityInjector {
 public:
  virtual ~ActivityInjector() = default;
  // Moves the pointer by (dx, dy); false once the compositor has gone.
  virtual bool MovePointer(int dx, int dy) = 0;
  // Returns once the compositor has handled everything sent so far; false
  // once it has gone.
  virtual bool Settle() = 0;
};

// Through KWin's fake input (org_kde_kwin_fake_input, allowed by
// KWIN_WAYLAND_NO_PERMISSION_CHECKS=1), on WAYLAND_DISPLAY.
std::unique_ptr<ActivityInjector> ConnectKWinFakeInput(std::string& error);
// Through a wlroots virtual pointer (zwlr_virtual_pointer_v1), on WAYLAND_DISPLAY.
std::unique_ptr<ActivityInjector> ConnectWlrVirtualPointer(std::string& error);
// Through a remote desktop session of mutter (org.gnome.Mutter.RemoteDesktop)
// on the session bus.
std::unique_ptr<ActivityInjector> ConnectMutterRemoteDesktop(std::string& error);

}  // namespace pausalo::testing
