// Build tool: renders the program's SVG icon to a PNG of a given size.
// usage: render_icon SOURCE.svg SIZE OUTPUT.png
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s SOURCE.svg SIZE OUTPUT.png\n", argv[0]);
    return 2;
  }
  const int size = QString::fromLocal8Bit(argv[2]).toInt();
  QImageReader reader(QString::fromLocal8Bit(argv[1]));
  reader.setScaledSize(QSize(size, size));
  const QImage image = reader.read();
  if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[3]))) {
    std::fprintf(stderr, "%s: cannot render %s: %s\n", argv[0], argv[1], qPrintable(reader.errorString()));
    return 1;
  }
  return 0;
}
