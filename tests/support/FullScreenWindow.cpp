// pausalo_full_screen: a window that fills the screen in one flat colour,
// as a video player or a game would, on the Qt platform the environment
// picks, on the screen holding the point its argument gives as X,Y (the
// primary without one). Prints its X window id (0 on Wayland) once it has painted itself,
// and runs until it is ended.
#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTextStream>
#include <QWidget>

#include "platform/DesktopWindows.h"

namespace {

class FullScreenWindow final : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), QColor(0, 0, 255));
    if (announced_) return;
    announced_ = true;
    const bool onX11 = QGuiApplication::platformName() == "xcb";
    QTextStream(stdout) << (onX11 ? winId() : 0) << Qt::endl;
  }

 private:
  bool announced_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
  pausalo::ChooseQtPlatform();
  QApplication application(argc, argv);
  FullScreenWindow window;
  window.setWindowTitle("Full screen");
  const QStringList point = argc > 1 ? QString(argv[1]).split(',') : QStringList();
  if (point.size() == 2) {
    // X11 window managers (openbox) go by where the window is.
    if (QScreen* screen = QGuiApplication::screenAt(QPoint(point[0].toInt(), point[1].toInt()))) {
      if (QGuiApplication::platformName() == "xcb") {
        window.setGeometry(screen->geometry());
      } else {
        window.setScreen(screen);
      }
    }
  }
  window.showFullScreen();
  return QApplication::exec();
}
