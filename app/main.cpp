// Pausalo: a break reminder that watches desktop-wide keyboard and mouse
// activity and enforces regular pauses.
#include <QApplication>

#include "app/MainForm.h"
#include "platform/Application.h"

int main(int argc, char* argv[]) {
  QApplication toolkit(argc, argv);
  pausalo::TApplication application;
  application.SetHelpFile("PAUSALO_ENG.HLP");
  application.SetTitle("Pausalo 1.0");
  pausalo::TMainForm mainForm;
  application.SetMainForm(&mainForm);
  mainForm.show();
  return toolkit.exec();
}
