#pragma once
// What differs between display servers, window managers and monitors in
// how Pausalo's windows reach the user: every rule of where a window goes
// and how it comes in front lives here.

class QPoint;
class QScreen;
class QWidget;

namespace pausalo {

// Unless the user set them in the environment: X11 first, through Xwayland
// on a Wayland session, where compositors keep a stay-on-top window on top,
// and Wayland itself where there is no X server; and the X11 platform
// without XInput2. Before the application object exists.
void ChooseQtPlatform();

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
// without any screen. The pointer's position may be given where the caller
// has read it already (each read is a round trip to the display server).
QScreen* ScreenTheUserIsAt();
QScreen* ScreenTheUserIsAt(const QPoint& pointer);

// Moves a top-level window to the middle of the work area of the monitor
// the user is at (ScreenTheUserIsAt).
void CentreOnScreen(QWidget& window);
// Leaves a top-level window where it is while a monitor shows its middle;
// otherwise (the monitor it was on is gone) centres it as CentreOnScreen
// does.
void KeepOnAScreen(QWidget& window);

// Places a window centred over another, kept within the work area of that
// one's monitor, and tied to it so that the window manager keeps it above.
void PlaceOver(QWidget& window, const QWidget& over);

// What a window that comes up by itself (the break window) is made a dialog
// of: the main window while it shows. A window manager brings a window back
// with its dialog (mutter does): while the user has put the main window
// away, none.
QWidget* DialogOwner(QWidget& mainWindow);

}  // namespace pausalo
