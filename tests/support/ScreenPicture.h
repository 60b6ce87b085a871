#pragma once
// A picture of the whole screen as the desktop shows it, taken the way the
// desktop allows.

#include <QImage>
#include <QString>

namespace pausalo::testing {

enum class PictureSource {
  Grim,           // wlroots compositors (sway): grim on WAYLAND_DISPLAY
  KWin,           // KWin's screenshot interface on the session bus
  X11RootWindow,  // an X server that draws the screen itself (Xvfb): import
};

// Whether the desktop offers the source: KWin 6 composited without a GPU
// (QPainter) has no screenshot interface.
bool PictureSourceOffered(PictureSource source);

// Null when the picture could not be taken; then failure says why.
QImage TakeScreenPicture(PictureSource source, QString* failure);

}  // namespace pausalo::testing
