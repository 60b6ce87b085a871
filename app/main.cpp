// Pausalo: a break reminder that watches desktop-wide keyboard and mouse
// activity and enforces regular pauses.
#include <QApplication>

#include "app/MainForm.h"
#include "app/SingleInstance.h"
#include "platform/Application.h"

int main(int argc, char* argv[]) {
  QApplication toolkit(argc, argv);
  // A second start brings the running copy forward instead.
  pausalo::SingleInstance instance;
  if (instance.ForwardToRunningCopy()) return 0;
  pausalo::TApplication application;
  application.SetHelpFile("PAUSALO_ENG.HLP");
  application.SetTitle("Pausalo 1.0");
  pausalo::TMainForm mainForm;
  application.SetMainForm(&mainForm);
  mainForm.show();
  // As a click on the tray icon does: out of the tray, or up from the taskbar.
  instance.OnActivate = [&mainForm] { mainForm.Tray1Click(); };
  return toolkit.exec();
}
