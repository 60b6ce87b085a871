// Saves pictures of the main window's three pages, a clock's hint, the
// credits, the help and the break window, with their window frames, into the
// folder given as the first argument. With --dark the desktop has a dark
// theme (a dark palette with the Fusion style, as qt6ct's "darker" scheme).
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "app/MainForm.h"
#include "platform/Application.h"

namespace {

void Settle(int milliseconds = 400) {
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(const QRect& area, const QString& path) {
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  const bool saved = shot.save(path);
  std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
  return saved;
}

bool Save(const QWidget* window, const QString& path) { return Save(window->frameGeometry(), path); }

QPalette DarkDesktopPalette() {
  QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2A, 0x2A, 0x2A));
  dark.setColor(QPalette::WindowText, QColor(0xD0, 0xD0, 0xD0));
  dark.setColor(QPalette::ButtonText, QColor(0xD0, 0xD0, 0xD0));
  dark.setColor(QPalette::Text, QColor(0xD0, 0xD0, 0xD0));
  dark.setColor(QPalette::Base, QColor(0x24, 0x24, 0x24));
  return dark;
}

QTextBrowser* HelpWindow() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* help = qobject_cast<QTextBrowser*>(window); help != nullptr && help->isVisible()) return help;
  return nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication toolkit(argc, argv);
  const bool dark = argc == 3 && QString(argv[2]) == "--dark";
  if (argc != 2 && !dark) {
    std::fprintf(stderr, "usage: %s OUTPUT-FOLDER [--dark]\n", argv[0]);
    return 2;
  }
  if (dark) {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setPalette(DarkDesktopPalette());
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(folder.path());
  pausalo::TApplication application;
  application.SetTitle("Pausalo 1.0");
  pausalo::TMainForm form;
  application.SetMainForm(&form);
  form.show();
  Settle(1'000);

  bool saved = true;
  const char* pages[] = {"home", "setup", "info"};
  for (int page = 0; page < 3; ++page) {
    form.PageControl1->setCurrentIndex(page);
    Settle();
    saved &= Save(&form, folder.filePath(QString("page-%1.png").arg(pages[page])));
  }

  // A clock's hint: the pointer rests on the working clock.
  form.PageControl1->setCurrentIndex(0);
  Settle();
  QCursor::setPos(form.StaticText2->mapToGlobal(form.StaticText2->rect().center()));
  Settle(1'500);
  saved &= Save(form.frameGeometry().adjusted(0, 0, 220, 60), folder.filePath("page-home-clock-hint.png"));
  QCursor::setPos(0, 0);
  Settle();

  form.PageControl1->setCurrentIndex(2);
  form.B_AuthorClick();
  Settle(2'500);
  saved &= Save(&form, folder.filePath("page-info-credits.png"));
  form.B_AuthorClick();

  application.SetHelpFile("PAUSALO_ENG.HLP");
  form.BitBtn1Click();
  Settle(1'000);
  if (const QTextBrowser* help = HelpWindow()) {
    saved &= Save(help->frameGeometry().united(form.frameGeometry()), folder.filePath("help.png"));
    HelpWindow()->close();
  } else {
    std::printf("the help did not open\n");
    saved = false;
  }

  QTimer::singleShot(0, [&] {
    form.PageControl1->setCurrentIndex(0);
    Settle(1'000);
    saved &= Save(form.BreakForm, folder.filePath("break-window.png"));
    form.OkClick();
    Settle();
    saved &= Save(form.BreakForm, folder.filePath("break-window-pausing.png"));
    form.BreakForm->close();
  });
  form.sveglia();
  return saved ? 0 : 1;
}
