// Pausalo: a break reminder that watches desktop-wide keyboard and mouse
// activity and enforces regular pauses.
#include <QApplication>

#include "app/MainForm.h"
#include "app/SingleInstance.h"
#include "platform/Application.h"
#include "platform/DesktopWindows.h"
#include "platform/SessionBus.h"

int main(int argc, char* argv[]) {
  pausalo::ChooseQtPlatform();
  pausalo::LeaveOutPeersThatDoNotAnswer();
  QApplication toolkit(argc, argv);
  // The name the desktop shows for the program, as in the tray's item title.
  QApplication::setApplicationName("Pausalo");
  // A second start brings the running copy forward instead.
  pausalo::SingleInstance instance;
  switch (instance.ForwardToRunningCopy()) {
    case pausalo::SingleInstance::Start::Run: break;
    case pausalo::SingleInstance::Start::Forwarded: return 0;
    case pausalo::SingleInstance::Start::Unanswered: instance.TellRunningCopyDoesNotAnswer(); return 1;
  }
  pausalo::TApplication application;
  application.SetHelpFile("PAUSALO_ENG.HLP");
  application.SetTitle("Pausalo 1.0");
  pausalo::TMainForm mainForm;
  application.SetMainForm(&mainForm);
  mainForm.ShowAtStart();
  // As a click on the tray icon does: out of the tray, or up from the taskbar.
  instance.OnActivate = [&mainForm] { mainForm.Tray1Click(); };
  return toolkit.exec();
}
