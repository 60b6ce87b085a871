#pragma once
// How Qt meets the desktop, settled before the application object exists.

namespace pausalo {

// Unless the user set them in the environment: X11 first, through Xwayland
// on a Wayland session, where compositors keep a stay-on-top window on top,
// and Wayland itself where there is no X server; and the X11 platform
// without XInput2.
void ChooseQtPlatform();

}  // namespace pausalo
