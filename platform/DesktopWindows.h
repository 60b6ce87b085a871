#pragma once
// What differs between window managers in how Pausalo's windows reach the
// user.

class QScreen;
class QWidget;

namespace pausalo {

// Brings a window the user must see now (the break window, the main window
// called back from the notification area) in front of everything, a
// full-screen window included. Stay-on-top does that where the window
// manager stacks windows; tiling window managers speaking the i3 IPC
// protocol (i3, sway) put a full-screen window over everything, and there
// the window is focused through the window manager, which ends the other
// window's full-screen state. Returns at once: the request goes on in the
// background while the window lives, and gives up after a few seconds;
// requests made meanwhile share its one connection to the window manager.
// Does nothing where no such window manager runs.
void BringIntoView(QWidget& window);

// The monitor the user is at: the one under the pointer as the display
// server sees it, else the one of the program's focused window, else the
// primary. Through Xwayland the X server sees the pointer only while it is
// over an X11 window: elsewhere it is where it last left one. Null only
// without any screen.
QScreen* ScreenTheUserIsAt();

}  // namespace pausalo
