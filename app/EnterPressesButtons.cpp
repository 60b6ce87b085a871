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
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  auto* button = static_cast<QAbstractButton*>(watched);
  if (!key->isAutoRepeat() && button->isEnabled()) button->animateClick();
  return true;
}

}  // namespace pausalo
