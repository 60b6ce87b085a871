#include "app/BreakWindowAccessible.h"

#include <QLabel>

namespace pausalo {

BreakWindowAccessible::BreakWindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::AlertMessage) {}

QString BreakWindowAccessible::text(QAccessible::Text kind) const {
  const auto* message = widget()->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
  if (kind != QAccessible::Description || message == nullptr) return QAccessibleWidget::text(kind);
  return message->text().trimmed();
}

}  // namespace pausalo
