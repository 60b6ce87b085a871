// The floor of a Qt 6 Widgets program of Pausalo's shape: a window with a tab
// widget, a label, a 500 ms timer and a tray icon. Nothing in it measures or
// prints; bench/compare measures it from outside like every other program.
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);

  QTabWidget window;
  window.setWindowTitle("Qt baseline");
  auto* page = new QWidget;
  auto* label = new QLabel("0", page);
  label->move(20, 20);
  window.addTab(page, "Home");
  window.addTab(new QWidget, "Setup");
  window.resize(338, 268);

  // The timer changes the label's text twice a second, as a clock would; the
  // label keeps a fixed size so that only its own area is repainted.
  label->setFixedWidth(label->fontMetrics().horizontalAdvance("000000"));
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, label, [&] { label->setText(QString::number(++ticks)); });
  timer.start(500);

  QPixmap picture(16, 16);
  picture.fill(Qt::darkGreen);
  QSystemTrayIcon tray{QIcon(picture)};
  tray.setToolTip("Qt baseline");
  tray.show();

  window.show();
  return application.exec();
}
