#include "app/EnterPressesButtons.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

namespace pausalo {

EnterPressesButtons::EnterPressesButtons(QWidget* window) : QObject(window) {
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
    if (qobject_cast<QPushButton*>(button) != nullptr || qobject_cast<QToolButton*>(button) != nullptr)
      button->installEventFilter(this);
}

bool EnterPressesButtons::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
  // Every Enter stops here: a dialog's button would press itself on any
  // Return, held down or with Ctrl or Alt. Only a plain one, pressed afresh,
  // presses the button.
  const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  auto* button = static_cast<QAbstractButton*>(watched);
  if (plain && !key->isAutoRepeat() && button->isEnabled()) button->animateClick();
  return true;
}

}  // namespace pausalo
