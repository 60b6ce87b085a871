#pragma once

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>

#include "Pixels.h"

namespace pausalo::testing {

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

// Makes window the application's active window, or none (nullptr): the
// application in the background, which activateWindow() cannot ask for.
inline void SetActiveWindow(QWidget* window) {
  // Deprecated since Qt 6.5 for programs, which leave activation to the
  // window system; the tests stand in for it.
  QT_WARNING_PUSH
  QT_WARNING_DISABLE_DEPRECATED
  QApplication::setActiveWindow(window);
  QT_WARNING_POP
}

// Ends any activation, so that the application is in the background.
inline void Deactivate() {
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QApplication::processEvents();
}

}  // namespace pausalo::testing
