// pausalo_full_screen: a window that fills the screen in one flat colour,
// as a video player or a game would, on the Qt platform the environment
// picks. Prints its X window id (0 on Wayland) once it has painted itself,
// and runs until it is ended.
#include <QApplication>
#include <QPainter>
#include <QTextStream>
#include <QWidget>

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
  QApplication application(argc, argv);
  FullScreenWindow window;
  window.setWindowTitle("Full screen");
  window.showFullScreen();
  return QApplication::exec();
}
