// Pausalo: a break reminder that watches desktop-wide keyboard and mouse
// activity and enforces regular pauses.
#include <QApplication>

#include "app/MainForm.h"
#include "platform/Application.h"

namespace {

// Unless the user picked a Qt platform: X11 first, through Xwayland on a
// Wayland session, where compositors keep a stay-on-top window on top;
// Wayland itself where there is no X server.
void PreferX11Windows() {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb;wayland");
}

}  // namespace

int main(int argc, char* argv[]) {
  PreferX11Windows();
  QApplication toolkit(argc, argv);
  pausalo::TApplication application;
  application.SetHelpFile("PAUSALO_ENG.HLP");
  application.SetTitle("Pausalo 1.0");
  pausalo::TMainForm mainForm;
  application.SetMainForm(&mainForm);
  mainForm.show();
  return toolkit.exec();
}
