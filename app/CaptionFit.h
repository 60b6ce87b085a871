#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <algorithm>

namespace pausalo {

// The layouts were measured with narrower fonts than a desktop may have:
// every button of a window that is narrower than its caption needs is
// widened to what it needs, keeping its place, so no caption is cut.
inline void WidenButtonsToCaptions(QWidget* window) {
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    if (button->window() != window) continue;
    button->resize(std::max(button->width(), button->sizeHint().width()), button->height());
  }
}

}  // namespace pausalo
