#include "app/BreakWindowAccessible.h"

#include <QLabel>

namespace pausalo {

BreakWindowAccessible::BreakWindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::AlertMessage) {}

int BreakWindowAccessible::childCount() const { return static_cast<int>(Controls().size()); }

QAccessibleInterface* BreakWindowAccessible::child(int index) const {
  return QAccessible::queryAccessibleInterface(Controls().value(index));
}

int BreakWindowAccessible::indexOfChild(const QAccessibleInterface* child) const {
  return child == nullptr ? -1 : static_cast<int>(Controls().indexOf(qobject_cast<QWidget*>(child->object())));
}

QList<QWidget*> BreakWindowAccessible::Controls() const {
  QList<QWidget*> controls = widget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  controls.removeIf([](const QWidget* control) { return control->isWindow() || qobject_cast<const QLabel*>(control); });
  return controls;
}

}  // namespace pausalo
