// pausalo_fullscreen: a plain grey window that asks for the full screen, as
// a video player or a presentation does, on the Qt platform that
// QT_QPA_PLATFORM names (a native Wayland window with "wayland"). Prints
// "shown" once it has painted itself, and runs until it is ended.
#include <QApplication>
#include <QPainter>
#include <QWidget>
#include <cstdio>

namespace {

class FullScreenWindow final : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), Qt::darkGray);
    if (announced_) return;
    announced_ = true;
    std::puts("shown");
    std::fflush(stdout);
  }

 private:
  bool announced_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  FullScreenWindow window;
  window.setWindowTitle("Full screen");
  window.showFullScreen();
  return QApplication::exec();
}
