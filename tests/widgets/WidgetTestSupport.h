#pragma once

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>

#include "platform/Colors.h"

namespace pausalo::testing_support {

// A shown, active top-level window with a plain background colour.
class Host : public QWidget {
 public:
  explicit Host(QColor background = Qt::white) {
    QPalette colors = palette();
    colors.setColor(QPalette::Window, background);
    setPalette(colors);
    resize(300, 120);
  }
  // Shows the window and makes it the active one.
  bool Activate() {
    show();
    activateWindow();
    return QTest::qWaitForWindowActive(this);
  }
};

inline QImage Render(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

inline TColor PixelAt(const QImage& image, int x, int y) { return FromQColor(image.pixelColor(x, y)); }

// Ends any activation, so that the application is in the background.
inline void Deactivate() {
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QApplication::processEvents();
}

}  // namespace pausalo::testing_support
